#pragma once

#include "platform/inet/Inet.h"

#include <QString>

namespace wo::test {

// A session on the test run's FTP server (tests registered with FTP), logged in
// and working in a fresh folder of its own, which is the current directory.
class TestFtp {
public:
    TestFtp();
    ~TestFtp();

    // The port of the test run's FTP server; throws when it is not running.
    static quint16 port();

    inet::Handle session() const { return m_session; }
    inet::Handle connection() const { return m_connection; }
    // The test's remote folder, "/" + name, as a client names it.
    QString remoteFolder() const { return m_folder; }
    // Where a remote path lies on the server's disk.
    QString onDisk(const QString& remotePath) const { return m_root + remotePath; }

private:
    QString m_root;
    QString m_folder;
    inet::Handle m_session = 0;
    inet::Handle m_connection = 0;
};

} // namespace wo::test
