#pragma once

#include "platform/db/Snapshot.h"
#include "platform/db/Statement.h"

#include <QString>
#include <memory>

namespace wo::db {

class Connection;

// Runs a statement on the connection with its values bound and reads its whole
// result into a snapshot; null for a statement without a result (it has run).
// Throws wo::Error with the driver's number and text when the statement fails. On
// SQLite the rows are read through the connection's own handle (when Qt's driver
// uses the system SQLite, as Debian's does), which takes a table in about the time
// the sqlite3 tool needs; on PostgreSQL through libpq (PostgresStatement.h);
// otherwise through Qt's prepared query.
std::unique_ptr<Snapshot> readSnapshot(Connection& connection, const Statement& statement);
// A host's statement text, run as it is.
std::unique_ptr<Snapshot> readSnapshot(Connection& connection, const QString& statement);

} // namespace wo::db
