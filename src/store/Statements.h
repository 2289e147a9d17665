#pragma once

#include <QString>
#include <QStringList>

// Every statement the component runs against Original_Text, built in one place.
// Values go between single quotes with any single quote doubled, so a name or
// identifier holding one is stored as typed and cannot change the statement.
namespace wo::store::sql {

// The value with each ' doubled, ready to stand between quotes.
QString escaped(const QString& value);

QString SelectRecordDocuments(const QString& recordId);
QString SelectAllDocuments();
// A filter expression for a SelectAllDocuments snapshot: rows of other records
// naming the same document.
QString OtherReferencesFilter(const QString& id, const QString& recordId);
QString SelectMaxFileOrder(const QString& recordId);
// Rows already carrying an identifier, so a new document never takes one in use.
QString SelectDocumentById(const QString& id);
// Every row carrying one of the identifiers.
QString SelectDocumentsByIds(const QStringList& ids);

struct NewDocument {
    QString id;
    QString originalName;
    QString type;
    QString recordId;
    qint64 fileOrder = 1;
    QString filePath;
    qint64 size = 0;
};
QString InsertDocument(const NewDocument& document);

QString DeleteDocument(const QString& id, const QString& recordId);
QString UpdateFileOrder(int position, const QString& id);
QString RenameDocument(const QString& newName, const QString& id);
QString RenameScannedDocument(const QString& scanName, const QString& id);

} // namespace wo::store::sql
