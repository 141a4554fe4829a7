// The parameter catalogue over real database folders: which files are read and
// in what order, where task records land, look-ups by number, the tree it
// builds, and damaged files.
//
// The files are laid out here byte by byte from the record tables, apart from
// the reader, so that a layout fault in either shows.

#include "catalogue/moduletsk.h"
#include "catalogue/texttree.h"
#include "text/codepage.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdint>
#include <vector>

using namespace rastrova;
using namespace rastrova::catalogue;

static void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace {

// ---- Writing database files ---------------------------------------------------

struct Bytes {
    QByteArray b;
    explicit Bytes(int size) : b(size, '\0') {}
    Bytes& u16(int at, uint16_t v)
    {
        b[at] = char(v & 0xFF);
        b[at + 1] = char(v >> 8);
        return *this;
    }
    Bytes& u8(int at, uint8_t v)
    {
        b[at] = char(v);
        return *this;
    }
    Bytes& str(int at, const QString& s)
    {
        const QByteArray e = text::toCp1251Lossy(s);
        b[at] = char(e.size());
        for (qsizetype i = 0; i < e.size(); ++i)
            b[at + 1 + i] = e[i];
        return *this;
    }
};

struct A { // algorithm parameter record
    uint16_t number;
    QString name;
    uint8_t subkind = 4;
    uint8_t kind = 0;
    uint16_t hours = 0;
    uint8_t flags = 0;
};

struct T { // task parameter record
    uint16_t number;
    uint16_t algNumber;
    QString name = {};
};

struct G { // group record and its task records
    uint16_t algorithm;
    std::vector<T> records;
    int announced = -1; // record count written into the group record; -1: records.size()
};

QByteArray algFile(const QString& groupName, const std::vector<A>& records, int announced = -1)
{
    QByteArray out = Bytes(70)
                         .str(0, groupName)
                         .str(49, QStringLiteral("ГР"))
                         .u16(64, uint16_t(announced < 0 ? records.size() : announced))
                         .b;
    for (const A& a : records)
        out += Bytes(72)
                   .u16(2, a.number)
                   .str(4, a.name)
                   .u16(56, a.hours)
                   .u8(68, a.subkind)
                   .u8(69, a.kind)
                   .u8(70, a.flags)
                   .b;
    return out;
}

QByteArray taskFile(const QString& name, uint16_t module, const std::vector<G>& groups, int announced = -1)
{
    QByteArray out = Bytes(128)
                         .str(0, name)
                         .u16(64, module)
                         .u16(124, uint16_t(announced < 0 ? groups.size() : announced))
                         .b;
    for (const G& g : groups) {
        out += Bytes(80)
                   .u16(62, g.algorithm)
                   .u16(78, uint16_t(g.announced < 0 ? g.records.size() : g.announced))
                   .b;
        for (const T& t : g.records)
            out += Bytes(84).str(2, t.name).u16(62, t.number).u16(68, t.algNumber).b;
    }
    return out;
}

struct Messages : MessageSink {
    QStringList texts;
    void message(const QString& caption, const QString& text) override
    {
        EXPECT_EQ(caption, QStringLiteral("Растрова - Диалог"));
        texts << text;
    }
};

// A database in a temporary folder and a catalogue over it.
struct Db {
    QTemporaryDir dir;
    ModuleTSK catalogue;
    Messages messages;
    TextTree tree;

    Db()
    {
        catalogue.setDatabasePath(dir.path());
        catalogue.setMessageSink(&messages);
    }
    QString path(const QString& rel) const { return dir.path() + u'/' + rel; }
    // The path as the catalogue names it in messages.
    QString native(const QString& rel) const
    {
        return dir.path() + QDir::separator() + QString(rel).replace(u'/', QDir::separator());
    }
    void write(const QString& rel, const QByteArray& bytes)
    {
        const QString p = path(rel);
        ASSERT_TRUE(QDir().mkpath(QFileInfo(p).path()));
        QFile f(p);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << p.toStdString();
        ASSERT_EQ(f.write(bytes), bytes.size());
    }
    QStringList load(const QString& name = {})
    {
        catalogue.LoadTask(name, &tree);
        return tree.lines();
    }
    QStringList groupNames() const
    {
        QStringList out;
        for (qsizetype i = 0; i < catalogue.groupCount(); ++i)
            out << catalogue.group(i).name();
        return out;
    }
};

const std::vector<A> kFlow = {{1, QStringLiteral("Расход")},
                              {2, QStringLiteral("Тепло за час"), 4, 0x10, 1536}};

} // namespace

// ---- Which task files, in which order ----------------------------------------

