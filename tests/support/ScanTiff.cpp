#include "ScanTiff.h"

#include <QFile>
#include <algorithm>
#include <cmath>
#include <tiffio.h>
#include <vector>

namespace wo::test {

namespace {

constexpr int Width = 2480; // A4 at 300 dpi
constexpr int Height = 3508;

QImage at300Dpi(QImage image) {
    image.setDotsPerMeterX(qRound(300 / 0.0254));
    image.setDotsPerMeterY(qRound(300 / 0.0254));
    return image;
}

bool textBand(int y) {
    return (y / 40) % 4 == 1;
}

bool writePage(TIFF* tiff, const QImage& page, int number, int pages) {
    const bool bilevel = page.format() == QImage::Format_Mono;
    const bool colour = page.format() == QImage::Format_RGB888;
    if (!bilevel && !colour && page.format() != QImage::Format_Grayscale8)
        return false;
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, page.width());
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, page.height());
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, bilevel ? 1 : 8);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, colour ? 3 : 1);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_XRESOLUTION, std::round(page.dotsPerMeterX() * 0.0254));
    TIFFSetField(tiff, TIFFTAG_YRESOLUTION, std::round(page.dotsPerMeterY() * 0.0254));
    TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    TIFFSetField(tiff, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
    TIFFSetField(tiff, TIFFTAG_PAGENUMBER, number, pages);
    if (bilevel) {
        TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
        TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, page.height());
    } else {
        TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_JPEG);
        TIFFSetField(tiff, TIFFTAG_JPEGQUALITY, 85);
        TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, colour ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK);
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, 16);
    }
    // Fax pages store black as 1; a bilevel image whose index 0 is black is turned over.
    const bool invert = bilevel && qGray(page.color(0)) < 128;
    std::vector<unsigned char> row(size_t(TIFFScanlineSize(tiff)));
    for (int y = 0; y < page.height(); ++y) {
        const uchar* line = page.constScanLine(y);
        for (size_t i = 0; i < row.size(); ++i)
            row[i] = invert ? static_cast<unsigned char>(~line[i]) : line[i];
        if (TIFFWriteScanline(tiff, row.data(), uint32_t(y), 0) < 0)
            return false;
    }
    return TIFFWriteDirectory(tiff) != 0;
}

} // namespace

QImage a4FaxPage(int page) {
    QImage image(Width, Height, QImage::Format_Mono);
    image.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    const int bytes = (Width + 7) / 8;
    for (int y = 0; y < Height; ++y) {
        uchar* row = image.scanLine(y);
        std::fill(row, row + bytes, 0);
        if (textBand(y))
            for (int x = 10; x < bytes - 10; x += 3)
                row[x] = static_cast<uchar>((x * 37 + y + page) & 0xff);
    }
    return at300Dpi(image);
}

QImage a4TonedPage(QImage::Format format) {
    QImage image(Width, Height, format);
    const int samples = format == QImage::Format_RGB888 ? 3 : 1;
    for (int y = 0; y < Height; ++y) {
        uchar* row = image.scanLine(y);
        for (int i = 0; i < Width * samples; ++i) {
            const int x = i / samples;
            const bool ink = textBand(y) && x > 150 && x < Width - 150 && (x * 7 + y) % 13 < 5;
            row[i] = static_cast<uchar>(ink ? 40 : 235 - (x + y) % 20 - (i % samples) * 8);
        }
    }
    return at300Dpi(image);
}

bool writeScanTiff(const QString& path, const QList<QImage>& pages) {
    TIFF* tiff = TIFFOpen(QFile::encodeName(path).constData(), "w");
    if (!tiff)
        return false;
    bool ok = true;
    for (int i = 0; ok && i < pages.size(); ++i)
        ok = writePage(tiff, pages[i], i, int(pages.size()));
    TIFFClose(tiff);
    return ok;
}

} // namespace wo::test
