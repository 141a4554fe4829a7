#pragma once
// The texts of the parameter tree and the display filter of the main window.
//
// A parameter node reads "00A5\Расход\Float\Часовой архив\": the parameter
// number as four upper-case hexadecimal digits, the name, the subkind name and
// the archive label, each followed by "\".

#include <QString>
#include <cstdint>

namespace rastrova::catalogue {

// "Бит", "Байт", "Dec", "HEX", "Float", "Время", "Дата" for subkinds 0..6. From 7
// on: "Dec" when bit 6 (0x40) is set, "HEX" when it is clear, each followed by
// "_B" when bit 4 (0x10) is clear (0x50 "Dec", 0x40 "Dec_B", 0x10 "HEX", 0x08 "HEX_B").
QString subkindName(uint8_t subkind);

// By the high half of the kind byte: 1 "Часовой архив", 2 "Суточый архив",
// 3 and 4 "#", anything else empty.
QString archiveLabel(uint8_t kind);

// The text of a parameter node. `name` is the task record's name, or the
// algorithm record's when the task record has none.
QString parameterText(uint16_t number, const QString& name, uint8_t subkind, uint8_t kind);

// The display filter the main window installs: a floating-point parameter is
// shown exactly when it is not hidden; any other is shown exactly when its number
// is 0xF001, 0xF017 or 0xF018, hidden or not.
bool shownByMainWindowFilter(uint8_t subkind, bool hidden, uint16_t number);

} // namespace rastrova::catalogue