TEST(CatalogueTaskFiles, EmptyNameLoadsOnlyTheDefaultTask)
{
    Db db;
    db.write("alg/0010.alg", algFile(QStringLiteral("Трубопровод"), kFlow));
    db.write("TASK/0701.tsk", taskFile(QStringLiteral("Базовая"), 0x0701, {{0x0010, {{0x0101, 1}}}}));
    db.write("TASK/0702.tsk", taskFile(QStringLiteral("Другая"), 0x0701, {{0x0010, {{0x0201, 1}}}}));

    EXPECT_EQ(db.load(), (QStringList{QStringLiteral("Базовая"), QStringLiteral("  Трубопровод"),
                                      QStringLiteral("    0101\\Расход\\Float\\\\")}));
    EXPECT_TRUE(db.messages.texts.isEmpty()) << db.messages.texts.join(u'|').toStdString();
    EXPECT_EQ(db.catalogue.lastTaskFile(), db.native("TASK/0701.tsk"));
    EXPECT_EQ(db.catalogue.taskHeader().moduleNumber(), 0x0701);
}

TEST(CatalogueTaskFiles, NamedTaskLoadsItsBaseTaskFirstUnderOneRoot)
{
    Db db;
    db.write("alg/0010.alg", algFile(QStringLiteral("Трубопровод"), kFlow));
    db.write("alg/0012.alg", algFile(QStringLiteral("Датчики"), {{1, QStringLiteral("Температура")}}));
    db.write("TASK/0701.tsk", taskFile(QStringLiteral("Базовая"), 0x0701, {{0x0010, {{0x0101, 1}}}}));
    const QString named = db.path("TASK/SEVER.tsk");
    db.write("TASK/SEVER.tsk", taskFile(QStringLiteral("Северная"), 0x0701,
                                        {{0x0012, {{0x1201, 1}}}, {0x0010, {{0x1001, 2}}}}));

    EXPECT_EQ(
        db.load(named),
        (QStringList{QStringLiteral("Северная"), QStringLiteral("  Трубопровод"),
                     QStringLiteral("    0101\\Расход\\Float\\\\"), QStringLiteral("  Датчики"),
                     QStringLiteral("    1201\\Температура\\Float\\\\"), QStringLiteral("  Трубопровод"),
                     QStringLiteral("    1001\\Тепло за час\\Float\\Часовой архив\\")}));
    EXPECT_TRUE(db.messages.texts.isEmpty());
    // The name as it was given, for comparing with a blank's task file.
    EXPECT_EQ(db.catalogue.lastTaskFile(), named);
    EXPECT_EQ(db.tree.topLevel().size(), 1u);
}

TEST(CatalogueTaskFiles, BaseTaskIsNamedByTheModuleNumberInUpperCaseHex)
{
    Db db;
    db.write("alg/0010.alg", algFile(QStringLiteral("Трубопровод"), kFlow));
    db.write("TASK/0701.tsk", taskFile(QStringLiteral("Не та"), 0x0701, {{0x0010, {{0x0701, 1}}}}));
    db.write("TASK/1A2B.tsk", taskFile(QStringLiteral("Основа"), 0x1A2B, {{0x0010, {{0x1A2B, 1}}}}));
    db.write("TASK/N.tsk", taskFile(QStringLiteral("Задача"), 0x1A2B, {{0x0010, {{0x0001, 1}}}}));

    db.load(db.path("TASK/N.tsk"));
    ASSERT_EQ(db.catalogue.groupCount(), 2);
    EXPECT_EQ(db.catalogue.group(0).entries()[0].number(), 0x1A2B);
    EXPECT_EQ(db.catalogue.group(1).entries()[0].number(), 0x0001);
}

TEST(CatalogueTaskFiles, MissingBaseTaskIsReportedAndTheNamedTaskStillLoads)
{
    Db db;
    db.write("alg/0010.alg", algFile(QStringLiteral("Трубопровод"), kFlow));
    db.write("TASK/N.tsk", taskFile(QStringLiteral("Задача"), 0x00AB, {{0x0010, {{0x0001, 1}}}}));

    db.load(db.path("TASK/N.tsk"));
    EXPECT_EQ(db.messages.texts, QStringList{QStringLiteral("Файл ") + db.native("TASK/00AB.tsk") +
                                             QStringLiteral(" не найден!\rВыполнение операции прекращено.")});
    EXPECT_EQ(db.catalogue.groupCount(), 1);
    EXPECT_EQ(db.tree.lines().first(), QStringLiteral("Задача"));
}

