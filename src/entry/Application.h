#pragma once

// The application object the windows need. A Qt host has its own; for any other
// host the component creates one on first use and keeps it until shutdown().
namespace wo::entry {

void ensureApplication();
// Deletes the application object the component created, if any. Never run from
// exit handlers: by then Qt's own globals may be gone, so a host that does not
// call it leaves the object to the end of the process.
void shutdown();

} // namespace wo::entry
