#include "dialogs/ScriptedDialogs.h"

#include <QAbstractButton>
#include <QAction>
#include <QDialog>
#include <QLineEdit>
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
    return int(m_answers.size() + m_inputs.size() + m_files.size() + m_menuChoices.size() + m_windows.size() +
               m_scanAnswers.size() + m_scanCancels.size() + m_transferCancels.size());
}

void ScriptedDialogs::clear() {
    m_calls.clear();
    m_answers.clear();
    m_inputs.clear();
    m_files.clear();
    m_menuChoices.clear();
    m_windows.clear();
    m_scanAnswers.clear();
    m_scanCancels.clear();
    m_transferCancels.clear();
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

int ScriptedDialogs::runModal(QDialog& dialog) {
    Call call{Kind::Window, dialog.objectName(), dialog.windowTitle(), Icon::None, Buttons::OK, {}, {}, {},
              false};
    call.unanswered = m_windows.isEmpty();
    const WindowAnswer answer = call.unanswered ? WindowAnswer{} : m_windows.dequeue();
    // Recorded first: the window's own handlers may open further dialogs.
    m_calls << call;
    const qsizetype index = m_calls.size() - 1;
    dialog.setResult(QDialog::Rejected);
    dialog.show();
    for (const auto& [name, text] : answer.typed) {
        auto* edit = dialog.findChild<QLineEdit*>(name);
        if (!edit) {
            m_calls[index].unanswered = true;
            continue;
        }
        // As typing over the whole text: the box's length limit applies.
        edit->setFocus();
        edit->selectAll();
        edit->insert(text);
    }
    if (!answer.click.isEmpty()) {
        if (auto* button = dialog.findChild<QAbstractButton*>(answer.click))
            button->click();
        else
            m_calls[index].unanswered = true;
    }
    if (dialog.isVisible())
        dialog.close();
    return dialog.result();
}

bool ScriptedDialogs::scanSettings(QWidget*, ScanSettings& settings) {
    Call call{Kind::ScanSettings, {}, {}, Icon::None, Buttons::OKCancel, {}, {}, {}, false};
    call.scan = settings;
    call.unanswered = m_scanAnswers.isEmpty();
    m_calls << call;
    if (call.unanswered)
        return false;
    const ScanAnswer answer = m_scanAnswers.dequeue();
    if (!answer.accept)
        return false;
    settings.device = answer.device.value_or(settings.device);
    settings.color = answer.color.value_or(settings.color);
    settings.resolution = answer.resolution.value_or(settings.resolution);
    settings.source = answer.source.value_or(settings.source);
    settings.pages = answer.pages.value_or(settings.pages);
    return true;
}

// Records the pages shown in its call and presses Cancel where the script says.
class ScriptedDialogs::Progress final : public ScanProgress {
public:
    Progress(QList<Call>& calls, qsizetype index, std::optional<std::pair<int, int>> cancelAt)
        : m_calls(calls), m_index(index), m_cancelAt(cancelAt) {}

    void update(int page, int lines, int) override {
        if (m_index < m_calls.size())
            m_calls[m_index].pages = page;
        if (m_cancelAt &&
            (page > m_cancelAt->first || (page == m_cancelAt->first && lines >= m_cancelAt->second)))
            cancel();
    }

private:
    QList<Call>& m_calls;
    qsizetype m_index;
    std::optional<std::pair<int, int>> m_cancelAt;
};

std::unique_ptr<ScanProgress> ScriptedDialogs::scanProgress(QWidget*) {
    m_calls << Call{Kind::ScanProgress, {}, {}, Icon::None, Buttons::OK, {}, {}, {}, false};
    std::optional<std::pair<int, int>> cancelAt;
    if (!m_scanCancels.isEmpty())
        cancelAt = m_scanCancels.dequeue();
    return std::make_unique<Progress>(m_calls, m_calls.size() - 1, cancelAt);
}

class ScriptedDialogs::Transfer final : public TransferProgress {
public:
    Transfer(QList<Call>& calls, qsizetype index, std::optional<qint64> cancelAt)
        : m_calls(calls), m_index(index), m_cancelAt(cancelAt) {}

    void update(qint64 done, qint64 total, double) override {
        if (m_index < m_calls.size()) {
            m_calls[m_index].bytes = done;
            m_calls[m_index].totalBytes = total;
        }
        if (m_cancelAt && done >= *m_cancelAt)
            cancel();
    }

private:
    QList<Call>& m_calls;
    qsizetype m_index;
    std::optional<qint64> m_cancelAt;
};

std::unique_ptr<TransferProgress> ScriptedDialogs::transferProgress(QWidget*, const QString& document) {
    m_calls << Call{Kind::TransferProgress, document, {}, Icon::None, Buttons::OK, {}, {}, {}, false};
    std::optional<qint64> cancelAt;
    if (!m_transferCancels.isEmpty())
        cancelAt = m_transferCancels.dequeue();
    return std::make_unique<Transfer>(m_calls, m_calls.size() - 1, cancelAt);
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
