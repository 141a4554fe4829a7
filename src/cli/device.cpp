#include "device.h"

#include "devprog/adapterprog.h"
#include "devprog/networkprog.h"
#include "devprog/serialport.h"
#include "devprog/windowsettings.h"
#include "driverlink/deviceops.h"
#include "status.h"
#include "text/codepage.h"

#include <QFile>

#include <csignal>
#include <functional>
#include <cstdio>
#include <unistd.h>

namespace rastrova::cli {

using namespace devprog;

namespace {

enum Exit { ExitOk = 0, ExitDevice = 1, ExitUsage = 2, ExitFile = 3 };

// Ctrl+C asks the running procedure to stop; it ends at its next check.
StopFlag gStop{false};
static_assert(StopFlag::is_always_lock_free);

extern "C" void onInterrupt(int)
{
    gStop = true;
}

void writeOut(const QByteArray& bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

void writeErr(const QString& line)
{
    const QByteArray bytes = (QStringLiteral("rastrova-cli: ") + line + u'\n').toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
}

// Log lines on stdout; on a terminal, a bar on stderr for the gauges.
class ConsoleSink : public ProgressSink {
public:
    // `logToStderr`: stdout is kept for the printer's text.
    explicit ConsoleSink(bool logToStderr = false) : bar_(isatty(fileno(stderr)) != 0), logToStderr_(logToStderr) {}
    ~ConsoleSink() override { endBar(); }

    void logLine(const QString& line) override
    {
        endBar();
        QString text = line;
        text.replace(u'\r', u'\n');
        if (logToStderr_)
            writeErr(text);
        else
            writeOut((text + u'\n').toUtf8());
    }
    void setGauge(Gauge gauge, int percent) override
    {
        if (!bar_)
            return;
        const char* what = gauge == Gauge::Write ? "Запись" : gauge == Gauge::Read ? "Чтение" : "Передача";
        const int filled = percent * 40 / 100;
        std::fprintf(stderr, "\r%s [%s%s] %3d%%", what, std::string(size_t(filled), '#').c_str(),
                     std::string(size_t(40 - filled), '.').c_str(), percent);
        std::fflush(stderr);
        shown_ = true;
    }
    void printerLine(const QByteArray& cp866) override { writeOut((text::fromCp866(cp866) + u'\n').toUtf8()); }
    // The procedure's questions are answered from the options, and said.
    bool ask(const QString& text) override
    {
        const bool yes = answer(text);
        logLine(text + (yes ? QStringLiteral(" Да") : QStringLiteral(" Нет")));
        return yes;
    }
    void notice(const QString& text) override
    {
        endBar();
        writeErr(text);
    }
    void passwordNotHex() override { writeErr(QStringLiteral("пароль доступа должен быть шестнадцатеричным числом")); }
    std::function<bool(const QString&)> answer = [](const QString&) { return false; };

private:
    void endBar()
    {
        if (shown_) {
            std::fputc('\n', stderr);
            shown_ = false;
        }
    }
    bool bar_;
    bool logToStderr_;
    bool shown_ = false;
};

int effectiveLinkKind(const DeviceOptions& options)
{
    if (options.linkKind >= 0)
        return options.linkKind;
    return readWindowSettings(options.settingsFile, WindowSettings{}).linkKind;
}

// The port, opened as the window opens it: 2400 baud for the adapter.
class AdapterSession {
public:
    explicit AdapterSession(const DeviceOptions& options, int baudIndex = 3)
        : line_(&gStop), link_(line_, clock_), kind_(effectiveLinkKind(options))
    {
        std::signal(SIGINT, onInterrupt);
        std::signal(SIGTERM, onInterrupt);
        opened_ = link_.OpenComPort(options.device, baudIndex, kind_);
        if (!opened_) {
            // A port the user may not open says why and how to fix it; other
            // failures carry the system's words.
            QString reason = portOpenFailureReason(line_.openFailure(), lookUpPortAccess(options.device));
            if (reason.isEmpty() && !line_.lastError().isEmpty())
                reason = QStringLiteral(": ") + line_.lastError();
            writeErr(QStringLiteral("Ошибка инициализации СОМ-порта ") + options.device + reason);
        }
        link_.SetAttemptCount(1);
    }
    bool opened() const { return opened_; }
    // The echo probe of the network route may turn ИРПС into its echoing kind.
    void probeEcho() { kind_ = link_.ProbeEcho(kind_); }
    int linkKind() const { return kind_; }
    ComLink& link() { return link_; }
    AdapterOptions options() const
    {
        AdapterOptions o;
        o.linkKind = kind_;
        return o;
    }

private:
    SerialPortLine line_;
    SteadyClock clock_;
    ComLink link_;
    int kind_;
    bool opened_ = false;
};

int exitOf(Outcome outcome)
{
    return outcome == Outcome::Done ? ExitOk : ExitDevice;
}

// Reads the image before the port is touched; a file that cannot be read is a
// file error.
bool readImage(const QString& path, ConsoleSink& sink, ImageBlocks& image)
{
    return ReadImageBlocks(path, 64, kAdapterMemoryBytes, image, sink);
}

} // namespace

int linkKindOfName(const QString& name)
{
    if (name == u"rs232")
        return LinkRs232;
    if (name == u"irps")
        return LinkIrps;
    if (name == u"irps-echo")
        return LinkIrpsEcho;
    if (name == u"rs485")
        return LinkRs485;
    return -1;
}

namespace {
// Reads the image, opens the port as the window opens it for the adapter, and
// runs `work`; a file that cannot be read is a file error, a port that does not
// open a device failure.
int onAdapter(const QString& imagePath, const DeviceOptions& options,
              const std::function<int(AdapterSession&, const ImageBlocks&, ConsoleSink&)>& work)
{
    ConsoleSink sink;
    ImageBlocks image;
    if (!readImage(imagePath, sink, image))
        return ExitFile;
    AdapterSession session(options);
    if (!session.opened())
        return ExitDevice;
    return work(session, image, sink);
}
} // namespace

int programAdapter(const QString& imagePath, const DeviceOptions& options)
{
    return onAdapter(imagePath, options, [](AdapterSession& session, const ImageBlocks& image, ConsoleSink& sink) {
        return exitOf(devprog::programAdapter(session.link(), image, session.options(), sink, gStop));
    });
}

int verifyAdapter(const QString& imagePath, const DeviceOptions& options)
{
    return onAdapter(imagePath, options, [&](AdapterSession& session, const ImageBlocks& image, ConsoleSink& sink) {
        QByteArray read;
        const Outcome outcome = devprog::verifyAdapter(session.link(), image, session.options(), sink, gStop, &read);
        if (!options.dumpFile.isEmpty()) {
            const Status st = writeWholeFile(options.dumpFile, read);
            if (!st) {
                writeErr(st.message());
                return int(ExitFile);
            }
        }
        return exitOf(outcome);
    });
}

int programNetwork(const QString& imagePath, const DeviceOptions& options)
{
    ConsoleSink sink;
    ImageBlocks image;
    if (!ReadImageBlocks(imagePath, 128, kAdapterMemoryBytes, image, sink))
        return ExitFile;
    AdapterSession session(options, options.baudIndex);
    if (!session.opened())
        return ExitDevice;
    session.probeEcho();
    sink.answer = [&](const QString& question) {
        return question.startsWith(QStringLiteral("Установите")) ? options.key : options.run;
    };
    NetworkOptions network;
    network.linkKind = session.linkKind();
    network.password = options.password;
    return exitOf(VirelProgrammer(session.link(), network, sink, gStop).program(image));
}

int programCan(const QString& imagePath, const QString& host, int port, int address)
{
    QFile file(imagePath);
    if (!file.open(QIODevice::ReadOnly)) {
        writeErr(QStringLiteral("Ошибка чтения файла ") + imagePath);
        return ExitFile;
    }
    file.close();
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    ConsoleSink sink;
    driverlink::TBfsCl link;
    driverlink::CanExchangeOptions options;
    options.host = host;
    options.port = port;
    options.address = address;
    const Outcome outcome = driverlink::runCanExchange(link, imagePath, options, sink, gStop);
    link.DisconnectFromDriver();
    return exitOf(outcome);
}

int printTest(const QString& kind, const DeviceOptions& options)
{
    ConsoleSink sink(true);
    AdapterSession session(options);
    if (!session.opened())
        return ExitDevice;
    const uint8_t command = kind == u"hourly" ? CmdHourlyTest : CmdArchiveTest;
    const Outcome outcome = devprog::printTest(session.link(), command, session.options(), sink, gStop);
    // Ctrl+C ends a print test as the stop button does: not a failure.
    return outcome == Outcome::Failed ? ExitDevice : ExitOk;
}

} // namespace rastrova::cli
