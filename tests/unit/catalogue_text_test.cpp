// The texts of the parameter tree, the main window's display filter, archive
// lengths, the short strings of the records, and the text tree the command-line
// tool prints.

#include "catalogue/moduletsk.h"
#include "catalogue/records.h"
#include "catalogue/texts.h"
#include "catalogue/texttree.h"
#include "text/codepage.h"

#include <gtest/gtest.h>

using namespace rastrova;
using namespace rastrova::catalogue;

static void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace {

// An entry with the algorithm record's subkind (offset 68), kind byte (69),
// archive hours (56) and flags (70), and the task record's number (62).
CatalogueEntry entry(uint8_t subkind, uint8_t kind, uint16_t hours = 0, uint8_t flags = 0,
                     uint16_t number = 0)
{
    CatalogueEntry e;
    e.algorithm.bytes[68] = subkind;
    e.algorithm.bytes[69] = kind;
    e.algorithm.bytes[56] = uint8_t(hours & 0xFF);
    e.algorithm.bytes[57] = uint8_t(hours >> 8);
    e.algorithm.bytes[70] = flags;
    e.task.bytes[62] = uint8_t(number & 0xFF);
    e.task.bytes[63] = uint8_t(number >> 8);
    return e;
}

template <size_t N> void putShortString(std::array<uint8_t, N>& bytes, int at, const QString& s)
{
    const QByteArray e = text::toCp1251Lossy(s);
    bytes[size_t(at)] = uint8_t(e.size());
    for (qsizetype i = 0; i < e.size(); ++i)
        bytes[size_t(at + 1 + i)] = uint8_t(e[i]);
}

} // namespace

TEST(CatalogueTexts, SubkindNames)
{
    const char16_t* fixed[] = {u"Бит", u"Байт", u"Dec", u"HEX", u"Float", u"Время", u"Дата"};
    for (uint8_t s = 0; s < 7; ++s)
        EXPECT_EQ(subkindName(s), QString::fromUtf16(fixed[s])) << int(s);
    // From 7 on: bit 6 chooses Dec or HEX, a clear bit 4 adds "_B".
    EXPECT_EQ(subkindName(0x50), QStringLiteral("Dec"));
    EXPECT_EQ(subkindName(0x40), QStringLiteral("Dec_B"));
    EXPECT_EQ(subkindName(0x10), QStringLiteral("HEX"));
    EXPECT_EQ(subkindName(0x08), QStringLiteral("HEX_B"));
    EXPECT_EQ(subkindName(0x07), QStringLiteral("HEX_B"));
    EXPECT_EQ(subkindName(0xFF), QStringLiteral("Dec"));
    EXPECT_EQ(subkindName(0xAF), QStringLiteral("HEX_B"));
}

TEST(CatalogueTexts, ArchiveLabelsByTheHighHalfOfTheKindByte)
{
    EXPECT_EQ(archiveLabel(0x10), QStringLiteral("Часовой архив"));
    EXPECT_EQ(archiveLabel(0x1F), QStringLiteral("Часовой архив"));
    EXPECT_EQ(archiveLabel(0x20), QStringLiteral("Суточый архив"));
    EXPECT_EQ(archiveLabel(0x30), QStringLiteral("#"));
    EXPECT_EQ(archiveLabel(0x45), QStringLiteral("#"));
    EXPECT_EQ(archiveLabel(0x00), QString());
    EXPECT_EQ(archiveLabel(0x0F), QString());
    EXPECT_EQ(archiveLabel(0x50), QString());
    EXPECT_EQ(archiveLabel(0xF0), QString());
}

TEST(CatalogueTexts, ParameterTextTakesTheTaskNameElseTheAlgorithmName)
{
    EXPECT_EQ(parameterText(0x00A5, QStringLiteral("Q"), 4, 0x10),
              QStringLiteral("00A5\\Q\\Float\\Часовой архив\\"));
    EXPECT_EQ(parameterText(0xF017, QStringLiteral("Время"), 5, 0), QStringLiteral("F017\\Время\\Время\\\\"));

    CatalogueEntry e = entry(4, 0x10, 0, 0, 0x00A5);
    putShortString(e.algorithm.bytes, 4, QStringLiteral("Q"));
    EXPECT_EQ(e.text(), QStringLiteral("00A5\\Q\\Float\\Часовой архив\\"));
    putShortString(e.task.bytes, 2, QStringLiteral("Тепло котла"));
    EXPECT_EQ(e.name(), QStringLiteral("Тепло котла"));
    EXPECT_EQ(e.text(), QStringLiteral("00A5\\Тепло котла\\Float\\Часовой архив\\"));
}

TEST(CatalogueTexts, MainWindowFilter)
{
    // Floating point: shown exactly when not hidden, whatever the number.
    EXPECT_TRUE(shownByMainWindowFilter(4, false, 0x0101));
    EXPECT_FALSE(shownByMainWindowFilter(4, true, 0xF017));
    // Anything else: only the three numbers, hidden or not.
    for (uint16_t n : {0xF001, 0xF017, 0xF018}) {
        EXPECT_TRUE(shownByMainWindowFilter(2, true, n)) << n;
        EXPECT_TRUE(shownByMainWindowFilter(5, false, n)) << n;
    }
    EXPECT_FALSE(shownByMainWindowFilter(2, true, 0x0101));
    EXPECT_FALSE(shownByMainWindowFilter(2, false, 0x0101));
    EXPECT_FALSE(shownByMainWindowFilter(6, false, 0xF019));

    // The filter reads the number from the record being placed.
    const DisplayFilter f = mainWindowFilter();
    const CatalogueEntry hiddenDec = entry(2, 0, 0, 1, 0x0101);
    CatalogueEntry numbered = entry(2, 0, 0, 1, 0xF017);
    EXPECT_TRUE(f(hiddenDec, numbered.task));
    EXPECT_FALSE(f(numbered, hiddenDec.task));
    EXPECT_FALSE(f(entry(4, 0, 0, 0x01), hiddenDec.task));
    EXPECT_TRUE(f(entry(4, 0, 0, 0xFE), hiddenDec.task)); // only bit 0 hides
}

