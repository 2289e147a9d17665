#include "store/Statements.h"

namespace wo::store::sql {

namespace {

// A text literal of the filter syntax.
QString filterText(QString value) {
    return u'\'' + value.replace(u'\'', QLatin1String("''")) + u'\'';
}

} // namespace

Statement SelectRecordDocuments(const QString& recordId) {
    return {QStringLiteral("select * from Original_Text where RecordID = ? Order by FileOrder"), {recordId}};
}

Statement SelectRecordDocumentsOfSize(const QString& recordId, qint64 size) {
    return {QStringLiteral("select * from Original_Text where RecordID = ? And Size = ? Order by FileOrder"),
            {recordId, size}};
}

Statement SelectAllDocuments() {
    return {QStringLiteral("Select * From Original_Text"), {}};
}

QString OtherReferencesFilter(const QString& id, const QString& recordId) {
    return QStringLiteral("ID = ") + filterText(id) + QStringLiteral(" And RecordID <> ") +
           filterText(recordId);
}

Statement SelectMaxFileOrder(const QString& recordId) {
    return {QStringLiteral("Select Max(FileOrder) As FileOrder from Original_Text Where RecordId = ?"),
            {recordId}};
}

Statement SelectDocumentById(const QString& id) {
    return {QStringLiteral("Select ID From Original_Text Where ID = ?"), {id}};
}

Statement SelectDocumentsByIds(const QStringList& ids) {
    QStringList marks;
    QVariantList values;
    for (const QString& id : ids) {
        marks << QStringLiteral("?");
        values << id;
    }
    return {QStringLiteral("Select * From Original_Text Where ID In (") + marks.join(u',') + u')', values};
}

Statement InsertDocument(const NewDocument& d) {
    return {QStringLiteral("Insert Into Original_Text(ID,Original_Name,Type,RecordId,FileOrder,FilePath,Size)"
                           " Values(?,?,?,?,?,?,?)"),
            {d.id, d.originalName, d.type, d.recordId, d.fileOrder, d.filePath, d.size}};
}

Statement DeleteDocument(const QString& id, const QString& recordId) {
    return {QStringLiteral("Delete From Original_Text Where ID = ? And RecordID = ?"), {id, recordId}};
}

Statement UpdateFileOrder(int position, const QString& id) {
    return {QStringLiteral("Update Original_Text Set FileOrder =") + QString::number(position) +
                QStringLiteral(" Where ID = ?"),
            {id}};
}

Statement RenameDocument(const QString& newName, const QString& id) {
    return {QStringLiteral("Update Original_Text Set Original_Name = ? Where ID = ?"), {newName, id}};
}

Statement RenameScannedDocument(const QString& scanName, const QString& id) {
    return {QStringLiteral("Update Original_Text Set Original_Name = ? Where ID = ?"),
            {scanName + QStringLiteral(".TIF"), id}};
}

} // namespace wo::store::sql
