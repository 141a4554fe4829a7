// The programming window's settings: caption matching and what a round trip keeps.

#include "devprog/windowsettings.h"
#include "testfiles.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace rastrova::devprog;

TEST(WindowSettingsFile, CaptionsMatchBySubstring)
{
    EXPECT_EQ(matchCaption(speedCaptions(), "9600"), 5); // not "600 "
    EXPECT_EQ(matchCaption(speedCaptions(), "600"), 1);
    EXPECT_EQ(matchCaption(portCaptions(), "com3"), 2);
    EXPECT_EQ(matchCaption(channelCaptions(), "485"), 2);
    EXPECT_EQ(matchCaption(channelCaptions(), ""), -1);
    EXPECT_EQ(matchCaption(portCaptions(), "Com5"), -1);
}

TEST(WindowSettingsFile, ReadsWhatIsThereAndKeepsTheRest)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("RASTROVA.INI");
    testfiles::writeCp1251(path, "[FIRST]\r\nPUT=C:\\BASE\r\n[Parametrs]\r\nOla=yes\r\nAdapter=YES\r\nPort=com3\r\n"
                                 "Basespeed=9600\r\nCRC=2\r\nNetNumber=x12\r\nCom3Device=/dev/pts/7\r\n");
    WindowSettings start;
    start.linkKind = 8;
    const WindowSettings s = readWindowSettings(path, start);
    EXPECT_TRUE(s.trace);
    EXPECT_EQ(s.pageIndex, 0);
    EXPECT_EQ(s.portIndex, 2);
    EXPECT_EQ(s.linkKind, 8); // no "Channel": the kind stays
    EXPECT_EQ(s.baudIndex, 5);
    EXPECT_EQ(s.checksumOption, 0); // only another protocol has the option
    EXPECT_EQ(s.networkNumber, 0);
    EXPECT_EQ(s.devices[2], "/dev/pts/7");
    EXPECT_EQ(s.devices[0], "/dev/ttyS0");

    WindowSettings w = s;
    w.pageIndex = 1;
    w.linkKind = 2; // the echoing ИРПС line is stored as "ИРПС"
    w.baudIndex = 6;
    w.networkNumber = 17;
    ASSERT_TRUE(writeWindowSettings(path, w));
    const QString text = rastrova::text::fromCp1251(testfiles::readRaw(path));
    EXPECT_TRUE(text.contains("PUT=C:\\BASE"));
    EXPECT_TRUE(text.contains(QStringLiteral("Channel=ИРПС")));
    EXPECT_TRUE(text.contains("Adapter=NO"));
    const WindowSettings back = readWindowSettings(path, WindowSettings{});
    EXPECT_EQ(back.linkKind, 1);
    EXPECT_EQ(back.baudIndex, 6);
    EXPECT_EQ(back.networkNumber, 17);
    EXPECT_EQ(back.pageIndex, 1);
    EXPECT_EQ(back.devices[2], "/dev/pts/7");
}
