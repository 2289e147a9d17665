#include "ui/common/ListItem.h"

#include <QTreeWidgetItem>

namespace wo::ui::ListItem {

namespace {
constexpr int TagRole = Qt::UserRole;
}

QTreeWidgetItem* make(const QString& number, const QString& name, const QString& type, const QString& path,
                      const QString& id) {
    auto* item = new QTreeWidgetItem(QStringList{number, name, type, path});
    item->setData(Number, TagRole, id);
    return item;
}

QTreeWidgetItem* recreate(const QTreeWidgetItem* item) {
    return make(item->text(Number), item->text(Name), item->text(Type), item->text(Path), tag(item));
}

QString tag(const QTreeWidgetItem* item) {
    return item->data(Number, TagRole).toString();
}

QString cachePath(const QTreeWidgetItem* item) {
    return item->toolTip(Number);
}

void setCachePath(QTreeWidgetItem* item, const QString& path) {
    for (int c = 0; c < ColumnCount; ++c)
        item->setToolTip(c, path);
}

} // namespace wo::ui::ListItem
