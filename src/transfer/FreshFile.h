#pragma once

#include "platform/Error.h"

#include <QString>
#include <sys/types.h>

namespace wo::transfer {

// A new file beside a target, under a fresh temporary name and created exclusively,
// so that no entry someone planted is opened; place() renames it over the target,
// and it is removed when it goes without having been placed. Throws wo::Error (70
// when refused, 75 otherwise) when no such file can be made.
class FreshFile {
public:
    FreshFile(const QString& target, mode_t mode);
    FreshFile(const FreshFile&) = delete;
    FreshFile& operator=(const FreshFile&) = delete;
    ~FreshFile();

    const QString& path() const { return m_path; }
    int handle() const { return m_fd; }
    void closeHandle();
    // rename() replaces whatever entry holds the target's name, a symbolic link
    // included: the link is replaced, never followed.
    void place();

private:
    QString m_target;
    QString m_path;
    int m_fd = -1;
    bool m_placed = false;
};

// The error of a failed read of source or write of target: 70 when the file system
// refuses it, 75 otherwise (Qt reports every failed open alike).
Error readFailure(const QString& source);
Error writeFailure(const QString& target);

} // namespace wo::transfer
