#pragma once

#include "wo_internal_export.h"

#include <QStringList>
#include <Qt>

class QMimeData;

namespace wo::ui {

// What a drag over the list window may bring: local paths in the drag's order. A drag
// that carries anything else (web addresses, text without file names) brings nothing,
// so it is refused as a whole rather than added in part.
WO_INTERNAL QStringList droppedPaths(const QMimeData& data);

// Whether the list window takes a drag: never in browse-only state, never while an
// add is running, only when the drag brings local paths and lets them be copied (the
// files stay where they are, whatever the drag proposed).
WO_INTERNAL bool dropAllowed(const QMimeData& data, Qt::DropActions possible, bool browseOnly, bool adding);

} // namespace wo::ui
