#pragma once
// Where the program finds its files, built or installed.
//
// Run from a build folder (or a folder it was copied to), the program folder is
// the executable's folder: RASTROVA.INI, sprav.txt and help/ lie beside it.
// Installed into a prefix (PREFIX/bin/rastrova with PREFIX/share/rastrova/sprav.txt),
// that folder belongs to the system: the program folder is then the user's
// configuration folder (~/.config/rastrova), which holds the settings, and the
// data (sprav.txt, help/, examples/) are read from PREFIX/share/rastrova.
// "--home DIR" wins over both.

#include "status.h"
#include "store/settings.h"

#include <QString>

namespace rastrova::store {

// The data folder of an installation whose executables are in `executableFolder`
// (PREFIX/share/rastrova for PREFIX/bin), or an empty string when the program does
// not run from an installed prefix.
QString installedDataFolder(const QString& executableFolder);

// The program paths for `home` (the "--home" option, or empty) and the folder of
// the executable. An installed program takes `configFolder` as its program folder,
// or the user's configuration folder (QStandardPaths::AppConfigLocation) when
// `configFolder` is empty.
ProgramPaths locateProgramPaths(const QString& home, const QString& executableFolder,
                                const QString& configFolder = {});

// The folder of sprav.txt and help/ for `paths`.
QString dataFolderOf(const ProgramPaths& paths);

// What the first start of an installed editor did.
struct FirstStart {
    bool prepared = false;  // there were no settings, and they were written
    QString baseFolder;     // the base folder the settings name
    QString databaseFolder; // the controller database they name
    QStringList copied;     // the folders copied from the examples this time
    Status status;          // why something could not be done
};

// On the first start of an installed program (no settings file yet), gives the user
// a copy of the examples to start from: examples/base and examples/database of
// the data folder are copied into `userDataFolder` (empty: the user's data folder,
// QStandardPaths::AppDataLocation) as "base" and "database", and the settings are
// written naming them. A folder that already exists there is the user's and is
// used as it is, never overwritten. Does nothing when the settings exist, when
// "--home" was given, or when the program is not installed.
FirstStart prepareFirstStart(const ProgramPaths& paths, const QString& userDataFolder = {});

} // namespace rastrova::store
