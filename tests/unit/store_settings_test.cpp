// The program settings "RASTROVA.INI" and where the program keeps them.

#include "store/settings.h"
#include "text/codepage.h"
#include "text/profile.h"

#include <gtest/gtest.h>

#include "filelimit.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <utility>

using namespace rastrova;
using namespace rastrova::store;
using namespace testfiles;

namespace {

struct SettingsFile {
    QTemporaryDir dir;
    QString path = QDir(dir.path()).filePath(QStringLiteral("RASTROVA.INI"));

    ProgramSettings read(const QString& text)
    {
        writeCp1251(path, text);
        return readSettings(path, QStringLiteral("/prog"), QStringLiteral("/current"));
    }
};

} // namespace

TEST(SettingsRead, MissingFileOrKeysGiveTheDefaults)
{
    SettingsFile f;
    ProgramSettings expected;
    expected.baseFolder = QStringLiteral("/current");
    EXPECT_EQ(readSettings(f.path, QStringLiteral("/prog"), QStringLiteral("/current")), expected);
    EXPECT_EQ(f.read(QStringLiteral("[FIRST]\r\n[ROPT]\r\n")), expected);
    EXPECT_TRUE(expected.standardToolbar && expected.blankToolbar && !expected.toolManager &&
                expected.parameterList);
}

TEST(SettingsRead, ReadsEveryKeyIn1251)
{
    SettingsFile f;
    const ProgramSettings s =
        f.read(QStringLiteral("[FIRST]\r\nPUT=C:\\Данные\\Бланки\\\r\nPanel1=FALSE\r\n"
                              "Panel2=true\r\nPanel3=TRUE\r\nPanel4=yes\r\nOPENACTION=2\r\n"
                              "[ROPT]\r\nBathePath=D:\\База\\тепло.db\r\n"));
    EXPECT_EQ(s.baseFolder, QStringLiteral("C:\\Данные\\Бланки"));
    EXPECT_FALSE(s.standardToolbar);
    EXPECT_FALSE(s.blankToolbar); // only "TRUE" turns a panel on
    EXPECT_TRUE(s.toolManager);
    EXPECT_FALSE(s.parameterList);
    EXPECT_EQ(s.openAction, 2);
    EXPECT_EQ(s.databasePath, QStringLiteral("D:\\База\\тепло.db"));
}

TEST(SettingsRead, BaseFolderFallsBackAndLosesTrailingSeparators)
{
    SettingsFile f;
    EXPECT_EQ(f.read(QStringLiteral("[FIRST]\r\nPUT=\r\n")).baseFolder, QStringLiteral("/prog"));
    EXPECT_EQ(f.read(QStringLiteral("[FIRST]\r\nPUT=/srv/бланки//\r\n")).baseFolder,
              QStringLiteral("/srv/бланки"));
    EXPECT_EQ(f.read(QStringLiteral("[FIRST]\r\nPUT=/\r\n")).baseFolder, QStringLiteral("/"));
}

TEST(SettingsRead, OpenActionOutsideItsRangeIsZero)
{
    SettingsFile f;
    const std::pair<const char*, int> cases[] = {{"0", 0},  {"1", 1},   {"2", 2}, {"3", 0},
                                                 {"-1", 0}, {"abc", 0}, {"", 0}};
    for (const auto& [value, expected] : cases)
        EXPECT_EQ(f.read(QStringLiteral("[FIRST]\r\nOPENACTION=") + QLatin1String(value)).openAction,
                  expected)
            << value;
}

TEST(SettingsWrite, KeepsOtherSectionsAndWritesFlagsAsWords)
{
    SettingsFile f;
    writeCp1251(f.path, QStringLiteral("; настройки\r\n[FIRST]\r\nPUT=/old\r\nExtra=1\r\n\r\n"
                                       "[Parametrs]\r\nPort=COM2\r\nСкорость=9600\r\n"));
    ProgramSettings s;
    s.baseFolder = QStringLiteral("/srv/Бланки");
    s.standardToolbar = false;
    s.toolManager = true;
    s.openAction = 1;
    s.databasePath = QStringLiteral("/var/база.db");
    ASSERT_TRUE(writeSettings(f.path, s).isOk());

    const QByteArray raw = readRaw(f.path);
    for (const char* line : {"Panel1=FALSE\r\n", "Panel2=TRUE\r\n", "Panel3=TRUE\r\n", "Panel4=TRUE\r\n",
                             "OPENACTION=1\r\n", "Extra=1\r\n", "Port=COM2\r\n"})
        EXPECT_TRUE(raw.contains(line)) << line;
    QByteArray put;
    ASSERT_TRUE(text::toCp1251(u"PUT=/srv/Бланки\r\n", put));
    EXPECT_TRUE(raw.contains(put));
    EXPECT_TRUE(raw.startsWith(text::toCp1251Lossy(u"; настройки\r\n")));

    text::IniProfile ini;
    ASSERT_TRUE(ini.load(f.path).isOk());
    EXPECT_EQ(ini.value(u"Parametrs", u"Скорость"), QStringLiteral("9600"));
    EXPECT_EQ(ini.sections(),
              (QStringList{QStringLiteral("FIRST"), QStringLiteral("Parametrs"), QStringLiteral("ROPT")}));
    EXPECT_EQ(ini.keys(u"FIRST"),
              (QStringList{QStringLiteral("PUT"), QStringLiteral("Extra"), QStringLiteral("Panel1"),
                           QStringLiteral("Panel2"), QStringLiteral("Panel3"), QStringLiteral("Panel4"),
                           QStringLiteral("OPENACTION")}));
    EXPECT_EQ(readSettings(f.path, QStringLiteral("/prog"), QStringLiteral("/current")), s);
}

