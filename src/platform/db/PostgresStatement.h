#pragma once

#include "platform/db/Snapshot.h"
#include "platform/db/Statement.h"

#include <QSqlDatabase>
#include <memory>

struct pg_conn;

namespace wo::db {

class Connection;

// Bound statements on PostgreSQL go through the connection's own libpq handle with
// their values as parameters. Qt's driver "binds" by writing the values into an
// EXECUTE statement, escaped for the string syntax the server had when the
// connection opened; a host that later sets standard_conforming_strings=off would
// turn a backslash in a value into an escape.
namespace postgres {

// The connection's libpq handle, or null on another driver. Throws wo::Error when
// Qt's PostgreSQL driver does not hand one out: values are never spliced instead.
pg_conn* handle(const QSqlDatabase& database);

// Runs the statement with its values bound; the rows of its result, or null for a
// statement without rows. Throws wo::Error with the SQLSTATE and the server's text.
std::unique_ptr<Snapshot> run(pg_conn* connection, const Statement& statement);

} // namespace postgres
} // namespace wo::db
