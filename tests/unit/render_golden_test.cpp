// The images of the example print files: every blank's ".bin" and every print
// file's "info.bin" in examples/base are rebuilt from the blanks with the core
// code and must come out byte for byte as committed.
//
// The committed images were made with
//   rastrova-cli build "examples/base/<print file>" --db examples/database
// (the ".rep" reports it writes hold absolute paths and are not kept).

#include "testfiles.h"

#include "catalogue/cache.h"
#include "editor/paramlist.h"
#include "editor/saveblank.h"
#include "render/blankimage.h"
#include "render/printfileimage.h"
#include "store/blank.h"
#include "store/printfile.h"
#include "store/scan.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace rastrova;

namespace {

const QString kExamples = QStringLiteral(RASTROVA_EXAMPLES_DIR);

QString examplesBase() { return QDir(kExamples).filePath(QStringLiteral("base")); }
QString examplesDatabase() { return QDir(kExamples).filePath(QStringLiteral("database")); }

// The print files of examples/base: the sub-folders holding a header.
QStringList examplePrintFiles()
{
    QStringList names;
    const QDir base(examplesBase());
    for (const QString& name : base.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
        if (QFileInfo::exists(QDir(base.filePath(name)).filePath(store::kHeaderFileName)))
            names << name;
    return names;
}

// Where two byte strings first differ, for the failure message; empty when equal.
std::string firstDifference(const QByteArray& actual, const QByteArray& expected)
{
    if (actual == expected)
        return {};
    const qsizetype common = std::min(actual.size(), expected.size());
    qsizetype at = 0;
    while (at < common && actual[at] == expected[at])
        ++at;
    std::string message = "sizes " + std::to_string(actual.size()) + " (rebuilt) and " +
                          std::to_string(expected.size()) + " (committed); first difference at byte " +
                          std::to_string(at) + " (0x" + QByteArray::number(qlonglong(at), 16).toStdString() + ")";
    auto byteAt = [](const QByteArray& b, qsizetype i) {
        return i < b.size() ? "0x" + QByteArray::number(uchar(b[i]), 16).rightJustified(2, '0').toStdString()
                            : std::string("end of data");
    };
    message += ": rebuilt " + byteAt(actual, at) + ", committed " + byteAt(expected, at);
    return message;
}

QByteArray readFile(const QString& path, bool* ok = nullptr)
{
    QFile f(path);
    const bool opened = f.open(QIODevice::ReadOnly);
    if (ok)
        *ok = opened;
    return opened ? f.readAll() : QByteArray();
}

// Copies the folder `from` (files only, one level) into `to`.
bool copyFolder(const QString& from, const QString& to)
{
    if (!QDir().mkpath(to))
        return false;
    const QDir source(from);
    for (const QString& name : source.entryList(QDir::Files | QDir::Hidden))
        if (!QFile::copy(source.filePath(name), QDir(to).filePath(name)))
            return false;
    return true;
}

Status buildBlank(const editor::StoredBlank& blank, catalogue::CatalogueCache& catalogues, const QString& imagePath,
                  render::BlankImage& image)
{
    const editor::SaveBlankInput input{blank.document, blank.list, blank.pageLength, blank.formFeed,
                                       catalogues.archiveDays(blank.document.settings)};
    return editor::buildImage(input, imagePath, image);
}

const store::ScannedPrintFile* findPrintFile(const store::ScanResult& scan, const QString& name)
{
    for (const store::ScannedPrintFile& f : scan.printFiles)
        if (f.name == name)
            return &f;
    return nullptr;
}

} // namespace

TEST(RenderGolden, FirstDifferenceNamesTheByte)
{
    EXPECT_EQ(firstDifference("abc", "abc"), "");
    EXPECT_EQ(firstDifference(QByteArray("ab\x01", 3), QByteArray("ab\x02", 3)),
              "sizes 3 (rebuilt) and 3 (committed); first difference at byte 2 (0x2): rebuilt 0x01, committed 0x02");
    EXPECT_EQ(firstDifference("ab", "abc"),
              "sizes 2 (rebuilt) and 3 (committed); first difference at byte 2 (0x2): rebuilt end of data, "
              "committed 0x63");
}

TEST(RenderGolden, ExamplesHoldThePrintFilesAndTheirImages)
{
    const QStringList names = examplePrintFiles();
    EXPECT_EQ(names.size(), 3) << names.join(u',').toStdString();
    const store::ScanResult scan = store::scanBaseFolder(examplesBase());
    EXPECT_TRUE(scan.problems.isEmpty()) << scan.problems.join(u'\n').toStdString();
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        const store::ScannedPrintFile* printFile = findPrintFile(scan, name);
        ASSERT_NE(printFile, nullptr);
        EXPECT_FALSE(printFile->hourly.isEmpty() && printFile->archive.isEmpty());
        const QString folder = QDir(examplesBase()).filePath(name);
        EXPECT_TRUE(QFileInfo::exists(QDir(folder).filePath(store::kImageFileName)));

        // Exactly one committed image per blank, and no stray reports.
        QSet<QString> expected;
        for (const auto* list : {&printFile->hourly, &printFile->archive})
            for (const store::ScannedBlank& b : *list)
                expected << QFileInfo(store::blankFilePath(folder, b.name, store::BlankFile::Image)).fileName();
        QSet<QString> present;
        for (const QString& file : QDir(folder).entryList({QStringLiteral("*.bin")}, QDir::Files))
            if (file != store::kImageFileName)
                present << file;
        EXPECT_EQ(present, expected);
        EXPECT_TRUE(QDir(folder).entryList({QStringLiteral("*.rep")}, QDir::Files).isEmpty());
    }
}

