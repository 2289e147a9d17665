#pragma once

#include <QProcess>
#include <QString>

namespace wo::test {

// An FTP server on 127.0.0.1 serving root to user "u", password "p", that closes the
// control connection instead of sending one reply, once: the reply starting with code
// to command. Later connections are served normally. With bytesPerSecond, each data
// connection moves at most that many bytes a second. The WO_FTP_* variables of
// dying_ftp.py in hostile make it log commands, rename badly or lie in listings.
class DyingFtp {
public:
    DyingFtp(const QString& root, const QString& command, const QString& code, int bytesPerSecond = 0,
             const QProcessEnvironment& hostile = {});
    ~DyingFtp();

    quint16 port = 0;

private:
    QProcess m_process;
};

// The same server, never dying, lying as dying_ftp.py's WO_FTP_* variables in
// hostile tell it to.
class HostileFtp : public DyingFtp {
public:
    HostileFtp(const QString& root, const QProcessEnvironment& hostile)
        : DyingFtp(root, {}, {}, 0, hostile) {}
};

// The same server, never dying, its data connections held to bytesPerSecond.
class ThrottledFtp : public DyingFtp {
public:
    ThrottledFtp(const QString& root, int bytesPerSecond) : DyingFtp(root, {}, {}, bytesPerSecond) {}
};

} // namespace wo::test
