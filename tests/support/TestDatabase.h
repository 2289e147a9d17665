#pragma once

#include "platform/com/ComPtr.h"
#include "platform/db/Connection.h"

#include <QTemporaryDir>
#include <QVariant>

namespace wo::test {

// The database of one test: a fresh SQLite file; with WO_TEST_DRIVER=QPSQL a fresh
// schema on the test run's PostgreSQL server (port in $WO_TEST_PG_DIR/port); with
// QMYSQL a fresh database on its MariaDB server (port in $WO_TEST_MARIADB_DIR/port).
// Fails the test (throws) when the server the run asked for is not there: database
// tests are never skipped.
// Connect strings (Connection::open) of the run's servers, for tests that open their own.
QString postgresServer();
QString mariadbPort();
QString mariadbServer(const QString& database);

class TestDatabase {
public:
    TestDatabase();
    ~TestDatabase();

    db::Connection& connection() { return *m_connection; }
    com::ComPtr<db::Connection> connectionPtr() const { return m_connection; }
    QString driver() const { return m_driver; }
    // A connect string another process can open this database with (Connection::open).
    QString connectString() const { return m_connectString; }

    // Creates Original_Text as a host would, dropping an earlier one.
    void createDocumentTable();
    // Inserts a row directly, bypassing the component.
    void insertRow(const QString& id, const QString& name, const QString& type, const QString& recordId,
                   const QVariant& fileOrder, const QVariant& filePath, qint64 size = 0);
    // Runs a query directly and returns its rows as lists of values.
    QList<QVariantList> query(const QString& sql);

private:
    QString m_driver;
    QString m_schema;
    QString m_connectString;
    QTemporaryDir m_dir;
    com::ComPtr<db::Connection> m_connection;
};

} // namespace wo::test
