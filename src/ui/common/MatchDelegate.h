#pragma once

#include "wo_internal_export.h"

#include <QStyledItemDelegate>

namespace wo::ui {

// Draws the rows a text search marked (TextMatches::MatchRole) in bold on a pale
// highlight, the others as usual.
class WO_INTERNAL MatchDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

} // namespace wo::ui
