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

namespace simprocess {

class Simulator {
public:
    // `device` is "adapter" or "controller"; `options` go after "--pty".
    Simulator(const QString& device, const QStringList& options = {})
    {
        linkFile_ = dir_.filePath(QStringLiteral("link"));
        dumpFile_ = dir_.filePath(QStringLiteral("dump.bin"));
        process_.setProgram(QStringLiteral(RASTROVA_SIM_PATH));
        process_.setArguments(QStringList{device, QStringLiteral("--pty"), QStringLiteral("--link-file"), linkFile_,
                                          QStringLiteral("--dump"), dumpFile_} +
                              options);
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start();
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 10000) {
            QFile f(linkFile_);
            if (f.open(QIODevice::ReadOnly)) {
                path_ = QString::fromUtf8(f.readAll()).trimmed();
                if (!path_.isEmpty())
                    return;
            }
            QThread::msleep(10);
        }
        ADD_FAILURE() << "rastrova-sim " << device.toStdString() << " gave no pseudo-terminal";
    }
    ~Simulator() { stop(); }

    const QString& device() const { return path_; }

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

private:
    QTemporaryDir dir_;
    QString linkFile_;
    QString dumpFile_;
    QString path_;
    QProcess process_;
};

// The driver program on loopback TCP, with its adapter behind it.
class DriverSimulator {
public:
    explicit DriverSimulator(const QStringList& options = {})
    {
        const QString portFile = dir_.filePath(QStringLiteral("port"));
        dumpFile_ = dir_.filePath(QStringLiteral("dump.bin"));
        process_.setProgram(QStringLiteral(RASTROVA_SIM_PATH));
        process_.setArguments(QStringList{QStringLiteral("driver"), QStringLiteral("--port"), QStringLiteral("0"),
                                          QStringLiteral("--port-file"), portFile, QStringLiteral("--dump"),
                                          dumpFile_} +
                              options);
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.setStandardOutputFile(QProcess::nullDevice());
        process_.start();
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 10000 && port_ == 0) {
            QFile f(portFile);
            if (f.open(QIODevice::ReadOnly))
                port_ = QString::fromUtf8(f.readAll()).trimmed().toInt();
            if (port_ == 0)
                QThread::msleep(10);
        }
        if (port_ == 0)
            ADD_FAILURE() << "rastrova-sim driver gave no port";
    }
    ~DriverSimulator() { stop(); }

    int port() const { return port_; }
    void stop()
    {
        if (process_.state() == QProcess::NotRunning)
            return;
        process_.terminate();
        if (!process_.waitForFinished(10000)) {
            ADD_FAILURE() << "rastrova-sim driver did not end on SIGTERM";
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

private:
    QTemporaryDir dir_;
    QString dumpFile_;
    int port_ = 0;
    QProcess process_;
};

} // namespace simprocess