TEST(RenderGolden, EveryBlankAndPrintFileImageIsRebuiltByteForByte)
{
    const QStringList names = examplePrintFiles();
    ASSERT_FALSE(names.isEmpty());
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QString base = temp.filePath(QStringLiteral("base"));
    for (const QString& name : names) {
        const QString copy = QDir(base).filePath(name);
        ASSERT_TRUE(copyFolder(QDir(examplesBase()).filePath(name), copy)) << name.toStdString();
        // The images are rebuilt from the blanks alone.
        for (const QString& bin : QDir(copy).entryList({QStringLiteral("*.bin")}, QDir::Files))
            ASSERT_TRUE(QFile::remove(QDir(copy).filePath(bin)));
    }

    const store::ScanResult scan = store::scanBaseFolder(base);
    catalogue::CatalogueCache catalogues(examplesDatabase());
    int blanks = 0;
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        const store::ScannedPrintFile* printFile = findPrintFile(scan, name);
        ASSERT_NE(printFile, nullptr);
        const QString folder = QDir(base).filePath(name);
        const QString committedFolder = QDir(examplesBase()).filePath(name);

        QStringList hourly, archive;
        auto rebuild = [&](const QList<store::ScannedBlank>& list, QStringList& order) {
            for (const store::ScannedBlank& b : list) {
                SCOPED_TRACE(b.name.toStdString());
                order << b.name;
                editor::StoredBlank blank;
                const Status loaded = editor::loadStoredBlank(folder, b.name, blank);
                ASSERT_TRUE(loaded.isOk()) << loaded.message().toStdString();
                const QString imagePath = store::blankFilePath(folder, b.name, store::BlankFile::Image);
                render::BlankImage image;
                const Status built = buildBlank(blank, catalogues, imagePath, image);
                ASSERT_TRUE(built.isOk()) << built.message().toStdString();
                ASSERT_TRUE(render::writeBlankImage(image, imagePath).isOk());

                bool ok = false;
                const QByteArray committed =
                    readFile(store::blankFilePath(committedFolder, b.name, store::BlankFile::Image), &ok);
                ASSERT_TRUE(ok) << "no committed image";
                EXPECT_EQ(image.bytes, committed) << firstDifference(image.bytes, committed);
                ++blanks;
            }
        };
        rebuild(printFile->hourly, hourly);
        rebuild(printFile->archive, archive);

        QByteArray info;
        const Status st = render::buildPrintFileImage(folder, hourly, archive, info);
        ASSERT_TRUE(st.isOk()) << st.message().toStdString();
        bool ok = false;
        const QByteArray committed = readFile(QDir(committedFolder).filePath(store::kImageFileName), &ok);
        ASSERT_TRUE(ok) << "no committed info.bin";
        EXPECT_EQ(info, committed) << "info.bin: " << firstDifference(info, committed);
    }
    EXPECT_EQ(blanks, 5);
}

// The comparison is not blind: a changed cell or a changed page length gives
// an image that no longer matches the committed one.
TEST(RenderGolden, ChangedBlankNoLongerMatches)
{
    const QString name = QStringLiteral("Северная ВИРЕЛ-19");
    const QString blankName = QStringLiteral("Текущие параметры");
    const QString folder = QDir(examplesBase()).filePath(name);
    editor::StoredBlank blank;
    ASSERT_TRUE(editor::loadStoredBlank(folder, blankName, blank).isOk());
    const QByteArray committed = readFile(store::blankFilePath(folder, blankName, store::BlankFile::Image));
    catalogue::CatalogueCache catalogues(examplesDatabase());

    render::BlankImage image;
    ASSERT_TRUE(buildBlank(blank, catalogues, QStringLiteral("x.bin"), image).isOk());
    ASSERT_EQ(image.bytes, committed) << firstDifference(image.bytes, committed);
    ASSERT_GT(image.descriptors, 0);

    editor::StoredBlank changed = blank;
    changed.pageLength = QStringLiteral("59");
    ASSERT_TRUE(buildBlank(changed, catalogues, QStringLiteral("x.bin"), image).isOk());
    ASSERT_EQ(image.bytes.size(), committed.size());
    EXPECT_EQ(int(uchar(image.bytes[1])), 59);
    EXPECT_NE(image.bytes[1], committed[1]);
    EXPECT_EQ(image.bytes.mid(2), committed.mid(2));

    changed = blank;
    const store::Grid& g = changed.document.grid;
    bool edited = false;
    for (int r = 1; r < g.rowCount() && !edited; ++r)
        for (int c = 1; c < g.colCount() && !edited; ++c)
            if (const QString text = g.text(c, r);
                !text.trimmed().isEmpty() && !text.contains(u'@') && !text.contains(u'!')) {
                QString other = text;
                for (QChar& ch : other)
                    if (ch != u'\n')
                        ch = ch == u'Ж' ? u'Z' : u'Ж';
                changed.document.grid.setText(c, r, other);
                edited = true;
            }
    ASSERT_TRUE(edited);
    ASSERT_TRUE(buildBlank(changed, catalogues, QStringLiteral("x.bin"), image).isOk());
    EXPECT_NE(image.bytes, committed);
}
