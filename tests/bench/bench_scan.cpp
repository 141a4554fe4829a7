// Speed of the file layer: the scan of a large base folder, and writing and
// reading the grid-table file of the largest blank.
//
//   build-release/bin/rastrova-bench
//   build-release/bin/rastrova-bench --benchmark_filter=Scan
//
// The base folder is generated once per run in a temporary folder: 500 print
// files of 20 blanks each (half hourly, half archive), every header "info.ini"
// in code page 1251 with CR LF, and every blank's file present (empty), so the
// scan only reads.

#include "store/blank.h"
#include "store/gridfile.h"
#include "store/printfile.h"
#include "store/scan.h"
#include "text/codepage.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <memory>

using namespace rastrova;
using namespace rastrova::store;

namespace {

constexpr int kPrintFiles = 500;
constexpr int kBlanksPerFile = 20;

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

[[noreturn]] void giveUp(const QString& what)
{
    std::fprintf(stderr, "rastrova-bench: %s\n", what.toUtf8().constData());
    std::exit(1);
}

// The generated base folder, made on first use and removed at exit.
const QString& baseFolder()
{
    static std::unique_ptr<QTemporaryDir> dir;
    static QString path;
    if (dir)
        return path;
    dir = std::make_unique<QTemporaryDir>();
    if (!dir->isValid())
        giveUp(QStringLiteral("no temporary folder: %1").arg(dir->errorString()));
    path = dir->filePath(QStringLiteral("База"));

    // Every print file holds the same blanks, so one header serves all.
    QString header = QStringLiteral("[HEAD]\r\n");
    QString opis = QStringLiteral("[OPIS]\r\n");
    QStringList blankNames;
    for (int b = 1; b <= kBlanksPerFile; ++b) {
        const QString name = QStringLiteral("Бланк %1").arg(b, 2, 10, QLatin1Char('0'));
        blankNames << name;
        header += QStringLiteral("%1=%2\r\n").arg(name).arg(b);
        opis += QStringLiteral("T%1=%2\r\n").arg(b).arg(b % 2 == 0 ? 1 : 0);
    }
    QByteArray headerBytes;
    if (!text::toCp1251(header + QStringLiteral("\r\n") + opis, headerBytes))
        giveUp(QStringLiteral("the header has no 1251 form"));

    for (int p = 1; p <= kPrintFiles; ++p) {
        const QString folder =
            QDir(path).filePath(QStringLiteral("Файл печати %1").arg(p, 3, 10, QLatin1Char('0')));
        if (!QDir().mkpath(folder) || !writeFile(QDir(folder).filePath(kHeaderFileName), headerBytes))
            giveUp(QStringLiteral("cannot write %1").arg(folder));
        for (const QString& name : blankNames)
            if (!writeFile(blankFilePath(folder, name, BlankFile::Blank), {}))
                giveUp(QStringLiteral("cannot write a blank in %1").arg(folder));
    }
    return path;
}

void BM_ScanBaseFolder(benchmark::State& state)
{
    const QString& base = baseFolder();
    qsizetype blanks = 0;
    for (auto _ : state) {
        ScanResult result = scanBaseFolder(base);
        blanks = 0;
        for (const ScannedPrintFile& f : result.printFiles)
            blanks += f.hourly.size() + f.archive.size();
        benchmark::DoNotOptimize(result);
        if (result.printFiles.size() != kPrintFiles || blanks != kPrintFiles * kBlanksPerFile) {
            state.SkipWithError("the scan did not find the generated print files and blanks");
            break;
        }
    }
    state.counters["print_files"] = kPrintFiles;
    state.counters["blanks"] = double(blanks);
}
BENCHMARK(BM_ScanBaseFolder)->Unit(benchmark::kMillisecond);

// The largest blank: 40 data columns, 255 data rows, every cell with a text and
// a frame, a merged title over the first data row.
Grid largestBlank()
{
    Grid g = freshBlankGrid();
    g.resize(41, 256);
    for (int c = 1; c < 41; ++c)
        g.setText(c, 0, QStringLiteral("Графа %1").arg(c));
    for (int r = 1; r < 256; ++r)
        g.setText(0, r, QString::number(r));
    for (int c = 1; c < 41; ++c)
        for (int r = 2; r < 256; ++r) {
            g.setText(c, r, QStringLiteral("Т%1 знач. %2").arg(c).arg(r));
            g.cell(c, r).inner = Border{0, 2};
        }
    if (!g.addRange(Range{1, 1, 40, 1}))
        giveUp(QStringLiteral("the title range does not fit"));
    g.setText(1, 1, QStringLiteral("Ведомость учёта тепла\nза сутки"));
    return g;
}

void BM_GridTableWrite(benchmark::State& state)
{
    const Grid grid = largestBlank();
    QByteArray bytes;
    for (auto _ : state) {
        if (!gridTableBytes(grid, bytes)) {
            state.SkipWithError("the blank cannot be written");
            break;
        }
        benchmark::DoNotOptimize(bytes);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * bytes.size());
    state.counters["file_bytes"] = double(bytes.size());
}
BENCHMARK(BM_GridTableWrite)->Unit(benchmark::kMillisecond);

void BM_GridTableRead(benchmark::State& state)
{
    QByteArray bytes;
    if (!gridTableBytes(largestBlank(), bytes)) {
        state.SkipWithError("the blank cannot be written");
        return;
    }
    for (auto _ : state) {
        Grid grid = freshBlankGrid();
        if (!parseGridTable(bytes, grid, kBlankGridLimits)) {
            state.SkipWithError("the written blank does not read back");
            break;
        }
        benchmark::DoNotOptimize(grid);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * bytes.size());
    state.counters["file_bytes"] = double(bytes.size());
}
BENCHMARK(BM_GridTableRead)->Unit(benchmark::kMillisecond);

} // namespace


