#include "store/installation.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#ifndef RASTROVA_DATA_FROM_BIN
#define RASTROVA_DATA_FROM_BIN "../share/rastrova"
#endif

namespace rastrova::store {

namespace {

const QString kSprav = QStringLiteral("sprav.txt");

// Copies the folder `from` with everything in it to `to`, which must not exist.
// The copy is made under a temporary name beside `to` and renamed at the end, so
// an interrupted copy never looks like a folder of the user's.
Status copyFolder(const QString& from, const QString& to)
{
    const QFileInfo target(to);
    const QString parent = target.absolutePath();
    if (!QDir().mkpath(parent))
        return Status::ioError(messageCannotWrite(parent, QStringLiteral("папку не удалось создать")));
    const QString partial = QDir(parent).filePath(QStringLiteral(".%1.copying").arg(target.fileName()));
    QDir(partial).removeRecursively(); // left by an earlier copy that was cut short
    if (!QDir().mkpath(partial))
        return Status::ioError(messageCannotWrite(partial, QStringLiteral("папку не удалось создать")));

    const QDir source(from);
    QDirIterator it(from, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info = it.fileInfo();
        const QString dest = QDir(partial).filePath(source.relativeFilePath(path));
        bool ok = true;
        if (info.isDir()) {
            ok = QDir().mkpath(dest);
        } else {
            ok = QFile::copy(path, dest);
            // The installed files are read-only for the user; the copies are theirs to edit.
            ok = ok && QFile::setPermissions(dest, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                       QFileDevice::ReadGroup | QFileDevice::ReadOther);
        }
        if (!ok) {
            QDir(partial).removeRecursively();
            return Status::ioError(messageCannotWrite(dest, QStringLiteral("копирование не удалось")));
        }
    }
    if (!QDir().rename(partial, to)) {
        QDir(partial).removeRecursively();
        return Status::ioError(messageCannotWrite(to, QStringLiteral("папку не удалось переименовать")));
    }
    return Status::ok();
}

} // namespace

QString installedDataFolder(const QString& executableFolder)
{
    if (executableFolder.isEmpty())
        return {};
    const QString data =
        QDir::cleanPath(QDir(executableFolder).absoluteFilePath(QStringLiteral(RASTROVA_DATA_FROM_BIN)));
    // A build folder has no share folder beside it; an installed prefix has.
    if (!QFileInfo(QDir(data).filePath(kSprav)).isFile())
        return {};
    return withoutTrailingSeparator(data);
}

ProgramPaths locateProgramPaths(const QString& home, const QString& executableFolder,
                                const QString& configFolder)
{
    if (!home.isEmpty())
        return resolveProgramPaths(home, executableFolder);
    const QString data = installedDataFolder(executableFolder);
    if (data.isEmpty())
        return resolveProgramPaths(QString(), executableFolder);

    const QString config = configFolder.isEmpty()
                               ? QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation)
                               : configFolder;
    QDir().mkpath(config); // a folder that cannot be made is reported when the settings are written
    ProgramPaths paths = resolveProgramPaths(config, executableFolder);
    paths.dataFolder = data;
    return paths;
}

QString dataFolderOf(const ProgramPaths& paths)
{
    return paths.dataFolder.isEmpty() ? paths.programFolder : paths.dataFolder;
}

FirstStart prepareFirstStart(const ProgramPaths& paths, const QString& userDataFolder)
{
    FirstStart result;
    if (paths.dataFolder.isEmpty() || paths.settingsFile.isEmpty() || QFileInfo::exists(paths.settingsFile) ||
        QFileInfo::exists(paths.settingsSource))
        return result;

    const QString userData = withoutTrailingSeparator(QDir::cleanPath(
        userDataFolder.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)
                                 : userDataFolder));
    const QDir examples(QDir(paths.dataFolder).filePath(QStringLiteral("examples")));
    result.baseFolder = QDir(userData).filePath(QStringLiteral("base"));
    result.databaseFolder = QDir(userData).filePath(QStringLiteral("database"));

    const std::pair<QString, QString> copies[] = {
        {examples.filePath(QStringLiteral("base")), result.baseFolder},
        {examples.filePath(QStringLiteral("database")), result.databaseFolder},
    };
    for (const auto& [from, to] : copies) {
        if (QFileInfo::exists(to))
            continue; // the user's own folder: kept as it is
        if (QFileInfo(from).isDir()) {
            if (Status st = copyFolder(from, to); !st) {
                result.status = st;
                return result;
            }
            result.copied << to;
        } else if (!QDir().mkpath(to)) {
            result.status =
                Status::ioError(messageCannotWrite(to, QStringLiteral("папку не удалось создать")));
            return result;
        }
    }

    ProgramSettings settings = readSettings(paths.settingsSource, paths.programFolder, result.baseFolder);
    settings.baseFolder = result.baseFolder;
    settings.databasePath = result.databaseFolder;
    result.status = writeSettings(paths.settingsFile, settings);
    result.prepared = result.status.isOk();
    return result;
}

} // namespace rastrova::store
