#include "catalogue/moduletsk.h"

#include "catalogue/database.h"
#include "catalogue/texts.h"
#include "status.h"
#include "text/hex.h"

#include <QFileInfo>
#include <algorithm>
#include <functional>

namespace rastrova::catalogue {

namespace {

QString damaged(const QString& path, const QString& what)
{
    return QStringLiteral("Файл %1 повреждён: %2").arg(path, what);
}

} // namespace

DisplayFilter mainWindowFilter()
{
    return [](const CatalogueEntry& entry, const TaskParamRecord& record) {
        return shownByMainWindowFilter(entry.algorithm.subkind(), entry.algorithm.hidden(), record.number());
    };
}

QString CatalogueEntry::name() const
{
    QString own = task.name();
    return own.isEmpty() ? algorithm.name() : own;
}

QString CatalogueEntry::text() const
{
    return parameterText(task.number(), name(), algorithm.subkind(), algorithm.kind());
}

const CatalogueEntry* SrrGrObject::entryByAlgorithmNumber(uint16_t number) const
{
    const auto it = std::lower_bound(byAlgorithmNumber_.begin(), byAlgorithmNumber_.end(),
                                     std::pair<uint16_t, int>(number, 0));
    if (it == byAlgorithmNumber_.end() || it->first != number)
        return nullptr;
    return &entries_[size_t(it->second)];
}

CatalogueEntry* SrrGrObject::findByAlgorithmNumber(uint16_t number)
{
    return const_cast<CatalogueEntry*>(std::as_const(*this).entryByAlgorithmNumber(number));
}

void ModuleTSK::tell(const QString& text) const
{
    if (messages_)
        messages_->message(kCatalogueCaption, text);
}

void ModuleTSK::attachTree(CatalogueTree* tree)
{
    if (!tree)
        return;
    if (tree_ && tree_ != tree) {
        // The nodes made so far belong to another tree: take them out of it.
        if (root_)
            tree_->removeNode(root_);
        root_ = nullptr;
        for (auto& group : groups_) {
            group->node = nullptr;
            for (CatalogueEntry& entry : group->entries_)
                entry.node = nullptr;
        }
    }
    tree_ = tree;
    if (!root_)
        root_ = tree->addRoot(*this);
}

void ModuleTSK::LoadTask(const QString& name, CatalogueTree* tree)
{
    attachTree(tree);
    DatabaseFolder database(databasePath_);
    const QString defaultTask = QStringLiteral("0701.tsk");

    if (name.isEmpty()) {
        loadTaskFile(database.taskFilePath(defaultTask), database.findTaskFile(defaultTask), database, tree);
        return;
    }

    const QString named = database.findNamedTaskFile(name);
    if (named.isEmpty()) {
        tell(QStringLiteral("Файл задачи ") + name + QStringLiteral(" ненайден!"));
        return;
    }
    QByteArray bytes;
    const Status st = readWholeFile(named, kMaxTaskFileBytes, bytes);
    if (!st) {
        tell(st.message());
        return;
    }
    if (bytes.size() < TaskHeader::kSize) {
        tell(damaged(named, QStringLiteral("в нём нет заголовка задачи (%1 байт из %2).")
                                .arg(bytes.size())
                                .arg(TaskHeader::kSize)));
        return;
    }
    TaskHeader header;
    header.assign(bytes);
    const QString baseName = text::hexDigits(header.moduleNumber(), 4) + QStringLiteral(".tsk");
    const QString base = database.findTaskFile(baseName);
    // A task file that names itself as its base task is loaded once.
    const bool isItsOwnBase =
        !base.isEmpty() && QFileInfo(base).canonicalFilePath() == QFileInfo(named).canonicalFilePath();
    if (!isItsOwnBase)
        loadTaskFile(database.taskFilePath(baseName), base, database, tree);
    loadTaskData(name, bytes, database, tree);
}

bool ModuleTSK::loadTaskFile(const QString& path, const QString& found, AlgorithmSource& algorithms,
                             CatalogueTree* tree)
{
    if (found.isEmpty()) {
        tell(QStringLiteral("Файл ") + path + QStringLiteral(" не найден!\rВыполнение операции прекращено."));
        return false;
    }
    QByteArray bytes;
    const Status st = readWholeFile(found, kMaxTaskFileBytes, bytes);
    if (!st) {
        tell(st.message());
        return false;
    }
    return loadTaskData(path, bytes, algorithms, tree);
}

bool ModuleTSK::loadTaskData(const QString& path, QByteArrayView bytes, AlgorithmSource& algorithms,
                             CatalogueTree* tree)
{
    attachTree(tree);
    lastTaskFile_ = path;
    if (bytes.size() < TaskHeader::kSize) {
        tell(damaged(path, QStringLiteral("в нём нет заголовка задачи (%1 байт из %2).")
                               .arg(bytes.size())
                               .arg(TaskHeader::kSize)));
        return false;
    }
    header_.assign(bytes);
    const bool withNodes = tree && root_;
    if (withNodes)
        tree_->setRootText(root_, header_.taskName());

    qsizetype pos = TaskHeader::kSize;
    const int groupCount = header_.groupCount();
    for (int g = 0; g < groupCount; ++g) {
        if (bytes.size() - pos < GroupRecord::kSize) {
            tell(damaged(path,
                         QStringLiteral("он обрывается на группе %1 из %2.").arg(g + 1).arg(groupCount)));
            return false;
        }
        GroupRecord record;
        record.assign(bytes.sliced(pos));
        pos += GroupRecord::kSize;
        const int readable =
            int(qMin<qsizetype>(record.taskRecordCount(), (bytes.size() - pos) / TaskParamRecord::kSize));
        if (!addGroup(record, readable, algorithms, path))
            return false;
        SrrGrObject& group = *groups_.back();
        if (withNodes)
            group.node = tree_->addGroup(root_, group.name(), group);

        // Every task record the group announces is read, so that the next group
        // starts where it should even when the algorithm file has fewer records;
        // records without an entry are left out.
        const int entries = int(group.entries_.size());
        for (int i = 0; i < group.recordCount; ++i) {
            if (bytes.size() - pos < TaskParamRecord::kSize) {
                std::sort(group.placed_.begin(), group.placed_.end());
                tell(damaged(path, QStringLiteral("он обрывается на параметре %1 из %2 группы %3.")
                                       .arg(i + 1)
                                       .arg(group.recordCount)
                                       .arg(g + 1)));
                return false;
            }
            TaskParamRecord task;
            task.assign(bytes.sliced(pos));
            pos += TaskParamRecord::kSize;
            if (i < entries)
                place(group, task, i);
        }
        std::sort(group.placed_.begin(), group.placed_.end());
    }
    return true;
}

bool ModuleTSK::addGroup(const GroupRecord& record, int readableRecords, AlgorithmSource& algorithms,
                         const QString& taskPath)
{
    const QString fileName = text::hexDigits(record.algorithmNumber(), 4) + QStringLiteral(".alg");
    QString path;
    QByteArray bytes;
    QString message;
    if (!algorithms.readAlgorithmFile(fileName, path, bytes, message)) {
        tell(message);
        return false;
    }
    if (bytes.size() < AlgHeader::kSize) {
        tell(damaged(path, QStringLiteral("в нём нет заголовка алгоритма (%1 байт из %2).")
                               .arg(bytes.size())
                               .arg(AlgHeader::kSize)));
        return false;
    }
    auto group = std::make_unique<SrrGrObject>();
    group->algorithmHeader.assign(bytes);
    group->groupRecord = record;
    group->algorithmFile = path;
    group->recordCount = record.taskRecordCount();

    // A file shorter than its record count leaves the remaining entries with
    // all-zero algorithm records. Of those, only the ones a task record of this
    // group can land on are made (the first one, and those up to the group's
    // readable records), so a damaged count costs no more than the files hold.
    const int declared = group->algorithmHeader.recordCount();
    const int present =
        int(qMin<qsizetype>(declared, (bytes.size() - AlgHeader::kSize) / AlgParamRecord::kSize));
    const int count = present < declared ? qMin(declared, qMax(present + 1, readableRecords)) : declared;
    if (entryCount_ + count > kMaxEntries) {
        tell(QStringLiteral("В задаче %1 больше %2 параметров: загрузка прекращена на группе с файлом %3.")
                 .arg(taskPath)
                 .arg(kMaxEntries)
                 .arg(fileName));
        return false;
    }
    group->entries_.resize(size_t(count));
    group->byAlgorithmNumber_.reserve(size_t(present) + 1);
    for (int i = 0; i < count; ++i) {
        CatalogueEntry& entry = group->entries_[size_t(i)];
        entry.index = i;
        entry.group = group.get();
        if (i < present) {
            entry.algorithm.assign(
                QByteArrayView(bytes).sliced(AlgHeader::kSize + qsizetype(i) * AlgParamRecord::kSize));
            group->byAlgorithmNumber_.emplace_back(entry.algorithm.algorithmNumber(), i);
        }
    }
    // Of the all-zero entries only the first can be the first with number 0.
    if (present < count)
        group->byAlgorithmNumber_.emplace_back(uint16_t(0), present);
    std::sort(group->byAlgorithmNumber_.begin(), group->byAlgorithmNumber_.end());
    entryCount_ += count;
    groups_.push_back(std::move(group));
    return true;
}

void ModuleTSK::place(SrrGrObject& group, TaskParamRecord record, int index)
{
    CatalogueEntry* entry = group.findByAlgorithmNumber(record.algorithmNumber());
    if (!entry) {
        entry = &group.entries_[size_t(index)];
        record.setAlgorithmNumber(entry->algorithm.algorithmNumber());
    }
    // A second record for the same entry takes its place; the first one's node
    // would otherwise stand for a record the entry no longer holds.
    if (entry->node && tree_) {
        tree_->removeNode(entry->node);
        entry->node = nullptr;
    }
    entry->task = record;
    if (!entry->placed)
        group.placed_.push_back(entry->index);
    entry->placed = true;
    entry->shown = filter_ ? filter_(*entry, entry->task) : true;
    if (entry->shown && group.node && tree_)
        entry->node = tree_->addParameter(group.node, entry->text(), *entry);
}

void ModuleTSK::ClearCatalogue()
{
    if (tree_) {
        for (auto& group : groups_)
            if (group->node)
                tree_->removeNode(group->node);
        if (root_)
            tree_->removeNode(root_);
    }
    groups_.clear();
    entryCount_ = 0;
    root_ = nullptr;
}

const TaskParamRecord* ModuleTSK::FindRecordByNumber(uint16_t number) const
{
    for (const auto& group : groups_) {
        for (int i : group->placed_) {
            const CatalogueEntry& entry = group->entries_[size_t(i)];
            if (entry.task.number() == number && !entry.algorithm.hidden())
                return &entry.task;
        }
    }
    return nullptr;
}

const SrrGrObject* ModuleTSK::GroupOfRecord(const TaskParamRecord* record) const
{
    if (!record)
        return nullptr;
    // std::less orders any two pointers, so the address tells the group.
    const std::less<const void*> before;
    for (const auto& group : groups_) {
        const std::vector<CatalogueEntry>& entries = group->entries_;
        if (entries.empty() || before(record, &entries.front()) || before(&entries.back() + 1, record + 1))
            continue;
        for (int i : group->placed_)
            if (&entries[size_t(i)].task == record)
                return group.get();
    }
    return nullptr;
}

const CatalogueEntry* ModuleTSK::EntryOfRecord(const SrrGrObject* group, const TaskParamRecord* record)
{
    if (!group || !record)
        return nullptr;
    return group->entryByAlgorithmNumber(record->algorithmNumber());
}

uint16_t ModuleTSK::ArchiveLength(const CatalogueEntry* entry)
{
    if (!entry)
        return 0;
    switch (entry->algorithm.archiveKind()) {
    case DailyArchive:
        return 0xFFFF;
    case HourlyArchive:
        return uint16_t((entry->algorithm.archiveHours() / 24) & 0xFF);
    default:
        return 0;
    }
}

uint16_t ModuleTSK::archiveLengthOfParameter(uint16_t number) const
{
    const TaskParamRecord* record = FindRecordByNumber(number);
    return ArchiveLength(EntryOfRecord(GroupOfRecord(record), record));
}

} // namespace rastrova::catalogue
