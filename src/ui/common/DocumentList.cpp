#include "ui/common/DocumentList.h"

#include "ui/common/DocumentModel.h"
#include "ui/common/Twips.h"

#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTreeView>
#include <algorithm>

namespace wo::ui {

namespace {

// Each window titles the shared model's columns its own way.
class ColumnHeaders final : public QIdentityProxyModel {
public:
    ColumnHeaders(DocumentModel* model, const QStringList& headers, Qt::Alignment nameHeader, QObject* parent)
        : QIdentityProxyModel(parent), m_headers(headers), m_nameHeader(nameHeader) {
        setSourceModel(model);
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || section < 0 || section >= m_headers.size())
            return QIdentityProxyModel::headerData(section, orientation, role);
        if (role == Qt::DisplayRole)
            return m_headers.at(section);
        if (role == Qt::TextAlignmentRole && section == DocumentModel::Name)
            return QVariant::fromValue(m_nameHeader);
        return {};
    }

private:
    QStringList m_headers;
    Qt::Alignment m_nameHeader;
};

QModelIndex rowIndex(const QAbstractItemView* list, int row) {
    return list->model()->index(row, 0);
}

} // namespace

void setUpDocumentList(QTreeView* list, DocumentModel* model, const QStringList& headers, int numberWidth,
                       int nameWidth, const QWidget* window, Qt::Alignment nameHeader) {
    list->setModel(new ColumnHeaders(model, headers, nameHeader, list));
    list->setColumnWidth(DocumentModel::Number, twips(numberWidth, window));
    list->setColumnWidth(DocumentModel::Name, twips(nameWidth, window));
    list->setColumnHidden(DocumentModel::Type, true);
    list->setColumnHidden(DocumentModel::Path, true);
    list->header()->setStretchLastSection(false);
    // The name takes what the sequence number leaves, so the list never scrolls sideways
    // and its first column stays in view.
    list->header()->setSectionResizeMode(DocumentModel::Name, QHeaderView::Stretch);
    list->setRootIsDecorated(false);
    list->setItemsExpandable(false);
    list->setUniformRowHeights(true);
    list->setAllColumnsShowFocus(true);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
}

int currentRow(const QAbstractItemView* list) {
    const QModelIndex current = list->currentIndex();
    return current.isValid() ? current.row() : -1;
}

void setCurrentRow(QAbstractItemView* list, int row, bool select) {
    const QModelIndex index = row < 0 ? QModelIndex() : rowIndex(list, row);
    if (select)
        list->setCurrentIndex(index);
    else
        list->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
}

bool isRowSelected(const QAbstractItemView* list, int row) {
    return list->selectionModel()->isRowSelected(row, {});
}

void setRowSelected(QAbstractItemView* list, int row, bool selected) {
    list->selectionModel()->select(rowIndex(list, row),
                                   (selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) |
                                       QItemSelectionModel::Rows);
}

QList<int> selectedRows(const QAbstractItemView* list) {
    QList<int> rows;
    for (const QModelIndex& index : list->selectionModel()->selectedRows())
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    return rows;
}

void scrollToRow(QAbstractItemView* list, int row) {
    list->scrollTo(rowIndex(list, row));
}

int rowAt(const QAbstractItemView* list, const QPoint& at) {
    const QModelIndex index = list->indexAt(at);
    return index.isValid() ? index.row() : -1;
}

namespace {

class KeyMoves final : public QObject {
public:
    KeyMoves(QAbstractItemView* list, std::function<void(int)> moved)
        : QObject(list), m_list(list), m_moved(std::move(moved)) {
        list->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease)
            return QObject::eventFilter(watched, event);
        const int key = static_cast<QKeyEvent*>(event)->key();
        const bool moves = key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp ||
                           key == Qt::Key_PageDown || key == Qt::Key_Home || key == Qt::Key_End;
        // The view moves its current row between the key's press and its release.
        if (moves && event->type() == QEvent::KeyPress) {
            m_before = m_list->currentIndex();
        } else if (moves && m_list->currentIndex() != m_before) {
            m_before = m_list->currentIndex();
            if (m_before.isValid())
                m_moved(m_before.row());
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QAbstractItemView* m_list;
    std::function<void(int)> m_moved;
    QPersistentModelIndex m_before;
};

class EmptyDoubleClick final : public QObject {
public:
    EmptyDoubleClick(QAbstractItemView* list, std::function<void()> act)
        : QObject(list), m_list(list), m_act(std::move(act)) {
        list->viewport()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonDblClick &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
            rowAt(m_list, static_cast<QMouseEvent*>(event)->position().toPoint()) < 0)
            m_act();
        return QObject::eventFilter(watched, event);
    }

private:
    QAbstractItemView* m_list;
    std::function<void()> m_act;
};

} // namespace

void onKeyMove(QAbstractItemView* list, std::function<void(int)> moved) {
    new KeyMoves(list, std::move(moved));
}

void onEmptyDoubleClick(QAbstractItemView* list, std::function<void()> act) {
    new EmptyDoubleClick(list, std::move(act));
}

} // namespace wo::ui
