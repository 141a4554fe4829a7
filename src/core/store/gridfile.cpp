#include "store/gridfile.h"

#include "text/codepage.h"
#include "text/profile.h"

#include <algorithm>
#include <functional>

namespace rastrova::store {

// ---------------------------------------------------------------- sections

bool SectionFile::parse(const QString& text)
{
    sections_.clear();
    Section* current = nullptr;
    qint64 cost = 0;
    auto tooMuch = [&](qint64 more) {
        cost += more;
        if (cost <= kMaxParsedBytes)
            return false;
        sections_.clear();
        return true;
    };
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf(u'\n', start);
        if (end < 0)
            end = text.size();
        QStringView line = QStringView(text).mid(start, end - start);
        start = end + 1;
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            // A map node with the section and its name (twice).
            if (tooMuch(qint64(sizeof(Section)) + 96 + 4 * line.size()))
                return false;
            current = &section(line.mid(1, line.size() - 2).toString());
            continue;
        }
        qsizetype eq = line.indexOf(u'=');
        if (!current || eq < 0)
            continue;
        // The entry with the vector's slack and its two texts with their headers.
        if (tooMuch(qint64(sizeof(Entry)) * 2 + 64 + 2 * line.size()))
            return false;
        current->entries.push_back({line.left(eq).toString(), line.mid(eq + 1).toString()});
    }
    return true;
}

QString SectionFile::text() const
{
    QString out;
    for (const auto& [name, s] : sections_) {
        if (s.entries.empty())
            continue;
        out += u'[' + s.name + QLatin1String("]\r\n");
        for (const Entry& e : s.entries) {
            out += e.key;
            out += u'=';
            out += e.value;
            out += QLatin1String("\r\n");
        }
        out += QLatin1String("\r\n");
    }
    return out;
}

SectionFile::Section& SectionFile::section(const QString& name)
{
    auto it = sections_.find(name);
    if (it == sections_.end())
        it = sections_.emplace(name, Section{name, {}}).first;
    return it->second;
}

void SectionFile::set(const QString& sectionName, const QString& key, const QString& value)
{
    Section& s = section(sectionName);
    for (Entry& e : s.entries) {
        if (QString::compare(e.key, key, Qt::CaseInsensitive) == 0) {
            e.value = value;
            return;
        }
    }
    s.entries.push_back({key, value});
}

void SectionFile::append(const QString& sectionName, const QString& key, const QString& value)
{
    section(sectionName).entries.push_back({key, value});
}

const SectionFile::Section* SectionFile::find(const QString& name) const
{
    auto it = sections_.find(name);
    return it == sections_.end() ? nullptr : &it->second;
}

const QString* SectionFile::value(const QString& sectionName, const QString& key) const
{
    const Section* s = find(sectionName);
    if (!s)
        return nullptr;
    for (const Entry& e : s->entries)
        if (QString::compare(e.key, key, Qt::CaseInsensitive) == 0)
            return &e.value;
    return nullptr;
}

// ---------------------------------------------------------------- values

