#include "imaging/BilevelShrink.h"
#include "imaging/DecodedRows.h"

#include <QRandomGenerator>
#include <QTest>
#include <cmath>
#include <thread>

using namespace wo::imaging;

namespace {

// A mono page with random ink of the given density, ink as bit 1.
QImage randomPage(int width, int height, int inkPercent, quint32 seed) {
    QImage page(width, height, QImage::Format_Mono);
    page.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    page.fill(0);
    QRandomGenerator random(seed);
    for (int y = 0; y < height; ++y) {
        // Whole white bands, as on text pages, besides scattered ink.
        if ((y / 50) % 3 == 2)
            continue;
        for (int x = 0; x < width; ++x)
            if (int(random.bounded(100)) < inkPercent)
                page.setPixel(x, y, 1);
    }
    return page;
}

// The grey level an output pixel must have: the share of ink under it.
int expectedGrey(const QImage& page, double scale, int ox, int oy) {
    const auto bound = [scale](int i, int limit) { return std::min(limit, int(std::floor(i / scale))); };
    const int x0 = bound(ox, page.width()), x1 = bound(ox + 1, page.width());
    const int y0 = bound(oy, page.height()), y1 = bound(oy + 1, page.height());
    int ink = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            ink += page.pixelIndex(x, y);
    const int area = (x1 - x0) * (y1 - y0);
    return area > 0 ? 255 - (255 * ink + area / 2) / area : 255;
}

} // namespace

class TestBilevelShrink : public QObject {
    Q_OBJECT
private slots:
    // Large parts are shrunk in bands on several threads; every band must match
    // the plain average, at the band edges too, and for parts that do not start at 0.
    void everyPixelIsTheShareOfInk_data() {
        QTest::addColumn<double>("scale");
        QTest::addColumn<QRect>("part");
        QTest::newRow("fit width, whole page") << 0.3 << QRect(0, 0, 600, 900);
        QTest::newRow("odd scale, inner part") << 0.37 << QRect(13, 101, 500, 700);
        QTest::newRow("tiny scale") << 0.05 << QRect(0, 0, 100, 150);
    }
    void everyPixelIsTheShareOfInk() {
        QFETCH(double, scale);
        QFETCH(QRect, part);
        const QImage page = randomPage(2000, 3000, 30, 7);
        QVERIFY(shrinksBilevel(page, scale));
        const QImage out = shrinkBilevel(page, scale, part);
        QCOMPARE(out.size(), part.size());
        for (int oy = 0; oy < out.height(); oy += 7)
            for (int ox = 0; ox < out.width(); ox += 11) {
                const int want = expectedGrey(page, scale, part.left() + ox, part.top() + oy);
                const int got = qGray(out.pixel(ox, oy));
                if (std::abs(got - want) > 1)
                    QFAIL(qPrintable(
                        QStringLiteral("pixel %1,%2: %3, expected %4").arg(ox).arg(oy).arg(got).arg(want)));
            }
    }

