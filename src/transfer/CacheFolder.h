#pragma once

#include "wo_internal_export.h"

#include <QString>

namespace wo::transfer {

// The download cache: $XDG_CACHE_HOME (default ~/.cache) + "/wendra-original/temp",
// created with mode 0700 when missing. An existing level is used only when it is a
// real folder (no symbolic link) of this user; its mode is then set to 0700. Throws
// wo::Error when it cannot be made or must not be trusted.
WO_INTERNAL QString cacheFolder();

} // namespace wo::transfer
