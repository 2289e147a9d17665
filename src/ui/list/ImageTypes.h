#pragma once

#include <QString>

namespace wo::ui {

// Whether a document type opens in the viewer and prints through the print dialog:
// the image extensions, compared in upper case, otherwise exactly (".TIFF" and
// ".TIF" are both images, ".PNG" is not).
bool isImageType(const QString& type);

} // namespace wo::ui
