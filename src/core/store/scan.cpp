#include "store/scan.h"

#include "store/names.h"
#include "store/printfile.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>

namespace rastrova::store {

namespace {

const QCollator& russianCollator()
{
    static const QCollator collator = [] {
        QCollator c{QLocale(QLocale::Russian, QLocale::Russia)};
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    return collator;
}

// Folders the tree leaves out: hidden ones, links, and those marked read-only.
// The mark is the folder's own (its owner may not write it); a folder on a
// read-only mount is not marked and is listed, so that it can be read.
bool isSkippedFolder(const QFileInfo& info)
{
    if (info.isSymLink() || info.isHidden() || info.fileName().startsWith(u'.'))
        return true;
    return !(info.permissions() & QFileDevice::WriteOwner);
}

// A save killed at its work leaves its temporary file behind; the next scan of
// the print file removes such files (their names are made by saves alone).
void removeLeftoverTemporaries(const QString& printFileFolder)
{
    static const QRegularExpression leftover(QLatin1Char('^') +
                                             QRegularExpression::escape(QLatin1String(kSaveTemporaryPrefix)) +
                                             QStringLiteral("[A-Za-z0-9]{6}$"));
    const QDir folder(printFileFolder);
    for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::NoSort)) {
        if (!leftover.match(name).hasMatch())
            continue;
        const QFileInfo info(folder.filePath(name));
        if (info.isFile() && !info.isSymLink())
            QFile::remove(info.filePath());
    }
}

template <typename T>
void sortByName(QList<T>& list)
{
    std::stable_sort(list.begin(), list.end(),
                     [](const T& a, const T& b) { return compareNodeText(a.name, b.name) < 0; });
}

} // namespace

int compareNodeText(const QString& a, const QString& b)
{
    int c = russianCollator().compare(a, b);
    if (c != 0)
        return c;
    return a.compare(b); // names equal but for case: a fixed order all the same
}

Status scanPrintFile(const QString& printFileFolder, ScannedPrintFile& out, QStringList& problems)
{
    out = ScannedPrintFile{};
    out.name = QFileInfo(printFileFolder).fileName();
    removeLeftoverTemporaries(printFileFolder);
    PrintFileHeader header(printFileFolder);
    if (Status st = header.load(); !st)
        return st;
    QSet<QString> listed; // names as the uniqueness rule compares them
    for (const PrintFileHeader::Entry& entry : header.entries()) {
        const QString& name = entry.name;
        const QString folded = name.trimmed().toUpper();
        if (listed.contains(folded))
            continue; // a duplicate key: the first one counts
        listed.insert(folded);
        if (entry.value == u"0")
            continue;
        if (NameCheck check = checkHeaderName(name); !check.ok()) {
            problems << QStringLiteral("Файл печати \"%1\": бланк \"%2\" пропущен. %3")
                            .arg(out.name, name, check.message);
            continue;
        }
        const QString blankPath = blankFilePath(printFileFolder, name, BlankFile::Blank);
        if (!QFileInfo::exists(blankPath)) {
            QFile empty(blankPath);
            if (empty.open(QIODevice::WriteOnly | QIODevice::NewOnly))
                empty.close();
        }
        ScannedBlank blank{name, entry.number, entry.pageLength, entry.formFeed};
        if (entry.kind == BlankKind::Archive)
            out.archive << blank;
        else
            out.hourly << blank;
    }
    sortByName(out.archive);
    sortByName(out.hourly);
    return Status::ok();
}

ScanResult scanBaseFolder(const QString& baseFolder)
{
    ScanResult result;
    const QDir base(baseFolder);
    if (baseFolder.isEmpty() || !base.exists())
        return result;

    const QFileInfoList folders =
        base.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::NoSort);
    for (const QFileInfo& folder : folders) {
        if (isSkippedFolder(folder))
            continue;
        const QString folderPath = folder.absoluteFilePath();
        if (!QFileInfo(PrintFileHeader(folderPath).path()).isFile())
            continue;
        ScannedPrintFile printFile;
        if (Status st = scanPrintFile(folderPath, printFile, result.problems); !st)
            result.problems << st.message();
        result.printFiles << printFile;
    }
    sortByName(result.printFiles);
    return result;
}

} // namespace rastrova::store
