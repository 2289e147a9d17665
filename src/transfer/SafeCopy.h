#pragma once

#include "wo_internal_export.h"

#include <QString>

namespace wo::transfer {

class TransferMeter;

// Who may read what copyFileSafely writes: the user alone (cached copies), or as the
// umask allows (stored documents other users open).
enum class Access { Private, Shared };

// Copies a file so that the target never holds a partial copy: writes a new file
// under a fresh name in the target's folder and renames it over the target, so a
// symbolic link at the target is replaced, never followed. Throws wo::Error (70 for
// permission problems, 53 for a missing source) and leaves no temporary file. With a
// meter the copy runs on a worker thread while this one shows its progress; when the
// user cancels it, it throws wo::Error 18 and the target is untouched.
WO_INTERNAL void copyFileSafely(const QString& source, const QString& target, Access access = Access::Shared,
                                TransferMeter* meter = nullptr);

} // namespace wo::transfer
