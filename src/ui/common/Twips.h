#pragma once

#include "wo_internal_export.h"

#include <QRect>

class QWidget;

namespace wo::ui {

// Places designed in twips (1440 per inch), scaled by the screen's logical DPI:
// 15 twips per pixel at 96 DPI.
int twips(int value, const QWidget* widget);
WO_INTERNAL QRect twipsRect(int left, int top, int width, int height, const QWidget* widget);

// What a window of `size` gives up in width and height to fit into `room`, at most
// `most`; nothing in a direction where it fits.
QSize shrinkToFit(QSize size, QSize room, QSize most);

} // namespace wo::ui
