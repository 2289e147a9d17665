#pragma once

#include "platform/inet/HandleTable.h"
#include "wo_internal_export.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <functional>

// The host's and the component's FTP calls. Each reports failure by returning 0
// or false; InternetGetLastResponseInfo then gives this thread's error number and
// text. wendra/inet.h has the same calls for C hosts.
namespace wo::inet {

// One entry of a remote folder listing: a file or a folder.
struct FtpEntry {
    QString name;
    // The name's bytes as the server sent them: name may have lost some (bytes that are
    // not UTF-8) and cannot then be used in a command.
    QByteArray rawName;
    bool folder = false;
    qint64 size = -1;
    // UTC; invalid when the server's listing gives no exact time.
    QDateTime modified;
};

// Told the bytes moved so far and the total (-1 while unknown) as a file transfer
// goes; returning false cancels it (error WO_INET_ERROR_OPERATION_CANCELLED).
using Progress = std::function<bool(qint64 done, qint64 total)>;

WO_INTERNAL Handle InternetOpen(const QString& agent);
WO_INTERNAL Handle InternetConnect(Handle session, const QString& server, quint16 port, const QString& user,
                                   const QString& password, bool passive = true, bool useTls = false);
// The certificates TLS connections of the session trust from now on; "" for the system's.
WO_INTERNAL bool InternetSetCaFile(Handle session, const QString& caFile);
WO_INTERNAL bool InternetCloseHandle(Handle handle);

WO_INTERNAL bool FtpSetCurrentDirectory(Handle connection, const QString& dir);
WO_INTERNAL bool FtpCreateDirectory(Handle connection, const QString& dir);
WO_INTERNAL bool FtpPutFile(Handle connection, const QString& localPath, const QString& remoteName,
                            const Progress& progress = {});
WO_INTERNAL bool FtpGetFile(Handle connection, const QString& remoteName, const QString& localPath,
                            bool failIfExists, const Progress& progress = {});
WO_INTERNAL bool FtpDeleteFile(Handle connection, const QString& remoteName);
// The files and folders in dir (see FtpConnection::listDirectory).
bool FtpListDirectory(Handle connection, const QString& dir, QList<FtpEntry>& entries);
// Renames a remote file; newName must be absolute.
bool FtpRenameFile(Handle connection, const QString& existing, const QString& newName);
// The file's modification time by MDTM (UTC); an invalid time when the server gives none.
bool FtpGetFileTime(Handle connection, const QString& name, QDateTime& modified);
// The absolute folder the server put the connection in at login; false when the
// server did not tell.
bool FtpGetLoginDirectory(Handle connection, QString& dir);

WO_INTERNAL QString InternetGetLastResponseInfo(int* error = nullptr);

} // namespace wo::inet
