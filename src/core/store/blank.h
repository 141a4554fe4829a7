#pragma once
// A blank: its grid and the settings that tie it to a controller. The blank file
// is the grid-table file named after the blank with ".ini", ended by the section
// "NASTR" that holds the settings.

#include "status.h"
#include "store/grid.h"

#include <QString>

namespace rastrova::store {

enum class BlankKind { Hourly = 0, Archive = 1 };

// The one test of the controller type: VIRELTYPE 1 is type "19"; 0, and any
// other value a damaged file may hold, is type "10", the type a missing key gives.
constexpr bool isControllerType19(int virelType)
{
    return virelType == 1;
}

struct BlankSettings {
    int virelType = 0;   // 0: controller type "10", 1: type "19" (see isControllerType19)
    int setn = 0;        // as stored; the blank image takes its low 8 bits
    QString taskFile;    // the controller task file for type "19"
    BlankKind kind = BlankKind::Hourly; // kept in the print-file header, not in the blank file
    bool operator==(const BlankSettings&) const = default;
};

// The settings a new blank carries: its kind, and the controller type, task file
// and SETN chosen for it in the controller-type dialog. It is loaded with them
// (a type "19" blank with its task file's catalogue) and saved with them.
inline BlankSettings newBlankSettings(BlankKind kind, int virelType, const QString& taskFile, int setn)
{
    return BlankSettings{virelType, setn, taskFile, kind};
}

struct BlankDocument {
    Grid grid = freshBlankGrid();
    BlankSettings settings;
};

// The blank file's bytes: the grid-table file with "NASTR" last, keys in the
// order VIRELTYPE, SETN, TSKFILENAME.
Status blankFileBytes(const BlankDocument& blank, QByteArray& out);

// Writes `basePath` + ".ini", replacing the whole file atomically.
Status writeBlank(const QString& basePath, const BlankDocument& blank);

// Reads a blank file. A missing file gives NotFound and leaves `blank` as it is;
// so does a damaged one (with Damaged). The grid is widened to at least one data
// column and one data row. The blank kind is left as it was.
Status readBlank(const QString& iniPath, BlankDocument& blank);
Status parseBlank(QByteArrayView bytes, BlankDocument& blank, const QString& fileName = {});

} // namespace rastrova::store