TEST(SettingsPaths, HomeOptionInBothForms)
{
    EXPECT_EQ(homeOption({QStringLiteral("prog"), QStringLiteral("--home"), QStringLiteral("/дом")}),
              QStringLiteral("/дом"));
    EXPECT_EQ(homeOption({QStringLiteral("scan"), QStringLiteral("--home=/x y"), QStringLiteral("b")}),
              QStringLiteral("/x y"));
    EXPECT_TRUE(homeOption({QStringLiteral("prog"), QStringLiteral("--home")}).isEmpty());
    EXPECT_TRUE(
        homeOption({QStringLiteral("prog"), QStringLiteral("--homer"), QStringLiteral("/z")}).isEmpty());
    EXPECT_TRUE(homeOption({}).isEmpty());
}

TEST(SettingsPaths, HomeOrExecutableFolderHoldsTheSettings)
{
    QTemporaryDir exe;
    QTemporaryDir home;
    const ProgramPaths byExe = resolveProgramPaths(QString(), exe.path());
    EXPECT_EQ(byExe.programFolder, exe.path());
    EXPECT_EQ(byExe.settingsFile, QDir(exe.path()).filePath(QStringLiteral("RASTROVA.INI")));
    EXPECT_EQ(byExe.settingsSource, byExe.settingsFile);
    EXPECT_FALSE(byExe.settingsRedirected);

    const ProgramPaths byHome = resolveProgramPaths(home.path() + QStringLiteral("/"), exe.path());
    EXPECT_EQ(byHome.programFolder, home.path());
    EXPECT_EQ(byHome.settingsFile, QDir(home.path()).filePath(QStringLiteral("RASTROVA.INI")));
    EXPECT_FALSE(byHome.settingsRedirected);

    EXPECT_EQ(withoutTrailingSeparator(QStringLiteral("C:\\Бланки\\\\")), QStringLiteral("C:\\Бланки"));
    EXPECT_EQ(withoutTrailingSeparator(QStringLiteral("/")), QStringLiteral("/"));
}

TEST(SettingsPaths, UnwritableProgramFolderSendsSettingsToTheConfigFolder)
{
    QStandardPaths::setTestModeEnabled(true);
    const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    const QString redirected = QDir(config).filePath(QStringLiteral("RASTROVA.INI"));
    QFile::remove(redirected);

    QTemporaryDir program;
    const QString own = QDir(program.path()).filePath(QStringLiteral("RASTROVA.INI"));
    writeCp1251(own, QStringLiteral("[FIRST]\r\nPUT=/старое\r\n"));

    // A folder that takes no byte (a full disk, for root as for anyone).
    ProgramPaths before;
    {
        FileSizeLimit full(0);
        ASSERT_TRUE(full.active());
        before = resolveProgramPaths(program.path(), QString());
    }
    EXPECT_TRUE(before.settingsRedirected);
    EXPECT_EQ(before.settingsFile, redirected);
    EXPECT_EQ(before.settingsSource, own); // read from the program folder until the first write
    EXPECT_EQ(QDir(program.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("RASTROVA.INI")})
        << "the probe leaves nothing behind";

    writeCp1251(redirected, QStringLiteral("[FIRST]\r\nPUT=/новое\r\n"));
    {
        FileSizeLimit full(0);
        EXPECT_EQ(resolveProgramPaths(program.path(), QString()).settingsSource, redirected);
    }

    // A writable folder keeps its settings.
    EXPECT_FALSE(resolveProgramPaths(program.path(), QString()).settingsRedirected);

    // A settings "file" that cannot be opened for writing is redirected too.
    QTemporaryDir other;
    ASSERT_TRUE(QDir(other.path()).mkdir(QStringLiteral("RASTROVA.INI")));
    EXPECT_TRUE(resolveProgramPaths(other.path(), QString()).settingsRedirected);

    QFile::remove(redirected);
    QStandardPaths::setTestModeEnabled(false);
}
