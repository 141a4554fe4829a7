#include "catalogue/texts.h"

#include "catalogue/records.h"
#include "text/hex.h"

namespace rastrova::catalogue {

QString subkindName(uint8_t subkind)
{
    switch (subkind) {
    case SubkindBit:
        return QStringLiteral("Бит");
    case SubkindByte:
        return QStringLiteral("Байт");
    case SubkindDecimal:
        return QStringLiteral("Dec");
    case SubkindHex:
        return QStringLiteral("HEX");
    case SubkindFloat:
        return QStringLiteral("Float");
    case SubkindTime:
        return QStringLiteral("Время");
    case SubkindDate:
        return QStringLiteral("Дата");
    default:
        break;
    }
    QString name = (subkind & 0x40) ? QStringLiteral("Dec") : QStringLiteral("HEX");
    if (!(subkind & 0x10))
        name += QStringLiteral("_B");
    return name;
}

QString archiveLabel(uint8_t kind)
{
    switch (kind >> 4) {
    case HourlyArchive:
        return QStringLiteral("Часовой архив");
    case DailyArchive:
        return QStringLiteral("Суточый архив");
    case 3:
    case 4:
        return QStringLiteral("#");
    default:
        return {};
    }
}

QString parameterText(uint16_t number, const QString& name, uint8_t subkind, uint8_t kind)
{
    const QChar sep(u'\\');
    return text::hexDigits(number, 4) + sep + name + sep + subkindName(subkind) + sep + archiveLabel(kind) +
           sep;
}

bool shownByMainWindowFilter(uint8_t subkind, bool hidden, uint16_t number)
{
    if (subkind == SubkindFloat)
        return !hidden;
    return number == 0xF001 || number == 0xF017 || number == 0xF018;
}

} // namespace rastrova::catalogue
