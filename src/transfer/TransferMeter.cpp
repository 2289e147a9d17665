#include "transfer/TransferMeter.h"

#include "platform/dialogs/Dialogs.h"
#include "platform/dialogs/OwnEvents.h"

namespace wo::transfer {

namespace {

// Windows are repainted and the rate shown this often; more would only cost time.
constexpr qint64 kTickMs = 50;

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
    // A transfer holds the host's FTP connection or fills its store: only our window runs.
    dialogs::processOwnEvents(m_window != nullptr);
    if (m_window && m_window->cancelled())
        m_cancelled = true;
    return !m_cancelled;
}

} // namespace wo::transfer
