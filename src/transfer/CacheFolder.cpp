#include "transfer/CacheFolder.h"

#include "platform/Error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace wo::transfer {

namespace {

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

} // namespace

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

} // namespace wo::transfer