TEST(CatalogueTaskFiles, MissingNamedOrDefaultTaskIsReportedAndAddsNothing)
{
    Db db;
    db.load(db.path("TASK/НЕТ.tsk"));
    db.load();
    EXPECT_EQ(
        db.messages.texts,
        (QStringList{QStringLiteral("Файл задачи ") + db.path("TASK/НЕТ.tsk") + QStringLiteral(" ненайден!"),
                     QStringLiteral("Файл ") + db.native("TASK/0701.tsk") +
                         QStringLiteral(" не найден!\rВыполнение операции прекращено.")}));
    EXPECT_EQ(db.catalogue.groupCount(), 0);
    EXPECT_EQ(db.tree.nodeCount(), 1); // the root the catalogue fills
}

TEST(CatalogueTaskFiles, TaskThatIsItsOwnBaseIsLoadedOnce)
{
    Db db;
    db.write("alg/0010.alg", algFile(QStringLiteral("Трубопровод"), kFlow));
    db.write("TASK/0701.tsk", taskFile(QStringLiteral("Базовая"), 0x0701, {{0x0010, {{0x0101, 1}}}}));
    db.load(db.path("TASK/0701.tsk"));
    EXPECT_EQ(db.catalogue.groupCount(), 1);
    EXPECT_TRUE(db.messages.texts.isEmpty());
}

TEST(CatalogueTaskFiles, BareNameIsLookedUpInTheTaskFolder)
{
    Db db;
    db.write("alg/0010.alg", algFile(QStringLiteral("Трубопровод"), kFlow));
    db.write("TASK/0701.tsk", taskFile(QStringLiteral("Базовая"), 0x0701, {}));
    db.write("TASK/SEVER.tsk", taskFile(QStringLiteral("Северная"), 0x0701, {{0x0010, {{0x1001, 1}}}}));
    db.load(QStringLiteral("SEVER.tsk"));
    EXPECT_TRUE(db.messages.texts.isEmpty()) << db.messages.texts.join(u'|').toStdString();
    EXPECT_EQ(db.catalogue.groupCount(), 1);
    EXPECT_EQ(db.catalogue.lastTaskFile(), QStringLiteral("SEVER.tsk"));
}

TEST(CatalogueTaskFiles, FoldersAndFilesAreFoundInOtherLetterCases)
{
    Db db;
    db.write("ALG/modulepc/0012.ALG", algFile(QStringLiteral("Датчики"), {{1, QStringLiteral("Т")}}));
    db.write("ALG/Sub/00AB.Alg", algFile(QStringLiteral("Счётчик"), {{1, QStringLiteral("Импульсы")}}));
    db.write("task/0701.TSK",
             taskFile(QStringLiteral("Базовая"), 0x0701, {{0x0012, {{1, 1}}}, {0x00AB, {{2, 1}}}}));
    db.write("task/sever.tsk", taskFile(QStringLiteral("Северная"), 0x0701, {}));
    if (QFileInfo::exists(db.path("alg/sub")))
        GTEST_SKIP() << "the file system ignores letter case";

    db.load(db.path("task/Sever.Tsk"));
    EXPECT_TRUE(db.messages.texts.isEmpty()) << db.messages.texts.join(u'|').toStdString();
    EXPECT_EQ(db.groupNames(), (QStringList{QStringLiteral("Датчики"), QStringLiteral("Счётчик")}));
}

// ---- Which algorithm file ------------------------------------------------------

TEST(CatalogueAlgorithmFiles, AlgFolderWinsOverModulePcWhichWinsOverOtherSubFolders)
{
    Db db;
    db.write("alg/0012.alg", algFile(QStringLiteral("Прямо в alg"), {{1, QStringLiteral("Т")}}));
    db.write("alg/ModulePC/0012.alg", algFile(QStringLiteral("В ModulePC"), {{1, QStringLiteral("Т")}}));
    db.write("alg/ModulePC/0020.alg",
             algFile(QStringLiteral("Печать из ModulePC"), {{1, QStringLiteral("Т")}}));
    db.write("alg/AAA/0020.alg", algFile(QStringLiteral("Печать из AAA"), {{1, QStringLiteral("Т")}}));
    db.write("alg/Bbb/0030.alg", algFile(QStringLiteral("Счётчик из Bbb"), {{1, QStringLiteral("Т")}}));
    db.write("alg/ccc/0030.alg", algFile(QStringLiteral("Счётчик из ccc"), {{1, QStringLiteral("Т")}}));
    db.write("alg/.hidden/0031.alg", algFile(QStringLiteral("Скрытый"), {{1, QStringLiteral("Т")}}));
    db.write("TASK/0701.tsk",
             taskFile(QStringLiteral("Базовая"), 0x0701, {{0x0012, {}}, {0x0020, {}}, {0x0030, {}}}));

    db.load();
    EXPECT_TRUE(db.messages.texts.isEmpty());
    EXPECT_EQ(db.groupNames(),
              (QStringList{QStringLiteral("Прямо в alg"), QStringLiteral("Печать из ModulePC"),
                           QStringLiteral("Счётчик из Bbb")}));
    EXPECT_EQ(db.catalogue.group(2).algorithmFile, db.native("alg/Bbb/0030.alg"));

    // Hidden folders are not searched.
    Db other;
    other.write("alg/.hidden/0031.alg", algFile(QStringLiteral("Скрытый"), {{1, QStringLiteral("Т")}}));
    other.write("TASK/0701.tsk", taskFile(QStringLiteral("Базовая"), 0x0701, {{0x0031, {}}}));
    other.load();
    EXPECT_EQ(other.messages.texts, QStringList{QStringLiteral("Файл не найден 0031.alg")});
}

