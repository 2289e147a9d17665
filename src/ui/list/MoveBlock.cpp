#include "ui/list/MoveBlock.h"

#include <algorithm>

namespace wo::ui {

MoveBlock moveBlockOf(int rowCount, const QList<int>& selectedRows) {
    MoveBlock block{rowCount + 1, 0};
    for (const int row : selectedRows) {
        block.first = std::min(block.first, row + 1);
        block.last = std::max(block.last, row + 1);
    }
    return block;
}

std::optional<NeighbourMove> moveBlock(const MoveBlock& block, int rowCount, MoveDirection direction) {
    if (block.last == 0)
        return std::nullopt;
    if (direction == MoveDirection::Up) {
        if (block.first <= 1)
            return std::nullopt;
        // The row above goes just below the block.
        return NeighbourMove{block.first - 2, block.last, {block.first - 1, block.last - 1}};
    }
    if (block.last >= rowCount)
        return std::nullopt;
    // The row below goes just above the block.
    return NeighbourMove{block.last, block.first - 1, {block.first + 1, block.last + 1}};
}

} // namespace wo::ui
