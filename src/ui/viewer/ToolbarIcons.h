#pragma once

#include <QIcon>

namespace wo::ui {

// The viewer's toolbar picture of a number, in both densities: made once while the
// application object lives and shared by every viewer, so that opening a viewer
// again neither reads the pictures again nor adds their pixmaps to Qt's cache.
QIcon toolbarIcon(int image);

} // namespace wo::ui