TEST(CatalogueAlgorithmFiles, SearchTakesDotAndDotDotToo)
{
    // A file beside "alg", in the database folder itself, is found through "..".
    Db db;
    db.write("0040.alg", algFile(QStringLiteral("Рядом с alg"), {{1, QStringLiteral("Т")}}));
    db.write("alg/0012.alg", algFile(QStringLiteral("Прямо в alg"), {{1, QStringLiteral("Т")}}));
    db.write("TASK/0701.tsk", taskFile(QStringLiteral("Базовая"), 0x0701, {{0x0012, {}}, {0x0040, {}}}));
    db.load();
    EXPECT_TRUE(db.messages.texts.isEmpty()) << db.messages.texts.join(u'|').toStdString();
    EXPECT_EQ(db.groupNames(), (QStringList{QStringLiteral("Прямо в alg"), QStringLiteral("Рядом с alg")}));
}

TEST(CatalogueAlgorithmFiles, MissingAlgorithmFileStopsTheTaskFileAtThatGroup)
{
    Db db;
    db.write("alg/0010.alg", algFile(QStringLiteral("Трубопровод"), kFlow));
    // An alg folder full of other things does not get in the way.
    for (int i = 0; i < 50; ++i) {
        db.write(QStringLiteral("alg/junk%1.txt").arg(i), QByteArray(i, 'x'));
        db.write(QStringLiteral("alg/dir%1/0013.alg.bak").arg(i), QByteArray(3, 'y'));
    }
    db.write("alg/dir7/0012.dat", QByteArray(100, 'z'));
    db.write("TASK/0701.tsk",
             taskFile(QStringLiteral("Базовая"), 0x0701,
                      {{0x0010, {{0x0101, 1}}}, {0x0012, {{0x0102, 1}}}, {0x0010, {{0x0103, 1}}}}));
    db.write("TASK/N.tsk", taskFile(QStringLiteral("Задача"), 0x0701, {{0x0010, {{0x0201, 1}}}}));

    db.load(db.path("TASK/N.tsk"));
    EXPECT_EQ(db.messages.texts, QStringList{QStringLiteral("Файл не найден 0012.alg")});
    // The base task keeps its first group; the named task still loads.
    ASSERT_EQ(db.catalogue.groupCount(), 2);
    EXPECT_EQ(db.catalogue.group(0).entries()[0].number(), 0x0101);
    EXPECT_EQ(db.catalogue.group(1).entries()[0].number(), 0x0201);
    EXPECT_EQ(db.tree.nodeCount(), 5);
}

TEST(CatalogueAlgorithmFiles, MissingAlgFolderAsksToSetTheDatabasePath)
{
    Db db;
    db.write("TASK/0701.tsk", taskFile(QStringLiteral("Базовая"), 0x0701, {{0x0010, {}}, {0x0011, {}}}));
    db.write("alg", "not a folder");
    const QString before = QDir::currentPath();
    db.load();
    EXPECT_EQ(db.messages.texts, QStringList{QStringLiteral("Настройте путь для Базы.")});
    EXPECT_EQ(db.catalogue.groupCount(), 0);
    EXPECT_EQ(QDir::currentPath(), before);
}

// ---- Where task records land -------------------------------------------------

