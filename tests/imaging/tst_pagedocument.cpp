#include "ScanTiff.h"
#include "TestImages.h"
#include "imaging/DecodedRows.h"
#include "imaging/ImageViewWidget.h"
#include "imaging/PageDocument.h"
#include "platform/Error.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QPdfWriter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>
#include <atomic>
#include <cstring>
#include <functional>

using wo::imaging::DecodedRows;
using wo::imaging::PageDocument;
using namespace wo::test;

using Writer = std::function<bool(const QString&)>;
Q_DECLARE_METATYPE(Writer)

namespace {

bool writeSingle(const QString& path, const char* format) {
    return markedPage(1).save(path, format);
}

bool writePdf(const QString& path, int pages) {
    QPdfWriter writer(path);
    writer.setResolution(100);
    writer.setPageSize(QPageSize(QSizeF(2.4, 1.6), QPageSize::Inch));
    writer.setPageMargins(QMarginsF());
    QPainter painter(&writer);
    for (int n = 1; n <= pages; ++n) {
        if (n > 1)
            writer.newPage();
        painter.drawImage(QPoint(), markedPage(n));
    }
    return painter.end();
}

QByteArray contentOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Copies each row of a page the moment it is reported done, on both threads
// that run the work.
struct RowCopier {
    QImage copy;
    std::atomic<int> nextRow{0};
    std::atomic<int> rowsCopied{0};
    bool called = false;
    PageDocument::RowReader reader() {
        return [this](const QImage& page) {
            called = true;
            copy = QImage(page.size(), page.format());
            copy.setColorTable(page.colorTable());
            return [this, &page, bits = copy.bits()](const DecodedRows& rows) {
                for (int y = nextRow++; y < page.height() && rows.waitFor(y + 1) > y; y = nextRow++) {
                    std::memcpy(bits + y * page.bytesPerLine(), page.constScanLine(y),
                                size_t(page.bytesPerLine()));
                    ++rowsCopied;
                }
            };
        };
    }
};

// Each page decoded whole, or at `scale` of its size where the format decodes it smaller.
int errorNumberOpening(const QString& path, double scale = 1) {
    try {
        PageDocument doc(path);
        for (int i = 0; i < doc.pageCount(); ++i)
            doc.pageForView(i, [scale](QSize) { return scale; });
    } catch (const wo::Error& e) {
        return e.number();
    }
    return 0;
}

// The mean difference of two pictures of one size, per colour channel (0-255).
double meanDifference(const QImage& a, const QImage& b) {
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    double sum = 0;
    for (int row = 0; row < x.height(); ++row)
        for (int col = 0; col < x.width(); ++col) {
            const QRgb p = x.pixel(col, row);
            const QRgb q = y.pixel(col, row);
            sum +=
                std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * x.width() * x.height());
}

// A page with shades and edges: white, a grey ramp, the marker of page n.
QImage shadedPage(int n, QImage::Format format) {
    QImage page = markedPage(n, QImage::Format_RGB32);
    QPainter painter(&page);
    QLinearGradient ramp(0, 0, page.width(), 0);
    ramp.setColorAt(0, QColor(40, 90, 160));
    ramp.setColorAt(1, QColor(250, 220, 120));
    painter.fillRect(QRect(0, page.height() - 24, page.width(), 24), ramp);
    painter.end();
    return page.convertToFormat(format);
}

// A busy photo-like picture: its JPEG is large enough for libjpeg's fast decoder.
QByteArray busyJpeg() {
    QImage picture(800, 600, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    QRandomGenerator random(7);
    for (int i = 0; i < 400; ++i)
        painter.fillRect(random.bounded(800), random.bounded(600), random.bounded(80), random.bounded(60),
                         QColor::fromRgb(random.generate()));
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "jpeg", 90);
    return bytes;
}

// The PNG chunk that starts at `at` (its length field), its CRC made to match again.
QByteArray withChunkCrcFixed(QByteArray png, qsizetype at) {
    const quint32 length = qFromBigEndian<quint32>(png.constData() + at);
    quint32 crc = 0xFFFFFFFFu;
    for (qsizetype i = at + 4; i < at + 8 + qsizetype(length); ++i) {
        crc ^= uchar(png[i]);
        for (int bit = 0; bit < 8; ++bit)
            crc = crc & 1 ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
    }
    qToBigEndian(~crc, png.data() + at + 8 + length);
    return png;
}

} // namespace

