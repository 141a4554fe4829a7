#include "text/profile.h"

#include "text/codepage.h"

namespace rastrova::text {

namespace {

bool sameName(QStringView a, QStringView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QString unquote(QString value)
{
    if (value.size() >= 2) {
        QChar first = value.front();
        if ((first == u'"' || first == u'\'') && value.back() == first)
            return value.mid(1, value.size() - 2);
    }
    return value;
}

} // namespace

bool parseProfileInt(QStringView text, int& out)
{
    QStringView t = text.trimmed();
    if (t.isEmpty())
        return false;
    bool ok = false;
    qlonglong v;
    if (t.size() > 2 && t[0] == u'0' && (t[1] == u'x' || t[1] == u'X')) {
        QStringView digits = t.mid(2);
        if (digits.startsWith(u'-') || digits.startsWith(u'+'))
            return false;
        v = digits.toLongLong(&ok, 16);
        // "0xFFFFFFFF" is a 32-bit pattern, as colours are stored.
        if (ok && v > 0xFFFFFFFFLL)
            ok = false;
        if (ok && v > 0x7FFFFFFFLL)
            v -= 0x100000000LL;
    } else {
        v = t.toLongLong(&ok, 10);
        if (ok && (v < INT32_MIN || v > INT32_MAX))
            ok = false;
    }
    if (!ok)
        return false;
    out = int(v);
    return true;
}

bool IniProfile::parse(QByteArrayView cp1251)
{
    lines_.clear();
    const QString text = fromCp1251(cp1251);
    qint64 cost = 0;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf(u'\n', start);
        if (end < 0)
            end = text.size();
        QString raw = text.mid(start, end - start);
        if (raw.endsWith(u'\r'))
            raw.chop(1);
        start = end + 1;

        Line line;
        line.text = raw;
        QStringView t = QStringView(raw).trimmed();
        if (t.startsWith(u'[')) {
            qsizetype close = t.indexOf(u']');
            line.kind = Line::Section;
            line.name = (close < 0 ? t.mid(1) : t.mid(1, close - 1)).trimmed().toString();
        } else if (!t.isEmpty() && !t.startsWith(u';')) {
            qsizetype eq = t.indexOf(u'=');
            if (eq >= 0) {
                line.kind = Line::Entry;
                line.name = t.left(eq).trimmed().toString();
                line.value = unquote(t.mid(eq + 1).trimmed().toString());
            }
        }
        // The line, its three texts with their headers, and the vector's slack.
        cost += qint64(sizeof(Line)) * 2 + 3 * 32 + 2 * (line.text.size() + line.name.size() + line.value.size());
        if (cost > kMaxParsedBytes) {
            lines_ = {};
            return false;
        }
        lines_.push_back(std::move(line));
    }
    return true;
}

QString IniProfile::joinedLines() const
{
    QString text;
    for (const Line& line : lines_) {
        text += line.text;
        text += QLatin1String("\r\n");
    }
    return text;
}

QByteArray IniProfile::serialize() const
{
    return toCp1251Lossy(joinedLines());
}

Status IniProfile::load(const QString& path)
{
    lines_.clear();
    QByteArray bytes;
    Status st = readWholeFile(path, kMaxFileBytes, bytes);
    if (st && !parse(bytes))
        return Status::damaged(messageTooManyEntries(path));
    return st;
}

Status IniProfile::save(const QString& path) const
{
    QByteArray bytes;
    QChar bad;
    if (!toCp1251(joinedLines(), bytes, &bad))
        return Status::refused(
            QStringLiteral("Символ \"%1\" нельзя записать в файл \"%2\" в кодировке Windows-1251.").arg(bad).arg(path));
    return writeWholeFile(path, bytes);
}

qsizetype IniProfile::findSection(QStringView section) const
{
    for (size_t i = 0; i < lines_.size(); ++i)
        if (lines_[i].kind == Line::Section && sameName(lines_[i].name, section))
            return qsizetype(i);
    return -1;
}

qsizetype IniProfile::sectionEnd(qsizetype header) const
{
    qsizetype i = header + 1;
    while (i < qsizetype(lines_.size()) && lines_[size_t(i)].kind != Line::Section)
        ++i;
    return i;
}

qsizetype IniProfile::findKey(QStringView section, QStringView key) const
{
    qsizetype header = findSection(section);
    if (header < 0)
        return -1;
    qsizetype end = sectionEnd(header);
    for (qsizetype i = header + 1; i < end; ++i) {
        const Line& line = lines_[size_t(i)];
        if (line.kind == Line::Entry && sameName(line.name, key))
            return i;
    }
    return -1;
}

bool IniProfile::hasSection(QStringView section) const
{
    return findSection(section) >= 0;
}

bool IniProfile::hasKey(QStringView section, QStringView key) const
{
    return findKey(section, key) >= 0;
}

QStringList IniProfile::sections() const
{
    QStringList names;
    for (const Line& line : lines_)
        if (line.kind == Line::Section && !names.contains(line.name, Qt::CaseInsensitive))
            names << line.name;
    return names;
}

QStringList IniProfile::keys(QStringView section) const
{
    QStringList names;
    qsizetype header = findSection(section);
    if (header < 0)
        return names;
    qsizetype end = sectionEnd(header);
    for (qsizetype i = header + 1; i < end; ++i)
        if (lines_[size_t(i)].kind == Line::Entry)
            names << lines_[size_t(i)].name;
    return names;
}

QList<std::pair<QString, QString>> IniProfile::entries(QStringView section) const
{
    QList<std::pair<QString, QString>> found;
    const qsizetype header = findSection(section);
    if (header < 0)
        return found;
    const qsizetype end = sectionEnd(header);
    for (qsizetype i = header + 1; i < end; ++i)
        if (lines_[size_t(i)].kind == Line::Entry)
            found.append({lines_[size_t(i)].name, lines_[size_t(i)].value});
    return found;
}

QString IniProfile::value(QStringView section, QStringView key, const QString& def) const
{
    qsizetype i = findKey(section, key);
    return i < 0 ? def : lines_[size_t(i)].value;
}

int IniProfile::intValue(QStringView section, QStringView key, int def) const
{
    qsizetype i = findKey(section, key);
    int v;
    if (i < 0 || !parseProfileInt(lines_[size_t(i)].value, v))
        return def;
    return v;
}

bool IniProfile::flag(QStringView section, QStringView key, bool def) const
{
    qsizetype i = findKey(section, key);
    return i < 0 ? def : lines_[size_t(i)].value == QLatin1String("TRUE");
}

IniProfile::Line IniProfile::makeEntry(QStringView key, const QString& value)
{
    Line line;
    line.kind = Line::Entry;
    line.name = key.trimmed().toString();
    line.value = unquote(value.trimmed());
    line.text = line.name + u'=' + value;
    return line;
}

void IniProfile::ensureSection(QStringView section)
{
    if (findSection(section) >= 0)
        return;
    Line header;
    header.kind = Line::Section;
    header.name = section.trimmed().toString();
    header.text = u'[' + header.name + u']';
    lines_.push_back(std::move(header));
}

void IniProfile::setValue(QStringView section, QStringView key, const QString& rawValue)
{
    // A value is one line: a line break would start lines of its own.
    QString value = rawValue;
    value.replace(u'\r', u' ').replace(u'\n', u' ');
    qsizetype i = findKey(section, key);
    if (i >= 0) {
        lines_[size_t(i)] = makeEntry(key, value);
        return;
    }
    ensureSection(section);
    qsizetype header = findSection(section);
    // After the section's last non-blank line, so that a blank line that
    // separates it from the next section stays where it is.
    qsizetype at = sectionEnd(header);
    while (at > header + 1 && QStringView(lines_[size_t(at - 1)].text).trimmed().isEmpty())
        --at;
    lines_.insert(lines_.begin() + at, makeEntry(key, value));
}

void IniProfile::setInt(QStringView section, QStringView key, int value)
{
    setValue(section, key, QString::number(value));
}

void IniProfile::setFlag(QStringView section, QStringView key, bool on)
{
    setValue(section, key, on ? QStringLiteral("TRUE") : QStringLiteral("FALSE"));
}

bool IniProfile::remove(QStringView section, QStringView key)
{
    qsizetype i = findKey(section, key);
    if (i < 0)
        return false;
    lines_.erase(lines_.begin() + i);
    return true;
}

} // namespace rastrova::text