namespace {

QString num(qint64 v)
{
    return QString::number(v);
}

// Floats use the decimal comma of a Russian system; both separators are read.
QString real(double v)
{
    return QString::number(v, 'g', 15).replace(u'.', u',');
}

bool readInt(const QString& s, qint64& out)
{
    int v;
    if (!text::parseProfileInt(s, v))
        return false;
    out = v;
    return true;
}

bool readReal(QString s, double& out)
{
    bool ok;
    double v = s.trimmed().replace(u',', u'.').toDouble(&ok);
    if (ok)
        out = v;
    return ok;
}

QString cellKey(int c, int r)
{
    return QString::number(c) + u' ' + QString::number(r);
}

// "c r" -> column and row; false for anything else.
bool parseCellKey(const QString& key, int& c, int& r)
{
    qsizetype sp = key.indexOf(u' ');
    if (sp < 0)
        return false;
    bool ok1, ok2;
    c = key.left(sp).toInt(&ok1);
    r = key.mid(sp + 1).toInt(&ok2);
    return ok1 && ok2;
}

bool isCellKey(const QString& name)
{
    int c, r;
    return parseCellKey(name, c, r) && c >= 0 && r >= 0 && name == cellKey(c, r);
}

const char* const kColFontSections[6] = {"Col.Font.Name",    "Col.Font.Size",  "Col.Font.Color",
                                         "Col.Font.Charset", "Col.Font.Pitch", "Col.Font.Style"};
const char* const kCellFontSections[6] = {"Cell.Font.Name",    "Cell.Font.Size",  "Cell.Font.Color",
                                          "Cell.Font.Charset", "Cell.Font.Pitch", "Cell.Font.Style"};

// The six values of a font, in the order of the section tables above.
QString fontValue(const Font& f, int i)
{
    switch (i) {
    case 0: return f.name;
    case 1: return num(f.size);
    case 2: return num(f.colour);
    case 3: return num(f.charset);
    case 4: return num(f.pitch);
    default: return num(f.style);
    }
}

void setFontValue(Font& f, int i, const QString& v)
{
    qint64 n = 0;
    if (i == 0) {
        f.name = v;
        return;
    }
    if (!readInt(v, n))
        return;
    switch (i) {
    case 1: f.size = int(n); break;
    case 2: f.colour = Colour(n); break;
    case 3: f.charset = int(n); break;
    case 4: f.pitch = int(n); break;
    default: f.style = int(n); break;
    }
}

// Cell alignment and layout entries: the section, the cell's own value, the column's.
struct CellIntProp {
    const char* section;
    std::optional<int> Cell::*cellValue;
    int Column::*columnValue;
};
const CellIntProp kCellIntProps[] = {
    {"Cell.TextAlignment", &Cell::textAlignment, &Column::textAlignment},
    {"Cell.TextLayout", &Cell::textLayout, &Column::textLayout},
    {"Cell.GraphicAlignment", &Cell::graphicAlignment, &Column::graphicAlignment},
    {"Cell.GraphicLayout", &Cell::graphicLayout, &Column::graphicLayout},
    {"Cell.MaxLength", &Cell::maxLength, &Column::maxLength},
};

// Column entries written when they differ from a fixed default.
struct ColIntProp {
    const char* section;
    int Column::*value;
    int unstored;
};
const ColIntProp kColIntProps[] = {
    {"Col.TextAlignment", &Column::textAlignment, 0},  {"Col.TextLayout", &Column::textLayout, 0},
    {"Col.GraphicAlignment", &Column::graphicAlignment, 0}, {"Col.GraphicLayout", &Column::graphicLayout, 0},
    {"Col.MaxLength", &Column::maxLength, 0},          {"Col.MaxWidth", &Column::maxWidth, 0},
    {"Col.MinWidth", &Column::minWidth, 0},            {"Col.CheckBoxAlignment", &Column::checkBoxAlignment, 2},
    {"Col.GridLineWidth", &Column::gridLineWidth, 255},
};

struct ColFlag {
    const char* section;
    bool Column::*value;
};
const ColFlag kColFlags[] = {
    {"Col.ReadOnly", &Column::readOnly},
    {"Col.CheckBox", &Column::checkBox},
    {"Unmovable columns", &Column::unmovable},
    {"Non-resizable columns", &Column::nonResizable},
};

QString borderText(const Border& b)
{
    return num(b.colour) + u' ' + num(b.width);
}

bool parseBorder(const QString& v, Border& b)
{
    qsizetype sp = v.indexOf(u' ');
    qint64 colour, width;
    if (sp < 0 || !readInt(v.left(sp), colour) || !readInt(v.mid(sp + 1), width))
        return false;
    b.colour = Colour(colour);
    b.width = int(std::clamp<qint64>(width, 0, 255));
    // A border of width 0 is no border, whatever its colour: the file keeps none.
    if (b.width == 0)
        b = Border{};
    return true;
}

void writeBand(SectionFile& f, const QString& name, const PrintBand& band)
{
    for (qsizetype i = 0; i < band.lines.size(); ++i)
        f.append(name + QLatin1String(".Lines"), num(i), band.lines[i]);
    f.append(name, QStringLiteral("Font.Charset"), num(band.font.charset));
    f.append(name, QStringLiteral("Font.Color"), num(band.font.colour));
    f.append(name, QStringLiteral("Font.Name"), band.font.name);
    f.append(name, QStringLiteral("Font.Pitch"), num(band.font.pitch));
    f.append(name, QStringLiteral("Font.Size"), num(band.font.size));
    f.append(name, QStringLiteral("Font.Style"), num(band.font.style));
    f.append(name, QStringLiteral("Alignment"), num(band.alignment));
    f.append(name, QStringLiteral("Distance"), real(band.distance));
}

void readBand(const SectionFile& f, const QString& name, PrintBand& band)
{
    band.lines.clear();
    if (const SectionFile::Section* s = f.find(name + QLatin1String(".Lines")))
        for (const auto& e : s->entries)
            band.lines << e.value;
    auto get = [&](const char* key) { return f.value(name, QLatin1String(key)); };
    const char* fontKeys[6] = {"Font.Name", "Font.Size", "Font.Color", "Font.Charset", "Font.Pitch", "Font.Style"};
    for (int i = 0; i < 6; ++i)
        if (const QString* v = get(fontKeys[i]))
            setFontValue(band.font, i, *v);
    qint64 n;
    if (const QString* v = get("Alignment"); v && readInt(*v, n))
        band.alignment = int(n);
    if (const QString* v = get("Distance"))
        readReal(*v, band.distance);
}

QString damagedMessage(const QString& fileName, const QString& what)
{
    if (fileName.isEmpty())
        return QStringLiteral("Таблица повреждена: %1.").arg(what);
    return QStringLiteral("Файл \"%1\" повреждён: %2.").arg(fileName, what);
}

} // namespace

