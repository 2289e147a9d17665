// The C face of the scripted dialogs for hosts' tests: one scope at a time,
// held from Begin to End.
#include "dialogs/ScriptedDialogs.h"
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
