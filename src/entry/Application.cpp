#include "entry/Application.h"

#include <QApplication>

namespace wo::entry {

namespace {

QApplication*& created() {
    static QApplication* app = nullptr;
    return app;
}

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