TEST(CataloguePlacement, RecordsLandAtTheEntryWithTheirAlgorithmNumberElseAtTheirOwnIndex)
{
    Db db;
    db.write("alg/0010.alg", algFile(QStringLiteral("Г"), {{5, QStringLiteral("Пять")},
                                                           {6, QStringLiteral("Шесть")},
                                                           {7, QStringLiteral("Семь")}}));
    // 7 lands at index 2; 99 matches nothing and takes index 1 and its number 6.
    db.write("TASK/0701.tsk", taskFile(QStringLiteral("Б"), 0x0701,
                                       {{0x0010, {{0x0A07, 7}, {0x0A99, 99, QStringLiteral("Своё имя")}}}}));
    EXPECT_EQ(db.load(), (QStringList{QStringLiteral("Б"), QStringLiteral("  Г"),
                                      QStringLiteral("    0A07\\Семь\\Float\\\\"),
                                      QStringLiteral("    0A99\\Своё имя\\Float\\\\")}));
    const auto& entries = db.catalogue.group(0).entries();
    EXPECT_FALSE(entries[0].placed);
    EXPECT_EQ(entries[1].number(), 0x0A99);
    EXPECT_EQ(entries[1].task.algorithmNumber(), 6);
    EXPECT_EQ(entries[2].number(), 0x0A07);
    EXPECT_EQ(entries[2].index, 2);
    EXPECT_EQ(entries[2].group, &db.catalogue.group(0));
}

TEST(CataloguePlacement, ExtraTaskRecordsAreSkippedAndTheNextGroupStaysAligned)
{
    Db db;
    db.write("alg/0010.alg", algFile(QStringLiteral("Малая"), {{1, QStringLiteral("Один")}}));
    db.write("alg/0012.alg", algFile(QStringLiteral("Следующая"), {{1, QStringLiteral("Т")}}));
    db.write("TASK/0701.tsk",
             taskFile(QStringLiteral("Б"), 0x0701,
                      {{0x0010, {{0x0001, 1}, {0x0002, 2}, {0x0003, 3}}}, {0x0012, {{0x0B01, 1}}}}));
    db.load();
    EXPECT_TRUE(db.messages.texts.isEmpty());
    ASSERT_EQ(db.groupNames(), (QStringList{QStringLiteral("Малая"), QStringLiteral("Следующая")}));
    EXPECT_EQ(db.catalogue.group(0).recordCount, 3);
    EXPECT_EQ(db.catalogue.group(0).entries().size(), 1u);
    EXPECT_EQ(db.catalogue.group(1).entries()[0].number(), 0x0B01);
    EXPECT_EQ(db.catalogue.FindRecordByNumber(0x0002), nullptr);
}

TEST(CataloguePlacement, SecondRecordForOneEntryReplacesTheFirstAndItsNode)
{
    Db db;
    db.write("alg/0010.alg",
             algFile(QStringLiteral("Г"), {{1, QStringLiteral("Один")}, {2, QStringLiteral("Два")}}));
    db.write("TASK/0701.tsk", taskFile(QStringLiteral("Б"), 0x0701, {{0x0010, {{0x0001, 1}, {0x0002, 1}}}}));
    EXPECT_EQ(db.load(), (QStringList{QStringLiteral("Б"), QStringLiteral("  Г"),
                                      QStringLiteral("    0002\\Один\\Float\\\\")}));
    EXPECT_EQ(db.catalogue.FindRecordByNumber(0x0001), nullptr);
    EXPECT_NE(db.catalogue.FindRecordByNumber(0x0002), nullptr);
}

TEST(CataloguePlacement, MainWindowFilterDecidesWhichEntriesGetNodes)
{
    Db db;
    db.write("alg/0001.alg",
             algFile(QStringLiteral("Система"), {{1, QStringLiteral("Заводской номер"), 2, 0, 0, 1},
                                                 {2, QStringLiteral("Время"), 5},
                                                 {3, QStringLiteral("Расход"), 4},
                                                 {4, QStringLiteral("Коэффициент"), 4, 0, 0, 1},
                                                 {5, QStringLiteral("Дата"), 6},
                                                 {6, QStringLiteral("Байт"), 1}}));
    db.write(
        "TASK/0701.tsk",
        taskFile(QStringLiteral("Б"), 0x0701,
                 {{0x0001, {{0xF001, 1}, {0xF017, 2}, {0x0101, 3}, {0x0102, 4}, {0x0103, 5}, {0xF018, 6}}}}));
    db.catalogue.setDisplayFilter(mainWindowFilter());
    EXPECT_EQ(db.load(), (QStringList{QStringLiteral("Б"), QStringLiteral("  Система"),
                                      QStringLiteral("    F001\\Заводской номер\\Dec\\\\"),
                                      QStringLiteral("    F017\\Время\\Время\\\\"),
                                      QStringLiteral("    0101\\Расход\\Float\\\\"),
                                      QStringLiteral("    F018\\Байт\\Байт\\\\")}));
    const auto& entries = db.catalogue.group(0).entries();
    EXPECT_TRUE(entries[0].shown);
    EXPECT_FALSE(entries[3].shown);
    EXPECT_EQ(entries[3].node, nullptr);
    EXPECT_FALSE(entries[4].shown);
    // Without a filter the hidden ones are there too.
    Db all;
    all.write("alg/0001.alg",
              algFile(QStringLiteral("Система"), {{4, QStringLiteral("Коэффициент"), 4, 0, 0, 1}}));
    all.write("TASK/0701.tsk", taskFile(QStringLiteral("Б"), 0x0701, {{0x0001, {{0x0102, 4}}}}));
    EXPECT_EQ(all.load().size(), 3);
}

