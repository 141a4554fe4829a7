// The reference list "sprav.txt" from arbitrary bytes: reading must never crash,
// and what was read must keep the list's bounds: at most ten headers, names of
// at most 35 characters, groups that start in order inside the entries, at most
// nine groups offered, and the entries of all groups together are the entries
// from the first header on.
//
// The list, written back as a file of its own (its headers, and every entry as
// name and four two-digit hexadecimal fields), must read back to the same list.

#include "editor/reflist.h"
#include "text/codepage.h"

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

using rastrova::editor::ReferenceEntry;
using rastrova::editor::ReferenceList;

namespace {

[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "fuzz_reflist: %s\n", what);
    std::abort();
}

void check(bool ok, const char* what)
{
    if (!ok)
        fail(what);
}

QString hexByte(uint8_t b)
{
    return QStringLiteral("%1").arg(int(b), 2, 16, QLatin1Char('0')).toUpper();
}

QString entryLine(const ReferenceEntry& e)
{
    QString line = e.name;
    for (uint8_t b : e.bytes)
        line += u';' + hexByte(b);
    return line;
}

// The list as a file: entries before the first header, then each header with its entries.
QString listText(const ReferenceList& list)
{
    QString out;
    const auto& headers = list.headers();
    const auto& entries = list.entries();
    qsizetype next = 0;
    for (qsizetype h = 0; h <= headers.size(); ++h) {
        const qsizetype until = h < headers.size() ? headers[h].firstEntry : entries.size();
        for (; next < until; ++next)
            out += entryLine(entries[next]) + QLatin1String("\r\n");
        if (h < headers.size())
            out += headers[h].name + QLatin1String("\r\n");
    }
    return out;
}

void checkBounds(const ReferenceList& list)
{
    const auto& headers = list.headers();
    const auto& entries = list.entries();
    check(headers.size() <= ReferenceList::kMaxHeaders, "more headers than the list keeps");
    int previous = 0;
    for (const auto& h : headers) {
        check(!h.name.isEmpty() && h.name == h.name.trimmed(), "a header name is empty or not trimmed");
        check(!h.name.contains(u';') && !h.name.contains(u'\n'), "a header name holds a ';' or a line end");
        check(h.firstEntry >= previous && h.firstEntry <= entries.size(), "a group starts out of order");
        previous = h.firstEntry;
    }
    for (const auto& e : entries) {
        check(e.name.size() <= ReferenceList::kMaxNameLength, "an entry name is too long");
        check(!e.name.contains(u';') && !e.name.contains(u'\n'), "an entry name holds a ';' or a line end");
    }

    const QStringList offered = list.offeredGroups();
    check(offered.size() <= 9 && offered.size() <= std::max<qsizetype>(0, headers.size() - 1),
          "more groups offered than allowed");
    for (qsizetype i = 0; i < offered.size(); ++i)
        check(offered[i] == headers[i].name, "an offered group is not its header");

    QList<ReferenceEntry> joined;
    for (int g = 0; g < int(headers.size()); ++g)
        joined += list.groupEntries(g);
    const int first = headers.isEmpty() ? int(entries.size()) : headers[0].firstEntry;
    check(joined == entries.mid(first), "the groups' entries are not the entries from the first header on");
    check(list.groupEntries(-1).isEmpty() && list.groupEntries(int(headers.size())).isEmpty(),
          "a group outside the headers has entries");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));

    ReferenceList list;
    list.parse(bytes);
    checkBounds(list);

    // A name cut to 35 characters may end in a blank, which reading trims.
    QList<ReferenceEntry> trimmed = list.entries();
    for (ReferenceEntry& e : trimmed)
        e.name = e.name.trimmed();

    QByteArray file;
    if (!rastrova::text::toCp1251(listText(list), file))
        return 0; // a character the decoder gave that 1251 cannot hold again
    ReferenceList back;
    back.parse(file);
    checkBounds(back);
    check(back.entries() == trimmed, "the written list reads back with other entries");
    check(back.headers().size() == list.headers().size(), "the written list reads back with other headers");
    for (qsizetype h = 0; h < list.headers().size(); ++h)
        check(back.headers()[h].name == list.headers()[h].name &&
                  back.headers()[h].firstEntry == list.headers()[h].firstEntry,
              "a header reads back differently");

    list.clear();
    check(list.headers().isEmpty() && list.entries().isEmpty(), "clearing left something");
    return 0;
}
