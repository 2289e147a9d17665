#include "ui/common/StoredList.h"

#include "ui/common/DocumentList.h"
#include "ui/common/DocumentModel.h"

#include <QAbstractItemView>

namespace wo::ui {

namespace {

void showAsCurrent(QAbstractItemView* list, int row) {
    setCurrentRow(list, row, false);
    setRowSelected(list, row, true);
    scrollToRow(list, row);
}

} // namespace

store::ClsFileOperation::Added appendTo(DocumentModel& documents, QAbstractItemView* list) {
    return [&documents, list](const store::AddedDocument& added) {
        documents.append(QString::number(added.fileOrder), added.document, added.cachePath);
        showAsCurrent(list, documents.rowCount() - 1);
    };
}

bool deleteSelected(store::ClsFileOperation& operation, DocumentModel& documents, QAbstractItemView* list) {
    const QList<int> rows = selectedRows(list);
    QVector<DocumentModel::Document> selected;
    for (int row : rows)
        selected.append(documents.document(row));
    // The operation reports the documents it removed from the last to the first, so
    // the rows before each one still stand where they stood.
    const bool done = operation.DelFile(selected, [&](qsizetype i) { documents.remove(rows[i]); });
    if (done && documents.rowCount() > 0)
        showAsCurrent(list, 0);
    return done;
}

} // namespace wo::ui
