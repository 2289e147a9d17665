#pragma once

#include "wo_internal_export.h"

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QString>
#include <functional>
#include <memory>

namespace wo::imaging {

class DecodedRows;

// A page-oriented image file, recognised by its content: BMP, GIF, JPEG, PNG,
// TIFF (multi-page), PCX, DCX (multi-page) and PDF. Counts pages without
// decoding them, decodes a page only when asked and keeps the last one.
// Every failure to read is wo::Error 321.
class WO_INTERNAL PageDocument {
public:
    explicit PageDocument(const QString& path);
    ~PageDocument();
    PageDocument(const PageDocument&) = delete;
    PageDocument& operator=(const PageDocument&) = delete;

    // A TIFF's pages beyond this many are not read: no scan has so many, and a chain
    // of empty directories must not cost minutes.
    static constexpr size_t MaxPages = 10000;

    const QString& path() const { return m_path; }
    // Counting a TIFF's pages reads every page's directory: hasPage() reads only up to that page.
    int pageCount() const;
    bool hasPage(int index) const;
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

    // A page as a view holds it: its size at full resolution, and its pixels at a
    // smaller size where the view needs no more, or none at all for pages that are
    // drawn part by part (PDF).
    struct ViewPage {
        QImage image;
        QSize size;
    };
    // The scale of the full size (1 = every pixel) at which a view will show a page of that size.
    using ScaleFor = std::function<double(QSize page)>;
    // Colour and grey JPEG coded TIFF pages are decoded at the smallest of 1/8, 1/4, 1/2
    // or all of their size that is not below `scaleFor`; other raster pages whole.
    ViewPage pageForView(int index, const ScaleFor& scaleFor, const RowReader& whileDecoding = {});
    // The most pixels drawPart() makes: a part a view shows on a large screen.
    static constexpr qint64 MaxDrawnPixels = 16 << 20;
    // The resolution of the size pageForView() gives for a page drawn part by part.
    static constexpr double DrawnDpi = 150;
    // `part` (pixels of the page scaled by `scale`) of a page that pageForView() gives
    // without pixels. A part above MaxDrawnPixels comes at a lower resolution.
    QImage drawPart(int index, double scale, QRect part);

    // Keeps `page`, made from this file elsewhere (a prefetch), as the page at `index`
    // in place of the one kept before.
    void keep(int index, const ViewPage& page);
    // How many pages were decoded on the calling thread so far: a prefetched page
    // shown decodes none.
    static int decodesOnThisThread();
    // How many pixels those decodes gave: fewer than the pages' where decoded reduced.
    static qint64 pixelsDecodedOnThisThread();

    class Source;

private:
    void checkIndex(int index) const;
    void decode(int index, const RowReader& whileDecoding, const ScaleFor& scaleFor);

    QString m_path;
    std::unique_ptr<Source> m_source;
    int m_cachedIndex = -1;
    ViewPage m_cached;
};

} // namespace wo::imaging
