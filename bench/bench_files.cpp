// Shows files that lie about their content, or cost much to show, in the image view:
// one file per run, so that /usr/bin/time can take each run's time and peak memory
// (scripts/bench-files.sh runs them). Not a test.
//
//   bench_files write DIR          writes the files into DIR
//   bench_files show FILE [STEPS]  shows every page fitted to width in an 800 x 600
//                                  view, then zooms in STEPS times by 25 % on page 1
//   bench_files deep FILE          zooms to a 1 x 1 selection three times, then shows page 2
#include "ScanTiff.h"
#include "TestImages.h"
#include "imaging/ImageViewWidget.h"
#include "platform/Error.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <cstdio>
#include <malloc.h>
#include <unistd.h>

using namespace wo::test;

namespace {

bool save(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QByteArray jpegOf(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "jpeg", 85);
    return bytes;
}

bool writeAll(const QDir& dir) {
    const auto file = [&dir](const char* name) { return dir.filePath(QLatin1String(name)); };
    QList<QImage> fax;
    for (int page = 0; page < 3; ++page)
        fax << a4FaxPage(page);
    QList<QImage> long500;
    for (int page = 0; page < 500; ++page)
        long500 << fax[page % 3];
    QByteArray garbled = jpegOf(a4TonedPage(QImage::Format_RGB888));
    for (qsizetype i = garbled.size() / 2; i < garbled.size() / 2 + 64; ++i)
        garbled[i] = char(0x5a ^ garbled[i] ^ 0x3c);
    // 14,400 inches square.
    const QByteArray poster = pdfOfSize(QSizeF(14400 * 72, 14400 * 72));
    std::printf("poster.pdf: %lld bytes\n", qlonglong(poster.size()));
    return save(file("declared-65535.tif"), bilevelTiffDeclaring(65535, 65535)) &&
           save(file("declared-1x500M.tif"), bilevelTiffDeclaring(1, 500'000'000)) &&
           save(file("poster.pdf"), poster) && save(file("chain-170000.tif"), tiffChain(170'000)) &&
           save(file("garbled.jpg"), garbled) && save(file("bilevel-3.dcx"), bilevelPcx(fax)) &&
           writeScanTiff(file("g4-3.tif"), fax) && writeScanTiff(file("g4-500.tif"), long500) &&
           writeScanTiff(file("colour.tif"), {a4TonedPage(QImage::Format_RGB888)});
}

// Resident memory in MiB.
double residentMiB() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * double(sysconf(_SC_PAGESIZE)) / (1 << 20) : 0;
}

// The heap in use in MiB: what the process holds, without what malloc keeps for later.
double heapMiB() {
    const struct mallinfo2 info = mallinfo2();
    return double(info.uordblks + info.hblkhd) / (1 << 20);
}

int show(const QString& path, int zoomSteps, bool deep) {
    wo::imaging::ImageViewWidget view;
    view.resize(800, 600);
    view.grab();
    const double before = residentMiB();
    double highest = before;
    const double heapBefore = heapMiB();
    double heapHighest = heapBefore;
    QElapsedTimer timer;
    timer.start();
    int shown = 0;
    try {
        view.setImageFile(path);
        const int pages = view.pageCount();
        for (int page = 1; page <= std::max(1, deep ? 1 : pages); ++page) {
            view.setCurrentPage(page);
            view.showImage();
            view.fitImage(wo::imaging::ImageView::FitToWidth);
            view.grab();
            ++shown;
            highest = std::max(highest, residentMiB());
            heapHighest = std::max(heapHighest, heapMiB());
        }
        view.setCurrentPage(1);
        view.showImage();
        for (int step = 0; step < zoomSteps; ++step) {
            view.setZoomPercent(view.zoomPercent() + 25);
            view.grab();
        }
        if (deep) {
            for (int i = 0; i < 3; ++i) {
                view.setSelectionRect(400, 300, 1, 1);
                view.zoomToSelection();
                view.grab();
            }
            view.setCurrentPage(std::min(2, pages));
            view.showImage();
            view.grab();
        }
        std::printf("%s: %d pages shown", qPrintable(QDir(path).dirName()), shown);
    } catch (const wo::Error& e) {
        std::printf("%s: refused after %d pages, error %d", qPrintable(QDir(path).dirName()), shown,
                    e.number());
    }
    std::printf(", %.0f ms; resident before opening %.1f MiB, highest while paging +%.1f MiB, at the end "
                "+%.1f MiB; heap in use highest while paging +%.1f MiB, at the end +%.1f MiB\n",
                double(timer.nsecsElapsed()) / 1e6, before, highest - before, residentMiB() - before,
                heapHighest - heapBefore, heapMiB() - heapBefore);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 3 && args[1] == QLatin1String("write"))
        return writeAll(QDir(args[2])) ? 0 : 1;
    if (args.size() >= 3 && args[1] == QLatin1String("show"))
        return show(args[2], args.size() > 3 ? args[3].toInt() : 0, false);
    if (args.size() >= 3 && args[1] == QLatin1String("deep"))
        return show(args[2], 0, true);
    std::fprintf(stderr, "usage: bench_files write DIR | show FILE [STEPS] | deep FILE\n");
    return 2;
}
