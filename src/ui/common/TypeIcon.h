#pragma once

#include "wo_internal_export.h"

#include <QString>

class QLabel;

namespace wo::ui {

// How ShowTypeIcon treats a configured picture it cannot read.
enum class ErrorPolicy {
    // The list window: leave the icon empty and carry on.
    Silent,
    // The viewer window: throw wo::Error 481 to the caller, icon left empty.
    Throw,
};

// Shows the icon FileType.INI's [ICON] section names for `type` (a lower-case
// extension such as ".doc") from the component's "图库" folder; ImgBack's picture
// when no icon is configured or the file named is missing; no picture, whatever the
// policy, for a metafile of a kind no library here reads (EMF).
WO_INTERNAL void ShowTypeIcon(QLabel* ImgTypeICO, const QLabel* ImgBack, const QString& type,
                              ErrorPolicy policy);

} // namespace wo::ui
