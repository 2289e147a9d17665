#include "WalkDriver.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QIcon>
#include <QInputMethodEvent>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>

namespace walk {

namespace {

QString g_step;
QString g_shots;
QStringList g_folders;

void removeFolders() {
    for (const QString& f : std::as_const(g_folders))
        QDir(f).removeRecursively();
}

// Gives up when the walk is stuck where no timer of ours can fire.
class Watchdog {
public:
    void start(int seconds) {
        m_thread = std::thread([this, seconds] {
            std::unique_lock lock(m_mutex);
            if (m_cv.wait_for(lock, std::chrono::seconds(seconds), [this] { return m_done; }))
                return;
            std::fprintf(stderr, "walk: FAILED in step \"%s\": gave up after %d s\n", qPrintable(g_step),
                         seconds);
            removeFolders();
            std::fflush(stderr);
            std::_Exit(1);
        });
    }
    void stop() {
        {
            std::lock_guard lock(m_mutex);
            m_done = true;
        }
        m_cv.notify_all();
        if (m_thread.joinable())
            m_thread.join();
    }
    ~Watchdog() { stop(); }

private:
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_done = false;
};

Watchdog& watchdog() {
    static Watchdog w;
    return w;
}

QString describe(QWidget* w) {
    if (!w)
        return QStringLiteral("no window");
    QString d = QStringLiteral("%1 \"%2\" titled \"%3\"")
                    .arg(QLatin1String(w->metaObject()->className()), w->objectName(), w->windowTitle());
    if (const auto* box = qobject_cast<QMessageBox*>(w))
        d += QStringLiteral(" saying \"%1\"").arg(box->text());
    return d;
}

QString plain(QString text) {
    return text.remove(QLatin1Char('&'));
}

// Where the keyboard's keys go: an open popup, such as a completer's list, takes
// them first, as it does on a desktop.
QWidget* keyTarget(QWidget* widget) {
    QWidget* popup = QApplication::activePopupWidget();
    return popup ? popup : widget;
}

} // namespace

void beginStep(const QString& name) {
    g_step = name;
    std::printf("walk: %s\n", qPrintable(name));
    std::fflush(stdout);
}

void fail(const QString& message) {
    QWidget* top = topWindow();
    std::fprintf(stderr, "walk: FAILED in step \"%s\": %s\n      on top: %s\n", qPrintable(g_step),
                 qPrintable(message), qPrintable(describe(top ? top : QApplication::activeWindow())));
    if (top)
        shoot(top, QStringLiteral("walk-failure"));
    removeFolders();
    std::fflush(stderr);
    std::_Exit(1);
}

void check(bool ok, const QString& message) {
    if (!ok)
        fail(message);
}

void checkEqual(const QString& what, const QString& actual, const QString& expected) {
    if (actual != expected)
        fail(QStringLiteral("%1 is \"%2\", expected \"%3\"").arg(what, actual, expected));
}

void checkEqual(const QString& what, const QStringList& actual, const QStringList& expected) {
    if (actual != expected)
        fail(QStringLiteral("%1 are [%2], expected [%3]")
                 .arg(what, actual.join(QStringLiteral(", ")), expected.join(QStringLiteral(", "))));
}

void waitFor(const std::function<bool()>& condition, const QString& what, int timeoutMs) {
    if (!QTest::qWaitFor(condition, timeoutMs))
        fail(QStringLiteral("waited %1 s for %2").arg(timeoutMs / 1000.0).arg(what));
}

void setCleanup(const QStringList& folders, int timeLimitSeconds) {
    g_folders = folders;
    watchdog().start(timeLimitSeconds);
}

void finished() {
    watchdog().stop();
}

std::function<bool(QWidget*)> named(const QString& objectName) {
    return [objectName](QWidget* w) { return w->objectName() == objectName; };
}

QWidget* topWindow() {
    if (QWidget* popup = QApplication::activePopupWidget())
        return popup;
    return QApplication::activeModalWidget();
}

void drive(const QList<Expected>& expected, const std::function<void()>& act, int timeoutMs) {
    struct State {
        QList<Expected> queue;
        QElapsedTimer since;
        bool answering = false;
        // A window stays on top for a moment after it was answered: not twice.
        QPointer<QWidget> answered;
    };
    const auto state = std::make_shared<State>();
    state->queue = expected;
    state->since.start();
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [state, timeoutMs] {
        if (state->answering || state->queue.isEmpty())
            return;
        QWidget* top = topWindow();
        const Expected& next = state->queue.first();
        // A window is up once it has the keyboard; a popup has it while it is open.
        const bool up =
            top && top->isVisible() && (top == QApplication::activePopupWidget() || top->isActiveWindow());
        if (up && top != state->answered && next.matches(top)) {
            const Expected current = state->queue.takeFirst();
            state->answering = true;
            state->answered = top;
            current.answer(top);
            state->answering = false;
            state->since.restart();
        } else if (state->since.elapsed() > timeoutMs) {
            fail(QStringLiteral("%1 did not come up within %2 s").arg(next.what).arg(timeoutMs / 1000.0));
        }
    });
    poll.start();
    act();
    poll.stop();
    if (!state->queue.isEmpty())
        fail(QStringLiteral("%1 never came up").arg(state->queue.first().what));
}

