#include "store/names.h"

#include <QFile>

#include "store/blank.h"
#include "text/codepage.h"

#include <QDir>
#include <QFileInfo>

namespace rastrova::store {

namespace {

NameCheck problem(NameProblem p, const QString& message)
{
    return NameCheck{p, message};
}

QString folded(const QString& name)
{
    return name.trimmed().toUpper();
}

bool isReservedDeviceName(const QString& name)
{
    // Other systems refuse these as file names, with or without an extension.
    QString stem = name.section(u'.', 0, 0).trimmed().toUpper();
    static const QStringList devices = {QStringLiteral("CON"), QStringLiteral("PRN"), QStringLiteral("AUX"),
                                        QStringLiteral("NUL")};
    if (devices.contains(stem))
        return true;
    if (stem.size() == 4 && (stem.startsWith(QLatin1String("COM")) || stem.startsWith(QLatin1String("LPT"))) &&
        stem[3] >= u'1' && stem[3] <= u'9')
        return true;
    return false;
}

} // namespace

NameCheck checkDiskName(const QString& name)
{
    if (name.trimmed().isEmpty())
        return problem(NameProblem::Empty, QStringLiteral("Имя не может быть пустым."));
    if (name.contains(u'\\') || name.contains(u'/'))
        return problem(NameProblem::Separator,
                       QStringLiteral("Имя \"%1\" не может содержать символы \"\\\" и \"/\".").arg(name));
    if (name.contains(QLatin1String("..")))
        return problem(NameProblem::DotDot, QStringLiteral("Имя \"%1\" не может содержать \"..\".").arg(name));
    for (QChar c : name) {
        if (c.unicode() < 0x20 || QStringLiteral("<>:\"|?*").contains(c))
            return problem(NameProblem::BadCharacter,
                           QStringLiteral("Имя \"%1\" содержит недопустимый символ. Нельзя использовать "
                                          "символы < > : \" | ? * и управляющие символы.")
                               .arg(name));
    }
    QChar bad;
    if (!text::fitsCp1251(name, &bad))
        return problem(NameProblem::NotCp1251,
                       QStringLiteral("Символ \"%1\" в имени \"%2\" нельзя записать в кодировке Windows-1251.")
                           .arg(bad)
                           .arg(name));
    // A name starting with a dot would be a hidden folder or file, which the scan skips.
    if (name.startsWith(u'.'))
        return problem(NameProblem::BadEnd, QStringLiteral("Имя \"%1\" не может начинаться с точки.").arg(name));
    if (name.endsWith(u'.') || name.endsWith(u' '))
        return problem(NameProblem::BadEnd,
                       QStringLiteral("Имя \"%1\" не может оканчиваться точкой или пробелом.").arg(name));
    if (isReservedDeviceName(name))
        return problem(NameProblem::Reserved,
                       QStringLiteral("Имя \"%1\" зарезервировано системой и не может быть использовано.").arg(name));
    return {};
}

NameCheck checkPrintFileName(const QString& baseFolder, const QString& name)
{
    NameCheck check = checkDiskName(name);
    if (!check.ok())
        return check;
    if (QFileInfo::exists(QDir(baseFolder).filePath(name)))
        return problem(NameProblem::Taken,
                       QStringLiteral("Файл печати \"%1\" уже есть в папке \"%2\".").arg(name, baseFolder));
    return {};
}

bool isBlankNameTaken(const QStringList& headKeys, const QString& name)
{
    const QString wanted = folded(name);
    for (const QString& key : headKeys)
        if (folded(key) == wanted)
            return true;
    return false;
}

NameCheck checkHeaderName(const QString& name)
{
    NameCheck check = checkDiskName(name);
    if (!check.ok())
        return check;
    // The header reads its keys trimmed: the key would not name the files.
    if (name != name.trimmed())
        return problem(NameProblem::BadEnd,
                       QStringLiteral("Имя бланка \"%1\" не может начинаться или оканчиваться пробелом.").arg(name));
    // The blank's files would be the print file's own "info.ini" and "info.bin".
    if (name.compare(QLatin1String("info"), Qt::CaseInsensitive) == 0)
        return problem(NameProblem::Reserved, QStringLiteral("Имя \"%1\" занято файлами самого файла печати.").arg(name));
    // Its files ("<name>.ini" and the others) must fit a file name of the disk.
    if (QFile::encodeName(name).size() + 4 > 255)
        return problem(NameProblem::BadCharacter,
                       QStringLiteral("Имя бланка \"%1\" слишком длинное для имени файла.").arg(name));
    // The name is a key of the header: it cannot hold "=" nor look like a section or a comment.
    if (name.contains(u'=') || name.startsWith(u'[') || name.startsWith(u';'))
        return problem(NameProblem::BadCharacter,
                       QStringLiteral("Имя бланка \"%1\" не может содержать \"=\" и начинаться с \"[\" или \";\".")
                           .arg(name));
    return {};
}

NameCheck checkBlankName(const QStringList& headKeys, const QString& name)
{
    const QString trimmed = name.trimmed();
    NameCheck check = checkHeaderName(trimmed);
    if (!check.ok())
        return check;
    if (isBlankNameTaken(headKeys, trimmed))
        return problem(NameProblem::Taken,
                       QStringLiteral("Имя бланка должно быть уникальным в пределах файла печати."));
    return {};
}

QString defaultPrintFileName(const QString& baseFolder)
{
    const QDir base(baseFolder);
    for (int n = 1;; ++n) {
        QString name = QStringLiteral("Файл печати %1").arg(n);
        if (!QFileInfo::exists(base.filePath(name)))
            return name;
    }
}

QString defaultBlankName(const QStringList& headKeys, BlankKind kind)
{
    const QString stem = kind == BlankKind::Archive ? QStringLiteral("Архивный бланк ") : QStringLiteral("Часовой бланк ");
    for (int n = 1;; ++n) {
        QString name = stem + QString::number(n);
        if (!isBlankNameTaken(headKeys, name))
            return name;
    }
}

} // namespace rastrova::store