// ---- Look-ups by number --------------------------------------------------------

TEST(CatalogueLookup, FindRecordByNumberSkipsHiddenEntriesAndFindsALaterOne)
{
    Db db;
    db.write("alg/0010.alg", algFile(QStringLiteral("Г1"), {{1, QStringLiteral("Скрытый"), 4, 0x10, 384, 1},
                                                            {2, QStringLiteral("Открытый"), 4, 0x10, 1536}}));
    db.write("alg/0011.alg", algFile(QStringLiteral("Г2"), {{1, QStringLiteral("Суточный"), 4, 0x20}}));
    db.write("TASK/0701.tsk", taskFile(QStringLiteral("Б"), 0x0701,
                                       {{0x0010, {{0x0500, 1}, {0x0600, 2}}}, {0x0011, {{0x0500, 1}}}}));
    db.load();

    const TaskParamRecord* r = db.catalogue.FindRecordByNumber(0x0500);
    ASSERT_NE(r, nullptr);
    const SrrGrObject* g = db.catalogue.GroupOfRecord(r);
    ASSERT_EQ(g, &db.catalogue.group(1));
    EXPECT_EQ(ModuleTSK::EntryOfRecord(g, r), &g->entries()[0]);
    EXPECT_EQ(db.catalogue.archiveLengthOfParameter(0x0500), 0xFFFF);
    EXPECT_EQ(db.catalogue.archiveLengthOfParameter(0x0600), 64);
    EXPECT_EQ(db.catalogue.archiveLengthOfParameter(0x0700), 0);
    EXPECT_EQ(db.catalogue.FindRecordByNumber(0x0700), nullptr);
    // A record that is not the catalogue's belongs to no group.
    TaskParamRecord copy = *r;
    EXPECT_EQ(db.catalogue.GroupOfRecord(&copy), nullptr);
    EXPECT_EQ(db.catalogue.GroupOfRecord(nullptr), nullptr);
    EXPECT_EQ(ModuleTSK::EntryOfRecord(nullptr, r), nullptr);
}

TEST(CatalogueLookup, RecordsPlacedBeyondTheRecordCountAreFoundAndEmptyEntriesAreNot)
{
    Db db;
    std::vector<A> algs;
    for (uint16_t n = 1; n <= 6; ++n)
        algs.push_back({n, QStringLiteral("П%1").arg(n)});
    db.write("alg/0010.alg", algFile(QStringLiteral("Г"), algs));
    // Two records for the algorithm parameters 5 and 6: entries 4 and 5.
    db.write("TASK/0701.tsk", taskFile(QStringLiteral("Б"), 0x0701, {{0x0010, {{0x0105, 5}, {0x0106, 6}}}}));
    db.load();
    const TaskParamRecord* r = db.catalogue.FindRecordByNumber(0x0106);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(ModuleTSK::EntryOfRecord(db.catalogue.GroupOfRecord(r), r),
              &db.catalogue.group(0).entries()[5]);
    // The entries without a record hold zeros, but number 0 is not theirs.
    EXPECT_EQ(db.catalogue.FindRecordByNumber(0), nullptr);
}

// ---- The tree ------------------------------------------------------------------

TEST(CatalogueTree, LoadingWithoutATreeBuildsGroupsAndEntriesButNoNodes)
{
    Db db;
    db.write("alg/0010.alg", algFile(QStringLiteral("Трубопровод"), kFlow));
    db.write("TASK/0701.tsk",
             taskFile(QStringLiteral("Базовая"), 0x0701, {{0x0010, {{0x0101, 1}, {0x0102, 2}}}}));
    db.catalogue.LoadTask({});
    ASSERT_EQ(db.catalogue.groupCount(), 1);
    EXPECT_EQ(db.catalogue.rootNode(), nullptr);
    EXPECT_EQ(db.catalogue.group(0).node, nullptr);
    for (const CatalogueEntry& e : db.catalogue.group(0).entries()) {
        EXPECT_TRUE(e.shown);
        EXPECT_EQ(e.node, nullptr);
    }
    EXPECT_EQ(db.catalogue.entryCount(), 2);
    EXPECT_EQ(db.catalogue.archiveLengthOfParameter(0x0102), 64);
    EXPECT_EQ(db.tree.nodeCount(), 0);
}

