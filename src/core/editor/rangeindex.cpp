#include "editor/rangeindex.h"

#include <algorithm>

namespace rastrova::editor::gridops_detail {

using store::Range;

RangeIndex::RangeIndex(const store::Grid& grid)
    : ranges_(grid.ranges()), cols_(grid.colCount()),
      owner_(size_t(grid.colCount()) * size_t(grid.rowCount()), -1)
{
    // The grid keeps its ranges inside itself and apart from each other, so every
    // cell is written at most once: O(cells) in all.
    for (qsizetype i = 0; i < ranges_.size(); ++i) {
        const Range& g = ranges_[i];
        for (int r = g.top; r <= g.bottom; ++r)
            for (int c = g.left; c <= g.right; ++c)
                owner_[size_t(r) * size_t(cols_) + size_t(c)] = int(i);
    }
}

Range RangeIndex::regionAt(int c, int r) const
{
    const int i = rangeAt(c, r);
    return i < 0 ? Range{c, r, c, r} : ranges_[i];
}

bool RangeIndex::isTopLeft(int c, int r) const
{
    const int i = rangeAt(c, r);
    return i < 0 || (ranges_[i].left == c && ranges_[i].top == r);
}

void replaceRanges(store::Grid& grid, QList<Range> ranges)
{
    ranges.removeIf([](const Range& g) { return g.isSingleCell(); });
    // Added from the last to the first in the grid's own order, each one lands at
    // the front of the list at once.
    std::sort(ranges.begin(), ranges.end(), [](const Range& a, const Range& b) {
        return a.left != b.left ? a.left > b.left : a.top > b.top;
    });
    grid.clearRanges();
    for (const Range& g : ranges)
        grid.addRange(g);
}

} // namespace rastrova::editor::gridops_detail
