#pragma once

#include "store/ClsFileOperation.h"

class QAbstractItemView;

// The store's add and delete on a window's document list: turns the documents an
// operation reports into rows of the list's model, and the list's selection into
// documents.
namespace wo::ui {

class DocumentModel;

// Appends a just-added document's row to `documents` with its cached copy, then makes
// it the current, selected and visible row of `list`.
store::ClsFileOperation::Added appendTo(DocumentModel& documents, QAbstractItemView* list);

// Deletes the list's selected documents through `operation`, taking each row out as
// its document goes; then selects and shows the first remaining row. The operation's
// result.
bool deleteSelected(store::ClsFileOperation& operation, DocumentModel& documents, QAbstractItemView* list);

} // namespace wo::ui
