#pragma once
// The thread the programming window's device work runs on. The serial port
// lives here, so the window never waits on a device; what the procedures report
// comes back as queued signals.

#include "devprog/adapterprog.h"
#include "devprog/comlink.h"
#include "devprog/serialport.h"
#include "devprog/sink.h"

#include <QObject>
#include <QThread>
#include <functional>
#include <memory>

namespace rastrova::app {

class ProgrammingWorker : public QObject {
    Q_OBJECT
public:
    explicit ProgrammingWorker(devprog::StopFlag& stop);
    ~ProgrammingWorker() override;

    // Asked from the window's thread; they wait for the worker's thread.
    bool openPort(const QString& device, int baudIndex, int linkKind);
    void closePort();
    // Why the last openPort() failed.
    devprog::PortOpenFailure openFailure() const { return openFailure_; }

    // Queued onto the worker's thread; each ends with finished().
    void startProgramming(const QString& imagePath, int linkKind, bool trace, const QString& traceFile);
    void startPrintTest(int command, int linkKind, bool trace);
    void startNetwork(const QString& imagePath, int linkKind, bool trace, const QString& password);

    // Asked from the window's thread: the echo probe on the open port.
    int probeEcho(int linkKind);

    // Where the procedures' questions and messages are shown: functions run on
    // the thread of `gui` while the procedure waits for their answer.
    void setUserDialogs(QObject* gui, std::function<bool(const QString&)> ask,
                        std::function<void(const QString&)> notice);

signals:
    void logLine(const QString& line);
    void gauge(int which, int percent);
    void printerLine(const QByteArray& cp866);
    void printerStep();
    void waitBar(int event);
    void passwordNotHex();
    void finished(int outcome);

private:
    class Sink;
    void ensureLink();
    // On the worker's thread: reads the image in blocks, runs `procedure` on
    // them, and reports finished().
    void runOnImage(const QString& imagePath, int blockSize,
                    std::function<devprog::Outcome(const devprog::ImageBlocks&, devprog::ProgressSink&)> procedure);
    devprog::ComLink& link();

    QThread thread_;
    devprog::StopFlag& stop_;
    // Made on the worker's thread, which then owns the port.
    std::unique_ptr<devprog::SerialPortLine> line_;
    devprog::SteadyClock clock_;
    std::unique_ptr<devprog::ComLink> link_;
    devprog::PortOpenFailure openFailure_ = devprog::PortOpenFailure::None;
    QObject* gui_ = nullptr;
    std::function<bool(const QString&)> ask_;
    std::function<void(const QString&)> notice_;
};

} // namespace rastrova::app
