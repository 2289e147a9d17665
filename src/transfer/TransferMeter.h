#pragma once

#include "platform/dialogs/TransferProgress.h"
#include "platform/inet/Inet.h"
#include "wo_internal_export.h"

#include <QElapsedTimer>
#include <QString>
#include <chrono>
#include <memory>

namespace wo::transfer {

// Watches one synchronous transfer from the thread that waits for it: once it has run
// `showAfter`, opens the progress window of the dialogs in use and keeps it and the
// windows beneath repainted; tells the transfer when the user has cancelled.
class WO_INTERNAL TransferMeter {
public:
    TransferMeter(QString document, qint64 total);
    ~TransferMeter();
    TransferMeter(const TransferMeter&) = delete;
    TransferMeter& operator=(const TransferMeter&) = delete;

    // `done` bytes are moved (total -1: as given at the start). Called as often as
    // the transfer likes; false once the user has cancelled.
    bool tick(qint64 done, qint64 total = -1);
    bool cancelled() const { return m_cancelled; }
    // tick() as an FTP transfer's progress callback.
    inet::Progress progress() {
        return [this](qint64 done, qint64 total) { return tick(done, total); };
    }

    // How long a transfer runs before its window shows.
    static inline std::chrono::milliseconds showAfter{1000};

private:
    QString m_document;
    qint64 m_total;
    QElapsedTimer m_clock;
    qint64 m_lastTickMs = -1;
    std::unique_ptr<dialogs::TransferProgress> m_window;
    bool m_cancelled = false;
};

} // namespace wo::transfer
