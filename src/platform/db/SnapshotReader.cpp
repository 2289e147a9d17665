#include "platform/db/SnapshotReader.h"

#include "platform/db/Connection.h"
#include "platform/db/PostgresStatement.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <dlfcn.h>
#include <sqlite3.h>

namespace wo::db {

namespace {

// True when Qt's SQLite driver calls the very SQLite library we call, so that its
// handle may be used with our calls: a driver with an SQLite of its own inside
// resolves the library's functions elsewhere, or not at all.
bool sharesOurSqlite(const QSqlDriver* driver) {
    Dl_info plugin{};
    // The object's first word points at its class's table, inside the driver's library.
    if (!dladdr(*reinterpret_cast<void* const*>(driver), &plugin) || !plugin.dli_fname)
        return false;
    void* library = dlopen(plugin.dli_fname, RTLD_LAZY | RTLD_NOLOAD);
    if (!library)
        return false;
    const bool same = dlsym(library, "sqlite3_step") == reinterpret_cast<void*>(&sqlite3_step);
    dlclose(library);
    return same;
}

// The connection's SQLite handle, or null on another driver.
sqlite3* sqliteHandle(const QSqlDatabase& database) {
    if (!database.isOpen())
        raiseObjectClosed();
    const QSqlDriver* driver = database.driver();
    const QVariant handle = driver->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    static const bool usable = sharesOurSqlite(driver);
    return usable ? *static_cast<sqlite3* const*>(handle.constData()) : nullptr;
}

[[noreturn]] void raiseSqlite(sqlite3* db, int code, const QString& context) {
    raiseSqlError(QSqlError(QString(), QString::fromUtf8(sqlite3_errmsg(db)), QSqlError::StatementError,
                            QString::number(code)),
                  context);
}

struct StatementDeleter {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};

// Column names as Qt's SQLite driver gives them: without quotes or a table prefix.
QStringList sqliteNames(sqlite3_stmt* statement) {
    QStringList names;
    for (int i = 0, n = sqlite3_column_count(statement); i < n; ++i) {
        QString name = QString::fromUtf8(sqlite3_column_name(statement, i)).remove(u'"');
        names << name.mid(name.lastIndexOf(u'.') + 1);
    }
    return names;
}

void bindSqlite(sqlite3* db, sqlite3_stmt* prepared, const QVariantList& values) {
    if (sqlite3_bind_parameter_count(prepared) != values.size())
        raiseSqlError(QSqlError(QString(),
                                QStringLiteral("%1 values for %2 parameters")
                                    .arg(values.size())
                                    .arg(sqlite3_bind_parameter_count(prepared)),
                                QSqlError::StatementError, QString::number(SQLITE_RANGE)),
                      QStringLiteral("Binding the values"));
    for (int i = 0; i < values.size(); ++i) {
        const QVariant& value = values.at(i);
        int code = SQLITE_OK;
        switch (value.isNull() ? QMetaType::UnknownType : value.typeId()) {
        case QMetaType::UnknownType:
            code = sqlite3_bind_null(prepared, i + 1);
            break;
        case QMetaType::Int:
        case QMetaType::LongLong:
            code = sqlite3_bind_int64(prepared, i + 1, value.toLongLong());
            break;
        default: {
            const QByteArray text = value.toString().toUtf8();
            code = sqlite3_bind_text(prepared, i + 1, text.constData(), int(text.size()), SQLITE_TRANSIENT);
            break;
        }
        }
        if (code != SQLITE_OK)
            raiseSqlite(db, code, QStringLiteral("Binding the values"));
    }
}

std::unique_ptr<Snapshot> readSqlite(Connection& connection, sqlite3* db, const Statement& statement) {
    connection.countStatement();
    const QByteArray text = statement.text.toUtf8();
    sqlite3_stmt* prepared = nullptr;
    const char* tail = nullptr;
    const int code = sqlite3_prepare_v2(db, text.constData(), int(text.size()), &prepared, &tail);
    const std::unique_ptr<sqlite3_stmt, StatementDeleter> holder(prepared);
    if (code != SQLITE_OK)
        raiseSqlite(db, code, QStringLiteral("Executing the statement"));
    if (!prepared || !QByteArrayView(tail, text.constData() + text.size() - tail).trimmed().isEmpty())
        raiseSqlError(QSqlError(QString(),
                                prepared ? QStringLiteral("Unable to execute multiple statements at a time")
                                         : QStringLiteral("No query"),
                                QSqlError::StatementError, QString::number(SQLITE_MISUSE)),
                      QStringLiteral("Executing the statement"));
    bindSqlite(db, prepared, statement.values);
    const int width = sqlite3_column_count(prepared);
    auto snapshot = width > 0 ? std::make_unique<Snapshot>(sqliteNames(prepared)) : nullptr;
    for (;;) {
        const int step = sqlite3_step(prepared);
        if (step == SQLITE_DONE)
            return snapshot;
        if (step != SQLITE_ROW)
            raiseSqlite(db, step, QStringLiteral("读取结果"));
        if (!snapshot)
            continue;
        Cell* row = snapshot->appendRow();
        for (int i = 0; i < width; ++i) {
            Cell& cell = row[i];
            switch (sqlite3_column_type(prepared, i)) {
            case SQLITE_INTEGER:
                cell.kind = Cell::Kind::Integer;
                cell.integer = sqlite3_column_int64(prepared, i);
                break;
            case SQLITE_FLOAT:
                cell.kind = Cell::Kind::Float;
                cell.real = sqlite3_column_double(prepared, i);
                break;
            case SQLITE_TEXT: {
                const auto* utf8 = reinterpret_cast<const char*>(sqlite3_column_text(prepared, i));
                snapshot->setText(cell, QByteArrayView(utf8, sqlite3_column_bytes(prepared, i)));
                break;
            }
            case SQLITE_BLOB: {
                const auto* bytes = static_cast<const char*>(sqlite3_column_blob(prepared, i));
                snapshot->setBlob(cell, QByteArrayView(bytes, sqlite3_column_bytes(prepared, i)));
                break;
            }
            default:
                break;
            }
        }
    }
}

std::unique_ptr<Snapshot> readQuery(QSqlQuery query) {
    // An action statement has run; like any statement without rows it leaves no snapshot.
    if (!query.isSelect())
        return nullptr;
    const QSqlRecord record = query.record();
    QStringList names;
    for (int i = 0; i < record.count(); ++i)
        names << record.fieldName(i);
    auto snapshot = std::make_unique<Snapshot>(names);
    const int width = snapshot->width();
    while (query.next()) {
        Cell* row = snapshot->appendRow();
        for (int i = 0; i < width; ++i)
            snapshot->setValue(row[i], query.value(i));
    }
    if (query.lastError().isValid())
        raiseSqlError(query.lastError(), QStringLiteral("读取结果"));
    return snapshot;
}

// Qt's own binding, for the drivers that send values apart from the text (MySQL's
// prepared statements, ODBC's parameters).
QSqlQuery runPrepared(Connection& connection, const Statement& statement) {
    const QSqlDatabase database = connection.database();
    if (!database.isOpen())
        raiseObjectClosed();
    QSqlQuery query(database);
    query.setForwardOnly(true);
    connection.countStatement();
    if (!query.prepare(statement.text))
        raiseSqlError(query.lastError(), QStringLiteral("执行语句"));
    for (const QVariant& value : statement.values)
        query.addBindValue(value);
    if (!query.exec())
        raiseSqlError(query.lastError(), QStringLiteral("执行语句"));
    return query;
}

} // namespace

std::unique_ptr<Snapshot> readSnapshot(Connection& connection, const Statement& statement) {
    const QSqlDatabase database = connection.database();
    if (sqlite3* db = sqliteHandle(database))
        return readSqlite(connection, db, statement);
    if (pg_conn* pg = postgres::handle(database)) {
        connection.countStatement();
        return postgres::run(pg, statement);
    }
    return readQuery(runPrepared(connection, statement));
}

std::unique_ptr<Snapshot> readSnapshot(Connection& connection, const QString& statement) {
    if (sqlite3* db = sqliteHandle(connection.database()))
        return readSqlite(connection, db, Statement{statement, {}});
    return readQuery(connection.run(statement));
}

} // namespace wo::db
