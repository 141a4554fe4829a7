// The programming window's message for a port that does not open keeps its first
// words and, when the reason is known, says it.

#include "devprog/serialport.h"
#include "simprocess.h"
#include "widgethelpers.h"

#include <QComboBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolButton>

using simprocess::Simulator;
using widgettest::named;

TEST(ProgrammingWindowPort, APortHeldElsewhereIsNamedBusy)
{
    Simulator sim("adapter");
    rastrova::devprog::SerialPortLine holder;
    ASSERT_TRUE(holder.open(sim.device())); // the port and its lock are taken

    QTemporaryDir home;
    {
        QFile ini(QDir(home.path()).filePath("RASTROVA.INI"));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write(rastrova::text::toCp1251Lossy(
            "[Parametrs]\r\nPort=Com1\r\nChannel=RS-232\r\nCom1Device=" + sim.device() + "\r\n"));
    }
    widgettest::MessageLog messages;
    TAUstr w;
    w.setProgramPaths(rastrova::store::resolveProgramPaths(home.path(), home.path()));
    w.show();
    named<QTabWidget>(&w, "PC")->setCurrentIndex(0);
    ASSERT_EQ(named<QComboBox>(&w, "ComDevice")->currentText(), sim.device());

    named<QToolButton>(&w, "SpeedButton1")->click();
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].text,
              QStringLiteral("Ошибка инициализации СОМ-порта Com1 (") + sim.device() +
                  QStringLiteral("): устройство ") + sim.device() +
                  QStringLiteral(" занято другой программой; закройте её и повторите."));
    EXPECT_FALSE(w.isBusy());
    EXPECT_FALSE(named<QToolButton>(&w, "SpeedButton1")->isChecked());

    // Released, the port opens: no message, and the window goes to work.
    holder.close();
    messages.messages.clear();
    named<QToolButton>(&w, "SpeedButton1")->click();
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_TRUE(w.isBusy());
    QElapsedTimer t;
    t.start();
    while (w.isBusy() && t.elapsed() < 30000)
        QTest::qWait(10);
    EXPECT_FALSE(w.isBusy());
}
