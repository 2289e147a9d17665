#pragma once

#include "wo_internal_export.h"

#include <QList>
#include <QRect>
#include <QWidget>

namespace wo::imaging {
class ImageViewWidget;
}

namespace wo::ui {

// Translucent marks over the words of the shown page that hold the searched term. It
// lies over the whole view and maps the boxes when it paints, through the transform
// the view draws the page with, so the marks stay on the words at every zoom,
// rotation and scroll. Mouse events pass through to the view.
class WO_INTERNAL HitLayer : public QWidget {
public:
    explicit HitLayer(imaging::ImageViewWidget* view);

    // Boxes in ten-thousandths of the page; none hides the marks.
    void setBoxes(const QList<QRect>& boxes);
    // The marks as painted now, in the view's pixels.
    QList<QRectF> shownBoxes() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    imaging::ImageViewWidget* m_view;
    QList<QRect> m_boxes;
};

} // namespace wo::ui
