#pragma once
// The grid-table file: the sectioned text file in which a grid is kept (blank
// files and parameter lists). Code page 1251, CR LF, sections sorted by name
// (case-insensitively, by code point), entries in the order they were written.

#include "status.h"
#include "store/grid.h"

#include <QByteArray>
#include <QString>
#include <map>
#include <vector>

namespace rastrova::store {

// What a reader accepts before it calls a file damaged.
struct GridLimits {
    int maxCols;       // columns, the fixed one included
    int maxRows;       // rows, the fixed one included
    qsizetype maxCells;
};
// Any grid: a parameter list or a grid of another program.
constexpr GridLimits kAnyGridLimits{1024, 65536, 262144};
// A blank: at most 40 data columns and 255 data rows.
constexpr GridLimits kBlankGridLimits{41, 256, 41 * 256};

constexpr qint64 kMaxGridFileBytes = 16 * 1024 * 1024;

// Sections of a grid-table file, sorted by name; entries kept in write order.
class SectionFile {
public:
    struct Entry {
        QString key;
        QString value;
    };
    struct Section {
        QString name;
        std::vector<Entry> entries;
    };

    // Most memory the parsed sections may take, as estimated while parsing.
    static constexpr qint64 kMaxParsedBytes = 64 * 1024 * 1024;
    // False, and nothing kept, when the sections would take more than kMaxParsedBytes.
    bool parse(const QString& text);
    QString text() const; // each section: "[name]", its entries, an empty line; CR LF

    // Replaces the key's entry in place, or adds it at the end of its section
    // (creating the section).
    void set(const QString& section, const QString& key, const QString& value);
    // Adds an entry without looking for an existing one (the writer writes each key once).
    void append(const QString& section, const QString& key, const QString& value);

    const Section* find(const QString& section) const;
    // The value of the first entry with that key, or nullptr.
    const QString* value(const QString& section, const QString& key) const;

    const auto& sections() const { return sections_; }

private:
    struct Less {
        bool operator()(const QString& a, const QString& b) const
        {
            return QString::compare(a, b, Qt::CaseInsensitive) < 0;
        }
    };
    Section& section(const QString& name);
    std::map<QString, Section, Less> sections_;
};

// The grid as a grid-table file (1251 bytes). Refused, and nothing produced, when
// a text holds a character that code page 1251 cannot hold.
Status gridTableBytes(const Grid& grid, QByteArray& out);
SectionFile gridTableSections(const Grid& grid);

// Reads a grid-table file into `grid`. On failure `grid` is left as it was. Keys
// missing from "Grid" keep the values `grid` had.
Status parseGridTable(QByteArrayView bytes, Grid& grid, const GridLimits& limits = kAnyGridLimits,
                      const QString& fileName = {});

Status writeGridFile(const QString& path, const Grid& grid);
// NotFound when the file does not exist.
Status readGridFile(const QString& path, Grid& grid, const GridLimits& limits = kAnyGridLimits);

} // namespace rastrova::store
