#include "ui/common/Twips.h"

#include <QWidget>
#include <cmath>

namespace wo::ui {

int twips(int value, const QWidget* widget) {
    const int dpi = widget ? widget->logicalDpiX() : 96;
    return int(std::lround(value * dpi / 1440.0));
}

QSize shrinkToFit(QSize size, QSize room, QSize most) {
    const QSize over = (size - room).expandedTo(QSize(0, 0));
    return over.boundedTo(most);
}

QRect twipsRect(int left, int top, int width, int height, const QWidget* widget) {
    return {twips(left, widget), twips(top, widget), twips(width, widget), twips(height, widget)};
}

} // namespace wo::ui
