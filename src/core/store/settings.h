#pragma once
// The program folder and the program settings "RASTROVA.INI":
//   [FIRST] PUT (base folder), Panel1..Panel4 (TRUE/FALSE), OPENACTION (0..2)
//   [ROPT]  BathePath (database path)
// The programming window keeps its own section "Parametrs" in the same file.

#include "status.h"

#include <QString>
#include <QStringList>

namespace rastrova::store {

inline const QString kSettingsFileName = QStringLiteral("RASTROVA.INI");

struct ProgramSettings {
    QString baseFolder;           // without a trailing separator
    bool standardToolbar = true;  // Panel1
    bool blankToolbar = true;     // Panel2
    bool toolManager = false;     // Panel3
    bool parameterList = true;    // Panel4
    int openAction = 0;           // 0 hourly blank, 1 archive blank, 2 print file
    QString databasePath;         // BathePath
    bool operator==(const ProgramSettings&) const = default;
};

// Where the program keeps its files.
struct ProgramPaths {
    QString programFolder;   // --home DIR, or the executable's folder; no trailing separator
    QString settingsFile;    // where the settings are written
    QString settingsSource;  // where they are read from (the same, or the program folder's file
                             // while the redirected one does not exist yet)
    bool settingsRedirected = false; // the program folder is not writable
    QString dataFolder;              // sprav.txt and help/ when they are not in the program folder
                                     // (an installed program); see installation.h
};

// The value of "--home DIR" or "--home=DIR" among `args`, or an empty string.
QString homeOption(const QStringList& args);

// Works out the program folder and the settings file. When the program folder is
// not writable, settings go to the user's configuration folder instead.
ProgramPaths resolveProgramPaths(const QString& home, const QString& executableFolder);

// A folder path without its trailing separators (a root stays a root).
QString withoutTrailingSeparator(QString path);

// Reads the settings. A missing key gives its default; the base folder defaults to
// `currentBase`, and an empty "PUT" gives the program folder. A file that cannot
// be read gives the defaults.
ProgramSettings readSettings(const QString& settingsFile, const QString& programFolder,
                             const QString& currentBase);

// Writes the seven keys, keeping everything else the file holds.
Status writeSettings(const QString& settingsFile, const ProgramSettings& settings);

} // namespace rastrova::store
