#include "imaging/PageDocument.h"

#include "imaging/DecodedRows.h"
#include "imaging/MagickSetup.h"
#include "platform/Error.h"

#include <Magick++.h>
#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QtEndian>
#include <algorithm>
#include <cctype>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <future>
#include <jerror.h>
#include <jpeglib.h>
#include <limits>
#include <mutex>
#include <optional>
#include <png.h>
#include <poppler-qt6.h>
#include <tiffio.h>
#include <unistd.h>
#include <unordered_set>
#include <vector>

namespace wo::imaging {

namespace {

constexpr double MetresPerInch = 0.0254;
// PDF pages have no pixels of their own; they are rendered at this resolution.
constexpr double PdfDpi = PageDocument::DrawnDpi;

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

// What one decoded page may take, whatever its format: a colour A4 scan at 600 dpi
// takes 140 MB.
constexpr int AllocationLimitMb = 512;
// The most pixels of a page decoded or rendered as 32-bit pixels.
constexpr qint64 MaxPixels = (qint64(AllocationLimitMb) << 20) / 4;

bool isDcx(const QByteArray& head) {
    return head.size() >= 8 && qFromLittleEndian<quint32>(head.constData()) == 0x3ADE68B1u;
}

// libjpeg's errors, and its warnings too, jump back to the caller's setjmp with the
// message: libjpeg warns where data ends early or does not decode.
struct JpegErrors {
    jpeg_error_mgr manager;
    std::jmp_buf back;
    char message[JMSG_LENGTH_MAX];
};

void watchJpeg(jpeg_decompress_struct& info, JpegErrors& errors) {
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = [](j_common_ptr common) {
        auto* e = reinterpret_cast<JpegErrors*>(common->err);
        e->manager.format_message(common, e->message);
        std::longjmp(e->back, 1);
    };
    errors.manager.emit_message = [](j_common_ptr common, int level) {
        if (level < 0) {
            auto* e = reinterpret_cast<JpegErrors*>(common->err);
            e->manager.format_message(common, e->message);
            std::longjmp(e->back, 1);
        }
    };
}

// A decompressor that reports through its JpegErrors, destroyed on every way out.
struct JpegDecoder {
    JpegErrors errors{};
    jpeg_decompress_struct info{};
    JpegDecoder() { watchJpeg(info, errors); }
    ~JpegDecoder() { jpeg_destroy_decompress(&info); }
    JpegDecoder(const JpegDecoder&) = delete;
    JpegDecoder& operator=(const JpegDecoder&) = delete;
};

[[noreturn]] void failJpeg(const QString& path, const JpegErrors& errors) {
    fail(path, QStringLiteral("JPEG 数据损坏：") + QString::fromLocal8Bit(errors.message));
}

// libjpeg's fast Huffman decoder, used while its buffer holds enough data, reads a
// bad code as zero without a word; the careful one warns. Qt's reader, fed in
// pieces, often takes the careful one and shows the garbage that follows: so data
// is handed over in pieces too small for the fast decoder, and every bad code
// is seen. At the end a false end marker follows, after libjpeg's own warning.
struct JpegPieces {
    jpeg_source_mgr manager;
    const JOCTET* next;
    const JOCTET* end;
};

constexpr size_t JpegPieceBytes = 256;

boolean nextJpegPiece(j_decompress_ptr info) {
    static const JOCTET endMarker[] = {0xFF, JPEG_EOI};
    auto* pieces = reinterpret_cast<JpegPieces*>(info->src);
    if (pieces->next == pieces->end) {
        WARNMS(info, JWRN_JPEG_EOF);
        pieces->manager.next_input_byte = endMarker;
        pieces->manager.bytes_in_buffer = sizeof endMarker;
        return TRUE;
    }
    const size_t size = std::min(JpegPieceBytes, size_t(pieces->end - pieces->next));
    pieces->manager.next_input_byte = pieces->next;
    pieces->manager.bytes_in_buffer = size;
    pieces->next += size;
    return TRUE;
}

void skipJpegBytes(j_decompress_ptr info, long count) {
    auto* pieces = reinterpret_cast<JpegPieces*>(info->src);
    while (count > 0) {
        if (pieces->manager.bytes_in_buffer == 0)
            nextJpegPiece(info);
        const size_t step = std::min(size_t(count), pieces->manager.bytes_in_buffer);
        pieces->manager.next_input_byte += step;
        pieces->manager.bytes_in_buffer -= step;
        count -= long(step);
    }
}

// Like jpeg_mem_src, in pieces. The manager comes from libjpeg's pool and is used
// again by later calls on the same decompressor.
void jpegPiecesSource(j_decompress_ptr info, const void* data, size_t size) {
    if (!info->src)
        info->src = static_cast<jpeg_source_mgr*>((*info->mem->alloc_small)(
            reinterpret_cast<j_common_ptr>(info), JPOOL_PERMANENT, sizeof(JpegPieces)));
    auto* pieces = reinterpret_cast<JpegPieces*>(info->src);
    pieces->manager.init_source = [](j_decompress_ptr) {};
    pieces->manager.fill_input_buffer = nextJpegPiece;
    pieces->manager.skip_input_data = skipJpegBytes;
    pieces->manager.resync_to_restart = jpeg_resync_to_restart;
    pieces->manager.term_source = [](j_decompress_ptr) {};
    pieces->manager.next_input_byte = nullptr;
    pieces->manager.bytes_in_buffer = 0;
    pieces->next = static_cast<const JOCTET*>(data);
    pieces->end = pieces->next + size;
}

// A JPEG is shown only when libjpeg reads all of its data without a complaint: Qt's
// reader shows corrupt or cut-off data as if it were whole (grey or coloured blocks,
// or the thumbnail's end marker taken for the picture's). Decoded at an eighth of
// the size, which still reads every coded bit.
void checkJpeg(const QString& path, const QByteArray& data) {
    JpegErrors errors{};
    jpeg_decompress_struct info{};
    watchJpeg(info, errors);
    if (setjmp(errors.back)) {
        jpeg_destroy_decompress(&info);
        failJpeg(path, errors);
    }
    jpeg_create_decompress(&info);
    jpegPiecesSource(&info, data.constData(), size_t(data.size()));
    jpeg_read_header(&info, TRUE);
    info.scale_num = 1;
    info.scale_denom = 8;
    info.dct_method = JDCT_IFAST;
    info.do_fancy_upsampling = FALSE;
    jpeg_start_decompress(&info);
    // From libjpeg's own pool: a jump out of the decoder frees it with the rest.
    JSAMPARRAY rows = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                                info.output_width * JDIMENSION(info.output_components), 1);
    while (info.output_scanline < info.output_height)
        jpeg_read_scanlines(&info, rows, 1);
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
}

// libpng's errors, and its warnings about the image data and the chunks that carry
// it, jump back with the message; warnings about ancillary chunks (named from a
// small letter: text, colour profiles) are no damage to the picture.
struct PngComplaints {
    std::jmp_buf back;
    char message[256];
};

void notePng(png_structp png, png_const_charp message) {
    auto* complaints = static_cast<PngComplaints*>(png_get_error_ptr(png));
    std::snprintf(complaints->message, sizeof complaints->message, "%s", message);
    std::longjmp(complaints->back, 1);
}

void notePngWarning(png_structp png, png_const_charp message) {
    const bool ancillaryChunk =
        std::strlen(message) > 5 && message[4] == ':' && std::islower(uchar(message[0]));
    if (!ancillaryChunk)
        notePng(png, message);
}

// Reads every row and the chunks after them, one row held at a time. False with the
// message in `complaints` on damage. Nothing here has a destructor: libpng jumps back.
bool readPngThrough(png_structp png, png_infop info, PngComplaints* complaints, png_bytep* row) {
    if (setjmp(complaints->back))
        return false;
    png_read_info(png, info);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    *row = static_cast<png_bytep>(png_malloc(png, png_get_rowbytes(png, info)));
    const png_uint_32 height = png_get_image_height(png, info);
    for (int pass = 0; pass < passes; ++pass)
        for (png_uint_32 y = 0; y < height; ++y)
            png_read_row(png, *row, nullptr);
    png_read_end(png, nullptr);
    return true;
}

// A PNG is shown only when libpng reads its data to the end without a complaint: Qt's
// reader shows a page whose data holds more rows than its header declares cut short.
void checkPng(const QString& path, const QByteArray& data) {
    PngComplaints complaints{};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &complaints, notePng, notePngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        fail(path, QStringLiteral("内存不足"));
    }
    struct Reading {
        const QByteArray& data;
        qsizetype at = 0;
    } reading{data};
    png_set_read_fn(png, &reading, [](png_structp p, png_bytep out, png_size_t size) {
        auto* r = static_cast<Reading*>(png_get_io_ptr(p));
        if (size > size_t(r->data.size() - r->at))
            png_error(p, "data cut short");
        std::memcpy(out, r->data.constData() + r->at, size);
        r->at += qsizetype(size);
    });
    png_bytep row = nullptr;
    const bool whole = readPngThrough(png, info, &complaints, &row);
    png_free(png, row);
    png_destroy_read_struct(&png, &info, nullptr);
    if (!whole)
        fail(path, QStringLiteral("PNG 数据损坏：") + QString::fromUtf8(complaints.message));
}

