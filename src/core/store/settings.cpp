#include "store/settings.h"

#include "text/profile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace rastrova::store {

namespace {
const QString kFirst = QStringLiteral("FIRST");
const QString kRopt = QStringLiteral("ROPT");
const QString kPut = QStringLiteral("PUT");
const QString kOpenAction = QStringLiteral("OPENACTION");
const QString kBathePath = QStringLiteral("BathePath");

QString panelKey(int i)
{
    return QStringLiteral("Panel%1").arg(i);
}

// Whether the settings file can be written where it stands (a settings "file"
// that is a folder cannot, for root neither).
bool acceptsSettings(const QString& folder, const QString& file)
{
    if (QFileInfo::exists(file)) {
        QFile existing(file);
        if (!existing.open(QIODevice::ReadWrite)) // opening changes nothing in the file
            return false;
    }
    return bool(checkFolderTakesWrites(folder));
}

} // namespace

QString homeOption(const QStringList& args)
{
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == u"--home" && i + 1 < args.size())
            return args[i + 1];
        if (args[i].startsWith(QLatin1String("--home=")))
            return args[i].mid(7);
    }
    return {};
}

QString withoutTrailingSeparator(QString path)
{
    while (path.size() > 1 && (path.endsWith(u'\\') || path.endsWith(u'/')))
        path.chop(1);
    return path;
}

ProgramPaths resolveProgramPaths(const QString& home, const QString& executableFolder)
{
    ProgramPaths paths;
    const QString folder = home.isEmpty() ? executableFolder : home;
    paths.programFolder = withoutTrailingSeparator(QDir::cleanPath(QFileInfo(folder).absoluteFilePath()));
    const QString own = QDir(paths.programFolder).filePath(kSettingsFileName);
    paths.settingsFile = own;
    paths.settingsSource = own;

    if (!acceptsSettings(paths.programFolder, own)) {
        const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
        QDir().mkpath(config);
        paths.settingsRedirected = true;
        paths.settingsFile = QDir(config).filePath(kSettingsFileName);
        paths.settingsSource = QFileInfo::exists(paths.settingsFile) ? paths.settingsFile : own;
    }
    return paths;
}

ProgramSettings readSettings(const QString& settingsFile, const QString& programFolder, const QString& currentBase)
{
    text::IniProfile ini;
    ini.load(settingsFile); // any failure leaves the defaults
    ProgramSettings s;
    QString base = ini.value(kFirst, kPut, currentBase);
    if (base.isEmpty())
        base = programFolder;
    s.baseFolder = withoutTrailingSeparator(base);
    s.standardToolbar = ini.flag(kFirst, panelKey(1), true);
    s.blankToolbar = ini.flag(kFirst, panelKey(2), true);
    s.toolManager = ini.flag(kFirst, panelKey(3), false);
    s.parameterList = ini.flag(kFirst, panelKey(4), true);
    int action = ini.intValue(kFirst, kOpenAction, 0);
    s.openAction = action >= 0 && action <= 2 ? action : 0;
    s.databasePath = ini.value(kRopt, kBathePath);
    return s;
}

Status writeSettings(const QString& settingsFile, const ProgramSettings& s)
{
    text::IniProfile ini;
    Status st = ini.load(settingsFile);
    if (!st && st.code() != Status::NotFound)
        return st; // never replace a file we could not read
    ini.setValue(kFirst, kPut, s.baseFolder);
    ini.setFlag(kFirst, panelKey(1), s.standardToolbar);
    ini.setFlag(kFirst, panelKey(2), s.blankToolbar);
    ini.setFlag(kFirst, panelKey(3), s.toolManager);
    ini.setFlag(kFirst, panelKey(4), s.parameterList);
    ini.setInt(kFirst, kOpenAction, s.openAction);
    ini.setValue(kRopt, kBathePath, s.databasePath);
    return ini.save(settingsFile);
}

} // namespace rastrova::store
