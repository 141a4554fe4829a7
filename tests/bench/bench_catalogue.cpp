// Speed of the parameter catalogue: loading a task of 5000 parameters with its
// tree, and the look-up chain the blank image runs for every parameter.
//
//   build-release/bin/rastrova-bench --benchmark_filter=Catalogue
//
// The database is written once per run into a temporary folder by
// "rastrova-sim make-database DIR --parameters 5000" (the simulator beside this
// executable, or the one the environment variable RASTROVA_SIM names): the
// default task 0701.tsk with 5000 task parameter records in 335 groups.

#include "catalogue/moduletsk.h"
#include "catalogue/texttree.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

using namespace rastrova::catalogue;

namespace {

constexpr int kParameters = 5000;

// rastrova-sim beside this executable, or the one RASTROVA_SIM names.
QString simulatorPath()
{
    if (const char* sim = std::getenv("RASTROVA_SIM"))
        return QString::fromLocal8Bit(sim);
    const QString self = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    return QDir(QFileInfo(self).path()).filePath(QStringLiteral("rastrova-sim"));
}

[[noreturn]] void giveUp(const QString& what)
{
    std::fprintf(stderr, "rastrova-bench: %s\n", what.toUtf8().constData());
    std::exit(1);
}

// The generated database, made on first use and removed at exit.
const QString& database()
{
    static std::unique_ptr<QTemporaryDir> dir;
    static QString path;
    if (dir)
        return path;
    dir = std::make_unique<QTemporaryDir>();
    if (!dir->isValid())
        giveUp(QStringLiteral("no temporary folder: %1").arg(dir->errorString()));
    path = dir->filePath(QStringLiteral("База"));
    const QString simulator = simulatorPath();
    QProcess sim;
    sim.start(simulator, {QStringLiteral("make-database"), path, QStringLiteral("--parameters"),
                          QString::number(kParameters)});
    if (!sim.waitForFinished(60000) || sim.exitStatus() != QProcess::NormalExit || sim.exitCode() != 0)
        giveUp(QStringLiteral("%1 make-database failed: %2 %3")
                   .arg(simulator, sim.errorString(), QString::fromUtf8(sim.readAllStandardError())));
    return path;
}

class CountingMessages : public MessageSink {
public:
    void message(const QString&, const QString& text) override { last = text; }
    QString last;
};

// Loading the default task with every parameter in the tree, as
// "rastrova-cli catalogue --all" does; and with the main window's filter.
void loadTask(benchmark::State& state, bool filtered)
{
    const QString& db = database();
    ModuleTSK catalogue;
    CountingMessages messages;
    catalogue.setDatabasePath(db);
    catalogue.setMessageSink(&messages);
    if (filtered)
        catalogue.setDisplayFilter(mainWindowFilter());
    int nodes = 0;
    for (auto _ : state) {
        TextTree tree;
        catalogue.ClearCatalogue();
        catalogue.LoadTask({}, &tree);
        nodes = tree.nodeCount();
        benchmark::DoNotOptimize(nodes);
        if (!messages.last.isEmpty()) {
            state.SkipWithError(messages.last.toUtf8().constData());
            break;
        }
        catalogue.ClearCatalogue();
    }
    state.counters["nodes"] = nodes;
    state.counters["parameters"] = kParameters;
}

void BM_CatalogueLoadAll(benchmark::State& state)
{
    loadTask(state, false);
}
BENCHMARK(BM_CatalogueLoadAll)->Unit(benchmark::kMillisecond);

void BM_CatalogueLoadFiltered(benchmark::State& state)
{
    loadTask(state, true);
}
BENCHMARK(BM_CatalogueLoadFiltered)->Unit(benchmark::kMillisecond);

// FindRecordByNumber, GroupOfRecord, EntryOfRecord and ArchiveLength for 64
// parameters spread over the task, the last group's included.
void BM_CatalogueArchiveLengthLookup(benchmark::State& state)
{
    ModuleTSK catalogue;
    catalogue.setDatabasePath(database());
    catalogue.LoadTask({});
    std::vector<uint16_t> numbers;
    for (qsizetype g = 0; g < catalogue.groupCount(); g += qMax<qsizetype>(1, catalogue.groupCount() / 64))
        for (const CatalogueEntry& e : catalogue.group(g).entries())
            if (e.placed && !e.algorithm.hidden()) {
                numbers.push_back(e.number());
                break;
            }
    if (numbers.size() < 32) {
        state.SkipWithError("the generated task has too few groups");
        return;
    }
    for (auto _ : state) {
        unsigned sum = 0;
        for (uint16_t n : numbers)
            sum += catalogue.archiveLengthOfParameter(n);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(numbers.size()));
}
BENCHMARK(BM_CatalogueArchiveLengthLookup)->Unit(benchmark::kMicrosecond);

} // namespace
