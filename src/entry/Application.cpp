#include "entry/Application.h"

#include "dialogs/QtDialogs.h"

#include <QApplication>

namespace wo::entry {

namespace {

QApplication*& created() {
    static QApplication* app = nullptr;
    return app;
}

// The component's windows ask a person unless a host or a test installs other dialogs.
[[maybe_unused]] const bool qtDialogsByDefault =
    (dialogs::setDefault([] { return std::make_unique<dialogs::QtDialogs>(); }), true);

} // namespace

void ensureApplication() {
    if (QApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "Wendra_Original";
    static char* argv[] = {name, nullptr};
    created() = new QApplication(argc, argv);
}

void shutdown() {
    delete created();
    created() = nullptr;
}

} // namespace wo::entry
