#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>
#include <sys/types.h>

// A local store's folders and files, reached from a folder's descriptor one level at
// a time without ever following a symbolic link: the names in a store are written by
// others, and the audit may run as root.
namespace wo::store {

// One open folder, closed with the object.
class FolderHandle {
public:
    FolderHandle() = default;
    ~FolderHandle();
    FolderHandle(FolderHandle&& other) noexcept;
    FolderHandle& operator=(FolderHandle&& other) noexcept;
    FolderHandle(const FolderHandle&) = delete;
    FolderHandle& operator=(const FolderHandle&) = delete;

    // The folder at path, as the person running the audit names it; a link as the last
    // level is followed only when followLast is set. Not open when it cannot be, with
    // errno telling why.
    static FolderHandle open(const QString& path, bool followLast = true);

    bool isOpen() const { return m_fd >= 0; }
    int fd() const { return m_fd; }
    // The folder name inside this one; not open when it is missing, not a folder, or a link.
    FolderHandle child(const QByteArray& name) const;
    // The folder relative ("a/b") below this one, opened level by level as child does.
    FolderHandle below(const QByteArray& relative) const;
    // The folder above: nullopt at the top, not open when it cannot be opened.
    std::optional<FolderHandle> parent() const;

private:
    explicit FolderHandle(int fd) : m_fd(fd) {}
    int m_fd = -1;
};

struct LocalEntry {
    enum class Kind { File, Folder, Link, Other };
    QByteArray name;
    Kind kind = Kind::Other;
    qint64 size = -1;
    QDateTime modified;
    // The status change time, which no user can set back.
    QDateTime changed;
    uid_t owner = 0;
    mode_t mode = 0;
    dev_t device = 0;
    ino_t inode = 0;
};

// The folder itself, as an entry.
LocalEntry entryOf(const FolderHandle& folder);
// The entry name of the folder, never following a link; nullopt when it is not there.
std::optional<LocalEntry> entryOf(const FolderHandle& folder, const QByteArray& name);
// Every entry but "." and ".."; throws wo::Error 70 naming shownAs when the folder
// cannot be read.
QList<LocalEntry> listEntries(const FolderHandle& folder, const QString& shownAs);
// True when one folder holds the other, at any depth, or they are the same, or when
// a level above one of them cannot be opened to tell.
bool nested(const FolderHandle& a, const FolderHandle& b);

} // namespace wo::store
