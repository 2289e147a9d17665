// Compares showing a page of a long fax-like TIFF, fitted to width, with bare
// libtiff decoding the same page, and a thumbnail of a large photo with Qt's reader
// decoding it whole. Not a test: prints timings, their ratios and peak memory.
// Arguments choose the parts: large, g4, thumbnails, jpeg (all when none is given).
#include "BenchTiming.h"
#include "imaging/ImageViewWidget.h"
#include "imaging/ThumbnailCache.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QLinearGradient>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <malloc.h>
#include <png.h>
#include <sys/resource.h>
#include <tiffio.h>
#include <vector>

namespace {

constexpr int Pages = 50;
constexpr int Width = 2480; // A4 at 300 dpi
constexpr int Height = 3508;
constexpr int Repeats = 5;
// The page shown against the bare decode: runs taken in turn, so that both see the
// same load and the same file cache.
constexpr int PairedRepeats = 15;

bool writeFaxTiff(const QString& path) {
    TIFF* tiff = TIFFOpen(QFile::encodeName(path).constData(), "w");
    if (!tiff)
        return false;
    std::vector<unsigned char> row(Width / 8);
    for (int page = 0; page < Pages; ++page) {
        TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, Width);
        TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, Height);
        TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 1);
        TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 1);
        TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
        TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
        TIFFSetField(tiff, TIFFTAG_XRESOLUTION, 300.0);
        TIFFSetField(tiff, TIFFTAG_YRESOLUTION, 300.0);
        TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, Height);
        TIFFSetField(tiff, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
        TIFFSetField(tiff, TIFFTAG_PAGENUMBER, page, Pages);
        for (int y = 0; y < Height; ++y) {
            // Text-like lines: short dark runs on every fourth band of rows.
            std::fill(row.begin(), row.end(), 0);
            if ((y / 40) % 4 == 1)
                for (size_t x = 10; x < row.size() - 10; x += 3)
                    row[x] = static_cast<unsigned char>((x * 37 + size_t(y) + size_t(page)) & 0xff);
            if (TIFFWriteScanline(tiff, row.data(), uint32_t(y), 0) < 0) {
                TIFFClose(tiff);
                return false;
            }
        }
        TIFFWriteDirectory(tiff);
    }
    TIFFClose(tiff);
    return true;
}

void showFitted(wo::imaging::ImageViewWidget& view, const QString& path, int page) {
    view.resize(800, 600);
    view.setImageFile(path);
    view.setCurrentPage(page);
    view.showImage();
    view.fitImage(wo::imaging::ImageView::FitToWidth);
    view.grab();
}

// Nothing here has a destructor: libpng jumps back on an error.
bool writeGreyRows(png_structp png, png_infop info, FILE* file, png_bytep row, int side) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_init_io(png, file);
    png_set_IHDR(png, info, png_uint_32(side), png_uint_32(side), 8, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < side; ++y) {
        std::memset(row, (y / 64) % 2 ? 0xf0 : (y * 3) & 0xff, size_t(side));
        png_write_row(png, row);
    }
    png_write_end(png, info);
    return true;
}

// A large grey scan as one PNG: rows of grey steps, 8 bits a pixel, written row by
// row so that writing it does not raise the peak memory measured after.
bool writeLargeGreyPng(const QString& path, int side) {
    FILE* file = std::fopen(QFile::encodeName(path).constData(), "wb");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    // libpng's own memory: its errors jump back past this function's frames.
    png_bytep row = info ? static_cast<png_bytep>(png_malloc(png, png_alloc_size_t(side))) : nullptr;
    const bool written = file && row && writeGreyRows(png, info, file, row, side);
    if (row)
        png_free(png, row);
    png_destroy_write_struct(&png, &info);
    return (file && std::fclose(file) == 0) && written;
}

