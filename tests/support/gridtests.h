#pragma once
// Grids for the tests of the grid operations and the grid-table file.

#include "store/gridfile.h"
#include "testfiles.h"

#include <gtest/gtest.h>
#include <ostream>

namespace rastrova::store {
// Shows ranges readably in failure messages.
inline void PrintTo(const Range& g, std::ostream* os)
{
    *os << '(' << g.left << ',' << g.top << ")-(" << g.right << ',' << g.bottom << ')';
}
} // namespace rastrova::store

namespace gridtests {

// A new blank widened to `cols` data columns and `rows` data rows.
inline rastrova::store::Grid blank(int cols, int rows)
{
    rastrova::store::Grid g = rastrova::store::freshBlankGrid();
    g.resize(cols + 1, rows + 1);
    return g;
}

// The grid as its file holds it: two grids are the same blank when these are equal.
inline QByteArray bytesOf(const rastrova::store::Grid& g)
{
    QByteArray out;
    const rastrova::Status st = rastrova::store::gridTableBytes(g, out);
    EXPECT_TRUE(st) << st.message().toStdString();
    return out;
}

} // namespace gridtests
