#include "transfer/ModDownLoadFile.h"

#include "entry/MyInit.h"
#include "platform/Error.h"
#include "platform/dialogs/Dialogs.h"
#include "platform/inet/Inet.h"
#include "ui/common/ListItem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTreeWidgetItem>

namespace wo::transfer {

namespace {

constexpr int kBadFileName = 52;
constexpr int kPathFileAccessError = 75;

// Hosts hand over roots with and without a trailing "/".
QString joinPath(const QString& dir, const QString& name) {
    return dir.endsWith(QLatin1Char('/')) ? dir + name : dir + QLatin1Char('/') + name;
}

inet::Handle connection() {
    return static_cast<inet::Handle>(MyInit::gsConn);
}

// The item's stored file name, or "" once the user has been told it cannot be used.
QString checkedFileName(const QTreeWidgetItem* item) {
    try {
        return storedFileName(ui::ListItem::tag(item), item->text(ui::ListItem::Type));
    } catch (const Error&) {
        dialogs::inform(nullptr,
                        QStringLiteral("原文的标识或类型不是合法的文件名，不能读取：") +
                            item->text(ui::ListItem::Name),
                        QString(), dialogs::Icon::Exclamation);
        return {};
    }
}

// Where fileName goes in the cache; "" when the cache cannot be made.
QString cacheTarget(const QString& fileName) {
    try {
        return joinPath(cacheFolder(), fileName);
    } catch (const Error&) {
        return {};
    }
}

// Qt reports every failed open alike; what the file system allows tells a refusal apart.
Error accessError(const QString& path, bool refused) {
    if (refused)
        return Error(err::PermissionDenied, QStringLiteral("拒绝访问：") + path);
    return Error(kPathFileAccessError, QStringLiteral("路径/文件访问错误：") + path);
}

bool readRefused(const QString& source) {
    const QFileInfo info(source);
    return info.exists() && !info.isReadable();
}

bool writeRefused(const QString& target) {
    const QFileInfo info(target);
    const QFileInfo dir(info.path());
    return (info.exists() && !info.isWritable()) || (dir.exists() && !dir.isWritable());
}

} // namespace

bool isPlainName(const QString& name) {
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    for (const QChar c : name)
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.category() == QChar::Other_Control)
            return false;
    return true;
}

QString cacheFolder() {
    QString base = qEnvironmentVariable("XDG_CACHE_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.cache");
    const QString folder = base + QStringLiteral("/wendra-original/temp");
    if (QFileInfo(folder).isDir())
        return folder;
    // Each level we create is private: cached documents are for this user only.
    constexpr auto kPrivate = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
    QDir dir;
    for (const QString& level : {QFileInfo(folder).path(), folder}) {
        if (!QFileInfo(level).isDir() && !(dir.mkpath(QFileInfo(level).path()) && dir.mkdir(level, kPrivate)))
            throw Error(kPathFileAccessError, QStringLiteral("不能建立下载缓存文件夹：") + level);
    }
    return folder;
}

QString storedFileName(const QString& id, const QString& type) {
    const QString name = id + type;
    if (!isPlainName(id) || !isPlainName(name))
        throw Error(kBadFileName, QStringLiteral("文件名不合法：") + name);
    return name;
}

QString folderModeSource(const QString& root, const QString& filePath, const QString& id,
                         const QString& type) {
    const QString dir = filePath.isEmpty() ? root : joinPath(root, filePath);
    return joinPath(dir, id + type);
}

QString CopyToCache(QTreeWidgetItem* item) {
    const QString fileName = checkedFileName(item);
    if (fileName.isEmpty())
        return {};
    const QString source = folderModeSource(MyInit::gsPath, item->text(ui::ListItem::Path),
                                            ui::ListItem::tag(item), item->text(ui::ListItem::Type));
    if (!QFileInfo::exists(source)) {
        dialogs::inform(nullptr,
                        QStringLiteral("在找不到") + item->text(ui::ListItem::Name) + QStringLiteral("文件"),
                        QString(), dialogs::Icon::None);
        return {};
    }
    const QString local = cacheTarget(fileName);
    if (local.isEmpty())
        return {};
    try {
        copyFileSafely(source, local);
    } catch (const Error&) {
        return {};
    }
    ui::ListItem::setCachePath(item, local);
    return local;
}

QString DownloadToCache(QTreeWidgetItem* item) {
    const QString fileName = checkedFileName(item);
    if (fileName.isEmpty())
        return {};
    const QString path = item->text(ui::ListItem::Path);
    if (!inet::FtpSetCurrentDirectory(connection(), path)) {
        dialogs::inform(nullptr, QStringLiteral("在FTP服务器上找不到") + path + QStringLiteral("路径"),
                        QString(), dialogs::Icon::None);
        return {};
    }
    const QString local = cacheTarget(fileName);
    if (local.isEmpty() || !inet::FtpGetFile(connection(), fileName, local, false)) {
        dialogs::inform(nullptr,
                        QStringLiteral("在FTP服务器上找不到") + item->text(ui::ListItem::Name) +
                            QStringLiteral("文件"),
                        QString(), dialogs::Icon::None);
        return {};
    }
    ui::ListItem::setCachePath(item, local);
    return local;
}

QString prepareUploadDirectory(const QString& root, const QString& month) {
    const QString dir = joinPath(root, month);
    if (!inet::FtpSetCurrentDirectory(connection(), dir)) {
        inet::FtpCreateDirectory(connection(), dir);
        inet::FtpSetCurrentDirectory(connection(), dir);
    }
    return dir;
}

void deleteRemoteFile(const QString& filePath, const QString& fileName) {
    // A name with a path in it would reach a file outside filePath.
    if (!isPlainName(fileName))
        return;
    inet::FtpSetCurrentDirectory(connection(), filePath);
    inet::FtpDeleteFile(connection(), fileName);
}

void copyFileSafely(const QString& source, const QString& target) {
    if (!QFileInfo::exists(source))
        throw Error(err::FileNotFound, QStringLiteral("文件未找到：") + source);
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        throw accessError(source, readRefused(source));
    // QSaveFile writes beside the target and renames over it only on commit; an
    // uncommitted one removes its temporary file.
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly))
        throw accessError(target, writeRefused(target));
    char buffer[64 * 1024];
    for (qint64 n; (n = in.read(buffer, sizeof buffer)) != 0;) {
        if (n < 0)
            throw accessError(source, readRefused(source));
        if (out.write(buffer, n) != n)
            throw accessError(target, writeRefused(target));
    }
    if (!out.commit())
        throw accessError(target, writeRefused(target));
}

} // namespace wo::transfer
