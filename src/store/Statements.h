#pragma once

#include "platform/db/Statement.h"
#include "wo_internal_export.h"

#include <QString>
#include <QStringList>

// Every statement the component runs against Original_Text, built in one place.
// Each value is a bound parameter (a ? in the text), so a name or identifier is
// stored as typed whatever it holds, on every engine and string syntax; only
// UpdateFileOrder's position is written into the text, as digits.
namespace wo::store::sql {

using db::Statement;

WO_INTERNAL Statement SelectRecordDocuments(const QString& recordId);
// The record's rows of that Size, as SelectRecordDocuments orders them.
Statement SelectRecordDocumentsOfSize(const QString& recordId, qint64 size);
WO_INTERNAL Statement SelectAllDocuments();
// A filter expression (evaluated in memory, not SQL) for a SelectAllDocuments
// snapshot: rows of other records naming the same document. The values stand
// between quotes with each quote doubled, so no value can end its literal.
WO_INTERNAL QString OtherReferencesFilter(const QString& id, const QString& recordId);
WO_INTERNAL Statement SelectMaxFileOrder(const QString& recordId);
// Rows already carrying an identifier, so a new document never takes one in use.
Statement SelectDocumentById(const QString& id);
// Every row carrying one of the identifiers.
WO_INTERNAL Statement SelectDocumentsByIds(const QStringList& ids);

struct NewDocument {
    QString id;
    QString originalName;
    QString type;
    QString recordId;
    qint64 fileOrder = 1;
    QString filePath;
    qint64 size = 0;
};
WO_INTERNAL Statement InsertDocument(const NewDocument& document);

WO_INTERNAL Statement DeleteDocument(const QString& id, const QString& recordId);
WO_INTERNAL Statement UpdateFileOrder(int position, const QString& id);
WO_INTERNAL Statement RenameDocument(const QString& newName, const QString& id);
WO_INTERNAL Statement RenameScannedDocument(const QString& scanName, const QString& id);

} // namespace wo::store::sql
