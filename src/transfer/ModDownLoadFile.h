#pragma once

#include "settings/MyInit.h"
#include "store/ListedDocument.h"

#include <QString>

// Where document files lie in both storage modes, and how a listed document's file
// is brought into the per-user download cache before it is shown or printed.
namespace wo::transfer {

class TransferMeter;

// True for a name that may stand for a file or folder inside another: not empty,
// no "/" or "\", not "." or "..", no control characters. IDs and types read from
// the table are used in paths only when they pass.
bool isPlainName(const QString& name);

// What keeps a row's FilePath, ID and Type from naming a file: a FilePath with a ".."
// segment (split on "/" and "\\"), in folder mode an absolute FilePath, or an ID and
// Type that do not make a plain name. Rows come from a table other programs write,
// so every path built from one (read, store, delete) passes this check first.
enum class RowFault { None, Path, Name };
RowFault rowFault(const QString& filePath, const QString& id, const QString& type, bool ftpMode);

// The download cache: $XDG_CACHE_HOME (default ~/.cache) + "/wendra-original/temp",
// created with mode 0700 when missing. An existing level is used only when it is a
// real folder (no symbolic link) of this user; its mode is then set to 0700. Throws
// wo::Error when it cannot be made or must not be trusted.
QString cacheFolder();

// The stored file of a document, ID followed by Type; throws wo::Error 52 ("bad
// file name") when the pair does not make a plain name.
QString storedFileName(const QString& id, const QString& type);

// Folder mode: gsPath + "/" + FilePath + "/" + ID + Type (no FilePath part when empty).
QString folderModeSource(const QString& root, const QString& filePath, const QString& id,
                         const QString& type);

// Folder mode fetch. Copies the document's stored file under storage.root into the
// cache (replacing an earlier copy) and returns the cached path. A missing stored
// file, or a row that rowFault refuses, shows "在找不到" + name + "文件" and returns "";
// any other failure, and a copy the user cancels in its progress window, returns ""
// silently.
QString CopyToCache(const store::ListedDocument& document, const settings::Storage& storage);

// FTP mode fetch on the storage's connection: makes the document's path the current
// directory ("在FTP服务器上找不到" + path + "路径" when it cannot or rowFault refuses
// the path), downloads ID + Type into the cache ("在FTP服务器上找不到" + name + "文件"
// when it cannot or the name is refused) and returns the cached path; "" after a
// message on failure, "" without one when the user cancels the download in its
// progress window.
QString DownloadToCache(const store::ListedDocument& document, const settings::Storage& storage);

// The storage mode's fetch: DownloadToCache on FTP, CopyToCache otherwise.
QString fetchToCache(const store::ListedDocument& document, const settings::Storage& storage);

// After an add: puts the added file's bytes into the cache as a fetch of the
// document would, so that showing the new document fetches nothing. The cached path,
// or "" when the copy fails or the user cancels it.
QString seedCache(const store::ListedDocument& document, const QString& source);

// FTP upload convention: makes root + "/" + month current on the storage's
// connection, creating it (one level) when needed; results ignored. Returns that
// directory, the FilePath of a new document: absolute, a relative root being taken
// from the login folder. Throws wo::Error 76 when a relative root meets a server
// that does not name its login folder.
QString prepareUploadDirectory(const settings::Storage& storage, const QString& month);

// FTP delete convention: makes filePath current on the storage's connection, then
// deletes the file there; results ignored.
void deleteRemoteFile(const settings::Storage& storage, const QString& filePath, const QString& fileName);

// True when the remote folder filePath lies in root or below it once "." and ".." are
// resolved as the server resolves them ("/.." is "/"). An empty filePath, which names
// whatever folder is current, and a relative one climbing above its start lie nowhere;
// absolute and relative paths never meet. An empty root stands for "/", as the
// folders of its documents ("/yyyy-mm") do.
bool insideRemoteRoot(const QString& root, const QString& filePath);

// Deletes a row's stored file in the storage's mode: nothing when the row fails
// rowFault, in FTP mode when its folder is not inside the root (insideRemoteRoot; a
// relative root also as the folder below the login folder it names),
// or, in folder mode, when the root is empty or the file is missing. Throws
// wo::Error 70 when a folder-mode file is there and cannot go; FTP results are ignored.
void deleteStoredFile(const settings::Storage& storage, const QString& filePath, const QString& id,
                      const QString& type);

// Who may read what copyFileSafely writes: the user alone (cached copies), or as the
// umask allows (stored documents other users open).
enum class Access { Private, Shared };

// Copies a file so that the target never holds a partial copy: writes a new file
// under a fresh name in the target's folder and renames it over the target, so a
// symbolic link at the target is replaced, never followed. Throws wo::Error (70 for
// permission problems, 53 for a missing source) and leaves no temporary file. With a
// meter the copy runs on a worker thread while this one shows its progress; when the
// user cancels it, it throws wo::Error 18 and the target is untouched.
void copyFileSafely(const QString& source, const QString& target, Access access = Access::Shared,
                    TransferMeter* meter = nullptr);

} // namespace wo::transfer
