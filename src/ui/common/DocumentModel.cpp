#include "ui/common/DocumentModel.h"

namespace wo::ui {

DocumentModel::DocumentModel(QObject* parent) : QAbstractTableModel(parent) {}

void DocumentModel::setDocuments(const QList<Document>& documents) {
    beginResetModel();
    m_rows.clear();
    m_rows.reserve(documents.size());
    for (qsizetype k = 0; k < documents.size(); ++k)
        m_rows.append(Row{QString::number(k + 1), documents.at(k), {}, LoadState::NotFetched, {}});
    endResetModel();
}

void DocumentModel::append(const QString& number, const Document& document, const QString& cachePath) {
    const int row = rowCount();
    beginInsertRows({}, row, row);
    m_rows.append(Row{
        number, document, cachePath, cachePath.isEmpty() ? LoadState::NotFetched : LoadState::Fetched, {}});
    endInsertRows();
}

void DocumentModel::remove(int row) {
    beginRemoveRows({}, row, row);
    m_rows.removeAt(row);
    endRemoveRows();
}

void DocumentModel::moveRecreated(int from, int to) {
    if (from == to || from + 1 == to)
        return;
    beginMoveRows({}, from, from, {}, to);
    Row moved = m_rows.takeAt(from);
    moved.cachePath.clear();
    moved.state = LoadState::NotFetched;
    moved.extra.clear();
    m_rows.insert(from < to ? to - 1 : to, std::move(moved));
    endMoveRows();
}

void DocumentModel::rename(int row, const QString& name) {
    m_rows[row].document.name = name;
    emit dataChanged(index(row, Name), index(row, Name));
}

const DocumentModel::Document& DocumentModel::document(int row) const {
    return m_rows.at(row).document;
}

QStringList DocumentModel::ids() const {
    QStringList ids;
    ids.reserve(m_rows.size());
    for (const Row& row : m_rows)
        ids << row.document.id;
    return ids;
}

QString DocumentModel::number(int row) const {
    return m_rows.at(row).number;
}

QString DocumentModel::cachePath(int row) const {
    return m_rows.at(row).cachePath;
}

void DocumentModel::setCachePath(int row, const QString& path) {
    Row& r = m_rows[row];
    r.cachePath = path;
    r.state = path.isEmpty() ? LoadState::NotFetched : LoadState::Fetched;
    rowChanged(row);
}

LoadState DocumentModel::loadState(int row) const {
    return m_rows.at(row).state;
}

void DocumentModel::setLoadState(int row, LoadState state) {
    if (m_rows.at(row).state == state)
        return;
    m_rows[row].state = state;
    rowChanged(row);
}

void DocumentModel::rowChanged(int row) {
    emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

int DocumentModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

int DocumentModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant DocumentModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const Row& r = m_rows.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        switch (index.column()) {
        case Number:
            return r.number;
        case Name:
            return r.document.name;
        case Type:
            return r.document.type;
        default:
            return r.document.path;
        }
    case Qt::ToolTipRole:
        return r.cachePath.isEmpty() ? QVariant() : QVariant(r.cachePath);
    case IdRole:
        return r.document.id;
    case CachePathRole:
        return r.cachePath;
    case LoadStateRole:
        return QVariant::fromValue(r.state);
    default:
        return r.extra.value(role);
    }
}

bool DocumentModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role < FirstExtraRole ||
        !checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return false;
    m_rows[index.row()].extra.insert(role, value);
    rowChanged(index.row());
    return true;
}

} // namespace wo::ui
