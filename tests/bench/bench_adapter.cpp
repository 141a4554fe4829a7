// Programming the largest image (36864 bytes, 576 blocks) into the adapter
// simulator on a pseudo-terminal, through the real port code:
//
//   build-release/bin/rastrova-bench --benchmark_filter=AdapterProgramming/fast
//   build-release/bin/rastrova-bench --benchmark_filter=AdapterProgramming/wire2400
//
// The adapter's protocol itself asks for about 13.8 s here: 1 ms before each of
// the 1 + 2 x 576 groups of the erase and the writes, and 20 ms + 2 x 1 ms for
// each block read back. The counters give that figure ("mandated_s") beside the
// measured time, and with --wire 2400 the time the bytes take on a 2400-baud
// 8N2 line ("wire_s").

#include "devprog/adapterprog.h"
#include "devprog/serialport.h"
#include "simprocess.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>

using namespace rastrova::devprog;

namespace {

constexpr int kImageBytes = 36864;
constexpr int kBlocks = kImageBytes / 64;

void AdapterProgramming(benchmark::State& state, QStringList simOptions, int wireBaud)
{
    int argc = 1;
    char name[] = "rastrova-bench";
    char* argv[] = {name, nullptr};
    static QCoreApplication* app = QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
    (void)app;

    QByteArray bytes(kImageBytes, 0);
    for (int i = 0; i < kImageBytes; ++i)
        bytes[i] = char(i * 31 + 7);
    const ImageBlocks image = cutIntoBlocks(bytes, 64);
    simprocess::Simulator sim("adapter", simOptions);
    StopFlag stop{false};
    SerialPortLine line(&stop);
    SteadyClock clock;
    ComLink link(line, clock);
    if (!link.OpenComPort(sim.device(), 3, LinkRs232)) {
        state.SkipWithError("the simulator's pseudo-terminal does not open");
        return;
    }
    AdapterOptions options;
    options.linkKind = LinkRs232;
    ProgressSink quiet;
    for (auto _ : state) {
        if (programAdapter(link, image, options, quiet, stop) != Outcome::Done)
            state.SkipWithError("the programming failed");
    }
    const double mandatedMs = (1 + 2 * kBlocks) * 1.0 + kBlocks * (20 + 2 * 1.0);
    state.counters["mandated_s"] = mandatedMs / 1000;
    if (wireBaud > 0) {
        // Bytes on the line: erase 2 + 1 + 1; a write 2 + 1 + 68 + 1 + 1; a read 2 + 1 + 3 + 1 + 64.
        const double bytesOnLine = 4 + kBlocks * (73 + 71);
        state.counters["wire_s"] = bytesOnLine * 11 / wireBaud;
        state.counters["wire_plus_mandated_s"] = bytesOnLine * 11 / wireBaud + mandatedMs / 1000;
    }
}

BENCHMARK_CAPTURE(AdapterProgramming, fast, QStringList{}, 0)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();
BENCHMARK_CAPTURE(AdapterProgramming, wire2400, QStringList{"--wire", "2400"}, 2400)
    ->Unit(benchmark::kSecond)
    ->Iterations(1)
    ->UseRealTime();

} // namespace
