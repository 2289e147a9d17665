#include "platform/dialogs/OwnEvents.h"

#include <QCoreApplication>
#include <QEvent>

namespace wo::dialogs {

namespace {

// Timers wait: both of Qt's Unix event dispatchers honour X11ExcludeTimers. Socket
// notifiers wait too: the GLib dispatcher ignores ExcludeSocketNotifiers, so this filter
// takes their activations, which come again while the socket stays ready. Posted events
// are one queue in Qt: our window's painting and the window system's events share it
// with the host's queued calls, so those still run; they find the component busy
// (err::Busy, the connection's WO_INET_ERROR_TRANSFER_IN_PROGRESS) and no transaction of
// ours open.
class HostNotifiersHeld final : public QObject {
public:
    HostNotifiersHeld() { QCoreApplication::instance()->installEventFilter(this); }
    ~HostNotifiersHeld() override { QCoreApplication::instance()->removeEventFilter(this); }
    HostNotifiersHeld(const HostNotifiersHeld&) = delete;
    HostNotifiersHeld& operator=(const HostNotifiersHeld&) = delete;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        const QEvent::Type type = event->type();
        return type == QEvent::Timer || type == QEvent::SockAct || type == QEvent::SockClose;
    }
};

} // namespace

void processOwnEvents(bool input) {
    if (!QCoreApplication::instance())
        return;
    const HostNotifiersHeld held;
    QEventLoop::ProcessEventsFlags flags = QEventLoop::ExcludeSocketNotifiers | QEventLoop::X11ExcludeTimers;
    if (!input)
        flags |= QEventLoop::ExcludeUserInputEvents;
    QCoreApplication::processEvents(flags);
}

} // namespace wo::dialogs
