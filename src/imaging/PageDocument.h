#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <functional>
#include <memory>

namespace wo::imaging {

class DecodedRows;

// A page-oriented image file, recognised by its content: BMP, GIF, JPEG, PNG,
// TIFF (multi-page), PCX, DCX (multi-page) and PDF. Counts pages without
// decoding them, decodes a page only when asked and keeps the last one.
// Every failure to read is wo::Error 321.
class PageDocument {
public:
    explicit PageDocument(const QString& path);
    ~PageDocument();
    PageDocument(const PageDocument&) = delete;
    PageDocument& operator=(const PageDocument&) = delete;

    // A TIFF's pages beyond this many are not read: no scan has so many, and a chain
    // of empty directories must not cost minutes.
    static constexpr size_t MaxPages = 10000;

    const QString& path() const { return m_path; }
    int pageCount() const;
    // Work beside the decoding of a page. The reader is called on the decoding
    // thread once the page's size, colours and resolution are set, before any row.
    // The work it returns runs on another thread as the rows come and, once they
    // are all there, on the decoding thread too, to share what is left: each run
    // returns when nothing is left for it. The work must not throw.
    using RowWork = std::function<void(const DecodedRows& rows)>;
    using RowReader = std::function<RowWork(const QImage& page)>;
    // index counts from 0; the image's dots per metre carry the page's resolution.
    // `whileDecoding` is called only when the page is decoded row by row (bilevel TIFF).
    QImage page(int index, const RowReader& whileDecoding = {});

    class Source;

private:
    QString m_path;
    std::unique_ptr<Source> m_source;
    int m_cachedIndex = -1;
    QImage m_cached;
};

} // namespace wo::imaging
