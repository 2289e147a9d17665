#pragma once

#include "wo_internal_export.h"

#include <QString>

// The names files are written under before a rename puts them in place. Writers take
// them from here, and the audit knows by them what an interrupted transfer left.
namespace wo::temporary {

// A local file written beside its target: ".<16 hex digits>.tmp", fresh each call.
WO_INTERNAL QString freshName();

// A transfer of `name` in progress beside it: ".<name>.part-<8 hex digits>", fresh
// each call.
WO_INTERNAL QString partName(const QString& name);

// True for a name freshName or partName makes.
WO_INTERNAL bool isTemporaryName(const QString& name);

} // namespace wo::temporary
