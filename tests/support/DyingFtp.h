#pragma once

#include <QProcess>
#include <QString>

namespace wo::test {

// An FTP server on 127.0.0.1 serving root to user "u", password "p", that closes the
// control connection instead of sending one reply, once: the reply starting with code
// to command. Later connections are served normally.
class DyingFtp {
public:
    DyingFtp(const QString& root, const QString& command, const QString& code);
    ~DyingFtp();

    quint16 port = 0;

private:
    QProcess m_process;
};

} // namespace wo::test
