#pragma once
// In-place editing of a blank cell and the check of a cell of the archive start
// row: a cell right of the archive start mark may hold only a reference to an
// hourly or daily archive value, "@" + parameter number, and all the references
// of a row name the same kind of archive.

#include "store/grid.h"

#include <QString>
#include <QStringView>

namespace rastrova::editor {

// What the archive cell check reads of the blank's parameter list.
class ParameterCodeSource {
public:
    virtual ~ParameterCodeSource() = default;
    // Number of parameters as the check counts them: the list's row count less one,
    // or less two while the empty list's placeholder row is hidden.
    virtual int parameterCount() const = 0;
    // Code of parameter n (the list's row n, column 1); asked only for
    // 1 <= n <= parameterCount().
    virtual QString parameterCode(int n) const = 0;
};

// Why a cell of the archive start row refuses its text, in the order the rules
// are tried.
enum class ArchiveCellFault {
    None,
    NotAReference,   // text without "@"
    BadReference,    // what follows the first "@" is not a number (also an empty text)
    NoSuchParameter, // the number names no parameter of the list
    NotArchiveValue, // the parameter is no hourly ("~") or daily ("$") archive value
    DailyExpected,   // an hourly value in a row that began with a daily one
    HourlyExpected,  // a daily value in a row that began with an hourly one
};

// The message shown for a fault; empty for None.
QString archiveCellMessage(ArchiveCellFault fault);

// Checks `text` as the new text of cell (col, row), the row being the archive start
// row. The mark's column is the first data column whose cell in the row is
// read-only (column 1 when none); cells up to it pass. The row's kind is that of
// the first reference in the cell just right of the mark (hourly when that cell is
// empty); when that cell is the one being checked, its kind comes from `text`.
ArchiveCellFault archiveCellFault(const store::Grid& grid, int col, int row, QStringView text,
                                  const ParameterCodeSource& params);
inline QString checkArchiveCell(const store::Grid& grid, int col, int row, QStringView text,
                                const ParameterCodeSource& params)
{
    return archiveCellMessage(archiveCellFault(grid, col, row, text, params));
}

// The state of in-place editing: the cell being edited, its text when editing
// began, the text in the editor, and the one-shot flag with which Esc skips the
// next exit check.
class CellEditTracker {
public:
    // Editing of (col, row) begins with `text` in the cell.
    void start(int col, int row, const QString& text);
    // The editor's text changed; call it for every change, the check reads this text.
    void changed(const QString& text);
    // Esc while editing: the coming exit is not checked.
    void escape();
    // Editing ends, after the editor's text went into the cell. When the cell has
    // the archive row colour (changed or not), the archive cell check runs
    // on the current text; when it refuses, the old text is put back into the cell
    // and the message is returned for the caller to show. Empty when there is
    // nothing to say (also after Esc, or when no edit began).
    QString finish(store::Grid& grid, const ParameterCodeSource& params);

    bool isEditing() const { return editing_; }
    int col() const { return col_; }
    int row() const { return row_; }
    const QString& oldText() const { return oldText_; }
    const QString& currentText() const { return currentText_; }
    bool skipFlag() const { return skip_; }

private:
    bool editing_ = false;
    bool skip_ = false;
    int col_ = 0, row_ = 0;
    QString oldText_, currentText_;
};

} // namespace rastrova::editor
