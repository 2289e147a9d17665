#pragma once

#include <QString>

class QTreeWidgetItem;

// Where document files lie in both storage modes, and how a listed document's file
// is brought into the per-user download cache before it is shown or printed.
namespace wo::transfer {

// True for a name that may stand for a file or folder inside another: not empty,
// no "/" or "\", not "." or "..", no control characters. IDs and types read from
// the table are used in paths only when they pass.
bool isPlainName(const QString& name);

// The download cache: $XDG_CACHE_HOME (default ~/.cache) + "/wendra-original/temp",
// created with mode 0700 when missing. Throws wo::Error when it cannot be made.
QString cacheFolder();

// The stored file of a document, ID followed by Type; throws wo::Error 52 ("bad
// file name") when the pair does not make a plain name.
QString storedFileName(const QString& id, const QString& type);

// Folder mode: gsPath + "/" + FilePath + "/" + ID + Type (no FilePath part when empty).
QString folderModeSource(const QString& root, const QString& filePath, const QString& id,
                         const QString& type);

// Folder mode fetch. Copies the stored file into the cache (overwriting an earlier
// copy), writes the cached path into the item's tooltip and returns it. A missing
// stored file shows "在找不到" + name + "文件" and returns ""; any other failure
// returns "" silently.
QString CopyToCache(QTreeWidgetItem* item);

// FTP mode fetch on the host's connection gsConn: makes the item's path the current
// directory ("在FTP服务器上找不到" + path + "路径" when it cannot), downloads ID + Type
// into the cache ("在FTP服务器上找不到" + name + "文件" when it cannot), writes the
// tooltip and returns the path; "" after a message on failure.
QString DownloadToCache(QTreeWidgetItem* item);

// FTP upload convention: makes gsPath + "/" + month current, creating it (one
// level) when needed; results ignored. Returns that directory, the FilePath of a
// new document.
QString prepareUploadDirectory(const QString& root, const QString& month);

// FTP delete convention: makes filePath current, then deletes the file there;
// results ignored.
void deleteRemoteFile(const QString& filePath, const QString& fileName);

// Copies a file so that the target never holds a partial copy: writes a temporary
// file in the target's folder and renames it over the target. Throws wo::Error
// (70 for permission problems, 53 for a missing source) and leaves no temporary file.
void copyFileSafely(const QString& source, const QString& target);

} // namespace wo::transfer
