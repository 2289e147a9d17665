#include "DyingFtp.h"

namespace wo::test {

DyingFtp::DyingFtp(const QString& root, const QString& command, const QString& code, int bytesPerSecond,
                   const QString& mode, const QString& log) {
    m_process.start(QStringLiteral("/usr/bin/python3"),
                    {QStringLiteral(WO_DYING_FTP), root, QStringLiteral("u"), QStringLiteral("p"), command,
                     code, QString::number(bytesPerSecond), mode, log});
    QByteArray line;
    while (!line.endsWith('\n') && m_process.waitForReadyRead(10000))
        line += m_process.readAllStandardOutput();
    port = static_cast<quint16>(line.trimmed().mid(5).toUInt());
}

DyingFtp::~DyingFtp() {
    m_process.kill();
    m_process.waitForFinished();
}

} // namespace wo::test
