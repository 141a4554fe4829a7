#pragma once
// The largest blank the benchmarks time: every column 64 pixels (8 characters)
// wide, every cell framed (inner border width 2, colour 0) and holding a
// reference "@n" to one of the 10 parameters of its list ("#4010".."#4019"),
// n cycling 1..10.

#include "editor/paramlist.h"
#include "store/blank.h"

#include <QString>

namespace largeblank {

constexpr int kParameters = 10;
constexpr int kColumnWidth = 64;

inline rastrova::store::BlankDocument framedBlank(int columns, int rows)
{
    rastrova::store::BlankDocument blank;
    rastrova::store::Grid& g = blank.grid;
    g.resize(columns + 1, rows + 1);
    for (int c = 1; c <= columns; ++c)
        g.setColWidth(c, kColumnWidth);
    int n = 0;
    for (int r = 1; r <= rows; ++r)
        for (int c = 1; c <= columns; ++c) {
            g.setText(c, r, QStringLiteral("@%1").arg(n % kParameters + 1));
            g.cell(c, r).inner = rastrova::store::Border{0, 2};
            ++n;
        }
    return blank;
}

inline rastrova::editor::ParameterList parameterList()
{
    rastrova::editor::ParameterList list;
    for (int i = 0; i < kParameters; ++i)
        list.append(QStringLiteral("#40%1").arg(0x10 + i, 2, 16, QLatin1Char('0')).toUpper(),
                    QStringLiteral("Параметр %1").arg(i + 1));
    return list;
}

} // namespace largeblank
