// Task files and algorithm files from arbitrary bytes: loading must never crash,
// read past the end or allocate without bound, and what was loaded must hang
// together: every entry knows its group and index, no group has more entries than its
// algorithm file declares, the tree has a node for
// exactly the entries that carry one, look-ups find what was placed, and
// clearing the catalogue deletes every node.
//
// An input is a task file and an algorithm file:
//   4 bytes   length L of the task file, little-endian (cut to what follows)
//   L bytes   the task file
//   the rest  the algorithm file, served for every name the task file asks
//             for; when there is none, every algorithm file is missing
//
// The seeds in corpus/fuzz_catalogue are made from the files that
// "rastrova-sim make-database DIR" writes:
//   python3 -c 'import sys, struct; t = open(sys.argv[1], "rb").read(); \
//     sys.stdout.buffer.write(struct.pack("<I", len(t)) + t + open(sys.argv[2], "rb").read())' \
//     DIR/TASK/SEVER.tsk DIR/alg/0010.alg > tests/fuzz/corpus/fuzz_catalogue/sever_0010

#include "catalogue/moduletsk.h"
#include "catalogue/texttree.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace rastrova::catalogue;

namespace {

class OneAlgorithmFile : public AlgorithmSource {
public:
    explicit OneAlgorithmFile(QByteArray bytes) : bytes_(std::move(bytes)) {}
    bool readAlgorithmFile(const QString& fileName, QString& path, QByteArray& bytes,
                           QString& message) override
    {
        if (bytes_.isEmpty()) {
            message = QStringLiteral("Файл не найден ") + fileName;
            return false;
        }
        path = QStringLiteral("alg/") + fileName;
        bytes = bytes_;
        return true;
    }

private:
    QByteArray bytes_;
};

class CountingMessages : public MessageSink {
public:
    void message(const QString& caption, const QString& text) override
    {
        if (caption.isEmpty() || text.isEmpty())
            fail("a message without caption or text");
        ++count;
    }
    int count = 0;

    [[noreturn]] static void fail(const char* what)
    {
        std::fprintf(stderr, "fuzz_catalogue: %s\n", what);
        std::abort();
    }
};

void check(bool ok, const char* what)
{
    if (!ok)
        CountingMessages::fail(what);
}

// Everything a host asks of a loaded catalogue; returns the nodes it should have.
int checkCatalogue(const ModuleTSK& catalogue)
{
    int nodes = catalogue.rootNode() ? 1 : 0;
    qsizetype entries = 0;
    for (qsizetype g = 0; g < catalogue.groupCount(); ++g) {
        const SrrGrObject& group = catalogue.group(g);
        check(int(group.entries().size()) <= group.algorithmHeader.recordCount(),
              "a group has more entries than its algorithm file declares");
        nodes += group.node ? 1 : 0;
        (void)group.name();
        for (size_t i = 0; i < group.entries().size(); ++i) {
            const CatalogueEntry& e = group.entries()[i];
            check(e.index == int(i) && e.group == &group, "an entry does not know its place");
            ++entries;
            if (e.node) {
                check(e.shown && e.placed, "an entry has a node it should not have");
                ++nodes;
            }
            if (!e.placed)
                continue;
            (void)e.text();
            const TaskParamRecord* r = catalogue.FindRecordByNumber(e.number());
            check(r || e.algorithm.hidden(), "a placed visible record is not found by its number");
            if (r) {
                check(r->number() == e.number(), "the record found has another number");
                const SrrGrObject* owner = catalogue.GroupOfRecord(r);
                check(owner != nullptr, "the record found belongs to no group");
                const CatalogueEntry* byAlg = ModuleTSK::EntryOfRecord(owner, r);
                check(byAlg == nullptr || byAlg->algorithm.algorithmNumber() == r->algorithmNumber(),
                      "EntryOfRecord gave an entry with another algorithm number");
                (void)ModuleTSK::ArchiveLength(byAlg);
            }
        }
    }
    check(entries == catalogue.entryCount(), "the entry count is off");
    check(entries <= ModuleTSK::kMaxEntries, "the catalogue holds more entries than its bound");
    return nodes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 4)
        return 0;
    const size_t declared =
        size_t(data[0]) | size_t(data[1]) << 8 | size_t(data[2]) << 16 | size_t(data[3]) << 24;
    const size_t taskLength = declared < size - 4 ? declared : size - 4;
    const QByteArray task(reinterpret_cast<const char*>(data + 4), qsizetype(taskLength));
    OneAlgorithmFile algorithms(
        QByteArray(reinterpret_cast<const char*>(data + 4 + taskLength), qsizetype(size - 4 - taskLength)));

    CountingMessages messages;
    ModuleTSK catalogue;
    catalogue.setMessageSink(&messages);
    catalogue.setDisplayFilter(mainWindowFilter());

    TextTree tree;
    catalogue.loadTaskData(QStringLiteral("TASK/0701.tsk"), task, algorithms, &tree);
    check(checkCatalogue(catalogue) == tree.nodeCount(), "the tree's nodes and the catalogue's differ");
    (void)tree.lines();
    catalogue.ClearCatalogue();
    check(tree.nodeCount() == 0, "clearing the catalogue left nodes in the tree");
    check(catalogue.FindRecordByNumber(0) == nullptr, "a cleared catalogue finds a record");

    // Again without a tree and without a filter.
    catalogue.setDisplayFilter({});
    catalogue.loadTaskData(QStringLiteral("TASK/0701.tsk"), task, algorithms, nullptr);
    check(checkCatalogue(catalogue) == 0, "loading without a tree made nodes");
    return 0;
}
