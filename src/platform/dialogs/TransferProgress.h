#pragma once

#include <QtGlobal>

namespace wo::dialogs {

// The progress window of a long store, fetch or FTP transfer, with its Cancel button.
class TransferProgress {
public:
    virtual ~TransferProgress() = default;
    // `done` of `total` bytes are moved (total is -1 while unknown), at `bytesPerSecond`.
    virtual void update(qint64 done, qint64 total, double bytesPerSecond) = 0;
    // True once the user has pressed Cancel.
    bool cancelled() const { return m_cancelled; }

protected:
    // The implementations' Cancel button.
    void cancel() { m_cancelled = true; }

private:
    bool m_cancelled = false;
};

} // namespace wo::dialogs
