#pragma once
// Internal to the grid operations: which merged range covers each cell, built once
// per operation so that a lookup costs O(1) instead of a walk over every range.

#include "store/grid.h"

#include <QList>
#include <vector>

namespace rastrova::editor::gridops_detail {

class RangeIndex {
public:
    explicit RangeIndex(const store::Grid& grid);

    // Position in grid.ranges() of the range covering (c, r); -1 for a cell alone.
    int rangeAt(int c, int r) const { return owner_[size_t(r) * size_t(cols_) + size_t(c)]; }
    // The range covering (c, r), or the cell alone.
    store::Range regionAt(int c, int r) const;
    bool isTopLeft(int c, int r) const;
    bool isCovered(int c, int r) const { return !isTopLeft(c, r); }

private:
    const QList<store::Range>& ranges_;
    int cols_;
    std::vector<int> owner_;
};

// Replaces the grid's merged ranges. The ranges must fit the grid and must not
// overlap; single cells are left out.
void replaceRanges(store::Grid& grid, QList<store::Range> ranges);

} // namespace rastrova::editor::gridops_detail
