#pragma once
// What the integration tests share: running rastrova-cli, the example print
// file compiled, test images.

#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace integration {

struct CliRun {
    int exitCode = -1;
    QString out, err;
};

inline CliRun cli(const QStringList& args, int timeoutMs = 60000)
{
    QProcess p;
    p.start(QStringLiteral(RASTROVA_CLI_PATH), args);
    CliRun r;
    if (!p.waitForFinished(timeoutMs)) {
        ADD_FAILURE() << "rastrova-cli did not finish";
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.exitCode = p.exitCode();
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

// The example print file, compiled as "Обмен" compiles it.
struct ExampleImage {
    QTemporaryDir dir;
    QString path;
    QByteArray bytes;
    ExampleImage()
    {
        const QString name = QStringLiteral("Котельная Северная");
        const QString folder = dir.filePath(name);
        QDir().mkpath(folder);
        const QDir src(QStringLiteral(RASTROVA_EXAMPLES_DIR "/base/") + name);
        for (const QString& f : src.entryList(QDir::Files))
            QFile::copy(src.filePath(f), QDir(folder).filePath(f));
        const CliRun built = cli({"build", folder});
        EXPECT_EQ(built.exitCode, 0) << built.err.toStdString();
        path = QDir(folder).filePath("info.bin");
        bytes = testfiles::readRaw(path);
    }
};

inline QString writeImage(QTemporaryDir& dir, const QByteArray& bytes)
{
    const QString path = dir.filePath("image.bin");
    testfiles::writeRaw(path, bytes);
    return path;
}

inline QByteArray pattern(int n)
{
    QByteArray b(n, 0);
    for (int i = 0; i < n; ++i)
        b[i] = char((i * 13 + i / 256) & 0xFF);
    return b;
}

} // namespace integration
