#pragma once
// The print-file folder and its header "info.ini": which blanks the print file
// holds, their numbers, kinds and page settings.
//
//   [HEAD]   blank name = n        (n >= 1; the value "0" is not a blank)
//   [OPIS]   Tn = 0 | 1            (hourly | archive)
//            Kn = lines per page   (default "60")
//            Fn = TRUE | FALSE     (form feed after the blank, default TRUE)

#include "status.h"
#include "store/blank.h"
#include "text/profile.h"

#include <QString>
#include <QStringList>

namespace rastrova::store {

inline const QString kHeaderFileName = QStringLiteral("info.ini");
inline const QString kImageFileName = QStringLiteral("info.bin");

// The files of one blank in its print-file folder.
enum class BlankFile { Blank, Parameters, Image, Report };
QString blankFilePath(const QString& printFileFolder, const QString& blankName, BlankFile which);

class PrintFileHeader {
public:
    explicit PrintFileHeader(QString printFileFolder);

    const QString& folder() const { return folder_; }
    QString path() const;

    // A missing header reads as empty (NotFound); a damaged one as Damaged.
    Status load();
    Status save() const;
    // Writes a fresh header holding only the empty section "HEAD".
    static Status createFresh(const QString& printFileFolder);

    // Keys of "HEAD" in file order.
    QStringList blankNames() const;

    // The entries of "HEAD" with their kinds, in one pass over the header.
    struct Entry {
        QString name;
        QString value; // the number as written ("0": not a blank)
        int number = 0;
        BlankKind kind = BlankKind::Hourly;
        // The page settings of its number, as pageLength() and formFeed() give them.
        QString pageLength = QStringLiteral("60");
        bool formFeed = true;
    };
    QList<Entry> entries() const;
    // The blank's number; 0 when it has none.
    int blankNumber(const QString& name) const;
    // 1 + the largest number in "HEAD"; 1 for an empty header.
    int nextBlankNumber() const;

    void addBlank(const QString& name, int number, BlankKind kind);
    BlankKind kind(int number) const;
    // The kind by the number as the "HEAD" value writes it.
    BlankKind kind(const QString& numberText) const;
    QString pageLength(int number) const; // "K" + n, "60" when missing
    bool formFeed(int number) const;      // "F" + n is "TRUE", on when missing
    void setPageSettings(int number, const QString& pageLength, bool formFeed);

    enum class Removal {
        WithPageSettings, // a single blank: its "T", "K" and "F" keys go
        KindOnly,         // a blank of a deleted group: only its "T" key goes
    };
    // Removes the blank's "HEAD" key and its "OPIS" keys (when it has a number).
    void removeBlank(const QString& name, Removal removal);

    text::IniProfile& profile() { return profile_; }
    const text::IniProfile& profile() const { return profile_; }

private:
    QString folder_;
    text::IniProfile profile_;
};

} // namespace rastrova::store
