#pragma once

#include "wo_internal_export.h"

#include <QList>
#include <QStringList>
#include <functional>

class QAbstractItemView;
class QPoint;
class QTreeView;
class QWidget;

// A window's report-style list of a record's documents, shown through a view of the
// shared document model, and the row-wise reading and driving of such a view.
namespace wo::ui {

class DocumentModel;

// Shows `model` in `list` with the given column headers (the name's header aligned as
// given), number and name widths in twips, type and path hidden.
WO_INTERNAL void setUpDocumentList(QTreeView* list, DocumentModel* model, const QStringList& headers,
                                   int numberWidth, int nameWidth, const QWidget* window,
                                   Qt::Alignment nameHeader = Qt::AlignLeft);

// The view's current row; -1 when it has none.
WO_INTERNAL int currentRow(const QAbstractItemView* list);
// Makes `row` current; `select` as the view's own setCurrentIndex would choose when
// true, else the selection stays as it is.
WO_INTERNAL void setCurrentRow(QAbstractItemView* list, int row, bool select = true);
WO_INTERNAL bool isRowSelected(const QAbstractItemView* list, int row);
WO_INTERNAL void setRowSelected(QAbstractItemView* list, int row, bool selected);
// The selected rows, in list order.
WO_INTERNAL QList<int> selectedRows(const QAbstractItemView* list);
void scrollToRow(QAbstractItemView* list, int row);
// The row at a point of the view's viewport; -1 over empty space.
WO_INTERNAL int rowAt(const QAbstractItemView* list, const QPoint& at);

// Calls `moved` with the list's new current row each time a key (arrows, page keys,
// Home, End) moves it, so that moving through a list with the keys shows what a
// click shows. Lives as long as the list.
void onKeyMove(QAbstractItemView* list, std::function<void(int)> moved);

// Calls `act` on a double-click on the list's empty space, below or beside its rows,
// which the list's own double-click signal leaves out.
void onEmptyDoubleClick(QAbstractItemView* list, std::function<void()> act);

} // namespace wo::ui
