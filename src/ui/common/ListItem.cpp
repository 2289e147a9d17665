#include "ui/common/ListItem.h"

#include <QTreeWidgetItem>
#include <array>

namespace wo::ui::ListItem {

namespace {

constexpr int TagRole = Qt::UserRole;

// A list row that keeps its texts, tag and cached path as plain strings rather
// than a value per column and role: a record of thousands of documents loads in
// a fraction of the time. Other roles are kept as any item keeps them.
class DocumentItem final : public QTreeWidgetItem {
public:
    DocumentItem(const std::array<QString, ColumnCount>& texts, const QString& id)
        : QTreeWidgetItem(UserType), m_texts(texts), m_id(id) {}

    QVariant data(int column, int role) const override {
        if (column < 0 || column >= ColumnCount)
            return QTreeWidgetItem::data(column, role);
        switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            return m_texts[size_t(column)];
        case Qt::ToolTipRole:
            return m_cache.isEmpty() ? QVariant() : QVariant(m_cache);
        case TagRole:
            if (column == Number)
                return m_id;
            break;
        default:
            break;
        }
        return QTreeWidgetItem::data(column, role);
    }

    void setData(int column, int role, const QVariant& value) override {
        if (column < 0 || column >= ColumnCount ||
            !(role == Qt::DisplayRole || role == Qt::EditRole || role == Qt::ToolTipRole ||
              (role == TagRole && column == Number))) {
            QTreeWidgetItem::setData(column, role, value);
            return;
        }
        QString& slot = role == Qt::ToolTipRole ? m_cache : role == TagRole ? m_id : m_texts[size_t(column)];
        slot = value.toString();
        emitDataChanged();
    }

    QTreeWidgetItem* clone() const override {
        auto* copy = new DocumentItem(m_texts, m_id);
        copy->m_cache = m_cache;
        return copy;
    }

private:
    std::array<QString, ColumnCount> m_texts;
    QString m_id;
    // One cached path for the whole row: its tooltip in every column.
    QString m_cache;
};

} // namespace

QTreeWidgetItem* make(const QString& number, const QString& name, const QString& type, const QString& path,
                      const QString& id) {
    return new DocumentItem({number, name, type, path}, id);
}

QTreeWidgetItem* recreate(const QTreeWidgetItem* item) {
    return make(item->text(Number), item->text(Name), item->text(Type), item->text(Path), tag(item));
}

QString tag(const QTreeWidgetItem* item) {
    return item->data(Number, TagRole).toString();
}

record::ListedDocument document(const QTreeWidgetItem* item) {
    return {tag(item), item->text(Name), item->text(Type), item->text(Path)};
}

QString cachePath(const QTreeWidgetItem* item) {
    return item->toolTip(Number);
}

void setCachePath(QTreeWidgetItem* item, const QString& path) {
    // A document row keeps one tooltip for all its columns.
    item->setToolTip(Number, path);
}

} // namespace wo::ui::ListItem
