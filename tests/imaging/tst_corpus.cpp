#include "ScanTiff.h"
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

namespace {

// The undamaged file each kind of mutants starts from.
bool writeSeed(const QString& kind, const QString& path) {
    if (kind == QLatin1String("tiff-jpeg-rgb"))
        return writeScanTiff(
            path, {markedPage(1, QImage::Format_RGB888), markedPage(2, QImage::Format_Grayscale8)});
    if (kind.startsWith(QLatin1String("tiff-")))
        return writeTiff(path, 2, kind.mid(5));
    if (kind.endsWith(QLatin1String("-1bit"))) {
        QList<QImage> pages{markedPage(1, QImage::Format_Mono)};
        if (kind.startsWith(QLatin1String("dcx")))
            pages << markedPage(2, QImage::Format_Mono);
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(bilevelPcx(pages)) > 0;
    }
    if (kind == QLatin1String("gif-interlaced")) {
        const QString png = path + QStringLiteral(".png");
        return markedPage(1).save(png, "png") &&
               runTool(
                   QStringLiteral("/usr/bin/convert"),
                   {png, QStringLiteral("-interlace"), QStringLiteral("GIF"), QStringLiteral("gif:") + path});
    }
    if (kind == QLatin1String("png") || kind.startsWith(QLatin1String("jpeg")) ||
        kind == QLatin1String("bmp"))
        return markedPage(1).save(path, kind.left(4).toLatin1().constData());
    return writeWithMagick(path, kind.toUpper(), kind == QLatin1String("dcx") ? 2 : 1);
}

} // namespace

// Damaged files of every decoder: opening and decoding either succeed or end
// in error 321; a crash or a hang fails the run. Bilevel TIFF pages are read row
// by row on another thread while they are decoded, as the view does. A file cut
// short is always refused. The counts of shown and refused files are printed.
class TestCorpus : public QObject {
    Q_OBJECT
private slots:
    void mutatedFiles_data() {
        QTest::addColumn<QString>("kind");
        for (const char* kind :
             {"tiff-lzw", "tiff-g4", "tiff-packbits", "tiff-jpeg", "tiff-jpeg-rgb", "pcx", "dcx", "pcx-1bit",
              "dcx-1bit", "gif", "gif-interlaced", "jpeg", "jpeg-exif", "bmp", "png"})
            QTest::newRow(kind) << QString::fromLatin1(kind);
    }
    void mutatedFiles() {
        QFETCH(QString, kind);
        QTemporaryDir dir;
        const QString seedPath = dir.filePath(QStringLiteral("seed"));
        QVERIFY(writeSeed(kind, seedPath));
        QFile seedFile(seedPath);
        QVERIFY(seedFile.open(QIODevice::ReadOnly));
        QByteArray seed = seedFile.readAll();
        if (kind == QLatin1String("jpeg-exif"))
            seed = withExifThumbnail(seed);

        constexpr int Mutations = 250;
        // Besides, files cut short and not otherwise changed, which must all be refused.
        constexpr int Cuts = 25;
        QRandomGenerator random(quint32(qHash(kind)));
        const QString path = dir.filePath(QStringLiteral("mutant"));
        int failures = 0;
        int cutsShown = 0;
        for (int i = 0; i < Mutations + Cuts; ++i) {
            QByteArray bytes = seed;
            if (i < Mutations) {
                const int flips = random.bounded(1, 9);
                for (int f = 0; f < flips; ++f)
                    bytes[random.bounded(bytes.size())] ^= char(1 << random.bounded(8));
            }
            if (i % 3 == 0 || i >= Mutations)
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
                    // As a view showing it small decodes it, then whole.
                    const auto shown = doc.pageForView(
                        page, [](QSize) { return 0.2; },
                        [&](const QImage& decoding) {
                            height = decoding.height();
                            return [&](const wo::imaging::DecodedRows& rows) {
                                for (int y = nextRow++; y < decoding.height() && rows.waitFor(y + 1) > y;
                                     y = nextRow++)
                                    lastBytes += decoding.constScanLine(y)[decoding.bytesPerLine() - 1];
                            };
                        });
                    QVERIFY(lastBytes >= 0);
                    QVERIFY(height == -1 || nextRow >= height);
                    QVERIFY(!shown.image.isNull());
                    QVERIFY(!doc.page(page).isNull());
                }
                cutsShown += i >= Mutations ? 1 : 0;
            } catch (const wo::Error& e) {
                QCOMPARE(e.number(), wo::err::InvalidFileFormat);
                failures += i < Mutations ? 1 : 0;
            }
        }
        qInfo("%s: %d shown, %d refused; cut short: %d shown", qPrintable(kind), Mutations - failures,
              failures, cutsShown);
        // The mutations must reach the decoders' error paths at all.
        QVERIFY(failures > 0);
        QCOMPARE(cutsShown, 0);
    }
};

int runCorpusTest(int argc, char** argv) {
    TestCorpus test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_corpus.moc"
