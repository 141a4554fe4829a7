// Settings files from arbitrary bytes: reading, querying and editing must never
// crash, and the edited profile, written and read again, must list the same
// sections and keys with the same values.
//
// What is edited comes from the input itself: an entry of the file gets a new
// value, another entry is removed, and a new key goes into an existing section
// and into a new one. The new value is a piece of the input without line ends:
// a value is one line of the file. Section and key names are ones the file
// itself gave (or plain ones), since a name holding "=", or starting with "["
// or ";", is not a key name a file can hold.
//
// Why the check holds: every line read is kept as it stood and written back
// with CR LF, and every line the edits add is made from such names, so reading
// the written file classifies every line as before. Written once more, the file
// must come out byte for byte the same.

#include "text/codepage.h"
#include "text/profile.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

using rastrova::text::IniProfile;

namespace {

struct KeyRef {
    QString section;
    QString key;
};

std::vector<KeyRef> allKeys(const IniProfile& p)
{
    std::vector<KeyRef> out;
    for (const QString& section : p.sections())
        for (const QString& key : p.keys(section))
            out.push_back({section, key});
    return out;
}

// Every read the profile offers; the results feed a sink so that nothing is
// optimised away.
void readEverything(const IniProfile& p)
{
    static volatile long long sink = 0;
    long long acc = 0;
    for (const KeyRef& k : allKeys(p)) {
        acc += p.hasSection(k.section) + p.hasKey(k.section, k.key);
        acc += p.value(k.section, k.key).size();
        acc += p.intValue(k.section, k.key, 7);
        acc += p.flag(k.section, k.key, true);
        int n = 0;
        if (rastrova::text::parseProfileInt(p.value(k.section, k.key), n))
            acc += n;
    }
    sink = sink + acc;
}

[[noreturn]] void fail(const char* what, const QString& section, const QString& key, const QByteArray& file)
{
    std::fprintf(stderr, "fuzz_profile: %s (section \"%s\", key \"%s\")\n--- written file (%lld bytes)\n%s\n",
                 what, section.toUtf8().constData(), key.toUtf8().constData(),
                 static_cast<long long>(file.size()), file.toHex(' ').constData());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));

    IniProfile p;
    p.parse(bytes);
    readEverything(p);

    // The choices are taken from the first bytes, the new value from the last ones.
    const size_t pick = size > 0 ? data[0] : 0;
    const size_t pick2 = size > 1 ? data[1] : 0;
    QString value = rastrova::text::fromCp1251(bytes.last(qMin<qsizetype>(bytes.size(), 24)));
    value.remove(u'\r').remove(u'\n');

    const std::vector<KeyRef> keys = allKeys(p);
    QString section = QStringLiteral("Fuzz");
    if (!keys.empty()) {
        const KeyRef& changed = keys[pick % keys.size()];
        p.setValue(changed.section, changed.key, value);
        const KeyRef& removed = keys[pick2 % keys.size()];
        p.remove(removed.section, removed.key);
        section = changed.section;
    }
    p.setValue(section, u"Fuzz key", value);
    p.setValue(u"Fuzz section", u"Fuzz key", value);
    readEverything(p);

    const QByteArray file = p.serialize();
    IniProfile back;
    back.parse(file);

    if (back.serialize() != file)
        fail("the written file, read and written again, changes", {}, {}, file);
    if (back.sections() != p.sections())
        fail("the sections differ after reading the written file", {}, {}, file);
    for (const QString& s : p.sections()) {
        const QStringList names = p.keys(s);
        if (back.keys(s) != names)
            fail("the keys differ after reading the written file", s, {}, file);
        for (const QString& k : names)
            if (back.value(s, k) != p.value(s, k))
                fail("a value differs after reading the written file", s, k, file);
    }
    return 0;
}
