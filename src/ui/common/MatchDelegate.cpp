#include "ui/common/MatchDelegate.h"

#include "ui/common/TextMatches.h"

namespace wo::ui {

void MatchDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    // The mark is kept on the row's first column and shown across the row.
    if (!index.siblingAtColumn(0).data(TextMatches::MatchRole).toBool())
        return;
    option->font.setBold(true);
    option->backgroundBrush = QColor(255, 243, 176);
}

} // namespace wo::ui