// An uncompressed BMP must hold every row its header declares; Qt's reader fills
// missing rows with black.
void checkBmp(const QString& path, const QByteArray& data) {
    if (data.size() < 34)
        fail(path, QStringLiteral("BMP 文件头不完整"));
    // Byte by byte: the header may lie anywhere in memory.
    const auto u32 = [&](int at) {
        quint32 v = 0;
        for (int k = 3; k >= 0; --k)
            v = v << 8 | uchar(data.at(at + k));
        return v;
    };
    const auto s32 = [&](int at) { return qint64(qint32(u32(at))); };
    const qint64 compression = u32(30);
    if (u32(14) < 40 || (compression != 0 && compression != 3))
        return;
    const qint64 bits = uchar(data.at(28)) | uchar(data.at(29)) << 8;
    const qint64 rowBytes = (s32(18) * bits + 31) / 32 * 4;
    if (double(u32(10)) + double(rowBytes) * double(std::abs(s32(22))) > double(data.size()))
        fail(path, QStringLiteral("BMP 数据不完整"));
}

// A GIF is shown only when its blocks lead to its trailer: one cut short shows
// missing rows, or an interlaced one only its first coarse passes, and a trailer
// byte inside the cut data is no end.
void checkGif(const QString& path, const QByteArray& data) {
    const auto at = [&data](qsizetype i) { return i >= 0 && i < data.size() ? int(uchar(data[i])) : -1; };
    // Past the data sub-blocks from `i` and their terminator; -1 when they break off.
    const auto afterSubBlocks = [&at](qsizetype i) {
        while (at(i) > 0)
            i += 1 + at(i);
        return at(i) == 0 ? i + 1 : qsizetype(-1);
    };
    const auto afterColourTable = [](qsizetype i, int flags) {
        return flags & 0x80 ? i + (qsizetype(3) << ((flags & 7) + 1)) : i;
    };
    for (qsizetype i = afterColourTable(13, std::max(0, at(10)));;) {
        switch (at(i)) {
        case 0x3B:
            return;
        case 0x21:
            i = afterSubBlocks(i + 2);
            break;
        case 0x2C:
            // The descriptor, a local colour table, the code size, then the data.
            i = at(i + 9) < 0 ? -1 : afterSubBlocks(afterColourTable(i + 10, at(i + 9)) + 1);
            break;
        default:
            i = -1;
        }
        if (i < 0)
            fail(path, QStringLiteral("GIF 数据不完整"));
    }
}

} // namespace