    // Grey pages are averaged in place, in shares of rows on several threads: every
    // pixel the mean of the pixels under it, unequal scales and the clamped last
    // column and row included.
    void greyIsTheMeanOfItsPixels_data() {
        QTest::addColumn<double>("sx");
        QTest::addColumn<double>("sy");
        QTest::addColumn<QRect>("part");
        QTest::newRow("fit width, whole page") << 0.3 << 0.3 << QRect(0, 0, 300, 450);
        QTest::newRow("reduced decode, unequal scales") << 0.41 << 0.39 << QRect(7, 33, 400, 500);
        QTest::newRow("part running past the last pixel") << 0.25 << 0.25 << QRect(200, 300, 51, 76);
        QTest::newRow("tiny scale") << 0.01 << 0.01 << QRect(0, 0, 10, 15);
    }
    void greyIsTheMeanOfItsPixels() {
        QFETCH(double, sx);
        QFETCH(double, sy);
        QFETCH(QRect, part);
        QImage page(1000, 1500, QImage::Format_Grayscale8);
        QRandomGenerator random(3);
        for (int y = 0; y < page.height(); ++y)
            for (int x = 0; x < page.width(); ++x)
                page.scanLine(y)[x] = uchar((x * 7 + y * 3) % 256 ^ random.bounded(16));
        QVERIFY(shrinksGrey(page, sx, sy));
        const QImage out = shrinkGrey(page, sx, sy, part);
        QCOMPARE(out.format(), QImage::Format_Grayscale8);
        QCOMPARE(out.size(), part.size());
        const auto span = [](int i, double scale, int limit) {
            const int from = std::min(limit - 1, int(std::floor(i / scale)));
            return std::pair(from, std::clamp(int(std::floor((i + 1) / scale)), from + 1, limit));
        };
        for (int oy = 0; oy < out.height(); oy += 5)
            for (int ox = 0; ox < out.width(); ox += 3) {
                const auto [x0, x1] = span(part.left() + ox, sx, page.width());
                const auto [y0, y1] = span(part.top() + oy, sy, page.height());
                qint64 sum = 0;
                for (int y = y0; y < y1; ++y)
                    for (int x = x0; x < x1; ++x)
                        sum += page.constScanLine(y)[x];
                const qint64 area = qint64(x1 - x0) * (y1 - y0);
                const int want = int((sum + area / 2) / area);
                const int got = out.constScanLine(oy)[ox];
                if (std::abs(got - want) > 0)
                    QFAIL(qPrintable(
                        QStringLiteral("pixel %1,%2: %3, expected %4").arg(ox).arg(oy).arg(got).arg(want)));
            }
        QVERIFY(!shrinksGrey(page, 1.0, 0.5));
        QVERIFY(!shrinksGrey(page.convertToFormat(QImage::Format_RGB32), 0.5, 0.5));
    }

    // Shrinking on one thread while another decodes in uneven steps and joins in
    // once every row is there gives the picture shrinking the finished page gives;
    // rows that never come give none, and nobody is left waiting for them.
    void whileDecoding_data() {
        QTest::addColumn<double>("scale");
        QTest::addColumn<QRect>("part");
        QTest::addColumn<int>("rowsDecoded");
        QTest::addColumn<bool>("complete");
        QTest::newRow("whole page") << 0.3 << QRect(0, 0, 600, 900) << 3000 << true;
        QTest::newRow("inner part") << 0.37 << QRect(13, 101, 500, 700) << 3000 << true;
        QTest::newRow("top part, decoding stops below it") << 0.37 << QRect(13, 0, 500, 300) << 820 << true;
        QTest::newRow("decoding stops inside the part") << 0.3 << QRect(0, 0, 600, 900) << 1500 << false;
    }
    void whileDecoding() {
        QFETCH(double, scale);
        QFETCH(QRect, part);
        QFETCH(int, rowsDecoded);
        QFETCH(bool, complete);
        const QImage page = randomPage(2000, 3000, 30, 11);
        ShrinkInBands shrink(page, scale, part);
        DecodedRows rows;
        std::thread beside([&] { shrink.work(rows); });
        for (int done = 0; done < rowsDecoded;)
            rows.advance(done = std::min(rowsDecoded, done + 1 + done % 97));
        if (rowsDecoded == page.height())
            shrink.work(rows);
        rows.stop();
        beside.join();
        if (complete)
            QCOMPARE(shrink.result(), shrinkBilevel(page, scale, part));
        else
            QVERIFY(shrink.result().isNull());
    }

    void onlyOpaqueTwoColourPagesBelowFullSize() {
        QImage page = randomPage(64, 64, 10, 1);
        QVERIFY(!shrinksBilevel(page, 1.0));
        QVERIFY(!shrinksBilevel(page.convertToFormat(QImage::Format_Grayscale8), 0.5));
        page.setColor(0, qRgba(255, 255, 255, 0));
        QVERIFY(!shrinksBilevel(page, 0.5));
    }
};

int runBilevelShrinkTest(int argc, char** argv) {
    TestBilevelShrink test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_bilevelshrink.moc"
