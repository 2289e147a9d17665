#include "TestFtp.h"

#include "platform/Error.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <atomic>

namespace wo::test {

namespace {
std::atomic<int> s_folders{0};
}

quint16 TestFtp::port() {
    QFile portFile(qEnvironmentVariable("WO_TEST_FTP_DIR") + QStringLiteral("/port"));
    if (!portFile.open(QIODevice::ReadOnly))
        throw Error(
            53, QStringLiteral("the test run's FTP server is not running (no %1)").arg(portFile.fileName()));
    return static_cast<quint16>(portFile.readAll().trimmed().toUInt());
}

TestFtp::TestFtp() {
    const quint16 port = TestFtp::port();
    m_root = qEnvironmentVariable("WO_TEST_FTP_DIR") + QStringLiteral("/root");
    m_folder = QStringLiteral("/f%1_%2").arg(QCoreApplication::applicationPid()).arg(++s_folders);
    QDir().mkpath(onDisk(m_folder));
    m_session = inet::InternetOpen(QStringLiteral("tests"));
    m_connection = inet::InternetConnect(m_session, QStringLiteral("127.0.0.1"), port,
                                         qEnvironmentVariable("WO_TEST_FTP_USER"),
                                         qEnvironmentVariable("WO_TEST_FTP_PASSWORD"));
    if (!m_connection || !inet::FtpSetCurrentDirectory(m_connection, m_folder))
        throw Error(12029, inet::InternetGetLastResponseInfo());
}

TestFtp::~TestFtp() {
    inet::InternetCloseHandle(m_session);
}

} // namespace wo::test
