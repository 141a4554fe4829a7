// Programming through the controller over a real pseudo-terminal against
// rastrova-sim controller: the whole procedure with RUN, the electronic key,
// the password, a controller that never stops, a refused block, an echoing line.

#include "clirun.h"
#include "simprocess.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

using namespace integration;
using simprocess::Simulator;

namespace {

CliRun programNetwork(const Simulator& sim, const QString& image, const QStringList& more)
{
    return cli(QStringList{"program", "network", "--device", sim.device(), "--baud", "19200"} + more + QStringList{image});
}

QByteArray padded(QByteArray b)
{
    b.append((128 - b.size() % 128) % 128, char(0xFF));
    return b;
}

TEST(ControllerOverPty, ProgramsAndGoesBackToRun)
{
    ExampleImage image;
    Simulator sim("controller", {"--password", "1A2B"});
    const CliRun run = programNetwork(sim, image.path, {"--link", "rs232", "--password", "1a2b", "--run", "yes"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QStringLiteral("Чтение банков из файла ") + image.path +
                           "\nВИРЕЛ находится в состоянии РАБОТА\nВИРЕЛ находится в состоянии ОСТАНОВ\n"
                           "Копирование в буфер репрогрммации    OK\nПрограммирование закончено успешно\n"
                           "Перевести ВИРЕЛ в режим \"РАБОТА\" ? Да\nПеревод ВИРЕЛ в режим \"РАБОТА\"\n"
                           "ВИРЕЛ находится в состоянии РАБОТА\n");
    EXPECT_EQ(sim.dump(), padded(image.bytes));
}

TEST(ControllerOverPty, KeyAndPassword)
{
    QTemporaryDir dir;
    const QString image = writeImage(dir, pattern(300));
    {
        Simulator sim("controller", {"--key-missing", "--state", "stop"});
        const CliRun no = programNetwork(sim, image, {"--link", "rs232"});
        EXPECT_EQ(no.exitCode, 1);
        EXPECT_TRUE(no.out.endsWith(QStringLiteral("Установите электронный ключ  Нет\n"))) << no.out.toStdString();
        const CliRun yes = programNetwork(sim, image, {"--link", "rs232", "--key", "yes"});
        EXPECT_EQ(yes.exitCode, 0) << yes.out.toStdString();
        EXPECT_EQ(sim.dump(), padded(pattern(300)));
    }
    Simulator sim("controller", {"--password", "1A2B", "--state", "stop"});
    const CliRun wrong = programNetwork(sim, image, {"--link", "rs232", "--password", "12345"});
    EXPECT_EQ(wrong.exitCode, 1);
    EXPECT_TRUE(wrong.err.contains(QStringLiteral("Задан неверный пароль доступа 12345"))) << wrong.err.toStdString();
    EXPECT_EQ(sim.dump(), QByteArray());
}

TEST(ControllerOverPty, ControllerThatNeverStops)
{
    QTemporaryDir dir;
    Simulator sim("controller", {"--never-stop"});
    QElapsedTimer t;
    t.start();
    const CliRun run = programNetwork(sim, writeImage(dir, pattern(300)), {"--link", "rs232"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.out.endsWith(QStringLiteral("Невозможно перевести ВИРЕЛ в состояние СТОП\n"))) << run.out.toStdString();
    EXPECT_GE(t.elapsed(), 14688);
    EXPECT_LT(t.elapsed(), 20000);
}

TEST(ControllerOverPty, RefusedBlockAndEchoingLine)
{
    QTemporaryDir dir;
    const QString image = writeImage(dir, pattern(500));
    {
        Simulator sim("controller", {"--nak-block", "1"});
        const CliRun run = programNetwork(sim, image, {"--link", "rs232", "--run", "yes"});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.out.endsWith(QStringLiteral("NB= 0001 Несовпадение контрольной суммы при передаче данных по адресу  \n"
                                                    "ВИРЕЛ остался в состоянии СТОП\n")))
            << run.out.toStdString();
        EXPECT_FALSE(run.out.contains(QStringLiteral("Перевести ВИРЕЛ"))); // no RUN after a failed block
    }
    Simulator sim("controller", {"--echo", "--state", "stop"});
    const CliRun run = programNetwork(sim, image, {"--link", "irps"});
    EXPECT_EQ(run.exitCode, 0) << run.out.toStdString();
    EXPECT_EQ(sim.dump(), padded(pattern(500)));
}

} // namespace
