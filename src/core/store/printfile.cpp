#include "store/printfile.h"

#include <QDir>
#include <QHash>
#include <algorithm>

namespace rastrova::store {

namespace {
const QString kHead = QStringLiteral("HEAD");
const QString kOpis = QStringLiteral("OPIS");

QString opisKey(QChar letter, int number)
{
    return letter + QString::number(number);
}
} // namespace

QString blankFilePath(const QString& printFileFolder, const QString& blankName, BlankFile which)
{
    static const char* const extensions[] = {".ini", ".par", ".bin", ".rep"};
    return QDir(printFileFolder).filePath(blankName + QLatin1String(extensions[int(which)]));
}

PrintFileHeader::PrintFileHeader(QString printFileFolder) : folder_(std::move(printFileFolder)) {}

QString PrintFileHeader::path() const
{
    return QDir(folder_).filePath(kHeaderFileName);
}

Status PrintFileHeader::load()
{
    return profile_.load(path());
}

Status PrintFileHeader::save() const
{
    return profile_.save(path());
}

Status PrintFileHeader::createFresh(const QString& printFileFolder)
{
    PrintFileHeader header(printFileFolder);
    header.profile_.ensureSection(kHead);
    return header.save();
}

QStringList PrintFileHeader::blankNames() const
{
    return profile_.keys(kHead);
}

QList<PrintFileHeader::Entry> PrintFileHeader::entries() const
{
    // The kinds and page settings by key, the first of duplicates counting, as a
    // look-up would find them.
    QHash<QString, QString> opis;
    for (const auto& [key, value] : profile_.entries(kOpis)) {
        const QString folded = key.toUpper();
        if (!opis.contains(folded))
            opis.insert(folded, value);
    }
    QList<Entry> list;
    for (const auto& [key, value] : profile_.entries(kHead)) {
        Entry e{key, value};
        text::parseProfileInt(value, e.number);
        int kind = 0;
        text::parseProfileInt(opis.value(u'T' + value.toUpper()), kind);
        e.kind = kind != 0 ? BlankKind::Archive : BlankKind::Hourly;
        if (e.number > 0) {
            const QString number = QString::number(e.number);
            if (auto it = opis.constFind(u'K' + number); it != opis.cend())
                e.pageLength = *it;
            if (auto it = opis.constFind(u'F' + number); it != opis.cend())
                e.formFeed = *it == QLatin1String("TRUE");
        }
        list.append(e);
    }
    return list;
}

int PrintFileHeader::blankNumber(const QString& name) const
{
    return profile_.intValue(kHead, name, 0);
}

int PrintFileHeader::nextBlankNumber() const
{
    int largest = 0;
    for (const QString& name : blankNames())
        largest = std::max(largest, blankNumber(name));
    return largest + 1;
}

void PrintFileHeader::addBlank(const QString& name, int number, BlankKind kind)
{
    profile_.setInt(kHead, name.trimmed(), number);
    profile_.setInt(kOpis, opisKey(u'T', number), int(kind));
}

BlankKind PrintFileHeader::kind(int number) const
{
    return kind(QString::number(number));
}

BlankKind PrintFileHeader::kind(const QString& numberText) const
{
    return profile_.intValue(kOpis, u'T' + numberText, 0) != 0 ? BlankKind::Archive : BlankKind::Hourly;
}

QString PrintFileHeader::pageLength(int number) const
{
    return profile_.value(kOpis, opisKey(u'K', number), QStringLiteral("60"));
}

bool PrintFileHeader::formFeed(int number) const
{
    return profile_.flag(kOpis, opisKey(u'F', number), true);
}

void PrintFileHeader::setPageSettings(int number, const QString& pageLength, bool formFeed)
{
    profile_.setValue(kOpis, opisKey(u'K', number), pageLength);
    profile_.setFlag(kOpis, opisKey(u'F', number), formFeed);
}

void PrintFileHeader::removeBlank(const QString& name, Removal removal)
{
    int n = blankNumber(name);
    if (n != 0) {
        profile_.remove(kOpis, opisKey(u'T', n));
        if (removal == Removal::WithPageSettings) {
            profile_.remove(kOpis, opisKey(u'K', n));
            profile_.remove(kOpis, opisKey(u'F', n));
        }
    }
    profile_.remove(kHead, name);
}

} // namespace rastrova::store
