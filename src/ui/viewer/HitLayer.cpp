#include "ui/viewer/HitLayer.h"

#include "imaging/ImageViewWidget.h"
#include "ui/viewer/PageHits.h"

#include <QEvent>
#include <QPainter>

namespace wo::ui {

namespace {

// A marker pen's yellow, light enough to read the words through.
const QColor kMark(255, 200, 0, 90);
const QColor kEdge(230, 150, 0, 200);

} // namespace

HitLayer::HitLayer(imaging::ImageViewWidget* view) : QWidget(view), m_view(view) {
    setObjectName(QStringLiteral("HitLayer"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setGeometry(view->rect());
    view->installEventFilter(this);
}

void HitLayer::setBoxes(const QList<QRect>& boxes) {
    m_boxes = boxes;
    update();
}

QList<QRectF> HitLayer::shownBoxes() const {
    QList<QRectF> shown;
    const QSize page = m_view->pageSize();
    if (page.isEmpty())
        return shown;
    const QTransform transform = m_view->imageTransform();
    for (const QRect& box : m_boxes)
        shown.append(boxToWidget(box, page, transform));
    return shown;
}

bool HitLayer::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_view && event->type() == QEvent::Resize)
        setGeometry(m_view->rect());
    return QWidget::eventFilter(watched, event);
}

void HitLayer::paintEvent(QPaintEvent*) {
    const QList<QRectF> shown = shownBoxes();
    if (shown.isEmpty())
        return;
    QPainter painter(this);
    painter.setPen(QPen(kEdge, 1));
    painter.setBrush(kMark);
    for (const QRectF& box : shown)
        painter.drawRect(box);
}

} // namespace wo::ui
