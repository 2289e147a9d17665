#include "TestImages.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>

namespace wo::test {

namespace {
constexpr int Squares = 5;
constexpr int Side = 20;
QPoint squareCentre(int n) {
    return {10 + 40 * (n - 1) + Side / 2, 70 + Side / 2};
}

QStringList writePages(const QString& base, int pages, QImage::Format format, bool zeroIsBlack = false) {
    QStringList files;
    for (int n = 1; n <= pages; ++n) {
        files << QStringLiteral("%1-page%2.tif").arg(base).arg(n);
        QImage page = markedPage(n, format);
        if (zeroIsBlack) {
            // The same picture; Qt stores a mono page whose colour 0 is black as min-is-black.
            page.invertPixels();
            page.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
        }
        if (!page.save(files.last(), "tiff"))
            return {};
    }
    return files;
}
} // namespace

QImage markedPage(int n, QImage::Format format, int dpi) {
    QImage page(240, 160, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter painter(&page);
    painter.fillRect(
        QRect(QPoint(), QSize(Side, Side)).translated(squareCentre(n) - QPoint(Side / 2, Side / 2)),
        Qt::black);
    painter.end();
    QImage out = page.convertToFormat(format, Qt::ThresholdDither);
    out.setDotsPerMeterX(qRound(dpi / 0.0254));
    out.setDotsPerMeterY(qRound(dpi / 0.0254));
    return out;
}

int markerOf(const QImage& page) {
    int found = 0;
    for (int n = 1; n <= Squares; ++n) {
        if (qGray(page.pixel(squareCentre(n))) < 128) {
            if (found)
                return 0;
            found = n;
        }
    }
    return found;
}

bool runTool(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, arguments);
    return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

bool writeTiff(const QString& path, int pages, const QString& compression, bool zeroIsBlack) {
    const bool bilevel = compression.startsWith(QLatin1Char('g'));
    const QStringList files = writePages(path, pages, bilevel ? QImage::Format_Mono : QImage::Format_RGB888,
                                         bilevel && zeroIsBlack);
    // JPEG needs strips of a multiple of 16 rows.
    return !files.isEmpty() &&
           runTool(QStringLiteral("tiffcp"), QStringList{QStringLiteral("-c"), compression,
                                                         QStringLiteral("-r"), QStringLiteral("16")} +
                                                 files + QStringList{path});
}

bool zeroTiffStrip(const QString& path, int strip) {
    QProcess info;
    info.start(QStringLiteral("tiffinfo"), {QStringLiteral("-s"), path});
    if (!info.waitForFinished(60000))
        return false;
    const auto found = QRegularExpression(QStringLiteral("\\n\\s+%1: \\[\\s*(\\d+),\\s*(\\d+)\\]").arg(strip))
                           .match(QString::fromUtf8(info.readAllStandardOutput()));
    QFile file(path);
    if (!found.hasMatch() || !file.open(QIODevice::ReadWrite) || !file.seek(found.captured(1).toLongLong()))
        return false;
    const qint64 length = found.captured(2).toLongLong();
    return file.pos() + length <= file.size() && file.write(QByteArray(length, '\0')) == length;
}

bool writeWithMagick(const QString& path, const QString& magick, int pages) {
    const QStringList files = writePages(path, pages, QImage::Format_RGB888);
    return !files.isEmpty() &&
           runTool(QStringLiteral("/usr/bin/convert"), files + QStringList{magick + QLatin1Char(':') + path});
}

QByteArray bilevelTiffDeclaring(quint32 width, quint32 height) {
    QByteArray b("II*\0", 4);
    const auto u16 = [&b](quint16 v) { b.append(char(v & 0xff)).append(char(v >> 8)); };
    const auto u32 = [&](quint32 v) { u16(quint16(v & 0xffff)), u16(quint16(v >> 16)); };
    u32(8);
    const QList<std::pair<quint16, quint32>> tags = {{256, width}, {257, height}, {258, 1},
                                                     {259, 4},     {262, 0},      {273, 0},
                                                     {277, 1},     {278, height}, {279, 8}};
    const quint32 dataAt = 8 + 2 + 12 * quint32(tags.size()) + 4;
    u16(quint16(tags.size()));
    for (const auto& [tag, value] : tags) {
        const bool shortType = tag == 258 || tag == 259 || tag == 262 || tag == 277;
        u16(tag);
        u16(shortType ? 3 : 4);
        u32(1);
        if (shortType) {
            u16(quint16(value));
            u16(0);
        } else {
            u32(tag == 273 ? dataAt : value);
        }
    }
    u32(0);
    return b + QByteArray(8, char(0));
}

QByteArray tiffChain(int count, quint32 lastNext) {
    QByteArray b("II*\0\x08\0\0\0", 8);
    for (int i = 0; i < count; ++i) {
        const quint32 next = i + 1 < count ? quint32(8 + 6 * (i + 1)) : lastNext;
        b.append(2, char(0));
        for (int k = 0; k < 4; ++k)
            b.append(char((next >> (8 * k)) & 0xff));
    }
    return b;
}

QByteArray withExifThumbnail(const QByteArray& jpeg) {
    QByteArray thumbnail;
    QBuffer buffer(&thumbnail);
    buffer.open(QIODevice::WriteOnly);
    markedPage(2).scaled(40, 30).save(&buffer, "jpeg");
    const QByteArray exif = QByteArray("Exif\0\0", 6) + thumbnail;
    const qsizetype length = exif.size() + 2;
    const QByteArray app1 = QByteArray("\xFF\xE1", 2) + char(length >> 8) + char(length & 0xff) + exif;
    return jpeg.left(2) + app1 + jpeg.mid(2);
}

QByteArray pdfOfSize(QSizeF points) {
    const QByteArray w = QByteArray::number(points.width(), 'f', 2);
    const QByteArray h = QByteArray::number(points.height(), 'f', 2);
    const QByteArray content = "0 0 0 rg 0 0 " + QByteArray::number(points.width() / 2, 'f', 2) + ' ' +
                               QByteArray::number(points.height() / 2, 'f', 2) + " re f";
    const QList<QByteArray> objects = {
        "<</Type/Catalog/Pages 2 0 R>>",
        "<</Type/Pages/Kids[3 0 R]/Count 1>>",
        "<</Type/Page/Parent 2 0 R/MediaBox[0 0 " + w + ' ' + h + "]/Contents 4 0 R>>",
        "<</Length " + QByteArray::number(content.size()) + ">>stream\n" + content + "\nendstream",
    };
    QByteArray pdf("%PDF-1.4\n");
    QList<qsizetype> offsets;
    for (qsizetype i = 0; i < objects.size(); ++i) {
        offsets << pdf.size();
        pdf += QByteArray::number(i + 1) + " 0 obj" + objects[i] + "endobj\n";
    }
    const qsizetype xref = pdf.size();
    pdf += "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (qsizetype at : offsets)
        pdf += QByteArray::number(at).rightJustified(10, '0') + " 00000 n \n";
    pdf += "trailer<</Size " + QByteArray::number(objects.size() + 1) + "/Root 1 0 R>>\nstartxref\n" +
           QByteArray::number(xref) + "\n%%EOF\n";
    return pdf;
}

namespace {

void appendLittle16(QByteArray& b, int v) {
    b.append(char(v & 0xff)).append(char((v >> 8) & 0xff));
}

// One PCX page: 0 is black, runs of up to 63 equal bytes within a row.
QByteArray pcxPage(const QImage& page) {
    const QImage mono = page.convertToFormat(QImage::Format_Mono);
    const int used = (mono.width() + 7) / 8;
    const int lineBytes = (used + 1) / 2 * 2;
    const bool zeroIsBlack = qGray(mono.color(0)) < 128;
    QByteArray b;
    b.append(char(0x0A)).append(char(5)).append(char(1)).append(char(1));
    for (int v : {0, 0, mono.width() - 1, mono.height() - 1, qRound(mono.dotsPerMeterX() * 0.0254),
                  qRound(mono.dotsPerMeterY() * 0.0254)})
        appendLittle16(b, v);
    b.append(48, char(0)).append(char(0)).append(char(1));
    appendLittle16(b, lineBytes);
    appendLittle16(b, 1);
    b.append(128 - b.size(), char(0));
    QByteArray line(lineBytes, char(0xff));
    for (int y = 0; y < mono.height(); ++y) {
        const uchar* row = mono.constScanLine(y);
        for (int x = 0; x < used; ++x)
            line[x] = char(zeroIsBlack ? row[x] : ~row[x]);
        for (int x = 0; x < lineBytes;) {
            int run = 1;
            while (x + run < lineBytes && run < 63 && line[x + run] == line[x])
                ++run;
            if (run > 1 || (uchar(line[x]) & 0xC0) == 0xC0)
                b.append(char(0xC0 | run));
            b.append(line[x]);
            x += run;
        }
    }
    return b;
}

} // namespace

QByteArray bilevelPcx(const QList<QImage>& pages) {
    if (pages.size() == 1)
        return pcxPage(pages.first());
    QByteArray dcx;
    const auto append32 = [&dcx](quint32 v) {
        for (int k = 0; k < 4; ++k)
            dcx.append(char((v >> (8 * k)) & 0xff));
    };
    append32(987654321);
    QByteArray body;
    const quint32 first = 4 + 4 * quint32(pages.size() + 1);
    for (const QImage& page : pages) {
        append32(first + quint32(body.size()));
        body += pcxPage(page);
    }
    append32(0);
    return dcx + body;
}

} // namespace wo::test
