#include "programmingworker.h"

#include "devprog/adapterprog.h"
#include "devprog/networkprog.h"

#include <QMetaObject>

namespace rastrova::app {

using namespace devprog;

class ProgrammingWorker::Sink : public ProgressSink {
public:
    explicit Sink(ProgrammingWorker& w) : w_(w) {}
    void logLine(const QString& line) override { emit w_.logLine(line); }
    void setGauge(Gauge g, int percent) override { emit w_.gauge(int(g), percent); }
    void printerLine(const QByteArray& cp866) override { emit w_.printerLine(cp866); }
    void printerStep() override { emit w_.printerStep(); }
    void waitBar(WaitBar event) override { emit w_.waitBar(int(event)); }
    void passwordNotHex() override { emit w_.passwordNotHex(); }
    bool ask(const QString& text) override
    {
        bool yes = false;
        if (w_.gui_ && w_.ask_ && !w_.stop_.load())
            QMetaObject::invokeMethod(w_.gui_, [&] { yes = w_.ask_(text); }, Qt::BlockingQueuedConnection);
        return yes;
    }
    void notice(const QString& text) override
    {
        if (w_.gui_ && w_.notice_)
            QMetaObject::invokeMethod(w_.gui_, [f = w_.notice_, text] { f(text); }, Qt::QueuedConnection);
    }

private:
    ProgrammingWorker& w_;
};

ProgrammingWorker::ProgrammingWorker(StopFlag& stop) : stop_(stop)
{
    thread_.setObjectName(QStringLiteral("programming"));
    moveToThread(&thread_);
    thread_.start();
}

ProgrammingWorker::~ProgrammingWorker()
{
    stop_ = true;
    // The port belongs to the worker's thread: close it there.
    QMetaObject::invokeMethod(this, [this] {
        link_.reset();
        line_.reset();
        moveToThread(nullptr);
    }, Qt::BlockingQueuedConnection);
    thread_.quit();
    thread_.wait();
}

void ProgrammingWorker::ensureLink()
{
    if (!line_) {
        line_ = std::make_unique<SerialPortLine>(&stop_);
        link_ = std::make_unique<ComLink>(*line_, clock_);
    }
}

ComLink& ProgrammingWorker::link()
{
    ensureLink();
    return *link_;
}

bool ProgrammingWorker::openPort(const QString& device, int baudIndex, int linkKind)
{
    bool opened = false;
    QMetaObject::invokeMethod(this, [&] {
        link().CloseComPort();
        opened = link().OpenComPort(device, baudIndex, linkKind);
        openFailure_ = line_->openFailure();
        link().SetAttemptCount(1);
    }, Qt::BlockingQueuedConnection);
    return opened;
}

int ProgrammingWorker::probeEcho(int linkKind)
{
    int kind = linkKind;
    QMetaObject::invokeMethod(this, [&] { kind = link().ProbeEcho(linkKind); }, Qt::BlockingQueuedConnection);
    return kind;
}

void ProgrammingWorker::setUserDialogs(QObject* gui, std::function<bool(const QString&)> ask,
                                       std::function<void(const QString&)> notice)
{
    gui_ = gui;
    ask_ = std::move(ask);
    notice_ = std::move(notice);
}

void ProgrammingWorker::closePort()
{
    QMetaObject::invokeMethod(this, [this] {
        if (link_)
            link_->CloseComPort();
    }, Qt::BlockingQueuedConnection);
}

void ProgrammingWorker::runOnImage(const QString& imagePath, int blockSize,
                                   std::function<Outcome(const ImageBlocks&, ProgressSink&)> procedure)
{
    QMetaObject::invokeMethod(this, [=, this] {
        Sink sink(*this);
        ImageBlocks image;
        const Outcome outcome = ReadImageBlocks(imagePath, blockSize, kAdapterMemoryBytes, image, sink)
                                    ? procedure(image, sink)
                                    : Outcome::Failed;
        emit finished(int(outcome));
    });
}

void ProgrammingWorker::startProgramming(const QString& imagePath, int linkKind, bool trace,
                                         const QString& traceFile)
{
    AdapterOptions options;
    options.linkKind = linkKind;
    options.trace = trace;
    options.traceFile = traceFile;
    runOnImage(imagePath, 64, [=, this](const ImageBlocks& image, ProgressSink& sink) {
        return programAdapter(link(), image, options, sink, stop_);
    });
}

void ProgrammingWorker::startPrintTest(int command, int linkKind, bool trace)
{
    QMetaObject::invokeMethod(this, [=, this] {
        Sink sink(*this);
        AdapterOptions options;
        options.linkKind = linkKind;
        options.trace = trace;
        emit finished(int(printTest(link(), uint8_t(command), options, sink, stop_)));
    });
}

void ProgrammingWorker::startNetwork(const QString& imagePath, int linkKind, bool trace, const QString& password)
{
    NetworkOptions options;
    options.linkKind = linkKind;
    options.trace = trace;
    options.password = password;
    runOnImage(imagePath, 128, [=, this](const ImageBlocks& image, ProgressSink& sink) {
        return VirelProgrammer(link(), options, sink, stop_).program(image);
    });
}

} // namespace rastrova::app
