#include "imaging/ImageViewWidget.h"

#include "imaging/BilevelShrink.h"
#include "imaging/DecodedRows.h"
#include "imaging/PageDocument.h"
#include "imaging/PageDrawing.h"
#include "imaging/PagePrefetcher.h"
#include "platform/Error.h"

#include <QMouseEvent>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QRegion>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

namespace wo::imaging {

int mouseButtonCode(Qt::MouseButtons buttons) {
    return (buttons & Qt::LeftButton ? 1 : 0) | (buttons & Qt::RightButton ? 2 : 0) |
           (buttons & Qt::MiddleButton ? 4 : 0);
}

int mouseShiftCode(Qt::KeyboardModifiers modifiers) {
    return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0) |
           (modifiers & Qt::AltModifier ? 4 : 0);
}

namespace {

// A page's physical size from its resolution; 96 dpi when it has none.
QSizeF pageSizeInMillimetres(const QImage& page) {
    constexpr double MillimetresPerMetre = 1000;
    const auto length = [](int pixels, int dotsPerMetre) {
        return pixels * MillimetresPerMetre / (dotsPerMetre > 0 ? dotsPerMetre : 3780);
    };
    return {length(page.width(), page.dotsPerMeterX()), length(page.height(), page.dotsPerMeterY())};
}

// Paper for a page of that size: its own size, or for a page beyond the largest
// paper in use (A0, 841 x 1189 mm) that paper's in the page's proportions.
QSizeF paperFor(QSizeF millimetres) {
    constexpr double ShortSide = 841;
    constexpr double LongSide = 1189;
    const double shortSide = std::min(millimetres.width(), millimetres.height());
    const double longSide = std::max(millimetres.width(), millimetres.height());
    return millimetres * std::min({1.0, ShortSide / shortSide, LongSide / longSide});
}

// Pages drawn part by part print at the printer's resolution up to this: finer
// rasters of a page would add to the output, not to what paper shows.
constexpr double MaxPrintDpi = 300;

// Renders a page drawn part by part (drawnSize at PageDocument::DrawnDpi) into the
// target, device pixels of a printer of deviceDpi: at the printer's resolution,
// up to MaxPrintDpi, in bands of at most PageDocument::MaxDrawnPixels, each drawn
// where it belongs. Only one band is held at a time, however large the page.
void printDrawnPage(QPainter& painter, PageDocument& doc, int index, QSize drawnSize, const QRectF& target,
                    int deviceDpi) {
    const double dpi = std::min<double>(deviceDpi, MaxPrintDpi);
    const double toDevice = deviceDpi / dpi;
    const QSize pixels(std::max(1, int(std::lround(target.width() / toDevice))),
                       std::max(1, int(std::lround(target.height() / toDevice))));
    const double scale = double(pixels.width()) / std::max(1, drawnSize.width());
    const int bandRows =
        int(std::clamp<qint64>(PageDocument::MaxDrawnPixels / pixels.width(), 1, pixels.height()));
    for (int top = 0; top < pixels.height(); top += bandRows) {
        const QRect part(0, top, pixels.width(), std::min(bandRows, pixels.height() - top));
        painter.drawImage(QRectF(target.x() + part.x() * toDevice, target.y() + part.y() * toDevice,
                                 part.width() * toDevice, part.height() * toDevice),
                          doc.drawPart(index, scale, part));
    }
}

// Bilevel pages count as grey too.
bool isGrey(const QImage& page) {
    return page.depth() == 1 || page.isGrayscale();
}

} // namespace

ImageViewWidget::ImageViewWidget(QWidget* parent) : ImageView(parent) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

ImageViewWidget::~ImageViewWidget() = default;

void ImageViewWidget::setImageFile(const QString& path) {
    // The same path may hold a new file (a fresh scan), so it is opened again.
    if (m_prefetcher && path == m_file)
        m_prefetcher->cancel();
    m_file = path;
    m_doc.reset();
    if (path.isEmpty())
        clearImage();
}

