#pragma once

#include "wo_internal_export.h"

#include <QList>
#include <optional>

namespace wo::ui {

// The rows the list window's up and down commands carry: from the first to the last
// selected row, with the unselected rows between them. 1-based, as nFirstSelected and
// nLastSelected; nothing selected gives first = row count + 1 and last = 0.
struct MoveBlock {
    int first = 0;
    int last = 0;
    bool operator==(const MoveBlock&) const = default;
};

WO_INTERNAL MoveBlock moveBlockOf(int rowCount, const QList<int>& selectedRows);

enum class MoveDirection { Up, Down };

// One step of a block: the neighbour row at index `from` is inserted again at index
// `to` (counted before it is removed), and the block then lies at `block`. Indexes
// are 0-based; the block's rows themselves are left in place.
struct NeighbourMove {
    int from = 0;
    int to = 0;
    MoveBlock block;
};

// None when nothing is selected or the block already starts (Up) or ends (Down) the list.
WO_INTERNAL std::optional<NeighbourMove> moveBlock(const MoveBlock& block, int rowCount,
                                                   MoveDirection direction);

} // namespace wo::ui