long peakRssMiB() {
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

// A large grey page at fit size: the time to draw it once decoded, and the peak memory
// beside the decoded page. Measured first, before other pages raise the peak.
void largeGreyPage(const QString& dir) {
    constexpr int Side = 11000;
    const QString path = dir + QStringLiteral("/grey.png");
    if (!writeLargeGreyPng(path, Side)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return;
    }
    malloc_trim(0);
    const long before = peakRssMiB();
    wo::imaging::ImageViewWidget view;
    view.resize(800, 600);
    view.setImageFile(path);
    view.setCurrentPage(1);
    const double open = wo::test::elapsedMs([&] { view.showImage(); });
    const double fit = wo::test::elapsedMs([&] {
        view.fitImage(wo::imaging::ImageView::BestFit);
        view.grab();
    });
    const double page = double(Side) * Side / (1 << 20);
    std::printf("%d x %d grey PNG: open %.0f ms, fit and draw %.0f ms, peak %.0f MiB over %.0f MiB decoded "
                "(%.2f x)\n",
                Side, Side, open, fit, double(peakRssMiB() - before), page, (peakRssMiB() - before) / page);
}

double heapMiB() {
    const struct mallinfo2 info = mallinfo2();
    return double(info.uordblks + info.hblkhd) / (1 << 20);
}

// What a view holds once it has shown the page: the heap in use beside an empty view.
double keptMiB(const QString& path, int page) {
    wo::imaging::ImageViewWidget view;
    view.resize(800, 600);
    view.grab();
    const double before = heapMiB();
    showFitted(view, path, page);
    return heapMiB() - before;
}

// The peak resident memory since the last reset, from the kernel's own count.
double peakSinceResetMiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024;
    return 0;
}