PageDocument& ImageViewWidget::document() {
    if (!m_doc)
        m_doc = std::make_unique<PageDocument>(m_file);
    return *m_doc;
}

int ImageViewWidget::pageCount() const {
    if (m_file.isEmpty())
        return 0;
    // A TIFF's pages are counted only now, after its first page was shown. Where its
    // chain of directories breaks off or loops, the pages before the fault are still
    // shown, and counted.
    std::optional<PageDocument> opened;
    int reachable = 0;
    try {
        const PageDocument& doc = m_doc ? *m_doc : opened.emplace(m_file);
        try {
            return doc.pageCount();
        } catch (const Error&) {
            // Counted below, page by page up to the fault.
        }
        while (doc.hasPage(reachable))
            ++reachable;
    } catch (const Error&) {
        // The pages before the fault.
    }
    return reachable;
}

QSize ImageViewWidget::rotatedImageSize() const {
    return geometry::rotatedSize(m_pageSize, m_turns);
}

QPointF ImageViewWidget::contentOrigin() const {
    const QSizeF content = geometry::contentSize(rotatedImageSize(), m_view.zoomPercent);
    return geometry::contentOrigin(content, size(), m_view.scroll);
}

QTransform ImageViewWidget::imageTransform() const {
    return drawing::toWidget(m_pageSize, m_turns, m_view, size());
}

void ImageViewWidget::setView(geometry::View view) {
    view.scroll = geometry::clampScroll(view.scroll,
                                        geometry::contentSize(rotatedImageSize(), view.zoomPercent), size());
    m_view = view;
    update();
}

void ImageViewWidget::setZoomPercent(double percent) {
    if (!(percent > 0))
        throw err::make(err::InvalidArgument, QStringLiteral("缩放比例必须大于 0%"));
    setView(geometry::zoomAroundCentre(m_view, percent, rotatedImageSize(), size()));
    sharpen();
}

void ImageViewWidget::sharpen() {
    // Pages drawn part by part, or decoded whole, are sharp at any zoom.
    const double scale = deviceView().zoomPercent / 100;
    if (!m_doc || m_image.isNull() || m_image.width() >= m_pageSize.width() ||
        scale * m_pageSize.width() <= m_image.width())
        return;
    m_image = m_doc->pageForView(m_shownIndex, [scale](QSize) { return scale; }).image;
    ++m_shown;
    update();
}

void ImageViewWidget::showImage() {
    if (m_file.isEmpty()) {
        clearImage();
        return;
    }
    PageDocument& doc = document();
    if (!doc.hasPage(m_page - 1))
        throw err::make(err::InvalidArgument, QStringLiteral("%1 没有第 %2 页").arg(m_file).arg(m_page));
    // While a bilevel page is decoded, the parts likely painted next are shrunk beside it.
    std::vector<std::pair<drawing::Part, std::unique_ptr<ShrinkInBands>>> early;
    const auto prepare = [&](const QImage& page) -> PageDocument::RowWork {
        for (const drawing::Part& likely :
             drawing::likelyParts(page.size(), m_turns, deviceView(), m_fit, deviceSize()))
            if (shrinksBilevel(page, likely.scale))
                early.emplace_back(likely, std::make_unique<ShrinkInBands>(page, likely.scale, likely.part));
        if (early.empty())
            return {};
        return [&early](const DecodedRows& rows) {
            for (const auto& made : early)
                made.second->work(rows);
        };
    };
    if (showPrefetched())
        return;
    // Decoded for the zoom it is shown at: the current one when it follows a page, the
    // last fit in an empty view (the windows fit each new document).
    const PageDocument::ScaleFor scale = scaleFor(!m_pageSize.isEmpty());
    // The page before is let go first: two pages need not be held at once.
    m_image = QImage();
    m_pageSize = QSize();
    m_drawn.clear();
    const PageDocument::ViewPage shown = doc.pageForView(m_page - 1, scale, prepare);
    m_image = shown.image;
    m_pageSize = shown.size;
    m_shownIndex = m_page - 1;
    ++m_shown;
    for (const auto& [likely, shrink] : early) {
        if (QImage image = shrink->result(); !image.isNull())
            m_drawn.push_back({m_shown, likely.scale, likely.part, std::move(image)});
    }
    setView(m_view);
}

