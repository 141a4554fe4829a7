// Speed of the printer text and the images: rendering a framed blank, building
// its image, and building the image of a full print file.
//
//   build-rel/bin/rastrova-bench --benchmark_filter='Render|Image'
//
// The blanks are C data columns by R data rows (10x50, 20x100, 40x200, and
// 40x255, the largest blank a blank file holds), every column 64 pixels wide
// (8 characters), every cell framed (inner border width 2, colour 0) and holding
// a reference "@n" to one of the 10 parameters of the list ("#4010".."#4019"),
// n cycling 1..10.
//
// The adapter takes at most 36864 bytes per image. Whether a blank's image stays
// within that bound is decided when the benchmark starts and stated in its label:
// "fits, N bytes", or "refused: measured up to the refusal" when buildImage
// rejects it; the time is measured in both cases. Lines are cut to 72
// characters, so a 40x200 blank's image (401 lines of at most 73 bytes and 255
// descriptors) still fits; a 40x255 one does not.
//
// The print-file benchmark builds "info.bin" from 62 hourly and 62 archive
// blank images written once into a temporary folder with its header. Large
// blanks cannot make a print file the adapter accepts (124 images share the
// 36864 bytes), so these are small blanks of the same kind, 3x3 framed cells of
// references, whose images fit (the label gives their size).

#include "largeblank.h"

#include "editor/paramlist.h"
#include "editor/saveblank.h"
#include "render/blankimage.h"
#include "render/printertext.h"
#include "render/printfileimage.h"
#include "store/blank.h"
#include "store/printfile.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QStringList>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <memory>

using namespace rastrova;

