#include "store/blank.h"

#include "store/gridfile.h"
#include "text/codepage.h"
#include "text/profile.h"

#include <algorithm>

namespace rastrova::store {

namespace {
const QString kNastr = QStringLiteral("NASTR");
const QString kVirelType = QStringLiteral("VIRELTYPE");
const QString kSetn = QStringLiteral("SETN");
const QString kTaskFile = QStringLiteral("TSKFILENAME");
} // namespace

Status blankFileBytes(const BlankDocument& blank, QByteArray& out)
{
    QByteArray grid;
    Status st = gridTableBytes(blank.grid, grid);
    if (!st)
        return st;
    // The settings go in through the profile rules, which append the section.
    text::IniProfile profile;
    if (!profile.parse(grid))
        return Status::refused(QStringLiteral("Бланк слишком велик, чтобы его сохранить."));
    profile.setInt(kNastr, kVirelType, blank.settings.virelType);
    profile.setInt(kNastr, kSetn, blank.settings.setn);
    QChar bad;
    if (!text::fitsCp1251(blank.settings.taskFile, &bad))
        return Status::refused(
            QStringLiteral("Символ \"%1\" в имени файла задачи нельзя сохранить в кодировке Windows-1251.").arg(bad));
    profile.setValue(kNastr, kTaskFile, blank.settings.taskFile);
    out = profile.serialize();
    return Status::ok();
}

Status writeBlank(const QString& basePath, const BlankDocument& blank)
{
    QByteArray bytes;
    Status st = blankFileBytes(blank, bytes);
    return st ? writeWholeFile(basePath + QLatin1String(".ini"), bytes) : st;
}

Status parseBlank(QByteArrayView bytes, BlankDocument& blank, const QString& fileName)
{
    Grid grid = blank.grid;
    Status st = parseGridTable(bytes, grid, kBlankGridLimits, fileName);
    if (!st)
        return st;
    grid.resize(std::max(grid.colCount(), 2), std::max(grid.rowCount(), 2));

    text::IniProfile profile;
    if (!profile.parse(bytes))
        return Status::damaged(messageTooManyEntries(fileName));
    BlankSettings settings;
    settings.kind = blank.settings.kind;
    settings.virelType = profile.intValue(kNastr, kVirelType, 0);
    settings.setn = profile.intValue(kNastr, kSetn, 0); // kept as stored; the image takes the low byte
    settings.taskFile = profile.value(kNastr, kTaskFile);

    blank.grid = std::move(grid);
    blank.settings = settings;
    return Status::ok();
}

Status readBlank(const QString& iniPath, BlankDocument& blank)
{
    QByteArray bytes;
    Status st = readWholeFile(iniPath, kMaxGridFileBytes, bytes);
    return st ? parseBlank(bytes, blank, iniPath) : st;
}

} // namespace rastrova::store
