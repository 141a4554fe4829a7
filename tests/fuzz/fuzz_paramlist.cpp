// Parameter-list files (".par") from arbitrary bytes, read as the list reads its
// file: the grid-table reader (with fewer cells, below), into the empty list's
// grid, then the list's own rules. Nothing may crash, and the list taken must
// hang together:
//   - six columns at least, one fixed column and row, row heights kept;
//   - an empty list is the header and one hidden row; a list that is not empty
//     shows its first row, and its count is its rows less the header, the count
//     the archive check uses too;
//   - every data row has the "Цел." check box at the left;
//   - leaving a row leaves p in 0..9 and q in 0..6 (or empty, and both empty for
//     a fixed code), and leaving it again changes nothing;
//   - the list written and read back is the same list, and writes the same file;
//   - a parameter appended and removed again leaves the count as it was.

#include "editor/paramlist.h"
#include "store/gridfile.h"

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

using rastrova::editor::ParameterList;
using namespace rastrova::store;

namespace {

// The list file's own limits, but fewer cells: a few bytes can ask for a quarter of
// a million cells, and an execution would then cost tens of megabytes. The
// reader takes the same path at any size; larger grids are refused up front.
// 1024 cells are some 170 parameters, far more than a blank's list holds. At 4096
// cells a grid takes a megabyte, which the sanitizer's allocator maps and unmaps
// afresh each time, and the rate fell to about a hundred a second.
constexpr GridLimits kFuzzedListLimits{kAnyGridLimits.maxCols, kAnyGridLimits.maxRows, 1024};

[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "fuzz_paramlist: %s\n", what);
    std::abort();
}

void check(bool ok, const char* what)
{
    if (!ok)
        fail(what);
}

bool inRange(const QString& text, int max)
{
    if (text.isEmpty())
        return true;
    bool ok = false;
    const int v = text.toInt(&ok);
    return ok && v >= 0 && v <= max && text == QString::number(v);
}

void checkList(const ParameterList& list)
{
    const Grid& g = list.grid();
    check(g.colCount() >= ParameterList::kColumns && g.rowCount() >= 2,
          "the list is smaller than its columns");
    check(g.fixedCols() == 1 && g.fixedRows() == 1, "the list does not have one fixed column and row");
    check(!g.autoRowHeights(), "the list does not keep its row heights");
    if (list.isEmpty()) {
        check(g.rowCount() == 2 && list.isRowHidden(1), "an empty list is not a header and a hidden row");
        check(list.count() == 0, "an empty list counts parameters");
    } else {
        check(!list.isRowHidden(1), "the first parameter of a list is hidden");
        check(list.count() == g.rowCount() - 1, "the count is not the rows less the header");
    }
    check(list.archiveCheckCount() == list.count(), "the archive check counts other parameters");
    for (int r = 1; r < g.rowCount(); ++r) {
        const auto& box = g.cell(ParameterList::IntegerColumn, r).checkBox;
        check(box.has_value() && box->alignment == rastrova::editor::kAlignLeft,
              "a data row has no check box at the left");
    }
    check(list.code(0).isEmpty() && list.code(list.count() + 1).isEmpty(),
          "a parameter outside the list has a code");
    for (int n = 1; n <= list.count(); ++n) {
        (void)list.name(n);
        (void)list.isInteger(n);
        (void)rastrova::editor::codeKind(list.code(n));
        (void)rastrova::editor::archiveNumber(list.code(n), 0);
        (void)rastrova::editor::archiveNumber(list.code(n), 1);
        (void)rastrova::editor::currentValueAddress(list.code(n));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));

    Grid grid = ParameterList().grid();
    if (!parseGridTable(bytes, grid, kFuzzedListLimits))
        return 0;
    ParameterList list;
    list.setGrid(std::move(grid));
    checkList(list);

    // The written list reads back as the same list.
    QByteArray first;
    if (!gridTableBytes(list.grid(), first))
        fail("a list read from a file cannot be written");
    Grid again = ParameterList().grid();
    if (!parseGridTable(first, again, kAnyGridLimits))
        fail("a written list does not read back");
    ParameterList back;
    back.setGrid(std::move(again));
    check(back.grid() == list.grid(), "a written list reads back as another list");
    QByteArray second;
    check(gridTableBytes(back.grid(), second) && second == first, "a written list writes another file");

    // Leaving each row.
    for (int n = 1; n <= list.count() && n <= 300; ++n) {
        list.normaliseFormat(n);
        const QString p = list.p(n), q = list.q(n);
        if (rastrova::editor::isFixedCode(list.code(n)))
            check(p.isEmpty() && q.isEmpty(), "a fixed code keeps a format");
        check(inRange(p, 9), "p is outside 0..9");
        check(inRange(q, 6), "q is outside 0..6");
        check(!list.normaliseFormat(n), "leaving a row twice changes it twice");
    }

    const int count = list.count();
    const int n = list.append(QStringLiteral("#4015"), QStringLiteral("Время"));
    check(n == count + 1 && list.count() == count + 1 && list.code(n) == u"#4015",
          "an appended parameter is not last");
    checkList(list);
    check(list.removeLast() && list.count() == count, "removing the appended parameter leaves another count");
    checkList(list);
    return 0;
}
