#pragma once
// Names of print files and blanks. Both become names on disk (a folder, and the
// files blank + ".ini", ".par", ".bin", ".rep"), so they are checked before use.

#include <QString>
#include <QStringList>

namespace rastrova::store {

enum class BlankKind;

enum class NameProblem {
    None,
    Empty,        // nothing left after trimming
    Separator,    // holds "\" or "/"
    DotDot,       // holds ".."
    BadCharacter, // a character file systems refuse (< > : " | ? * or a control character)
    NotCp1251,    // a character code page 1251 cannot hold
    BadEnd,       // starts with a dot (hidden), ends with a dot or a blank (other systems drop them)
    Reserved,     // a device name of other systems (CON, NUL, COM1, ...) or "info"
    Taken,        // a print file or blank of that name exists
};

struct NameCheck {
    NameProblem problem = NameProblem::None;
    QString message; // for the user; empty when the name is fine
    bool ok() const { return problem == NameProblem::None; }
};

// Checks the text of a name that is used as it stands as a folder or file name.
NameCheck checkDiskName(const QString& name);

// A new print file: used untrimmed as a folder of `baseFolder`, which must not exist.
NameCheck checkPrintFileName(const QString& baseFolder, const QString& name);

// A name that goes into a print file's header as a "HEAD" key and names its
// blank's files: a good disk name without blanks around it, neither "info" (the
// header's own files) nor a text the header would read as something else ("=",
// a leading "[" or ";"). New blanks and Save as check their names here.
NameCheck checkHeaderName(const QString& name);

// A new blank: trimmed, it must pass checkHeaderName and differ from every "HEAD" key (both trimmed and
// upper-cased), and the blank files must not clash with the header ("info").
NameCheck checkBlankName(const QStringList& headKeys, const QString& name);
bool isBlankNameTaken(const QStringList& headKeys, const QString& name);

// "Файл печати N" with the first N whose folder does not exist.
QString defaultPrintFileName(const QString& baseFolder);
// "Часовой бланк N" / "Архивный бланк N" with the first N not taken.
QString defaultBlankName(const QStringList& headKeys, BlankKind kind);

} // namespace rastrova::store
