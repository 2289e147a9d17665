// The viewer on a screen of twice the density (QT_SCALE_FACTOR=2) and, at that
// scale, too small for it: 1280 x 720 screen pixels, 640 x 360 of the window's.
#include "ScanTiff.h"
#include "imaging/ImageViewWidget.h"
#include "ui/common/DocumentModel.h"
#include "ui/viewer/frmDetail.h"

#include <QApplication>
#include <QFrame>
#include <QPainter>
#include <QScreen>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QTreeView>

using namespace wo;

class TestHighDensity : public QObject {
    Q_OBJECT
private slots:
    void pagesDrawnAtScreenPixels_data();
    void pagesDrawnAtScreenPixels();
    void viewerFitsOnSmallScreen();

private:
    QTemporaryDir m_dir;
};

void TestHighDensity::pagesDrawnAtScreenPixels_data() {
    QTest::addColumn<int>("format");
    QTest::newRow("bilevel") << int(QImage::Format_Mono);
    QTest::newRow("grey") << int(QImage::Format_Grayscale8);
}

// A page of fine lines shrunk to fit: drawn from the widget's own pixels, every two by
// two screen pixels would be alike.
void TestHighDensity::pagesDrawnAtScreenPixels() {
    QFETCH(int, format);
    QImage page(2480, 3508, QImage::Format_RGB32);
    page.fill(Qt::white);
    {
        QPainter p(&page);
        for (int x = 40; x < page.width() - 40; x += 9)
            p.fillRect(x, 40 + (x % 50), 3, page.height() - 200, Qt::black);
    }
    page = page.convertToFormat(QImage::Format(format), Qt::ThresholdDither);
    const QString file = m_dir.filePath(QStringLiteral("page%1.tif").arg(format));
    QVERIFY(test::writeScanTiff(file, {page}));

    imaging::ImageViewWidget view;
    view.resize(250, 330);
    view.setImageFile(file);
    view.showImage();
    view.fitImage(imaging::ImageView::FitToWidth);
    const QImage shot = view.grab().toImage();
    QCOMPARE(shot.devicePixelRatio(), 2.0);
    QCOMPARE(shot.size(), QSize(500, 660));
    int blocks = 0, mixed = 0;
    for (int y = 0; y + 1 < shot.height(); y += 2)
        for (int x = 0; x + 1 < shot.width(); x += 2) {
            const QRgb c = shot.pixel(x, y);
            ++blocks;
            mixed += shot.pixel(x + 1, y) != c || shot.pixel(x, y + 1) != c || shot.pixel(x + 1, y + 1) != c;
        }
    QVERIFY2(mixed > blocks / 4, qPrintable(QStringLiteral("%1 of %2 blocks mixed").arg(mixed).arg(blocks)));
}

// Narrowed and lowered, the viewer lies wholly on the screen, its bars inside it and
// below the page area, with or without the navigation list.
void TestHighDensity::viewerFitsOnSmallScreen() {
    QScreen* screen = QGuiApplication::primaryScreen();
    QCOMPARE(screen->devicePixelRatio(), 2.0);
    const QRect room = screen->availableGeometry();
    QCOMPARE(room.size(), QSize(640, 360));
    QWidget owner;
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));
    ui::DocumentModel documents;
    ui::frmDetail viewer(documents, &owner);
    viewer.show();
    QVERIFY(QTest::qWaitForWindowExposed(&viewer));
    QVERIFY2(room.contains(viewer.frameGeometry()), qPrintable(QStringLiteral("%1,%2 %3x%4")
                                                                   .arg(viewer.frameGeometry().x())
                                                                   .arg(viewer.frameGeometry().y())
                                                                   .arg(viewer.frameGeometry().width())
                                                                   .arg(viewer.frameGeometry().height())));
    for (int shown = 0; shown < 2; ++shown) {
        for (QWidget* part : {static_cast<QWidget*>(viewer.ImgShow), static_cast<QWidget*>(viewer.LVData),
                              static_cast<QWidget*>(viewer.CoolBar1), static_cast<QWidget*>(viewer.StaBar)})
            QVERIFY2(viewer.rect().contains(part->geometry()), qPrintable(part->objectName()));
        QVERIFY(viewer.ImgShow->geometry().bottom() < viewer.CoolBar1->y());
        QVERIFY(viewer.LVData->geometry().bottom() < viewer.CoolBar1->y());
        QCOMPARE(viewer.StaBar->geometry().bottom(), viewer.height() - 1);
        QVERIFY(viewer.TlbMain->width() <= viewer.CoolBar1->width());
        viewer.TlbMain_ButtonClick(QStringLiteral("ShowLV"));
    }
}

int main(int argc, char** argv) {
    QTemporaryDir dir;
    const QString config = dir.filePath(QStringLiteral("screens.json"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(R"({"screens": [{"name": "small", "x": 0, "y": 0, "width": 1280, "height": 720,
                     "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})") < 0)
        return 1;
    file.close();
    qputenv("QT_SCALE_FACTOR", "2");
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(config));
    QApplication app(argc, argv);
    TestHighDensity test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_highdensity.moc"
