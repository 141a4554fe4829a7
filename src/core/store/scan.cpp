#include "store/scan.h"

#include "store/names.h"
#include "store/printfile.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QFileInfo>
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

// Folders the tree leaves out: hidden ones, read-only ones, links.
bool isSkippedFolder(const QFileInfo& info)
{
    if (info.isSymLink() || info.isHidden() || info.fileName().startsWith(u'.'))
        return true;
    return !info.isWritable() || !(info.permissions() & QFileDevice::WriteOwner);
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
        PrintFileHeader header(folderPath);
        if (!QFileInfo(header.path()).isFile())
            continue;
        ScannedPrintFile printFile;
        printFile.name = folder.fileName();
        if (Status st = header.load(); !st) {
            result.problems << st.message();
        }
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
                result.problems << QStringLiteral("Файл печати \"%1\": бланк \"%2\" пропущен. %3")
                                       .arg(printFile.name, name, check.message);
                continue;
            }
            const QString blankPath = blankFilePath(folderPath, name, BlankFile::Blank);
            if (!QFileInfo::exists(blankPath)) {
                QFile empty(blankPath);
                if (empty.open(QIODevice::WriteOnly | QIODevice::NewOnly))
                    empty.close();
            }
            ScannedBlank blank{name, entry.number};
            if (entry.kind == BlankKind::Archive)
                printFile.archive << blank;
            else
                printFile.hourly << blank;
        }
        sortByName(printFile.archive);
        sortByName(printFile.hourly);
        result.printFiles << printFile;
    }
    sortByName(result.printFiles);
    return result;
}

} // namespace rastrova::store
