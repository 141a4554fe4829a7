// Program settings files "RASTROVA.INI" from arbitrary bytes, read and written
// as the program reads and writes them. Nothing may crash, and:
//   - the open action is 0..2, the base folder never empty and without a
//     trailing separator;
//   - the settings written and read again are the same settings (but for a
//     line break inside a value, which the writer turns into a blank);
//   - writing keeps every other key of the file with its value (the programming
//     window's section among them).
// The file lives in a temporary folder made once.

#include "store/settings.h"
#include "text/profile.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

using namespace rastrova::store;
using rastrova::text::IniProfile;

namespace {

[[noreturn]] void fail(const char* what, const QString& detail = {})
{
    std::fprintf(stderr, "fuzz_settings: %s %s\n", what,
                 detail.toUtf8().toPercentEncoding(" /\"=").constData());
    std::abort();
}

void check(bool ok, const char* what, const QString& detail = {})
{
    if (!ok)
        fail(what, detail);
}

// Every write of the program is synced to disk; the folder goes into memory
// (/dev/shm) where there is one, or a run would wait for the disk most of its time.
QString scratchParent()
{
    const QFileInfo shm(QStringLiteral("/dev/shm"));
    return shm.isDir() && shm.isWritable() ? shm.filePath() : QDir::tempPath();
}

const QString& settingsFile()
{
    static const QString path = [] {
        std::string tmpl =
            QDir(scratchParent()).filePath(QStringLiteral("fuzz_settings.XXXXXX")).toStdString();
        if (!::mkdtemp(tmpl.data()))
            fail("cannot make a temporary folder");
        static QString root = QString::fromStdString(tmpl);
        std::atexit([] { QDir(root).removeRecursively(); });
        return root + u'/' + kSettingsFileName;
    }();
    return path;
}

// The keys readSettings and writeSettings own.
bool isSettingsKey(const QString& section, const QString& key)
{
    if (section.compare(u"FIRST", Qt::CaseInsensitive) == 0)
        for (const char* k : {"PUT", "Panel1", "Panel2", "Panel3", "Panel4", "OPENACTION"})
            if (key.compare(QLatin1String(k), Qt::CaseInsensitive) == 0)
                return true;
    return section.compare(u"ROPT", Qt::CaseInsensitive) == 0 &&
           key.compare(u"BathePath", Qt::CaseInsensitive) == 0;
}

void checkSettings(const ProgramSettings& s)
{
    check(s.openAction >= 0 && s.openAction <= 2, "the open action is outside 0..2");
    check(!s.baseFolder.isEmpty(), "the base folder is empty");
    check(s.baseFolder == withoutTrailingSeparator(s.baseFolder),
          "the base folder keeps a trailing separator", s.baseFolder);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString& path = settingsFile();
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
            fail("cannot write the settings file");
    }
    const QString programFolder = QStringLiteral("/opt/Растрова");
    const QString currentBase = QStringLiteral("/home/user/База");

    const ProgramSettings first = readSettings(path, programFolder, currentBase);
    checkSettings(first);

    IniProfile before;
    before.parse(bytes);

    if (!writeSettings(path, first))
        return 0; // refused: a text of the file that code page 1251 cannot hold again
    const ProgramSettings second = readSettings(path, programFolder, currentBase);
    checkSettings(second);
    // A value is one line: the writer turns a line break inside it into a blank.
    ProgramSettings expected = first;
    // Blanks at the ends are then trimmed on reading, as always.
    expected.baseFolder = withoutTrailingSeparator(expected.baseFolder.replace(u'\r', u' ').trimmed());
    expected.databasePath = expected.databasePath.replace(u'\r', u' ').trimmed();
    if (second != expected) {
        auto show = [](const ProgramSettings& s) {
            return QStringLiteral("base \"%1\" panels %2%3%4%5 action %6 database \"%7\"")
                .arg(s.baseFolder)
                .arg(int(s.standardToolbar))
                .arg(int(s.blankToolbar))
                .arg(int(s.toolManager))
                .arg(int(s.parameterList))
                .arg(s.openAction)
                .arg(s.databasePath);
        };
        fail("the settings written read back differently:",
             show(expected) + QStringLiteral(" / ") + show(second));
    }

    IniProfile after;
    check(bool(after.load(path)), "the written settings file cannot be read");
    for (const QString& section : before.sections())
        for (const QString& key : before.keys(section)) {
            if (isSettingsKey(section, key))
                continue;
            check(after.hasKey(section, key), "writing the settings lost a key:", section + u'/' + key);
            check(after.value(section, key) == before.value(section, key),
                  "writing the settings changed a key:", section + u'/' + key);
        }
    return 0;
}
