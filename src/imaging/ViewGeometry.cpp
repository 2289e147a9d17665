#include "imaging/ViewGeometry.h"

#include <algorithm>

namespace wo::imaging::geometry {

int normalTurns(int quarterTurns) {
    return ((quarterTurns % 4) + 4) % 4;
}

QSize rotatedSize(QSize image, int quarterTurns) {
    return normalTurns(quarterTurns) % 2 ? image.transposed() : image;
}

QSizeF contentSize(QSize rotatedImage, double zoomPercent) {
    return QSizeF(rotatedImage) * (zoomPercent / 100.0);
}

double fitZoom(QSize rotatedImage, QSize viewport, int mode) {
    if (rotatedImage.isEmpty() || viewport.isEmpty())
        return 0;
    const double byWidth = 100.0 * viewport.width() / rotatedImage.width();
    const double byHeight = 100.0 * viewport.height() / rotatedImage.height();
    switch (mode) {
    case 0:
        return std::min(byWidth, byHeight);
    case 1:
        return byWidth;
    case 3:
        return 100;
    default:
        return 0;
    }
}

QPointF clampScroll(QPointF scroll, QSizeF content, QSize viewport) {
    const double maxX = std::max(0.0, content.width() - viewport.width());
    const double maxY = std::max(0.0, content.height() - viewport.height());
    return {std::clamp(scroll.x(), 0.0, maxX), std::clamp(scroll.y(), 0.0, maxY)};
}

QPointF contentOrigin(QSizeF content, QSize viewport, QPointF scroll) {
    const auto axis = [](double contentLength, int viewLength, double offset) {
        return contentLength < viewLength ? (viewLength - contentLength) / 2 : -offset;
    };
    return {axis(content.width(), viewport.width(), scroll.x()),
            axis(content.height(), viewport.height(), scroll.y())};
}

QTransform imageToWidget(QSizeF image, int quarterTurns, double zoomPercent, QPointF origin) {
    const double w = image.width();
    const double h = image.height();
    QTransform turn;
    switch (normalTurns(quarterTurns)) {
    case 1:
        turn = QTransform(0, 1, -1, 0, h, 0);
        break;
    case 2:
        turn = QTransform(-1, 0, 0, -1, w, h);
        break;
    case 3:
        turn = QTransform(0, -1, 1, 0, 0, w);
        break;
    default:
        break;
    }
    const double scale = zoomPercent / 100.0;
    return turn * QTransform::fromScale(scale, scale) * QTransform::fromTranslate(origin.x(), origin.y());
}

QRect visibleImageRect(const QTransform& imageToWidget, QSize viewport, QSize image) {
    bool invertible = false;
    const QTransform toImage = imageToWidget.inverted(&invertible);
    if (!invertible)
        return {};
    const QRectF area = toImage.mapRect(QRectF(QPointF(0, 0), QSizeF(viewport)));
    return area.toAlignedRect().intersected(QRect(QPoint(0, 0), image));
}

View zoomAroundCentre(View view, double newZoomPercent, QSize rotatedImage, QSize viewport) {
    // A fit may already be above the limit; a step never goes further up.
    newZoomPercent = std::min(newZoomPercent, std::max(MaxZoomPercent, view.zoomPercent));
    const QSizeF oldContent = contentSize(rotatedImage, view.zoomPercent);
    const QPointF centre(viewport.width() / 2.0, viewport.height() / 2.0);
    const QPointF pointInContent = centre - contentOrigin(oldContent, viewport, view.scroll);
    const QPointF scaled = pointInContent * (newZoomPercent / view.zoomPercent);
    const QSizeF newContent = contentSize(rotatedImage, newZoomPercent);
    return {newZoomPercent, clampScroll(scaled - centre, newContent, viewport)};
}

View zoomToRect(View view, QRect selection, QSize rotatedImage, QSize viewport) {
    if (selection.isEmpty() || viewport.isEmpty())
        return view;
    const double factor =
        std::min({double(viewport.width()) / selection.width(),
                  double(viewport.height()) / selection.height(), MaxZoomPercent / view.zoomPercent});
    const QSizeF oldContent = contentSize(rotatedImage, view.zoomPercent);
    const QPointF centreInContent =
        QRectF(selection).center() - contentOrigin(oldContent, viewport, view.scroll);
    const double newZoom = view.zoomPercent * factor;
    const QPointF half(viewport.width() / 2.0, viewport.height() / 2.0);
    return {newZoom,
            clampScroll(centreInContent * factor - half, contentSize(rotatedImage, newZoom), viewport)};
}

} // namespace wo::imaging::geometry