PageDocument::ScaleFor ImageViewWidget::scaleFor(bool follows) const {
    // By value: the prefetcher calls it on its own thread.
    return [follows, zoom = m_view.zoomPercent, widget = size(), turns = m_turns, fit = m_fit,
            ratio = devicePixelRatioF()](QSize page) {
        const double shown =
            follows ? zoom : geometry::fitZoom(geometry::rotatedSize(page, turns), widget, fit);
        return shown > 0 ? shown / 100 * ratio : 1.0;
    };
}

void ImageViewWidget::prefetchPage(int page, const QString& path) {
    if (!m_prefetcher)
        m_prefetcher = std::make_unique<PagePrefetcher>();
    const bool sameFile = path.isEmpty() || path == m_file;
    // A page of the same file is shown at the current zoom and scroll, the first page
    // of another after a fit.
    geometry::View view = deviceView();
    if (!sameFile)
        view.scroll = QPointF();
    m_prefetcher->prefetch(sameFile ? m_file : path, page - 1, scaleFor(sameFile && !m_pageSize.isEmpty()),
                           [view, turns = m_turns, fit = m_fit, widget = deviceSize()](QSize size) {
                               return drawing::likelyParts(size, turns, view, fit, widget);
                           });
}

bool ImageViewWidget::showPrefetched() {
    if (!m_prefetcher)
        return false;
    std::optional<PagePrefetcher::Prepared> prepared = m_prefetcher->take(m_file, m_page - 1);
    if (!prepared)
        return false;
    // The page the document kept before goes with the one shown before.
    document().keep(m_page - 1, prepared->page);
    m_image = std::move(prepared->page.image);
    m_pageSize = prepared->page.size;
    m_shownIndex = m_page - 1;
    ++m_shown;
    m_drawn.clear();
    for (PagePrefetcher::Prepared::Drawn& drawn : prepared->drawn)
        if (!drawn.image.isNull())
            m_drawn.push_back({m_shown, drawn.part.scale, drawn.part.part, std::move(drawn.image)});
    setView(m_view);
    return true;
}

void ImageViewWidget::clearImage() {
    m_image = QImage();
    m_pageSize = QSize();
    m_shownIndex = -1;
    m_drawn.clear();
    m_selection = QRect();
    m_view.scroll = QPointF();
    update();
}

void ImageViewWidget::fitImage(qint16 mode) {
    if (mode != BestFit && mode != FitToWidth && mode != ActualSize)
        throw err::make(err::InvalidArgument, QStringLiteral("未知的适应方式 %1").arg(mode));
    m_fit = mode;
    const double zoom = geometry::fitZoom(rotatedImageSize(), size(), mode);
    if (zoom > 0) {
        setView({zoom, QPointF()});
        sharpen();
    }
}

void ImageViewWidget::rotateBy(int quarterTurns) {
    m_turns = geometry::normalTurns(m_turns + quarterTurns);
    m_selection = QRect();
    setView({m_view.zoomPercent, QPointF(m_view.scroll.y(), m_view.scroll.x())});
}

void ImageViewWidget::scrollImage(qint16 direction, qint32 amount) {
    const QPointF step = direction == Horizontal ? QPointF(amount, 0) : QPointF(0, amount);
    setView({m_view.zoomPercent, m_view.scroll + step});
}

