#include "TestDatabase.h"

#include "platform/Error.h"

#include <QCoreApplication>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <atomic>

namespace wo::test {

namespace {
std::atomic<int> s_schemas{0};

QString serverPort(const char* folderVariable, const QString& engine) {
    QFile f(qEnvironmentVariable(folderVariable) + QStringLiteral("/port"));
    if (!f.open(QIODevice::ReadOnly))
        throw Error(
            53, QStringLiteral("the test run's %1 server is not running (no %2)").arg(engine, f.fileName()));
    return QString::fromLatin1(f.readAll().trimmed());
}
} // namespace

QString postgresServer() {
    return QStringLiteral("Host=127.0.0.1;Port=%1;Database=test;User=postgres")
        .arg(serverPort("WO_TEST_PG_DIR", QStringLiteral("PostgreSQL")));
}

QString mariadbPort() {
    return serverPort("WO_TEST_MARIADB_DIR", QStringLiteral("MariaDB"));
}

QString mariadbServer(const QString& database) {
    return QStringLiteral("Host=127.0.0.1;Port=%1;Database=%2;User=wo;Password=wo")
        .arg(mariadbPort(), database);
}

TestDatabase::TestDatabase() : m_driver(qEnvironmentVariable("WO_TEST_DRIVER", QStringLiteral("QSQLITE"))) {
    if (m_driver == QLatin1String("QPSQL")) {
        const QString server = postgresServer();
        m_connection = db::Connection::open(m_driver, server);
        m_schema = QStringLiteral("t%1_%2").arg(QCoreApplication::applicationPid()).arg(++s_schemas);
        m_connection->execute(QStringLiteral("CREATE SCHEMA ") + m_schema);
        m_connection->execute(QStringLiteral("SET search_path TO ") + m_schema);
        m_connectString = server + QStringLiteral(";Options=options=-csearch_path=") + m_schema;
    } else if (m_driver == QLatin1String("QMYSQL")) {
        // A schema is a database here: each test gets one of its own.
        m_connection = db::Connection::open(m_driver, mariadbServer(QStringLiteral("test")));
        m_schema = QStringLiteral("t%1_%2").arg(QCoreApplication::applicationPid()).arg(++s_schemas);
        m_connection->execute(QStringLiteral("CREATE DATABASE ") + m_schema +
                              QStringLiteral(" CHARACTER SET utf8mb4"));
        m_connection->execute(QStringLiteral("USE ") + m_schema);
        m_connectString = mariadbServer(m_schema);
    } else {
        m_connectString = QStringLiteral("Database=") + m_dir.filePath(QStringLiteral("test.db"));
        m_connection = db::Connection::open(m_driver, m_connectString);
    }
}

TestDatabase::~TestDatabase() {
    try {
        if (m_driver == QLatin1String("QMYSQL"))
            m_connection->execute(QStringLiteral("DROP DATABASE ") + m_schema);
        else if (!m_schema.isEmpty())
            m_connection->execute(QStringLiteral("DROP SCHEMA ") + m_schema + QStringLiteral(" CASCADE"));
        m_connection->close();
    } catch (const Error&) {
        // A test that broke the connection on purpose leaves nothing to drop.
    }
}

void TestDatabase::createDocumentTable() {
    m_connection->execute(QStringLiteral("DROP TABLE IF EXISTS Original_Text"));
    // As the shipped statements create it (resources/sql), without the indexes.
    QString create = QStringLiteral(
        "CREATE TABLE Original_Text (ID varchar(40) NOT NULL, Original_Name varchar(255), Type varchar(20), "
        "RecordId varchar(100), FileOrder integer, FilePath varchar(255), Size bigint)");
    if (m_driver == QLatin1String("QMYSQL"))
        create += QStringLiteral(" ENGINE=InnoDB DEFAULT CHARSET=utf8mb4");
    m_connection->execute(create);
}

void TestDatabase::insertRow(const QString& id, const QString& name, const QString& type,
                             const QString& recordId, const QVariant& fileOrder, const QVariant& filePath,
                             qint64 size) {
    QSqlQuery q(m_connection->database());
    q.prepare(
        QStringLiteral("INSERT INTO Original_Text(ID,Original_Name,Type,RecordId,FileOrder,FilePath,Size) "
                       "VALUES(?,?,?,?,?,?,?)"));
    q.addBindValue(id);
    q.addBindValue(name);
    q.addBindValue(type);
    q.addBindValue(recordId);
    q.addBindValue(fileOrder);
    q.addBindValue(filePath);
    q.addBindValue(size);
    if (!q.exec())
        throw Error(1, q.lastError().text());
}

QList<QVariantList> TestDatabase::query(const QString& sql) {
    QSqlQuery q(m_connection->database());
    if (!q.exec(sql))
        throw Error(1, q.lastError().text());
    QList<QVariantList> rows;
    while (q.next()) {
        QVariantList row;
        for (int i = 0; i < q.record().count(); ++i)
            row << q.value(i);
        rows << row;
    }
    return rows;
}

} // namespace wo::test
