#include "transfer/TransferMeter.h"

#include "platform/dialogs/Dialogs.h"

#include <QCoreApplication>
#include <QEvent>

namespace wo::transfer {

namespace {

// Windows are repainted and the rate shown this often; more would only cost time.
constexpr qint64 kTickMs = 50;

// A transfer holds the host's FTP connection or fills its store, and the host's code
// must not run inside it. Timers wait: both of Qt's Unix event dispatchers honour
// X11ExcludeTimers. Socket notifiers wait too: the GLib dispatcher ignores
// ExcludeSocketNotifiers, so this filter takes their activations, which come again
// while the socket stays ready. Posted events are one queue in Qt: our window's
// painting and the window system's events share it with the host's queued calls, so
// those still run; they find the component busy (err::Busy, the connection's
// WO_INET_ERROR_TRANSFER_IN_PROGRESS) and no transaction of ours open.
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

// Runs what the progress window needs: painting, and once it shows, its clicks and keys.
void processOwnEvents(bool input) {
    if (!QCoreApplication::instance())
        return;
    const HostNotifiersHeld held;
    QEventLoop::ProcessEventsFlags flags = QEventLoop::ExcludeSocketNotifiers | QEventLoop::X11ExcludeTimers;
    if (!input)
        flags |= QEventLoop::ExcludeUserInputEvents;
    QCoreApplication::processEvents(flags);
}

} // namespace

TransferMeter::TransferMeter(QString document, qint64 total)
    : m_document(std::move(document)), m_total(total) {
    m_clock.start();
}

TransferMeter::~TransferMeter() = default;

bool TransferMeter::tick(qint64 done, qint64 total) {
    if (m_cancelled)
        return false;
    const qint64 now = m_clock.elapsed();
    if (m_lastTickMs >= 0 && now - m_lastTickMs < kTickMs)
        return true;
    m_lastTickMs = now;
    if (total >= 0)
        m_total = total;
    if (!m_window && now >= showAfter.count())
        m_window = dialogs::current().transferProgress(nullptr, m_document);
    if (m_window) {
        m_window->update(done, m_total, now > 0 ? double(done) * 1000.0 / double(now) : 0.0);
        m_cancelled = m_window->cancelled();
    }
    // Before the window shows, clicks and keys wait: the transfer holds what they would reach.
    processOwnEvents(m_window != nullptr);
    if (m_window && m_window->cancelled())
        m_cancelled = true;
    return !m_cancelled;
}

} // namespace wo::transfer
