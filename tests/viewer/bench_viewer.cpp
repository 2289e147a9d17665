// Times the viewer's page flip ("Next") and zoom step ("ZoomIn"), each through the
// toolbar command and a repaint of the page area, against libtiff decoding the same
// page alone. Not a test: prints timings and their ratios.
#include "BenchTiming.h"
#include "ScanTiff.h"
#include "imaging/ImageViewWidget.h"
#include "ui/common/ListItem.h"
#include "ui/viewer/frmDetail.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <tiffio.h>
#include <vector>

namespace {

constexpr int Width = 2480; // A4 at 300 dpi
constexpr int Height = 3508;
constexpr int FaxPages = 8;
constexpr int Repeats = 5;

QImage at300Dpi(QImage image) {
    image.setDotsPerMeterX(qRound(300 / 0.0254));
    image.setDotsPerMeterY(qRound(300 / 0.0254));
    return image;
}

bool textBand(int y) {
    return (y / 40) % 4 == 1;
}

// Text-like bands of short dark runs on white.
QImage faxPage(int page) {
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

// The same bands in ink on softly shaded paper; format Grayscale8 or RGB888.
QImage tonedPage(QImage::Format format) {
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

// FaxPages G4 pages, then a grey and a colour page.
bool writeScan(const QString& path) {
    QList<QImage> pages;
    for (int page = 0; page < FaxPages; ++page)
        pages << faxPage(page);
    pages << tonedPage(QImage::Format_Grayscale8) << tonedPage(QImage::Format_RGB888);
    return wo::test::writeScanTiff(path, pages);
}

double decodeMs(const QString& path, int page) {
    return wo::test::medianMs(Repeats, [&] { wo::test::decodeTiffPage(path, page); });
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
        return wo::test::elapsedMs([&] {
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
        return wo::test::median(times);
    };
    const auto zoomSteps = [&] {
        std::vector<double> times;
        for (int i = 0; i < Repeats; ++i)
            times.push_back(command("ZoomIn"));
        viewer.TlbMain_ButtonClick(QStringLiteral("FitWidth"));
        return wo::test::median(times);
    };

    report("G4 page flip (Next)", flipOnto(FaxPages), decodeMs(path, FaxPages));
    report("G4 zoom step (ZoomIn)", zoomSteps(), decodeMs(path, FaxPages));
    report("grey page flip (Next)", flipOnto(FaxPages + 1), decodeMs(path, FaxPages + 1));
    report("grey zoom step (ZoomIn)", zoomSteps(), decodeMs(path, FaxPages + 1));
    report("colour page flip (Next)", flipOnto(FaxPages + 2), decodeMs(path, FaxPages + 2));
    report("colour zoom step (ZoomIn)", zoomSteps(), decodeMs(path, FaxPages + 2));
    return 0;
}