class PageDocument::Source {
public:
    virtual ~Source() = default;
    virtual int pageCount() = 0;
    // Whether page `index` (from 0) is there, found without counting every page where that costs.
    virtual bool hasPage(int index) { return index < pageCount(); }
    // The page whole, or at a smaller size that `scaleFor` allows where the format
    // can decode one; without `scaleFor` always whole.
    virtual ViewPage page(int index, const RowReader& whileDecoding, const ScaleFor& scaleFor) = 0;
    // For pages drawn part by part: their size.
    virtual std::optional<QSize> drawnSize(int) { return std::nullopt; }
    virtual QImage drawPart(int, double, QRect) { return {}; }
};

namespace {

// Qt's reader for one page of a file in a format it knows.
QImage readWithQt(const QString& path, const QByteArray& format, int index) {
    QImageReader reader(path, format);
    // Qt's default refuses colour A4 scans at 600 dpi.
    reader.setAllocationLimit(AllocationLimitMb);
    // Pages are shown the way they are meant to be seen: a camera's or scanner's
    // orientation tag turns them first, and the view's own turns start from there.
    reader.setAutoTransform(true);
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
    int pageCount() override { return 1; }
    PageDocument::ViewPage page(int index, const PageDocument::RowReader&,
                                const PageDocument::ScaleFor&) override {
        QImage image = readWithQt(m_path, m_format, index);
        return {image, image.size()};
    }

private:
    QString m_path;
    QByteArray m_format;
};

bool isTiff(const QByteArray& head) {
    return head.startsWith(QByteArrayLiteral("II*\0")) || head.startsWith(QByteArrayLiteral("MM\0*"));
}

using TiffHandle = std::unique_ptr<TIFF, void (*)(TIFF*)>;

// libtiff's complaints about one open file, kept for the error text instead of
// going to the host's standard error. Any of them means the page is damaged:
// libtiff goes on after data that ends early, filling rows it never read.
struct TiffComplaints {
    QString first;

    static int note(TIFF*, void* self, const char* module, const char* format, va_list args) {
        auto& complaints = *static_cast<TiffComplaints*>(self);
        if (complaints.first.isEmpty()) {
            char text[512];
            std::vsnprintf(text, sizeof text, format, args);
            complaints.first = QString::fromLocal8Bit(module ? module : "") + QStringLiteral("：") +
                               QString::fromLocal8Bit(text);
        }
        return 1;
    }
};

TiffHandle openTiff(const QString& path, TiffComplaints& complaints) {
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, &TiffComplaints::note, &complaints);
    TIFFOpenOptionsSetWarningHandlerExtR(options, &TiffComplaints::note, &complaints);
    // Header only: the wanted directory is read straight from its offset. Not
    // mapped: reading the one strip is cheaper than faulting in its pages.
    TiffHandle tiff(TIFFOpenExt(QFile::encodeName(path).constData(), "rhm", options), TIFFClose);
    TIFFOpenOptionsFree(options);
    return tiff;
}

// Whether the page's coded data can hold the rows it declares. Fax coding takes at
// least a bit a row, as does anything uncompressed or run-length coded; general
// compressors shrink a blank page at most about 1,400 times.
bool dataHoldsPage(TIFF* tiff, quint64 rowBytes, quint64 height) {
    uint16_t compression = COMPRESSION_NONE;
    TIFFGetField(tiff, TIFFTAG_COMPRESSION, &compression);
    quint64 coded = 0;
    const uint64_t* counts = nullptr;
    if (TIFFGetField(tiff, TIFFTAG_STRIPBYTECOUNTS, &counts) && counts)
        for (uint32_t s = 0, n = TIFFNumberOfStrips(tiff); s < n; ++s)
            coded += counts[s];
    switch (compression) {
    case COMPRESSION_NONE:
        return coded >= rowBytes * height;
    case COMPRESSION_CCITTRLE:
    case COMPRESSION_CCITTRLEW:
    case COMPRESSION_CCITTFAX3:
    case COMPRESSION_CCITTFAX4:
    case COMPRESSION_PACKBITS:
        return coded * 8 + 64 >= height;
    default:
        return coded * 1400 + 4096 >= rowBytes * height;
    }
}

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
QImage readBilevel(TIFF* tiff, const TiffComplaints& complaints, const QString& path, int index,
                   const PageDocument::RowReader& whileDecoding) {
    uint32_t width = 0, height = 0;
    uint16_t photometric = 0, unit = RESUNIT_INCH;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
    TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric);
    // The page's rows as the image holds them: whole 32-bit words.
    const quint64 storedRow = (quint64(width) + 31) / 32 * 4;
    if (width == 0 || height == 0 || storedRow * height > quint64(AllocationLimitMb) << 20)
        fail(path, QStringLiteral("第 %1 页的尺寸无效").arg(index + 1));
    if (!dataHoldsPage(tiff, (quint64(width) + 7) / 8, height))
        fail(path, QStringLiteral("第 %1 页的数据容不下它声明的尺寸").arg(index + 1));
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
    // A thread of its own rather than a pool's: its start and end order the work
    // beside with this thread, in a way the thread checker sees too.
    std::future<void> beside;
    if (work)
        beside = std::async(std::launch::async, [&] { work(rows); });
    // On every way out the work beside is told no more rows come and waited for.
    const struct Join {
        DecodedRows& rows;
        std::future<void>& beside;
        ~Join() {
            rows.stop();
            if (beside.valid())
                beside.wait();
        }
    } join{rows, beside};
    for (uint32_t y = 0; y < height; ++y) {
        uchar* const line = bits + qsizetype(y) * stride;
        if (TIFFReadScanline(tiff, line, y, 0) < 0 || !complaints.first.isEmpty())
            fail(path, QStringLiteral("第 %1 页无法读取：").arg(index + 1) + complaints.first);
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

// How libjpeg reads the strips of an 8-bit grey or colour JPEG page.
struct JpegLayout {
    J_COLOR_SPACE coded;
    J_COLOR_SPACE shown;
    int components;
    QImage::Format format;
};

// Strip pages of JPEG data without a turn are read here, each strip by libjpeg,
// which decodes at 1/8, 1/4 or 1/2 of the size at a fraction of the cost.
std::optional<JpegLayout> jpegStrips(TIFF* tiff) {
    uint16_t compression = 0, bits = 0, samples = 0, planar = 0, orientation = 0, photometric = 0;
    TIFFGetField(tiff, TIFFTAG_COMPRESSION, &compression);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_ORIENTATION, &orientation);
    if (compression != COMPRESSION_JPEG || TIFFIsTiled(tiff) || bits != 8 || planar != PLANARCONFIG_CONTIG ||
        orientation != ORIENTATION_TOPLEFT || !TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric))
        return std::nullopt;
    if (photometric == PHOTOMETRIC_MINISBLACK && samples == 1)
        return JpegLayout{JCS_GRAYSCALE, JCS_GRAYSCALE, 1, QImage::Format_Grayscale8};
    if (photometric == PHOTOMETRIC_RGB && samples == 3)
        return JpegLayout{JCS_RGB, JCS_RGB, 3, QImage::Format_RGB888};
    if (photometric == PHOTOMETRIC_YCBCR && samples == 3)
        return JpegLayout{JCS_YCbCr, JCS_RGB, 3, QImage::Format_RGB888};
    return std::nullopt;
}

