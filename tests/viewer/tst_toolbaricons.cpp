#include <QDirIterator>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QTest>

// The viewer's toolbar pictures: sharp on screens of twice the density, and their
// outlines legible on a dark palette as on a light one.
class TestToolbarIcons : public QObject {
    Q_OBJECT

    static QStringList pictures() {
        QStringList files;
        for (QDirIterator it(QStringLiteral(":/wendra/viewer/icons")); it.hasNext();)
            if (const QString f = it.next(); !f.contains(QLatin1Char('@')))
                files << f;
        return files;
    }

private slots:
    void initTestCase() {
        Q_INIT_RESOURCE(icons);
        QVERIFY(pictures().size() >= 20);
    }

    void doubleDensityPictures() {
        const QStringList files = pictures();
        for (const QString& file : files) {
            QIcon icon(file);
            icon.addFile(QString(file).replace(QStringLiteral(".png"), QStringLiteral("@2x.png")));
            const QPixmap pixmap = icon.pixmap(QSize(24, 24), 2.0);
            QVERIFY2(pixmap.width() == 48 && pixmap.devicePixelRatio() == 2.0, qPrintable(file));
        }
    }

    // The visible edge of a picture (its mostly opaque pixels beside mostly
    // transparent ones), drawn on a dark window colour, is light: dark strokes
    // alone would melt into the background there.
    void edgesLegibleOnDark() {
        for (const QString& file : pictures()) {
            const QImage picture = QImage(file).convertToFormat(QImage::Format_ARGB32);
            QImage shown(picture.size(), QImage::Format_RGB32);
            shown.fill(QColor(0x20, 0x20, 0x20));
            QPainter(&shown).drawImage(0, 0, picture);
            double sum = 0;
            int edge = 0;
            for (int y = 0; y < picture.height(); ++y)
                for (int x = 0; x < picture.width(); ++x) {
                    if (qAlpha(picture.pixel(x, y)) < 128)
                        continue;
                    bool outer = false;
                    for (const auto& [dx, dy] : {std::pair{-1, 0}, {1, 0}, {0, -1}, {0, 1}})
                        outer |=
                            !picture.valid(x + dx, y + dy) || qAlpha(picture.pixel(x + dx, y + dy)) < 128;
                    if (outer) {
                        sum += qGray(shown.pixel(x, y));
                        ++edge;
                    }
                }
            QVERIFY2(edge > 0 && sum / edge > 128, qPrintable(file));
        }
    }
};

QTEST_MAIN(TestToolbarIcons)
#include "tst_toolbaricons.moc"
