#pragma once

#include "wo_internal_export.h"

namespace wo::dialogs {

// Runs what the component's own progress windows need while it works on the host's
// thread: their painting, and with `input` their clicks and keys. The host's timers and
// socket notifiers wait, so none of the host's code runs from them inside our call.
WO_INTERNAL void processOwnEvents(bool input);

} // namespace wo::dialogs