void click(QWidget* widget, const QPoint& at) {
    check(widget->isVisible() && widget->isEnabled(),
          QStringLiteral("%1 \"%2\" cannot be clicked: %3")
              .arg(QLatin1String(widget->metaObject()->className()), widget->objectName(),
                   widget->isVisible() ? QStringLiteral("disabled") : QStringLiteral("hidden")));
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, at.isNull() ? widget->rect().center() : at);
}

void click(QAbstractButton* button) {
    check(button->isVisible() && button->isEnabled(),
          QStringLiteral("the button \"%1\" is %2")
              .arg(plain(button->text()),
                   button->isVisible() ? QStringLiteral("disabled") : QStringLiteral("hidden")));
    QTest::mouseClick(button, Qt::LeftButton);
}

void rightClick(QWidget* widget, const QPoint& at) {
    QTest::mouseClick(widget, Qt::RightButton, Qt::NoModifier, at);
}

void doubleClick(QWidget* widget, const QPoint& at) {
    QTest::mouseDClick(widget, Qt::LeftButton, Qt::NoModifier, at);
}

void type(QWidget* widget, const QString& text) {
    for (qsizetype i = 0; i < text.size();) {
        if (text.at(i).unicode() < 0x80) {
            QTest::keyClick(keyTarget(widget), text.at(i).toLatin1());
            ++i;
            continue;
        }
        qsizetype end = i;
        while (end < text.size() && text.at(end).unicode() >= 0x80)
            ++end;
        QInputMethodEvent commit;
        commit.setCommitString(text.mid(i, end - i));
        QApplication::sendEvent(widget, &commit);
        i = end;
    }
}

void pressKey(QWidget* widget, int key, Qt::KeyboardModifiers modifiers) {
    QTest::keyClick(keyTarget(widget), Qt::Key(key), modifiers);
}

void choose(QComboBox* combo, const QString& text) {
    const int index = combo->findText(text);
    check(index >= 0, QStringLiteral("\"%1\" offers no \"%2\"").arg(combo->objectName(), text));
    click(combo);
    QAbstractItemView* list = combo->view();
    waitFor([list] { return list->isVisible(); },
            QStringLiteral("the drop-down list of ") + combo->objectName());
    // Arrow keys to the entry and Enter: a click the list takes only when it comes
    // later than a double-click would after the list opened.
    for (int at = list->currentIndex().row(); at != index; at += at < index ? 1 : -1)
        QTest::keyClick(list, at < index ? Qt::Key_Down : Qt::Key_Up);
    QTest::keyClick(list, Qt::Key_Return);
    waitFor([list] { return !list->isVisible(); },
            QStringLiteral("the drop-down list of %1 to close").arg(combo->objectName()));
    checkEqual(combo->objectName(), combo->currentText(), text);
}

QAbstractButton* buttonWithText(QWidget* window, const QString& text) {
    for (QAbstractButton* b : window->findChildren<QAbstractButton*>())
        if (plain(b->text()) == text)
            return b;
    fail(QStringLiteral("no button \"%1\" in %2").arg(text, describe(window)));
}

void setShotFolder(const QString& folder) {
    g_shots = folder;
    if (!folder.isEmpty())
        QDir().mkpath(folder);
}

void shoot(QWidget* window, const QString& name, QWidget* popup) {
    if (g_shots.isEmpty())
        return;
    QPixmap content = window->grab();
    if (popup) {
        QPainter over(&content);
        over.drawPixmap(window->mapFromGlobal(popup->mapToGlobal(QPoint())), popup->grab());
    }
    // Without a window manager windows have no frame: a plain one, so the title shows.
    constexpr int caption = 24;
    QPixmap shot(content.width() + 2, content.height() + caption + 1);
    shot.fill(QColor(0x4a, 0x5d, 0x7e));
    QPainter p(&shot);
    p.drawPixmap(1, caption, content);
    int left = 8;
    const QIcon icon = window->windowIcon();
    if (!icon.isNull()) {
        p.drawPixmap(left, (caption - 16) / 2, icon.pixmap(16, 16));
        left += 22;
    }
    p.setPen(Qt::white);
    p.drawText(QRect(left, 0, shot.width() - left - 8, caption), Qt::AlignLeft | Qt::AlignVCenter,
               window->windowTitle());
    p.end();
    const QString file = QDir(g_shots).filePath(name + QStringLiteral(".png"));
    if (!shot.save(file))
        std::fprintf(stderr, "walk: cannot write %s\n", qPrintable(file));
}

} // namespace walk
