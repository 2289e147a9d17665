#pragma once

#include "record/ListedDocument.h"
#include "wo_internal_export.h"

#include <QString>
#include <QVariant>
#include <QVector>

namespace wo::db {
class Connection;
struct Statement;
} // namespace wo::db

namespace wo::store {

// The path column as shown: a null path reads as ""; in FTP mode a path that does
// not begin with "/" (the empty one included) is the root "/".
WO_INTERNAL QString displayPath(const QVariant& filePath, bool ftpMode);

// The documents a statement selects (whole rows of Original_Text), in its order,
// read from one snapshot.
QVector<record::ListedDocument> loadDocuments(db::Connection& connection, const db::Statement& select,
                                              bool ftpMode);

// The record's documents in stored order (SelectRecordDocuments), read from one snapshot.
WO_INTERNAL QVector<record::ListedDocument> loadRecordDocuments(db::Connection& connection,
                                                                const QString& recordId, bool ftpMode);

// Writes positions 1..N, in the given order of document IDs, one statement each.
// Stops at the first failing statement; the rows written before it keep their new positions.
WO_INTERNAL void saveDocumentOrder(db::Connection& connection, const QStringList& ids);

// Gives the document the display name as typed (RenameDocument); its stored file keeps its name.
WO_INTERNAL void renameDocument(db::Connection& connection, const QString& id, const QString& name);
// Names a scanned document after the name its scan was given (RenameScannedDocument).
void renameScannedDocument(db::Connection& connection, const QString& id, const QString& scanName);

} // namespace wo::store
