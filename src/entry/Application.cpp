#include "entry/Application.h"

#include "dialogs/QtDialogs.h"
#include "platform/Error.h"
#include "text/TextService.h"

#include <QApplication>
#include <QFileInfo>
#include <xcb/xcb.h>

namespace wo::entry {

namespace {

QApplication*& created() {
    static QApplication* app = nullptr;
    return app;
}

// The component's windows ask a person unless a host or a test installs other dialogs.
[[maybe_unused]] const bool qtDialogsByDefault =
    (dialogs::setDefault([] { return std::make_unique<dialogs::QtDialogs>(); }), true);

bool waylandDisplay() {
    if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/wayland-0"));
}

// Whether the X server DISPLAY names answers: Qt's X11 platform ends the process
// when it cannot connect.
bool xDisplayAnswers() {
    const QByteArray display = qgetenv("DISPLAY");
    if (display.isEmpty())
        return false;
    xcb_connection_t* connection = xcb_connect(display.constData(), nullptr);
    const bool answers = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return answers;
}

// Whether one of the platforms Qt would try can open windows; Qt ends the process
// when none can. Platforms other than X11 and Wayland (offscreen, framebuffers,
// VNC) need no display server.
bool displayAvailable() {
    const QString platforms = qEnvironmentVariable("QT_QPA_PLATFORM");
    if (platforms.isEmpty())
        return waylandDisplay() || xDisplayAnswers();
    for (const QString& entry : platforms.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString name = entry.section(QLatin1Char(':'), 0, 0).trimmed();
        if (name == QLatin1String("xcb")                ? xDisplayAnswers()
            : name.startsWith(QLatin1String("wayland")) ? waylandDisplay()
                                                        : true)
            return true;
    }
    return false;
}

} // namespace

void ensureApplication(Shows shows) {
    if (QCoreApplication* app = QCoreApplication::instance()) {
        const bool enough = shows == Shows::Windows    ? qobject_cast<QApplication*>(app) != nullptr
                            : shows == Shows::Printing ? qobject_cast<QGuiApplication*>(app) != nullptr
                                                       : true;
        if (!enough)
            throw err::make(err::NoWidgetApplication);
        return;
    }
    if (!displayAvailable())
        throw err::make(err::NoDisplay);
    static int argc = 1;
    static char name[] = "Wendra_Original";
    static char* argv[] = {name, nullptr};
    created() = new QApplication(argc, argv);
}

void shutdown() {
    wo::text::TextService::instance().stop();
    delete created();
    created() = nullptr;
}

} // namespace wo::entry
