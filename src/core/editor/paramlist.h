#pragma once
// The parameter list of a blank: the numbered values the printer adapter fills
// into the printed form. It is kept as a grid, the way its ".par" file stores it:
// a header row, the fixed number column and one data row per parameter.
//
//   col 0 "№"               the parameter number (equal to the row)
//   col 1 "N параметра"     the parameter code, hidden ("#4015", "~05", "$0A12", ...)
//   col 2 "Имя параметра:"  the name shown to the user
//   col 3 "p", col 4 "q"    the print format [p,q]; empty for the defaults 9 and 2
//   col 5 "Цел."            a check box: print as an integer
//
// An empty list is a header row and one blank data row of height 0; the list is
// empty exactly when cell (0, 1) is empty. Rows are only appended at the end and
// only the last one is removed, so the numbers run from 1 without gaps.

#include "status.h"
#include "store/grid.h"

#include <QString>
#include <QStringView>
#include <optional>

namespace rastrova::editor {

// ---------------------------------------------------------------- codes

// The four codes with a fixed meaning, recognised by comparing the whole code.
inline const QString kCodeTime = QStringLiteral("#4015");
inline const QString kCodeDate = QStringLiteral("#4016");
inline const QString kCodeYear = QStringLiteral("#4017");
inline const QString kCodeSerialNumber = QStringLiteral("#403C");

enum class CodeKind {
    Other,         // none of the forms below
    Time,          // "#4015"
    Date,          // "#4016"
    Year,          // "#4017"
    SerialNumber,  // "#403C", the controller's serial number
    CurrentValue,  // "#" + 4 hexadecimal digits: the value at that controller address
    HourlyArchive, // "~" + number
    DailyArchive,  // "$" + number
};

CodeKind codeKind(const QString& code);
bool isFixedCode(const QString& code);
// "Время", "Дата", "Год", "Заводской номер" for the fixed codes; empty for others.
QString fixedCodeName(const QString& code);
// The controller address of a "#" code (high byte << 8 | low byte).
std::optional<int> currentValueAddress(const QString& code);
// The number after "~" or "$": the archive number in decimal for controller type
// "10" (virelType 0), the 4-hex-digit catalogue number for type "19" (virelType 1).
std::optional<int> archiveNumber(const QString& code, int virelType);

// A whole text that is an optional sign and decimal digits, within int.
std::optional<int> parseDecimal(QStringView text);

// ---------------------------------------------------------------- the list

// Alignment values of grid columns and cells (Column::textAlignment, textLayout,
// CheckBox::alignment).
constexpr int kAlignLeft = 0, kAlignRight = 1, kAlignCentre = 2;
constexpr int kLayoutTop = 0, kLayoutCentre = 1, kLayoutBottom = 2;

class ParameterList {
public:
    enum Column {
        NumberColumn = 0,
        CodeColumn = 1,
        NameColumn = 2,
        PColumn = 3,
        QColumn = 4,
        IntegerColumn = 5,
    };
    static constexpr int kColumns = 6;
    // Width of the "Цел." column added to a list file that lacks it.
    static constexpr int kAddedIntegerColumnWidth = 30;

    // An empty list.
    ParameterList();

    // The grid as the file keeps it; rows are parameters, columns as above.
    const store::Grid& grid() const { return grid_; }

    bool isEmpty() const { return grid_.text(NumberColumn, 1).isEmpty(); }
    int count() const { return isEmpty() ? 0 : grid_.rowCount() - 1; }
    // The count the archive cell check compares a reference with: the rows less the
    // header, less the placeholder row while it is hidden. Agrees with count() for
    // every list this class holds.
    int archiveCheckCount() const;

    // Parameter n, counting from 1; empty (false) outside the list.
    QString code(int n) const { return field(n, CodeColumn); }
    QString name(int n) const { return field(n, NameColumn); }
    QString p(int n) const { return field(n, PColumn); }
    QString q(int n) const { return field(n, QColumn); }
    bool isInteger(int n) const;

    // Adds a parameter at the end (into the placeholder row of an empty list) and
    // returns its number.
    int append(const QString& code, const QString& name);
    // Removes the last parameter; the only one leaves the empty list. False when
    // the list is empty.
    bool removeLast();
    // Back to the empty list.
    void clear();

    // Editing rules. The header row, columns 0..2 and the placeholder row of an
    // empty list are read-only; p and q take decimal digits; "Цел." is a check box.
    bool isTextEditable(int col, int row) const;
    bool isCheckable(int col, int row) const;
    static bool isDigitsOnly(QStringView text);
    // Sets the text of an editable cell; refused (false) for a read-only cell or a
    // text with anything but digits.
    bool setText(int col, int row, const QString& text);
    // Sets the "Цел." box of parameter n; false when there is no such parameter.
    bool setInteger(int n, bool on);
    // What leaving a cell of `row` does: a fixed code has no format, so p and q are
    // emptied; otherwise a p outside 0..9 becomes "9" and a q outside 0..6 becomes
    // "2", a number inside is written plainly ("05" -> "5"), an empty cell stays
    // empty. True when a cell changed.
    bool normaliseFormat(int row);

    bool isRowHidden(int row) const { return grid_.rowHeight(row) == 0; }
    void setColumnWidth(int col, int width);

    // Takes a grid as a list file gives it: widened to six columns (a missing "Цел."
    // column gets its header, hint and width 30), the placeholder row hidden while
    // the list is empty, a check box at the left of every data row's "Цел." cell
    // (the stored state kept), row heights kept in the file.
    void setGrid(store::Grid grid);

    // Reads the ".par" file. A missing file gives the empty list and success; a
    // damaged one gives the empty list and the reason.
    Status load(const QString& path);
    // Writes the ".par" file atomically.
    Status save(const QString& path) const;

private:
    QString field(int n, int col) const;
    void giveCheckBox(int row, bool checked);
    // The height of a row that shows a parameter.
    int shownRowHeight() const;

    store::Grid grid_;
};

} // namespace rastrova::editor
