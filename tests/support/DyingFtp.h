#pragma once

#include <QProcess>
#include <QString>

namespace wo::test {

// An FTP server on 127.0.0.1 serving root to user "u", password "p", that closes the
// control connection instead of sending one reply, once: the reply starting with code
// to command. Later connections are served normally. With bytesPerSecond, each data
// connection moves at most that many bytes a second. A mode of dying_ftp.py changes
// its renaming; with a log, the commands it receives are appended there.
class DyingFtp {
public:
    DyingFtp(const QString& root, const QString& command, const QString& code, int bytesPerSecond = 0,
             const QString& mode = {}, const QString& log = {});
    ~DyingFtp();

    quint16 port = 0;

private:
    QProcess m_process;
};

// The same server, never dying, its data connections held to bytesPerSecond.
class ThrottledFtp : public DyingFtp {
public:
    ThrottledFtp(const QString& root, int bytesPerSecond) : DyingFtp(root, {}, {}, bytesPerSecond) {}
};

} // namespace wo::test
