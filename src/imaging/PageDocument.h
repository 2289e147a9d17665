#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <memory>

namespace wo::imaging {

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

    const QString& path() const { return m_path; }
    int pageCount() const;
    // index counts from 0; the image's dots per metre carry the page's resolution.
    QImage page(int index);

    class Source;

private:
    QString m_path;
    std::unique_ptr<Source> m_source;
    int m_cachedIndex = -1;
    QImage m_cached;
};

} // namespace wo::imaging
