// Why a serial port did not open, as the programming window and rastrova-cli say it.

#include "devprog/portaccess.h"

#include <gtest/gtest.h>

#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

using namespace rastrova::devprog;

namespace {

PortAccess access(const QString& group, bool root = false, bool pending = false)
{
    PortAccess a;
    a.device = QStringLiteral("/dev/ttyUSB0");
    a.group = group;
    a.groupIsRoot = root;
    a.user = QStringLiteral("ivanov");
    a.memberNotActive = pending;
    return a;
}

} // namespace

TEST(PortOpenReason, NoPermissionNamesTheDevicesGroupAndTheCommand)
{
    EXPECT_EQ(
        portOpenFailureReason(PortOpenFailure::NoPermission, access(QStringLiteral("dialout"))),
        QStringLiteral(": нет прав на чтение и запись устройства /dev/ttyUSB0. Устройство принадлежит группе "
                       "«dialout»: добавьте в неё пользователя ivanov командой\n"
                       "sudo usermod -aG dialout ivanov\n"
                       "и войдите в систему заново."));
    // The group is the device's, whatever it is called.
    const QString uucp = portOpenFailureReason(PortOpenFailure::NoPermission, access(QStringLiteral("uucp")));
    EXPECT_TRUE(uucp.contains(QStringLiteral("sudo usermod -aG uucp ivanov"))) << uucp.toStdString();
    EXPECT_FALSE(uucp.contains(QStringLiteral("dialout"))) << uucp.toStdString();
}

TEST(PortOpenReason, MembershipNotYetInEffectAsksForANewLogin)
{
    const QString text =
        portOpenFailureReason(PortOpenFailure::NoPermission, access(QStringLiteral("dialout"), false, true));
    EXPECT_EQ(text, QStringLiteral(
                        ": нет прав на чтение и запись устройства /dev/ttyUSB0. Пользователь ivanov уже "
                        "входит в группу «dialout», владеющую устройством, но это действует только после "
                        "нового входа: выйдите из системы и войдите снова."));
    EXPECT_FALSE(text.contains(QStringLiteral("usermod")));
}

TEST(PortOpenReason, NoUsableGroupSendsTheUserToTheAdministrator)
{
    // Adding a user to the superuser's group is no advice to give.
    for (const PortAccess& a : {access(QString()), access(QStringLiteral("root"), true)}) {
        const QString text = portOpenFailureReason(PortOpenFailure::NoPermission, a);
        EXPECT_EQ(text, QStringLiteral(": нет прав на чтение и запись устройства /dev/ttyUSB0. Попросите "
                                       "администратора дать пользователю ivanov доступ к этому устройству."));
    }
}

TEST(PortOpenReason, BusyAndOtherFailures)
{
    EXPECT_EQ(portOpenFailureReason(PortOpenFailure::Busy, access(QStringLiteral("dialout"))),
              QStringLiteral(": устройство /dev/ttyUSB0 занято другой программой; закройте её и повторите."));
    // A missing device is named by the message itself.
    EXPECT_TRUE(
        portOpenFailureReason(PortOpenFailure::NotFound, access(QStringLiteral("dialout"))).isEmpty());
    EXPECT_TRUE(portOpenFailureReason(PortOpenFailure::Other, access(QStringLiteral("dialout"))).isEmpty());
    EXPECT_TRUE(portOpenFailureReason(PortOpenFailure::None, access(QStringLiteral("dialout"))).isEmpty());
}

TEST(PortOpenFailureKind, FromThePortsErrorAndTheFileSystem)
{
    QTemporaryDir dir;
    const QString missing = QDir(dir.path()).filePath(QStringLiteral("ttyNone"));
    const QString present = QDir(dir.path()).filePath(QStringLiteral("ttyHere"));
    testfiles::writeRaw(present, QByteArray());

    EXPECT_EQ(classifyOpenFailure(false, true, missing), PortOpenFailure::NotFound);
    EXPECT_EQ(classifyOpenFailure(true, false, missing), PortOpenFailure::NotFound);
    EXPECT_EQ(classifyOpenFailure(false, false, present), PortOpenFailure::Other);
    // A permission error on a device this process may read and write is a lock or
    // another program holding it.
    ASSERT_EQ(::access(QFile::encodeName(present).constData(), R_OK | W_OK), 0);
    EXPECT_EQ(classifyOpenFailure(true, false, present), PortOpenFailure::Busy);
    if (geteuid() != 0) {
        // The superuser may open anything; for anyone else a file without permissions is refused.
        ASSERT_EQ(::chmod(QFile::encodeName(present).constData(), 0), 0);
        EXPECT_EQ(classifyOpenFailure(true, false, present), PortOpenFailure::NoPermission);
    }
}

TEST(PortAccessLookUp, NamesTheGroupOfTheDeviceNode)
{
    QTemporaryDir dir;
    const QString node = QDir(dir.path()).filePath(QStringLiteral("ttyHere"));
    testfiles::writeRaw(node, QByteArray());
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(node).constData(), &st), 0);

    const PortAccess a = lookUpPortAccess(node);
    EXPECT_EQ(a.device, node);
    EXPECT_EQ(a.groupIsRoot, st.st_gid == 0);
    EXPECT_FALSE(a.group.isEmpty()); // the file's group is this process's, which has a name
    EXPECT_FALSE(a.user.isEmpty());
    // A file made by this process has one of its groups: the membership is in effect.
    EXPECT_FALSE(a.memberNotActive);

    const PortAccess none = lookUpPortAccess(QDir(dir.path()).filePath(QStringLiteral("ttyNone")));
    EXPECT_TRUE(none.group.isEmpty());
    EXPECT_FALSE(none.memberNotActive);
}
