// The driver link against the driver simulator on loopback:
//
//   build-release/bin/rastrova-bench --benchmark_filter=CanExchange
//   build-release/bin/rastrova-bench --benchmark_filter=SilentDriverWait
//
// CanExchange writes the largest image (36864 bytes: the directory as 64
// records, the blank images as 9152 four-byte records); "round_trips_per_s" is
// every request with its reply over the time taken. SilentDriverWait waits 3 s
// for a reply that never comes; "cpu_percent" is the CPU the waiting took, as
// a share of one core.

#include "driverlink/deviceops.h"
#include "benchapp.h"
#include "simprocess.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <sys/resource.h>

using namespace rastrova;

namespace {

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void CanExchange(benchmark::State& state)
{
    benchapp::ensureApplication();
    QTemporaryDir dir;
    const QString path = dir.filePath("info.bin");
    {
        QByteArray image(36864, 0);
        for (int i = 0; i < image.size(); ++i)
            image[i] = char(i * 7 + 1);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(image);
    }
    simprocess::DriverSimulator driver;
    driverlink::TBfsCl link;
    driverlink::CanExchangeOptions options;
    options.port = driver.port();
    devprog::ProgressSink quiet;
    devprog::StopFlag stop{false};
    const uint32_t firstId = link.ids().counter;
    QElapsedTimer t;
    t.start();
    for (auto _ : state) {
        if (driverlink::runCanExchange(link, path, options, quiet, stop) != devprog::Outcome::Done)
            state.SkipWithError("the exchange failed");
    }
    const double seconds = double(t.nsecsElapsed()) / 1e9;
    const double trips = double(link.ids().counter - firstId);
    state.counters["round_trips"] = trips;
    state.counters["round_trips_per_s"] = trips / seconds;
}

void SilentDriverWait(benchmark::State& state)
{
    benchapp::ensureApplication();
    simprocess::DriverSimulator driver({"--silent"});
    driverlink::TBfsCl link;
    link.setPort(driver.port());
    link.ConnectAndWait();
    driverlink::RequestRecord r;
    r.address = 1;
    r.length = 3;
    r.command = driverlink::CmdRead;
    double cpu = 0, wall = 0;
    for (auto _ : state) {
        const double c0 = cpuSeconds();
        QElapsedTimer t;
        t.start();
        link.TransactNewId(r, 3000);
        wall += double(t.nsecsElapsed()) / 1e9;
        cpu += cpuSeconds() - c0;
    }
    state.counters["cpu_percent"] = wall > 0 ? 100 * cpu / wall : 0;
}

BENCHMARK(CanExchange)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();
BENCHMARK(SilentDriverWait)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

} // namespace
