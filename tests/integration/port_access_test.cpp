// A port that does not open for lack of permission, or because another program
// holds it: rastrova-cli keeps its first words and says why, over a real
// pseudo-terminal of rastrova-sim.

#include "clirun.h"
#include "devprog/serialport.h"
#include "simprocess.h"

#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace rastrova::devprog;
using simprocess::Simulator;
using namespace integration;

namespace {

const QString kStart = QStringLiteral("rastrova-cli: Ошибка инициализации СОМ-порта ");

} // namespace

TEST(PortAccess, APortHeldByAnotherProgramIsNamedBusy)
{
    Simulator sim("adapter");
    SerialPortLine holder;
    ASSERT_TRUE(holder.open(sim.device())); // the port and its lock are this process's now
    EXPECT_EQ(holder.openFailure(), PortOpenFailure::None);

    const CliRun run = cli({"print-test", "hourly", "--device", sim.device(), "--link", "rs232"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, kStart + sim.device() + QStringLiteral(": устройство ") + sim.device() +
                           QStringLiteral(" занято другой программой; закройте её и повторите.\n"));
    holder.close();

    // Released, the same port opens.
    const CliRun again = cli({"print-test", "hourly", "--device", sim.device(), "--link", "rs232"});
    EXPECT_FALSE(again.err.contains(kStart)) << again.err.toStdString();
}

TEST(PortAccess, APortTheUserMayNotOpenNamesItsGroupAndTheFix)
{
    Simulator sim("adapter");
    const QByteArray device = QFile::encodeName(sim.device());
    const QStringList args{"print-test", "hourly", "--device", sim.device(),
                           "--link",     "rs232",  "--home",   "/tmp"};
    QProcess p;
    const bool root = geteuid() == 0;
    if (root) {
        // The pseudo-terminal set up as a serial port is: the group dialout may read
        // and write it, others not. The superuser opens anything, so the tool runs
        // as "nobody", outside the group.
        const group* dialout = getgrnam("dialout");
        ASSERT_NE(dialout, nullptr) << "Debian has the group dialout";
        ASSERT_EQ(::chown(device.constData(), 0, dialout->gr_gid), 0);
        ASSERT_EQ(::chmod(device.constData(), 0660), 0);
        p.start(QStringLiteral("setpriv"),
                QStringList{"--reuid=nobody", "--regid=nogroup", "--clear-groups", RASTROVA_CLI_PATH} + args);
    } else {
        // Anyone else is refused a device without permissions.
        ASSERT_EQ(::chmod(device.constData(), 0), 0);
        p.start(QStringLiteral(RASTROVA_CLI_PATH), args);
    }
    ASSERT_TRUE(p.waitForFinished(60000));
    const QString err = QString::fromUtf8(p.readAllStandardError());
    EXPECT_EQ(p.exitCode(), 1) << err.toStdString();
    const QString reason = kStart + sim.device() +
                           QStringLiteral(": нет прав на чтение и запись устройства ") + sim.device() + u'.';
    EXPECT_TRUE(err.startsWith(reason)) << err.toStdString();
    if (root)
        EXPECT_EQ(err, reason + QStringLiteral(" Устройство принадлежит группе «dialout»: добавьте в неё "
                                               "пользователя nobody командой\n"
                                               "sudo usermod -aG dialout nobody\n"
                                               "и войдите в систему заново.\n"));
}
