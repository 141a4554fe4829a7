#pragma once
// The scan of the base folder: every print file (a sub-folder holding
// "info.ini") and its hourly and archive blanks, in the order of the tree.

#include "store/blank.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace rastrova::store {

struct ScannedBlank {
    QString name;
    int number = 0;
    QString pageLength = QStringLiteral("60"); // its page settings in the header
    bool formFeed = true;
};

struct ScannedPrintFile {
    QString name;
    QList<ScannedBlank> archive; // the tree shows "Архивные бланки" first
    QList<ScannedBlank> hourly;
};

struct ScanResult {
    QList<ScannedPrintFile> printFiles;
    // Header entries that were not listed (names that cannot be file names),
    // as messages for the user.
    QStringList problems;
};

// Scans `baseFolder`. Hidden and read-only folders, and folders reached through a
// link, are skipped. A blank listed in a header whose file is missing gets an
// empty blank file. Every level is sorted as the tree sorts.
ScanResult scanBaseFolder(const QString& baseFolder);

// One print file, read as the scan reads it, its header read once: its blanks
// into `out` (named after the folder), what was skipped into `problems`. Not OK
// when the header could not be read (`out` then holds no blanks).
Status scanPrintFile(const QString& printFileFolder, ScannedPrintFile& out, QStringList& problems);

// The order of tree nodes: case-insensitive, Ё beside Е, independent of the
// machine's locale. Negative, 0 or positive like QString::compare.
int compareNodeText(const QString& a, const QString& b);

} // namespace rastrova::store
