#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QSizeF>
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
// Bilevel pages (g3, g4) are stored with 0 as white, or as black when asked.
bool writeTiff(const QString& path, int pages, const QString& compression, bool zeroIsBlack = false);
// Zeroes one strip of a TIFF's first page, found through tiffinfo: the file's
// directories stay intact, decoding the page breaks off at that strip.
bool zeroTiffStrip(const QString& path, int strip);
// Writes marked pages through ImageMagick in the format it names (PCX, DCX, GIF).
bool writeWithMagick(const QString& path, const QString& magick, int pages);

// A JPEG with an EXIF block holding a thumbnail, whose own end marker comes before the picture's.
QByteArray withExifThumbnail(const QByteArray& jpeg);

// Files whose headers lie about their content.
// A little-endian TIFF of one bilevel G4 page whose header declares width x height
// over a few bytes of coded data.
QByteArray bilevelTiffDeclaring(quint32 width, quint32 height);
// A chain of `count` empty TIFF directories, the last pointing to `lastNext`.
QByteArray tiffChain(int count, quint32 lastNext = 0);
// A one-page PDF of the size in points, its lower left quarter black.
QByteArray pdfOfSize(QSizeF points);
// Bilevel pages (Format_Mono, any colour table) as a 1-bit run-length coded PCX, or
// as a DCX of PCX pages when there are several.
QByteArray bilevelPcx(const QList<QImage>& pages);

} // namespace wo::test
