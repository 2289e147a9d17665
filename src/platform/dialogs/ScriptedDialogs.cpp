#include "platform/dialogs/ScriptedDialogs.h"

#include <QAction>
#include <QMenu>
#include <algorithm>

namespace wo::dialogs {

QList<ScriptedDialogs::Call> ScriptedDialogs::calls(Kind kind) const {
    QList<Call> out;
    std::copy_if(m_calls.begin(), m_calls.end(), std::back_inserter(out),
                 [kind](const Call& c) { return c.kind == kind; });
    return out;
}

int ScriptedDialogs::unansweredCount() const {
    return int(std::count_if(m_calls.begin(), m_calls.end(), [](const Call& c) { return c.unanswered; }));
}

int ScriptedDialogs::pendingCount() const {
    return int(m_answers.size() + m_inputs.size() + m_files.size() + m_menuChoices.size());
}

void ScriptedDialogs::clear() {
    m_calls.clear();
    m_answers.clear();
    m_inputs.clear();
    m_files.clear();
    m_menuChoices.clear();
}

Answer ScriptedDialogs::messageBox(QWidget*, const QString& text, Buttons buttons, Icon icon,
                                   const QString& title) {
    Call call{
        Kind::MessageBox, text, title.isEmpty() ? defaultTitle() : title, icon, buttons, {}, {}, {}, false};
    Answer answer = Answer::OK;
    if (!m_answers.isEmpty()) {
        answer = m_answers.dequeue();
    } else if (buttons != Buttons::OK) {
        call.unanswered = true;
        answer = (buttons == Buttons::YesNo)              ? Answer::No
                 : (buttons == Buttons::AbortRetryIgnore) ? Answer::Abort
                                                          : Answer::Cancel;
    }
    m_calls << call;
    return answer;
}

QString ScriptedDialogs::inputBox(QWidget*, const QString& prompt, const QString& title,
                                  const QString& defaultText) {
    Call call{Kind::InputBox, prompt, title, Icon::None, Buttons::OKCancel, defaultText, {}, {}, false};
    call.unanswered = m_inputs.isEmpty();
    m_calls << call;
    return call.unanswered ? QString() : m_inputs.dequeue();
}

QStringList ScriptedDialogs::openFiles(QWidget*, const OpenFileRequest& request) {
    Call call{Kind::OpenFiles, {}, request.title, Icon::None, Buttons::OKCancel, {}, request, {}, false};
    call.unanswered = m_files.isEmpty();
    m_calls << call;
    return call.unanswered ? QStringList() : m_files.dequeue();
}

QAction* ScriptedDialogs::contextMenu(QMenu* menu, const QPoint&) {
    Call call{Kind::ContextMenu, {}, {}, Icon::None, Buttons::OK, {}, {}, {}, false};
    for (QAction* a : menu->actions())
        call.menuItems << a->text();
    call.unanswered = m_menuChoices.isEmpty();
    const QString choice = call.unanswered ? QString() : m_menuChoices.dequeue();
    QAction* chosen = nullptr;
    for (QAction* a : menu->actions())
        if (!choice.isEmpty() && (a->objectName() == choice || a->text() == choice))
            chosen = a;
    if (chosen)
        call.text = chosen->text();
    m_calls << call;
    return chosen;
}

ScriptedDialogsScope::ScriptedDialogsScope() {
    auto scripted = std::make_unique<ScriptedDialogs>();
    m_scripted = scripted.get();
    m_previous = install(std::move(scripted));
}

ScriptedDialogsScope::~ScriptedDialogsScope() {
    install(std::move(m_previous));
}

} // namespace wo::dialogs
