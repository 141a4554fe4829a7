#include "store/manager.h"

#include "store/names.h"
#include "store/printfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace rastrova::store {

QString messageCannotCreatePrintFile(const QString& folderPath)
{
    return QStringLiteral("Ощибка создания директории \"") + folderPath + QStringLiteral("\".") + u'\n' +
           QStringLiteral("Проверьте имя файла печати (оно должно быть уникальным среди всех файлов печати текущей "
                          "папки)и права доступа к файловой системе.");
}

Status createPrintFile(const QString& base, const QString& name)
{
    if (NameCheck check = checkDiskName(name); !check.ok())
        return Status::refused(check.message);
    const QString path = QDir(base).filePath(name);
    if (QFileInfo::exists(path) || !QDir().mkdir(path))
        return Status::ioError(messageCannotCreatePrintFile(path));
    Status st = PrintFileHeader::createFresh(path);
    if (!st) {
        QDir().rmdir(path);
        return Status::ioError(messageCannotCreatePrintFile(path) + u'\n' + st.message());
    }
    return Status::ok();
}

namespace {
void createEmptyFile(const QString& path)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        file.close();
}

void removeBlankFiles(const QString& folder, const QString& name)
{
    for (BlankFile which : {BlankFile::Blank, BlankFile::Parameters, BlankFile::Image, BlankFile::Report})
        QFile::remove(blankFilePath(folder, name, which));
}
} // namespace

Status createBlank(const QString& folder, const QString& name, BlankKind kind, int* number, NameProblem* problem)
{
    PrintFileHeader header(folder);
    Status st = header.load();
    if (!st && st.code() != Status::NotFound)
        return st;
    NameCheck check = checkBlankName(header.blankNames(), name);
    if (problem)
        *problem = check.problem;
    if (!check.ok())
        return Status::refused(check.message);
    const QString trimmed = name.trimmed();
    const int n = header.nextBlankNumber();
    header.addBlank(trimmed, n, kind);
    if (st = header.save(); !st)
        return st;
    createEmptyFile(blankFilePath(folder, trimmed, BlankFile::Blank));
    if (number)
        *number = n;
    return Status::ok();
}

Status saveBlankFiles(const QString& basePath, const BlankDocument& blank)
{
    return writeBlank(basePath, blank);
}

Status writePageSettings(const QString& folder, const QString& blankName, const QString& pageLength, bool formFeed)
{
    PrintFileHeader header(folder);
    Status st = header.load();
    if (!st)
        return st;
    const int n = header.blankNumber(blankName);
    if (n <= 0)
        return Status::ok();
    header.setPageSettings(n, pageLength, formFeed);
    return header.save();
}

QString saveAsFileName(const QString& chosen)
{
    QString name = chosen.trimmed();
    if (name.right(3).compare(QLatin1String("ini"), Qt::CaseInsensitive) != 0)
        name += QLatin1String(".ini");
    return name;
}

QString printFileUnderBase(const QString& baseFolder, const QString& iniPath)
{
    if (baseFolder.isEmpty())
        return {};
    const QFileInfo folder(QDir::cleanPath(QFileInfo(iniPath).absolutePath()));
    if (folder.path().compare(QDir::cleanPath(QDir(baseFolder).absolutePath()), Qt::CaseInsensitive) != 0)
        return {};
    return folder.fileName();
}

bool isHeaderFileName(const QString& path)
{
    return QFileInfo(path).fileName().compare(kHeaderFileName, Qt::CaseInsensitive) == 0;
}

Status saveBlankAs(const QString& iniPath, const BlankDocument& blank, const QString& pageLength, bool formFeed,
                   int* number, const WriteBeside& writeBeside)
{
    const QFileInfo info(iniPath);
    const QString name = info.completeBaseName();
    if (NameCheck check = checkHeaderName(name); !check.ok())
        return Status::refused(check.message);
    const QString folder = info.absolutePath();
    const QString basePath = QDir(folder).filePath(name);
    Status st = saveBlankFiles(basePath, blank);
    if (st && writeBeside)
        st = writeBeside(basePath);
    if (!st)
        return st;
    PrintFileHeader header(folder);
    st = header.load();
    if (!st && st.code() != Status::NotFound)
        return st;
    const int n = header.nextBlankNumber();
    header.addBlank(name, n, blank.settings.kind);
    header.setPageSettings(n, pageLength, formFeed);
    if (st = header.save(); !st)
        return st;
    if (number)
        *number = n;
    return Status::ok();
}

Status deleteBlank(const QString& folder, const QString& name)
{
    PrintFileHeader header(folder);
    Status st = header.load();
    if (st) {
        header.removeBlank(name, PrintFileHeader::Removal::WithPageSettings);
        st = header.save();
    }
    removeBlankFiles(folder, name);
    return st;
}

Status deleteBlanks(const QString& folder, const QStringList& names)
{
    PrintFileHeader header(folder);
    Status st = header.load();
    if (st) {
        for (const QString& name : names)
            header.removeBlank(name, PrintFileHeader::Removal::KindOnly);
        st = header.save();
    }
    for (const QString& name : names)
        removeBlankFiles(folder, name);
    return st;
}

Status deletePrintFile(const QString& folder)
{
    QDir dir(folder);
    const QStringList files = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& file : files)
        dir.remove(file);
    // Folders of the user's own inside it are left alone, and so is the print file then.
    if (!QDir().rmdir(folder))
        return Status::ioError(QStringLiteral("Не удалось удалить папку \"%1\".").arg(folder));
    return Status::ok();
}

} // namespace rastrova::store
