#include "transfer/ModDownLoadFile.h"

#include "platform/Error.h"
#include "platform/dialogs/Dialogs.h"
#include "platform/inet/Inet.h"
#include "record/RowRules.h"
#include "transfer/CacheFolder.h"
#include "transfer/FreshFile.h"
#include "transfer/SafeCopy.h"
#include "transfer/StoredFiles.h"
#include "transfer/TransferMeter.h"

#include <QFileInfo>

namespace wo::transfer {

namespace {

void tell(const QString& text) {
    dialogs::inform(nullptr, text, QString(), dialogs::Icon::None);
}

// The document's stored file name once rowFault lets it be used; "" otherwise, after
// the mode's own not-found message: a refused row is a document that cannot be found.
QString checkedFileName(const record::ListedDocument& document, bool ftpMode) {
    switch (record::rowFault(document.path, document.id, document.type, ftpMode)) {
    case record::RowFault::None:
        return document.id + document.type;
    case record::RowFault::Path:
        if (ftpMode) {
            tell(QStringLiteral("在FTP服务器上找不到") + document.path + QStringLiteral("路径"));
            return {};
        }
        break;
    case record::RowFault::Name:
        break;
    }
    tell((ftpMode ? QStringLiteral("在FTP服务器上找不到") : QStringLiteral("在找不到")) + document.name +
         QStringLiteral("文件"));
    return {};
}

// Where fileName goes in the cache; "" when the cache cannot be made.
QString cacheTarget(const QString& fileName) {
    try {
        return joinPath(cacheFolder(), fileName);
    } catch (const Error&) {
        return {};
    }
}

// Copies a local file into the cache as the document's copy; its path, or "" when it
// could not be copied (or the copy was cancelled).
QString copyIntoCache(const record::ListedDocument& document, const QString& source,
                      const QString& fileName) {
    const QString local = cacheTarget(fileName);
    if (local.isEmpty())
        return {};
    try {
        TransferMeter meter(document.name, QFileInfo(source).size());
        copyFileSafely(source, local, Access::Private, &meter);
    } catch (const Error&) {
        return {};
    }
    return local;
}

// Fetches into a fresh file of the cache, then renames it into place.
bool downloadInto(inet::Handle ftp, const QString& fileName, const QString& local, TransferMeter& meter) {
    try {
        FreshFile fresh(local, 0600);
        fresh.closeHandle();
        if (!inet::FtpGetFile(ftp, fileName, fresh.path(), false, meter.progress()))
            return false;
        fresh.place();
        return true;
    } catch (const Error&) {
        return false;
    }
}

} // namespace

QString CopyToCache(const record::ListedDocument& document, const settings::Storage& storage) {
    const QString fileName = checkedFileName(document, false);
    if (fileName.isEmpty())
        return {};
    const QString source = folderModeSource(storage.root, document.path, document.id, document.type);
    if (!QFileInfo::exists(source)) {
        tell(QStringLiteral("在找不到") + document.name + QStringLiteral("文件"));
        return {};
    }
    return copyIntoCache(document, source, fileName);
}

QString DownloadToCache(const record::ListedDocument& document, const settings::Storage& storage) {
    const QString fileName = checkedFileName(document, true);
    if (fileName.isEmpty())
        return {};
    if (!inet::FtpSetCurrentDirectory(ftpConnection(storage), document.path)) {
        tell(QStringLiteral("在FTP服务器上找不到") + document.path + QStringLiteral("路径"));
        return {};
    }
    const QString local = cacheTarget(fileName);
    TransferMeter meter(document.name, -1);
    if (local.isEmpty() || !downloadInto(ftpConnection(storage), fileName, local, meter)) {
        // A download the user cancelled is not a missing file.
        if (meter.cancelled())
            return {};
        tell(QStringLiteral("在FTP服务器上找不到") + document.name + QStringLiteral("文件"));
        return {};
    }
    return local;
}

QString fetchToCache(const record::ListedDocument& document, const settings::Storage& storage) {
    return storage.ftpMode ? DownloadToCache(document, storage) : CopyToCache(document, storage);
}

QString seedCache(const record::ListedDocument& document, const QString& source) {
    return copyIntoCache(document, source, document.id + document.type);
}

} // namespace wo::transfer
