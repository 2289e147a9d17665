#include "transfer/FreshFile.h"

#include "platform/TemporaryNames.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace wo::transfer {

namespace {

// What the file system allows tells a refusal apart from other failures.
Error accessError(const QString& path, bool refused) {
    if (refused)
        return err::make(err::PermissionDenied, path);
    return err::make(err::PathFileAccessError, path);
}

} // namespace

Error readFailure(const QString& source) {
    const QFileInfo info(source);
    return accessError(source, info.exists() && !info.isReadable());
}

Error writeFailure(const QString& target) {
    const QFileInfo info(target);
    const QFileInfo dir(info.path());
    return accessError(target, (info.exists() && !info.isWritable()) || (dir.exists() && !dir.isWritable()));
}

FreshFile::FreshFile(const QString& target, mode_t mode) : m_target(target) {
    const QString dir = QFileInfo(target).path();
    for (int tries = 0; tries < 100 && m_fd < 0; ++tries) {
        m_path = dir + QLatin1Char('/') + temporary::freshName();
        m_fd = ::open(QFile::encodeName(m_path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (m_fd < 0 && errno != EEXIST)
            break;
    }
    if (m_fd < 0)
        throw writeFailure(target);
}

FreshFile::~FreshFile() {
    closeHandle();
    if (!m_placed)
        ::unlink(QFile::encodeName(m_path).constData());
}

void FreshFile::closeHandle() {
    if (m_fd >= 0)
        ::close(std::exchange(m_fd, -1));
}

void FreshFile::place() {
    closeHandle();
    if (::rename(QFile::encodeName(m_path).constData(), QFile::encodeName(m_target).constData()) != 0)
        throw writeFailure(m_target);
    m_placed = true;
}

} // namespace wo::transfer
