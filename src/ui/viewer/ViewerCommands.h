#pragma once

#include "imaging/ImageView.h"
#include "wo_internal_export.h"

#include <QKeyCombination>
#include <QStringView>
#include <optional>
#include <span>

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

// The viewer's toolbar commands, in toolbar order.
enum class Command {
    ZoomIn,
    ZoomOut,
    OwnFit,
    FitShow,
    FitWidth,
    Select,
    ZoomSize,
    Init,
    RotateLeft,
    RotateRight,
    First,
    Previous,
    Next,
    Last,
    Print,
    PreFile,
    NextFile,
    ShowLV,
    Exit,
};

// What the commands do to a viewer; the viewer carries them out.
class ViewerActions {
public:
    virtual ViewerState viewerState() const = 0;
    // Ends selection mode and sets the commands for the shown page.
    virtual void refresh() = 0;
    virtual void setSelecting(bool on) = 0;
    // Enlarges the drawn rectangle, or asks for one first.
    virtual void zoomToSelection() = 0;
    virtual void rotate(bool right) = 0;
    virtual double zoomPercent() const = 0;
    virtual void zoomBy(double points) = 0;
    virtual void fit(imaging::ImageView::Fit fit) = 0;
    virtual void showPage(int page) = 0;
    virtual void print() = 0;
    virtual void moveToDocument(int step) = 0;
    virtual void toggleNavigation() = 0;
    virtual void exit() = 0;

protected:
    ~ViewerActions() = default;
};

// One toolbar command: its key (the action's objectName, as tests and hosts find it),
// tooltip, picture number, whether a separator comes before it, the key on the page
// area that runs it (Qt::Key_unknown for none), when it can run, and what it does.
struct CommandEntry {
    Command command;
    QStringView key;
    QStringView tip;
    int image;
    bool groupStart;
    Qt::Key pageKey;
    bool (*enabled)(const ViewerState&);
    void (*run)(ViewerActions&);
};

// Every command in toolbar order; commands()[int(c)] is c's.
std::span<const CommandEntry> commands();
WO_INTERNAL const CommandEntry& commandEntry(Command command);
// The command of a key; none for an unknown key.
WO_INTERNAL std::optional<Command> commandNamed(QStringView key);

// Whether the command can be run in the state. "Select" and "Init" take turns, as
// their buttons do.
WO_INTERNAL bool commandEnabled(Command command, const ViewerState& state);

// The toolbar command a key on the page area runs; none for other keys. Modifiers
// do not matter: most layouts need Shift for "+", and the keypad adds its own.
WO_INTERNAL std::optional<Command> commandOfKey(QKeyCombination key);

} // namespace wo::ui
