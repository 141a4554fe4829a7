#pragma once
// The insert-parameter panel's code builder: what a parameter chosen by the user
// is called in the blank's parameter list (its code and its name).
//
// A blank of controller type "10" offers a fixed menu of value kinds, with a
// number field for some of them, and the groups of the reference list sprav.txt.
// A blank of controller type "19" takes its parameters from the controller's
// parameter catalogue: the code comes from the entry's kind byte and number.
//
//   menuParameter(PipeFlow, 3)            -> "#8319", "Расход за пред. час в трубопр. № 3"
//   otherParameter(u"1A2")                -> "#01A2", "Параметр: 1A2"
//   catalogueParameter({0x10, 2, 0xA0, "Q"}) -> "~00A0", "Q"

#include "editor/reflist.h"
#include "store/blank.h"

#include <QChar>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <cstdint>
#include <optional>

namespace rastrova::editor {

// Controller types as a blank's VIRELTYPE keeps them.
constexpr int kControllerType10 = 0;
constexpr int kControllerType19 = 1;

// A code and the name shown beside it in the parameter list.
struct ParameterCode {
    QString code;
    QString name;
    bool operator==(const ParameterCode&) const = default;
};

// The number field a choice shows: its label and its largest value (the least is 0).
struct NumberField {
    QString label;
    int maximum = 0;
    bool operator==(const NumberField&) const = default;
};

// A value kept when it is within the field, 0 when it is above it (or below 0).
int clampToField(int value, const NumberField& field);

// ------------------------------------------------------------ type "10": the menu

// The items of the radio group "Параметр:", in order.
enum MenuItem {
    ItemTime = 0,
    ItemDate,
    ItemYear,
    ItemSerialNumber,
    ItemPipeFlow,      // flow of the previous hour in a pipeline
    ItemPipeHeat,      // heat of the previous hour in a pipeline
    ItemSensorValue,   // value of the previous hour from a sensor
    ItemHourlyArchive, // a value from an hourly archive
    ItemDailyArchive,  // a value from a daily archive: archive blanks only
    ItemFromList,      // an entry of the reference list
    ItemOther,         // any controller address typed in hexadecimal
    kMenuItemCount
};

// The caption of the radio group and the texts of its items.
inline const QString kMenuCaption = QStringLiteral("Параметр:");
QStringList menuItemTexts();

// The number field of an item; none for the fixed values, the list and "Другой параметр...".
std::optional<NumberField> menuNumberField(int item);

// Whether a blank of this kind may take the item (a daily archive value needs an
// archive blank), and what the user is told when it may not.
bool menuItemAllowed(int item, store::BlankKind kind);
QString menuItemRefusal();

// Code and name of items 0..8 with the number field's value `n` (ignored by the
// items without a field); nothing for the list, "Другой параметр..." and others.
std::optional<ParameterCode> menuParameter(int item, int n);

// ------------------------------------------------------------ type "10": "Другой параметр..."

inline const QString kOtherFieldLabel = QStringLiteral("Параметр ВИРЕЛ:");
constexpr int kOtherFieldLength = 4;

// What a key typed into the hexadecimal field puts there: 0-9 and A-F as they
// are, a-f in upper case; a null character for any other key.
QChar hexFieldKey(QChar typed);

// The field read as a hexadecimal number (a blank counts as 0, an empty field is 0):
// "#" + four digits and "Параметр: " + the field's text (in upper case, as the
// field shows it). Nothing when the text is no such number.
std::optional<ParameterCode> otherParameter(QStringView fieldText);
QString otherParameterError();

// ------------------------------------------------------------ type "10": the reference list

inline const QString kGroupPrompt = QStringLiteral("Выберите группу параметров:");

// The number field of the group at `group` among the offered groups: sensors
// (0 and 4), pipelines (1 and 5), an index (6); none for the others.
std::optional<NumberField> groupNumberField(int group);
// Whether choosing the group sets its number field to 0 (the sensor groups).
bool groupResetsNumber(int group);

// The code and name of an entry of group `group` with the number field's value
// `n`: with a field, "#" + hex2(A + n) + hex2(B) and the name with ", " + the
// field's label + ": " + n; without one, "#" + hex2(A) + hex2(B) and the name.
// An address byte is kept to 8 bits.
ParameterCode listParameter(const ReferenceEntry& entry, int group, int n);

// ------------------------------------------------------------ type "19": the catalogue

// What the parameter tree gives of a chosen parameter.
struct CatalogueParameter {
    uint8_t kind = 0;          // high half 1 hourly archive, 2 daily archive
    uint8_t subkind = 0;       // 5 time, 6 date
    uint16_t number = 0;       // the parameter number blanks refer to
    QString name;              // the entry's name
    uint16_t archiveHours = 0; // archive length in hours (hourly archive parameters)
};

// "~" for an hourly archive, "$" for a daily one, "#" for any other value.
QString cataloguePrefix(uint8_t kind);
// Prefix + four hexadecimal digits of the number; "Время" and "Дата" name the time
// and date subkinds, any other parameter keeps its own name.
ParameterCode catalogueParameter(const CatalogueParameter& parameter);

// The start depth maximum of the archive-depth panel that choosing the parameter
// sets: its archive length in days (hours / 24, kept to 8 bits) for an hourly
// archive of 16, 32 or 64 days, 255 for a daily archive; nothing for the others.
std::optional<int> catalogueDepthMaximum(uint8_t kind, uint16_t archiveHours);

} // namespace rastrova::editor
