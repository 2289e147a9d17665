#include "imaging/BilevelShrink.h"

#include "imaging/DecodedRows.h"

#include <QThread>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <system_error>
#include <thread>
#include <vector>

namespace wo::imaging {

namespace {

// Output rows a thread takes at a time.
constexpr int RowsPerBand = 16;
// Below this many output rows of a finished image a second thread is not worth starting.
constexpr int MinRowsPerThread = 64;

// Source pixel bounds of `count` output pixels from `first` on: output pixel i
// covers source pixels bounds[i] up to bounds[i + 1].
std::vector<int> sourceBounds(int first, int count, double scale, int limit) {
    std::vector<int> bounds(size_t(count) + 1);
    for (int i = 0; i <= count; ++i)
        bounds[size_t(i)] = std::min(limit, int(std::floor((first + i) / scale)));
    return bounds;
}

} // namespace

// What every row of one shrink shares: which output column each bit of a source
// byte adds to, the weights and the colour of each ink level.
class ShrinkInBands::Rows {
public:
    Rows(const QImage& image, double scale, QRect part)
        : m_image(image), m_width(part.width()),
          m_xs(sourceBounds(part.left(), part.width(), scale, image.width())),
          m_ys(sourceBounds(part.top(), part.height(), scale, image.height())) {
        for (int level = 0; level < 256; ++level) {
            const auto mix = [level](int off, int on) {
                return (off * (255 - level) + on * level + 127) / 255;
            };
            const QRgb off = image.color(0);
            const QRgb on = image.color(1);
            m_shades[size_t(level)] =
                qRgb(mix(qRed(off), qRed(on)), mix(qGreen(off), qGreen(on)), mix(qBlue(off), qBlue(on)));
        }
        m_perColumn.resize(size_t(m_width));
        for (size_t i = 0; i < m_perColumn.size(); ++i)
            m_perColumn[i] = m_xs[i + 1] > m_xs[i] ? 255.0f / float(m_xs[i + 1] - m_xs[i]) : 0;
        m_firstByte = m_xs.front() / 8;
        m_usedBytes = (m_xs.back() + 7) / 8 - m_firstByte;
        m_piecesOf.resize(size_t(m_usedBytes) + 1);
        for (qsizetype byte = 0, x = 0; byte < m_usedBytes; ++byte) {
            m_piecesOf[size_t(byte)] = m_pieces.size();
            for (int bit = 0; bit < 8; ++bit) {
                const int column = int(m_firstByte + byte) * 8 + bit;
                while (x < m_width && m_xs[size_t(x) + 1] <= column)
                    ++x;
                if (x == m_width || column < m_xs[size_t(x)])
                    continue;
                if (m_pieces.size() == m_piecesOf[size_t(byte)] || m_pieces.back().output != quint32(x))
                    m_pieces.push_back({quint32(x), 0});
                m_pieces.back().mask |= uchar(0x80 >> bit);
            }
        }
        m_piecesOf.back() = m_pieces.size();
    }

    int height() const { return int(m_ys.size()) - 1; }
    // The image rows that output rows [0, end) need.
    int sourceRowsFor(int end) const { return m_ys[size_t(end)]; }

