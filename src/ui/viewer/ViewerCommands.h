#pragma once

#include <QKeyCombination>
#include <QString>

namespace wo::ui {

// What the viewer's toolbar commands depend on.
struct ViewerState {
    // A page is shown; otherwise the view is empty or shows a type icon.
    bool imageShown = false;
    // Dragging draws the rectangle to enlarge instead of panning.
    bool selecting = false;
    // 1-based, as the view counts them.
    int page = 0;
    int pageCount = 0;
    // 1-based position of the shown document in the navigation list; 0 before the first.
    int document = 0;
    int documentCount = 0;
};

// Whether the toolbar command of a key can be run in the state; false for an unknown key.
// "Select" and "Init" take turns, as their buttons do.
bool commandEnabled(const QString& key, const ViewerState& state);

// The toolbar command a key on the page area runs; empty for other keys. Modifiers
// do not matter: most layouts need Shift for "+", and the keypad adds its own.
QString commandOfKey(QKeyCombination key);

} // namespace wo::ui
