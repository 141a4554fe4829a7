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
#include "devprog/networkprog.h"
#include "devprog/serialport.h"
#include "benchapp.h"
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
    benchapp::ensureApplication();

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

// Programming the largest image through the controller (288 blocks of 128
// bytes) at 19200 baud:
//
//   build-release/bin/rastrova-bench --benchmark_filter=NetworkProgramming
//
// "paused_s" sums every pause the procedure asked for: the 1000 ms after each
// buffer command, 2000 ms before RUN, the pre-send pauses and the 100 ms between
// state polls (which also cover the simulator's time to change state).

namespace {

class CountingClock : public SteadyClock {
public:
    void pauseMs(int ms) override
    {
        paused += ms;
        SteadyClock::pauseMs(ms);
    }
    qint64 paused = 0;
};

class AnswersYes : public ProgressSink {
public:
    bool ask(const QString&) override { return true; }
};

void NetworkProgramming(benchmark::State& state)
{
    benchapp::ensureApplication();
    QByteArray bytes(kImageBytes, 0);
    for (int i = 0; i < kImageBytes; ++i)
        bytes[i] = char(i * 17 + 3);
    const ImageBlocks image = cutIntoBlocks(bytes, 128);
    simprocess::Simulator sim("controller");
    StopFlag stop{false};
    SerialPortLine line(&stop);
    CountingClock clock;
    ComLink link(line, clock);
    if (!link.OpenComPort(sim.device(), 6, LinkRs232)) {
        state.SkipWithError("the simulator's pseudo-terminal does not open");
        return;
    }
    NetworkOptions options;
    AnswersYes sink;
    for (auto _ : state) {
        if (VirelProgrammer(link, options, sink, stop).program(image) != Outcome::Done)
            state.SkipWithError("the programming failed");
    }
    state.counters["paused_s"] = double(clock.paused) / 1000;
}

BENCHMARK(NetworkProgramming)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

} // namespace
