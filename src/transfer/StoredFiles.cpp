#include "transfer/StoredFiles.h"

#include "platform/Error.h"
#include "record/RowRules.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <optional>

namespace wo::transfer {

namespace {

// The root as the server's absolute folder: a relative root lies below the login
// folder, whatever folder is current now. "" when the server did not name that folder.
QString absoluteRemoteRoot(const settings::Storage& storage) {
    if (storage.root.startsWith(QLatin1Char('/')))
        return storage.root;
    QString login;
    if (!inet::FtpGetLoginDirectory(ftpConnection(storage), login))
        return QString();
    return joinPath(login, storage.root);
}

} // namespace

QString joinPath(const QString& dir, const QString& name) {
    return dir.endsWith(QLatin1Char('/')) ? dir + name : dir + QLatin1Char('/') + name;
}

inet::Handle ftpConnection(const settings::Storage& storage) {
    return static_cast<inet::Handle>(storage.ftpConnection);
}

QString folderModeSource(const QString& root, const QString& filePath, const QString& id,
                         const QString& type) {
    const QString dir = filePath.isEmpty() ? root : joinPath(root, filePath);
    return joinPath(dir, id + type);
}

QString prepareUploadDirectory(const settings::Storage& storage, const QString& month) {
    const inet::Handle ftp = ftpConnection(storage);
    const QString root = absoluteRemoteRoot(storage);
    if (root.isEmpty())
        throw err::make(err::PathNotFound, inet::InternetGetLastResponseInfo());
    const QString dir = joinPath(root, month);
    if (!inet::FtpSetCurrentDirectory(ftp, dir)) {
        inet::FtpCreateDirectory(ftp, dir);
        inet::FtpSetCurrentDirectory(ftp, dir);
    }
    return dir;
}

void deleteRemoteFile(const settings::Storage& storage, const QString& filePath, const QString& fileName) {
    // A name with a path in it would reach a file outside filePath.
    if (!record::isPlainName(fileName))
        return;
    inet::FtpSetCurrentDirectory(ftpConnection(storage), filePath);
    inet::FtpDeleteFile(ftpConnection(storage), fileName);
}

bool insideRemoteRoot(const QString& root, const QString& filePath) {
    // The folder's parts from the server's root or from the current folder; nullopt
    // for a relative path that climbs above where it starts.
    const auto resolve = [](const QString& path) -> std::optional<QStringList> {
        QStringList parts;
        for (const QString& part : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
            if (part == QLatin1String("..")) {
                if (!parts.isEmpty())
                    parts.removeLast();
                else if (!path.startsWith(QLatin1Char('/')))
                    return std::nullopt;
            } else if (part != QLatin1String(".")) {
                parts << part;
            }
        }
        return parts;
    };
    // An empty root is the login folder, and its documents' folders are "/yyyy-mm".
    const QString top = root.isEmpty() ? QStringLiteral("/") : root;
    if (filePath.isEmpty() || top.startsWith(QLatin1Char('/')) != filePath.startsWith(QLatin1Char('/')))
        return false;
    const std::optional<QStringList> base = resolve(top);
    const std::optional<QStringList> folder = resolve(filePath);
    return base && folder && folder->mid(0, base->size()) == *base;
}

void deleteStoredFile(const settings::Storage& storage, const QString& filePath, const QString& id,
                      const QString& type) {
    if (record::rowFault(filePath, id, type, storage.ftpMode) != record::RowFault::None)
        return;
    if (storage.ftpMode) {
        // A row may name any folder of the server; the store's files lie under its root.
        // Rows added under a relative root record its folder absolutely, from the login
        // folder; where the server does not name that, nothing is deleted.
        const bool fromLogin = !storage.root.isEmpty() && !storage.root.startsWith(QLatin1Char('/')) &&
                               filePath.startsWith(QLatin1Char('/'));
        const QString root = fromLogin ? absoluteRemoteRoot(storage) : storage.root;
        if ((!fromLogin || !root.isEmpty()) && insideRemoteRoot(root, filePath))
            deleteRemoteFile(storage, filePath, id + type);
        return;
    }
    if (storage.root.isEmpty())
        return;
    const QString file = folderModeSource(storage.root, filePath, id, type);
    const QFileInfo info(file);
    if (!info.exists() && !info.isSymLink())
        return;
    // Removing a directory entry needs no write permission on the file itself, so a
    // read-only document goes like any other.
    if (!QFile::remove(file))
        throw err::make(err::PermissionDenied, file);
}

} // namespace wo::transfer
