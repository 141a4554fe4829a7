// Where a built and an installed program find their settings and data, and what
// the first start of an installed editor prepares.

#include "store/installation.h"
#include "store/settings.h"
#include "text/codepage.h"
#include "text/profile.h"

#include <gtest/gtest.h>

#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

using namespace rastrova;
using namespace rastrova::store;
using namespace testfiles;

namespace {

// PREFIX/bin and PREFIX/share/rastrova with its data and examples, as
// "cmake --install" lays them out.
struct Prefix {
    QTemporaryDir dir;
    QString root = dir.path();
    QString bin = root + QStringLiteral("/bin");
    QString share = root + QStringLiteral("/share/rastrova");
    QString config = root + QStringLiteral("/home/.config/rastrova");
    QString userData = root + QStringLiteral("/home/.local/share/rastrova");

    Prefix()
    {
        QDir().mkpath(bin);
        QDir().mkpath(share + QStringLiteral("/help"));
        QDir().mkpath(share + QStringLiteral("/examples/base/Котельная"));
        QDir().mkpath(share + QStringLiteral("/examples/database/TASK"));
        writeCp1251(share + QStringLiteral("/sprav.txt"), QStringLiteral("[Группа]\r\n"));
        writeCp1251(share + QStringLiteral("/examples/base/Котельная/info.txt"), QStringLiteral("пример"));
        writeCp1251(share + QStringLiteral("/examples/database/TASK/0701.tsk"), QStringLiteral("задача"));
        // Installed files are the system's: the user may not write them.
        QFile::setPermissions(share + QStringLiteral("/examples/base/Котельная/info.txt"),
                              QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    }
    ProgramPaths paths() const { return locateProgramPaths(QString(), bin, config); }
};

QString readText(const QString& path)
{
    return text::fromCp1251(readRaw(path));
}

} // namespace

TEST(Installation, BuildFolderKeepsEverythingBesideTheExecutable)
{
    QTemporaryDir dir;
    const QString bin = dir.path() + QStringLiteral("/bin");
    QDir().mkpath(bin);
    writeCp1251(bin + QStringLiteral("/sprav.txt"), QStringLiteral("[Группа]\r\n"));
    EXPECT_TRUE(installedDataFolder(bin).isEmpty());

    const ProgramPaths paths = locateProgramPaths(QString(), bin, dir.path() + QStringLiteral("/config"));
    EXPECT_EQ(paths.programFolder, bin);
    EXPECT_EQ(paths.settingsFile, bin + QStringLiteral("/RASTROVA.INI"));
    EXPECT_TRUE(paths.dataFolder.isEmpty());
    EXPECT_EQ(dataFolderOf(paths), bin);
    EXPECT_FALSE(QFileInfo::exists(dir.path() + QStringLiteral("/config")));
}

TEST(Installation, InstalledPrefixSettingsInTheConfigFolderDataInShare)
{
    Prefix p;
    EXPECT_EQ(installedDataFolder(p.bin), p.share);
    EXPECT_EQ(installedDataFolder(p.bin + u'/'), p.share);

    const ProgramPaths paths = p.paths();
    EXPECT_EQ(paths.programFolder, p.config);
    EXPECT_EQ(paths.settingsFile, p.config + QStringLiteral("/RASTROVA.INI"));
    EXPECT_EQ(paths.settingsSource, paths.settingsFile);
    EXPECT_FALSE(paths.settingsRedirected);
    EXPECT_EQ(paths.dataFolder, p.share);
    EXPECT_EQ(dataFolderOf(paths), p.share);
    EXPECT_TRUE(QFileInfo(p.config).isDir()); // made for the settings to come
}

TEST(Installation, HomeOptionWinsOverAnInstalledPrefix)
{
    Prefix p;
    const QString home = p.root + QStringLiteral("/myhome");
    QDir().mkpath(home);
    const ProgramPaths paths = locateProgramPaths(home, p.bin, p.config);
    EXPECT_EQ(paths.programFolder, home);
    EXPECT_EQ(paths.settingsFile, home + QStringLiteral("/RASTROVA.INI"));
    EXPECT_TRUE(paths.dataFolder.isEmpty());
    EXPECT_EQ(dataFolderOf(paths), home);

    // Nothing is prepared for a folder the user named.
    const FirstStart first = prepareFirstStart(paths, p.userData);
    EXPECT_FALSE(first.prepared);
    EXPECT_TRUE(first.status.isOk());
    EXPECT_FALSE(QFileInfo::exists(paths.settingsFile));
    EXPECT_FALSE(QFileInfo::exists(p.userData));
}

TEST(Installation, FirstStartCopiesTheExamplesAndNamesThemInTheSettings)
{
    Prefix p;
    const ProgramPaths paths = p.paths();
    const FirstStart first = prepareFirstStart(paths, p.userData);
    ASSERT_TRUE(first.status.isOk()) << first.status.message().toStdString();
    EXPECT_TRUE(first.prepared);
    EXPECT_EQ(first.baseFolder, p.userData + QStringLiteral("/base"));
    EXPECT_EQ(first.databaseFolder, p.userData + QStringLiteral("/database"));
    EXPECT_EQ(first.copied, (QStringList{first.baseFolder, first.databaseFolder}));

    const QString copy = first.baseFolder + QStringLiteral("/Котельная/info.txt");
    EXPECT_EQ(readText(copy), QStringLiteral("пример"));
    EXPECT_TRUE(QFileInfo(copy).isWritable()); // the user's copy can be edited
    EXPECT_EQ(readText(first.databaseFolder + QStringLiteral("/TASK/0701.tsk")), QStringLiteral("задача"));
    // No half-made copy is left beside them.
    EXPECT_EQ(QDir(p.userData).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              (QStringList{QStringLiteral("base"), QStringLiteral("database")}));

    const ProgramSettings s = readSettings(paths.settingsFile, paths.programFolder, QString());
    EXPECT_EQ(s.baseFolder, first.baseFolder);
    EXPECT_EQ(s.databasePath, first.databaseFolder);
}

TEST(Installation, LaterStartsAndTheUsersFoldersAreLeftAlone)
{
    Prefix p;
    const ProgramPaths paths = p.paths();

    // The user's own base folder from an earlier installation stays as it is.
    QDir().mkpath(p.userData + QStringLiteral("/base/Моя котельная"));
    writeCp1251(p.userData + QStringLiteral("/base/Моя котельная/info.txt"), QStringLiteral("моё"));
    const FirstStart first = prepareFirstStart(paths, p.userData);
    ASSERT_TRUE(first.status.isOk()) << first.status.message().toStdString();
    EXPECT_TRUE(first.prepared);
    EXPECT_EQ(first.copied, QStringList{first.databaseFolder});
    EXPECT_FALSE(QFileInfo::exists(first.baseFolder + QStringLiteral("/Котельная")));
    EXPECT_EQ(readText(first.baseFolder + QStringLiteral("/Моя котельная/info.txt")), QStringLiteral("моё"));
    EXPECT_EQ(readSettings(paths.settingsFile, paths.programFolder, QString()).baseFolder, first.baseFolder);

    // Once settings exist, nothing is touched: not the settings, not the folders.
    text::IniProfile ini;
    ASSERT_TRUE(ini.load(paths.settingsFile).isOk());
    ini.setValue(QStringLiteral("FIRST"), QStringLiteral("PUT"), QStringLiteral("/srv/base"));
    ASSERT_TRUE(ini.save(paths.settingsFile).isOk());
    QDir(first.databaseFolder).removeRecursively();

    const FirstStart second = prepareFirstStart(paths, p.userData);
    EXPECT_FALSE(second.prepared);
    EXPECT_TRUE(second.status.isOk());
    EXPECT_FALSE(QFileInfo::exists(first.databaseFolder));
    EXPECT_EQ(readSettings(paths.settingsFile, paths.programFolder, QString()).baseFolder,
              QStringLiteral("/srv/base"));
}

TEST(Installation, FirstStartThatCannotWriteReportsIt)
{
    Prefix p;
    const ProgramPaths paths = p.paths();
    // A file where the user's data folder should be: nothing can be copied into it.
    QDir().mkpath(QFileInfo(p.userData).absolutePath());
    writeRaw(p.userData, QByteArray("x"));
    const FirstStart first = prepareFirstStart(paths, p.userData);
    EXPECT_FALSE(first.prepared);
    EXPECT_FALSE(first.status.isOk());
    EXPECT_FALSE(first.status.message().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(paths.settingsFile));
    EXPECT_EQ(readRaw(p.userData), QByteArray("x"));
}
