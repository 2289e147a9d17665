#pragma once

#include "record/ListedDocument.h"
#include "settings/MyInit.h"
#include "wo_internal_export.h"

#include <QString>

// How a listed document's file is brought into the per-user download cache before
// it is shown or printed. Failures the user must know of are told here, in the
// storage mode's own words.
namespace wo::transfer {

// Folder mode fetch. Copies the document's stored file under storage.root into the
// cache (replacing an earlier copy) and returns the cached path. A missing stored
// file, or a row that rowFault refuses, shows "在找不到" + name + "文件" and returns "";
// any other failure, and a copy the user cancels in its progress window, returns ""
// silently.
WO_INTERNAL QString CopyToCache(const record::ListedDocument& document, const settings::Storage& storage);

// FTP mode fetch on the storage's connection: makes the document's path the current
// directory ("在FTP服务器上找不到" + path + "路径" when it cannot or rowFault refuses
// the path), downloads ID + Type into the cache ("在FTP服务器上找不到" + name + "文件"
// when it cannot or the name is refused) and returns the cached path; "" after a
// message on failure, "" without one when the user cancels the download in its
// progress window.
WO_INTERNAL QString DownloadToCache(const record::ListedDocument& document, const settings::Storage& storage);

// The storage mode's fetch: DownloadToCache on FTP, CopyToCache otherwise.
WO_INTERNAL QString fetchToCache(const record::ListedDocument& document, const settings::Storage& storage);

// After an add: puts the added file's bytes into the cache as a fetch of the
// document would, so that showing the new document fetches nothing. The cached path,
// or "" when the copy fails or the user cancels it.
QString seedCache(const record::ListedDocument& document, const QString& source);

} // namespace wo::transfer