class TestPageDocument : public QObject {
    Q_OBJECT
private slots:
    // Each format: the page count and that page n decodes to page n's picture.
    // The names carry no usable extension: the content decides.
    void pages_data() {
        QTest::addColumn<Writer>("write");
        QTest::addColumn<int>("pages");
        // PDF pages render at 150 dpi; the generated pages have 100 dpi.
        QTest::addColumn<QSize>("size");
        const QSize page(240, 160);
        const auto tiff = [](int pages, const char* compression) {
            return Writer([=](const QString& p) { return writeTiff(p, pages, QLatin1String(compression)); });
        };
        QTest::newRow("bmp") << Writer([](const QString& p) { return writeSingle(p, "bmp"); }) << 1 << page;
        QTest::newRow("gif") << Writer([](const QString& p) {
            return writeWithMagick(p, QStringLiteral("GIF"), 1);
        }) << 1 << page;
        QTest::newRow("jpeg") << Writer([](const QString& p) { return writeSingle(p, "jpeg"); }) << 1 << page;
        QTest::newRow("png") << Writer([](const QString& p) { return writeSingle(p, "png"); }) << 1 << page;
        // Damage to a chunk that only annotates the picture is no damage to the picture.
        QTest::newRow("png with a garbled text chunk") << Writer([](const QString& p) {
            QImage image = markedPage(1);
            image.setText(QStringLiteral("Title"), QStringLiteral("scan"));
            QByteArray b;
            QBuffer buffer(&b);
            return buffer.open(QIODevice::WriteOnly) && image.save(&buffer, "png") &&
                   b.contains("tEXtTitle") && writeBytes(p, b.replace("tEXtTitle", "tEXtTitXe"));
        }) << 1 << page;
        QTest::newRow("tiff lzw 5 pages") << tiff(5, "lzw") << 5 << page;
        QTest::newRow("tiff g4") << tiff(3, "g4") << 3 << page;
        QTest::newRow("tiff g4, 0 is black")
            << Writer([](const QString& p) { return writeTiff(p, 3, QStringLiteral("g4"), true); }) << 3
            << page;
        QTest::newRow("tiff g3") << tiff(2, "g3") << 2 << page;
        QTest::newRow("tiff g4, bits lowest first") << Writer([](const QString& p) {
            const QString msbFirst = p + QStringLiteral(".msb");
            return writeTiff(msbFirst, 2, QStringLiteral("g4")) &&
                   runTool(QStringLiteral("tiffcp"),
                           {QStringLiteral("-f"), QStringLiteral("lsb2msb"), msbFirst, p});
        }) << 2 << page;

        QTest::newRow("tiff packbits") << tiff(2, "packbits") << 2 << page;
        QTest::newRow("tiff jpeg") << tiff(2, "jpeg") << 2 << page;
        QTest::newRow("pcx") << Writer([](const QString& p) {
            return writeWithMagick(p, QStringLiteral("PCX"), 1);
        }) << 1 << page;
        QTest::newRow("dcx 3 pages") << Writer([](const QString& p) {
            return writeWithMagick(p, QStringLiteral("DCX"), 3);
        }) << 3 << page;
        QTest::newRow("pdf") << Writer([](const QString& p) { return writePdf(p, 2); }) << 2
                             << QSize(360, 240);
    }
    void pages() {
        QFETCH(Writer, write);
        QFETCH(int, pages);
        QFETCH(QSize, size);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("document.XIF"));
        QVERIFY(write(path));
        PageDocument doc(path);
        QCOMPARE(doc.pageCount(), pages);
        for (int n = pages; n >= 1; --n) {
            const QImage page = doc.page(n - 1);
            QCOMPARE(page.size(), size);
            QCOMPARE(markerOf(page.scaled(240, 160)), n);
        }
    }

    void tiffKeepsResolutionAndBilevel() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("fax.tif"));
        QVERIFY(writeTiff(path, 1, QStringLiteral("g4")));
        const QImage page = PageDocument(path).page(0);
        QCOMPARE(page.depth(), 1);
        QCOMPARE(qRound(page.dotsPerMeterX() * 0.0254), 100);
    }

    // Work done while a bilevel page is decoded sees every row as it stays; a
    // page already decoded is not decoded again, so the work is not run.
    void rowsWhileDecoding_data() {
        QTest::addColumn<QString>("compression");
        QTest::addColumn<bool>("zeroIsBlack");
        QTest::newRow("g4") << QStringLiteral("g4") << false;
        QTest::newRow("g4, 0 is black") << QStringLiteral("g4") << true;
        QTest::newRow("g3") << QStringLiteral("g3") << false;
    }
    void rowsWhileDecoding() {
        QFETCH(QString, compression);
        QFETCH(bool, zeroIsBlack);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("fax.tif"));
        QVERIFY(writeTiff(path, 2, compression, zeroIsBlack));
        PageDocument doc(path);
        for (int index : {1, 0}) {
            RowCopier copier;
            const QImage page = doc.page(index, copier.reader());
            QCOMPARE(copier.rowsCopied.load(), page.height());
            QCOMPARE(copier.copy, page);
            QCOMPARE(markerOf(page), index + 1);
        }
        RowCopier again;
        doc.page(0, again.reader());
        QVERIFY(!again.called);
    }

    // A page that breaks off is error 321, and the work beside it is released
    // at the break instead of waiting for rows that never come.
    void brokenPageStopsTheWorkBesideIt() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("fax.tif"));
        // Strips of 16 rows: the fifth starts at row 80.
        QVERIFY(writeTiff(path, 1, QStringLiteral("g4")));
        QVERIFY(zeroTiffStrip(path, 5));
        PageDocument doc(path);
        RowCopier copier;
        try {
            doc.page(0, copier.reader());
            QFAIL("no error");
        } catch (const wo::Error& e) {
            QCOMPARE(e.number(), wo::err::InvalidFileFormat);
        }
        QVERIFY(copier.called);
        QVERIFY(copier.rowsCopied <= 80);
    }

    void pageOutsideTheDocument() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("one.png"));
        QVERIFY(writeSingle(path, "png"));
        PageDocument doc(path);
        QVERIFY_THROWS_EXCEPTION(wo::Error, doc.page(1));
    }

    // A removed file is told apart from a bad one.
    void missingFileIsNotFound() {
        QTemporaryDir dir;
        QCOMPARE(errorNumberOpening(dir.filePath(QStringLiteral("gone.tif"))), wo::err::FileNotFound);
    }

    // Whatever is wrong with the content, opening and decoding end in error 321.
    void unreadable_data() {
        QTest::addColumn<Writer>("write");
        const auto damaged = [](Writer make, std::function<QByteArray(QByteArray)> damage) {
            return Writer([=](const QString& p) { return make(p) && writeBytes(p, damage(contentOf(p))); });
        };
        const auto truncate = [](QByteArray b) { return b.left(b.size() / 2); };
        const Writer png = [](const QString& p) { return writeSingle(p, "png"); };
        const Writer tiff = [](const QString& p) { return writeTiff(p, 3, QStringLiteral("lzw")); };
        const Writer g4 = [](const QString& p) { return writeTiff(p, 3, QStringLiteral("g4")); };
        const Writer dcx = [](const QString& p) { return writeWithMagick(p, QStringLiteral("DCX"), 3); };
        QTest::newRow("text") << Writer([](const QString& p) { return writeBytes(p, "just some words\n"); });
        QTest::newRow("empty") << Writer([](const QString& p) { return writeBytes(p, {}); });
        QTest::newRow("truncated png") << damaged(png, truncate);
        QTest::newRow("truncated tiff") << damaged(tiff, truncate);
        QTest::newRow("truncated g4 tiff") << damaged(g4, truncate);
        QTest::newRow("truncated jpeg")
            << damaged([](const QString& p) { return writeSingle(p, "jpeg"); }, truncate);
        QTest::newRow("truncated dcx") << damaged(dcx, [](QByteArray b) { return b.left(2000); });
        QTest::newRow("tiff header only") << damaged(tiff, [](QByteArray b) { return b.left(8); });
        QTest::newRow("tiff directory offset past the end") << damaged(tiff, [](QByteArray b) {
            b[4] = b[5] = b[6] = char(0x7f);
            return b;
        });
        QTest::newRow("png chunk garbled") << damaged(png, [](QByteArray b) {
            for (int i = 16; i < 40; ++i)
                b[i] = char(0xff);
            return b;
        });
        QTest::newRow("pdf header only")
            << Writer([](const QString& p) { return writeBytes(p, "%PDF-1.4\n"); });
        // Headers that declare more than their data can hold.
        QTest::newRow("g4 page declaring 65535 x 65535")
            << Writer([](const QString& p) { return writeBytes(p, bilevelTiffDeclaring(65535, 65535)); });
        QTest::newRow("g4 page declaring 1 x 500,000,000")
            << Writer([](const QString& p) { return writeBytes(p, bilevelTiffDeclaring(1, 500'000'000)); });
        QTest::newRow("g4 page whose data ends early") << damaged(g4, [](QByteArray b) {
            // The coded rows of every page but their first few bytes become zero bits.
            return b.left(200) + QByteArray(b.size() - 200, char(0));
        });
        QTest::newRow("jpeg tiff strip zeroed") << Writer(
            [](const QString& p) { return writeTiff(p, 1, QStringLiteral("jpeg")) && zeroTiffStrip(p, 3); });
        QTest::newRow("jpeg tiff cut short") << damaged(
            [](const QString& p) { return writeScanTiff(p, {markedPage(1, QImage::Format_RGB888)}); },
            [](QByteArray b) { return b.left(b.size() * 3 / 4); });
        const Writer pcx1 = [](const QString& p) {
            return writeBytes(
                p, bilevelPcx({markedPage(1, QImage::Format_Mono), markedPage(2, QImage::Format_Mono)}));
        };
        QTest::newRow("1-bit dcx cut short")
            << damaged(pcx1, [](QByteArray b) { return b.left(b.size() - 40); });
        QTest::newRow("1-bit pcx declaring more rows than its data holds") << Writer([](const QString& p) {
            QByteArray b = bilevelPcx({markedPage(1, QImage::Format_Mono)});
            b[10] = b[11] = char(0xff);
            return writeBytes(p, b);
        });
        QTest::newRow("colour pcx declaring 8000 x 8000 over its few bytes")
            << damaged([](const QString& p) { return writeWithMagick(p, QStringLiteral("PCX"), 1); },
                       [](QByteArray b) {
                           b[8] = b[10] = char(0x3f);
                           b[9] = b[11] = char(0x1f);
                           return b;
                       });
        QTest::newRow("tiff directories in a loop")
            << Writer([](const QString& p) { return writeBytes(p, tiffChain(50, 8 + 6 * 10)); });
        // Decoders that show damaged data as if it were whole.
        const Writer jpeg = [](const QString& p) { return markedPage(1).save(p, "jpeg", 90); };
        QTest::newRow("jpeg with garbled coded data") << damaged(jpeg, [](QByteArray b) {
            for (qsizetype i = b.size() / 2; i < b.size() / 2 + 64; ++i)
                b[i] = char(0x5a ^ b[i] ^ 0x3c);
            return b;
        });
        QTest::newRow("jpeg cut short after a thumbnail with its own end marker")
            << damaged(jpeg, [](QByteArray b) {
                   const QByteArray whole = withExifThumbnail(b);
                   return whole.left(whole.size() - b.size() / 2);
               });
        QTest::newRow("jpeg declaring 30000 x 30000 over its few bytes") << damaged(jpeg, [](QByteArray b) {
            const qsizetype frame = b.indexOf(QByteArray::fromHex("FFC0"));
            qToBigEndian<quint16>(30000, b.data() + frame + 5);
            qToBigEndian<quint16>(30000, b.data() + frame + 7);
            return b;
        });
        // A run of one bits no code begins with, in the middle of the coded data: the
        // codes after it fall into step again, so only the bad code itself tells.
        QTest::newRow("jpeg with a bad Huffman code") << Writer([](const QString& p) {
            QByteArray b = busyJpeg();
            b.replace(b.size() / 2, 6, QByteArray::fromHex("FF00FF00FF00"));
            return writeBytes(p, b);
        });
        // The header's rows lowered from 160 to 100: the data holds 60 rows more.
        QTest::newRow("png with more image data than its rows") << damaged(png, [](QByteArray b) {
            qToBigEndian<quint32>(100, b.data() + 20);
            return withChunkCrcFixed(b, 8);
        });
        QTest::newRow("bmp cut in half")
            << damaged([](const QString& p) { return writeSingle(p, "bmp"); }, truncate);
        QTest::newRow("interlaced gif cut in half") << damaged(
            [](const QString& p) {
                const QString png = p + QStringLiteral(".png");
                return writeSingle(png, "png") &&
                       runTool(QStringLiteral("/usr/bin/convert"),
                               {png, QStringLiteral("-interlace"), QStringLiteral("GIF"),
                                QStringLiteral("gif:") + p}) &&
                       QFile::remove(png);
            },
            truncate);
    }

    // An orientation tag (TIFF Orientation, JPEG EXIF) turns the page before it is shown.
    void orientationHonoured_data() {
        QTest::addColumn<QByteArray>("format");
        QTest::newRow("jpeg") << QByteArray("jpeg");
        QTest::newRow("tiff") << QByteArray("tiff");
    }
    void orientationHonoured() {
        QFETCH(QByteArray, format);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("turned"));
        const QImage upright = markedPage(1);
        QImageWriter writer(path, format);
        writer.setTransformation(QImageIOHandler::TransformationRotate90);
        QVERIFY2(writer.write(upright), qPrintable(writer.errorString()));
        const QImage shown = PageDocument(path).page(0);
        QCOMPARE(shown.size(), upright.size().transposed());
        QCOMPARE(markerOf(shown.transformed(QTransform().rotate(-90))), 1);
    }

    // JPEG pages, plain and in TIFF, are decoded at the smallest of 1/8, 1/4, 1/2 or
    // all of their size that the view needs: the picture then is the whole one
    // shrunk, within a small difference; at full size it is the one Qt decodes.
    void jpegAtTheScaleShown_data() {
        QTest::addColumn<Writer>("write");
        QTest::addColumn<int>("index");
        QTest::addColumn<QImage::Format>("format");
        const auto scan = [](QImage::Format format) {
            return Writer([format](const QString& p) {
                return writeScanTiff(p, {markedPage(1, format), shadedPage(2, format)});
            });
        };
        const auto plain = [](QImage::Format format) {
            return Writer([format](const QString& p) { return shadedPage(1, format).save(p, "jpeg", 90); });
        };
        QTest::newRow("YCbCr TIFF") << Writer([](const QString& p) {
            return writeTiff(p, 2, QStringLiteral("jpeg"));
        }) << 1 << QImage::Format_RGB888;
        QTest::newRow("RGB TIFF") << scan(QImage::Format_RGB888) << 1 << QImage::Format_RGB888;
        QTest::newRow("grey TIFF") << scan(QImage::Format_Grayscale8) << 1 << QImage::Format_Grayscale8;
        QTest::newRow("colour JPEG") << plain(QImage::Format_RGB32) << 0 << QImage::Format_RGB888;
        QTest::newRow("grey JPEG") << plain(QImage::Format_Grayscale8) << 0 << QImage::Format_Grayscale8;
    }
    void jpegAtTheScaleShown() {
        QFETCH(Writer, write);
        QFETCH(int, index);
        QFETCH(QImage::Format, format);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("scan"));
        QVERIFY(write(path));
        QImageReader qt(path);
        QVERIFY(index == 0 || qt.jumpToImage(index));
        const QImage whole = qt.read();
        PageDocument doc(path);
        QSize asked;
        const auto at = [&asked](double scale) {
            return [&asked, scale](QSize page) {
                asked = page;
                return scale;
            };
        };
        for (const auto& [scale, width] : {std::pair{0.1, 30}, {0.3, 120}, {0.5, 120}, {0.7, 240}}) {
            const PageDocument::ViewPage shown = doc.pageForView(index, at(scale));
            QCOMPARE(asked, QSize(240, 160));
            QCOMPARE(shown.size, QSize(240, 160));
            QCOMPARE(shown.image.size(), QSize(width, width * 2 / 3));
            QCOMPARE(shown.image.format(), format);
            QCOMPARE(markerOf(shown.image.scaled(240, 160)), index + 1);
            const QImage shrunk =
                whole.scaled(shown.image.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            QVERIFY2(meanDifference(shown.image, shrunk) < 6,
                     qPrintable(QString::number(meanDifference(shown.image, shrunk))));
        }
        // Having the page at full size, a view asking for less gets it as it is.
        QCOMPARE(doc.pageForView(index, at(0.1)).image.width(), 240);
        QCOMPARE(doc.page(index).convertToFormat(QImage::Format_RGB32),
                 whole.convertToFormat(QImage::Format_RGB32));
    }

    // The first page of a long TIFF is shown without reading the directories of the
    // pages after it: a chain broken after page 2 is found only when the pages are
    // counted. Whole, the count is right after a page was shown.
    void firstPageReadsNoOtherDirectory() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("fax.tif"));
        QVERIFY(writeTiff(path, 3, QStringLiteral("g4")));
        {
            PageDocument doc(path);
            QCOMPARE(markerOf(doc.page(0)), 1);
            QCOMPARE(doc.pageCount(), 3);
            QVERIFY(doc.hasPage(2));
            QVERIFY(!doc.hasPage(3));
        }
        QByteArray bytes = contentOf(path);
        QCOMPARE(bytes.left(2), QByteArray("II"));
        // Byte by byte: the compiler cannot see the file is long enough.
        const auto number = [&bytes](quint32 at, int size) {
            quint32 value = 0;
            for (int k = size - 1; k >= 0; --k)
                value = value << 8 | uchar(bytes.at(at + k));
            return value;
        };
        const auto nextOf = [&number](quint32 directory) {
            return directory + 2 + 12 * number(directory, 2);
        };
        // The link after page 2 points past the end of the file.
        const quint32 link = nextOf(number(nextOf(number(4, 4)), 4));
        for (int k = 0; k < 4; ++k)
            bytes[link + k] = char(quint32(bytes.size() + 4096) >> (8 * k));
        QVERIFY(writeBytes(path, bytes));
        PageDocument doc(path);
        QCOMPARE(markerOf(doc.page(0)), 1);
        QCOMPARE(markerOf(doc.page(1)), 2);
        try {
            doc.pageCount();
            QFAIL("a broken chain was counted");
        } catch (const wo::Error& e) {
            QCOMPARE(e.number(), wo::err::InvalidFileFormat);
        }
        // A view shows and counts the pages before the break rather than throwing at its windows.
        wo::imaging::ImageViewWidget view;
        view.setImageFile(path);
        view.setCurrentPage(1);
        view.showImage();
        QCOMPARE(view.pageCount(), 2);
    }

    // A PDF page is drawn part by part at the scale shown, never above a pixel budget,
    // however large its media box.
    void pdfDrawnInParts() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("poster.pdf"));
        // 14,400 inches square: 2,160,000 pixels a side at 150 dpi.
        QVERIFY(writeBytes(path, pdfOfSize(QSizeF(14400 * 72, 14400 * 72))));
        PageDocument doc(path);
        const PageDocument::ViewPage page = doc.pageForView(0, [](QSize) { return 1.0; });
        QVERIFY(page.image.isNull());
        QCOMPARE(page.size, QSize(2'160'000, 2'160'000));
        // The whole page in 400 x 400: the lower left quarter is black.
        const QImage whole = doc.drawPart(0, 400.0 / 2'160'000, QRect(0, 0, 400, 400));
        QCOMPARE(whole.size(), QSize(400, 400));
        QVERIFY(qGray(whole.pixel(100, 300)) < 32);
        QVERIFY(qGray(whole.pixel(300, 100)) > 224);
        QVERIFY(qGray(whole.pixel(100, 100)) > 224);
        // Around the page's centre at 64 times the 150 dpi.
        const QImage centre = doc.drawPart(0, 64, QRect(69'120'000 - 50, 69'120'000 - 50, 100, 100));
        QCOMPARE(centre.size(), QSize(100, 100));
        QVERIFY(qGray(centre.pixel(25, 75)) < 32);
        QVERIFY(qGray(centre.pixel(75, 25)) > 224);
        // A part above the budget comes at a lower resolution.
        const QImage huge = doc.drawPart(0, 8000.0 / 2'160'000, QRect(0, 0, 8000, 8000));
        QVERIFY(qint64(huge.width()) * huge.height() <= PageDocument::MaxDrawnPixels);
        QVERIFY(huge.width() >= 4000);
        QVERIFY(qGray(huge.pixel(huge.width() / 4, huge.height() * 3 / 4)) < 32);
        QVERIFY_THROWS_EXCEPTION(wo::Error, doc.drawPart(0, 0, QRect(0, 0, 10, 10)));
    }

    // 1-bit PCX and DCX pages stay bilevel, 0 black and 1 white whatever the palette
    // says (this ImageMagick reads them the other way round).
    void bilevelPcxStaysBilevel_data() {
        QTest::addColumn<int>("pages");
        QTest::newRow("pcx") << 1;
        QTest::newRow("dcx") << 3;
    }
    void bilevelPcxStaysBilevel() {
        QFETCH(int, pages);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("fax"));
        QList<QImage> marked;
        for (int n = 1; n <= pages; ++n)
            marked << markedPage(n, QImage::Format_Mono, 200);
        // The same picture with colour 0 black, as the file stores it.
        marked.first().invertPixels();
        marked.first().setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
        QVERIFY(writeBytes(path, bilevelPcx(marked)));
        PageDocument doc(path);
        QCOMPARE(doc.pageCount(), pages);
        for (int n = pages; n >= 1; --n) {
            const QImage page = doc.page(n - 1);
            QCOMPARE(page.format(), QImage::Format_Mono);
            QCOMPARE(qRound(page.dotsPerMeterX() * 0.0254), 200);
            QCOMPARE(markerOf(page), n);
            QCOMPARE(page.convertToFormat(QImage::Format_RGB32),
                     marked[n - 1].convertToFormat(QImage::Format_RGB32));
        }
    }

    // A chain of many empty directories is counted in linear time and read only
    // up to the page limit.
    void longDirectoryChainIsCapped() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("chain"));
        QVERIFY(writeBytes(path, tiffChain(int(PageDocument::MaxPages) + 5000)));
        QCOMPARE(size_t(PageDocument(path).pageCount()), PageDocument::MaxPages);
    }
    void unreadable() {
        QFETCH(Writer, write);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("bad"));
        QVERIFY(write(path));
        QCOMPARE(errorNumberOpening(path), wo::err::InvalidFileFormat);
        // Decoded small for a thumbnail or a fit, damage is seen all the same.
        QCOMPARE(errorNumberOpening(path, 0.1), wo::err::InvalidFileFormat);
    }
};

int runPageDocumentTest(int argc, char** argv) {
    TestPageDocument test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_pagedocument.moc"
