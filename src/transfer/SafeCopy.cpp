#include "transfer/SafeCopy.h"

#include "platform/Error.h"
#include "transfer/FreshFile.h"
#include "transfer/TransferMeter.h"

#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <future>
#include <unistd.h>
#include <vector>

namespace wo::transfer {

namespace {

// What a copy on a worker thread shares with the thread waiting for it.
struct CopyWatch {
    std::atomic<qint64> done{0};
    std::atomic<bool> stop{false};
};

enum class CopyFault { None, Reading, Writing, Stopped };

// Copies what is left of `in` to `out`, from both files' offsets: through the
// kernel's copy path where the file systems allow it (no copy through this process,
// shared blocks where the file system has them), else by reads and writes. Counts
// into `watch` and stops when it says so, between steps of a few megabytes.
CopyFault copyContents(int in, int out, CopyWatch& watch) {
    constexpr size_t kStep = size_t(16) << 20;
    bool kernel = true;
    std::vector<char> buffer;
    for (;;) {
        if (watch.stop)
            return CopyFault::Stopped;
        if (kernel) {
            const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, kStep, 0);
            if (n > 0) {
                watch.done += n;
                continue;
            }
            if (n == 0)
                return CopyFault::None;
            if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP)
                return CopyFault::Writing;
            kernel = false;
            buffer.resize(size_t(1) << 20);
        }
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n == 0)
            return CopyFault::None;
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return CopyFault::Reading;
        for (ssize_t done = 0; done < n;) {
            const ssize_t written = ::write(out, buffer.data() + done, size_t(n - done));
            if (written < 0 && errno == EINTR)
                continue;
            if (written < 0)
                return CopyFault::Writing;
            done += written;
        }
        watch.done += n;
    }
}

// The copy, and for a stored document the flush of its data, on this thread; or,
// with a meter, on a worker thread while this one keeps the meter going.
CopyFault copyAndFlush(int in, int out, bool flush, TransferMeter* meter) {
    CopyWatch watch;
    const auto work = [in, out, flush, &watch] {
        const CopyFault fault = copyContents(in, out, watch);
        if (fault != CopyFault::None)
            return fault;
        return flush && ::fdatasync(out) != 0 ? CopyFault::Writing : CopyFault::None;
    };
    if (!meter)
        return work();
    auto job = std::async(std::launch::async, work);
    do
        if (!meter->tick(watch.done))
            watch.stop = true;
    while (job.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready);
    const CopyFault fault = job.get();
    // A cancel pressed as the copy ended still cancels: nothing is in place yet.
    return meter->cancelled() ? CopyFault::Stopped : fault;
}

} // namespace

void copyFileSafely(const QString& source, const QString& target, Access access, TransferMeter* meter) {
    if (!QFileInfo::exists(source))
        throw err::make(err::FileNotFound, source);
    const int in = ::open(QFile::encodeName(source).constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        throw readFailure(source);
    const auto closeIn = qScopeGuard([in] { ::close(in); });
    FreshFile fresh(target, access == Access::Private ? 0600 : 0666);
    // A stored document's data reaches the disk before its name does, so a crash
    // never leaves the name over missing data; a cached copy can be fetched again.
    switch (copyAndFlush(in, fresh.handle(), access == Access::Shared, meter)) {
    case CopyFault::None:
        break;
    case CopyFault::Reading:
        throw readFailure(source);
    case CopyFault::Writing:
        throw writeFailure(target);
    case CopyFault::Stopped:
        throw err::make(err::TransferCancelled, target);
    }
    fresh.place();
}

} // namespace wo::transfer
