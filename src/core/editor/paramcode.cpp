#include "editor/paramcode.h"

#include "editor/paramlist.h"
#include "text/hex.h"

namespace rastrova::editor {

namespace {

const QString kPipeLabel = QStringLiteral("№ трубопровода:");
const QString kSensorLabel = QStringLiteral("№ датчика:");
const QString kIndexLabel = QStringLiteral("Индекс:");

QString hex2(int value)
{
    return text::hexDigits(uint32_t(value) & 0xFF, 2);
}

// An archive number in decimal, two digits at least.
QString archiveDigits(int n)
{
    return QString::number(n).rightJustified(2, u'0');
}

// A label as it goes into a name: without its closing colon.
QString labelInName(const QString& label)
{
    return label.endsWith(u':') ? label.chopped(1) : label;
}

} // namespace

int clampToField(int value, const NumberField& field)
{
    return value < 0 || value > field.maximum ? 0 : value;
}

// ------------------------------------------------------------ the menu

QStringList menuItemTexts()
{
    return {
        QStringLiteral("Время"),
        QStringLiteral("Дата"),
        QStringLiteral("Год"),
        QStringLiteral("Заводской номер"),
        QStringLiteral("Расход за пред. час в трубопр..."),
        QStringLiteral("Тепло за пред. час в трубопр..."),
        QStringLiteral("Значение за пред. час из датчика ..."),
        QStringLiteral("Данные из часового архива с номером..."),
        QStringLiteral("Данные из суточного архива с номером..."),
        QStringLiteral("Параметр из списка..."),
        QStringLiteral("Другой параметр..."),
    };
}

std::optional<NumberField> menuNumberField(int item)
{
    switch (item) {
    case ItemPipeFlow:
    case ItemPipeHeat:
        return NumberField{kPipeLabel, 15};
    case ItemSensorValue:
        return NumberField{kSensorLabel, 63};
    case ItemHourlyArchive:
        return NumberField{QStringLiteral("№ часового архива:"), 31};
    case ItemDailyArchive:
        return NumberField{QStringLiteral("№ суточного архива:"), 63};
    default:
        return std::nullopt;
    }
}

bool menuItemAllowed(int item, store::BlankKind kind)
{
    return item != ItemDailyArchive || kind == store::BlankKind::Archive;
}

QString menuItemRefusal()
{
    return QStringLiteral(
        "Значение суточного архива можно выбрать только для архивного бланка. Будьте внимательны.");
}

std::optional<ParameterCode> menuParameter(int item, int n)
{
    if (const std::optional<NumberField> field = menuNumberField(item))
        n = clampToField(n, *field);
    const QString dec = QString::number(n);
    switch (item) {
    case ItemTime:
        return ParameterCode{kCodeTime, QStringLiteral("Время")};
    case ItemDate:
        return ParameterCode{kCodeDate, QStringLiteral("Дата")};
    case ItemYear:
        return ParameterCode{kCodeYear, QStringLiteral("Год")};
    case ItemSerialNumber:
        return ParameterCode{kCodeSerialNumber, QStringLiteral("Заводской номер")};
    case ItemPipeFlow:
        return ParameterCode{u'#' + hex2(n + 128) + QStringLiteral("19"),
                             QStringLiteral("Расход за пред. час в трубопр. № ") + dec};
    case ItemPipeHeat:
        return ParameterCode{u'#' + hex2(n + 128) + QStringLiteral("2D"),
                             QStringLiteral("Тепло за пред. час в трубопр. № ") + dec};
    case ItemSensorValue:
        return ParameterCode{u'#' + hex2(n) + QStringLiteral("17"),
                             QStringLiteral("Значение из датчика № ") + dec};
    case ItemHourlyArchive:
        return ParameterCode{u'~' + archiveDigits(n), QStringLiteral("Данные из часового архива № ") + dec};
    case ItemDailyArchive:
        return ParameterCode{u'$' + archiveDigits(n), QStringLiteral("Данные из суточного архива № ") + dec};
    default:
        return std::nullopt;
    }
}

// ------------------------------------------------------------ "Другой параметр..."

QChar hexFieldKey(QChar typed)
{
    const char16_t u = typed.unicode();
    if ((u >= u'0' && u <= u'9') || (u >= u'A' && u <= u'F'))
        return typed;
    if (u >= u'a' && u <= u'f')
        return QChar(char16_t(u - u'a' + u'A'));
    return QChar();
}

std::optional<ParameterCode> otherParameter(QStringView fieldText)
{
    const std::optional<uint32_t> value = text::parseHexBlankZero(fieldText);
    if (!value || *value > 0xFFFF)
        return std::nullopt;
    return ParameterCode{u'#' + text::hexDigits(*value, 4),
                         QStringLiteral("Параметр: ") + fieldText.toString().toUpper()};
}

QString otherParameterError()
{
    return QStringLiteral(
        "Не верный формат параметра. Формат параметра ABCD - шестнадцатеричное 4-х разрядное "
        "число . Будьте внимательны.");
}

// ------------------------------------------------------------ the reference list

std::optional<NumberField> groupNumberField(int group)
{
    switch (group) {
    case 0:
    case 4:
        return NumberField{kSensorLabel, 63};
    case 1:
    case 5:
        return NumberField{kPipeLabel, 15};
    case 6:
        return NumberField{kIndexLabel, 63};
    default:
        return std::nullopt;
    }
}

bool groupResetsNumber(int group)
{
    return group == 0 || group == 4;
}

ParameterCode listParameter(const ReferenceEntry& entry, int group, int n)
{
    const int high = entry.bytes[0];
    const int low = entry.bytes[1];
    const std::optional<NumberField> field = groupNumberField(group);
    if (!field)
        return {u'#' + hex2(high) + hex2(low), entry.name};
    n = clampToField(n, *field);
    return {u'#' + hex2(high + n) + hex2(low), entry.name + QStringLiteral(", ") + labelInName(field->label) +
                                                   QStringLiteral(": ") + QString::number(n)};
}

// ------------------------------------------------------------ the catalogue

QString cataloguePrefix(uint8_t kind)
{
    switch (kind >> 4) {
    case 1:
        return QStringLiteral("~");
    case 2:
        return QStringLiteral("$");
    default:
        return QStringLiteral("#");
    }
}

ParameterCode catalogueParameter(const CatalogueParameter& parameter)
{
    QString name = parameter.name;
    if (parameter.subkind == 5)
        name = QStringLiteral("Время");
    else if (parameter.subkind == 6)
        name = QStringLiteral("Дата");
    return {cataloguePrefix(parameter.kind) + text::hexDigits(parameter.number, 4), name};
}

std::optional<int> catalogueDepthMaximum(uint8_t kind, uint16_t archiveHours)
{
    switch (kind >> 4) {
    case 1: {
        const int days = (archiveHours / 24) & 0xFF;
        if (days == 16 || days == 32 || days == 64)
            return days;
        return std::nullopt;
    }
    case 2:
        return 255;
    default:
        return std::nullopt;
    }
}

} // namespace rastrova::editor