namespace {

using largeblank::framedBlank;
using largeblank::kParameters;

[[noreturn]] void giveUp(const QString& what)
{
    std::fprintf(stderr, "rastrova-bench: %s\n", what.toUtf8().constData());
    std::exit(1);
}

const editor::ParameterList& parameterList()
{
    static const editor::ParameterList list = largeblank::parameterList();
    if (list.count() != kParameters)
        giveUp(QStringLiteral("the parameter list has %1 rows").arg(list.count()));
    return list;
}

Status buildImage(const store::BlankDocument& blank, render::BlankImage& image)
{
    const editor::SaveBlankInput input{blank, parameterList(), QStringLiteral("60"), true, {}};
    return editor::buildImage(input, QStringLiteral("bench.bin"), image);
}

// The references left in the printer text (lines are cut to 72 characters).
int referencesIn(const render::PrinterText& text)
{
    int references = 0;
    for (const QByteArray& line : text.lines)
        references += int(line.count('@'));
    return references;
}

// The size the image would have, counted from the printer text: the header, the
// descriptors (at most 255 are kept), and every line with its 0x0D.
qsizetype imageSizeOf(const render::PrinterText& text)
{
    qsizetype size = 4 + 6 * qsizetype(std::min(referencesIn(text), render::kMaxDescriptors));
    for (const QByteArray& line : text.lines)
        size += line.size() + 1;
    return size;
}

void BM_RenderPrinterText(benchmark::State& state)
{
    const int columns = int(state.range(0)), rows = int(state.range(1));
    const store::BlankDocument blank = framedBlank(columns, rows);
    qsizetype lines = 0, bytes = 0;
    for (auto _ : state) {
        render::PrinterText text = render::renderPrinterText(blank.grid, true);
        if (!text.status) {
            state.SkipWithError("the blank does not render");
            break;
        }
        lines = text.lines.size();
        benchmark::DoNotOptimize(text);
    }
    const render::PrinterText text = render::renderPrinterText(blank.grid, true);
    for (const QByteArray& line : text.lines)
        bytes += line.size();
    state.counters["cells"] = double(columns) * rows;
    state.counters["lines"] = double(lines);
    state.counters["text_bytes"] = double(bytes);
}
BENCHMARK(BM_RenderPrinterText)
    ->Args({10, 50})
    ->Args({20, 100})
    ->Args({40, 200})
    ->Args({40, 255})
    ->ArgNames({"cols", "rows"})
    ->Unit(benchmark::kMicrosecond);

// Render and image build through editor::buildImage, as saving a blank runs them.
void BM_RenderAndBlankImage(benchmark::State& state)
{
    const int columns = int(state.range(0)), rows = int(state.range(1));
    const store::BlankDocument blank = framedBlank(columns, rows);

    render::BlankImage probe;
    const Status first = buildImage(blank, probe);
    const render::PrinterText text = render::renderPrinterText(blank.grid, true);
    const qsizetype size = imageSizeOf(text);
    if (first) {
        if (probe.bytes.size() != size)
            giveUp(QStringLiteral("the image has %1 bytes, %2 were counted").arg(probe.bytes.size()).arg(size));
        state.SetLabel(QStringLiteral("fits, %1 bytes").arg(probe.bytes.size()).toStdString());
    } else if (first.code() == Status::Refused && size > render::kImageBufferBytes) {
        state.SetLabel(QStringLiteral("refused (%1 > %2 bytes): measured up to the refusal")
                           .arg(size)
                           .arg(render::kImageBufferBytes)
                           .toStdString());
    } else {
        state.SkipWithError(("the image fails: " + first.message()).toStdString().c_str());
        return;
    }

    for (auto _ : state) {
        render::BlankImage image;
        Status st = buildImage(blank, image);
        if (bool(st) != bool(first)) {
            state.SkipWithError("the image build changed its outcome");
            break;
        }
        benchmark::DoNotOptimize(image);
        benchmark::DoNotOptimize(st);
    }
    state.counters["lines"] = double(text.lines.size());
    state.counters["image_bytes"] = double(size);
    state.counters["references"] = double(referencesIn(text));
    state.counters["descriptors"] = double(std::min(referencesIn(text), render::kMaxDescriptors));
}
BENCHMARK(BM_RenderAndBlankImage)
    ->Args({10, 50})
    ->Args({20, 100})
    ->Args({40, 200})
    ->Args({40, 255})
    ->ArgNames({"cols", "rows"})
    ->Unit(benchmark::kMicrosecond);

// The print file of 62 hourly and 62 archive blanks, made on first use.
struct PrintFile {
    std::unique_ptr<QTemporaryDir> dir;
    QString folder;
    QStringList hourly, archive;
    qsizetype blankImageBytes = 0;
};

constexpr int kSmallColumns = 3, kSmallRows = 3;

const PrintFile& printFile()
{
    static PrintFile pf;
    if (pf.dir)
        return pf;
    pf.dir = std::make_unique<QTemporaryDir>();
    if (!pf.dir->isValid())
        giveUp(QStringLiteral("no temporary folder: %1").arg(pf.dir->errorString()));
    pf.folder = pf.dir->filePath(QStringLiteral("Файл печати"));
    if (!QDir().mkpath(pf.folder))
        giveUp(QStringLiteral("cannot make %1").arg(pf.folder));

    render::BlankImage image;
    if (Status st = buildImage(framedBlank(kSmallColumns, kSmallRows), image); !st)
        giveUp(QStringLiteral("the small blank has no image: %1").arg(st.message()));
    pf.blankImageBytes = image.bytes.size();

    store::PrintFileHeader header(pf.folder);
    for (int i = 0; i < 2 * render::kMaxBlanksPerKind; ++i) {
        const bool archive = i >= render::kMaxBlanksPerKind;
        const QString name = QStringLiteral("Бланк %1").arg(i + 1, 3, 10, QLatin1Char('0'));
        header.addBlank(name, i + 1, archive ? store::BlankKind::Archive : store::BlankKind::Hourly);
        (archive ? pf.archive : pf.hourly) << name;
        if (Status st = writeWholeFile(store::blankFilePath(pf.folder, name, store::BlankFile::Image), image.bytes);
            !st)
            giveUp(st.message());
    }
    if (Status st = header.save(); !st)
        giveUp(st.message());
    return pf;
}

void BM_PrintFileImage(benchmark::State& state)
{
    const PrintFile& pf = printFile();
    const qsizetype expected = render::kDirectoryBytes + 2 * render::kMaxBlanksPerKind * pf.blankImageBytes;
    QByteArray bytes;
    for (auto _ : state) {
        if (Status st = render::buildPrintFileImage(pf.folder, pf.hourly, pf.archive, bytes); !st) {
            state.SkipWithError(("the print file has no image: " + st.message()).toStdString().c_str());
            break;
        }
        if (bytes.size() != expected) {
            state.SkipWithError("the print-file image has the wrong size");
            break;
        }
        benchmark::DoNotOptimize(bytes);
    }
    state.SetLabel(QStringLiteral("62+62 blanks of %1x%2 framed references, %3 bytes each (40x200 ones do not fit)")
                       .arg(kSmallColumns)
                       .arg(kSmallRows)
                       .arg(pf.blankImageBytes)
                       .toStdString());
    state.counters["blanks"] = 2 * render::kMaxBlanksPerKind;
    state.counters["image_bytes"] = double(expected);
}
BENCHMARK(BM_PrintFileImage)->Unit(benchmark::kMicrosecond);

} // namespace
