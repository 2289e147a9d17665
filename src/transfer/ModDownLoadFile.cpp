#include "transfer/ModDownLoadFile.h"

#include "platform/Error.h"
#include "platform/dialogs/Dialogs.h"
#include "platform/inet/Inet.h"
#include "transfer/TransferMeter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QScopeGuard>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <future>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace wo::transfer {

namespace {

// Hosts hand over roots with and without a trailing "/".
QString joinPath(const QString& dir, const QString& name) {
    return dir.endsWith(QLatin1Char('/')) ? dir + name : dir + QLatin1Char('/') + name;
}

inet::Handle connection(const settings::Storage& storage) {
    return static_cast<inet::Handle>(storage.ftpConnection);
}

// The document's stored file name once rowFault lets it be used; "" otherwise, after
// the mode's own not-found message: a refused row is a document that cannot be found.
QString checkedFileName(const store::ListedDocument& document, bool ftpMode) {
    const QString& path = document.path;
    const QString& name = document.name;
    switch (rowFault(path, document.id, document.type, ftpMode)) {
    case RowFault::None:
        return document.id + document.type;
    case RowFault::Path:
        if (ftpMode) {
            dialogs::inform(nullptr, QStringLiteral("在FTP服务器上找不到") + path + QStringLiteral("路径"),
                            QString(), dialogs::Icon::None);
            return {};
        }
        break;
    case RowFault::Name:
        break;
    }
    dialogs::inform(nullptr,
                    (ftpMode ? QStringLiteral("在FTP服务器上找不到") : QStringLiteral("在找不到")) + name +
                        QStringLiteral("文件"),
                    QString(), dialogs::Icon::None);
    return {};
}

// Where fileName goes in the cache; "" when the cache cannot be made.
QString cacheTarget(const QString& fileName) {
    try {
        return joinPath(cacheFolder(), fileName);
    } catch (const Error&) {
        return {};
    }
}

// Qt reports every failed open alike; what the file system allows tells a refusal apart.
Error accessError(const QString& path, bool refused) {
    if (refused)
        return err::make(err::PermissionDenied, path);
    return err::make(err::PathFileAccessError, path);
}

bool readRefused(const QString& source) {
    const QFileInfo info(source);
    return info.exists() && !info.isReadable();
}

bool writeRefused(const QString& target) {
    const QFileInfo info(target);
    const QFileInfo dir(info.path());
    return (info.exists() && !info.isWritable()) || (dir.exists() && !dir.isWritable());
}

// A new file beside a target, under a fresh name and created exclusively, so that no
// entry someone planted is opened; renamed over the target by place(), removed otherwise.
class FreshFile {
public:
    FreshFile(const QString& target, mode_t mode) : m_target(target) {
        const QString dir = QFileInfo(target).path();
        for (int tries = 0; tries < 100 && m_fd < 0; ++tries) {
            m_path = dir + QStringLiteral("/.%1.tmp")
                               .arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0'));
            m_fd =
                ::open(QFile::encodeName(m_path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
            if (m_fd < 0 && errno != EEXIST)
                break;
        }
        if (m_fd < 0)
            throw accessError(target, writeRefused(target));
    }
    FreshFile(const FreshFile&) = delete;
    FreshFile& operator=(const FreshFile&) = delete;
    ~FreshFile() {
        closeHandle();
        if (!m_placed)
            ::unlink(QFile::encodeName(m_path).constData());
    }
    const QString& path() const { return m_path; }
    int handle() const { return m_fd; }
    void closeHandle() {
        if (m_fd >= 0)
            ::close(std::exchange(m_fd, -1));
    }
    // rename() replaces whatever entry holds the target's name, a symbolic link included.
    void place() {
        closeHandle();
        if (::rename(QFile::encodeName(m_path).constData(), QFile::encodeName(m_target).constData()) != 0)
            throw accessError(m_target, writeRefused(m_target));
        m_placed = true;
    }

private:
    QString m_target;
    QString m_path;
    int m_fd = -1;
    bool m_placed = false;
};

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

// One level of the cache: created private when missing; otherwise used only when it
// is a real folder of this user, and then made private. Opening it without following
// links and changing the mode through the handle leaves no gap to swap it meanwhile.
void trustCacheLevel(const QString& level) {
    const QByteArray path = QFile::encodeName(level);
    if (::mkdir(path.constData(), 0700) == 0)
        return;
    const Error refused(err::PathFileAccessError, QStringLiteral("下载缓存文件夹不可信任：") + level);
    if (errno != EEXIST)
        throw Error(err::PathFileAccessError, QStringLiteral("不能建立下载缓存文件夹：") + level);
    const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        throw refused;
    struct stat st {};
    const bool trusted = ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
                         ((st.st_mode & 07777) == 0700 || ::fchmod(fd, 0700) == 0);
    ::close(fd);
    if (!trusted)
        throw refused;
}

// Copies a local file into the cache as the document's copy; its path, or "" when it
// could not be copied (or the copy was cancelled).
QString copyIntoCache(const store::ListedDocument& document, const QString& source, const QString& fileName) {
    const QString local = cacheTarget(fileName);
    if (local.isEmpty())
        return {};
    try {
        TransferMeter meter(document.name, QFileInfo(source).size());
        copyFileSafely(source, local, Access::Private, &meter);
    } catch (const Error&) {
        return {};
    }
    return local;
}

// Fetches into a fresh file of the cache, then renames it into place.
bool downloadInto(inet::Handle ftp, const QString& fileName, const QString& local, TransferMeter& meter) {
    try {
        FreshFile fresh(local, 0600);
        fresh.closeHandle();
        if (!inet::FtpGetFile(ftp, fileName, fresh.path(), false, meter.progress()))
            return false;
        fresh.place();
        return true;
    } catch (const Error&) {
        return false;
    }
}

} // namespace

RowFault rowFault(const QString& filePath, const QString& id, const QString& type, bool ftpMode) {
    static const QRegularExpression separators(QStringLiteral("[/\\\\]"));
    if (!ftpMode && (filePath.startsWith(QLatin1Char('/')) || filePath.startsWith(QLatin1Char('\\'))))
        return RowFault::Path;
    if (filePath.split(separators).contains(QLatin1String("..")))
        return RowFault::Path;
    return isPlainName(id) && isPlainName(id + type) ? RowFault::None : RowFault::Name;
}

bool isPlainName(const QString& name) {
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    for (const QChar c : name)
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.category() == QChar::Other_Control)
            return false;
    return true;
}

QString cacheFolder() {
    QString base = qEnvironmentVariable("XDG_CACHE_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.cache");
    const QString folder = base + QStringLiteral("/wendra-original/temp");
    // Cached documents are for this user only, whoever else can write above them.
    QDir().mkpath(base);
    trustCacheLevel(QFileInfo(folder).path());
    trustCacheLevel(folder);
    return folder;
}

QString storedFileName(const QString& id, const QString& type) {
    const QString name = id + type;
    if (!isPlainName(id) || !isPlainName(name))
        throw err::make(err::BadFileName, name);
    return name;
}

QString folderModeSource(const QString& root, const QString& filePath, const QString& id,
                         const QString& type) {
    const QString dir = filePath.isEmpty() ? root : joinPath(root, filePath);
    return joinPath(dir, id + type);
}

QString CopyToCache(const store::ListedDocument& document, const settings::Storage& storage) {
    const QString fileName = checkedFileName(document, false);
    if (fileName.isEmpty())
        return {};
    const QString source = folderModeSource(storage.root, document.path, document.id, document.type);
    if (!QFileInfo::exists(source)) {
        dialogs::inform(nullptr, QStringLiteral("在找不到") + document.name + QStringLiteral("文件"),
                        QString(), dialogs::Icon::None);
        return {};
    }
    return copyIntoCache(document, source, fileName);
}

QString DownloadToCache(const store::ListedDocument& document, const settings::Storage& storage) {
    const QString fileName = checkedFileName(document, true);
    if (fileName.isEmpty())
        return {};
    if (!inet::FtpSetCurrentDirectory(connection(storage), document.path)) {
        dialogs::inform(nullptr,
                        QStringLiteral("在FTP服务器上找不到") + document.path + QStringLiteral("路径"),
                        QString(), dialogs::Icon::None);
        return {};
    }
    const QString local = cacheTarget(fileName);
    TransferMeter meter(document.name, -1);
    if (local.isEmpty() || !downloadInto(connection(storage), fileName, local, meter)) {
        // A download the user cancelled is not a missing file.
        if (meter.cancelled())
            return {};
        dialogs::inform(nullptr,
                        QStringLiteral("在FTP服务器上找不到") + document.name + QStringLiteral("文件"),
                        QString(), dialogs::Icon::None);
        return {};
    }
    return local;
}

QString fetchToCache(const store::ListedDocument& document, const settings::Storage& storage) {
    return storage.ftpMode ? DownloadToCache(document, storage) : CopyToCache(document, storage);
}

QString seedCache(const store::ListedDocument& document, const QString& source) {
    return copyIntoCache(document, source, document.id + document.type);
}

namespace {

// The root as the server's absolute folder: a relative root lies below the login
// folder, whatever folder is current now. "" when the server did not name that folder.
QString absoluteRemoteRoot(const settings::Storage& storage) {
    if (storage.root.startsWith(QLatin1Char('/')))
        return storage.root;
    QString login;
    if (!inet::FtpGetLoginDirectory(connection(storage), login))
        return QString();
    return joinPath(login, storage.root);
}

} // namespace

QString prepareUploadDirectory(const settings::Storage& storage, const QString& month) {
    const inet::Handle ftp = connection(storage);
    const QString root = absoluteRemoteRoot(storage);
    if (root.isEmpty())
        throw err::make(err::PathNotFound, inet::InternetGetLastResponseInfo());
    const QString dir = joinPath(root, month);
    if (!inet::FtpSetCurrentDirectory(ftp, dir)) {
        inet::FtpCreateDirectory(ftp, dir);
        inet::FtpSetCurrentDirectory(ftp, dir);
    }
    return dir;
}

void deleteRemoteFile(const settings::Storage& storage, const QString& filePath, const QString& fileName) {
    // A name with a path in it would reach a file outside filePath.
    if (!isPlainName(fileName))
        return;
    inet::FtpSetCurrentDirectory(connection(storage), filePath);
    inet::FtpDeleteFile(connection(storage), fileName);
}

bool insideRemoteRoot(const QString& root, const QString& filePath) {
    // The folder's parts from the server's root or from the current folder; nullopt
    // for a relative path that climbs above where it starts.
    const auto resolve = [](const QString& path) -> std::optional<QStringList> {
        QStringList parts;
        for (const QString& part : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
            if (part == QLatin1String("..")) {
                if (!parts.isEmpty())
                    parts.removeLast();
                else if (!path.startsWith(QLatin1Char('/')))
                    return std::nullopt;
            } else if (part != QLatin1String(".")) {
                parts << part;
            }
        }
        return parts;
    };
    // An empty root is the login folder, and its documents' folders are "/yyyy-mm".
    const QString top = root.isEmpty() ? QStringLiteral("/") : root;
    if (filePath.isEmpty() || top.startsWith(QLatin1Char('/')) != filePath.startsWith(QLatin1Char('/')))
        return false;
    const std::optional<QStringList> base = resolve(top);
    const std::optional<QStringList> folder = resolve(filePath);
    return base && folder && folder->mid(0, base->size()) == *base;
}

void deleteStoredFile(const settings::Storage& storage, const QString& filePath, const QString& id,
                      const QString& type) {
    if (rowFault(filePath, id, type, storage.ftpMode) != RowFault::None)
        return;
    if (storage.ftpMode) {
        // A row may name any folder of the server; the store's files lie under its root.
        // Rows added under a relative root record its folder absolutely, from the login
        // folder; where the server does not name that, nothing is deleted.
        const bool fromLogin = !storage.root.isEmpty() && !storage.root.startsWith(QLatin1Char('/')) &&
                               filePath.startsWith(QLatin1Char('/'));
        const QString root = fromLogin ? absoluteRemoteRoot(storage) : storage.root;
        if ((!fromLogin || !root.isEmpty()) && insideRemoteRoot(root, filePath))
            deleteRemoteFile(storage, filePath, id + type);
        return;
    }
    if (storage.root.isEmpty())
        return;
    const QString file = folderModeSource(storage.root, filePath, id, type);
    const QFileInfo info(file);
    if (!info.exists() && !info.isSymLink())
        return;
    // Removing a directory entry needs no write permission on the file itself, so a
    // read-only document goes like any other.
    if (!QFile::remove(file))
        throw err::make(err::PermissionDenied, file);
}

void copyFileSafely(const QString& source, const QString& target, Access access, TransferMeter* meter) {
    if (!QFileInfo::exists(source))
        throw err::make(err::FileNotFound, source);
    const int in = ::open(QFile::encodeName(source).constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        throw accessError(source, readRefused(source));
    const auto closeIn = qScopeGuard([in] { ::close(in); });
    FreshFile fresh(target, access == Access::Private ? 0600 : 0666);
    // A stored document's data reaches the disk before its name does, so a crash
    // never leaves the name over missing data; a cached copy can be fetched again.
    switch (copyAndFlush(in, fresh.handle(), access == Access::Shared, meter)) {
    case CopyFault::None:
        break;
    case CopyFault::Reading:
        throw accessError(source, readRefused(source));
    case CopyFault::Writing:
        throw accessError(target, writeRefused(target));
    case CopyFault::Stopped:
        throw err::make(err::TransferCancelled, target);
    }
    fresh.place();
}

} // namespace wo::transfer
