// The demonstration host: opens its database, creates the component by ProgID as
// any host would, hands over its settings and shows the document list window.
#include "DemoHost.h"

#include <QApplication>
#include <cstdio>
#include <cstring>

int main(int argc, char* argv[]) {
    // Help needs no display.
    for (int i = 1; i < argc; ++i)
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            QCoreApplication app(argc, argv);
            demohost::parseOptions(app.arguments());
        }
    QApplication app(argc, argv);
    const demohost::Options options = demohost::parseOptions(app.arguments());
    try {
        return demohost::run(options);
    } catch (const demohost::Failure& e) {
        std::fprintf(stderr, "demohost: %s\n", e.what());
        return 1;
    }
}
