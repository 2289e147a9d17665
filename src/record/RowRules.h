#pragma once

#include <QString>

// Which rows of the document table may name a file. Rows come from a table other
// programs write, so every path built from one (read, store, delete) passes these
// rules first.
namespace wo::record {

// True for a name that may stand for a file or folder inside another: not empty,
// no "/" or "\", not "." or "..", no control characters. IDs and types read from
// the table are used in paths only when they pass.
bool isPlainName(const QString& name);

// What keeps a row's FilePath, ID and Type from naming a file: a FilePath with a ".."
// segment (split on "/" and "\\"), in folder mode an absolute FilePath, or an ID and
// Type that do not make a plain name.
enum class RowFault { None, Path, Name };
RowFault rowFault(const QString& filePath, const QString& id, const QString& type, bool ftpMode);

// The stored file of a document, ID followed by Type; throws wo::Error 52 ("bad
// file name") when the pair does not make a plain name.
QString storedFileName(const QString& id, const QString& type);

} // namespace wo::record
