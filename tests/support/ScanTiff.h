#pragma once

#include <QImage>
#include <QList>
#include <QString>

namespace wo::test {

// Writes the pages as one multi-page TIFF, each at its own resolution, as a scanner
// would: bilevel pages (Format_Mono) as CCITT G4, grey (Format_Grayscale8) and
// colour (Format_RGB888) pages as JPEG. False when libtiff refuses.
bool writeScanTiff(const QString& path, const QList<QImage>& pages);

// A4 pages at 300 dpi as a scanner gives them: text-like bands of short dark runs on
// white (bilevel, page number `page` varies the runs), or the same bands in ink on
// softly shaded paper (format Grayscale8 or RGB888).
QImage a4FaxPage(int page);
QImage a4TonedPage(QImage::Format format);

} // namespace wo::test
