#include "ScanTiff.h"
#include "TestImages.h"
#include "imaging/PageDocument.h"
#include "imaging/ThumbnailCache.h"

#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QTest>

using wo::imaging::PageDocument;
using wo::imaging::ThumbnailBuilder;
using wo::imaging::ThumbnailCache;
using namespace wo::test;

class TestThumbnails : public QObject {
    Q_OBJECT
private slots:
    void init() {
        m_dir.emplace();
        m_scan = m_dir->filePath(QStringLiteral("scan.TIF"));
        QVERIFY(writeScanTiff(m_scan,
                              {markedPage(1, QImage::Format_Mono), markedPage(2, QImage::Format_Grayscale8),
                               markedPage(3, QImage::Format_RGB888)}));
    }

    // Built small from the page, kept privately in a file of at most 10 KB, and read
    // back from there the next time without decoding the page.
    void builtKeptReused_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("plainJpeg");
        QTest::newRow("bilevel") << 0 << false;
        QTest::newRow("grey") << 1 << false;
        QTest::newRow("colour JPEG coded") << 2 << false;
        // Page 3 alone as a JPEG of its own at 800 dpi, decoded at an eighth of its size.
        QTest::newRow("plain JPEG") << 2 << true;
    }
    void builtKeptReused() {
        QFETCH(int, index);
        QFETCH(bool, plainJpeg);
        if (plainJpeg) {
            m_scan = m_dir->filePath(QStringLiteral("photo.jpg"));
            QVERIFY(markedPage(index + 1, QImage::Format_RGB32, 800).save(m_scan, "jpeg", 90));
            index = 0;
        }
        const QString folder = m_dir->filePath(QStringLiteral("cache/thumbnails"));
        const ThumbnailCache cache(folder);
        QCOMPARE(QFileInfo(folder).permissions() & 0x0077, QFile::Permissions());
        const qint64 pixels = PageDocument::pixelsDecodedOnThisThread();
        const QImage built = cache.thumbnail(QStringLiteral("20060305070809123456"), m_scan, index);
        if (plainJpeg)
            QCOMPARE(PageDocument::pixelsDecodedOnThisThread() - pixels, 1920 * 1280 / 64);
        QCOMPARE(built.size(), QSize(ThumbnailCache::Side, ThumbnailCache::Side * 2 / 3));
        QCOMPARE(markerOf(built.scaled(240, 160)), plainJpeg ? 3 : index + 1);
        const QString kept =
            cache.fileFor(QStringLiteral("20060305070809123456"), QFileInfo(m_scan).size(), index);
        QVERIFY(QFileInfo(kept).size() > 0);
        QVERIFY(QFileInfo(kept).size() <= 10 * 1024);

        const int decodes = PageDocument::decodesOnThisThread();
        const QImage again =
            ThumbnailCache(folder).thumbnail(QStringLiteral("20060305070809123456"), m_scan, index);
        QCOMPARE(PageDocument::decodesOnThisThread(), decodes);
        QCOMPARE(again.convertToFormat(QImage::Format_RGB32), built.convertToFormat(QImage::Format_RGB32));
    }

    // A document whose file changed under the same ID is drawn again; an unreadable
    // page has none, and nothing is kept for it.
    void redrawnAfterTheDocumentChanges() {
        const ThumbnailCache cache(m_dir->filePath(QStringLiteral("thumbnails")));
        const QString id = QStringLiteral("20060305070809123456");
        QCOMPARE(markerOf(cache.thumbnail(id, m_scan, 0).scaled(240, 160)), 1);
        QVERIFY(writeScanTiff(m_scan, {markedPage(4, QImage::Format_Mono)}));
        const int decodes = PageDocument::decodesOnThisThread();
        QCOMPARE(markerOf(cache.thumbnail(id, m_scan, 0).scaled(240, 160)), 4);
        QVERIFY(PageDocument::decodesOnThisThread() > decodes);
        QVERIFY(cache.thumbnail(id, m_scan, 5).isNull());
        QVERIFY(!QFile::exists(cache.fileFor(id, QFileInfo(m_scan).size(), 5)));
    }

    // The builder hands the pages over in order, first page first, on its own thread.
    void builderGoesFirstPageFirst() {
        const ThumbnailCache cache(m_dir->filePath(QStringLiteral("thumbnails")));
        QMutex mutex;
        QList<int> order;
        QList<int> markers;
        QSemaphore done;
        {
            const ThumbnailBuilder builder(cache, QStringLiteral("1"), m_scan, 3,
                                           [&](int index, const QImage& image) {
                                               const QMutexLocker lock(&mutex);
                                               order << index;
                                               markers << markerOf(image.scaled(240, 160));
                                               done.release();
                                           });
            QVERIFY(done.tryAcquire(3, 60000));
        }
        QCOMPARE(order, QList<int>({0, 1, 2}));
        QCOMPARE(markers, QList<int>({1, 2, 3}));
    }

private:
    std::optional<QTemporaryDir> m_dir;
    QString m_scan;
};

int runThumbnailsTest(int argc, char** argv) {
    TestThumbnails test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_thumbnails.moc"
