#pragma once
// The parameter catalogue of a type "19" controller: the groups of one task
// file (and of its base task file), each with one entry per record of the
// group's algorithm file, and the task parameter records placed in them.
//
// The catalogue draws no widgets: it builds its tree through CatalogueTree and
// tells the user about failures through MessageSink. The editor's parameter tree
// and the command-line tool implement both.
//
//   ModuleTSK catalogue;
//   catalogue.setDatabasePath(db);
//   catalogue.setMessageSink(&messages);
//   catalogue.setDisplayFilter(mainWindowFilter());
//   catalogue.ClearCatalogue();
//   catalogue.LoadTask(taskFile, &tree);
//   quint16 days = catalogue.archiveLengthOfParameter(0x1006);

#include "catalogue/records.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace rastrova::catalogue {

class ModuleTSK;
class SrrGrObject;
struct CatalogueEntry;

// A node of the host's tree; nullptr is no node.
using NodeHandle = void*;

// The host's tree. Levels: the task (root), its groups, their parameters.
class CatalogueTree {
public:
    virtual ~CatalogueTree() = default;
    // A new empty top-level node whose data is the catalogue.
    virtual NodeHandle addRoot(const ModuleTSK& catalogue) = 0;
    // The root's text: the task name of the task file read last.
    virtual void setRootText(NodeHandle root, const QString& text) = 0;
    // A child of the root for a group, with the group's name.
    virtual NodeHandle addGroup(NodeHandle root, const QString& text, const SrrGrObject& group) = 0;
    // A child of a group's node for a parameter, with its parameter text.
    virtual NodeHandle addParameter(NodeHandle groupNode, const QString& text,
                                    const CatalogueEntry& entry) = 0;
    // Deletes a node together with its children.
    virtual void removeNode(NodeHandle node) = 0;
};

// Where the user is told of a failure: a plain message box in the editor,
// stderr in the command-line tool. Texts break lines with "\r".
class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void message(const QString& caption, const QString& text) = 0;
};

// The caption of the catalogue's messages: the application title.
inline const QString kCatalogueCaption = QStringLiteral("Растрова - Диалог");

// Decides whether an entry gets a node; gets the entry and the task record just
// placed in it.
using DisplayFilter = std::function<bool(const CatalogueEntry&, const TaskParamRecord&)>;

// The filter the main window installs (see shownByMainWindowFilter).
DisplayFilter mainWindowFilter();

// One parameter that a group can hold: a record of the group's algorithm file,
// and the task parameter record placed at it (all zero until one is).
struct CatalogueEntry {
    AlgParamRecord algorithm;
    TaskParamRecord task;
    int index = 0;                // its position among the group's entries
    SrrGrObject* group = nullptr; // the group that holds it
    bool placed = false;          // a task record has been placed here
    bool shown = false;           // passed the display filter when it was placed
    NodeHandle node = nullptr;

    uint16_t number() const { return task.number(); }
    // The task record's name, or the algorithm record's when that is empty.
    QString name() const;
    // Its node text: "00A5\Расход\Float\Часовой архив\".
    QString text() const;
};

// A parameter group of a task: its group record, the header of its algorithm
// file and one entry per record that file declares. When the file holds fewer
// records than it declares, the missing ones are all-zero entries, made only as
// far as the group's task records can reach.
class SrrGrObject {
public:
    AlgHeader algorithmHeader;
    GroupRecord groupRecord;
    QString algorithmFile; // the path it was read from
    int recordCount = 0;   // task parameter records announced by the group record
    NodeHandle node = nullptr;

    // The group's name: the algorithm file's group name.
    QString name() const { return algorithmHeader.groupName(); }
    const std::vector<CatalogueEntry>& entries() const { return entries_; }
    // The first entry whose algorithm parameter number is `number`, or nullptr.
    const CatalogueEntry* entryByAlgorithmNumber(uint16_t number) const;

private:
    friend class ModuleTSK;
    CatalogueEntry* findByAlgorithmNumber(uint16_t number);
    std::vector<CatalogueEntry> entries_;                     // never resized after creation
    std::vector<std::pair<uint16_t, int>> byAlgorithmNumber_; // sorted (number, index)
    std::vector<int> placed_;                                 // entries holding a task record, by index
};

