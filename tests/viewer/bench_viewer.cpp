// Times the viewer's page flip ("Next") and zoom step ("ZoomIn"), each through the
// toolbar command and a repaint of the page area, against libtiff decoding the same
// page alone. Not a test: prints timings and their ratios.
#include "imaging/ImageViewWidget.h"
#include "ui/common/ListItem.h"
#include "ui/viewer/frmDetail.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <tiffio.h>
#include <vector>

namespace {

constexpr int Width = 2480; // A4 at 300 dpi
constexpr int Height = 3508;
constexpr int FaxPages = 8;
constexpr int Repeats = 5;

enum class Kind { Fax, Grey, Colour };

// One page: text-like bands of dark runs on white; grey and colour pages add a soft background.
bool writePage(TIFF* tiff, Kind kind, int page, int pages) {
    const int samples = kind == Kind::Colour ? 3 : 1;
    const int bits = kind == Kind::Fax ? 1 : 8;
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, Width);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, Height);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, bits);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, samples);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_XRESOLUTION, 300.0);
    TIFFSetField(tiff, TIFFTAG_YRESOLUTION, 300.0);
    TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    TIFFSetField(tiff, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
    TIFFSetField(tiff, TIFFTAG_PAGENUMBER, page, pages);
    if (kind == Kind::Fax) {
        TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
        TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, Height);
    } else {
        TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_JPEG);
        TIFFSetField(tiff, TIFFTAG_JPEGQUALITY, 85);
        TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC,
                     kind == Kind::Colour ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK);
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, 16);
    }
    std::vector<unsigned char> row(size_t(TIFFScanlineSize(tiff)));
    for (int y = 0; y < Height; ++y) {
        const bool text = (y / 40) % 4 == 1;
        if (kind == Kind::Fax) {
            std::fill(row.begin(), row.end(), 0);
            if (text)
                for (size_t x = 10; x < row.size() - 10; x += 3)
                    row[x] = static_cast<unsigned char>((x * 37 + size_t(y) + size_t(page)) & 0xff);
        } else {
            for (size_t i = 0; i < row.size(); ++i) {
                const size_t x = i / size_t(samples);
                const bool ink = text && x > 150 && x < size_t(Width) - 150 && (x * 7 + size_t(y)) % 13 < 5;
                const int paper = 235 - int((x + size_t(y)) % 20) - int(i % size_t(samples)) * 8;
                row[i] = static_cast<unsigned char>(ink ? 40 : paper);
            }
        }
        if (TIFFWriteScanline(tiff, row.data(), uint32_t(y), 0) < 0)
            return false;
    }
    return TIFFWriteDirectory(tiff) != 0;
}

// FaxPages G4 pages, then a grey and a colour page.
bool writeScan(const QString& path) {
    TIFF* tiff = TIFFOpen(QFile::encodeName(path).constData(), "w");
    if (!tiff)
        return false;
    const int pages = FaxPages + 2;
    bool ok = true;
    for (int page = 0; ok && page < pages; ++page)
        ok = writePage(tiff,
                       page < FaxPages    ? Kind::Fax
                       : page == FaxPages ? Kind::Grey
                                          : Kind::Colour,
                       page, pages);
    TIFFClose(tiff);
    return ok;
}

void decodeWithLibtiff(const QString& path, int page) {
    TIFF* tiff = TIFFOpen(QFile::encodeName(path).constData(), "r");
    TIFFSetDirectory(tiff, tdir_t(page - 1));
    std::vector<unsigned char> strip(size_t(TIFFStripSize(tiff)));
    for (tstrip_t s = 0; s < TIFFNumberOfStrips(tiff); ++s)
        TIFFReadEncodedStrip(tiff, s, strip.data(), tmsize_t(strip.size()));
    TIFFClose(tiff);
}

double elapsedMs(const std::function<void()>& run) {
    QElapsedTimer timer;
    timer.start();
    run();
    return double(timer.nsecsElapsed()) / 1e6;
}

double median(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

double decodeMs(const QString& path, int page) {
    std::vector<double> times;
    for (int i = 0; i < Repeats; ++i)
        times.push_back(elapsedMs([&] { decodeWithLibtiff(path, page); }));
    return median(times);
}

void report(const char* what, double viewer, double decode) {
    std::printf("%-34s viewer %8.2f ms, libtiff decode %8.2f ms, ratio %.2f\n", what, viewer, decode,
                viewer / decode);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("scan.TIF"));
    if (!writeScan(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return 1;
    }
    std::printf(
        "A4 300 dpi TIFF: %d G4 pages, a grey and a colour JPEG page, %lld bytes; median of %d runs\n",
        FaxPages, QFile(path).size(), Repeats);

    // The document as the list window hands it over once fetched.
    QTreeWidget owner;
    QTreeWidgetItem* item = wo::ui::ListItem::make(QStringLiteral("1"), QStringLiteral("scan"),
                                                   QStringLiteral(".TIF"), QString(), QStringLiteral("1"));
    wo::ui::ListItem::setCachePath(item, path);
    owner.addTopLevelItem(item);
    wo::ui::frmDetail viewer(&owner);
    viewer.SelIndex = 1;
    viewer.Form_Load();
    viewer.show();
    const auto command = [&](const char* key) {
        return elapsedMs([&] {
            viewer.TlbMain_ButtonClick(QLatin1String(key));
            viewer.ImgShow->grab();
        });
    };

    // "Next" onto a page; the page before it is shown first, untimed, so nothing is cached.
    const auto flipOnto = [&](int page) {
        std::vector<double> times;
        for (int i = 0; i < Repeats; ++i) {
            viewer.ImgShow->setCurrentPage(page - 1);
            viewer.ImgShow->showImage();
            times.push_back(command("Next"));
        }
        return median(times);
    };
    const auto zoomSteps = [&] {
        std::vector<double> times;
        for (int i = 0; i < Repeats; ++i)
            times.push_back(command("ZoomIn"));
        viewer.TlbMain_ButtonClick(QStringLiteral("FitWidth"));
        return median(times);
    };

    report("G4 page flip (Next)", flipOnto(FaxPages), decodeMs(path, FaxPages));
    report("G4 zoom step (ZoomIn)", zoomSteps(), decodeMs(path, FaxPages));
    report("grey page flip (Next)", flipOnto(FaxPages + 1), decodeMs(path, FaxPages + 1));
    report("grey zoom step (ZoomIn)", zoomSteps(), decodeMs(path, FaxPages + 1));
    report("colour page flip (Next)", flipOnto(FaxPages + 2), decodeMs(path, FaxPages + 2));
    report("colour zoom step (ZoomIn)", zoomSteps(), decodeMs(path, FaxPages + 2));
    return 0;
}
