#include "catalogue/database.h"

#include "status.h"

#include <QDir>
#include <QFileInfo>

namespace rastrova::catalogue {

namespace {

const QString kTaskFolder = QStringLiteral("TASK");
const QString kAlgorithmFolder = QStringLiteral("alg");
const QString kModulePcFolder = QStringLiteral("ModulePC");

bool isEntryOfKind(const QString& path, bool wantFolder)
{
    const QFileInfo info(path);
    return wantFolder ? info.isDir() : info.isFile();
}

QString stripTrailingSeparators(QString path)
{
    while (path.size() > 1 && (path.endsWith(u'/') || path.endsWith(u'\\')))
        path.chop(1);
    return path;
}

} // namespace

DatabaseFolder::DatabaseFolder(const QString& databasePath) : database_(stripTrailingSeparators(databasePath))
{
}

QString DatabaseFolder::join(const QString& a, const QString& b)
{
    if (a.endsWith(u'/') || a.endsWith(QDir::separator()))
        return a + b;
    return a + QDir::separator() + b;
}

QString DatabaseFolder::taskFilePath(const QString& fileName) const
{
    return database_ + QDir::separator() + kTaskFolder + QDir::separator() + fileName;
}

const QStringList& DatabaseFolder::listing(const QString& folder)
{
    auto it = listings_.find(folder);
    if (it == listings_.end()) {
        // Hidden entries are left out, as the controller's tools leave them out.
        const QStringList entries =
            QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
        it = listings_.insert(folder, entries);
    }
    return *it;
}

QString DatabaseFolder::findChild(const QString& folder, const QString& name, bool wantFolder)
{
    if (folder.isEmpty() || name.isEmpty())
        return {};
    const QString exact = join(folder, name);
    if (isEntryOfKind(exact, wantFolder))
        return exact;
    for (const QString& entry : listing(folder)) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0 && entry != name) {
            const QString path = join(folder, entry);
            if (isEntryOfKind(path, wantFolder))
                return path;
        }
    }
    return {};
}

QString DatabaseFolder::findTaskFile(const QString& fileName)
{
    if (database_.isEmpty())
        return {};
    return findChild(findChild(database_, kTaskFolder, true), fileName, false);
}

QString DatabaseFolder::findNamedTaskFile(const QString& name)
{
    if (name.isEmpty())
        return {};
    const QFileInfo info(name);
    if (info.isFile())
        return name;
    // The file name in another letter case, in the folder the name gives.
    const QString folder = info.path();
    if (QFileInfo(folder).isDir()) {
        const QString found = findChild(folder, info.fileName(), false);
        if (!found.isEmpty())
            return found;
    }
    // A bare file name typed by the user is a task file of the database.
    if (info.isRelative() && !QDir::fromNativeSeparators(name).contains(u'/'))
        return findTaskFile(name);
    return {};
}

QString DatabaseFolder::algorithmFolder()
{
    if (database_.isEmpty())
        return {};
    return findChild(database_, kAlgorithmFolder, true);
}

QString DatabaseFolder::findAlgorithmFile(const QString& fileName)
{
    const QString alg = algorithmFolder();
    if (alg.isEmpty())
        return {};
    QString found = findChild(alg, fileName, false);
    if (!found.isEmpty())
        return found;
    const QString modulePc = findChild(alg, kModulePcFolder, true);
    found = findChild(modulePc, fileName, false);
    if (!found.isEmpty())
        return found;
    // The entries of "alg" in listing order, "." and ".." first: a file beside
    // "alg" in the database folder is found through "..".
    for (const QString& entry : QStringList{QStringLiteral("."), QStringLiteral("..")} + listing(alg)) {
        const QString folder = join(alg, entry);
        if (folder == modulePc || !QFileInfo(folder).isDir())
            continue;
        found = findChild(folder, fileName, false);
        if (!found.isEmpty())
            return found;
    }
    return {};
}

bool DatabaseFolder::readAlgorithmFile(const QString& fileName, QString& path, QByteArray& bytes,
                                       QString& message)
{
    const QString key = fileName.toLower();
    auto it = algorithms_.find(key);
    if (it == algorithms_.end()) {
        AlgorithmFile file;
        if (algorithmFolder().isEmpty()) {
            file.message = QStringLiteral("Настройте путь для Базы.");
        } else {
            file.path = findAlgorithmFile(fileName);
            if (file.path.isEmpty()) {
                file.message = QStringLiteral("Файл не найден ") + fileName;
            } else {
                const Status st = readWholeFile(file.path, ModuleTSK::kMaxAlgorithmFileBytes, file.bytes);
                file.ok = st.isOk();
                if (!file.ok)
                    file.message = st.message();
            }
        }
        it = algorithms_.insert(key, file);
    }
    path = it->path;
    bytes = it->bytes;
    message = it->message;
    return it->ok;
}

} // namespace rastrova::catalogue
