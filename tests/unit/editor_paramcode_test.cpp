// Codes and names of the parameters the insert-parameter panel adds: the menu of a
// type "10" blank, its hexadecimal field and reference list, and the catalogue
// parameters of a type "19" blank.

#include "editor/paramcode.h"
#include "editor/reflist.h"
#include "testfiles.h"

#include <gtest/gtest.h>

using namespace rastrova;
using namespace rastrova::editor;
using namespace Qt::StringLiterals;

namespace rastrova::editor {
static void PrintTo(const ParameterCode& p, std::ostream* os)
{
    *os << '{' << p.code.toStdString() << ", " << p.name.toStdString() << '}';
}
} // namespace rastrova::editor

namespace {

ParameterCode code(const QString& c, const QString& n)
{
    return {c, n};
}

// ------------------------------------------------------------ the menu

TEST(EditorParamCode, FixedValuesHaveTheirFixedCodes)
{
    EXPECT_EQ(menuParameter(ItemTime, 0), code(u"#4015"_s, u"Время"_s));
    EXPECT_EQ(menuParameter(ItemDate, 0), code(u"#4016"_s, u"Дата"_s));
    EXPECT_EQ(menuParameter(ItemYear, 0), code(u"#4017"_s, u"Год"_s));
    EXPECT_EQ(menuParameter(ItemSerialNumber, 0), code(u"#403C"_s, u"Заводской номер"_s));
    // The number field plays no part in them.
    EXPECT_EQ(menuParameter(ItemTime, 7), menuParameter(ItemTime, 0));
}

TEST(EditorParamCode, PipelineAndSensorValuesCarryTheirNumber)
{
    EXPECT_EQ(menuParameter(ItemPipeFlow, 3), code(u"#8319"_s, u"Расход за пред. час в трубопр. № 3"_s));
    EXPECT_EQ(menuParameter(ItemPipeFlow, 0), code(u"#8019"_s, u"Расход за пред. час в трубопр. № 0"_s));
    EXPECT_EQ(menuParameter(ItemPipeHeat, 15), code(u"#8F2D"_s, u"Тепло за пред. час в трубопр. № 15"_s));
    EXPECT_EQ(menuParameter(ItemSensorValue, 10), code(u"#0A17"_s, u"Значение из датчика № 10"_s));
    EXPECT_EQ(menuParameter(ItemSensorValue, 63), code(u"#3F17"_s, u"Значение из датчика № 63"_s));
}

TEST(EditorParamCode, ArchiveNumbersHaveTwoDigitsAtLeast)
{
    EXPECT_EQ(menuParameter(ItemHourlyArchive, 5), code(u"~05"_s, u"Данные из часового архива № 5"_s));
    EXPECT_EQ(menuParameter(ItemHourlyArchive, 9)->code, u"~09"_s);
    EXPECT_EQ(menuParameter(ItemHourlyArchive, 12), code(u"~12"_s, u"Данные из часового архива № 12"_s));
    EXPECT_EQ(menuParameter(ItemHourlyArchive, 31)->code, u"~31"_s);
    EXPECT_EQ(menuParameter(ItemDailyArchive, 5), code(u"$05"_s, u"Данные из суточного архива № 5"_s));
    EXPECT_EQ(menuParameter(ItemDailyArchive, 12), code(u"$12"_s, u"Данные из суточного архива № 12"_s));
    EXPECT_EQ(menuParameter(ItemDailyArchive, 63)->code, u"$63"_s);
}

TEST(EditorParamCode, NumberFieldsHaveTheirLabelsAndRanges)
{
    EXPECT_EQ(menuItemTexts().size(), kMenuItemCount);
    EXPECT_EQ(menuItemTexts()[ItemFromList], u"Параметр из списка..."_s);
    for (int item : {int(ItemTime), int(ItemDate), int(ItemYear), int(ItemSerialNumber), int(ItemFromList),
                     int(ItemOther)})
        EXPECT_FALSE(menuNumberField(item)) << item;
    EXPECT_EQ(menuNumberField(ItemPipeFlow), (NumberField{u"№ трубопровода:"_s, 15}));
    EXPECT_EQ(menuNumberField(ItemPipeHeat), (NumberField{u"№ трубопровода:"_s, 15}));
    EXPECT_EQ(menuNumberField(ItemSensorValue), (NumberField{u"№ датчика:"_s, 63}));
    EXPECT_EQ(menuNumberField(ItemHourlyArchive), (NumberField{u"№ часового архива:"_s, 31}));
    EXPECT_EQ(menuNumberField(ItemDailyArchive), (NumberField{u"№ суточного архива:"_s, 63}));
}

TEST(EditorParamCode, ValueAboveTheFieldBecomesZero)
{
    const NumberField pipe{u"№ трубопровода:"_s, 15};
    EXPECT_EQ(clampToField(15, pipe), 15);
    EXPECT_EQ(clampToField(16, pipe), 0);
    EXPECT_EQ(clampToField(-1, pipe), 0);
    // The code never takes a number its field cannot hold.
    EXPECT_EQ(menuParameter(ItemPipeFlow, 40)->code, u"#8019"_s);
    EXPECT_EQ(menuParameter(ItemHourlyArchive, 32)->code, u"~00"_s);
}

TEST(EditorParamCode, DailyArchiveOnlyInArchiveBlanks)
{
    EXPECT_FALSE(menuItemAllowed(ItemDailyArchive, store::BlankKind::Hourly));
    EXPECT_TRUE(menuItemAllowed(ItemDailyArchive, store::BlankKind::Archive));
    for (int item = 0; item < kMenuItemCount; ++item) {
        if (item != ItemDailyArchive) {
            EXPECT_TRUE(menuItemAllowed(item, store::BlankKind::Hourly)) << item;
        }
    }
    EXPECT_EQ(menuItemRefusal(),
              u"Значение суточного архива можно выбрать только для архивного бланка. Будьте внимательны."_s);
}

TEST(EditorParamCode, ListAndOtherItemsAreNotMenuCodes)
{
    EXPECT_FALSE(menuParameter(ItemFromList, 0));
    EXPECT_FALSE(menuParameter(ItemOther, 0));
    EXPECT_FALSE(menuParameter(kMenuItemCount, 0));
    EXPECT_FALSE(menuParameter(-1, 0));
}

// ------------------------------------------------------------ "Другой параметр..."

TEST(EditorParamCode, HexFieldTakesHexDigitsInUpperCase)
{
    EXPECT_EQ(hexFieldKey(u'0'), QChar(u'0'));
    EXPECT_EQ(hexFieldKey(u'9'), QChar(u'9'));
    EXPECT_EQ(hexFieldKey(u'A'), QChar(u'A'));
    EXPECT_EQ(hexFieldKey(u'F'), QChar(u'F'));
    EXPECT_EQ(hexFieldKey(u'a'), QChar(u'A'));
    EXPECT_EQ(hexFieldKey(u'f'), QChar(u'F'));
    for (QChar refused : {QChar(u'G'), QChar(u'g'), QChar(u' '), QChar(u'-'), QChar(u'А'), QChar(u'х')})
        EXPECT_TRUE(hexFieldKey(refused).isNull()) << int(refused.unicode());
}

TEST(EditorParamCode, OtherParameterReadsTheFieldAsHex)
{
    EXPECT_EQ(otherParameter(u"1A2"), code(u"#01A2"_s, u"Параметр: 1A2"_s));
    EXPECT_EQ(otherParameter(u"1a2"), code(u"#01A2"_s, u"Параметр: 1A2"_s));
    EXPECT_EQ(otherParameter(u""), code(u"#0000"_s, u"Параметр: "_s));
    EXPECT_EQ(otherParameter(u"FFFF")->code, u"#FFFF"_s);
    // A blank counts as the digit 0.
    EXPECT_EQ(otherParameter(u"1 2")->code, u"#0102"_s);
    EXPECT_EQ(otherParameter(u" ")->code, u"#0000"_s);
}

TEST(EditorParamCode, OtherParameterRefusesWhatIsNoHexNumber)
{
    EXPECT_FALSE(otherParameter(u"G1"));
    EXPECT_FALSE(otherParameter(u"12-"));
    EXPECT_FALSE(otherParameter(u"10000")); // five digits hold no address
    EXPECT_EQ(otherParameterError(),
              u"Не верный формат параметра. Формат параметра ABCD - шестнадцатеричное 4-х "
              u"разрядное число . Будьте внимательны."_s);
}

// ------------------------------------------------------------ the reference list

ReferenceList parsed(const QString& text)
{
    ReferenceList list;
    list.parse(testfiles::cp1251(text));
    return list;
}

TEST(EditorParamCode, LastHeaderOnlyClosesTheGroups)
{
    const ReferenceList list =
        parsed(u"G1\r\na;80;10\r\n\r\nG2\r\nb;90;20\r\nc;91;21\r\nEND\r\nz;FF;FF\r\n"_s);
    EXPECT_EQ(list.offeredGroups(), (QStringList{u"G1"_s, u"G2"_s}));
    ASSERT_EQ(list.groupEntries(1).size(), 2);
    EXPECT_EQ(list.groupEntries(1)[1].name, u"c"_s);
    // The entries after the last header belong to no offered group.
    for (int g = 0; g < list.offeredGroups().size(); ++g)
        for (const ReferenceEntry& e : list.groupEntries(g))
            EXPECT_NE(e.name, u"z"_s);
}

TEST(EditorParamCode, AtMostNineGroupsAreOffered)
{
    QString text;
    for (int i = 0; i < 12; ++i)
        text += u"H%1\r\ne%1;%2;01\r\n"_s.arg(i).arg(i, 2, 10, QChar(u'0'));
    const ReferenceList list = parsed(text);
    const QStringList offered = list.offeredGroups();
    ASSERT_EQ(offered.size(), 9);
    EXPECT_EQ(offered.front(), u"H0"_s);
    EXPECT_EQ(offered.back(), u"H8"_s);
    // A single header offers nothing.
    EXPECT_TRUE(parsed(u"Only\r\na;1;2\r\n"_s).offeredGroups().isEmpty());
}

TEST(EditorParamCode, GroupNumberFieldsByPosition)
{
    EXPECT_EQ(groupNumberField(0), (NumberField{u"№ датчика:"_s, 63}));
    EXPECT_EQ(groupNumberField(4), groupNumberField(0));
    EXPECT_EQ(groupNumberField(1), (NumberField{u"№ трубопровода:"_s, 15}));
    EXPECT_EQ(groupNumberField(5), groupNumberField(1));
    EXPECT_EQ(groupNumberField(6), (NumberField{u"Индекс:"_s, 63}));
    for (int g : {2, 3, 7, 8, -1})
        EXPECT_FALSE(groupNumberField(g)) << g;
    EXPECT_TRUE(groupResetsNumber(0));
    EXPECT_TRUE(groupResetsNumber(4));
    EXPECT_FALSE(groupResetsNumber(1));
    EXPECT_FALSE(groupResetsNumber(6));
}

TEST(EditorParamCode, ListEntryCodeAddsTheNumberToTheHighByte)
{
    const ReferenceEntry temperature{u"Температура"_s, {0x80, 0x10, 0, 0}};
    EXPECT_EQ(listParameter(temperature, 0, 3), code(u"#8310"_s, u"Температура, № датчика: 3"_s));
    EXPECT_EQ(listParameter(temperature, 1, 15), code(u"#8F10"_s, u"Температура, № трубопровода: 15"_s));
    EXPECT_EQ(listParameter(temperature, 6, 5), code(u"#8510"_s, u"Температура, Индекс: 5"_s));
    // No field: the entry's own address and name.
    EXPECT_EQ(listParameter(temperature, 2, 9), code(u"#8010"_s, u"Температура"_s));
    // A number above the group's field is 0.
    EXPECT_EQ(listParameter(temperature, 1, 20), code(u"#8010"_s, u"Температура, № трубопровода: 0"_s));
    // The address byte stays a byte.
    const ReferenceEntry high{u"x"_s, {0xF0, 0x01, 0, 0}};
    EXPECT_EQ(listParameter(high, 0, 63).code, u"#2F01"_s);
}

TEST(EditorParamCode, ListEntriesOfTheSuppliedFile)
{
    const ReferenceList list = parsed(u"Датчики\r\nТемпература;80;10\r\nТрубы\r\nМасса;90;20\r\nКонец\r\n"_s);
    ASSERT_EQ(list.groupEntries(1).size(), 1);
    EXPECT_EQ(listParameter(list.groupEntries(1)[0], 1, 2), code(u"#9220"_s, u"Масса, № трубопровода: 2"_s));
}

// ------------------------------------------------------------ the catalogue

CatalogueParameter parameter(uint8_t kind, uint8_t subkind, uint16_t number, const QString& name)
{
    return {kind, subkind, number, name, 0};
}

TEST(EditorParamCode, CatalogueCodePrefixFromTheKindByte)
{
    EXPECT_EQ(catalogueParameter(parameter(0x10, 2, 0x00A0, u"Q"_s)), code(u"~00A0"_s, u"Q"_s));
    EXPECT_EQ(catalogueParameter(parameter(0x1F, 2, 0x1234, u"Q"_s)).code, u"~1234"_s);
    EXPECT_EQ(catalogueParameter(parameter(0x20, 2, 0xF001, u"Q"_s)).code, u"$F001"_s);
    for (uint8_t kind : {0x00, 0x01, 0x30, 0x40, 0x4F})
        EXPECT_EQ(catalogueParameter(parameter(kind, 2, 0x0005, u"Q"_s)).code, u"#0005"_s) << int(kind);
    // Kinds from 0x50 on keep a class letter too, so the number reads from the
    // second character as every other code's does.
    for (uint8_t kind : {0x50, 0x90, 0xFF})
        EXPECT_EQ(catalogueParameter(parameter(kind, 2, 0xBEEF, u"Q"_s)).code, u"#BEEF"_s) << int(kind);
}

TEST(EditorParamCode, CatalogueTimeAndDateHaveFixedNames)
{
    EXPECT_EQ(catalogueParameter(parameter(0x00, 5, 0x0010, u"Часы прибора"_s)).name, u"Время"_s);
    EXPECT_EQ(catalogueParameter(parameter(0x00, 6, 0x0011, u"Дата прибора"_s)).name, u"Дата"_s);
    EXPECT_EQ(catalogueParameter(parameter(0x00, 4, 0x0012, u"Расход"_s)).name, u"Расход"_s);
    EXPECT_EQ(catalogueParameter(parameter(0x00, 7, 0x0012, u"Расход"_s)).name, u"Расход"_s);
}

TEST(EditorParamCode, CatalogueArchiveSetsTheDepthMaximum)
{
    EXPECT_EQ(catalogueDepthMaximum(0x10, 384), 16);
    EXPECT_EQ(catalogueDepthMaximum(0x10, 768), 32);
    EXPECT_EQ(catalogueDepthMaximum(0x10, 1536), 64);
    EXPECT_EQ(catalogueDepthMaximum(0x10, 1559), 64);            // hours / 24, rounded down
    EXPECT_EQ(catalogueDepthMaximum(0x10, 24 * (256 + 16)), 16); // days kept to 8 bits
    EXPECT_FALSE(catalogueDepthMaximum(0x10, 480)); // 20 days: no archive length the adapter knows
    EXPECT_FALSE(catalogueDepthMaximum(0x10, 0));
    EXPECT_EQ(catalogueDepthMaximum(0x20, 0), 255);
    EXPECT_EQ(catalogueDepthMaximum(0x2A, 384), 255);
    EXPECT_FALSE(catalogueDepthMaximum(0x00, 384));
    EXPECT_FALSE(catalogueDepthMaximum(0x30, 384));
}

} // namespace
