#pragma once
// What the print-file manager does on disk: creating print files and blanks,
// saving, saving under another name, deleting. The windows ask the questions;
// these functions make the changes and report what failed.

#include "status.h"
#include "store/blank.h"
#include "store/names.h"

#include <QString>
#include <QStringList>
#include <functional>

namespace rastrova::store {

// "Ощибка создания директории ..." as the print-file manager reports it.
QString messageCannotCreatePrintFile(const QString& folderPath);

// Creates the folder `base`/`name` and its fresh header. The name is used as
// typed (not trimmed) and checked first (Refused with the reason); a folder that
// exists or cannot be made is an IoError with the directory message.
Status createPrintFile(const QString& base, const QString& name);

// Adds a blank to the print file in `folder`: next number, "HEAD" and "OPIS"
// keys, an empty blank file. Refused (NameProblem::Taken included) when the name
// is not acceptable; `number` receives the new number.
Status createBlank(const QString& folder, const QString& name, BlankKind kind, int* number = nullptr,
                   NameProblem* problem = nullptr);

// The save-blank procedure for the blank at `basePath` (the path without extension).
Status saveBlankFiles(const QString& basePath, const BlankDocument& blank);

// The page settings of a blank: "K" + n and "F" + n in its print file's header,
// written only when the blank has a number.
Status writePageSettings(const QString& folder, const QString& blankName, const QString& pageLength,
                         bool formFeed);

// Save as: the file name as the user gave it, trimmed, with ".ini" added unless
// it already ends in "ini" (any letter case).
QString saveAsFileName(const QString& chosen);
// The print file of the base folder that a blank file saved as `iniPath` lies in
// (its folder's name), or an empty string when the file's folder is not directly
// in `baseFolder` (folder names compared ignoring letter case).
QString printFileUnderBase(const QString& baseFolder, const QString& iniPath);
// True when the file's name is "INFO.INI" in any letter case: the header itself.
bool isHeaderFileName(const QString& path);
// Files a caller writes beside the blank's (the path without extension given).
using WriteBeside = std::function<Status(const QString& basePath)>;
// Writes the blank to `iniPath`, then what `writeBeside` writes (once the blank
// file is written, before the header is; nothing more once one fails), and
// registers it in that folder's header with a new number, its kind and page
// settings. `number` receives the number.
Status saveBlankAs(const QString& iniPath, const BlankDocument& blank, const QString& pageLength, bool formFeed,
                   int* number = nullptr, const WriteBeside& writeBeside = {});

// Deletes a blank: its header keys ("T", "K", "F" and "HEAD") and its four files.
// File deletions that fail are ignored; a header that cannot be written is reported.
Status deleteBlank(const QString& folder, const QString& name);
// Deletes the blanks of a group: only their "T" and "HEAD" keys, and their files.
Status deleteBlanks(const QString& folder, const QStringList& names);
// Deletes every file of the print-file folder, then the folder.
Status deletePrintFile(const QString& folder);

} // namespace rastrova::store
