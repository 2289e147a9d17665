#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

namespace wo::test {

// Page n (1-based) of a generated document: white with one black square whose
// place tells the page number.
QImage markedPage(int n, QImage::Format format = QImage::Format_RGB32, int dpi = 100);
// Which square is black on an image of a page; 0 when none or several are.
int markerOf(const QImage& page);
// Runs a tool and tells whether it exited with 0.
bool runTool(const QString& program, const QStringList& arguments);
// Writes a multi-page TIFF of marked pages; compression is a tiffcp -c value.
bool writeTiff(const QString& path, int pages, const QString& compression);
// Writes marked pages through ImageMagick in the format it names (PCX, DCX, GIF).
bool writeWithMagick(const QString& path, const QString& magick, int pages);

} // namespace wo::test
