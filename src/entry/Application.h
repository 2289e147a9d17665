#pragma once

// The application object the windows need. A Qt host has its own; for any other
// host the component creates one on first use and keeps it until shutdown().
namespace wo::entry {

// What a call is about to show.
enum class Shows {
    // Windows of its own (the list window): a widget application is needed.
    Windows,
    // Pages printed through Qt: a GUI application is needed.
    Printing,
    // Dialogs only: the dialogs in use ask for what they need.
    Dialogs,
};

// Creates the application object when the host has none. Throws err::NoDisplay
// when there is no display to create it on, err::NoWidgetApplication when the
// host's object cannot show the windows asked for: either would end the process
// inside Qt.
void ensureApplication(Shows shows);
// Deletes the application object the component created, if any. Never run from
// exit handlers: by then Qt's own globals may be gone, so a host that does not
// call it leaves the object to the end of the process.
void shutdown();

} // namespace wo::entry
