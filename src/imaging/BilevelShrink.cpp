#include "imaging/BilevelShrink.h"

#include <QThread>
#include <QtConcurrent/QtConcurrentMap>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

namespace wo::imaging {

namespace {

// Below this many output rows a band is not worth a thread.
constexpr int MinRowsPerBand = 64;

// Source pixel bounds of `count` output pixels from `first` on: output pixel i
// covers source pixels bounds[i] up to bounds[i + 1].
std::vector<int> sourceBounds(int first, int count, double scale, int limit) {
    std::vector<int> bounds(size_t(count) + 1);
    for (int i = 0; i <= count; ++i)
        bounds[size_t(i)] = std::min(limit, int(std::floor((first + i) / scale)));
    return bounds;
}

// What every row of one shrink shares: which output column each bit of a source
// byte adds to, the weights and the colour of each ink level.
class Shrink {
public:
    Shrink(const QImage& image, double scale, QRect part)
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

    // Output rows [first, end) into lines of `stride` bytes from `bits`. Rows
    // without a set bit cost almost nothing, and most rows of a text page have none.
    void rows(int first, int end, uchar* bits, qsizetype stride) const {
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
    const QImage& m_image;
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

} // namespace

bool shrinksBilevel(const QImage& image, double scale) {
    return scale < 1 && image.format() == QImage::Format_Mono && image.colorCount() == 2 &&
           qAlpha(image.color(0)) == 255 && qAlpha(image.color(1)) == 255;
}

QImage shrinkBilevel(const QImage& image, double scale, QRect part) {
    QImage out(part.size(), QImage::Format_RGB32);
    if (out.isNull())
        return out;
    const Shrink shrink(image, scale, part);
    // Taken once here: the bands write their own rows through these.
    uchar* const bits = out.bits();
    const qsizetype stride = out.bytesPerLine();
    const int height = part.height();
    const int bands = std::clamp(height / MinRowsPerBand, 1, std::max(1, QThread::idealThreadCount()));
    std::vector<int> starts(static_cast<size_t>(bands));
    for (int band = 0; band < bands; ++band)
        starts[size_t(band)] = band;
    QtConcurrent::blockingMap(starts, [&](int band) {
        shrink.rows(height * band / bands, height * (band + 1) / bands, bits, stride);
    });
    return out;
}

} // namespace wo::imaging
