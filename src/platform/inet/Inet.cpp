#include "platform/inet/Inet.h"

#include "platform/Error.h"
#include "platform/inet/FtpConnection.h"

#include <QFileInfo>
#include <cstring>
#include <mutex>

namespace wo::inet {

namespace {

struct Session : HandleObject {
    explicit Session(QString agent) : agent(std::move(agent)) {}
    const QString agent;

    QString caFile() const {
        std::lock_guard lock(m_mutex);
        return m_caFile;
    }
    void setCaFile(const QString& caFile) {
        std::lock_guard lock(m_mutex);
        m_caFile = caFile;
    }

private:
    mutable std::mutex m_mutex;
    QString m_caFile;
};

struct LastError {
    int number = 0;
    QString text;
};

thread_local LastError t_lastError;

// Runs call; a failure becomes this thread's last error and the result failed.
template <typename Call> auto guarded(Call call, decltype(call()) failed) {
    try {
        return call();
    } catch (const Error& error) {
        t_lastError = {error.number(), error.description()};
    } catch (const std::exception& error) {
        t_lastError = {WO_INET_ERROR_INTERNAL, QString::fromUtf8(error.what())};
    }
    return failed;
}

template <typename Op> bool onConnection(Handle connection, Op op) {
    return guarded(
        [&] {
            op(*HandleTable::instance().get<FtpConnection>(connection));
            return true;
        },
        false);
}

QString text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

} // namespace

Handle InternetOpen(const QString& agent) {
    return guarded([&] { return HandleTable::instance().add(std::make_shared<Session>(agent)); }, Handle(0));
}

Handle InternetConnect(Handle session, const QString& server, quint16 port, const QString& user,
                       const QString& password, bool passive, bool useTls) {
    return guarded(
        [&] {
            const auto owner = HandleTable::instance().get<Session>(session);
            FtpLogin login{.agent = owner->agent,
                           .server = server,
                           .port = port == 0 ? quint16(WO_INET_DEFAULT_FTP_PORT) : port,
                           .user = user,
                           .password = password,
                           .passive = passive,
                           .useTls = useTls,
                           .caFile = owner->caFile()};
            return HandleTable::instance().add(std::make_shared<FtpConnection>(std::move(login)), session);
        },
        Handle(0));
}

bool InternetSetCaFile(Handle session, const QString& caFile) {
    return guarded(
        [&] {
            const auto owner = HandleTable::instance().get<Session>(session);
            // A file that cannot be read would fail every later connection less clearly.
            if (!caFile.isEmpty() && !QFileInfo(caFile).isReadable())
                throw Error(WO_INET_ERROR_FILE_NOT_FOUND,
                            QStringLiteral("Cannot read the certificates in %1").arg(caFile));
            owner->setCaFile(caFile);
            return true;
        },
        false);
}

bool InternetCloseHandle(Handle handle) {
    return guarded(
        [&] {
            if (!HandleTable::instance().close(handle))
                throw Error(WO_INET_ERROR_INVALID_HANDLE,
                            QStringLiteral("Handle %1 is not open").arg(handle));
            return true;
        },
        false);
}

bool FtpSetCurrentDirectory(Handle connection, const QString& dir) {
    return onConnection(connection, [&](FtpConnection& ftp) { ftp.setCurrentDirectory(dir); });
}

bool FtpCreateDirectory(Handle connection, const QString& dir) {
    return onConnection(connection, [&](FtpConnection& ftp) { ftp.createDirectory(dir); });
}

bool FtpPutFile(Handle connection, const QString& localPath, const QString& remoteName,
                const Progress& progress) {
    return onConnection(connection,
                        [&](FtpConnection& ftp) { ftp.putFile(localPath, remoteName, progress); });
}

bool FtpGetFile(Handle connection, const QString& remoteName, const QString& localPath, bool failIfExists,
                const Progress& progress) {
    return onConnection(
        connection, [&](FtpConnection& ftp) { ftp.getFile(remoteName, localPath, failIfExists, progress); });
}

bool FtpDeleteFile(Handle connection, const QString& remoteName) {
    return onConnection(connection, [&](FtpConnection& ftp) { ftp.deleteFile(remoteName); });
}

bool FtpListDirectory(Handle connection, const QString& dir, QList<FtpEntry>& entries) {
    return onConnection(connection, [&](FtpConnection& ftp) { entries = ftp.listDirectory(dir); });
}

bool FtpRenameFile(Handle connection, const QString& existing, const QString& newName) {
    return onConnection(connection, [&](FtpConnection& ftp) { ftp.renameFile(existing, newName); });
}

bool FtpGetFileTime(Handle connection, const QString& name, QDateTime& modified) {
    return onConnection(connection, [&](FtpConnection& ftp) { modified = ftp.modificationTime(name); });
}

bool FtpGetLoginDirectory(Handle connection, QString& dir) {
    return onConnection(connection, [&](FtpConnection& ftp) {
        dir = ftp.loginDirectory();
        if (dir.isEmpty())
            throw Error(WO_INET_ERROR_EXTENDED, QStringLiteral("The server did not name its login folder"));
    });
}

QString InternetGetLastResponseInfo(int* error) {
    if (error)
        *error = t_lastError.number;
    return t_lastError.text;
}

} // namespace wo::inet

using namespace wo::inet;

extern "C" {

WoHInternet WoInternetOpen(const char* agent) {
    return InternetOpen(text(agent));
}

WoHInternet WoInternetConnect(WoHInternet session, const char* server, uint16_t port, const char* user,
                              const char* password, int32_t passive, int32_t useTls) {
    return InternetConnect(session, text(server), port, text(user), text(password), passive != 0,
                           useTls != 0);
}

int32_t WoInternetSetCaFile(WoHInternet session, const char* caFile) {
    return InternetSetCaFile(session, text(caFile));
}

int32_t WoInternetCloseHandle(WoHInternet handle) {
    return InternetCloseHandle(handle);
}

int32_t WoFtpSetCurrentDirectory(WoHInternet connection, const char* dir) {
    return FtpSetCurrentDirectory(connection, text(dir));
}

int32_t WoFtpCreateDirectory(WoHInternet connection, const char* dir) {
    return FtpCreateDirectory(connection, text(dir));
}

int32_t WoFtpPutFile(WoHInternet connection, const char* localPath, const char* remoteName) {
    return FtpPutFile(connection, text(localPath), text(remoteName));
}

int32_t WoFtpGetFile(WoHInternet connection, const char* remoteName, const char* localPath,
                     int32_t failIfExists) {
    return FtpGetFile(connection, text(remoteName), text(localPath), failIfExists != 0);
}

int32_t WoFtpDeleteFile(WoHInternet connection, const char* remoteName) {
    return FtpDeleteFile(connection, text(remoteName));
}

int32_t WoInternetGetLastResponseInfo(int32_t* error, char* buffer, size_t* size) {
    int number = 0;
    const QByteArray utf8 = InternetGetLastResponseInfo(&number).toUtf8();
    if (error)
        *error = number;
    const auto needed = static_cast<size_t>(utf8.size()) + 1;
    if (!size)
        return 0;
    if (!buffer || *size < needed) {
        *size = needed;
        return 0;
    }
    std::memcpy(buffer, utf8.constData(), needed);
    *size = needed - 1;
    return 1;
}

} // extern "C"