// What every strip of a page shares.
struct JpegPage {
    JpegLayout layout;
    JDIMENSION width;
    // The size decoded: eighths / 8 of the whole.
    unsigned eighths;
    qsizetype stride;
};

// The smallest of 1/8, 1/4, 1/2 or all of the size, in eighths, that is not below `scale`:
// libjpeg decodes these at a fraction of the cost of the whole.
unsigned eighthsFor(double scale) {
    unsigned eighths = 1;
    while (eighths < 8 && eighths < scale * 8)
        eighths *= 2;
    return eighths;
}

JDIMENSION scaledBy(unsigned eighths, JDIMENSION length) {
    return JDIMENSION((quint64(length) * eighths + 7) / 8);
}

// libjpeg jumps back here on damage: nothing between the setjmp and the return has
// a destructor. The decompressor is created, and loaded with the page's tables.
bool startJpeg(jpeg_decompress_struct* info, JpegErrors* errors, const void* tables, uint32_t size) {
    if (setjmp(errors->back))
        return false;
    jpeg_create_decompress(info);
    if (tables && size > 0) {
        jpegPiecesSource(info, tables, size);
        jpeg_read_header(info, FALSE);
    }
    return true;
}

// One strip of `rows` rows into the image lines from `out` on.
bool decodeJpegStrip(jpeg_decompress_struct* info, JpegErrors* errors, const JpegPage* page, const void* data,
                     size_t size, JDIMENSION rows, uchar* out) {
    if (setjmp(errors->back))
        return false;
    jpegPiecesSource(info, data, size);
    jpeg_read_header(info, TRUE);
    if (info->image_width != page->width || info->image_height != rows ||
        info->num_components != page->layout.components) {
        std::snprintf(errors->message, sizeof errors->message, "strip of %u x %u", info->image_width,
                      info->image_height);
        return false;
    }
    info->jpeg_color_space = page->layout.coded;
    info->out_color_space = page->layout.shown;
    info->scale_num = page->eighths;
    info->scale_denom = 8;
    jpeg_start_decompress(info);
    if (info->output_width != scaledBy(page->eighths, page->width) ||
        info->output_height != scaledBy(page->eighths, rows)) {
        std::snprintf(errors->message, sizeof errors->message, "scaled strip of %u x %u", info->output_width,
                      info->output_height);
        return false;
    }
    while (info->output_scanline < info->output_height) {
        JSAMPROW line = out + qsizetype(info->output_scanline) * page->stride;
        jpeg_read_scanlines(info, &line, 1);
    }
    jpeg_finish_decompress(info);
    return true;
}