TEST(CatalogueTree, ReloadClearsEveryNodeAndBuildsTheSameTreeAgain)
{
    Db db;
    db.write("alg/0010.alg", algFile(QStringLiteral("Трубопровод"), kFlow));
    db.write("TASK/0701.tsk",
             taskFile(QStringLiteral("Базовая"), 0x0701, {{0x0010, {{0x0101, 1}, {0x0102, 2}}}}));
    db.write("TASK/N.tsk", taskFile(QStringLiteral("Задача"), 0x0701, {{0x0010, {{0x0201, 1}}}}));
    const QStringList first = db.load(db.path("TASK/N.tsk"));
    ASSERT_EQ(first.size(), 6);
    // The nodes carry the catalogue, the groups and the entries.
    const TextTree::Node* root = db.tree.node(db.catalogue.rootNode());
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->data, &db.catalogue);
    ASSERT_EQ(root->children.size(), 2u);
    EXPECT_EQ(root->children[1]->data, &db.catalogue.group(1));
    EXPECT_EQ(root->children[1]->children[0]->data, &db.catalogue.group(1).entries()[0]);

    db.catalogue.ClearCatalogue();
    EXPECT_EQ(db.tree.nodeCount(), 0);
    EXPECT_EQ(db.catalogue.groupCount(), 0);
    EXPECT_EQ(db.catalogue.entryCount(), 0);
    EXPECT_EQ(db.catalogue.rootNode(), nullptr);
    EXPECT_EQ(db.catalogue.FindRecordByNumber(0x0101), nullptr);

    EXPECT_EQ(db.load(db.path("TASK/N.tsk")), first);
    EXPECT_EQ(db.tree.nodeCount(), 6);
    EXPECT_EQ(db.tree.topLevel().size(), 1u);

    // Loading only adds: without ClearCatalogue the groups come again under the same root.
    db.load();
    EXPECT_EQ(db.catalogue.groupCount(), 3);
    EXPECT_EQ(db.tree.topLevel().size(), 1u);
    EXPECT_EQ(db.tree.lines().first(), QStringLiteral("Базовая"));
}

TEST(CatalogueTree, AnotherTreeTakesTheNodesOutOfTheFirst)
{
    Db db;
    db.write("alg/0010.alg", algFile(QStringLiteral("Трубопровод"), kFlow));
    db.write("TASK/0701.tsk", taskFile(QStringLiteral("Базовая"), 0x0701, {{0x0010, {{0x0101, 1}}}}));
    db.load();
    TextTree second;
    db.catalogue.ClearCatalogue();
    db.catalogue.LoadTask({}, &second);
    EXPECT_EQ(db.tree.nodeCount(), 0);
    EXPECT_EQ(second.nodeCount(), 3);
    db.catalogue.LoadTask({}, &db.tree);
    EXPECT_EQ(second.nodeCount(), 0);
    EXPECT_EQ(db.tree.nodeCount(), 3); // the root and the new group with its parameter
    db.catalogue.ClearCatalogue();
    EXPECT_EQ(db.tree.nodeCount(), 0);
}

// ---- Damaged files -----------------------------------------------------------

TEST(CatalogueDamaged, TruncatedTaskFilesStopWithAMessageNamingTheFile)
{
    Db db;
    db.write("alg/0010.alg", algFile(QStringLiteral("Трубопровод"), kFlow));
    // Shorter than its header.
    db.write("TASK/0701.tsk", QByteArray(100, '\x01'));
    db.load();
    ASSERT_EQ(db.messages.texts.size(), 1);
    EXPECT_TRUE(db.messages.texts[0].contains(db.native("TASK/0701.tsk")));
    EXPECT_EQ(db.catalogue.groupCount(), 0);

    // 65535 groups announced in a file that holds one and a half.
    QByteArray bytes = taskFile(QStringLiteral("Б"), 0x0701, {{0x0010, {{0x0101, 1}}}}, 65535);
    bytes += QByteArray(40, '\0');
    db.write("TASK/0701.tsk", bytes);
    db.messages.texts.clear();
    db.load();
    EXPECT_EQ(db.messages.texts,
              QStringList{QStringLiteral("Файл ") + db.native("TASK/0701.tsk") +
                          QStringLiteral(" повреждён: он обрывается на группе 2 из 65535.")});
    ASSERT_EQ(db.catalogue.groupCount(), 1);
    EXPECT_EQ(db.catalogue.FindRecordByNumber(0x0101)->number(), 0x0101);

    // A group that announces more task records than the file holds.
    db.catalogue.ClearCatalogue();
    db.messages.texts.clear();
    db.write("TASK/0701.tsk", taskFile(QStringLiteral("Б"), 0x0701, {{0x0010, {{0x0101, 1}}, 40000}}));
    db.load();
    ASSERT_EQ(db.messages.texts.size(), 1);
    EXPECT_TRUE(db.messages.texts[0].contains(QStringLiteral("на параметре 2 из 40000 группы 1")));
    EXPECT_EQ(db.catalogue.FindRecordByNumber(0x0101)->number(), 0x0101);
}