void ImageViewWidget::zoomToSelection() {
    if (m_selection.isEmpty())
        return;
    const geometry::View view = geometry::zoomToRect(m_view, m_selection, rotatedImageSize(), size());
    m_selection = QRect();
    setView(view);
    sharpen();
}

void ImageViewWidget::setSelectionRect(qint32 left, qint32 top, qint32 width, qint32 height) {
    m_selection = QRect(left, top, width, height);
    update();
}

void ImageViewWidget::printPages(qint16 firstPage, qint16 lastPage, qint32 outputFormat) {
    Q_UNUSED(outputFormat)
    PageDocument& doc = document();
    if (firstPage < 1 || lastPage < firstPage || lastPage > doc.pageCount())
        throw err::make(err::InvalidArgument,
                        QStringLiteral("%1 没有第 %2 至 %3 页").arg(m_file).arg(firstPage).arg(lastPage));
    if (!m_printer) {
        if (!m_ownPrinter)
            m_ownPrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
        m_printer = m_ownPrinter.get();
    }
    QPrinter& printer = *m_printer;
    // A page with pixels of its own prints them on paper of its size; a page without
    // (PDF) is rendered for its paper, never whole at the decode budget.
    const auto pageAt = [&doc](int index) { return doc.pageForView(index, [](QSize) { return 1.0; }); };
    const auto layoutFor = [&printer](const PageDocument::ViewPage& page) {
        const QSizeF millimetres = page.image.isNull() ? QSizeF(page.size) / PageDocument::DrawnDpi * 25.4
                                                       : pageSizeInMillimetres(page.image);
        printer.setPageSize(QPageSize(paperFor(millimetres), QPageSize::Millimeter));
        printer.setPageMargins(QMarginsF(0, 0, 0, 0));
    };
    PageDocument::ViewPage page = pageAt(firstPage - 1);
    printer.setFullPage(true);
    // Grey pages printed in colour would be stored as lossy colour images. A page
    // drawn in parts is judged by a rendering of it at most 512 pixels a side.
    QImage look = page.image;
    if (look.isNull()) {
        const double scale = std::min(1.0, 512.0 / std::max(page.size.width(), page.size.height()));
        look = doc.drawPart(firstPage - 1, scale,
                            QRect(QPoint(0, 0), (QSizeF(page.size) * scale).toSize().expandedTo({1, 1})));
    }
    printer.setColorMode(isGrey(look) ? QPrinter::GrayScale : QPrinter::Color);
    printer.setDocName(m_file);
    layoutFor(page);
    QPainter painter;
    if (!painter.begin(&printer))
        throw err::make(err::PrinterError, QStringLiteral("打印机不能启动"));
    for (int index = firstPage;; ++index) {
        const QRectF target(printer.pageRect(QPrinter::DevicePixel));
        if (page.image.isNull())
            printDrawnPage(painter, doc, index - 1, page.size, target, printer.resolution());
        else
            painter.drawImage(target, page.image);
        if (index == lastPage)
            break;
        // One page held at a time: the printed one goes before the next is decoded.
        page = {};
        page = pageAt(index);
        layoutFor(page);
        printer.newPage();
    }
    painter.end();
}

geometry::View ImageViewWidget::deviceView() const {
    const double ratio = devicePixelRatioF();
    return {m_view.zoomPercent * ratio, m_view.scroll * ratio};
}

QSize ImageViewWidget::deviceSize() const {
    return (QSizeF(size()) * devicePixelRatioF()).toSize();
}

void ImageViewWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // Pages are drawn at the screen's pixels, which on a dense screen are finer than
    // the widget's. Only the visible part is drawn, so the cost does not grow with the zoom.
    const double ratio = devicePixelRatioF();
    const geometry::View device = deviceView();
    const double scale = device.zoomPercent / 100;
    const QRect part =
        m_pageSize.isEmpty() ? QRect() : drawing::shownPart(m_pageSize, m_turns, device, deviceSize());
    const QImage& image = part.isEmpty() ? QImage() : drawn(scale, part);
    const QTransform toWidget =
        geometry::imageToWidget(QSizeF(m_pageSize) * scale, m_turns, 100, contentOrigin() * ratio) *
        QTransform::fromScale(1 / ratio, 1 / ratio);
    // The background only where an opaque page leaves it showing: a page that fills
    // the view is not painted over twice.
    QRegion background(rect());
    if (!image.isNull() && !image.hasAlphaChannel()) {
        const QRectF covered = toWidget.mapRect(QRectF(part));
        background -=
            QRect(QPoint(int(std::ceil(covered.left())), int(std::ceil(covered.top()))),
                  QPoint(int(std::floor(covered.right())) - 1, int(std::floor(covered.bottom())) - 1));
    }
    for (const QRect& piece : background)
        painter.fillRect(piece, palette().color(QPalette::Dark));
    if (!part.isEmpty()) {
        painter.setTransform(toWidget);
        // Smaller than the part only when it was drawn within a pixel budget.
        painter.setRenderHint(QPainter::SmoothPixmapTransform, image.size() != part.size());
        painter.drawImage(QRectF(part), image);
        painter.resetTransform();
    }
    if (!m_selection.isEmpty()) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DashLine));
        painter.drawRect(m_selection.adjusted(0, 0, -1, -1));
    }
}

const QImage& ImageViewWidget::drawn(double scale, QRect part) {
    // Only the part painted now is kept.
    std::erase_if(m_drawn, [&](const Drawn& made) {
        return made.shown != m_shown || made.scale != scale || made.part != part;
    });
    if (m_drawn.empty())
        m_drawn.push_back({m_shown, scale, part, drawPart(scale, part)});
    return m_drawn.front().image;
}

QImage ImageViewWidget::drawPart(double scale, QRect part) {
    if (m_image.isNull()) {
        // Painting cannot fail: a page that no longer draws shows empty.
        try {
            return m_doc ? m_doc->drawPart(m_shownIndex, scale, part) : QImage();
        } catch (const Error&) {
            return {};
        }
    }
    return drawing::drawRaster(m_image, m_pageSize, scale, part);
}

void ImageViewWidget::resizeEvent(QResizeEvent*) {
    setView(m_view);
}

void ImageViewWidget::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    emit mouseDown(mouseButtonCode(event->button()), mouseShiftCode(event->modifiers()), at.x(), at.y());
    if (event->button() != Qt::LeftButton)
        return;
    m_dragStart = at;
    m_scrollAtDragStart = m_view.scroll;
    m_drag = m_selectionMode ? Drag::Select : Drag::Pan;
    if (m_drag == Drag::Select)
        setSelectionRect(0, 0, 0, 0);
}

void ImageViewWidget::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    emit mouseMove(mouseButtonCode(event->buttons()), mouseShiftCode(event->modifiers()), at.x(), at.y());
    dragTo(at);
}

void ImageViewWidget::dragTo(QPoint at) {
    if (m_drag == Drag::Pan)
        setView({m_view.zoomPercent, m_scrollAtDragStart + QPointF(m_dragStart - at)});
    else if (m_drag == Drag::Select)
        setSelectionRect(std::min(at.x(), m_dragStart.x()), std::min(at.y(), m_dragStart.y()),
                         std::abs(at.x() - m_dragStart.x()), std::abs(at.y() - m_dragStart.y()));
}

void ImageViewWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || m_drag == Drag::None)
        return;
    dragTo(event->position().toPoint());
    const bool selecting = m_drag == Drag::Select;
    m_drag = Drag::None;
    if (selecting && !m_selection.isEmpty())
        emit selectionRectDrawn(m_selection.x(), m_selection.y(), m_selection.width(), m_selection.height());
}

void ImageViewWidget::mouseDoubleClickEvent(QMouseEvent*) {
    emit doubleClicked();
}

} // namespace wo::imaging
