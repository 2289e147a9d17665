#pragma once

#include "platform/dialogs/Dialogs.h"

#include <QList>
#include <QQueue>
#include <memory>

namespace wo::dialogs {

// Dialogs answered by a script instead of a person: each call is recorded, and
// each answer is taken from the queue of its kind. A box with only an OK button
// needs no queued answer. A call with nothing queued for it is answered as a
// person closing it would (Cancel or No, empty text, no files, no menu choice)
// and is marked unanswered, so a test can tell it was not expected.
class ScriptedDialogs final : public Dialogs {
public:
    enum class Kind { MessageBox, InputBox, OpenFiles, ContextMenu };
    struct Call {
        Kind kind;
        QString text; // message, prompt, or the chosen menu item's text
        QString title;
        Icon icon = Icon::None;
        Buttons buttons = Buttons::OK;
        QString defaultText;
        OpenFileRequest request;
        QStringList menuItems;
        bool unanswered = false;
    };

    void queueAnswer(Answer answer) { m_answers.enqueue(answer); }
    void queueInput(const QString& text) { m_inputs.enqueue(text); }
    void queueFiles(const QStringList& files) { m_files.enqueue(files); }
    // The menu item to choose, by objectName or text; empty dismisses the menu.
    void queueMenuChoice(const QString& item) { m_menuChoices.enqueue(item); }

    const QList<Call>& calls() const { return m_calls; }
    QList<Call> calls(Kind kind) const;
    int unansweredCount() const;
    // Answers queued but not yet asked for.
    int pendingCount() const;
    void clear();

    Answer messageBox(QWidget* parent, const QString& text, Buttons buttons, Icon icon,
                      const QString& title) override;
    QString inputBox(QWidget* parent, const QString& prompt, const QString& title,
                     const QString& defaultText) override;
    QStringList openFiles(QWidget* parent, const OpenFileRequest& request) override;
    QAction* contextMenu(QMenu* menu, const QPoint& globalPos) override;

private:
    QList<Call> m_calls;
    QQueue<Answer> m_answers;
    QQueue<QString> m_inputs;
    QQueue<QStringList> m_files;
    QQueue<QString> m_menuChoices;
};

// Installs a ScriptedDialogs for its lifetime and restores the previous dialogs after.
class ScriptedDialogsScope {
public:
    ScriptedDialogsScope();
    ~ScriptedDialogsScope();
    ScriptedDialogsScope(const ScriptedDialogsScope&) = delete;
    ScriptedDialogsScope& operator=(const ScriptedDialogsScope&) = delete;

    ScriptedDialogs* operator->() const { return m_scripted; }
    ScriptedDialogs& operator*() const { return *m_scripted; }

private:
    ScriptedDialogs* m_scripted;
    std::unique_ptr<Dialogs> m_previous;
};

} // namespace wo::dialogs
