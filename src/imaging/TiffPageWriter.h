#pragma once

#include "platform/Error.h"
#include "wo_internal_export.h"

#include <QByteArray>
#include <QString>
#include <memory>

namespace wo::imaging {

// Writes pages, line by line, into one multi-page TIFF. The pages go to a
// temporary file beside the target, which takes the target's name only in
// commit(); a writer destroyed before that removes it, so the target never holds
// a partial file. Bilevel pages are CCITT G4 (1 = black); grey and colour pages
// are Deflate with the horizontal predictor, lossless. Every page is marked as a
// page of a multi-page document, numbered, and carries its resolution.
class WO_INTERNAL TiffPageWriter {
public:
    enum class Kind { Bilevel, Gray, Rgb };
    struct Page {
        Kind kind = Kind::Bilevel;
        int width = 0;
        int height = -1; // -1: not known before the last line
        int bitsPerSample = 1;
        double dpi = 0;
    };

    // Throws wo::Error when the target's folder takes no new file: 70 refused,
    // 76 no such folder, 75 any other reason.
    explicit TiffPageWriter(const QString& target);
    ~TiffPageWriter();
    TiffPageWriter(const TiffPageWriter&) = delete;
    TiffPageWriter& operator=(const TiffPageWriter&) = delete;

    void beginPage(const Page& page);
    // One line of the page: width pixels of bitsPerSample bits per sample, packed
    // as the page's kind says. Lines past a known height are dropped.
    void writeLine(const uchar* line);
    // A page of known height that ended early is filled up with white; a page of
    // unknown height is held in memory until here, and left out when it got no line.
    void endPage();
    int pageCount() const { return m_pages; }
    // Closes the file and renames it to the target, replacing an older file.
    void commit();

    // Errors of writing; the numbers tell the caller's message apart.
    enum : int {
        DiskFull = err::DiskFull,
        PathFileAccessError = err::PathFileAccessError,
        PathNotFound = err::PathNotFound
    };

private:
    struct Tiff;
    void fail(const QString& what) const;
    qsizetype lineBytes() const;

    QString m_target;
    QString m_temporary;
    std::unique_ptr<Tiff> m_tiff;
    Page m_page;
    QByteArray m_line;
    QByteArray m_pending; // the lines of a page of unknown length, until its end
    int m_row = 0;
    int m_pages = 0;
    bool m_committed = false;
};

} // namespace wo::imaging
