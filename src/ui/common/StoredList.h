#pragma once

#include "store/ClsFileOperation.h"

class QTreeWidget;

// The store's add and delete on a window's document list: turns the documents an
// operation reports into list items, and the list's selection into documents.
namespace wo::ui {

// Appends a just-added document's item to `list` with its cached copy, then makes it
// the current, selected and visible item.
store::ClsFileOperation::Added appendTo(QTreeWidget* list);

// Deletes the list's selected documents through `operation`, taking each item out
// as its document goes; then selects and shows the first remaining item. The
// operation's result.
bool deleteSelected(store::ClsFileOperation& operation, QTreeWidget* list);

} // namespace wo::ui