PageDocument::ViewPage readJpegStrips(TIFF* tiff, const JpegLayout& layout, const TiffComplaints& complaints,
                                      const QString& path, int index,
                                      const PageDocument::ScaleFor& scaleFor) {
    uint32_t width = 0, height = 0, rowsPerStrip = 0;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    rowsPerStrip = std::min(rowsPerStrip, height);
    const quint64 rowBytes = quint64(width) * quint64(layout.components);
    if (width == 0 || rowsPerStrip == 0 || rowBytes * height > quint64(AllocationLimitMb) << 20 ||
        TIFFNumberOfStrips(tiff) != (height + rowsPerStrip - 1) / rowsPerStrip)
        fail(path, QStringLiteral("第 %1 页的尺寸无效").arg(index + 1));
    if (!dataHoldsPage(tiff, rowBytes, height))
        fail(path, QStringLiteral("第 %1 页的数据容不下它声明的尺寸").arg(index + 1));
    const QSize size{int(width), int(height)};
    const double scale = scaleFor ? scaleFor(size) : 1;
    const unsigned eighths = eighthsFor(scale);
    const uint32_t wholeStrips = height / rowsPerStrip;
    QImage image(
        int(scaledBy(eighths, width)),
        int(wholeStrips * scaledBy(eighths, rowsPerStrip) + scaledBy(eighths, height % rowsPerStrip)),
        layout.format);
    if (image.isNull())
        fail(path, QStringLiteral("页面过大"));
    const JpegPage page{layout, width, eighths, image.bytesPerLine()};
    JpegDecoder decoder;
    auto& [errors, info] = decoder;
    uint32_t tablesSize = 0;
    void* tables = nullptr;
    TIFFGetField(tiff, TIFFTAG_JPEGTABLES, &tablesSize, &tables);
    if (!startJpeg(&info, &errors, tables, tablesSize))
        failJpeg(path, errors);
    const qint64 fileSize = QFileInfo(path).size();
    std::vector<unsigned char> data;
    uchar* out = image.bits();
    for (uint32_t strip = 0; strip < TIFFNumberOfStrips(tiff); ++strip) {
        const uint64_t bytes = TIFFGetStrileByteCount(tiff, strip);
        if (bytes == 0 || bytes > quint64(fileSize))
            fail(path, QStringLiteral("第 %1 页的数据超出文件范围").arg(index + 1));
        data.resize(size_t(bytes));
        if (TIFFReadRawStrip(tiff, strip, data.data(), tmsize_t(bytes)) != tmsize_t(bytes) ||
            !complaints.first.isEmpty())
            fail(path, QStringLiteral("第 %1 页无法读取：").arg(index + 1) + complaints.first);
        const JDIMENSION rows = std::min(rowsPerStrip, height - strip * rowsPerStrip);
        if (!decodeJpegStrip(&info, &errors, &page, data.data(), data.size(), rows, out))
            failJpeg(path, errors);
        out += qsizetype(scaledBy(eighths, rows)) * page.stride;
    }
    float xRes = 0, yRes = 0;
    uint16_t unit = RESUNIT_INCH;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_RESOLUTIONUNIT, &unit);
    if (TIFFGetField(tiff, TIFFTAG_XRESOLUTION, &xRes) && TIFFGetField(tiff, TIFFTAG_YRESOLUTION, &yRes)) {
        const double perInch = (unit == RESUNIT_CENTIMETER ? 2.54 : 1) * eighths / 8;
        if (unit == RESUNIT_INCH || unit == RESUNIT_CENTIMETER)
            setDpi(image, xRes * perInch, yRes * perInch);
    }
    return {image, size};
}

// How libjpeg reads a plain JPEG's picture: grey, or colour coded as YCbCr or RGB.
// Others (CMYK) are left to Qt's reader.
std::optional<JpegLayout> jpegLayout(const jpeg_decompress_struct& info) {
    if (info.num_components == 1 && info.jpeg_color_space == JCS_GRAYSCALE)
        return JpegLayout{JCS_GRAYSCALE, JCS_GRAYSCALE, 1, QImage::Format_Grayscale8};
    if (info.num_components == 3 && (info.jpeg_color_space == JCS_YCbCr || info.jpeg_color_space == JCS_RGB))
        return JpegLayout{info.jpeg_color_space, JCS_RGB, 3, QImage::Format_RGB888};
    return std::nullopt;
}

// A camera's or scanner's orientation, applied as Qt's reader does: mirrored first, then turned.
QImage oriented(QImage image, QImageIOHandler::Transformations turn) {
    if (turn == QImageIOHandler::TransformationRotate270)
        return image.transformed(QTransform().rotate(270));
    image = image.mirrored(turn & QImageIOHandler::TransformationMirror,
                           turn & QImageIOHandler::TransformationFlip);
    return turn & QImageIOHandler::TransformationRotate90 ? image.transformed(QTransform().rotate(90))
                                                          : image;
}

// A plain JPEG of one picture, decoded by libjpeg through the same watchful source
// the damage check uses: the decode is the check, so what is shown is what was
// checked, and a page shown small is decoded at 1/8, 1/4 or 1/2 of its size.
class JpegSource final : public PageDocument::Source {
public:
    JpegSource(QString path, QByteArray data, JpegLayout layout, const jpeg_decompress_struct& header)
        : m_path(std::move(path)), m_data(std::move(data)), m_layout(layout), m_width(header.image_width),
          m_height(header.image_height) {
        // Within the budget at full size, as the page may be zoomed to it: libjpeg's own
        // buffers grow with the full size too, whatever the size decoded.
        if (qint64(m_width) * m_height > MaxPixels)
            fail(m_path, QStringLiteral("页面过大"));
        // Qt reads the orientation from the EXIF block; the header is already known good.
        QBuffer buffer(&m_data);
        buffer.open(QIODevice::ReadOnly);
        m_turn = QImageReader(&buffer, "jpeg").transformation();
        if (header.density_unit == 1 || header.density_unit == 2)
            m_dpi = QSizeF(header.X_density, header.Y_density) * (header.density_unit == 2 ? 2.54 : 1);
    }
    int pageCount() override { return 1; }
    PageDocument::ViewPage page(int, const PageDocument::RowReader&,
                                const PageDocument::ScaleFor& scaleFor) override {
        const bool turned = m_turn & QImageIOHandler::TransformationRotate90;
        const QSize size = turned ? QSize(int(m_height), int(m_width)) : QSize(int(m_width), int(m_height));
        const unsigned eighths = eighthsFor(scaleFor ? scaleFor(size) : 1);
        const JDIMENSION width = scaledBy(eighths, m_width);
        const JDIMENSION height = scaledBy(eighths, m_height);
        QImage image(int(width), int(height), m_layout.format);
        if (image.isNull())
            fail(m_path, QStringLiteral("页面过大"));
        const JpegPage page{m_layout, m_width, eighths, image.bytesPerLine()};
        JpegDecoder decoder;
        auto& [errors, info] = decoder;
        if (!startJpeg(&info, &errors, nullptr, 0) ||
            !decodeJpegStrip(&info, &errors, &page, m_data.constData(), size_t(m_data.size()), m_height,
                             image.bits()))
            failJpeg(m_path, errors);
        image = oriented(std::move(image), m_turn);
        const QSizeF dpi = (turned ? m_dpi.transposed() : m_dpi) * eighths / 8;
        setDpi(image, dpi.width(), dpi.height());
        return {image, size};
    }

private:
    QString m_path;
    QByteArray m_data;
    JpegLayout m_layout;
    JDIMENSION m_width;
    JDIMENSION m_height;
    QImageIOHandler::Transformations m_turn;
    QSizeF m_dpi;
};

