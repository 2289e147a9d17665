#include "TestImages.h"
#include "imaging/DecodedRows.h"
#include "imaging/PageDocument.h"
#include "platform/Error.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>

using namespace wo::test;

// Damaged files of every decoder: opening and decoding either succeed or end
// in error 321; a crash or a hang fails the run. Bilevel TIFF pages are read row
// by row on another thread while they are decoded, as the view does.
class TestCorpus : public QObject {
    Q_OBJECT
private slots:
    void mutatedFiles_data() {
        QTest::addColumn<QString>("kind");
        for (const char* kind : {"tiff-lzw", "tiff-g4", "tiff-packbits", "pcx", "dcx", "gif", "jpeg", "png"})
            QTest::newRow(kind) << QString::fromLatin1(kind);
    }
    void mutatedFiles() {
        QFETCH(QString, kind);
        QTemporaryDir dir;
        const QString seedPath = dir.filePath(QStringLiteral("seed"));
        if (kind.startsWith(QLatin1String("tiff-")))
            QVERIFY(writeTiff(seedPath, 2, kind.mid(5)));
        else if (kind == QLatin1String("png") || kind == QLatin1String("jpeg"))
            QVERIFY(markedPage(1).save(seedPath, kind.toLatin1().constData()));
        else
            QVERIFY(writeWithMagick(seedPath, kind.toUpper(), kind == QLatin1String("dcx") ? 2 : 1));
        QFile seedFile(seedPath);
        QVERIFY(seedFile.open(QIODevice::ReadOnly));
        const QByteArray seed = seedFile.readAll();

        constexpr int Mutations = 250;
        QRandomGenerator random(quint32(qHash(kind)));
        const QString path = dir.filePath(QStringLiteral("mutant"));
        int failures = 0;
        for (int i = 0; i < Mutations; ++i) {
            QByteArray bytes = seed;
            const int flips = random.bounded(1, 9);
            for (int f = 0; f < flips; ++f)
                bytes[random.bounded(bytes.size())] ^= char(1 << random.bounded(8));
            if (i % 3 == 0)
                bytes.truncate(random.bounded(bytes.size()));
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            QCOMPARE(file.write(bytes), bytes.size());
            file.close();
            try {
                wo::imaging::PageDocument doc(path);
                for (int page = 0; page < std::min(doc.pageCount(), 3); ++page) {
                    int height = -1;
                    std::atomic<int> nextRow{0};
                    // Summed so the rows are really read: a read past the page shows up under ASan.
                    std::atomic<qint64> lastBytes{0};
                    const QImage image = doc.page(page, [&](const QImage& decoding) {
                        height = decoding.height();
                        return [&](const wo::imaging::DecodedRows& rows) {
                            for (int y = nextRow++; y < decoding.height() && rows.waitFor(y + 1) > y;
                                 y = nextRow++)
                                lastBytes += decoding.constScanLine(y)[decoding.bytesPerLine() - 1];
                        };
                    });
                    QVERIFY(lastBytes >= 0);
                    QVERIFY(height == -1 || nextRow >= height);
                    QVERIFY(!image.isNull());
                }
            } catch (const wo::Error& e) {
                QCOMPARE(e.number(), wo::err::InvalidFileFormat);
                ++failures;
            }
        }
        // The mutations must reach the decoders' error paths at all.
        QVERIFY(failures > 0);
    }
};

int runCorpusTest(int argc, char** argv) {
    TestCorpus test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_corpus.moc"