    // Output rows [first, end) into lines of `stride` bytes from `bits`. Rows
    // without a set bit cost almost nothing, and most rows of a text page have none.
    void make(int first, int end, uchar* bits, qsizetype stride) const {
        static const auto ones = [] {
            std::array<uchar, 256> table{};
            for (int byte = 0; byte < 256; ++byte)
                table[size_t(byte)] = uchar(qPopulationCount(quint32(byte)));
            return table;
        }();
        const std::vector<QRgb> blankLine(static_cast<size_t>(m_width), m_shades[0]);
        std::vector<quint32> sums(static_cast<size_t>(m_width));
        for (int oy = first; oy < end; ++oy) {
            auto* line = reinterpret_cast<QRgb*>(bits + oy * stride);
            bool inked = false;
            for (int y = m_ys[size_t(oy)]; y < m_ys[size_t(oy) + 1]; ++y) {
                const uchar* source = m_image.constScanLine(y) + m_firstByte;
                qsizetype byte = 0;
                for (;;) {
                    // Whole words of white are passed over at once.
                    quint64 word = 0;
                    while (byte + 8 <= m_usedBytes && (std::memcpy(&word, source + byte, 8), word == 0))
                        byte += 8;
                    if (byte >= m_usedBytes)
                        break;
                    const qsizetype end8 = std::min(m_usedBytes, byte + 8);
                    for (; byte < end8; ++byte) {
                        if (source[byte] == 0)
                            continue;
                        if (!inked)
                            std::fill(sums.begin(), sums.end(), 0);
                        inked = true;
                        for (size_t p = m_piecesOf[size_t(byte)]; p < m_piecesOf[size_t(byte) + 1]; ++p)
                            sums[m_pieces[p].output] += ones[source[byte] & m_pieces[p].mask];
                    }
                }
            }
            if (!inked) {
                std::memcpy(line, blankLine.data(), blankLine.size() * sizeof(QRgb));
                continue;
            }
            const int count = m_ys[size_t(oy) + 1] - m_ys[size_t(oy)];
            const float perRow = count > 0 ? 1.0f / float(count) : 0;
            for (size_t x = 0; x < m_perColumn.size(); ++x)
                line[x] =
                    m_shades[size_t(std::min(255, int(float(sums[x]) * m_perColumn[x] * perRow + 0.5f)))];
        }
    }

private:
    struct Piece {
        quint32 output;
        uchar mask;
    };
    const QImage m_image;
    int m_width;
    std::vector<int> m_xs;
    std::vector<int> m_ys;
    std::array<QRgb, 256> m_shades{};
    std::vector<float> m_perColumn;
    qsizetype m_firstByte = 0;
    qsizetype m_usedBytes = 0;
    std::vector<Piece> m_pieces;
    std::vector<size_t> m_piecesOf;
};

bool shrinksBilevel(const QImage& image, double scale) {
    return scale < 1 && image.format() == QImage::Format_Mono && image.colorCount() == 2 &&
           qAlpha(image.color(0)) == 255 && qAlpha(image.color(1)) == 255;
}

ShrinkInBands::ShrinkInBands(const QImage& image, double scale, QRect part)
    : m_rows(std::make_unique<const Rows>(image, scale, part)), m_size(part.size()) {}

ShrinkInBands::~ShrinkInBands() = default;

void ShrinkInBands::work(const DecodedRows& rows) {
    // Made by the first thread to work, normally the one beside the decoding: the
    // part then comes from that thread's malloc arena, and the decoding thread's
    // heap, which holds the page, stays small enough for glibc to keep it for the
    // next page rather than hand it back and fault it in again.
    std::call_once(m_allocated, [this] {
        m_out = QImage(m_size, QImage::Format_RGB32);
        if (!m_out.isNull()) {
            // Taken once here: the bands are written through these from several threads.
            m_bits = m_out.bits();
            m_stride = m_out.bytesPerLine();
        }
    });
    const int height = m_rows->height();
    if (!m_bits)
        return;
    for (;;) {
        const int first = m_nextBand.fetch_add(1) * RowsPerBand;
        if (first >= height)
            return;
        const int end = std::min(height, first + RowsPerBand);
        if (rows.waitFor(m_rows->sourceRowsFor(end)) < m_rows->sourceRowsFor(end))
            return;
        m_rows->make(first, end, m_bits, m_stride);
        m_bandsMade.fetch_add(1, std::memory_order_release);
    }
}

QImage ShrinkInBands::result() const {
    const int bands = (m_rows->height() + RowsPerBand - 1) / RowsPerBand;
    return m_bandsMade.load(std::memory_order_acquire) == bands && m_bits ? m_out : QImage();
}

// Runs work(share) for every share below count: share 0 on this thread, the others on
// threads of their own rather than a pool's, so that their joins order the work with
// the result, as the thread checker sees too. A share no thread can be had for is
// done here.
namespace {

template <typename Work> void runInShares(int count, const Work& work) {
    std::vector<std::jthread> beside;
    for (int share = 1; share < count; ++share) {
        try {
            beside.emplace_back([&work, share] { work(share); });
        } catch (const std::system_error&) {
            work(share);
        }
    }
    work(0);
}

} // namespace

QImage shrinkBilevel(const QImage& image, double scale, QRect part) {
    ShrinkInBands shrink(image, scale, part);
    DecodedRows all;
    all.advance(image.height());
    const int threads =
        std::clamp(part.height() / MinRowsPerThread, 1, std::max(1, QThread::idealThreadCount()));
    runInShares(threads, [&](int) { shrink.work(all); });
    return shrink.result();
}

bool shrinksGrey(const QImage& image, double sx, double sy) {
    return sx < 1 && sy < 1 && image.format() == QImage::Format_Grayscale8;
}

QImage shrinkGrey(const QImage& image, double sx, double sy, QRect part) {
    QImage out(part.size(), QImage::Format_Grayscale8);
    if (out.isNull() || image.isNull())
        return {};
    // Each output pixel covers at least one source pixel, the last one at the edges.
    const auto spans = [](int first, int count, double scale, int limit) {
        std::vector<int> bounds = sourceBounds(first, count, scale, limit);
        std::vector<std::pair<int, int>> spans(static_cast<size_t>(count));
        for (size_t i = 0; i < spans.size(); ++i) {
            const int from = std::clamp(bounds[i], 0, limit - 1);
            spans[i] = {from, std::clamp(bounds[i + 1], from + 1, limit)};
        }
        return spans;
    };
    const auto columns = spans(part.left(), part.width(), sx, image.width());
    const auto rows = spans(part.top(), part.height(), sy, image.height());
    const auto makeRows = [&](int first, int end) {
        std::vector<quint32> sums(columns.size());
        for (int oy = first; oy < end; ++oy) {
            std::fill(sums.begin(), sums.end(), 0);
            const auto [top, bottom] = rows[size_t(oy)];
            for (int y = top; y < bottom; ++y) {
                const uchar* line = image.constScanLine(y);
                for (size_t x = 0; x < columns.size(); ++x)
                    for (int from = columns[x].first; from < columns[x].second; ++from)
                        sums[x] += line[from];
            }
            uchar* target = out.scanLine(oy);
            for (size_t x = 0; x < columns.size(); ++x) {
                const quint32 count = quint32(bottom - top) * quint32(columns[x].second - columns[x].first);
                target[x] = uchar((sums[x] + count / 2) / count);
            }
        }
    };
    const int threads =
        std::clamp(part.height() / MinRowsPerThread, 1, std::max(1, QThread::idealThreadCount()));
    runInShares(threads, [&](int share) {
        makeRows(part.height() * share / threads, part.height() * (share + 1) / threads);
    });
    return out;
}

} // namespace wo::imaging
