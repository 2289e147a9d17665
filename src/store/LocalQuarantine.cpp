#include "store/LocalQuarantine.h"

#include "platform/Error.h"

#include <QFile>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace wo::store {

namespace {

// What no one but the owner may do in a quarantine.
constexpr mode_t kOthersWrite = S_IWGRP | S_IWOTH;

Error refused(const QString& folder, const QString& why) {
    return Error(err::InvalidArgument, QStringLiteral("隔离文件夹%1：%2").arg(why, folder));
}

// A rename that never replaces; where the file system cannot promise that, a new
// link and the old one's removal do the same for a file.
bool renameNoReplace(int from, const QByteArray& name, int to) {
    if (::renameat2(from, name.constData(), to, name.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL)
        return false;
    if (::linkat(from, name.constData(), to, name.constData(), 0) != 0)
        return false;
    ::unlinkat(from, name.constData(), 0);
    return true;
}

} // namespace

LocalQuarantine::LocalQuarantine(const QString& storeRoot, const QString& folder)
    : m_folder(folder), m_root(FolderHandle::open(storeRoot)) {
    if (!m_root.isOpen())
        throw err::make(err::PathNotFound, storeRoot);
    const QByteArray path = QFile::encodeName(folder);
    const bool created = ::mkdir(path.constData(), 0700) == 0;
    if (!created && errno != EEXIST)
        throw Error(err::PathFileAccessError, QStringLiteral("不能创建隔离文件夹：") + folder);
    try {
        m_quarantine = FolderHandle::open(folder, false);
        if (!m_quarantine.isOpen())
            throw refused(folder, QStringLiteral("不是真正的文件夹（或是符号链接）"));
        const LocalEntry own = entryOf(m_quarantine);
        if (own.owner != ::geteuid())
            throw refused(folder, QStringLiteral("不属于运行审计的用户"));
        if (own.mode & kOthersWrite)
            throw refused(folder, QStringLiteral("他人可写"));
        if (nested(m_root, m_quarantine))
            throw refused(folder, QStringLiteral("不能在存储之内，也不能包含存储"));
        if (own.device != entryOf(m_root).device)
            throw refused(folder, QStringLiteral("须与存储在同一文件系统（文件只改名移动，从不复制后删除）"));
    } catch (const Error&) {
        // A folder made for nothing goes again; rmdir takes only an empty folder.
        if (created)
            ::rmdir(path.constData());
        throw;
    }
}

std::optional<LocalEntry> LocalQuarantine::current(const QByteArray& month, const QByteArray& name) const {
    const FolderHandle folder = m_root.below(month);
    if (!folder.isOpen())
        return std::nullopt;
    return entryOf(folder, name);
}

FolderHandle LocalQuarantine::target(const QByteArray& month) const {
    if (month.isEmpty())
        return m_quarantine.below({});
    if (::mkdirat(m_quarantine.fd(), month.constData(), 0700) != 0 && errno != EEXIST)
        throw Error(err::PathFileAccessError, QStringLiteral("不能创建隔离文件夹：") + m_folder +
                                                  QLatin1Char('/') + QFile::decodeName(month));
    FolderHandle level = m_quarantine.child(month);
    if (!level.isOpen())
        throw refused(m_folder + QLatin1Char('/') + QFile::decodeName(month),
                      QStringLiteral("不是真正的文件夹（或是符号链接）"));
    const LocalEntry own = entryOf(level);
    if (own.owner != ::geteuid() || (own.mode & kOthersWrite))
        throw refused(m_folder + QLatin1Char('/') + QFile::decodeName(month),
                      QStringLiteral("不属于运行审计的用户，或他人可写"));
    return level;
}

void LocalQuarantine::move(const QByteArray& month, const LocalEntry& expected) {
    const FolderHandle from = m_root.below(month);
    if (!from.isOpen())
        throw Error(err::PathNotFound, QStringLiteral("文件夹已不在：") + QFile::decodeName(month));
    const FolderHandle to = target(month);
    const QString shown = QFile::decodeName(expected.name);
    if (!renameNoReplace(from.fd(), expected.name, to.fd())) {
        const int failure = errno;
        throw Error(failure == EXDEV ? err::PathFileAccessError : err::PermissionDenied,
                    failure == EEXIST  ? QStringLiteral("目标已存在：") + shown
                    : failure == EXDEV ? QStringLiteral("不在同一文件系统，未移动：") + shown
                                       : QStringLiteral("不能移动：") + shown);
    }
    const std::optional<LocalEntry> moved = entryOf(to, expected.name);
    if (moved && moved->device == expected.device && moved->inode == expected.inode)
        return;
    // Someone put another file under the name between the look and the move.
    renameNoReplace(to.fd(), expected.name, from.fd());
    throw Error(err::PermissionDenied, QStringLiteral("文件在移动时被替换，已放回：") + shown);
}

} // namespace wo::store
