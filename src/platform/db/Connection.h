#pragma once

#include "platform/com/ComPtr.h"
#include "platform/db/Statement.h"
#include "wendra/Wendra_Original.h"
#include "wo_internal_export.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

namespace wo::db {

// The host's database connection, as the component uses it: statements run with
// their values bound, one explicit transaction at a time, errors raised as
// wo::Error with the driver's native number and text. The host opens the
// connection and hands it over; the component never opens or closes it.
class WO_INTERNAL Connection final : public com::RefCounted<com::IUnknown> {
public:
    // Opens a connection on a Qt SQL driver: "QSQLITE", "QPSQL", "QMYSQL" or "QODBC".
    // connectString is "Key=Value;..." with Database, Host, Port, User, Password,
    // Options; for QODBC it is the ODBC connection string, passed on untouched.
    // Throws wo::Error when the driver is missing or the connection fails.
    static com::ComPtr<Connection> open(const QString& driver, const QString& connectString);
    // A connection of the caller's own to the database `other` is open on, with the
    // same driver and settings and the schema or database its session uses: its
    // work stays outside any transaction on `other`. The source is read on the
    // thread that uses `other`; the copy is opened on the thread that will use it.
    struct CopySource {
        QString connectionName;
        QString driver;
        QString place;
    };
    static CopySource copySource(const Connection& other);
    static com::ComPtr<Connection> openCopy(const CopySource& source);
    static com::ComPtr<Connection> openCopy(const Connection& other) { return openCopy(copySource(other)); }
    // Wraps a QSqlDatabase the caller has opened already.
    static com::ComPtr<Connection> wrap(const QSqlDatabase& database);

    HRESULT QueryInterface(const IID& iid, void** object) override;

    // Runs one statement with its values bound; it has run when the call returns.
    void execute(const Statement& statement);
    // Runs a host's statement text as it is (it carries no values of ours).
    void execute(const QString& statement);
    // Runs a host's statement text and hands back its forward-only result; counted
    // like execute().
    QSqlQuery run(const QString& statement);
    void beginTrans();
    void commitTrans();
    void rollbackTrans();

    QSqlDatabase database() const;
    QString driverName() const;
    // Statements sent to the database through this object (executions and opened
    // result sets), for callers that must prove work happens in memory.
    qint64 statementCount() const { return m_statements; }
    void countStatement() { ++m_statements; }
    // Closes the underlying database; only the owner (the host) calls it. A wrapped
    // database stays open: whoever opened it closes it.
    void close();

private:
    explicit Connection(QString connectionName, bool owned);
    ~Connection() override;

    // The database, or error 3704 when it is closed.
    QSqlDatabase openDatabase() const;

    QString m_name;
    bool m_owned;
    qint64 m_statements = 0;
};

// Raises the driver's error of the last failed operation as wo::Error.
[[noreturn]] void raiseSqlError(const class QSqlError& error, const QString& context);
// Raises error 3704, the answer to any use of a closed connection or recordset.
[[noreturn]] void raiseObjectClosed();

} // namespace wo::db
