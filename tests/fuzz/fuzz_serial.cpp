// Replies of a lying or broken device, from arbitrary bytes: the adapter and
// controller protocols and the procedures on top of them read what the input
// gives, on a fake clock, and must never crash, hang or run past their bounds:
// gauges stay within 0..100, a printed line holds at most 72 printable bytes, a
// read-back is never longer than the image, and programming or verifying is done
// only when the device sent the image back.
//
// The first byte is the baud index. The second chooses the procedure and the link:
//   bit 0, bit 5   the link kind: RS-232, ИРПС with echo, ИРПС, RS-485
//   bits 1..3      0 programming, 1 hourly print test, 2 and 3 programming
//                  through the controller, 4 verifying, 5 archive print test,
//                  6 the echo probe then programming, 7 programming through the
//                  controller without a password, the user answering no
//   bit 6          the trace mode (frame dumps in the log)
// The rest are the replies.

#include "devprog/adapterprog.h"
#include "devprog/networkprog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

using namespace rastrova::devprog;

namespace {

class Clockwork : public Clock {
public:
    qint64 nowMs() override { return now; }
    void pauseMs(int ms) override { now += ms; }
    qint64 now = 0;
};

// Every read takes the next bytes of the input, as many as the input says; an
// empty read costs its whole time-out. Once the input is used up the user
// presses stop, as one does at a print test that never ends.
class InputLine : public SerialLine {
public:
    InputLine(QByteArrayView input, Clockwork& clock, StopFlag& stop)
        : input_(input), clock_(clock), stop_(stop)
    {
    }
    bool open(const QString&) override { return true; }
    void close() override {}
    bool isOpen() const override { return true; }
    bool setLineSettings(int) override { return true; }
    void setReadTimeout(int ms) override { timeout_ = ms; }
    int readTimeout() const override { return timeout_; }
    void setModemLines(bool, bool) override {}
    void discardInput() override {}
    bool write(QByteArrayView) override { return true; }
    QByteArray read(int count) override
    {
        if (++reads_ > 20000)
            std::abort(); // a procedure that never ends
        if (at_ >= input_.size()) {
            stop_ = true;
            clock_.now += timeout_;
            return {};
        }
        const int want = std::min<int>(count, 1 + uint8_t(input_[at_]) % 80);
        ++at_;
        const QByteArray out =
            input_.sliced(at_, std::min<qsizetype>(want, input_.size() - at_)).toByteArray();
        at_ += out.size();
        clock_.now += 1;
        return out;
    }

private:
    QByteArrayView input_;
    Clockwork& clock_;
    StopFlag& stop_;
    qsizetype at_ = 0;
    int timeout_ = 1000;
    int reads_ = 0;
};

[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "fuzz_serial: %s\n", what);
    std::abort();
}

void check(bool ok, const char* what)
{
    if (!ok)
        fail(what);
}

// Checks what the procedure reports as it reports it.
struct CheckingSink : ProgressSink {
    explicit CheckingSink(bool answer) : answer(answer) {}
    void logLine(const QString& line) override { (void)line.size(); }
    void setGauge(Gauge, int percent) override
    {
        check(percent >= 0 && percent <= 100, "a gauge outside 0..100");
    }
    void printerLine(const QByteArray& line) override
    {
        check(line.size() <= PrinterCapture::kLineWidth, "a printed line is longer than the printer's");
        for (char c : line)
            check(uint8_t(c) >= 0x20, "a printed line holds a control byte");
        ++lines;
    }
    bool ask(const QString&) override { return answer; }
    bool answer;
    int lines = 0;
};

// Where the trace mode keeps what was read back; made once, in memory where there is room.
const QString& traceFile()
{
    static const QString path = [] {
        const QFileInfo shm(QStringLiteral("/dev/shm"));
        const QString dir = shm.isDir() && shm.isWritable() ? shm.filePath() : QDir::tempPath();
        static QString file = QDir(dir).filePath(QStringLiteral("fuzz_serial.%1.fil").arg(::getpid()));
        std::atexit([] { QFile::remove(file); });
        return file;
    }();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const QByteArrayView input(reinterpret_cast<const char*>(data) + 2, qsizetype(size - 2));
    static constexpr int kKinds[] = {LinkRs232, LinkIrpsEcho, LinkIrps, LinkRs485};
    const int kind = kKinds[(data[1] & 1) | (data[1] >> 4 & 2)];
    const int mode = data[1] >> 1 & 7;
    const bool trace = data[1] & 0x40;

    Clockwork clock;
    StopFlag stop{false};
    InputLine line(input, clock, stop);
    ComLink link(line, clock);
    link.OpenComPort(QStringLiteral("fuzz"), data[0] % 8, kind);
    CheckingSink sink(mode != 7);

    AdapterOptions adapter;
    adapter.linkKind = kind;
    adapter.trace = trace;
    adapter.traceFile = traceFile();
    NetworkOptions network;
    network.linkKind = kind;
    network.trace = trace;
    network.password = mode == 7 ? QString() : QStringLiteral("1A2B");

    const QByteArray image(200, 'x');
    const ImageBlocks blocks = cutIntoBlocks(image, 64);
    Outcome outcome = Outcome::Failed;
    switch (mode) {
    case 0:
        outcome = programAdapter(link, blocks, adapter, sink, stop);
        break;
    case 1:
    case 5:
        outcome = printTest(link, mode == 1 ? CmdHourlyTest : CmdArchiveTest, adapter, sink, stop);
        break;
    case 4: {
        QByteArray readBack;
        outcome = verifyAdapter(link, blocks, adapter, sink, stop, &readBack);
        check(readBack.size() <= blocks.count() * 64, "more was read back than the image holds");
        if (outcome == Outcome::Done)
            check(readBack.startsWith(image), "an image was verified that was not read back");
        break;
    }
    case 6: {
        const int echo = link.ProbeEcho(kind);
        const bool irps = kind == LinkIrps || kind == LinkIrpsEcho;
        check(irps ? echo == LinkIrps || echo == LinkIrpsEcho : echo == kind,
              "the echo probe gives another link kind");
        adapter.linkKind = echo;
        outcome = programAdapter(link, blocks, adapter, sink, stop);
        break;
    }
    default:
        outcome =
            VirelProgrammer(link, network, sink, stop).program(cutIntoBlocks(QByteArray(300, 'y'), 128));
        break;
    }
    // Programming is done only when the image was read back: the device must have sent it.
    if (outcome == Outcome::Done && (mode == 0 || mode == 6))
        check(input.count('x') >= image.size(), "an image was verified that was not read back");
    return 0;
}
