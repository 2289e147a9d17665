#include "imaging/TiffPageWriter.h"

#include "platform/Error.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <tiffio.h>
#include <unistd.h>
#include <utility>

namespace wo::imaging {

namespace {

QString systemText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// The error of a file-system call on path, by errno.
Error fileError(int error, const QString& path, const QString& detail) {
    const QString suffix =
        detail.isEmpty() ? QString() : QStringLiteral("（") + detail + QStringLiteral("）");
    switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
        return err::make(err::PermissionDenied, path);
    case ENOENT:
    case ENOTDIR:
        return err::make(err::PathNotFound, path);
    case ENOSPC:
    case EDQUOT:
        return err::make(err::DiskFull, path);
    default:
        return err::make(err::PathFileAccessError, path + suffix);
    }
}

} // namespace

struct TiffPageWriter::Tiff {
    TIFF* handle = nullptr;
    QString lastError; // libtiff's last message for this file

    static int onError(TIFF*, void* self, const char* module, const char* format, va_list args) {
        char text[512];
        std::vsnprintf(text, sizeof text, format, args);
        static_cast<Tiff*>(self)->lastError = QString::fromLocal8Bit(module ? module : "") +
                                              QStringLiteral(": ") + QString::fromLocal8Bit(text);
        return 1;
    }
    ~Tiff() {
        if (handle)
            TIFFClose(handle);
    }
};

TiffPageWriter::TiffPageWriter(const QString& target) : m_target(target), m_tiff(std::make_unique<Tiff>()) {
    const QFileInfo info(target);
    // Hidden and unique, so an unfinished scan is never taken for a finished one.
    QByteArray name = QFile::encodeName(info.path() + QStringLiteral("/.") + info.fileName()) + ".XXXXXX";
    const int fd = mkstemp(name.data());
    if (fd < 0)
        throw fileError(errno, info.path(), systemText(errno));
    m_temporary = QFile::decodeName(name);

    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, &Tiff::onError, m_tiff.get());
    m_tiff->handle = TIFFFdOpenExt(fd, name.constData(), "w", options);
    TIFFOpenOptionsFree(options);
    if (!m_tiff->handle) {
        const int error = errno;
        ::close(fd);
        QFile::remove(m_temporary);
        throw fileError(error, target, m_tiff->lastError);
    }
}

TiffPageWriter::~TiffPageWriter() {
    m_tiff.reset();
    if (!m_committed)
        QFile::remove(m_temporary);
}

void TiffPageWriter::fail(const QString& what) const {
    const QString detail =
        m_tiff->lastError.isEmpty() ? what : what + QStringLiteral("：") + m_tiff->lastError;
    throw fileError(errno, m_target, detail);
}

void TiffPageWriter::beginPage(const Page& page) {
    m_page = page;
    m_row = 0;
}

qsizetype TiffPageWriter::lineBytes() const {
    const qsizetype samples = m_page.kind == Kind::Rgb ? 3 : 1;
    return (qsizetype(m_page.width) * samples * m_page.bitsPerSample + 7) / 8;
}

void TiffPageWriter::writeLine(const uchar* line) {
    if (m_page.height < 0) {
        m_pending.append(reinterpret_cast<const char*>(line), lineBytes());
        return;
    }
    if (m_row >= m_page.height)
        return;
    TIFF* t = m_tiff->handle;
    if (m_row == 0) {
        // Tags are set with the first line, so a page that never gets one leaves no trace.
        const bool bilevel = m_page.kind == Kind::Bilevel;
        const uint16_t photometric = bilevel                    ? PHOTOMETRIC_MINISWHITE
                                     : m_page.kind == Kind::Rgb ? PHOTOMETRIC_RGB
                                                                : PHOTOMETRIC_MINISBLACK;
        bool ok = TIFFSetField(t, TIFFTAG_SUBFILETYPE, uint32_t(FILETYPE_PAGE)) &&
                  TIFFSetField(t, TIFFTAG_PAGENUMBER, uint16_t(m_pages), uint16_t(0)) &&
                  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, uint32_t(m_page.width)) &&
                  TIFFSetField(t, TIFFTAG_IMAGELENGTH, uint32_t(m_page.height)) &&
                  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, uint16_t(m_page.bitsPerSample)) &&
                  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, uint16_t(m_page.kind == Kind::Rgb ? 3 : 1)) &&
                  TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
                  TIFFSetField(t, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT) &&
                  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, photometric);
        if (m_page.dpi > 0)
            ok = ok && TIFFSetField(t, TIFFTAG_XRESOLUTION, float(m_page.dpi)) &&
                 TIFFSetField(t, TIFFTAG_YRESOLUTION, float(m_page.dpi)) &&
                 TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
        if (bilevel)
            // One strip a page, as G4 readers expect.
            ok = ok && TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4) &&
                 TIFFSetField(t, TIFFTAG_FILLORDER, FILLORDER_MSB2LSB) &&
                 TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, uint32_t(m_page.height));
        else
            ok = ok && TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE) &&
                 TIFFSetField(t, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL) &&
                 TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(t, 0));
        if (!ok)
            fail(QStringLiteral("TIFF tags"));
        m_line.resize(lineBytes());
    }
    // libtiff may encode in place; the caller's line stays as it was.
    std::memcpy(m_line.data(), line, size_t(m_line.size()));
    if (TIFFWriteScanline(t, m_line.data(), uint32_t(m_row), 0) < 0)
        fail(QStringLiteral("TIFF line %1").arg(m_row + 1));
    ++m_row;
}

void TiffPageWriter::endPage() {
    if (m_page.height < 0) {
        // Its length is known now; libtiff writes compressed pages of growing length wrongly.
        const QByteArray lines = std::exchange(m_pending, QByteArray());
        m_page.height = int(lines.size() / lineBytes());
        for (qsizetype at = 0; at < lines.size(); at += lineBytes())
            writeLine(reinterpret_cast<const uchar*>(lines.constData() + at));
    }
    if (m_page.height == 0)
        return;
    // White is 0 for bilevel pages (1 = black), all ones for grey and colour.
    const QByteArray white(lineBytes(), m_page.kind == Kind::Bilevel ? '\0' : '\xff');
    while (m_row < m_page.height)
        writeLine(reinterpret_cast<const uchar*>(white.constData()));
    if (!TIFFWriteDirectory(m_tiff->handle))
        fail(QStringLiteral("TIFF page %1").arg(m_pages + 1));
    ++m_pages;
    m_row = 0;
}

void TiffPageWriter::commit() {
    if (m_pages == 0)
        throw Error(err::InvalidArgument, QStringLiteral("扫描文件没有页：") + m_target);
    if (!TIFFFlush(m_tiff->handle) || ::fsync(TIFFFileno(m_tiff->handle)) != 0)
        fail(QStringLiteral("TIFF"));
    m_tiff.reset();
    if (::rename(QFile::encodeName(m_temporary).constData(), QFile::encodeName(m_target).constData()) != 0)
        throw fileError(errno, m_target, systemText(errno));
    m_committed = true;
}

} // namespace wo::imaging
