#pragma once

#include "wo_internal_export.h"

#include <QPointF>
#include <QRect>
#include <QSize>
#include <QTransform>

// The view's maths, free of widgets: an image of some size is turned by quarter
// turns, scaled by a zoom in percent and scrolled inside a viewport. Content
// smaller than the viewport is centred on that axis.
namespace wo::imaging::geometry {

// Quarter turns clockwise, any integer; reduced to 0..3.
int normalTurns(int quarterTurns);
WO_INTERNAL QSize rotatedSize(QSize image, int quarterTurns);
QSizeF contentSize(QSize rotatedImage, double zoomPercent);
// mode: 0 best fit, 1 fit to width, 3 actual size; 0 for an unknown mode or an empty image.
WO_INTERNAL double fitZoom(QSize rotatedImage, QSize viewport, int mode);
// Keeps the scroll offset within 0..(content - viewport) per axis.
WO_INTERNAL QPointF clampScroll(QPointF scroll, QSizeF content, QSize viewport);
// Widget position of the content's top-left corner.
WO_INTERNAL QPointF contentOrigin(QSizeF content, QSize viewport, QPointF scroll);
// Maps image pixels to widget pixels.
WO_INTERNAL QTransform imageToWidget(QSizeF image, int quarterTurns, double zoomPercent, QPointF origin);
// The image pixels that land inside the viewport (whole pixels, clipped to the image).
WO_INTERNAL QRect visibleImageRect(const QTransform& imageToWidget, QSize viewport, QSize image);

// The largest zoom any step reaches: one image pixel 64 screen pixels wide. Beyond
// it nothing more can be seen, and the content's size would leave integer range.
inline constexpr double MaxZoomPercent = 6400;

struct View {
    double zoomPercent = 100;
    QPointF scroll;
    bool operator==(const View&) const = default;
};
// The view after changing the zoom (at most MaxZoomPercent) so the point at the
// viewport's centre stays there.
WO_INTERNAL View zoomAroundCentre(View view, double newZoomPercent, QSize rotatedImage, QSize viewport);
// The view whose zoom makes the selection (widget pixels) fill the viewport, centred
// on it; the zoom stops at MaxZoomPercent.
WO_INTERNAL View zoomToRect(View view, QRect selection, QSize rotatedImage, QSize viewport);

} // namespace wo::imaging::geometry
