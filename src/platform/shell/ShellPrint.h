#pragma once

#include "wo_internal_export.h"

#include <QString>

namespace wo::shell {

// Hands a file that is not a page image to the desktop's print route, chosen by its
// content type: PDF and PostScript go to the default CUPS destination, text is laid
// out through Qt, other types run the command print-routes.ini names for them.
// True when the file was handed over; otherwise false with *reason (if given) set.
WO_INTERNAL bool shellPrint(const QString& file, QString* reason);

// Cancels the CUPS job this process submitted last if it is still pending.
// Throws wo::Error when CUPS refuses.
void cancelOwnJob();

} // namespace wo::shell
