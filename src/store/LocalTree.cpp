#include "store/LocalTree.h"

#include "platform/Error.h"

#include <QFile>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace wo::store {

namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

QDateTime utc(const timespec& time) {
    return QDateTime::fromSecsSinceEpoch(time.tv_sec, Qt::UTC);
}

LocalEntry toEntry(const QByteArray& name, const struct stat& st) {
    LocalEntry entry;
    entry.name = name;
    entry.kind = S_ISREG(st.st_mode)   ? LocalEntry::Kind::File
                 : S_ISDIR(st.st_mode) ? LocalEntry::Kind::Folder
                 : S_ISLNK(st.st_mode) ? LocalEntry::Kind::Link
                                       : LocalEntry::Kind::Other;
    entry.size = st.st_size;
    entry.modified = utc(st.st_mtim);
    entry.changed = utc(st.st_ctim);
    entry.owner = st.st_uid;
    entry.mode = st.st_mode;
    entry.device = st.st_dev;
    entry.inode = st.st_ino;
    return entry;
}

bool sameEntry(const LocalEntry& a, const LocalEntry& b) {
    return a.device == b.device && a.inode == b.inode;
}

} // namespace

FolderHandle::~FolderHandle() {
    if (m_fd >= 0)
        ::close(m_fd);
}

FolderHandle::FolderHandle(FolderHandle&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}

FolderHandle& FolderHandle::operator=(FolderHandle&& other) noexcept {
    std::swap(m_fd, other.m_fd);
    return *this;
}

FolderHandle FolderHandle::open(const QString& path, bool followLast) {
    return FolderHandle(
        ::open(QFile::encodeName(path).constData(), kFolderFlags | (followLast ? 0 : O_NOFOLLOW)));
}

FolderHandle FolderHandle::child(const QByteArray& name) const {
    if (name.isEmpty() || name.contains('/') || name == "." || name == "..")
        return {};
    return FolderHandle(::openat(m_fd, name.constData(), kFolderFlags | O_NOFOLLOW));
}

FolderHandle FolderHandle::below(const QByteArray& relative) const {
    FolderHandle folder(::fcntl(m_fd, F_DUPFD_CLOEXEC, 0));
    for (const QByteArray& part : relative.split('/')) {
        if (part.isEmpty() || part == ".")
            continue;
        folder = folder.child(part);
        if (!folder.isOpen())
            break;
    }
    return folder;
}

std::optional<FolderHandle> FolderHandle::parent() const {
    FolderHandle up(::openat(m_fd, "..", kFolderFlags));
    if (up.isOpen() && sameEntry(entryOf(up), entryOf(*this)))
        return std::nullopt;
    return up;
}

LocalEntry entryOf(const FolderHandle& folder) {
    struct stat st {};
    if (::fstat(folder.fd(), &st) != 0)
        throw err::make(err::PermissionDenied);
    return toEntry({}, st);
}

std::optional<LocalEntry> entryOf(const FolderHandle& folder, const QByteArray& name) {
    struct stat st {};
    if (::fstatat(folder.fd(), name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return std::nullopt;
    return toEntry(name, st);
}

QList<LocalEntry> listEntries(const FolderHandle& folder, const QString& shownAs) {
    // The stream gets a descriptor of its own, so this folder's stays open.
    const int fd = ::openat(folder.fd(), ".", kFolderFlags);
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(fd >= 0 ? ::fdopendir(fd) : nullptr, &::closedir);
    if (!dir) {
        if (fd >= 0)
            ::close(fd);
        throw err::make(err::PermissionDenied, shownAs);
    }
    QList<LocalEntry> entries;
    errno = 0;
    while (const dirent* entry = ::readdir(dir.get())) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        // One stat per entry, relative to the open folder: a store holds many files.
        if (const std::optional<LocalEntry> found = entryOf(folder, name))
            entries << *found;
        errno = 0;
    }
    if (errno != 0)
        throw err::make(err::PermissionDenied, shownAs);
    return entries;
}

bool nested(const FolderHandle& a, const FolderHandle& b) {
    const auto holds = [](const FolderHandle& outer, const FolderHandle& inner) {
        const LocalEntry target = entryOf(outer);
        for (std::optional<FolderHandle> level = inner.below({}); level; level = level->parent()) {
            // A level that cannot be climbed might be the other: assume the worst.
            if (!level->isOpen() || sameEntry(entryOf(*level), target))
                return true;
        }
        return false;
    };
    return holds(a, b) || holds(b, a);
}

} // namespace wo::store