// ---------------------------------------------------------------- writing

SectionFile gridTableSections(const Grid& grid)
{
    SectionFile f;
    const QString gridSection = QStringLiteral("Grid");

    for (int k = 0; k < kGridKeyCount; ++k) {
        auto key = GridKey(k);
        const GridKeyInfo& info = gridKeyInfo(key);
        const GridValue& v = grid.value(key);
        QString text;
        switch (info.type) {
        case KeyType::String:
            if (key == GridKey::PopupMenu && v.text.isEmpty())
                continue; // only when a context menu is attached
            text = v.text;
            break;
        case KeyType::Boolean: text = v.number ? QStringLiteral("1") : QStringLiteral("0"); break;
        case KeyType::Float: text = real(v.real); break;
        default: text = num(v.number); break;
        }
        if (key == GridKey::ColCount)
            text = num(grid.colCount());
        else if (key == GridKey::RowCount)
            text = num(grid.rowCount());
        f.append(gridSection, QLatin1String(info.name), text);
    }

    writeBand(f, QStringLiteral("PrintHeader"), grid.printHeader);
    writeBand(f, QStringLiteral("PrintFooter"), grid.printFooter);

    if (!grid.autoRowHeights())
        for (int r = 0; r < grid.rowCount(); ++r)
            if (grid.rowHeight(r) != grid.defaultRowHeight())
                f.append(QStringLiteral("RowHeights"), num(r), num(grid.rowHeight(r)));

    const Font gridFont = grid.font();
    for (int c = 0; c < grid.colCount(); ++c) {
        const Column& col = grid.column(c);
        const QString ck = num(c);
        if (!col.tabStop)
            f.append(QStringLiteral("TabStops"), ck, QStringLiteral("0"));
        if (col.width != grid.defaultColWidth())
            f.append(QStringLiteral("Col.Width"), ck, num(col.width));
        for (const ColIntProp& p : kColIntProps)
            if (col.*p.value != p.unstored)
                f.append(QLatin1String(p.section), ck, num(col.*p.value));
        for (const ColFlag& p : kColFlags)
            if (col.*p.value)
                f.append(QLatin1String(p.section), ck, QString());
        if (col.font)
            for (int i = 0; i < 6; ++i)
                if (fontValue(*col.font, i) != fontValue(gridFont, i))
                    f.append(QLatin1String(kColFontSections[i]), ck, fontValue(*col.font, i));
        if (col.colour) {
            Colour unstored = c < grid.fixedCols() ? grid.fixedColour() : grid.colour();
            if (*col.colour != unstored)
                f.append(QStringLiteral("Col.Color"), ck, num(*col.colour));
        }
        if (col.gridLineColour != kNoColour)
            f.append(QStringLiteral("Col.GridLineColor"), ck, num(col.gridLineColour));

        const Font columnFont = grid.columnFont(c);
        for (int r = 0; r < grid.rowCount(); ++r) {
            Range region = grid.regionAt(c, r);
            if (region.left != c || region.top != r)
                continue;
            const Cell& cell = grid.cell(c, r);
            const QString key = cellKey(c, r);
            if (!region.isSingleCell())
                f.append(QStringLiteral("Unions"), key, cellKey(region.right, region.bottom));
            if (!cell.text.isEmpty()) {
                const QStringList lines = cell.text.split(u'\n');
                for (qsizetype i = 0; i < lines.size(); ++i)
                    f.append(key, num(i), lines[i]);
            }
            if (!cell.hint.isEmpty())
                f.append(QStringLiteral("Hint"), key, cell.hint);
            if (cell.colour != kNoColour)
                f.append(QStringLiteral("Cell.Color"), key, num(cell.colour));
            if (cell.font)
                for (int i = 0; i < 6; ++i)
                    if (fontValue(*cell.font, i) != fontValue(columnFont, i))
                        f.append(QLatin1String(kCellFontSections[i]), key, fontValue(*cell.font, i));
            for (const CellIntProp& p : kCellIntProps)
                if ((cell.*p.cellValue).has_value() && *(cell.*p.cellValue) != col.*p.columnValue)
                    f.append(QLatin1String(p.section), key, num(*(cell.*p.cellValue)));
            if (cell.readOnly && *cell.readOnly != col.readOnly)
                f.append(QStringLiteral("Cell.ReadOnly"), key, num(*cell.readOnly));
            if (cell.wordWrap && *cell.wordWrap != grid.wordWrap())
                f.append(QStringLiteral("Cell.WordWrap"), key, num(*cell.wordWrap));
            if (!cell.graphic.isEmpty())
                f.append(QStringLiteral("Graphic"), key, cell.graphic);
            if (cell.checkBox)
                f.append(QStringLiteral("CheckBox"), key,
                         num(cell.checkBox->checked) + num(cell.checkBox->alignment));
            if (cell.inner.width != 0)
                f.append(QStringLiteral("InnerBorders"), key, borderText(cell.inner));
            if (cell.outer.width != 0)
                f.append(QStringLiteral("OuterBorders"), key, borderText(cell.outer));
        }
    }
    return f;
}