void resetPeak() {
    malloc_trim(0);
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

// Time (median of Repeats, with the fastest and slowest) and peak memory above the
// memory before the first run.
void reportRun(const char* what, const std::function<void()>& run) {
    resetPeak();
    const double before = peakSinceResetMiB();
    std::vector<double> times;
    for (int i = 0; i < Repeats; ++i)
        times.push_back(wo::test::elapsedMs(run));
    std::printf("  %-44s %8.1f ms (%.1f-%.1f), peak +%.0f MiB\n", what, wo::test::median(times),
                *std::min_element(times.begin(), times.end()), *std::max_element(times.begin(), times.end()),
                peakSinceResetMiB() - before);
}

// A 24-megapixel photo: shaded colour blocks under a camera's grain, which code about
// as large as a camera's pictures.
bool writeLargeJpeg(const QString& path) {
    QImage photo(6000, 4000, QImage::Format_RGB32);
    QPainter painter(&photo);
    QLinearGradient sky(0, 0, 6000, 4000);
    sky.setColorAt(0, Qt::darkBlue);
    sky.setColorAt(1, Qt::yellow);
    painter.fillRect(photo.rect(), sky);
    QRandomGenerator random(25);
    for (int i = 0; i < 3000; ++i)
        painter.fillRect(random.bounded(6000), random.bounded(4000), random.bounded(300), random.bounded(200),
                         QColor::fromRgb(random.generate()));
    painter.end();
    quint32 grain = 25;
    for (int y = 0; y < photo.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(photo.scanLine(y));
        for (int x = 0; x < photo.width(); ++x) {
            grain = grain * 1664525u + 1013904223u;
            const int d = int(grain >> 28) - 8;
            const auto add = [d](int c) { return std::clamp(c + d, 0, 255); };
            line[x] = qRgb(add(qRed(line[x])), add(qGreen(line[x])), add(qBlue(line[x])));
        }
    }
    return photo.save(path, "jpeg", 90);
}

void largeJpegThumbnail(const QString& dir) {
    const QString path = dir + QStringLiteral("/photo.jpg");
    if (!writeLargeJpeg(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return;
    }
    std::printf("thumbnail of a 6000 x 4000 JPEG, %lld bytes; median (fastest-slowest) of %d runs:\n",
                QFile(path).size(), Repeats);
    int run = 0;
    QImage drawn;
    reportRun("drawn (nothing kept on disk yet)", [&] {
        // A fresh ID each run: nothing is read back from the disk.
        const wo::imaging::ThumbnailCache thumbnails(dir + QStringLiteral("/photo-thumbnails"));
        drawn = thumbnails.thumbnail(QString::number(++run), path, 0);
    });
    QImage shrunk;
    reportRun("Qt's reader, whole picture, then shrunk", [&] {
        QImageReader reader(path, "jpeg");
        shrunk = reader.read().scaled(wo::imaging::ThumbnailCache::Side, wo::imaging::ThumbnailCache::Side,
                                      Qt::KeepAspectRatio, Qt::SmoothTransformation);
    });
    if (drawn.size() != shrunk.size())
        std::fprintf(stderr, "thumbnail of %d x %d, shrunk picture of %d x %d\n", drawn.width(),
                     drawn.height(), shrunk.width(), shrunk.height());
}

// The first page shown against bare libtiff, runs taken in turn: median and spread of each.
void firstPageAgainstLibtiff(const QString& path, int page) {
    std::vector<double> view;
    std::vector<double> bare;
    // One of each first: the file and Qt's plugins are loaded before timing.
    {
        wo::imaging::ImageViewWidget warm;
        showFitted(warm, path, page);
        wo::test::decodeTiffPage(path, page);
    }
    for (int i = 0; i < PairedRepeats; ++i) {
        view.push_back(wo::test::elapsedMs([&] {
            wo::imaging::ImageViewWidget fresh;
            showFitted(fresh, path, page);
        }));
        bare.push_back(wo::test::elapsedMs([&] { wo::test::decodeTiffPage(path, page); }));
    }
    std::vector<double> ratios;
    for (size_t i = 0; i < view.size(); ++i)
        ratios.push_back(view[i] / bare[i]);
    const auto spread = [](const std::vector<double>& v) {
        return std::pair{*std::min_element(v.begin(), v.end()), *std::max_element(v.begin(), v.end())};
    };
    // The fastest runs are the ones the machine's load disturbed least.
    std::printf("page %2d: view %7.2f ms (%.2f-%.2f), libtiff %7.2f ms (%.2f-%.2f); ratio of medians %.2f, "
                "median ratio of pairs %.2f (%.2f-%.2f), ratio of fastest %.2f; view keeps %.2f MiB\n",
                page, wo::test::median(view), spread(view).first, spread(view).second, wo::test::median(bare),
                spread(bare).first, spread(bare).second, wo::test::median(view) / wo::test::median(bare),
                wo::test::median(ratios), spread(ratios).first, spread(ratios).second,
                spread(view).first / spread(bare).first, keptMiB(path, page));
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QStringList parts = app.arguments().mid(1);
    if (parts.isEmpty())
        parts = {QStringLiteral("large"), QStringLiteral("g4"), QStringLiteral("thumbnails"),
                 QStringLiteral("jpeg")};
    QTemporaryDir dir;
    if (parts.contains(QStringLiteral("large")))
        largeGreyPage(dir.path());
    if (parts.contains(QStringLiteral("jpeg")))
        largeJpegThumbnail(dir.path());
    const QString path = dir.filePath(QStringLiteral("fax.tif"));
    if (!writeFaxTiff(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return 1;
    }
    if (parts.contains(QStringLiteral("g4"))) {
        std::printf("%d-page A4 300 dpi G4 TIFF, %lld bytes; median (fastest-slowest) of %d runs in turn\n",
                    Pages, QFile(path).size(), PairedRepeats);
        for (int page : {1, Pages})
            firstPageAgainstLibtiff(path, page);
    }
    if (!parts.contains(QStringLiteral("thumbnails")))
        return 0;
    // Thumbnails of the first pages: drawn, then read back from the disk.
    const wo::imaging::ThumbnailCache thumbnails(dir.filePath(QStringLiteral("thumbnails")));
    std::vector<double> built;
    std::vector<double> cached;
    qint64 bytes = 0;
    for (int page = 0; page < Repeats; ++page) {
        built.push_back(wo::test::elapsedMs([&] { thumbnails.thumbnail(QStringLiteral("1"), path, page); }));
        cached.push_back(wo::test::elapsedMs([&] { thumbnails.thumbnail(QStringLiteral("1"), path, page); }));
        bytes = std::max(bytes,
                         QFileInfo(thumbnails.fileFor(QStringLiteral("1"), QFile(path).size(), page)).size());
    }
    std::printf("thumbnail of a G4 page: first build %.2f ms, from the disk %.2f ms, at most %lld bytes\n",
                wo::test::median(built), wo::test::median(cached), bytes);
    return 0;
}
