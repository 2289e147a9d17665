#include "ui/common/StoredList.h"

#include "ui/common/ListItem.h"

#include <QTreeWidget>

namespace wo::ui {

namespace {

void showAsCurrent(QTreeWidget* list, QTreeWidgetItem* item) {
    list->setCurrentItem(item, 0, QItemSelectionModel::NoUpdate);
    item->setSelected(true);
    list->scrollToItem(item);
}

} // namespace

store::ClsFileOperation::Added appendTo(QTreeWidget* list) {
    return [list](const store::AddedDocument& added) {
        const record::ListedDocument& doc = added.document;
        QTreeWidgetItem* item =
            ListItem::make(QString::number(added.fileOrder), doc.name, doc.type, doc.path, doc.id);
        ListItem::setCachePath(item, added.cachePath);
        list->addTopLevelItem(item);
        showAsCurrent(list, item);
    };
}

bool deleteSelected(store::ClsFileOperation& operation, QTreeWidget* list) {
    QVector<int> rows;
    QVector<record::ListedDocument> selected;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        if (const QTreeWidgetItem* item = list->topLevelItem(i); item->isSelected()) {
            rows.append(i);
            selected.append(ListItem::document(item));
        }
    const bool done =
        operation.DelFile(selected, [&](qsizetype i) { delete list->takeTopLevelItem(rows[i]); });
    if (done && list->topLevelItemCount() > 0)
        showAsCurrent(list, list->topLevelItem(0));
    return done;
}

} // namespace wo::ui
