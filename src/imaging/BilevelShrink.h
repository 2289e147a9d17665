#pragma once

#include "wo_internal_export.h"

#include <QImage>
#include <QRect>
#include <atomic>
#include <memory>
#include <mutex>

namespace wo::imaging {

class DecodedRows;

// Bilevel pages are shrunk here rather than by Qt, whose smooth scaling first
// turns the whole visible part into 32-bit pixels. True when `image` at `scale`
// is one of them.
WO_INTERNAL bool shrinksBilevel(const QImage& image, double scale);

// `part` of a bilevel image scaled by `scale` < 1, each output pixel the share of
// ink under it blended between the image's two colours.
WO_INTERNAL QImage shrinkBilevel(const QImage& image, double scale, QRect part);

// Grey pages likewise: `part` of an 8-bit grey image scaled by `sx` x `sy`, both
// below 1, each output pixel the mean of the pixels under it, read in place and
// never widened to 32 bits. A null image when memory runs out.
WO_INTERNAL bool shrinksGrey(const QImage& image, double sx, double sy);
WO_INTERNAL QImage shrinkGrey(const QImage& image, double sx, double sy, QRect part);

// The same while `image` is being decoded, by any number of threads at once: the
// part is made in bands of output rows, each taken by one thread as soon as the
// image rows under it are decoded.
class WO_INTERNAL ShrinkInBands {
public:
    ShrinkInBands(const QImage& image, double scale, QRect part);
    ~ShrinkInBands();
    ShrinkInBands(const ShrinkInBands&) = delete;
    ShrinkInBands& operator=(const ShrinkInBands&) = delete;

    // Makes bands no other call has taken, until none is left or the decoding
    // stops short of one.
    void work(const DecodedRows& rows);
    // Once every work() has returned: the part, or a null image when a band is
    // missing or memory ran out.
    QImage result() const;

private:
    class Rows;
    std::unique_ptr<const Rows> m_rows;
    QSize m_size;
    std::once_flag m_allocated;
    QImage m_out;
    uchar* m_bits = nullptr;
    qsizetype m_stride = 0;
    std::atomic<int> m_nextBand{0};
    std::atomic<int> m_bandsMade{0};
};

} // namespace wo::imaging
