#include "platform/db/Recordset.h"

#include "platform/Error.h"
#include "platform/db/Connection.h"
#include "platform/db/FilterExpression.h"

#include <QHash>
#include <QSqlError>
#include <QSqlRecord>

namespace wo::db {

struct Recordset::Data {
    bool open = false;
    QStringList names;
    // Lower-case field name → column.
    QHash<QString, int> columns;
    // Row after row, one value per column.
    std::vector<QVariant> values;
    int rows = 0;
    // Without a filter every row is visible and `visible` stays empty.
    bool filtered = false;
    std::vector<int> visible;
    QString filter;
    // Index into the visible rows.
    int cursor = 0;
    // Per column, built the first time a filter can use it.
    std::vector<std::unique_ptr<EqualityIndex>> indexes;

    int count() const { return filtered ? static_cast<int>(visible.size()) : rows; }
    const QVariant* row(int r) const {
        return values.data() + static_cast<std::size_t>(r) * static_cast<std::size_t>(names.size());
    }
    void requireOpen() const {
        if (!open)
            raiseObjectClosed();
    }
    void requireCurrent() const {
        if (cursor >= count())
            throw Error(3021,
                        QStringLiteral("Either BOF or EOF is True, or the current record has been deleted. "
                                       "Requested operation requires a current record."));
    }
};

Recordset::Recordset() : d(std::make_unique<Data>()) {}

Recordset::~Recordset() = default;

void Recordset::open(const QString& source, Connection& connection) {
    close();
    QSqlQuery query = connection.run(source);
    // An action statement has run; like any statement without rows it leaves the recordset closed.
    if (!query.isSelect())
        return;
    auto data = std::make_unique<Data>();
    const QSqlRecord record = query.record();
    const int width = record.count();
    for (int i = 0; i < width; ++i) {
        data->names << record.fieldName(i);
        const QString key = record.fieldName(i).toLower();
        if (!data->columns.contains(key))
            data->columns.insert(key, i);
    }
    if (query.size() > 0)
        data->values.reserve(static_cast<std::size_t>(query.size()) * static_cast<std::size_t>(width));
    while (query.next()) {
        for (int i = 0; i < width; ++i)
            data->values.push_back(query.value(i));
        ++data->rows;
    }
    if (query.lastError().isValid())
        raiseSqlError(query.lastError(), QStringLiteral("Reading the result"));
    data->indexes.resize(static_cast<std::size_t>(width));
    data->open = true;
    d = std::move(data);
}

void Recordset::close() {
    d = std::make_unique<Data>();
}

Recordset::State Recordset::state() const {
    return d->open ? adStateOpen : adStateClosed;
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
    d->requireOpen();
    const auto column = d->columns.constFind(name.toLower());
    if (column == d->columns.constEnd())
        throw Error(
            err::ItemNotFound,
            QStringLiteral("Item cannot be found in the collection corresponding to the requested name or "
                           "ordinal."));
    d->requireCurrent();
    const int row = d->filtered ? d->visible[static_cast<std::size_t>(d->cursor)] : d->cursor;
    return d->row(row)[*column];
}

QStringList Recordset::fieldNames() const {
    return d->names;
}

void Recordset::setFilter(const QString& expression) {
    d->requireOpen();
    std::vector<int> visible;
    if (!expression.trimmed().isEmpty()) {
        const FilterExpression filter(expression, d->columns);
        if (const auto equality = filter.requiredEquality()) {
            auto& index = d->indexes[static_cast<std::size_t>(equality->column)];
            if (!index)
                index = std::make_unique<EqualityIndex>(d->values, static_cast<int>(d->names.size()),
                                                        equality->column);
            for (const int row : index->candidates(equality->text))
                if (filter.matches(d->row(row)))
                    visible.push_back(row);
        } else {
            for (int row = 0; row < d->rows; ++row)
                if (filter.matches(d->row(row)))
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
