#pragma once
// The archive start row of an archive blank. One cell of the row holds the archive
// start mark, "!" + НН or "!" + НН + "," + КК: the start and end depth, in days
// counted back from today, of the archive values the row prints. The mark's cell
// is read-only and every data cell of the row has the archive row colour.
//
// Here: the depth limits and the depth panel's checks, setting and removing the
// mark, and the archive checks run after every save. The window asks the
// questions and shows the messages these functions return.

#include "editor/paramlist.h"
#include "store/grid.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <optional>

namespace rastrova::editor {

// ------------------------------------------------------------ depths

constexpr int kDefaultStartDepthMaximum = 42; // until a catalogue parameter sets another
constexpr int kEndDepthMaximum = 40;
constexpr int kDailyStartDepthMaximum = 255;

struct ArchiveDepth {
    int start = 1; // НН, days
    int end = 0;   // КК, days; 0 for none
    bool operator==(const ArchiveDepth&) const = default;
};

// The depth panel's title, field labels and the rule it shows.
inline const QString kDepthPanelTitle = QStringLiteral("Начальная и конечная глубина печати");
inline const QString kStartDepthLabel = QStringLiteral("Начальная глубина печати (НН), сутки:");
inline const QString kEndDepthLabel = QStringLiteral("Конечная глубина печати (КК), сутки:");
inline const QString kDepthRule = QStringLiteral("Необходимое условие:  KK<НН, НН>0, KK>=0");

// The first of the depth panel's checks that fails, in order: НН above its
// maximum, КК above its maximum, КК not below НН. Empty when the depths pass.
QString checkArchiveDepth(const ArchiveDepth& depth, int startMaximum, int endMaximum = kEndDepthMaximum);

// "!" + НН, with "," + КК when КК is above 0.
QString archiveMarkText(const ArchiveDepth& depth);

// ------------------------------------------------------------ the mark

// The question asked before the current row (`row`) becomes the start row, with
// the question icon and the application caption.
QString setArchiveRowQuestion(int row);
// The question asked before the mark is removed, with the saving caption.
QString clearArchiveRowQuestion();

// Makes `row` the archive start row with the mark in cell (col, row): clears the
// texts from `col` to the last column, gives every data cell of the row the
// archive row colour, writes the mark, makes its cell read-only (any other cell of
// the row editable: a row has one mark; a former mark left of `col` goes with its
// text) and widens the column to 8·L + 4 pixels when it is narrower than 8·L + 3,
// L being the mark's length. False, with nothing changed, for a cell outside the
// data cells.
bool setArchiveMark(store::Grid& blank, int col, int row, const ArchiveDepth& depth);

// Whether "Убрать признак..." acts on the current cell: it has the archive row colour.
bool canClearArchiveMark(const store::Grid& blank, int col, int row);

// Removes the mark from `row`: every data cell of the row turns white (0xFFFFFF)
// and editable, and the texts from the mark's column (its read-only cell, or else
// the first cell beginning with "!" + digit) to the last column are cleared; cells
// left of the mark keep their texts. False when the row holds no cell of the
// archive row colour.
bool clearArchiveMark(store::Grid& blank, int row);

// ------------------------------------------------------------ the checks after a save

// The catalogue's archive length of a parameter number, as its ArchiveLength look-up
// gives it: 0xFFFF for a daily archive parameter, the archive length in days
// (hours / 24, 8 bits) for an hourly one, 0 for any other and for a number the
// catalogue does not hold.
using ArchiveLengthLookup = std::function<uint16_t(uint16_t number)>;
constexpr uint16_t kDailyArchiveLength = 0xFFFF;

// The archive checks of a saved blank, one message per finding, in order: for
// each row from the top, its cells from the left. A cell beginning with "!" and a
// digit sets the row's start and end depth, refused when the end depth is not
// below the start depth. A cell beginning with "@" and a digit names a parameter
// whose code's number the catalogue is asked about (type "19" blanks only: the
// numbers of a type "10" blank are no catalogue numbers); a parameter with an
// archive length checks it against the row's other archives and depths. Without
// `lookup`, or with one that knows no parameter, only the depths are checked.
// Texts break lines with "\r".
QStringList archiveCheckMessages(const store::Grid& blank, const ParameterList& list, int controllerType,
                                 const ArchiveLengthLookup& lookup);

} // namespace rastrova::editor
