#pragma once

#include <QList>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>

class QAbstractButton;
class QComboBox;

// What the walk through the component does as its user: waits for the windows
// a command brings up, answers them with mouse and keys, checks what they show,
// and takes their pictures. Every failure ends the process with a message naming
// the step; nothing waits longer than a few seconds for a window.
namespace walk {

// Names the step that failure messages and the progress lines mention.
void beginStep(const QString& name);
// Ends the process: the message, the step and the window on top go to stderr.
[[noreturn]] void fail(const QString& message);
void check(bool ok, const QString& message);
// Fails unless actual equals expected, showing both.
void checkEqual(const QString& what, const QString& actual, const QString& expected);
void checkEqual(const QString& what, const QStringList& actual, const QStringList& expected);
// Waits, with the event loop running, until condition holds; fails after timeoutMs.
void waitFor(const std::function<bool()>& condition, const QString& what, int timeoutMs = 5000);

// Folders removed when the walk fails, and the time after which it gives up
// whatever it waits for; set once, before the first step. The walk that ends
// normally calls finished() first.
void setCleanup(const QStringList& folders, int timeLimitSeconds);
void finished();

// A window the walk expects on top (a modal window or a popup menu) and what the
// user does in it once it is up.
struct Expected {
    QString what;
    std::function<bool(QWidget*)> matches;
    std::function<void(QWidget*)> answer;
};
// A window by its Qt class, as qobject_cast knows it, or by objectName.
template <class W> std::function<bool(QWidget*)> isA() {
    return [](QWidget* w) { return qobject_cast<W*>(w) != nullptr; };
}
std::function<bool(QWidget*)> named(const QString& objectName);

// Runs act, a user action that blocks while the windows it brings up are open,
// and answers the expected windows in their order as each comes up. Fails when
// one is not on top within the timeout, or when act returns before all came up.
void drive(const QList<Expected>& expected, const std::function<void()>& act, int timeoutMs = 8000);

// The window on top: the open popup menu, else the active modal window.
QWidget* topWindow();

// Input as a user gives it.
void click(QWidget* widget, const QPoint& at = QPoint());
void click(QAbstractButton* button);
void rightClick(QWidget* widget, const QPoint& at);
void doubleClick(QWidget* widget, const QPoint& at);
// Types text into the widget: keys for what a keyboard has, an input method's
// commit for Chinese.
void type(QWidget* widget, const QString& text);
void pressKey(QWidget* widget, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
// Picks an entry of a combo box through its drop-down list.
void choose(QComboBox* combo, const QString& text);

// The child of `window` with that objectName and type; fails when there is none.
template <class W> W* child(QWidget* window, const QString& name) {
    W* w = window->findChild<W*>(name);
    if (!w)
        fail(QStringLiteral("no %1 \"%2\" in %3")
                 .arg(QLatin1String(W::staticMetaObject.className()), name, window->objectName()));
    return w;
}
// The button of `window` whose text (access-key ampersands removed) is `text`.
QAbstractButton* buttonWithText(QWidget* window, const QString& text);

// Saves a picture of the window, under a caption bar with its title, as
// folder/name.png when a folder was given; with `popup`, the open popup drawn
// over it where it stands.
void setShotFolder(const QString& folder);
void shoot(QWidget* window, const QString& name, QWidget* popup = nullptr);

} // namespace walk
