// Times the viewer's page flip ("Next") and zoom step ("ZoomIn"), each through the
// toolbar command and a repaint of the page area, against libtiff decoding the same
// page alone. Not a test: prints timings and their ratios.
#include "BenchTiming.h"
#include "ScanTiff.h"
#include "imaging/ImageViewWidget.h"
#include "ui/common/DocumentModel.h"
#include "ui/viewer/frmDetail.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <tiffio.h>
#include <vector>

namespace {

constexpr int FaxPages = 8;
constexpr int Repeats = 5;

// FaxPages G4 pages, then a grey and a colour page.
bool writeScan(const QString& path) {
    QList<QImage> pages;
    for (int page = 0; page < FaxPages; ++page)
        pages << wo::test::a4FaxPage(page);
    pages << wo::test::a4TonedPage(QImage::Format_Grayscale8) << wo::test::a4TonedPage(QImage::Format_RGB888);
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
    wo::ui::DocumentModel documents;
    documents.append(QStringLiteral("1"),
                     {QStringLiteral("1"), QStringLiteral("scan"), QStringLiteral(".TIF"), QString()}, path);
    wo::ui::frmDetail viewer(documents);
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
    // The same once the page was prefetched while the one before was read.
    const auto flipOntoPrefetched = [&](int page) {
        std::vector<double> times;
        for (int i = 0; i < Repeats; ++i) {
            viewer.ImgShow->setCurrentPage(page - 1);
            viewer.ImgShow->showImage();
            viewer.ImgShow->prefetchPage(page);
            QThread::msleep(1500);
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
    report("G4 prefetched flip (Next)", flipOntoPrefetched(FaxPages), decodeMs(path, FaxPages));
    report("G4 zoom step (ZoomIn)", zoomSteps(), decodeMs(path, FaxPages));
    report("grey page flip (Next)", flipOnto(FaxPages + 1), decodeMs(path, FaxPages + 1));
    report("grey prefetched flip (Next)", flipOntoPrefetched(FaxPages + 1), decodeMs(path, FaxPages + 1));
    report("grey zoom step (ZoomIn)", zoomSteps(), decodeMs(path, FaxPages + 1));
    report("colour page flip (Next)", flipOnto(FaxPages + 2), decodeMs(path, FaxPages + 2));
    report("colour prefetched flip (Next)", flipOntoPrefetched(FaxPages + 2), decodeMs(path, FaxPages + 2));
    report("colour zoom step (ZoomIn)", zoomSteps(), decodeMs(path, FaxPages + 2));
    return 0;
}