// Reads a JPEG's header into `info`; false with the message on damage. Nothing here
// has a destructor: libjpeg jumps back.
bool readJpegHeader(jpeg_decompress_struct* info, JpegErrors* errors, const QByteArray* data) {
    if (setjmp(errors->back))
        return false;
    jpeg_create_decompress(info);
    jpegPiecesSource(info, data->constData(), size_t(data->size()));
    jpeg_read_header(info, TRUE);
    return true;
}

std::unique_ptr<PageDocument::Source> openJpeg(const QString& path) {
    QByteArray data = readAll(path);
    JpegDecoder decoder;
    auto& [errors, info] = decoder;
    if (!readJpegHeader(&info, &errors, &data))
        failJpeg(path, errors);
    if (const std::optional<JpegLayout> layout = jpegLayout(info))
        return std::make_unique<JpegSource>(path, std::move(data), *layout, info);
    checkJpeg(path, data);
    return std::make_unique<QtSource>(path, "jpeg");
}

// The offsets of a classic TIFF's page directories, read along their chain only
// as far as asked: the first page opens without reading the other pages'
// directories, and a chain that loops or breaks off is found when the pages are
// counted. Only the chain is read, far cheaper than libtiff reading every directory.
class TiffChain {
public:
    // `head`: the file's first bytes, which hold the first directory's offset.
    TiffChain(QString path, const QByteArray& head) : m_path(std::move(path)) {
        if (head.size() < 8)
            fail(m_path, QStringLiteral("TIFF 文件头不完整"));
        m_little = head[0] == 'I';
        const quint64 first = number(reinterpret_cast<const uchar*>(head.constData()) + 4, 4);
        if (first == 0)
            fail(m_path, QStringLiteral("TIFF 文件没有页"));
        m_directories.push_back(first);
        m_seen.insert(first);
    }
    // Whether page `index` has a directory in the chain.
    bool has(size_t index) {
        walkTo(index + 1);
        return index < m_directories.size();
    }
    quint64 at(size_t index) const { return m_directories.at(index); }
    // All of the pages, up to PageDocument::MaxPages: a chain that breaks off means a
    // damaged file even when the pages before the break would read.
    size_t count() {
        walkTo(PageDocument::MaxPages);
        return m_directories.size();
    }

private:
    quint64 number(const uchar* bytes, int size) const {
        if (size == 2)
            return m_little ? qFromLittleEndian<quint16>(bytes) : qFromBigEndian<quint16>(bytes);
        return m_little ? qFromLittleEndian<quint32>(bytes) : qFromBigEndian<quint32>(bytes);
    }
    // Up to `size` bytes at `at`, at least `least` of them.
    size_t readAt(int fd, quint64 at, uchar* bytes, size_t size, size_t least) const {
        const ssize_t got =
            at > quint64(std::numeric_limits<off_t>::max()) ? -1 : ::pread(fd, bytes, size, off_t(at));
        if (got < 0 || size_t(got) < least)
            fail(m_path, QStringLiteral("TIFF 目录超出文件范围"));
        return size_t(got);
    }
    template <typename Read> void withFile(const Read& read) const {
        QFile file(m_path);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
            fail(m_path, file.errorString());
        read(file.handle(), quint64(file.size()));
    }
    // Each step reads the link after the last directory known, at once where the
    // directory has few entries, as a scan's has.
    void walkTo(size_t pages) {
        pages = std::min(pages, PageDocument::MaxPages);
        if (m_ended || m_directories.size() >= pages)
            return;
        // A chain found broken stays broken: asked again, it says so without reading.
        if (m_fault)
            throw *m_fault;
        try {
            walkFileTo(pages);
        } catch (const Error& e) {
            m_fault = e;
            throw;
        }
    }
    void walkFileTo(size_t pages) {
        withFile([&](int fd, quint64 fileSize) {
            uchar bytes[2 + 12 * 40 + 4];
            while (!m_ended && m_directories.size() < pages) {
                const quint64 at = m_directories.back();
                const size_t got = readAt(fd, at, bytes, sizeof bytes, 2);
                const size_t end = 2 + 12 * size_t(number(bytes, 2));
                if (end + 4 > got)
                    readAt(fd, at + end, bytes, 4, 4);
                const quint64 next = number(end + 4 > got ? bytes : bytes + end, 4);
                m_ended = next == 0;
                if (!m_ended && !m_seen.insert(next).second)
                    fail(m_path, QStringLiteral("TIFF 目录循环"));
                // A link out of the file breaks the chain here, so the pages before it are all there is.
                if (!m_ended && next + 2 > fileSize)
                    fail(m_path, QStringLiteral("TIFF 目录超出文件范围"));
                if (!m_ended)
                    m_directories.push_back(next);
            }
        });
        m_ended = m_ended || m_directories.size() >= PageDocument::MaxPages;
    }

