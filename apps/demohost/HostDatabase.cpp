#include "HostDatabase.h"

#include <QSqlDatabase>

namespace demohost {

bool ensureDocumentTable(wo::db::Connection& connection) {
    const QStringList tables = connection.database().tables();
    for (const QString& t : tables)
        if (t.compare(QLatin1String("Original_Text"), Qt::CaseInsensitive) == 0)
            return false;
    connection.execute(QStringLiteral(
        "CREATE TABLE Original_Text (ID varchar(40) NOT NULL, Original_Name varchar(255), Type varchar(20), "
        "RecordId varchar(100), FileOrder integer, FilePath varchar(255), Size bigint)"));
    connection.execute(QStringLiteral("CREATE INDEX Original_Text_RecordId ON Original_Text (RecordId)"));
    connection.execute(QStringLiteral("CREATE INDEX Original_Text_ID ON Original_Text (ID)"));
    return true;
}

} // namespace demohost
