#include "imaging/PageDocument.h"

#include "imaging/DecodedRows.h"
#include "platform/Error.h"

#include <Magick++.h>
#include <QFile>
#include <QImageReader>
#include <QtConcurrent/QtConcurrentRun>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <mutex>
#include <poppler-qt6.h>
#include <tiffio.h>
#include <vector>

namespace wo::imaging {

namespace {

constexpr double MetresPerInch = 0.0254;
// PDF pages have no pixels of their own; they are rendered at this resolution.
constexpr double PdfDpi = 150;

[[noreturn]] void fail(const QString& path, const QString& why) {
    throw err::make(err::InvalidFileFormat, path + QStringLiteral("：") + why);
}

void setDpi(QImage& image, double xDpi, double yDpi) {
    if (xDpi > 0 && yDpi > 0) {
        image.setDotsPerMeterX(qRound(xDpi / MetresPerInch));
        image.setDotsPerMeterY(qRound(yDpi / MetresPerInch));
    }
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail(path, file.errorString());
    return file.readAll();
}

bool isPcx(const QByteArray& head) {
    return head.size() >= 128 && head[0] == 0x0A && uchar(head[1]) <= 5 && head[2] == 1;
}

constexpr qint64 MaxPixels = 200'000'000;
constexpr int AllocationLimitMb = 512;

qint64 pcxPixels(const char* header) {
    const auto at = [header](int offset) { return qint64(qFromLittleEndian<quint16>(header + offset)); };
    return (at(8) - at(4) + 1) * (at(10) - at(6) + 1);
}

bool isDcx(const QByteArray& head) {
    return head.size() >= 8 && qFromLittleEndian<quint32>(head.constData()) == 0x3ADE68B1u;
}

} // namespace

class PageDocument::Source {
public:
    virtual ~Source() = default;
    virtual int pageCount() const = 0;
    virtual QImage page(int index, const RowReader& whileDecoding) = 0;
};

namespace {

// Qt's reader for one page of a file in a format it knows.
QImage readWithQt(const QString& path, const QByteArray& format, int index) {
    QImageReader reader(path, format);
    // Qt's default refuses colour A4 scans at 600 dpi.
    reader.setAllocationLimit(AllocationLimitMb);
    if (index > 0 && !reader.jumpToImage(index))
        fail(path, QStringLiteral("缺少第 %1 页").arg(index + 1));
    QImage image = reader.read();
    if (image.isNull())
        fail(path, reader.errorString());
    return image;
}

class QtSource final : public PageDocument::Source {
public:
    QtSource(QString path, QByteArray format) : m_path(std::move(path)), m_format(std::move(format)) {}
    int pageCount() const override { return 1; }
    QImage page(int index, const PageDocument::RowReader&) override {
        return readWithQt(m_path, m_format, index);
    }

private:
    QString m_path;
    QByteArray m_format;
};

bool isTiff(const QByteArray& head) {
    return head.startsWith(QByteArrayLiteral("II*\0")) || head.startsWith(QByteArrayLiteral("MM\0*"));
}

using TiffHandle = std::unique_ptr<TIFF, void (*)(TIFF*)>;

// Bilevel strip pages without a turn are read here: Qt's reader is slower at them.
bool isPlainBilevel(TIFF* tiff) {
    uint16_t bits = 1, samples = 1, photometric = 0, orientation = ORIENTATION_TOPLEFT;
    TIFFGetField(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetField(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetField(tiff, TIFFTAG_ORIENTATION, &orientation);
    return !TIFFIsTiled(tiff) && bits == 1 && samples == 1 && orientation == ORIENTATION_TOPLEFT &&
           TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric) &&
           (photometric == PHOTOMETRIC_MINISWHITE || photometric == PHOTOMETRIC_MINISBLACK);
}

// A reader's rows are handed on in steps of this many; each step may wake it.
constexpr int RowsPerStep = 128;

// Ink is always bit 1, as the view's fast downscaling expects. Rows are finished
// one by one, so `whileDecoding` sees them as they will stay.
QImage readBilevel(TIFF* tiff, const QString& path, int index, const PageDocument::RowReader& whileDecoding) {
    uint32_t width = 0, height = 0;
    uint16_t photometric = 0, unit = RESUNIT_INCH;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
    TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric);
    if (width == 0 || height == 0 || (quint64(width) + 7) / 8 * height > quint64(AllocationLimitMb) << 20)
        fail(path, QStringLiteral("第 %1 页的尺寸无效").arg(index + 1));
    QImage image(int(width), int(height), QImage::Format_Mono);
    if (image.isNull())
        fail(path, QStringLiteral("页面过大"));
    image.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    float xRes = 0, yRes = 0;
    TIFFGetField(tiff, TIFFTAG_RESOLUTIONUNIT, &unit);
    if (TIFFGetField(tiff, TIFFTAG_XRESOLUTION, &xRes) && TIFFGetField(tiff, TIFFTAG_YRESOLUTION, &yRes)) {
        if (unit == RESUNIT_INCH)
            setDpi(image, xRes, yRes);
        else if (unit == RESUNIT_CENTIMETER)
            setDpi(image, xRes * 2.54, yRes * 2.54);
    }
    // Taken before the reader sees the image: from here on the image object is only read.
    uchar* const bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    const qsizetype used = (qsizetype(width) + 7) / 8;
    const PageDocument::RowWork work = whileDecoding ? whileDecoding(image) : PageDocument::RowWork();
    DecodedRows rows;
    QFuture<void> beside;
    if (work)
        beside = QtConcurrent::run([&] { work(rows); });
    // On every way out the work beside is told no more rows come and waited for.
    const struct Join {
        DecodedRows& rows;
        QFuture<void>& beside;
        ~Join() {
            rows.stop();
            beside.waitForFinished();
        }
    } join{rows, beside};
    for (uint32_t y = 0; y < height; ++y) {
        uchar* const line = bits + qsizetype(y) * stride;
        if (TIFFReadScanline(tiff, line, y, 0) < 0)
            fail(path, QStringLiteral("第 %1 页无法读取").arg(index + 1));
        if (photometric == PHOTOMETRIC_MINISBLACK)
            std::transform(line, line + used, line, [](uchar byte) { return uchar(~byte); });
        if ((y + 1) % RowsPerStep == 0)
            rows.advance(int(y + 1));
    }
    rows.advance(int(height));
    // What the other thread has not taken yet is done here rather than waited for.
    if (work)
        work(rows);
    return image;
}

// The offsets of a classic TIFF's page directories. Only the chain is read, which
// is far cheaper than libtiff reading every directory; a chain that breaks off
// means a damaged file even when the pages before the break would read.
std::vector<quint64> tiffDirectories(const QString& path) {
    // Unbuffered: each read takes a few bytes, far apart.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        fail(path, file.errorString());
    uchar bytes[4] = {};
    const bool little = file.read(reinterpret_cast<char*>(bytes), 1) == 1 && bytes[0] == 'I';
    const auto number = [&](quint64 at, int size) -> quint64 {
        if (!file.seek(qint64(at)) || file.read(reinterpret_cast<char*>(bytes), size) != size)
            fail(path, QStringLiteral("TIFF 目录超出文件范围"));
        if (size == 2)
            return little ? qFromLittleEndian<quint16>(bytes) : qFromBigEndian<quint16>(bytes);
        return little ? qFromLittleEndian<quint32>(bytes) : qFromBigEndian<quint32>(bytes);
    };
    std::vector<quint64> directories;
    for (quint64 at = number(4, 4); at != 0; at = number(at + 2 + 12 * number(at, 2), 4)) {
        if (std::find(directories.begin(), directories.end(), at) != directories.end())
            fail(path, QStringLiteral("TIFF 目录循环"));
        directories.push_back(at);
    }
    if (directories.empty())
        fail(path, QStringLiteral("TIFF 文件没有页"));
    return directories;
}

class TiffSource final : public PageDocument::Source {
public:
    explicit TiffSource(QString path) : m_path(std::move(path)), m_directories(tiffDirectories(m_path)) {}
    int pageCount() const override { return int(m_directories.size()); }
    QImage page(int index, const PageDocument::RowReader& whileDecoding) override {
        // Header only: the wanted directory is read straight from its offset. Not
        // mapped: reading the one strip is cheaper than faulting in its pages.
        const TiffHandle tiff(TIFFOpen(QFile::encodeName(m_path).constData(), "rhm"), TIFFClose);
        if (!tiff || !TIFFSetSubDirectory(tiff.get(), m_directories.at(size_t(index))))
            fail(m_path, QStringLiteral("TIFF 第 %1 个目录无法读取").arg(index + 1));
        if (isPlainBilevel(tiff.get()))
            return readBilevel(tiff.get(), m_path, index, whileDecoding);
        return readWithQt(m_path, "tiff", index);
    }

private:
    QString m_path;
    std::vector<quint64> m_directories;
};

void initMagick() {
    static std::once_flag once;
    std::call_once(once, [] {
        Magick::InitializeMagick(nullptr);
        Magick::ResourceLimits::thread(1);
        Magick::ResourceLimits::width(65536);
        Magick::ResourceLimits::height(65536);
    });
}

// PCX, and DCX as a table of offsets to PCX pages: a page is decoded alone.
class PcxSource final : public PageDocument::Source {
public:
    PcxSource(QString path, QByteArray data) : m_path(std::move(path)), m_data(std::move(data)) {
        if (!isDcx(m_data)) {
            m_pages.push_back({0, m_data.size()});
            return;
        }
        constexpr int MaxPages = 1023;
        for (int i = 0; i < MaxPages; ++i) {
            const qsizetype at = 4 + 4 * i;
            if (at + 4 > m_data.size())
                fail(m_path, QStringLiteral("页表不完整"));
            const quint32 offset = qFromLittleEndian<quint32>(m_data.constData() + at);
            if (offset == 0)
                break;
            if (offset < 8 || offset >= quint64(m_data.size()))
                fail(m_path, QStringLiteral("第 %1 页超出文件范围").arg(i + 1));
            m_pages.push_back({qsizetype(offset), 0});
        }
        if (m_pages.empty())
            fail(m_path, QStringLiteral("没有页"));
        for (size_t i = 0; i < m_pages.size(); ++i) {
            const qsizetype end = i + 1 < m_pages.size() && m_pages[i + 1].first > m_pages[i].first
                                      ? m_pages[i + 1].first
                                      : m_data.size();
            m_pages[i].second = end - m_pages[i].first;
        }
    }
    int pageCount() const override { return int(m_pages.size()); }
    QImage page(int index, const PageDocument::RowReader&) override {
        initMagick();
        const auto [offset, length] = m_pages.at(size_t(index));
        // A damaged header can claim a huge page; refuse it before the decoder allocates.
        if (length < 128 || pcxPixels(m_data.constData() + offset) > MaxPixels)
            fail(m_path, QStringLiteral("第 %1 页的头部无效").arg(index + 1));
        try {
            Magick::Image image;
            image.quiet(true);
            image.magick("PCX");
            image.read(Magick::Blob(m_data.constData() + offset, size_t(length)));
            const int w = int(image.columns());
            const int h = int(image.rows());
            QImage out(w, h, QImage::Format_RGBA8888);
            if (out.isNull())
                fail(m_path, QStringLiteral("页面过大"));
            image.write(0, 0, size_t(w), size_t(h), "RGBA", Magick::CharPixel, out.bits());
            const Magick::Geometry density = image.density();
            const double toInch =
                image.resolutionUnits() == MagickCore::PixelsPerCentimeterResolution ? 2.54 : 1;
            setDpi(out, density.width() * toInch, density.height() * toInch);
            if (image.type() == MagickCore::BilevelType)
                return out.convertToFormat(QImage::Format_Mono);
            if (image.type() == MagickCore::GrayscaleType)
                return out.convertToFormat(QImage::Format_Grayscale8);
            return out;
        } catch (const Magick::Exception& e) {
            fail(m_path, QString::fromLocal8Bit(e.what()));
        }
    }

private:
    QString m_path;
    QByteArray m_data;
    std::vector<std::pair<qsizetype, qsizetype>> m_pages;
};

class PdfSource final : public PageDocument::Source {
public:
    explicit PdfSource(const QString& path) : m_path(path), m_doc(Poppler::Document::load(path)) {
        if (!m_doc || m_doc->isLocked() || m_doc->numPages() <= 0)
            fail(m_path, QStringLiteral("无法读取的 PDF"));
    }
    int pageCount() const override { return m_doc->numPages(); }
    QImage page(int index, const PageDocument::RowReader&) override {
        const std::unique_ptr<Poppler::Page> page = m_doc->page(index);
        if (!page)
            fail(m_path, QStringLiteral("第 %1 页无法读取").arg(index + 1));
        // Posters get a lower resolution so no page exceeds MaxPixels.
        const QSizeF inches = page->pageSizeF() / 72.0;
        const double dpi =
            std::min(PdfDpi, std::sqrt(MaxPixels / std::max(1.0, inches.width() * inches.height())));
        QImage image = page->renderToImage(dpi, dpi);
        if (image.isNull())
            fail(m_path, QStringLiteral("第 %1 页无法读取").arg(index + 1));
        setDpi(image, dpi, dpi);
        return image;
    }

private:
    QString m_path;
    std::unique_ptr<Poppler::Document> m_doc;
};

std::unique_ptr<PageDocument::Source> openSource(const QString& path) {
    QFile file(path);
    // A file that is gone is not a bad format: callers tell the user it was removed.
    if (!file.exists())
        throw err::make(err::FileNotFound, path);
    if (!file.open(QIODevice::ReadOnly))
        fail(path, file.errorString());
    const QByteArray head = file.peek(128);
    if (head.startsWith("%PDF-"))
        return std::make_unique<PdfSource>(path);
    if (isPcx(head) || isDcx(head))
        return std::make_unique<PcxSource>(path, readAll(path));
    if (isTiff(head))
        return std::make_unique<TiffSource>(path);
    const QByteArray format = QImageReader::imageFormat(&file);
    file.close();
    if (format == "jpeg" && !readAll(path).contains("\xFF\xD9"))
        fail(path, QStringLiteral("JPEG 数据不完整"));
    if (format == "bmp" || format == "gif" || format == "jpeg" || format == "png")
        return std::make_unique<QtSource>(path, format);
    fail(path, QStringLiteral("不是图像文件"));
}

} // namespace

PageDocument::PageDocument(const QString& path) : m_path(path), m_source(openSource(path)) {}

PageDocument::~PageDocument() = default;

int PageDocument::pageCount() const {
    return m_source->pageCount();
}

QImage PageDocument::page(int index, const RowReader& whileDecoding) {
    if (index < 0 || index >= pageCount())
        throw Error(err::InvalidArgument, QStringLiteral("%1 没有第 %2 页").arg(m_path).arg(index + 1));
    if (index != m_cachedIndex) {
        m_cached = m_source->page(index, whileDecoding);
        m_cachedIndex = index;
    }
    return m_cached;
}

} // namespace wo::imaging