    QString m_path;
    bool m_little = true;
    bool m_ended = false;
    std::optional<Error> m_fault;
    std::vector<quint64> m_directories;
    std::unordered_set<quint64> m_seen;
};

class TiffSource final : public PageDocument::Source {
public:
    TiffSource(QString path, const QByteArray& head) : m_path(std::move(path)), m_chain(m_path, head) {}
    int pageCount() override { return int(m_chain.count()); }
    bool hasPage(int index) override { return m_chain.has(size_t(index)); }
    PageDocument::ViewPage page(int index, const PageDocument::RowReader& whileDecoding,
                                const PageDocument::ScaleFor& scaleFor) override {
        TiffComplaints complaints;
        const TiffHandle tiff = openTiff(m_path, complaints);
        if (!tiff || !TIFFSetSubDirectory(tiff.get(), m_chain.at(size_t(index))))
            fail(m_path, QStringLiteral("TIFF 第 %1 个目录无法读取：").arg(index + 1) + complaints.first);
        // Unknown tags and the like are no damage; only what decoding the page says counts.
        complaints.first.clear();
        if (isPlainBilevel(tiff.get())) {
            QImage image = readBilevel(tiff.get(), complaints, m_path, index, whileDecoding);
            return {image, image.size()};
        }
        if (const std::optional<JpegLayout> layout = jpegStrips(tiff.get()))
            return readJpegStrips(tiff.get(), *layout, complaints, m_path, index, scaleFor);
        QImage image = readWithQt(m_path, "tiff", index);
        return {image, image.size()};
    }

private:
    QString m_path;
    TiffChain m_chain;
};

// A 1-bit run-length coded PCX page, read here into a bilevel image: ImageMagick
// would give it as 32-bit pixels, which the view shows many times slower. PCX's 0 is
// black, whatever the header's palette says; ink becomes bit 1. Runs may go on
// into the next row.
QImage readBilevelPcx(const QString& path, const uchar* page, qsizetype length, int index) {
    const auto u16 = [page](int at) { return qint64(qFromLittleEndian<quint16>(page + at)); };
    const qint64 width = std::abs(u16(8) - u16(4)) + 1;
    const qint64 height = std::abs(u16(10) - u16(6)) + 1;
    const qint64 lineBytes = u16(66);
    const qint64 used = (width + 7) / 8;
    if (lineBytes < used)
        fail(path, QStringLiteral("第 %1 页的头部无效").arg(index + 1));
    const uchar* in = page + 128;
    const uchar* const end = page + length;
    QImage image(int(width), int(height), QImage::Format_Mono);
    if (image.isNull())
        fail(path, QStringLiteral("页面过大"));
    image.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    setDpi(image, double(u16(12)), double(u16(14)));
    std::vector<uchar> line(size_t(lineBytes), 0);
    qint64 run = 0;
    uchar value = 0;
    for (qint64 y = 0; y < height; ++y) {
        for (qint64 x = 0; x < lineBytes;) {
            if (run == 0) {
                if (in == end)
                    fail(path, QStringLiteral("第 %1 页的数据不完整").arg(index + 1));
                const uchar code = *in++;
                if ((code & 0xC0) != 0xC0) {
                    run = 1;
                    value = code;
                } else if (in == end) {
                    fail(path, QStringLiteral("第 %1 页的数据不完整").arg(index + 1));
                } else {
                    run = code & 0x3F;
                    value = *in++;
                    continue;
                }
            }
            const qint64 count = std::min(run, lineBytes - x);
            std::fill_n(line.begin() + x, count, value);
            x += count;
            run -= count;
        }
        std::transform(line.begin(), line.begin() + used, image.scanLine(int(y)),
                       [](uchar byte) { return uchar(~byte); });
    }
    return image;
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
    int pageCount() override { return int(m_pages.size()); }
    PageDocument::ViewPage page(int index, const PageDocument::RowReader&,
                                const PageDocument::ScaleFor&) override {
        QImage image = read(index);
        return {image, image.size()};
    }

private:
    QImage read(int index) {
        const auto [offset, length] = m_pages.at(size_t(index));
        if (length < 128)
            fail(m_path, QStringLiteral("第 %1 页的头部无效").arg(index + 1));
        const auto* bytes = reinterpret_cast<const uchar*>(m_data.constData()) + offset;
        const auto u16 = [bytes](int at) { return qint64(qFromLittleEndian<quint16>(bytes + at)); };
        const qint64 height = std::abs(u16(10) - u16(6)) + 1;
        // A damaged header can claim a huge page: refused before any decoder allocates
        // when its pixels are too many, or its data could not hold its rows even
        // run-length coded (two bytes code at most 63).
        if ((std::abs(u16(8) - u16(4)) + 1) * height > MaxPixels)
            fail(m_path, QStringLiteral("第 %1 页的头部无效").arg(index + 1));
        if ((length - 128) * (bytes[2] == 1 ? 63 : 2) / 2 < u16(66) * bytes[65] * height)
            fail(m_path, QStringLiteral("第 %1 页的数据容不下它声明的尺寸").arg(index + 1));
        // Run-length coded, one bit, one plane.
        if (bytes[2] == 1 && bytes[3] == 1 && bytes[65] == 1)
            return readBilevelPcx(m_path, bytes, length, index);
        initMagick();
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

    QString m_path;
    QByteArray m_data;
    std::vector<std::pair<qsizetype, qsizetype>> m_pages;
};

class PdfSource final : public PageDocument::Source {
public:
    explicit PdfSource(const QString& path) : m_path(path), m_doc(Poppler::Document::load(path)) {
        if (!m_doc || m_doc->isLocked() || m_doc->numPages() <= 0)
            fail(m_path, QStringLiteral("无法读取的 PDF"));
        m_doc->setRenderHint(Poppler::Document::Antialiasing);
        m_doc->setRenderHint(Poppler::Document::TextAntialiasing);
    }
    int pageCount() override { return m_doc->numPages(); }
    // The whole page, within the decode budget.
    PageDocument::ViewPage page(int index, const PageDocument::RowReader&,
                                const PageDocument::ScaleFor&) override {
        const std::unique_ptr<Poppler::Page> page = pageAt(index);
        // Posters get a lower resolution so no page exceeds MaxPixels.
        const QSizeF inches = page->pageSizeF() / 72.0;
        const double dpi =
            std::min(PdfDpi, std::sqrt(MaxPixels / std::max(1.0, inches.width() * inches.height())));
        QImage image = page->renderToImage(dpi, dpi);
        if (image.isNull())
            fail(m_path, QStringLiteral("第 %1 页无法读取").arg(index + 1));
        setDpi(image, dpi, dpi);
        return {image, image.size()};
    }
    // A view draws only what it shows, at the resolution it shows it.
    std::optional<QSize> drawnSize(int index) override {
        const QSizeF pixels = pageAt(index)->pageSizeF() / 72.0 * PdfDpi;
        const auto length = [](double v) { return int(std::clamp(std::ceil(v), 1.0, 1e9)); };
        return QSize(length(pixels.width()), length(pixels.height()));
    }
    QImage drawPart(int index, double scale, QRect part) override {
        const double pixels = double(part.width()) * double(part.height());
        const double below =
            pixels > PageDocument::MaxDrawnPixels ? std::sqrt(PageDocument::MaxDrawnPixels / pixels) : 1;
        const double dpi = PdfDpi * scale * below;
        const QRect at(int(std::floor(part.x() * below)), int(std::floor(part.y() * below)),
                       std::max(1, int(part.width() * below)), std::max(1, int(part.height() * below)));
        QImage image = pageAt(index)->renderToImage(dpi, dpi, at.x(), at.y(), at.width(), at.height());
        if (image.isNull())
            fail(m_path, QStringLiteral("第 %1 页无法读取").arg(index + 1));
        return image;
    }

private:
    std::unique_ptr<Poppler::Page> pageAt(int index) const {
        std::unique_ptr<Poppler::Page> page = m_doc->page(index);
        if (!page)
            fail(m_path, QStringLiteral("第 %1 页无法读取").arg(index + 1));
        return page;
    }

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
        return std::make_unique<TiffSource>(path, head);
    const QByteArray format = QImageReader::imageFormat(&file);
    file.close();
    if (format == "jpeg")
        return openJpeg(path);
    if (format == "bmp")
        checkBmp(path, readAll(path));
    else if (format == "gif")
        checkGif(path, readAll(path));
    else if (format == "png")
        checkPng(path, readAll(path));
    if (format == "bmp" || format == "gif" || format == "png")
        return std::make_unique<QtSource>(path, format);
    fail(path, QStringLiteral("不是图像文件"));
}

} // namespace

