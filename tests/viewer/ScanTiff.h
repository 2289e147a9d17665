#pragma once

#include <QImage>
#include <QList>
#include <QString>

namespace wo::test {

// Writes the pages as one multi-page TIFF, each at its own resolution, as a scanner
// would: bilevel pages (Format_Mono) as CCITT G4, grey (Format_Grayscale8) and
// colour (Format_RGB888) pages as JPEG. False when libtiff refuses.
bool writeScanTiff(const QString& path, const QList<QImage>& pages);

} // namespace wo::test
