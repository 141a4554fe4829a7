#pragma once
// Parameter references in blank cells and the commands that put them there or
// take them out. A reference is "@" followed by one or more decimal digits, the
// number of a parameter of the blank's list; it ends at the first non-digit, and
// a cell may hold any number of them among its ordinary text ("Т1 = @3 Т2 = @4").
//
// These functions change the blank grid and the list and say what they did; the
// window shows the messages and asks the questions.

#include "editor/paramlist.h"
#include "store/grid.h"

#include <QList>
#include <QString>
#include <QStringView>

namespace rastrova::editor {

struct Reference {
    qsizetype position = 0; // of the "@"
    qsizetype length = 0;   // the "@" and its digits
    QString digits;
    // The parameter number; -1 when the digits do not fit an int.
    int number() const;
    bool operator==(const Reference&) const = default;
};

// Every reference in a cell text, from the left.
QList<Reference> findReferences(QStringView text);

// "@" + number.
QString referenceText(int number);

// `text` without its references to parameter `number`: every "@" + number that is
// not followed by a further digit ("@1" goes from "x@1 y", "@12" stays).
QString withoutReferences(const QString& text, int number);

// A blank cell a command changed.
struct CellChange {
    int col = 0, row = 0;
    QString oldText, newText;
    bool operator==(const CellChange&) const = default;
};

// ---------------------------------------------------------------- inserting

enum class InsertOutcome {
    Inserted,         // the reference was appended to the cell
    NoParameter,      // the list is empty (or the number names no parameter)
    NotHere,          // a cell of column 1 or row 1, a header cell or one outside the grid
    ReadOnlyCell,     // the cell cannot be edited (the archive start mark)
    OtherArchiveKind, // the archive row holds values of the other archive kind; said silently
    ConversionError,  // the first reference of the archive row is not a number; see `message`
};

struct InsertResult {
    InsertOutcome outcome = InsertOutcome::NoParameter;
    CellChange change;  // filled when inserted
    QString message;    // for an error box when not empty
    bool inserted() const { return outcome == InsertOutcome::Inserted; }
};

// "Вставить параметр...", after the dialog added parameters: appends a reference
// to the LAST parameter of `list` to the blank cell (col, row), unless
//  1. the cell is in column 1 or row 1;
//  2. (a cell without the archive row colour takes it;)
//  3. in an archive row the cell right of the mark (the first read-only cell from
//     column 1, or column 1) holds a first reference "@" + k whose code is of the
//     other kind: the new reference goes in when the last code starts with "~" and
//     code k does too, or the last code starts with "$" and code k does not start
//     with "~". When the rest of that cell after its first "@" is not a whole
//     number nothing goes in and `message` says why.
// A read-only cell (the mark itself) never takes a reference.
InsertResult insertLastParameter(store::Grid& blank, int col, int row, const ParameterList& list);

// "Вставить в бланк": appends "@" + number to the blank cell (col, row) with no
// check of the archive row; header cells, cells outside the grid and read-only
// cells are left alone.
InsertResult insertReference(store::Grid& blank, int col, int row, int number);

// The column of the archive start mark in `row`: the first read-only cell from
// column 1; column 1 when there is none.
int archiveMarkColumn(const store::Grid& blank, int row);

// ---------------------------------------------------------------- deleting

// The question asked before "Удалить параметр" removes parameter `name`.
QString deleteParameterQuestion(const QString& name);

struct DeleteResult {
    int number = 0;            // the parameter removed; 0 when the list was empty
    QList<CellChange> changes; // blank cells whose references went
};

// "Удалить параметр" once the user said yes: removes every reference to the last
// parameter from the data cells of `blank` (rows 1.., columns 1..), then the
// parameter itself (the only one leaves the empty list).
DeleteResult deleteLastParameter(ParameterList& list, store::Grid& blank);

} // namespace rastrova::editor