PageDocument::PageDocument(const QString& path) : m_path(path), m_source(openSource(path)) {}

PageDocument::~PageDocument() = default;

int PageDocument::pageCount() const {
    return m_source->pageCount();
}

bool PageDocument::hasPage(int index) const {
    return index >= 0 && m_source->hasPage(index);
}

void PageDocument::checkIndex(int index) const {
    if (!hasPage(index))
        throw Error(err::InvalidArgument, QStringLiteral("%1 没有第 %2 页").arg(m_path).arg(index + 1));
}

QImage PageDocument::page(int index, const RowReader& whileDecoding) {
    checkIndex(index);
    if (index != m_cachedIndex || m_cached.image.size() != m_cached.size)
        decode(index, whileDecoding, {});
    return m_cached.image;
}

namespace {
thread_local int decodes = 0;
thread_local qint64 pixelsDecoded = 0;
} // namespace

int PageDocument::decodesOnThisThread() {
    return decodes;
}

qint64 PageDocument::pixelsDecodedOnThisThread() {
    return pixelsDecoded;
}

void PageDocument::keep(int index, const ViewPage& page) {
    checkIndex(index);
    m_cached = page;
    m_cachedIndex = index;
}

void PageDocument::decode(int index, const RowReader& whileDecoding, const ScaleFor& scaleFor) {
    ++decodes;
    // The page before is let go first: two pages need not be held at once.
    m_cached = {};
    m_cachedIndex = -1;
    m_cached = m_source->page(index, whileDecoding, scaleFor);
    m_cachedIndex = index;
    pixelsDecoded += qint64(m_cached.image.width()) * m_cached.image.height();
}

PageDocument::ViewPage PageDocument::pageForView(int index, const ScaleFor& scaleFor,
                                                 const RowReader& whileDecoding) {
    checkIndex(index);
    if (const std::optional<QSize> drawn = m_source->drawnSize(index))
        return {QImage(), *drawn};
    if (index != m_cachedIndex ||
        m_cached.image.width() < std::min(1.0, scaleFor(m_cached.size)) * m_cached.size.width())
        decode(index, whileDecoding, scaleFor);
    return m_cached;
}

QImage PageDocument::drawPart(int index, double scale, QRect part) {
    checkIndex(index);
    if (!(scale > 0) || part.isEmpty())
        throw Error(err::InvalidArgument, QStringLiteral("无效的绘制范围"));
    return m_source->drawPart(index, scale, part);
}

} // namespace wo::imaging
