#include "TestImages.h"

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

} // namespace wo::test
