#include "editor/reflist.h"

#include "text/codepage.h"

namespace rastrova::editor {

void ReferenceList::clear()
{
    headers_.clear();
    entries_.clear();
}

void ReferenceList::parse(QByteArrayView cp1251)
{
    clear();
    const QString text = text::fromCp1251(cp1251);
    for (QStringView line : QStringView(text).split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.trimmed().isEmpty())
            continue;
        qsizetype semicolon = line.indexOf(u';');
        if (semicolon < 0) {
            if (headers_.size() < kMaxHeaders)
                headers_.append({line.trimmed().toString(), int(entries_.size())});
            continue;
        }
        ReferenceEntry entry;
        entry.name = line.left(semicolon).trimmed().left(kMaxNameLength).toString();
        int field = 0;
        for (QChar c : line.mid(semicolon + 1)) {
            if (c == u';') {
                if (++field >= int(entry.bytes.size()))
                    break;
                continue;
            }
            int digit = -1;
            char16_t u = c.unicode();
            if (u >= '0' && u <= '9')
                digit = u - '0';
            else if (u >= 'A' && u <= 'F')
                digit = u - 'A' + 10;
            else if (u >= 'a' && u <= 'f')
                digit = u - 'a' + 10;
            if (digit >= 0)
                entry.bytes[size_t(field)] = uint8_t(entry.bytes[size_t(field)] * 16 + digit);
        }
        entries_.append(entry);
    }
}

Status ReferenceList::load(const QString& path)
{
    clear();
    QByteArray bytes;
    Status st = readWholeFile(path, kMaxFileBytes, bytes);
    if (st)
        parse(bytes);
    return st;
}

QStringList ReferenceList::offeredGroups() const
{
    QStringList names;
    for (qsizetype i = 0; i + 1 < headers_.size() && i < 9; ++i)
        names << headers_[i].name;
    return names;
}

QList<ReferenceEntry> ReferenceList::groupEntries(int group) const
{
    if (group < 0 || group >= headers_.size())
        return {};
    const int from = headers_[group].firstEntry;
    const int to = group + 1 < headers_.size() ? headers_[group + 1].firstEntry : int(entries_.size());
    return entries_.mid(from, to - from);
}

} // namespace rastrova::editor
