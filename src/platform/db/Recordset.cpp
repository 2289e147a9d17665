#include "platform/db/Recordset.h"

#include "platform/Error.h"
#include "platform/db/Connection.h"
#include "platform/db/FilterExpression.h"
#include "platform/db/SnapshotReader.h"

namespace wo::db {

struct Recordset::Data {
    // Null while the recordset is closed.
    std::unique_ptr<Snapshot> snapshot;
    // Without a filter every row is visible and `visible` stays empty.
    bool filtered = false;
    std::vector<int> visible;
    QString filter;
    // Index into the visible rows.
    int cursor = 0;
    // Per column, built the first time a filter can use it.
    std::vector<std::unique_ptr<EqualityIndex>> indexes;
    // Per column, the text last read: a column repeats its texts (types, folders,
    // records), and equal texts then share one string instead of one each.
    struct LastText {
        QByteArrayView bytes;
        QVariant value;
    };
    mutable std::vector<LastText> lastTexts;

    int count() const { return filtered ? static_cast<int>(visible.size()) : snapshot->rows(); }
    void requireOpen() const {
        if (!snapshot)
            raiseObjectClosed();
    }
    void requireCurrent() const {
        if (cursor >= count())
            throw err::make(err::NoCurrentRecord);
    }
};

Recordset::Recordset() : d(std::make_unique<Data>()) {}

Recordset::~Recordset() = default;

void Recordset::open(const Statement& source, Connection& connection) {
    close();
    keep(readSnapshot(connection, source));
}

void Recordset::open(const QString& source, Connection& connection) {
    close();
    keep(readSnapshot(connection, source));
}

void Recordset::keep(std::unique_ptr<Snapshot> snapshot) {
    if (!snapshot)
        return;
    auto data = std::make_unique<Data>();
    data->snapshot = std::move(snapshot);
    data->indexes.resize(static_cast<std::size_t>(data->snapshot->width()));
    data->lastTexts.resize(static_cast<std::size_t>(data->snapshot->width()));
    d = std::move(data);
}

void Recordset::close() {
    d = std::make_unique<Data>();
}

Recordset::State Recordset::state() const {
    return d->snapshot ? adStateOpen : adStateClosed;
}

int Recordset::recordCount() const {
    d->requireOpen();
    return d->count();
}

bool Recordset::eof() const {
    d->requireOpen();
    return d->cursor >= d->count();
}

bool Recordset::bof() const {
    d->requireOpen();
    // Moves only go forward, so the cursor is before the first row only when there is none.
    return d->count() == 0;
}

void Recordset::moveFirst() {
    d->requireOpen();
    d->cursor = 0;
    d->requireCurrent();
}

void Recordset::moveNext() {
    d->requireOpen();
    d->requireCurrent();
    ++d->cursor;
}

QVariant Recordset::field(const QString& name) const {
    return field(fieldIndex(name));
}

int Recordset::fieldIndex(const QString& name) const {
    d->requireOpen();
    const auto column = d->snapshot->columns().constFind(name.toLower());
    if (column == d->snapshot->columns().constEnd())
        throw err::make(err::ItemNotFound, name);
    return *column;
}

QVariant Recordset::field(int column) const {
    d->requireOpen();
    if (column < 0 || column >= d->snapshot->width())
        throw err::make(err::ItemNotFound, QString::number(column));
    d->requireCurrent();
    const int row = d->filtered ? d->visible[static_cast<std::size_t>(d->cursor)] : d->cursor;
    const Cell& cell = d->snapshot->row(row)[column];
    if (cell.kind != Cell::Kind::Text)
        return cell.value();
    auto& last = d->lastTexts[static_cast<std::size_t>(column)];
    if (last.value.isNull() || last.bytes != cell.view())
        last = {cell.view(), cell.value()};
    return last.value;
}

QStringList Recordset::fieldNames() const {
    return d->snapshot ? d->snapshot->names() : QStringList();
}

void Recordset::setFilter(const QString& expression) {
    d->requireOpen();
    const Snapshot& snapshot = *d->snapshot;
    std::vector<int> visible;
    if (!expression.trimmed().isEmpty()) {
        const FilterExpression filter(expression, snapshot.columns());
        if (const auto equality = filter.requiredEquality()) {
            auto& index = d->indexes[static_cast<std::size_t>(equality->column)];
            if (!index)
                index = std::make_unique<EqualityIndex>(snapshot, equality->column);
            for (const int row : index->candidates(equality->text))
                if (filter.matches(snapshot.row(row)))
                    visible.push_back(row);
        } else {
            for (int row = 0; row < snapshot.rows(); ++row)
                if (filter.matches(snapshot.row(row)))
                    visible.push_back(row);
        }
        d->filtered = true;
    } else {
        d->filtered = false;
    }
    d->visible = std::move(visible);
    d->filter = d->filtered ? expression : QString();
    d->cursor = 0;
}

QString Recordset::filter() const {
    return d->filter;
}

} // namespace wo::db
