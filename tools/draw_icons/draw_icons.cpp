// Draws the viewer's toolbar images (24 x 24, numbered as the toolbar refers to
// them) into the folder given. A developer tool, built only with -DWO_BUILD_TOOLS=ON;
// run it after changing a drawing and commit the PNGs:
//   QT_QPA_PLATFORM=offscreen build/bin/draw_icons src/ui/viewer/icons
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <functional>
#include <map>

namespace {

const QColor Ink(0x2b, 0x36, 0x45);
const QColor Blue(0x2f, 0x6f, 0xc0);
const QColor LightBlue(0xcf, 0xe3, 0xf8);
const QColor Green(0x2e, 0x9a, 0x48);
const QColor Red(0xc8, 0x3a, 0x2c);
const QColor Paper(0xff, 0xff, 0xff);
const QColor Grey(0x8a, 0x94, 0xa0);
const QColor Wood(0xa8, 0x6b, 0x32);

QPen pen(const QColor& colour, double width) {
    return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// A sheet with a folded top-right corner and a few text lines.
void page(QPainter& p, QRectF r, bool lines = true) {
    const double fold = std::min(r.width(), r.height()) * 0.3;
    QPainterPath sheet;
    sheet.moveTo(r.topLeft());
    sheet.lineTo(r.right() - fold, r.top());
    sheet.lineTo(r.right(), r.top() + fold);
    sheet.lineTo(r.bottomRight());
    sheet.lineTo(r.bottomLeft());
    sheet.closeSubpath();
    p.setPen(pen(Ink, 1));
    p.setBrush(Paper);
    p.drawPath(sheet);
    p.setBrush(LightBlue);
    p.drawPolygon(QPolygonF{QPointF(r.right() - fold, r.top()), QPointF(r.right() - fold, r.top() + fold),
                            QPointF(r.right(), r.top() + fold)});
    if (!lines)
        return;
    p.setPen(pen(Grey, 1));
    for (double y = r.top() + fold + 2; y < r.bottom() - 1.5; y += 3)
        p.drawLine(QPointF(r.left() + 2, y), QPointF(r.right() - 2, y));
}

// A solid triangle pointing left (-1) or right (+1) with its tip at x.
void triangle(QPainter& p, double tip, double direction, const QColor& colour) {
    p.setPen(pen(colour.darker(140), 1));
    p.setBrush(colour);
    const double base = tip - direction * 9;
    p.drawPolygon(QPolygonF{QPointF(tip, 12), QPointF(base, 4.5), QPointF(base, 19.5)});
}

void bar(QPainter& p, double x, const QColor& colour) {
    p.setPen(pen(colour.darker(140), 1));
    p.setBrush(colour);
    p.drawRect(QRectF(x - 1.5, 4.5, 3, 15));
}

// An arrow along a line, head at `to`.
void arrow(QPainter& p, QPointF from, QPointF to, const QColor& colour, double width = 2.5) {
    p.setPen(pen(colour, width));
    const QLineF shaft(to, from);
    QLineF stem(from, to);
    stem.setLength(stem.length() - width);
    p.drawLine(stem);
    QLineF side1 = shaft, side2 = shaft;
    side1.setLength(width * 2.4);
    side2.setLength(width * 2.4);
    side1.setAngle(shaft.angle() + 35);
    side2.setAngle(shaft.angle() - 35);
    p.setPen(pen(colour, 1));
    p.setBrush(colour);
    p.drawPolygon(QPolygonF{to, side1.p2(), side2.p2()});
}

void magnifier(QPainter& p, QPointF centre, double radius, int sign) {
    const QPointF handleStart = centre + QPointF(radius, radius) * 0.72;
    p.setPen(pen(Ink, 3.2));
    p.drawLine(handleStart, handleStart + QPointF(radius, radius) * 0.85);
    p.setPen(pen(Ink, 1.6));
    p.setBrush(LightBlue);
    p.drawEllipse(centre, radius, radius);
    if (sign == 0)
        return;
    const double arm = radius * 0.55;
    p.setPen(pen(Blue, 2));
    p.drawLine(centre - QPointF(arm, 0), centre + QPointF(arm, 0));
    if (sign > 0)
        p.drawLine(centre - QPointF(0, arm), centre + QPointF(0, arm));
}

void dashedRect(QPainter& p, QRectF r) {
    QPen dashes(Ink, 1.2, Qt::CustomDashLine, Qt::FlatCap);
    dashes.setDashPattern({2.5, 1.5});
    p.setPen(dashes);
    p.setBrush(QColor(0xcf, 0xe3, 0xf8, 120));
    p.drawRect(r);
}

// A quarter-turn arrow around the centre; clockwise when direction is +1.
void rotation(QPainter& p, int direction) {
    p.save();
    if (direction < 0) {
        p.translate(24, 0);
        p.scale(-1, 1);
    }
    page(p, QRectF(8, 8, 9, 11), false);
    const QRectF circle(3.5, 3.5, 17, 17);
    p.setPen(pen(Green, 2.4));
    p.setBrush(Qt::NoBrush);
    // From the left, over the top to the right (Qt angles run counter-clockwise).
    p.drawArc(circle, 170 * 16, -150 * 16);
    const QPointF end(circle.center().x() + 8.5 * std::cos(20 * M_PI / 180),
                      circle.center().y() - 8.5 * std::sin(20 * M_PI / 180));
    p.setPen(pen(Green, 1));
    p.setBrush(Green);
    p.drawPolygon(QPolygonF{end + QPointF(-4.2, -1.2), end + QPointF(3.4, -1.6), end + QPointF(0.8, 5)});
    p.restore();
}

void viewport(QPainter& p) {
    p.setPen(pen(Ink, 1.2));
    p.setBrush(QColor(0xe8, 0xec, 0xf0));
    p.drawRect(QRectF(2.5, 2.5, 19, 19));
}

// The viewer window: the navigation list at the left, the page area at the right.
void navigation(QPainter& p, bool listShown) {
    p.setPen(pen(Ink, 1.2));
    p.setBrush(Paper);
    p.drawRect(QRectF(2.5, 4.5, 19, 15));
    if (listShown) {
        p.setBrush(LightBlue);
        p.drawRect(QRectF(2.5, 4.5, 7, 15));
        p.setPen(pen(Blue, 1));
        for (double y = 8; y < 18; y += 3)
            p.drawLine(QPointF(4.5, y), QPointF(7.5, y));
        triangle(p, 12.5, -1, Green);
    } else {
        QPen dashes(Grey, 1, Qt::DashLine);
        p.setPen(dashes);
        p.drawLine(QPointF(9.5, 5.5), QPointF(9.5, 18.5));
        triangle(p, 11 + 9, 1, Green);
    }
}

const std::map<int, std::function<void(QPainter&)>> Images = {
    {1,
     [](QPainter& p) {
         magnifier(p, {10, 10}, 6.5, 1);
     }},
    {2,
     [](QPainter& p) {
         magnifier(p, {10, 10}, 6.5, -1);
     }},
    {5,
     [](QPainter& p) {
         dashedRect(p, QRectF(3.5, 4.5, 15, 12));
         p.setPen(pen(Ink, 1.4));
         p.drawLine(QPointF(18.5, 13), QPointF(18.5, 22));
         p.drawLine(QPointF(14, 17.5), QPointF(23, 17.5));
     }},
    {6,
     [](QPainter& p) {
         dashedRect(p, QRectF(2.5, 2.5, 13, 11));
         magnifier(p, {14, 14}, 5, 1);
     }},
    {7,
     [](QPainter& p) {
         dashedRect(p, QRectF(2.5, 2.5, 14, 12));
         QPolygonF pointer{QPointF(10, 8),      QPointF(10, 21),   QPointF(13, 18), QPointF(15.5, 22.5),
                           QPointF(17.5, 21.5), QPointF(15, 17.2), QPointF(19, 17)};
         p.setPen(pen(Ink, 1));
         p.setBrush(Paper);
         p.drawPolygon(pointer);
     }},
    {10,
     [](QPainter& p) {
         bar(p, 5.5, Blue);
         triangle(p, 8, -1, Blue);
         triangle(p, 14, -1, Blue);
     }},
    {11, [](QPainter& p) { triangle(p, 7.5, -1, Blue); }},
    {12, [](QPainter& p) { triangle(p, 16.5, 1, Blue); }},
    {13,
     [](QPainter& p) {
         triangle(p, 10, 1, Blue);
         triangle(p, 16, 1, Blue);
         bar(p, 18.5, Blue);
     }},
    {14,
     [](QPainter& p) {
         p.setPen(pen(Ink, 1));
         p.setBrush(Paper);
         p.drawRect(QRectF(6.5, 2.5, 11, 8));
         p.setBrush(QColor(0xb8, 0xc0, 0xca));
         p.drawRoundedRect(QRectF(2.5, 9.5, 19, 8), 1.5, 1.5);
         p.setBrush(Paper);
         p.drawRect(QRectF(6.5, 14.5, 11, 7));
         p.setPen(pen(Grey, 1));
         p.drawLine(QPointF(8.5, 17), QPointF(15.5, 17));
         p.drawLine(QPointF(8.5, 19.5), QPointF(15.5, 19.5));
         p.setPen(Qt::NoPen);
         p.setBrush(Green);
         p.drawEllipse(QPointF(18.5, 12), 1.1, 1.1);
     }},
    {15,
     [](QPainter& p) {
         page(p, QRectF(3.5, 2.5, 12, 16));
         arrow(p, {11, 18}, {22, 18}, Green);
     }},
    {16,
     [](QPainter& p) {
         p.setPen(pen(Ink, 1.2));
         p.setBrush(QColor(0x3a, 0x3a, 0x3a));
         p.drawRect(QRectF(3.5, 2.5, 11, 19));
         p.setBrush(Wood);
         p.drawPolygon(QPolygonF{QPointF(3.5, 2.5), QPointF(10, 4.5), QPointF(10, 23), QPointF(3.5, 21.5)});
         p.setPen(Qt::NoPen);
         p.setBrush(QColor(0xf0, 0xd0, 0x60));
         p.drawEllipse(QPointF(8.3, 13), 0.9, 0.9);
         arrow(p, {12.5, 12}, {22.5, 12}, Red);
     }},
    {17, [](QPainter& p) { rotation(p, 1); }},
    {18, [](QPainter& p) { rotation(p, -1); }},
    {19,
     [](QPainter& p) {
         page(p, QRectF(8.5, 2.5, 12, 16));
         arrow(p, {13, 18}, {2, 18}, Green);
     }},
    {20,
     [](QPainter& p) {
         viewport(p);
         page(p, QRectF(8.5, 6.5, 7, 11), false);
         arrow(p, {12, 6}, {12, 3}, Blue, 1.4);
         arrow(p, {12, 18}, {12, 21}, Blue, 1.4);
         arrow(p, {8, 12}, {3.5, 12}, Blue, 1.4);
         arrow(p, {16, 12}, {20.5, 12}, Blue, 1.4);
     }},
    {21,
     [](QPainter& p) {
         viewport(p);
         page(p, QRectF(3.5, 9.5, 17, 12), true);
         arrow(p, {12, 6}, {4, 6}, Blue, 1.6);
         arrow(p, {12, 6}, {20, 6}, Blue, 1.6);
     }},
    {26, [](QPainter& p) { navigation(p, false); }},
    {27, [](QPainter& p) { navigation(p, true); }},
    {29,
     [](QPainter& p) {
         page(p, QRectF(3.5, 2.5, 17, 19), false);
         p.setPen(pen(Blue, 2));
         for (const double x : {8.0, 16.0}) {
             p.drawLine(QPointF(x, 9), QPointF(x, 18));
             p.drawLine(QPointF(x, 9), QPointF(x - 2, 11));
         }
         p.setPen(Qt::NoPen);
         p.setBrush(Blue);
         p.drawEllipse(QPointF(12, 12), 1.1, 1.1);
         p.drawEllipse(QPointF(12, 16.5), 1.1, 1.1);
     }},
};

// Draws one picture at `scale` times 24 x 24, over a pale halo one pixel wide
// around everything drawn, so the dark outlines stay legible on a dark palette.
QImage render(const std::function<void(QPainter&)>& draw, int scale) {
    QImage shape(24 * scale, 24 * scale, QImage::Format_ARGB32_Premultiplied);
    shape.fill(Qt::transparent);
    QPainter painter(&shape);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(scale, scale);
    draw(painter);
    painter.end();

    QImage halo(shape.size(), QImage::Format_ARGB32_Premultiplied);
    halo.fill(Qt::transparent);
    for (int y = 0; y < shape.height(); ++y)
        for (int x = 0; x < shape.width(); ++x) {
            int alpha = 0;
            for (int dy = -scale; dy <= scale; ++dy)
                for (int dx = -scale; dx <= scale; ++dx)
                    if (shape.valid(x + dx, y + dy))
                        alpha = std::max(alpha, qAlpha(shape.pixel(x + dx, y + dy)));
            halo.setPixel(x, y, qPremultiply(qRgba(255, 255, 255, alpha * 3 / 4)));
        }
    QPainter over(&halo);
    over.drawImage(0, 0, shape);
    over.end();
    return halo;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    for (const auto& [number, draw] : Images) {
        // Qt's icons take the "@2x" file for screens of twice the density.
        for (const auto& [scale, suffix] : {std::pair{1, ""}, std::pair{2, "@2x"}}) {
            const QString file = QStringLiteral("%1/%2%3.png")
                                     .arg(folder)
                                     .arg(number, 2, 10, QLatin1Char('0'))
                                     .arg(QLatin1String(suffix));
            if (!render(draw, scale).save(file))
                return 1;
        }
    }
    return 0;
}
