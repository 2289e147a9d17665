#include "store/Statements.h"

namespace wo::store::sql {

QString escaped(const QString& value) {
    QString out = value;
    return out.replace(QLatin1Char('\''), QLatin1String("''"));
}

QString SelectRecordDocuments(const QString& recordId) {
    return QStringLiteral("select * from Original_Text where RecordID = '") + escaped(recordId) +
           QStringLiteral("' Order by FileOrder");
}

QString SelectAllDocuments() {
    return QStringLiteral("Select * From Original_Text");
}

QString OtherReferencesFilter(const QString& id, const QString& recordId) {
    return QStringLiteral("ID = '") + escaped(id) + QStringLiteral("' And RecordID <> '") +
           escaped(recordId) + QStringLiteral("'");
}

QString SelectMaxFileOrder(const QString& recordId) {
    return QStringLiteral("Select Max(FileOrder) As FileOrder from Original_Text Where RecordId = '") +
           escaped(recordId) + QStringLiteral("'");
}

QString SelectDocumentById(const QString& id) {
    return QStringLiteral("Select ID From Original_Text Where ID = '") + escaped(id) + QStringLiteral("'");
}

QString SelectDocumentsByIds(const QStringList& ids) {
    QStringList quoted;
    for (const QString& id : ids)
        quoted << QLatin1Char('\'') + escaped(id) + QLatin1Char('\'');
    return QStringLiteral("Select * From Original_Text Where ID In (") + quoted.join(QLatin1Char(',')) +
           QLatin1Char(')');
}

QString InsertDocument(const NewDocument& d) {
    return QStringLiteral(
               "Insert Into Original_Text(ID,Original_Name,Type,RecordId,FileOrder,FilePath,Size)") +
           QStringLiteral(" Values('") + escaped(d.id) + QStringLiteral("','") + escaped(d.originalName) +
           QStringLiteral("','") + escaped(d.type) + QStringLiteral("','") + escaped(d.recordId) +
           QStringLiteral("','") + QString::number(d.fileOrder) + QStringLiteral("','") +
           escaped(d.filePath) + QStringLiteral("','") + QString::number(d.size) + QStringLiteral("')");
}

QString DeleteDocument(const QString& id, const QString& recordId) {
    return QStringLiteral("Delete From Original_Text Where ID = '") + escaped(id) +
           QStringLiteral("' And RecordID = '") + escaped(recordId) + QStringLiteral("'");
}

QString UpdateFileOrder(int position, const QString& id) {
    return QStringLiteral("Update Original_Text Set FileOrder =") + QString::number(position) +
           QStringLiteral(" Where ID = '") + escaped(id) + QStringLiteral("'");
}

QString RenameDocument(const QString& newName, const QString& id) {
    return QStringLiteral("Update Original_Text Set Original_Name = '") + escaped(newName) +
           QStringLiteral("' Where ID = '") + escaped(id) + QStringLiteral("'");
}

QString RenameScannedDocument(const QString& scanName, const QString& id) {
    return QStringLiteral("Update Original_Text Set Original_Name = '") + escaped(scanName) +
           QStringLiteral(".TIF' Where ID = '") + escaped(id) + QStringLiteral("'");
}

} // namespace wo::store::sql
