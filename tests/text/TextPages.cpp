#include "TextPages.h"

#include <QPainter>
#include <QPdfWriter>

namespace wo::test {

namespace {
constexpr int kDpi = 300;
constexpr int kLineHeight = 90;

void drawLines(QPainter& painter, const QStringList& lines, int pixelSize, int lineHeight) {
    QFont font(QStringLiteral("WenQuanYi Zen Hei"));
    font.setPixelSize(pixelSize);
    painter.setFont(font);
    painter.setPen(Qt::black);
    for (qsizetype i = 0; i < lines.size(); ++i)
        painter.drawText(QPoint(lineHeight / 2, int(i + 1) * lineHeight), lines[i]);
}
} // namespace

QImage textPage(const QStringList& lines, QImage::Format format) {
    // Recognisers lose text that touches the page's edge: a margin all round.
    constexpr int margin = 120;
    QImage image(1400 + 2 * margin, int(lines.size() + 1) * kLineHeight + 2 * margin, QImage::Format_RGB32);
    image.fill(Qt::white);
    image.setDotsPerMeterX(int(kDpi / 0.0254));
    image.setDotsPerMeterY(int(kDpi / 0.0254));
    {
        QPainter painter(&image);
        painter.translate(margin, margin);
        drawLines(painter, lines, 56, kLineHeight);
    }
    return format == QImage::Format_Mono ? image.convertToFormat(format, Qt::ThresholdDither)
                                         : image.convertToFormat(format);
}

bool writeTextPdf(const QString& path, const QStringList& lines, bool asPicture) {
    QPdfWriter writer(path);
    writer.setResolution(kDpi);
    writer.setPageSize(QPageSize(QSizeF(120, 40), QPageSize::Millimeter));
    writer.setPageMargins(QMarginsF());
    QPainter painter;
    if (!painter.begin(&writer))
        return false;
    if (asPicture)
        painter.drawImage(QPoint(0, 0), textPage(lines));
    else
        drawLines(painter, lines, 56, kLineHeight);
    return painter.end();
}

} // namespace wo::test