// Reads algorithm files by name ("0012.alg") for a task being loaded.
class AlgorithmSource {
public:
    virtual ~AlgorithmSource() = default;
    // On success fills `path` and `bytes`; on failure returns false and fills
    // `message` with what the user is told.
    virtual bool readAlgorithmFile(const QString& fileName, QString& path, QByteArray& bytes,
                                   QString& message) = 0;
};

class ModuleTSK {
public:
    // Bounds on what damaged files can make the catalogue read or hold.
    static constexpr qint64 kMaxTaskFileBytes = 16 * 1024 * 1024;
    static constexpr qint64 kMaxAlgorithmFileBytes = 8 * 1024 * 1024;
    static constexpr qsizetype kMaxEntries = 1 << 18;

    ModuleTSK() = default;
    // Leaves the host's tree alone: the host may already have deleted it.
    ~ModuleTSK() = default;
    ModuleTSK(const ModuleTSK&) = delete;
    ModuleTSK& operator=(const ModuleTSK&) = delete;

    // The database folder: "TASK" holds the task files, "alg" the algorithm files.
    void setDatabasePath(const QString& path) { databasePath_ = path; }
    const QString& databasePath() const { return databasePath_; }

    // Without a sink messages are dropped.
    void setMessageSink(MessageSink* sink) { messages_ = sink; }
    // Applies to every later load; an empty filter shows every entry.
    void setDisplayFilter(DisplayFilter filter) { filter_ = std::move(filter); }

    // Adds the groups of a task to the catalogue and, with a tree, to the tree
    // under the catalogue's root (added on the first load with that tree).
    // An empty name loads "TASK/0701.tsk" of the database. A named task file
    // loads its base task file first, "TASK/" + its module number in four
    // upper-case hexadecimal digits + ".tsk". A relative name that does not exist
    // as it stands is looked for in the database's TASK folder.
    void LoadTask(const QString& name, CatalogueTree* tree = nullptr);

    // Destroys every group, deletes their nodes and the root node.
    void ClearCatalogue();

    // The first placed task parameter record with this number whose entry is not
    // hidden, groups in load order, entries in index order; nullptr if none.
    const TaskParamRecord* FindRecordByNumber(uint16_t number) const;
    // The group that holds `record` (a record this catalogue gave out), or nullptr.
    const SrrGrObject* GroupOfRecord(const TaskParamRecord* record) const;
    // The group's first entry with the record's algorithm parameter number, or nullptr.
    static const CatalogueEntry* EntryOfRecord(const SrrGrObject* group, const TaskParamRecord* record);
    // 0xFFFF for a daily archive parameter; for an hourly one its archive length
    // in hours / 24, kept to 8 bits; 0 otherwise and for nullptr.
    static uint16_t ArchiveLength(const CatalogueEntry* entry);
    // FindRecordByNumber, GroupOfRecord, EntryOfRecord and ArchiveLength in turn.
    uint16_t archiveLengthOfParameter(uint16_t number) const;

    // The task file whose load began last, as it was named (empty before any).
    const QString& lastTaskFile() const { return lastTaskFile_; }
    // The header of the task file read last.
    const TaskHeader& taskHeader() const { return header_; }

    qsizetype groupCount() const { return qsizetype(groups_.size()); }
    const SrrGrObject& group(qsizetype i) const { return *groups_[size_t(i)]; }
    qsizetype entryCount() const { return entryCount_; }
    NodeHandle rootNode() const { return root_; }

    // The step "load one task file" for a file already read: `path` names it in
    // messages and becomes the task file loaded last. Returns false when loading
    // stopped early (the user has been told why).
    bool loadTaskData(const QString& path, QByteArrayView bytes, AlgorithmSource& algorithms,
                      CatalogueTree* tree);

private:
    void tell(const QString& text) const;
    void attachTree(CatalogueTree* tree);
    bool loadTaskFile(const QString& path, const QString& found, AlgorithmSource& algorithms,
                      CatalogueTree* tree);
    bool addGroup(const GroupRecord& record, int readableRecords, AlgorithmSource& algorithms,
                  const QString& taskPath);
    void place(SrrGrObject& group, TaskParamRecord record, int index);

    QString databasePath_;
    QString lastTaskFile_;
    TaskHeader header_;
    std::vector<std::unique_ptr<SrrGrObject>> groups_;
    qsizetype entryCount_ = 0;
    CatalogueTree* tree_ = nullptr; // the tree the root and the nodes belong to
    NodeHandle root_ = nullptr;
    DisplayFilter filter_;
    MessageSink* messages_ = nullptr;
};

} // namespace rastrova::catalogue