TEST(CatalogueDamaged, LengthBytesLongerThanTheirFieldAreCutToTheField)
{
    Db db;
    QByteArray alg = algFile(QStringLiteral("Г"), {{1, QStringLiteral("Имя")}});
    alg[0] = char(200);                                // group name: 48 characters at most
    std::fill(alg.begin() + 1, alg.begin() + 70, 'G'); // up to the end of the header
    alg[64] = 1;                                       // ... which holds the record count
    alg[65] = 0;
    alg[70 + 4] = char(255); // algorithm name: 51 at most, then the archive length
    db.write("alg/0010.alg", alg);
    QByteArray task = taskFile(QStringLiteral("Б"), 0x0701, {{0x0010, {{0x0101, 1}}}});
    task[0] = char(255); // task name: 63 at most
    db.write("TASK/0701.tsk", task);
    db.load();
    EXPECT_TRUE(db.messages.texts.isEmpty());
    EXPECT_EQ(db.catalogue.taskHeader().taskName().size(), 63);
    ASSERT_EQ(db.catalogue.groupCount(), 1);
    EXPECT_EQ(db.catalogue.group(0).name(), QString(48, u'G'));
    EXPECT_EQ(db.catalogue.group(0).entries()[0].algorithm.name().size(), 51);
}

TEST(CatalogueDamaged, AlgorithmFilesShorterThanTheirCountGetZeroEntriesOnlyWhereRecordsCanLand)
{
    Db db;
    // 65535 records announced, one present.
    db.write("alg/0010.alg", algFile(QStringLiteral("Г"), {{1, QStringLiteral("Один")}}, 65535));
    // Shorter than its header.
    db.write("alg/0011.alg", QByteArray(30, '\x05'));
    db.write("TASK/0701.tsk",
             taskFile(QStringLiteral("Б"), 0x0701, {{0x0010, {{0x0101, 1}, {0x0102, 0}, {0x0103, 7}}}}));
    db.write("TASK/N.tsk", taskFile(QStringLiteral("З"), 0x0701, {{0x0011, {{0x0201, 1}}}}));
    db.load(db.path("TASK/N.tsk"));

    ASSERT_EQ(db.catalogue.groupCount(), 1);
    const auto& entries = db.catalogue.group(0).entries();
    // Three records can land: entries 1 and 2 are all zero, and no more are made.
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].number(), 0x0101);
    // Algorithm number 0 is the number of the first all-zero entry.
    EXPECT_EQ(entries[1].number(), 0x0102);
    // Algorithm number 7 matches no record: the record lands at its own index.
    EXPECT_EQ(entries[2].number(), 0x0103);
    EXPECT_EQ(entries[2].task.algorithmNumber(), 0);
    EXPECT_EQ(entries[2].text(), QStringLiteral("0103\\\\Бит\\\\"));
    EXPECT_EQ(db.catalogue.FindRecordByNumber(0x0103), &entries[2].task);
    EXPECT_EQ(db.messages.texts,
              QStringList{QStringLiteral("Файл ") + db.native("alg/0011.alg") +
                          QStringLiteral(" повреждён: в нём нет заголовка алгоритма (30 байт из 70).")});
}

TEST(CatalogueDamaged, TheCatalogueHoldsABoundedNumberOfEntries)
{
    Db db;
    std::vector<A> many;
    for (int n = 0; n < 65535; ++n)
        many.push_back({uint16_t(n), {}});
    db.write("alg/0010.alg", algFile(QStringLiteral("Г"), many));
    db.write("TASK/0701.tsk",
             taskFile(QStringLiteral("Б"), 0x0701, std::vector<G>(5, G{0x0010, {{0x0101, 1}}})));
    db.load();
    // Four groups of 65535 entries fit the bound, the fifth does not.
    EXPECT_EQ(db.catalogue.groupCount(), 4);
    EXPECT_EQ(db.catalogue.entryCount(), 4 * 65535);
    EXPECT_LE(db.catalogue.entryCount(), ModuleTSK::kMaxEntries);
    ASSERT_EQ(db.messages.texts.size(), 1);
    EXPECT_TRUE(db.messages.texts[0].startsWith(QStringLiteral("В задаче ") + db.native("TASK/0701.tsk") +
                                                QStringLiteral(" больше 262144 параметров")));
}
