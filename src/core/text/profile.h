#pragma once
// An INI file with the semantics of the Windows profile functions: section and
// key names compare case-insensitively, blanks around names and values are
// trimmed on reading (and a value in matching quotes loses them), a missing key
// gives the caller's default, writing a key replaces its line in place or adds it
// to the end of its section, a new section goes to the end of the file, deleting
// a key removes its line. Other lines and comments are kept. Where a section or a
// key occurs twice, the first one counts. The file is code page 1251 with CR LF.

#include "status.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

namespace rastrova::text {

class IniProfile {
public:
    // Largest file accepted: settings, headers and blank settings are small.
    static constexpr qint64 kMaxFileBytes = 16 * 1024 * 1024;
    // Most memory the parsed lines may take, as estimated while parsing: a file
    // of many tiny lines would otherwise cost many times its size.
    static constexpr qint64 kMaxParsedBytes = 64 * 1024 * 1024;

    IniProfile() = default;

    // Reads `path`. A missing file gives an empty profile and NotFound, so that a
    // caller which only reads can go on with the defaults.
    Status load(const QString& path);
    // Replaces `path` atomically; refused when a text has no 1251 form.
    Status save(const QString& path) const;

    // False, and the profile left empty, when the lines would take more than
    // kMaxParsedBytes.
    bool parse(QByteArrayView cp1251);
    // The file's bytes; a character without a 1251 byte becomes '?', so check
    // texts (fitsCp1251) before they are set when that matters.
    QByteArray serialize() const;

    bool hasSection(QStringView section) const;
    bool hasKey(QStringView section, QStringView key) const;
    // Section names in file order (each name once).
    QStringList sections() const;
    // Key names of a section in file order, as written in the file (trimmed).
    QStringList keys(QStringView section) const;

    QString value(QStringView section, QStringView key, const QString& def = {}) const;
    // Every entry of a section in file order (duplicates included), as (key, value).
    QList<std::pair<QString, QString>> entries(QStringView section) const;
    // A decimal integer (or 0x hexadecimal); anything else gives `def`.
    int intValue(QStringView section, QStringView key, int def) const;
    // On exactly when the value is "TRUE".
    bool flag(QStringView section, QStringView key, bool def) const;

    void setValue(QStringView section, QStringView key, const QString& value);
    void setInt(QStringView section, QStringView key, int value);
    void setFlag(QStringView section, QStringView key, bool on);
    // Adds an empty section when it is missing.
    void ensureSection(QStringView section);
    // Removes the key's line; false when there was none.
    bool remove(QStringView section, QStringView key);

private:
    struct Line {
        enum Kind { Other, Section, Entry } kind = Other;
        QString text;  // the line as it stands in the file, without its line end
        QString name;  // section name or key, trimmed
        QString value; // value, trimmed and unquoted
    };

    // Index of the section's header line, or -1.
    qsizetype findSection(QStringView section) const;
    // Index just past the section's last line (the next header or the end).
    qsizetype sectionEnd(qsizetype header) const;
    qsizetype findKey(QStringView section, QStringView key) const;
    static Line makeEntry(QStringView key, const QString& value);
    QString joinedLines() const;

    std::vector<Line> lines_;
};

// Parses an integer the way the profile readers do: optional blanks, an optional
// sign, decimal digits, or "0x"/"0X" and hexadecimal digits; nothing else.
bool parseProfileInt(QStringView text, int& out);

} // namespace rastrova::text
