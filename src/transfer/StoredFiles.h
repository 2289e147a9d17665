#pragma once

#include "platform/inet/Inet.h"
#include "settings/MyInit.h"
#include "wo_internal_export.h"

#include <QString>

// Where document files lie in both storage modes, and the FTP conventions that adding
// and removing follow.
namespace wo::transfer {

// dir + "/" + name; hosts hand over roots with and without a trailing "/".
QString joinPath(const QString& dir, const QString& name);

// The host's FTP connection handle the storage names.
inet::Handle ftpConnection(const settings::Storage& storage);

// Folder mode: gsPath + "/" + FilePath + "/" + ID + Type (no FilePath part when empty).
WO_INTERNAL QString folderModeSource(const QString& root, const QString& filePath, const QString& id,
                                     const QString& type);

// FTP upload convention: makes root + "/" + month current on the storage's
// connection, creating it (one level) when needed; results ignored. Returns that
// directory, the FilePath of a new document: absolute, a relative root being taken
// from the login folder. Throws wo::Error 76 when a relative root meets a server
// that does not name its login folder.
WO_INTERNAL QString prepareUploadDirectory(const settings::Storage& storage, const QString& month);

// FTP delete convention: makes filePath current on the storage's connection, then
// deletes the file there; results ignored.
WO_INTERNAL void deleteRemoteFile(const settings::Storage& storage, const QString& filePath,
                                  const QString& fileName);

// True when the remote folder filePath lies in root or below it once "." and ".." are
// resolved as the server resolves them ("/.." is "/"). An empty filePath, which names
// whatever folder is current, and a relative one climbing above its start lie nowhere;
// absolute and relative paths never meet. An empty root stands for "/", as the
// folders of its documents ("/yyyy-mm") do.
WO_INTERNAL bool insideRemoteRoot(const QString& root, const QString& filePath);

// Deletes a row's stored file in the storage's mode: nothing when the row fails
// rowFault, in FTP mode when its folder is not inside the root (insideRemoteRoot; a
// relative root also as the folder below the login folder it names),
// or, in folder mode, when the root is empty or the file is missing. Throws
// wo::Error 70 when a folder-mode file is there and cannot go; FTP results are ignored.
WO_INTERNAL void deleteStoredFile(const settings::Storage& storage, const QString& filePath,
                                  const QString& id, const QString& type);

} // namespace wo::transfer
