#pragma once
// A simulated device in its own process, as the tests' peer: rastrova-sim on a
// new pseudo-terminal, stopped (and its memory dumped) when the test is done.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/prctl.h>

namespace simprocess {

// A simulator process that dumps what it received when it ends.
class SimulatorProcess {
public:
    ~SimulatorProcess() { stop(); }

    // Ends the simulator; its memory is then in dump().
    void stop()
    {
        if (process_.state() == QProcess::NotRunning)
            return;
        process_.terminate();
        if (!process_.waitForFinished(10000)) {
            ADD_FAILURE() << "rastrova-sim did not end on SIGTERM";
            process_.kill();
            process_.waitForFinished();
        }
    }
    QByteArray dump()
    {
        stop();
        QFile f(dumpFile_);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<no dump>");
    }

protected:
    // Starts rastrova-sim with `args` and `--dump`.
    void start(const QStringList& args)
    {
        dumpFile_ = dir_.filePath(QStringLiteral("dump.bin"));
        process_.setProgram(QStringLiteral(RASTROVA_SIM_PATH));
        process_.setArguments(args + QStringList{QStringLiteral("--dump"), dumpFile_});
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.setStandardOutputFile(QProcess::nullDevice());
        // A test that dies (a sanitizer report, a crash) takes its simulator with
        // it; left running, the simulator would hold the test's stderr open and
        // ctest would wait for it until the time-out.
        process_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        process_.start();
    }
    // Waits for the simulator to write `file`, and returns what it holds.
    QString awaitFile(const QString& file)
    {
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 10000) {
            QFile f(file);
            if (f.open(QIODevice::ReadOnly)) {
                const QString text = QString::fromUtf8(f.readAll()).trimmed();
                if (!text.isEmpty())
                    return text;
            }
            QThread::msleep(10);
        }
        return {};
    }

    QTemporaryDir dir_;

private:
    QString dumpFile_;
    QProcess process_;
};

class Simulator : public SimulatorProcess {
public:
    // `device` is "adapter" or "controller"; `options` go after "--pty".
    Simulator(const QString& device, const QStringList& options = {})
    {
        const QString linkFile = dir_.filePath(QStringLiteral("link"));
        start(QStringList{device, QStringLiteral("--pty"), QStringLiteral("--link-file"), linkFile} + options);
        path_ = awaitFile(linkFile);
        if (path_.isEmpty())
            ADD_FAILURE() << "rastrova-sim " << device.toStdString() << " gave no pseudo-terminal";
    }

    const QString& device() const { return path_; }

private:
    QString path_;
};

// The driver program on loopback TCP, with its adapter behind it.
class DriverSimulator : public SimulatorProcess {
public:
    explicit DriverSimulator(const QStringList& options = {})
    {
        const QString portFile = dir_.filePath(QStringLiteral("port"));
        start(QStringList{QStringLiteral("driver"), QStringLiteral("--port"), QStringLiteral("0"),
                          QStringLiteral("--port-file"), portFile} +
              options);
        port_ = awaitFile(portFile).toInt();
        if (port_ == 0)
            ADD_FAILURE() << "rastrova-sim driver gave no port";
    }

    int port() const { return port_; }

private:
    int port_ = 0;
};

} // namespace simprocess
