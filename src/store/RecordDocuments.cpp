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

QVector<ListedDocument> loadRecordDocuments(db::Connection& connection, const QString& recordId,
                                            bool ftpMode) {
    db::Recordset rs;
    rs.open(sql::SelectRecordDocuments(recordId), connection);
    QVector<ListedDocument> documents;
    const int count = rs.recordCount();
    documents.reserve(count);
    for (int k = 1; k <= count; ++k) {
        documents.push_back({rs.field(QStringLiteral("id")).toString(),
                             rs.field(QStringLiteral("Original_Name")).toString(),
                             rs.field(QStringLiteral("Type")).toString(),
                             displayPath(rs.field(QStringLiteral("FilePath")), ftpMode)});
        rs.moveNext();
    }
    return documents;
}

void saveDocumentOrder(db::Connection& connection, const QStringList& ids) {
    for (int i = 0; i < ids.size(); ++i)
        connection.execute(sql::UpdateFileOrder(i + 1, ids.at(i)));
}

} // namespace wo::store
