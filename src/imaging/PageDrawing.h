#pragma once

#include "imaging/ViewGeometry.h"

#include <QImage>
#include <QRect>
#include <vector>

// What a view paints of a page, free of the widget: which pixels of the page scaled
// by the zoom land in it, and those pixels made from the decoded page. Safe to use
// on any thread.
namespace wo::imaging::drawing {

// Maps image pixels to widget pixels for a view of an image turned by `turns`.
QTransform toWidget(QSize image, int turns, geometry::View view, QSize widget);

// The pixels of the image scaled by the view's zoom that land in the widget.
QRect shownPart(QSize image, int turns, geometry::View view, QSize widget);

// A part of a page at one scale, as a view paints it.
struct Part {
    double scale = 0;
    QRect part;
    bool operator==(const Part&) const = default;
};

// The parts a view paints next, most likely: at `view` and at the `fit` of a page of
// that size, which the windows apply to each newly shown page. Empty parts are left out.
std::vector<Part> likelyParts(QSize page, int turns, geometry::View view, int fit, QSize widget);

// `part` of a page of `pageSize` scaled by `scale`, made from `image`, its decoded
// pixels (possibly fewer than the page's): bilevel and grey pages shrunk without
// widening them, others through Qt, averaging when shrunk and sharp when enlarged.
QImage drawRaster(const QImage& image, QSize pageSize, double scale, QRect part);

} // namespace wo::imaging::drawing
