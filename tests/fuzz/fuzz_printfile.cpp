// Print-file headers "info.ini" from arbitrary bytes, read by the scan of a base
// folder: the input becomes the header of the one print file of a base folder
// made once in a temporary folder, and both the print file's scan and the whole
// base folder's scan read it. Nothing may crash, and what was scanned must hang
// together:
//   - every blank listed has a name a header may hold, a number other than
//     "0", the number, kind and page settings its header gives, and a blank
//     file directly in the print-file folder (the scan makes a missing one); no
//     file appears anywhere else;
//   - no name is listed twice (compared as the header compares keys), and each
//     kind's list is in tree order;
//   - the base folder's scan finds that print file with the same blanks;
//   - a blank added under the next free number is found with its kind, and is
//     gone again when removed.
// The files the scan made are removed after each input, so every input starts
// from a folder holding only its header.

#include "store/names.h"
#include "store/printfile.h"
#include "store/scan.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

using namespace rastrova::store;

namespace {

[[noreturn]] void fail(const char* what, const QString& name = {})
{
    std::fprintf(stderr, "fuzz_printfile: %s %s\n", what, name.toUtf8().constData());
    std::abort();
}

void check(bool ok, const char* what, const QString& name = {})
{
    if (!ok)
        fail(what, name);
}

struct Folders {
    QString root;      // the temporary folder: holds only the base folder
    QString base;      // holds only the print file
    QString printFile; // holds info.ini and what the scan makes
    QString header;
};

// Every write of the program is synced to disk; the folder goes into memory
// (/dev/shm) where there is one, or a run would wait for the disk most of its time.
QString scratchParent()
{
    const QFileInfo shm(QStringLiteral("/dev/shm"));
    return shm.isDir() && shm.isWritable() ? shm.filePath() : QDir::tempPath();
}

void removeFolder(const QString& root)
{
    if (!root.isEmpty())
        QDir(root).removeRecursively();
}

const Folders& folders()
{
    static const Folders f = [] {
        Folders f;
        std::string tmpl =
            QDir(scratchParent()).filePath(QStringLiteral("fuzz_printfile.XXXXXX")).toStdString();
        if (!::mkdtemp(tmpl.data()))
            fail("cannot make a temporary folder");
        f.root = QString::fromStdString(tmpl);
        f.base = f.root + QStringLiteral("/База");
        f.printFile = f.base + QStringLiteral("/Котельная");
        f.header = f.printFile + u'/' + kHeaderFileName;
        if (!QDir().mkpath(f.printFile))
            fail("cannot make the print-file folder");
        static QString toRemove = f.root;
        std::atexit([] { removeFolder(toRemove); });
        return f;
    }();
    return f;
}

QStringList entriesOf(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                                  QDir::Name);
}

void checkBlanks(const Folders& f, const PrintFileHeader& header, const QList<ScannedBlank>& blanks,
                 BlankKind kind, QSet<QString>& seen)
{
    const QList<PrintFileHeader::Entry> entries = header.entries();
    for (qsizetype i = 0; i < blanks.size(); ++i) {
        const ScannedBlank& b = blanks[i];
        check(checkHeaderName(b.name).ok(), "a blank with a name a header cannot hold is listed:", b.name);
        const QString folded = b.name.trimmed().toUpper();
        check(!seen.contains(folded), "a blank is listed twice:", b.name);
        seen.insert(folded);
        if (i > 0)
            check(compareNodeText(blanks[i - 1].name, b.name) <= 0,
                  "the blanks are not in tree order:", b.name);

        // The first header entry of that name is the one listed.
        const PrintFileHeader::Entry* e = nullptr;
        for (const auto& entry : entries)
            if (entry.name.trimmed().toUpper() == folded) {
                e = &entry;
                break;
            }
        check(e && e->name == b.name, "a listed blank is not the header's first entry of its name:", b.name);
        check(e->value != u"0", "a blank numbered 0 is listed:", b.name);
        check(e->number == b.number && e->kind == kind && e->pageLength == b.pageLength &&
                  e->formFeed == b.formFeed,
              "a listed blank differs from its header entry:", b.name);

        const QFileInfo file(blankFilePath(f.printFile, b.name, BlankFile::Blank));
        check(file.isFile(), "a listed blank has no blank file:", b.name);
        check(QFileInfo(file.absolutePath()).canonicalFilePath() ==
                  QFileInfo(f.printFile).canonicalFilePath(),
              "a blank file lies outside its print file:", b.name);
    }
}

bool sameBlanks(const QList<ScannedBlank>& a, const QList<ScannedBlank>& b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (a[i].name != b[i].name || a[i].number != b[i].number || a[i].pageLength != b[i].pageLength ||
            a[i].formFeed != b[i].formFeed)
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const Folders& f = folders();
    {
        QFile header(f.header);
        if (!header.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            header.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
            fail("cannot write the header");
    }

    ScannedPrintFile scanned;
    QStringList problems;
    const rastrova::Status st = scanPrintFile(f.printFile, scanned, problems);
    check(bool(st), "a header that exists cannot be read");
    check(scanned.name == QFileInfo(f.printFile).fileName(), "the print file is not named after its folder");

    PrintFileHeader header(f.printFile);
    check(bool(header.load()), "the header cannot be read a second time");
    QSet<QString> seen;
    checkBlanks(f, header, scanned.hourly, BlankKind::Hourly, seen);
    checkBlanks(f, header, scanned.archive, BlankKind::Archive, seen);

    check(entriesOf(f.root) == QStringList{QFileInfo(f.base).fileName()},
          "the scan made a file beside the base folder");
    check(entriesOf(f.base) == QStringList{QFileInfo(f.printFile).fileName()},
          "the scan made a file beside the print file");

    const ScanResult all = scanBaseFolder(f.base);
    check(all.printFiles.size() == 1, "the base folder's scan does not find its one print file");
    check(all.printFiles[0].name == scanned.name && sameBlanks(all.printFiles[0].hourly, scanned.hourly) &&
              sameBlanks(all.printFiles[0].archive, scanned.archive),
          "the base folder's scan lists other blanks than the print file's scan");
    check(all.problems == problems, "the two scans report other problems");

    // A new blank under the next free number.
    const int next = header.nextBlankNumber();
    for (const QString& name : header.blankNames())
        check(header.blankNumber(name) < next, "the next blank number is taken:", name);
    const QString added = QStringLiteral("Новый бланк");
    if (next > 0 && header.blankNumber(added) == 0) {
        header.addBlank(added, next, BlankKind::Archive);
        check(header.blankNumber(added) == next && header.kind(next) == BlankKind::Archive,
              "an added blank is not found with its number and kind");
        header.setPageSettings(next, QStringLiteral("44"), false);
        check(header.pageLength(next) == u"44" && !header.formFeed(next),
              "the page settings of a blank do not stick");
        header.removeBlank(added, PrintFileHeader::Removal::WithPageSettings);
        check(header.blankNumber(added) == 0 && !header.blankNames().contains(added),
              "a removed blank is still listed");
    }

    // Back to a folder that holds only the header.
    QDir folder(f.printFile);
    for (const QString& name : entriesOf(f.printFile))
        if (name != kHeaderFileName && !folder.remove(name))
            fail("cannot remove a file the scan made:", name);
    return 0;
}
