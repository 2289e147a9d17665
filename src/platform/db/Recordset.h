#pragma once

#include "platform/db/Statement.h"
#include "wo_internal_export.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <vector>

namespace wo::db {

class Connection;
class FilterExpression;
class Snapshot;

// A client-side static snapshot of a query's result: every row is fetched when it
// opens; afterwards nothing goes to the database. A filter narrows the visible
// rows in memory.
class WO_INTERNAL Recordset {
public:
    enum State { adStateClosed = 0, adStateOpen = 1 };

    Recordset();
    ~Recordset();
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    // Runs the statement on the connection, its values bound, and keeps the whole
    // result. Throws wo::Error with the driver's number when the statement fails.
    void open(const Statement& source, Connection& connection);
    // The same for a host's statement text, run as it is.
    void open(const QString& source, Connection& connection);
    void close();
    State state() const;

    // Rows visible through the current filter.
    int recordCount() const;
    bool eof() const;
    bool bof() const;
    void moveFirst();
    void moveNext();

    // Value of a field of the current row, found by name without regard to case.
    // Throws wo::Error 3265 for an unknown name, 3021 when there is no current row.
    QVariant field(const QString& name) const;
    // The column of a field, found as field() finds it, for reading many rows by ordinal.
    int fieldIndex(const QString& name) const;
    // Throws wo::Error 3265 for a column out of range, 3021 when there is no current row.
    QVariant field(int column) const;
    QStringList fieldNames() const;

    // Sets the filter expression ("" removes it) and moves to the first visible
    // row. Throws wo::Error with a clear text for a malformed expression; the
    // previous filter then stays. When the expression holds an equality on a field
    // joined to the rest with And ("ID = 'x' And RecordId <> 'y'"), the first such
    // filter indexes the snapshot by that field, once; later ones on the field cost
    // time in the rows that match it, not in the table. The rows are those a scan finds.
    void setFilter(const QString& expression);
    QString filter() const;

private:
    // Takes the result of an open; a statement without rows leaves the recordset closed.
    void keep(std::unique_ptr<Snapshot> snapshot);

    struct Data;
    std::unique_ptr<Data> d;
};

} // namespace wo::db
