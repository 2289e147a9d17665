#include "imaging/ViewGeometry.h"

#include <QTest>

using namespace wo::imaging::geometry;

class TestViewGeometry : public QObject {
    Q_OBJECT
private slots:
    void fitZoom_data() {
        QTest::addColumn<QSize>("image");
        QTest::addColumn<QSize>("viewport");
        QTest::addColumn<int>("mode");
        QTest::addColumn<double>("zoom");
        QTest::newRow("best, height limits") << QSize(400, 800) << QSize(200, 200) << 0 << 25.0;
        QTest::newRow("best, width limits") << QSize(800, 400) << QSize(200, 200) << 0 << 25.0;
        QTest::newRow("best, enlarges") << QSize(50, 20) << QSize(200, 200) << 0 << 400.0;
        QTest::newRow("width ignores height") << QSize(400, 800) << QSize(200, 200) << 1 << 50.0;
        QTest::newRow("actual") << QSize(400, 800) << QSize(200, 200) << 3 << 100.0;
        QTest::newRow("unknown mode") << QSize(400, 800) << QSize(200, 200) << 2 << 0.0;
        QTest::newRow("no image") << QSize() << QSize(200, 200) << 0 << 0.0;
    }
    void fitZoom() {
        QFETCH(QSize, image);
        QFETCH(QSize, viewport);
        QFETCH(int, mode);
        QFETCH(double, zoom);
        QCOMPARE(wo::imaging::geometry::fitZoom(image, viewport, mode), zoom);
    }

    // Where the image's top-left and bottom-right corners land after each turn.
    void rotation_data() {
        QTest::addColumn<int>("turns");
        QTest::addColumn<QSize>("rotated");
        QTest::addColumn<QPointF>("topLeft");
        QTest::addColumn<QPointF>("bottomRight");
        QTest::newRow("none") << 0 << QSize(40, 20) << QPointF(0, 0) << QPointF(40, 20);
        QTest::newRow("right") << 1 << QSize(20, 40) << QPointF(20, 0) << QPointF(0, 40);
        QTest::newRow("half") << 2 << QSize(40, 20) << QPointF(40, 20) << QPointF(0, 0);
        QTest::newRow("left") << -1 << QSize(20, 40) << QPointF(0, 40) << QPointF(20, 0);
        QTest::newRow("five right") << 5 << QSize(20, 40) << QPointF(20, 0) << QPointF(0, 40);
    }
    void rotation() {
        QFETCH(int, turns);
        QFETCH(QSize, rotated);
        QFETCH(QPointF, topLeft);
        QFETCH(QPointF, bottomRight);
        const QSize image(40, 20);
        QCOMPARE(rotatedSize(image, turns), rotated);
        // Zoom 200 % and an origin of (5, 7) scale and shift every point alike.
        const QTransform t = imageToWidget(image, turns, 200, QPointF(5, 7));
        QCOMPARE(t.map(QPointF(0, 0)), topLeft * 2 + QPointF(5, 7));
        QCOMPARE(t.map(QPointF(40, 20)), bottomRight * 2 + QPointF(5, 7));
    }

    void scrolling_data() {
        QTest::addColumn<QSizeF>("content");
        QTest::addColumn<QPointF>("scroll");
        QTest::addColumn<QPointF>("clamped");
        QTest::addColumn<QPointF>("origin");
        QTest::newRow("inside") << QSizeF(300, 400) << QPointF(50, 60) << QPointF(50, 60)
                                << QPointF(-50, -60);
        QTest::newRow("below 0") << QSizeF(300, 400) << QPointF(-5, -1) << QPointF(0, 0) << QPointF(0, 0);
        QTest::newRow("past end") << QSizeF(300, 400) << QPointF(900, 900) << QPointF(200, 300)
                                  << QPointF(-200, -300);
        QTest::newRow("small content centred")
            << QSizeF(40, 400) << QPointF(30, 10) << QPointF(0, 10) << QPointF(30, -10);
    }
    void scrolling() {
        QFETCH(QSizeF, content);
        QFETCH(QPointF, scroll);
        QFETCH(QPointF, clamped);
        QFETCH(QPointF, origin);
        const QSize view(100, 100);
        QCOMPARE(clampScroll(scroll, content, view), clamped);
        QCOMPARE(contentOrigin(content, view, clamped), origin);
    }

    void visibleRect_data() {
        QTest::addColumn<double>("zoom");
        QTest::addColumn<QPointF>("origin");
        QTest::addColumn<QRect>("visible");
        QTest::newRow("whole image") << 5.0 << QPointF(0, 0) << QRect(0, 0, 1000, 800);
        QTest::newRow("actual size corner") << 100.0 << QPointF(0, 0) << QRect(0, 0, 100, 50);
        QTest::newRow("scrolled") << 200.0 << QPointF(-400, -200) << QRect(200, 100, 50, 25);
        QTest::newRow("huge zoom is one pixel") << 1e6 << QPointF(-5e6, -5e6) << QRect(500, 500, 1, 1);
    }
    void visibleRect() {
        QFETCH(double, zoom);
        QFETCH(QPointF, origin);
        QFETCH(QRect, visible);
        const QSize image(1000, 800);
        QCOMPARE(visibleImageRect(imageToWidget(image, 0, zoom, origin), QSize(100, 50), image), visible);
    }

    void zoomToRect_data() {
        QTest::addColumn<QRect>("selection");
        QTest::addColumn<double>("zoom");
        QTest::addColumn<QPointF>("scroll");
        // A 1000 x 1000 image at 100 % in a 200 x 100 view, scrolled to (100, 100).
        QTest::newRow("half the view") << QRect(0, 0, 100, 50) << 200.0 << QPointF(200, 200);
        QTest::newRow("tall selection") << QRect(50, 0, 10, 100) << 100.0 << QPointF(55, 100);
        QTest::newRow("empty keeps the view") << QRect(10, 10, 0, 5) << 100.0 << QPointF(100, 100);
    }
    void zoomToRect() {
        QFETCH(QRect, selection);
        QFETCH(double, zoom);
        QFETCH(QPointF, scroll);
        const View result = wo::imaging::geometry::zoomToRect({100, QPointF(100, 100)}, selection,
                                                              QSize(1000, 1000), QSize(200, 100));
        QCOMPARE(result, (View{zoom, scroll}));
    }

    void zoomAroundCentreKeepsTheCentre() {
        const View result =
            zoomAroundCentre({100, QPointF(100, 100)}, 300, QSize(1000, 1000), QSize(200, 100));
        // Centre point (200, 150) of the content goes to (600, 450).
        QCOMPARE(result, (View{300, QPointF(500, 400)}));
    }
};

int runViewGeometryTest(int argc, char** argv) {
    TestViewGeometry test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_viewgeometry.moc"
