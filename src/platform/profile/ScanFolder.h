#pragma once

#include "wo_internal_export.h"

#include <QString>

namespace wo::profile {

// The per-user folder of the scan file: $XDG_DATA_HOME (default ~/.local/share)
// + "/wendra-original/scan". The two folders of our own are created with mode
// 0700 when missing, so no other user reads or replaces a scan. Throws wo::Error
// 75 when the folder cannot be made.
WO_INTERNAL QString scanFolder();

} // namespace wo::profile
