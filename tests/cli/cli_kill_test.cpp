// rastrova-cli build killed at random moments: every file it writes is, after
// each kill, either what it was or what the build makes of it, never torn or
// empty, and the temporaries a kill leaves behind go with the next build.

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <map>
#include <random>
#include <set>

namespace {

const QString kPrintFile = QStringLiteral("Котельная Северная");
const QString kHourly = QStringLiteral("Часовой отчёт");
// What `build` writes.
const QStringList kOutputs = {QStringLiteral("Часовой отчёт.bin"), QStringLiteral("Часовой отчёт.rep"),
                              QStringLiteral("Суточный архив.bin"), QStringLiteral("Суточный архив.rep"),
                              QStringLiteral("info.bin")};

QByteArray bytesOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void put(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

bool runBuild(const QString& folder)
{
    QProcess p;
    p.start(QStringLiteral(RASTROVA_CLI_PATH), {QStringLiteral("build"), folder});
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

} // namespace

TEST(CliKill, EveryFileIsItsOldOrItsNewContentAfterAKillAtAnyMoment)
{
    QTemporaryDir dir;
    const QString folder = QDir(dir.path()).filePath(kPrintFile);
    ASSERT_TRUE(QDir().mkpath(folder));
    const QDir from(QStringLiteral(RASTROVA_EXAMPLES_DIR "/base/") + kPrintFile);
    for (const QString& name : from.entryList(QDir::Files))
        ASSERT_TRUE(QFile::copy(from.filePath(name), QDir(folder).filePath(name)));

    // Two versions of the hourly blank, each built once for the files it gives.
    const QString blankFile = QDir(folder).filePath(kHourly + QStringLiteral(".ini"));
    const QByteArray first = bytesOf(blankFile);
    QByteArray second = first;
    ASSERT_TRUE(second.contains("SETN=0"));
    second.replace("SETN=0", "SETN=7");
    std::map<QString, std::set<QByteArray>> allowed;
    for (const QByteArray& version : {first, second}) {
        put(blankFile, version);
        ASSERT_TRUE(runBuild(folder));
        for (const QString& name : kOutputs)
            allowed[name].insert(bytesOf(QDir(folder).filePath(name)));
    }
    ASSERT_EQ(allowed[kOutputs[0]].size(), 2u) << "the two versions give the same image";

    // Kills at moments spread over a whole build.
    QElapsedTimer timer;
    timer.start();
    ASSERT_TRUE(runBuild(folder));
    const qint64 buildMs = std::max<qint64>(timer.elapsed(), 5);

    std::mt19937 random(2026);
    int kills = 0, runs = 0;
    timer.restart();
    while (runs < 400 && timer.elapsed() < 30000) {
        put(blankFile, random() % 2 ? first : second);
        QProcess p;
        p.start(QStringLiteral(RASTROVA_CLI_PATH), {QStringLiteral("build"), folder});
        ASSERT_TRUE(p.waitForStarted());
        QThread::usleep(random() % (buildMs * 1000));
        if (p.state() != QProcess::NotRunning) {
            p.kill();
            ++kills;
        }
        p.waitForFinished();
        ++runs;
        for (const QString& name : kOutputs) {
            const QByteArray now = bytesOf(QDir(folder).filePath(name));
            ASSERT_TRUE(allowed[name].count(now)) << name.toStdString() << " is torn after run " << runs << " ("
                                                  << now.size() << " bytes)";
        }
    }
    EXPECT_GT(kills, runs / 4) << "the kills came too late to hit a build";

    // The next build clears what the kills left, and leaves nothing of its own.
    ASSERT_TRUE(runBuild(folder));
    QStringList expected = from.entryList(QDir::Files) + kOutputs;
    expected.removeDuplicates();
    expected.sort();
    QStringList present = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    present.sort();
    EXPECT_EQ(present, expected);
    RecordProperty("runs", runs);
    RecordProperty("kills", kills);
}
