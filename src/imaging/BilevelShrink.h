#pragma once

#include <QImage>
#include <QRect>

namespace wo::imaging {

// Bilevel pages are shrunk here rather than by Qt, whose smooth scaling first
// turns the whole visible part into 32-bit pixels. True when `image` at `scale`
// is one of them.
bool shrinksBilevel(const QImage& image, double scale);

// `part` of a bilevel image scaled by `scale` < 1, each output pixel the share of
// ink under it blended between the image's two colours.
QImage shrinkBilevel(const QImage& image, double scale, QRect part);

} // namespace wo::imaging