Status gridTableBytes(const Grid& grid, QByteArray& out)
{
    QChar bad;
    if (!text::toCp1251(gridTableSections(grid).text(), out, &bad))
        return Status::refused(
            QStringLiteral("Символ \"%1\" нельзя сохранить в кодировке Windows-1251.").arg(bad));
    return Status::ok();
}

Status writeGridFile(const QString& path, const Grid& grid)
{
    QByteArray bytes;
    Status st = gridTableBytes(grid, bytes);
    return st ? writeWholeFile(path, bytes) : st;
}

// ---------------------------------------------------------------- reading

Status parseGridTable(QByteArrayView bytes, Grid& target, const GridLimits& limits, const QString& fileName)
{
    SectionFile f;
    if (!f.parse(text::fromCp1251(bytes)))
        return Status::damaged(messageTooManyEntries(fileName));
    auto damaged = [&](const QString& what) { return Status::damaged(damagedMessage(fileName, what)); };
    // An empty file is an empty grid; anything else must at least have its "Grid"
    // section, and text files hold no NUL bytes.
    if (bytes.contains('\0') || (!f.find(QStringLiteral("Grid")) && !bytes.trimmed().isEmpty()))
        return damaged(QStringLiteral("это не файл таблицы"));

    // Display keys: start from the grid's own values, cells and columns dropped.
    Grid g;
    for (int k = 0; k < kGridKeyCount; ++k)
        g.value(GridKey(k)) = target.value(GridKey(k));
    g.setAutoRowHeights(target.autoRowHeights());
    g.printHeader = target.printHeader;
    g.printFooter = target.printFooter;

    const QString gridSection = QStringLiteral("Grid");
    qint64 cols = 1, rows = 1;
    for (int k = 0; k < kGridKeyCount; ++k) {
        auto key = GridKey(k);
        const GridKeyInfo& info = gridKeyInfo(key);
        const QString* v = f.value(gridSection, QLatin1String(info.name));
        if (!v)
            continue;
        GridValue& gv = g.value(key);
        qint64 n;
        switch (info.type) {
        case KeyType::String: gv.text = *v; break;
        case KeyType::Float: readReal(*v, gv.real); break;
        case KeyType::Boolean:
            if (readInt(*v, n))
                gv.number = n != 0;
            break;
        default:
            if (readInt(*v, n))
                gv.number = n;
            break;
        }
    }
    if (!f.value(gridSection, QStringLiteral("About")))
        g.setAutoRowHeights(true);
    if (const QString* v = f.value(gridSection, QStringLiteral("ColCount")))
        readInt(*v, cols);
    if (const QString* v = f.value(gridSection, QStringLiteral("RowCount")))
        readInt(*v, rows);
    if (cols < 1 || rows < 1 || cols > limits.maxCols || rows > limits.maxRows || cols * rows > limits.maxCells)
        return damaged(QStringLiteral("недопустимый размер таблицы %1 x %2 (допустимо не более %3 x %4)")
                           .arg(cols)
                           .arg(rows)
                           .arg(limits.maxCols)
                           .arg(limits.maxRows));
    g.setNumber(GridKey::FixedCols, std::clamp<qint64>(g.value(GridKey::FixedCols).number, 0, cols));
    g.setNumber(GridKey::FixedRows, std::clamp<qint64>(g.value(GridKey::FixedRows).number, 0, rows));
    g.setNumber(GridKey::DefaultColWidth, std::clamp<qint64>(g.value(GridKey::DefaultColWidth).number, 0, 65535));
    g.setNumber(GridKey::DefaultRowHeight, std::clamp<qint64>(g.value(GridKey::DefaultRowHeight).number, 0, 65535));
    g.resize(int(cols), int(rows));
    g.setDefaultColWidth(g.defaultColWidth());
    g.setDefaultRowHeight(g.defaultRowHeight());

    readBand(f, QStringLiteral("PrintHeader"), g.printHeader);
    readBand(f, QStringLiteral("PrintFooter"), g.printFooter);

    if (const SectionFile::Section* s = f.find(QStringLiteral("Unions"))) {
        for (const auto& e : s->entries) {
            // Four numbers, each ended by the one separator character after it.
            const QString line = e.key + u'=' + e.value;
            int n[4];
            qsizetype pos = 0;
            for (int i = 0; i < 4; ++i) {
                qsizetype begin = pos;
                if (pos < line.size() && line[pos] == u'-')
                    ++pos;
                while (pos < line.size() && line[pos].isDigit() && pos - begin < 10)
                    ++pos;
                bool ok;
                n[i] = line.mid(begin, pos - begin).toInt(&ok);
                if (!ok)
                    return damaged(QStringLiteral("неверная запись объединения ячеек \"%1\"").arg(line));
                ++pos;
            }
            Range range{n[0], n[1], n[2], n[3]};
            if (!g.rangeFits(range))
                return damaged(QStringLiteral("объединение ячеек \"%1\" выходит за пределы таблицы").arg(line));
            if (!g.addRange(range))
                return damaged(QStringLiteral("объединение ячеек \"%1\" пересекается с другим").arg(line));
        }
    }

    auto forColumns = [&](const char* section, const std::function<void(Column&, const QString&)>& apply) {
        if (const SectionFile::Section* s = f.find(QLatin1String(section)))
            for (const auto& e : s->entries) {
                bool ok;
                int c = e.key.toInt(&ok);
                if (ok && c >= 0 && c < g.colCount())
                    apply(g.column(c), e.value);
            }
    };
    auto columnInt = [&](const char* section, int Column::*member, qint64 lo, qint64 hi) {
        forColumns(section, [&](Column& col, const QString& v) {
            qint64 n;
            if (readInt(v, n))
                col.*member = int(std::clamp(n, lo, hi));
        });
    };
    forColumns("TabStops", [](Column& col, const QString& v) { col.tabStop = v.trimmed() != u"0"; });
    columnInt("Col.Width", &Column::width, 0, 65535);
    for (const ColIntProp& p : kColIntProps)
        columnInt(p.section, p.value, INT32_MIN, INT32_MAX);
    for (const ColFlag& p : kColFlags)
        forColumns(p.section, [&](Column& col, const QString&) { col.*p.value = true; });
    const Font gridFont = g.font();
    for (int i = 0; i < 6; ++i)
        forColumns(kColFontSections[i], [&](Column& col, const QString& v) {
            if (!col.font)
                col.font = gridFont;
            setFontValue(*col.font, i, v);
        });
    forColumns("Col.Color", [](Column& col, const QString& v) {
        qint64 n;
        if (readInt(v, n))
            col.colour = Colour(n);
    });
    forColumns("Col.GridLineColor", [](Column& col, const QString& v) {
        qint64 n;
        if (readInt(v, n))
            col.gridLineColour = Colour(n);
    });

    if (!g.autoRowHeights())
        if (const SectionFile::Section* s = f.find(QStringLiteral("RowHeights")))
            for (const auto& e : s->entries) {
                bool ok;
                int r = e.key.toInt(&ok);
                qint64 h;
                if (ok && r >= 0 && r < g.rowCount() && readInt(e.value, h))
                    g.setRowHeight(r, int(std::clamp<qint64>(h, 0, 65535)));
            }

    // Cell texts: one section per cell, its lines in file order.
    for (const auto& [name, s] : f.sections()) {
        if (!isCellKey(s.name))
            continue;
        int c, r;
        parseCellKey(s.name, c, r);
        if (c >= g.colCount() || r >= g.rowCount())
            return damaged(QStringLiteral("текст ячейки %1 вне таблицы").arg(s.name));
        QStringList lines;
        for (const auto& e : s.entries)
            lines << e.value;
        g.setText(c, r, lines.join(u'\n'));
    }

    auto forCells = [&](const char* section, const std::function<void(int, int, Cell&, const QString&)>& apply) {
        if (const SectionFile::Section* s = f.find(QLatin1String(section)))
            for (const auto& e : s->entries) {
                int c, r;
                if (parseCellKey(e.key, c, r) && c >= 0 && r >= 0 && c < g.colCount() && r < g.rowCount())
                    apply(c, r, g.cell(c, r), e.value);
            }
    };
    auto cellNumber = [&](const char* section, const std::function<void(Cell&, qint64)>& apply) {
        forCells(section, [&](int, int, Cell& cell, const QString& v) {
            qint64 n;
            if (readInt(v, n))
                apply(cell, n);
        });
    };
    forCells("Hint", [](int, int, Cell& cell, const QString& v) { cell.hint = v; });
    cellNumber("Cell.Color", [](Cell& cell, qint64 n) { cell.colour = Colour(n); });
    for (int i = 0; i < 6; ++i)
        forCells(kCellFontSections[i], [&](int c, int, Cell& cell, const QString& v) {
            if (!cell.font)
                cell.font = g.columnFont(c);
            setFontValue(*cell.font, i, v);
        });
    for (const CellIntProp& p : kCellIntProps)
        cellNumber(p.section, [&](Cell& cell, qint64 n) { cell.*p.cellValue = int(n); });
    cellNumber("Cell.ReadOnly", [](Cell& cell, qint64 n) { cell.readOnly = n != 0; });
    cellNumber("Cell.WordWrap", [](Cell& cell, qint64 n) { cell.wordWrap = n != 0; });
    forCells("Graphic", [](int, int, Cell& cell, const QString& v) { cell.graphic = v; });
    forCells("CheckBox", [](int, int, Cell& cell, const QString& v) {
        if (v.isEmpty())
            return;
        CheckBox box;
        box.checked = v[0] != u'0';
        bool ok;
        int alignment = v.mid(1).toInt(&ok);
        if (ok)
            box.alignment = alignment;
        cell.checkBox = box;
    });
    forCells("InnerBorders", [](int, int, Cell& cell, const QString& v) { parseBorder(v, cell.inner); });
    forCells("OuterBorders", [](int, int, Cell& cell, const QString& v) { parseBorder(v, cell.outer); });

    target = std::move(g);
    return Status::ok();
}

Status readGridFile(const QString& path, Grid& grid, const GridLimits& limits)
{
    QByteArray bytes;
    Status st = readWholeFile(path, kMaxGridFileBytes, bytes);
    if (!st)
        return st;
    return parseGridTable(bytes, grid, limits, path);
}

} // namespace rastrova::store
