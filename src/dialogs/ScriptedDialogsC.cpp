// The C face of the scripted dialogs for hosts' tests: one scope at a time,
// held from Begin to End.
#include "dialogs/ScriptedDialogs.h"
#include "platform/com/ComObject.h"
#include "wendra/dialogs_scripted.h"

#include <memory>

namespace {

// Never destroyed: a host that exits between Begin and End (a failed call, say)
// would otherwise have the scope restore dialogs whose holder is already gone.
std::unique_ptr<wo::dialogs::ScriptedDialogsScope>& scope() {
    static auto* current = new std::unique_ptr<wo::dialogs::ScriptedDialogsScope>;
    return *current;
}

// Runs a queueing call on the open scope; 0 without one or when it throws.
template <typename F> int32_t withScope(F&& queue) noexcept {
    if (!scope())
        return 0;
    try {
        queue(**scope());
        return 1;
    } catch (...) {
        return 0;
    }
}

template <typename F> int32_t count(F&& measure) noexcept {
    return scope() ? static_cast<int32_t>(measure(**scope())) : -1;
}

// The call at index of the open scope, or null.
const wo::dialogs::ScriptedDialogs::Call* callAt(int32_t index) {
    if (!scope() || index < 0 || index >= (*scope())->calls().size())
        return nullptr;
    return &(*scope())->calls()[index];
}

template <typename F> int32_t copyField(int32_t index, char** out, F&& field) noexcept {
    if (!out)
        return 0;
    *out = nullptr;
    const wo::dialogs::ScriptedDialogs::Call* call = callAt(index);
    try {
        return call && wo::com::copyOut(field(*call), out) == WO_S_OK ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

} // namespace

int32_t WoScriptedDialogs_Begin() {
    if (scope())
        return 0;
    try {
        scope() = std::make_unique<wo::dialogs::ScriptedDialogsScope>();
        return 1;
    } catch (...) {
        return 0;
    }
}

void WoScriptedDialogs_End() {
    scope().reset();
}

int32_t WoScriptedDialogs_QueueAnswer(int32_t answer) {
    if (answer < WO_ANSWER_OK || answer > WO_ANSWER_NO)
        return 0;
    return withScope([answer](wo::dialogs::ScriptedDialogs& d) {
        d.queueAnswer(static_cast<wo::dialogs::Answer>(answer));
    });
}

int32_t WoScriptedDialogs_QueueInput(const char* text) {
    return withScope([text](wo::dialogs::ScriptedDialogs& d) { d.queueInput(QString::fromUtf8(text)); });
}

int32_t WoScriptedDialogs_QueueFiles(const char* const* paths, size_t count) {
    if (!paths && count > 0)
        return 0;
    return withScope([paths, count](wo::dialogs::ScriptedDialogs& d) {
        QStringList files;
        for (size_t i = 0; i < count; ++i)
            files.append(QString::fromUtf8(paths[i]));
        d.queueFiles(files);
    });
}

int32_t WoScriptedDialogs_CallCount() {
    return count([](const wo::dialogs::ScriptedDialogs& d) { return d.calls().size(); });
}

int32_t WoScriptedDialogs_UnansweredCount() {
    return count([](const wo::dialogs::ScriptedDialogs& d) { return d.unansweredCount(); });
}

int32_t WoScriptedDialogs_PendingCount() {
    return count([](const wo::dialogs::ScriptedDialogs& d) { return d.pendingCount(); });
}

int32_t WoScriptedDialogs_CallKind(int32_t index) {
    using Kind = wo::dialogs::ScriptedDialogs::Kind;
    const wo::dialogs::ScriptedDialogs::Call* call = callAt(index);
    if (!call)
        return 0;
    switch (call->kind) {
    case Kind::MessageBox:
        return WO_DIALOG_MESSAGE_BOX;
    case Kind::InputBox:
        return WO_DIALOG_INPUT_BOX;
    case Kind::OpenFiles:
        return WO_DIALOG_OPEN_FILES;
    case Kind::ContextMenu:
        return WO_DIALOG_CONTEXT_MENU;
    case Kind::Window:
        return WO_DIALOG_WINDOW;
    case Kind::ScanSettings:
        return WO_DIALOG_SCAN_SETTINGS;
    case Kind::ScanProgress:
        return WO_DIALOG_SCAN_PROGRESS;
    case Kind::TransferProgress:
        return WO_DIALOG_TRANSFER_PROGRESS;
    }
    return 0;
}

int32_t WoScriptedDialogs_CallText(int32_t index, char** text) {
    return copyField(index, text, [](const wo::dialogs::ScriptedDialogs::Call& c) { return c.text; });
}

int32_t WoScriptedDialogs_CallTitle(int32_t index, char** title) {
    return copyField(index, title, [](const wo::dialogs::ScriptedDialogs::Call& c) { return c.title; });
}

int32_t WoScriptedDialogs_CallUnanswered(int32_t index) {
    const wo::dialogs::ScriptedDialogs::Call* call = callAt(index);
    return call ? (call->unanswered ? 1 : 0) : -1;
}
