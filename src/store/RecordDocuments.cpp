#include "store/RecordDocuments.h"

#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "store/Statements.h"

namespace wo::store {

QString displayPath(const QVariant& filePath, bool ftpMode) {
    const QString path = filePath.isNull() ? QString() : filePath.toString();
    if (ftpMode && !path.startsWith(QLatin1Char('/')))
        return QStringLiteral("/");
    return path;
}

QVector<record::ListedDocument> loadRecordDocuments(db::Connection& connection, const QString& recordId,
                                                    bool ftpMode) {
    return loadDocuments(connection, sql::SelectRecordDocuments(recordId), ftpMode);
}

QVector<record::ListedDocument> loadDocuments(db::Connection& connection, const db::Statement& select,
                                              bool ftpMode) {
    db::Recordset rs;
    rs.open(select, connection);
    QVector<record::ListedDocument> documents;
    const int count = rs.recordCount();
    // Columns are looked up once, and only when there is a row to read them from.
    if (count == 0)
        return documents;
    const int id = rs.fieldIndex(QStringLiteral("id"));
    const int name = rs.fieldIndex(QStringLiteral("Original_Name"));
    const int type = rs.fieldIndex(QStringLiteral("Type"));
    const int path = rs.fieldIndex(QStringLiteral("FilePath"));
    documents.reserve(count);
    for (int k = 1; k <= count; ++k) {
        documents.push_back({rs.field(id).toString(), rs.field(name).toString(), rs.field(type).toString(),
                             displayPath(rs.field(path), ftpMode)});
        rs.moveNext();
    }
    return documents;
}

void saveDocumentOrder(db::Connection& connection, const QStringList& ids) {
    for (int i = 0; i < ids.size(); ++i)
        connection.execute(sql::UpdateFileOrder(i + 1, ids.at(i)));
}

void renameDocument(db::Connection& connection, const QString& id, const QString& name) {
    connection.execute(sql::RenameDocument(name, id));
}

void renameScannedDocument(db::Connection& connection, const QString& id, const QString& scanName) {
    connection.execute(sql::RenameScannedDocument(scanName, id));
}

} // namespace wo::store
