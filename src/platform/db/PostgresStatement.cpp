#include "platform/db/PostgresStatement.h"

#include "platform/Error.h"
#include "platform/db/Connection.h"

#include <QSqlDriver>
#include <QSqlError>
#include <libpq-fe.h>
#include <vector>

namespace wo::db::postgres {

namespace {

// Type identifiers of pg_type that read as numbers or bytes, as Qt's driver reads them.
enum : Oid {
    kBool = 16,
    kBytea = 17,
    kInt8 = 20,
    kInt2 = 21,
    kInt4 = 23,
    kOid = 26,
    kFloat4 = 700,
    kFloat8 = 701,
    kNumeric = 1700
};

struct ResultDeleter {
    void operator()(PGresult* result) const { PQclear(result); }
};
using Result = std::unique_ptr<PGresult, ResultDeleter>;

// The text with its n-th ? written as $n.
QByteArray numbered(const QString& text) {
    const QList<QStringView> parts = QStringView(text).split(u'?');
    QByteArray out = parts.front().toUtf8();
    for (qsizetype n = 1; n < parts.size(); ++n)
        out += '$' + QByteArray::number(n) + parts.at(n).toUtf8();
    return out;
}

[[noreturn]] void raise(const PGresult* result, pg_conn* connection) {
    const char* state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    const QString code = state ? QString::fromLatin1(state) : QString();
    QString text = QString::fromUtf8(result ? PQresultErrorMessage(result) : PQerrorMessage(connection));
    text = text.trimmed();
    // As Qt's driver words it, so that errors read alike on either path.
    if (!code.isEmpty())
        text += u'(' + code + u')';
    raiseSqlError(QSqlError(QString(), text, QSqlError::StatementError, code), QStringLiteral("执行语句"));
}

void setCell(Snapshot& snapshot, Cell& cell, const PGresult* result, int row, int column) {
    if (PQgetisnull(result, row, column))
        return;
    const char* text = PQgetvalue(result, row, column);
    const QByteArrayView bytes(text, PQgetlength(result, row, column));
    switch (PQftype(result, column)) {
    case kInt2:
    case kInt4:
    case kInt8:
    case kOid:
        cell.kind = Cell::Kind::Integer;
        cell.integer = bytes.toLongLong();
        return;
    case kFloat4:
    case kFloat8:
    case kNumeric:
        cell.kind = Cell::Kind::Float;
        cell.real = bytes.toDouble();
        return;
    case kBool:
        snapshot.setValue(cell, QVariant(bytes == "t"));
        return;
    case kBytea: {
        size_t size = 0;
        unsigned char* raw = PQunescapeBytea(reinterpret_cast<const unsigned char*>(text), &size);
        snapshot.setBlob(cell, QByteArrayView(reinterpret_cast<const char*>(raw), qsizetype(size)));
        PQfreemem(raw);
        return;
    }
    default:
        snapshot.setText(cell, bytes);
        return;
    }
}

} // namespace

pg_conn* handle(const QSqlDatabase& database) {
    if (!database.isOpen())
        raiseObjectClosed();
    if (database.driverName() != QLatin1String("QPSQL"))
        return nullptr;
    // Qt names the type after the struct or after libpq's typedef, by version.
    const QVariant handle = database.driver()->handle();
    if (!handle.isValid() ||
        (qstrcmp(handle.typeName(), "pg_conn*") != 0 && qstrcmp(handle.typeName(), "PGconn*") != 0))
        throw Error(err::ProviderError,
                    QStringLiteral("PostgreSQL 驱动没有交出 libpq 连接（%1），无法绑定参数")
                        .arg(QString::fromLatin1(handle.typeName())));
    return *static_cast<PGconn* const*>(handle.constData());
}

std::unique_ptr<Snapshot> run(pg_conn* connection, const Statement& statement) {
    std::vector<QByteArray> texts;
    std::vector<const char*> values;
    texts.reserve(std::size_t(statement.values.size()));
    for (const QVariant& value : statement.values) {
        texts.push_back(value.isNull() ? QByteArray() : value.toString().toUtf8());
        values.push_back(value.isNull() ? nullptr : texts.back().constData());
    }
    // Types are left to the server, which reads each value as its column's type.
    const Result result(PQexecParams(connection, numbered(statement.text).constData(), int(values.size()),
                                     nullptr, values.data(), nullptr, nullptr, 0));
    const ExecStatusType status = result ? PQresultStatus(result.get()) : PGRES_FATAL_ERROR;
    if (status == PGRES_COMMAND_OK)
        return nullptr;
    if (status != PGRES_TUPLES_OK)
        raise(result.get(), connection);
    const int width = PQnfields(result.get());
    QStringList names;
    for (int i = 0; i < width; ++i)
        names << QString::fromUtf8(PQfname(result.get(), i));
    auto snapshot = std::make_unique<Snapshot>(names);
    for (int r = 0, rows = PQntuples(result.get()); r < rows; ++r) {
        Cell* row = snapshot->appendRow();
        for (int i = 0; i < width; ++i)
            setCell(*snapshot, row[i], result.get(), r, i);
    }
    return snapshot;
}

} // namespace wo::db::postgres