TEST(CatalogueTexts, ArchiveLength)
{
    const CatalogueEntry days64 = entry(4, 0x10, 1536);
    const CatalogueEntry days16 = entry(4, 0x10, 384);
    const CatalogueEntry daily = entry(4, 0x20, 1536);
    const CatalogueEntry plain = entry(4, 0x00, 1536);
    EXPECT_EQ(ModuleTSK::ArchiveLength(&days64), 64);
    EXPECT_EQ(ModuleTSK::ArchiveLength(&days16), 16);
    EXPECT_EQ(ModuleTSK::ArchiveLength(&daily), 0xFFFF);
    EXPECT_EQ(ModuleTSK::ArchiveLength(&plain), 0);
    EXPECT_EQ(ModuleTSK::ArchiveLength(nullptr), 0);
    // Integer division, kept to 8 bits; the low half of the kind byte does not count.
    const CatalogueEntry odd = entry(4, 0x17, 47);
    const CatalogueEntry long300 = entry(4, 0x10, 7200);
    const CatalogueEntry label = entry(4, 0x30, 1536);
    EXPECT_EQ(ModuleTSK::ArchiveLength(&odd), 1);
    EXPECT_EQ(ModuleTSK::ArchiveLength(&long300), 300 & 0xFF);
    EXPECT_EQ(ModuleTSK::ArchiveLength(&label), 0);
}

TEST(CatalogueRecords, FieldsAreLittleEndianAndShortStringsStayInTheirField)
{
    TaskParamRecord t;
    t.bytes[62] = 0x34;
    t.bytes[63] = 0x12;
    t.bytes[68] = 0xFF;
    t.bytes[69] = 0x00;
    EXPECT_EQ(t.number(), 0x1234);
    EXPECT_EQ(t.algorithmNumber(), 0x00FF);
    t.setAlgorithmNumber(0xABCD);
    EXPECT_EQ(t.bytes[68], 0xCD);
    EXPECT_EQ(t.bytes[69], 0xAB);
    EXPECT_EQ(t.number(), 0x1234);

    AlgHeader h;
    putShortString(h.bytes, 49, QStringLiteral("ТРУБ"));
    h.bytes[0] = 48; // the longest group name the field holds
    std::fill(h.bytes.begin() + 1, h.bytes.begin() + 49, uint8_t(0xC0)); // "А"
    EXPECT_EQ(h.groupName(), QString(48, QChar(0x0410)));
    EXPECT_EQ(h.shortName(), QStringLiteral("ТРУБ"));
    h.bytes[49] = 250; // longer than the field: cut to its 8 characters
    EXPECT_EQ(h.shortName().size(), 8);
    EXPECT_EQ(h.shortName().left(4), QStringLiteral("ТРУБ"));
}

TEST(CatalogueTextTree, IndentsTwoBlanksPerLevelAndRemovesWholeBranches)
{
    ModuleTSK catalogue;
    SrrGrObject g1, g2;
    CatalogueEntry e1, e2, e3;
    TextTree tree;
    NodeHandle root = tree.addRoot(catalogue);
    tree.setRootText(root, QStringLiteral("Задача"));
    NodeHandle n1 = tree.addGroup(root, QStringLiteral("Группа 1"), g1);
    NodeHandle n2 = tree.addGroup(root, QStringLiteral("Группа 2"), g2);
    tree.addParameter(n1, QStringLiteral("0001\\А\\Dec\\\\"), e1);
    NodeHandle p2 = tree.addParameter(n1, QStringLiteral("0002\\Б\\Dec\\\\"), e2);
    tree.addParameter(n2, QStringLiteral("0003\\В\\Dec\\\\"), e3);
    EXPECT_EQ(tree.lines(),
              (QStringList{QStringLiteral("Задача"), QStringLiteral("  Группа 1"),
                           QStringLiteral("    0001\\А\\Dec\\\\"), QStringLiteral("    0002\\Б\\Dec\\\\"),
                           QStringLiteral("  Группа 2"), QStringLiteral("    0003\\В\\Dec\\\\")}));
    EXPECT_EQ(tree.node(p2)->data, &e2);
    tree.removeNode(p2);
    tree.removeNode(n2);
    tree.removeNode(n2); // a second time does nothing
    EXPECT_EQ(tree.lines(), (QStringList{QStringLiteral("Задача"), QStringLiteral("  Группа 1"),
                                         QStringLiteral("    0001\\А\\Dec\\\\")}));
    EXPECT_EQ(tree.nodeCount(), 3);
    tree.removeNode(root);
    EXPECT_EQ(tree.nodeCount(), 0);
    EXPECT_TRUE(tree.lines().isEmpty());
}
