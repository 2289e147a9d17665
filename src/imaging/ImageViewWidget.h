#pragma once

#include "imaging/ImageView.h"
#include "imaging/PageDocument.h"
#include "imaging/ViewGeometry.h"
#include "wo_internal_export.h"

#include <QImage>
#include <memory>
#include <vector>

class QPrinter;

namespace wo::imaging {

class PageDocument;
class PagePrefetcher;

class WO_INTERNAL ImageViewWidget final : public ImageView {
    Q_OBJECT
public:
    explicit ImageViewWidget(QWidget* parent = nullptr);
    ~ImageViewWidget() override;

    QString imageFile() const override { return m_file; }
    void setImageFile(const QString& path) override;
    int currentPage() const override { return m_page; }
    void setCurrentPage(int page) override { m_page = page; }
    int pageCount() const override;
    double zoomPercent() const override { return m_view.zoomPercent; }
    void setZoomPercent(double percent) override;
    bool selectionMode() const override { return m_selectionMode; }
    void setSelectionMode(bool on) override { m_selectionMode = on; }

    void showImage() override;
    void clearImage() override;
    void fitImage(qint16 mode) override;
    void rotateViewLeft() override { rotateBy(-1); }
    void rotateViewRight() override { rotateBy(1); }
    void scrollImage(qint16 direction, qint32 amount) override;
    void zoomToSelection() override;
    void setSelectionRect(qint32 left, qint32 top, qint32 width, qint32 height) override;
    void printPages(qint16 firstPage, qint16 lastPage, qint32 outputFormat) override;

    // The printer printPages() uses; nullptr means a default printer of its own.
    void setPrinter(QPrinter* printer) { m_printer = printer; }
    // Quarter turns clockwise, 0..3.
    int rotation() const { return m_turns; }
    QPointF scrollOffset() const { return m_view.scroll; }
    QRect selectionRect() const { return m_selection; }
    // Maps image pixels of the shown page to widget pixels.
    QTransform imageTransform() const;
    // The shown page's size in its own pixels; empty while none is shown.
    QSize pageSize() const { return m_pageSize; }
    // Prepares page `page` (from 1) of the file at `path` ("" for the file shown) in the
    // background for the view as it stands, so that showing it next decodes nothing.
    // Showing another page gives the preparation up rather than wait for it.
    void prefetchPage(int page, const QString& path = {});

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    PageDocument& document();
    QSize rotatedImageSize() const;
    QPointF contentOrigin() const;
    // The view and the widget's size in the screen's pixels.
    geometry::View deviceView() const;
    QSize deviceSize() const;
    void setView(geometry::View view);
    void rotateBy(int quarterTurns);
    void dragTo(QPoint at);
    // The page decoded again when the zoom needs more pixels than it was decoded with.
    void sharpen();
    // `part` of the page scaled by `scale`, from the cache when it is there.
    const QImage& drawn(double scale, QRect part);
    QImage drawPart(double scale, QRect part);
    // The zoom, as a scale of the page's pixels, a page of that size is decoded for;
    // `follows`: shown after a page of the same file, at that page's zoom.
    PageDocument::ScaleFor scaleFor(bool follows) const;
    // Shows the page the prefetcher made for it; false when it has none.
    bool showPrefetched();

    QString m_file;
    std::unique_ptr<PageDocument> m_doc;
    // The shown page: its pixels, at a smaller size than the page's where the view
    // needs no more, or none for pages drawn part by part (PDF).
    QImage m_image;
    QSize m_pageSize;
    int m_shownIndex = -1;
    // Tells shown pages apart, also those without pixels.
    qint64 m_shown = 0;
    // Parts of the page as painted: the last painted, so repaints only copy it, or
    // bilevel parts shrunk while the page was decoded.
    struct Drawn {
        qint64 shown = 0;
        double scale = 0;
        QRect part;
        QImage image;
    };
    std::vector<Drawn> m_drawn;
    // The last fit asked for; the windows fit each newly shown page, mostly to width.
    qint16 m_fit = FitToWidth;
    int m_page = 1;
    int m_turns = 0;
    geometry::View m_view;
    bool m_selectionMode = false;
    QRect m_selection;
    enum class Drag { None, Pan, Select } m_drag = Drag::None;
    QPoint m_dragStart;
    QPointF m_scrollAtDragStart;
    QPrinter* m_printer = nullptr;
    std::unique_ptr<QPrinter> m_ownPrinter;
    // Made when the first page is prefetched.
    std::unique_ptr<PagePrefetcher> m_prefetcher;
};

} // namespace wo::imaging
