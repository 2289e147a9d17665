#include "imaging/PageDrawing.h"

#include "imaging/BilevelShrink.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace wo::imaging::drawing {

QTransform toWidget(QSize image, int turns, geometry::View view, QSize widget) {
    const QSizeF content = geometry::contentSize(geometry::rotatedSize(image, turns), view.zoomPercent);
    return geometry::imageToWidget(image, turns, view.zoomPercent,
                                   geometry::contentOrigin(content, widget, view.scroll));
}

QRect shownPart(QSize image, int turns, geometry::View view, QSize widget) {
    const QRect visible = geometry::visibleImageRect(toWidget(image, turns, view, widget), widget, image);
    if (visible.isEmpty())
        return {};
    const double scale = view.zoomPercent / 100;
    // Kept in integer range whatever the zoom.
    const auto pixel = [](double v) { return int(std::clamp(v, -1e9, 1e9)); };
    const QRect whole(0, 0, pixel(std::ceil(image.width() * scale)),
                      pixel(std::ceil(image.height() * scale)));
    const QPoint topLeft(pixel(std::floor(visible.left() * scale)), pixel(std::floor(visible.top() * scale)));
    const QPoint end(pixel(std::ceil((visible.right() + 1) * scale)),
                     pixel(std::ceil((visible.bottom() + 1) * scale)));
    return QRect(topLeft, end - QPoint(1, 1)).intersected(whole);
}

std::vector<Part> likelyParts(QSize page, int turns, geometry::View view, int fit, QSize widget) {
    const QSize turned = geometry::rotatedSize(page, turns);
    view.scroll = geometry::clampScroll(view.scroll, geometry::contentSize(turned, view.zoomPercent), widget);
    std::vector<Part> parts;
    for (const geometry::View& likely :
         {view, geometry::View{geometry::fitZoom(turned, widget, fit), QPointF()}}) {
        const Part part{likely.zoomPercent / 100, shownPart(page, turns, likely, widget)};
        if (part.scale > 0 && !part.part.isEmpty() &&
            std::find(parts.begin(), parts.end(), part) == parts.end())
            parts.push_back(part);
    }
    return parts;
}

QImage drawRaster(const QImage& image, QSize pageSize, double scale, QRect part) {
    if (image.isNull() || pageSize.isEmpty())
        return {};
    if (shrinksBilevel(image, scale))
        return shrinkBilevel(image, scale, part);
    // From the decoded pixels, which may be fewer than the page's; only those under
    // the part are read.
    const double sx = scale * pageSize.width() / image.width();
    const double sy = scale * pageSize.height() / image.height();
    if (shrinksGrey(image, sx, sy))
        return shrinkGrey(image, sx, sy, part);
    const QTransform toPart = QTransform::fromScale(sx, sy) * QTransform::fromTranslate(-part.x(), -part.y());
    const QRect source = toPart.inverted()
                             .mapRect(QRectF(QPointF(), QSizeF(part.size())))
                             .toAlignedRect()
                             .adjusted(-1, -1, 1, 1)
                             .intersected(image.rect());
    QImage out(part.size(), QImage::Format_ARGB32_Premultiplied);
    if (source.isEmpty() || out.isNull())
        return {};
    QImage pixels = image.copy(source);
    // Shrunk by averaging, which keeps the thin lines that sampling would drop;
    // enlarged pixels stay sharp.
    if (sx < 1 || sy < 1)
        pixels =
            pixels.scaled(std::max(1, qRound(source.width() * sx)), std::max(1, qRound(source.height() * sy)),
                          Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    out.fill(Qt::transparent);
    QPainter painter(&out);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, scale < 1);
    painter.setTransform(QTransform::fromScale(double(source.width()) / pixels.width(),
                                               double(source.height()) / pixels.height()) *
                         QTransform::fromTranslate(source.x(), source.y()) * toPart);
    painter.drawImage(0, 0, pixels);
    return out;
}

} // namespace wo::imaging::drawing
