// Replies of a lying or broken device, from arbitrary bytes: the adapter and
// controller protocols and the procedures on top of them read what the input
// gives, on a fake clock, and must never crash, hang or run past their bounds.

#include "devprog/adapterprog.h"
#include "devprog/networkprog.h"

#include <cstdint>
#include <cstdlib>

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
    InputLine(QByteArrayView input, Clockwork& clock, StopFlag& stop) : input_(input), clock_(clock), stop_(stop) {}
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
        const QByteArray out = input_.sliced(at_, std::min<qsizetype>(want, input_.size() - at_)).toByteArray();
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

struct Quiet : ProgressSink {
    bool ask(const QString&) override { return true; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const QByteArrayView input(reinterpret_cast<const char*>(data) + 2, qsizetype(size - 2));
    Clockwork clock;
    StopFlag stop{false};
    InputLine line(input, clock, stop);
    ComLink link(line, clock);
    link.OpenComPort(QStringLiteral("fuzz"), data[0] % 8, (data[1] & 1) ? LinkIrpsEcho : LinkRs232);
    Quiet sink;
    const int kind = (data[1] & 1) ? LinkIrpsEcho : LinkRs232;
    switch (data[1] >> 1 & 3) {
    case 0: {
        AdapterOptions o;
        o.linkKind = kind;
        programAdapter(link, cutIntoBlocks(QByteArray(200, 'x'), 64), o, sink, stop);
        break;
    }
    case 1: {
        AdapterOptions o;
        o.linkKind = kind;
        printTest(link, CmdHourlyTest, o, sink, stop);
        break;
    }
    default: {
        NetworkOptions o;
        o.linkKind = kind;
        o.password = QStringLiteral("1A2B");
        VirelProgrammer(link, o, sink, stop).program(cutIntoBlocks(QByteArray(300, 'y'), 128));
        break;
    }
    }
    return 0;
}
