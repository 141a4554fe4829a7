// The programming window on its first page, against the adapter simulator on a
// pseudo-terminal: through "Обмен" of the main window, the print tests, the
// stop, closing during an operation, and a port that does not open.

#include "simprocess.h"
#include "widgethelpers.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTcpServer>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolButton>

using simprocess::Simulator;
using widgettest::named;

namespace {

const QString kSuccess = QStringLiteral("Информация в адаптер принтера записана верно");

void writeSettings(const QString& home, const QString& extra)
{
    QFile ini(QDir(home).filePath("RASTROVA.INI"));
    ASSERT_TRUE(ini.open(QIODevice::Append));
    ini.write(rastrova::text::toCp1251Lossy(extra));
}

// With RASTROVA_SCREENSHOTS=DIR the tests keep pictures of the window, to look at.
void keepPicture(QWidget* w, const char* name)
{
    const QString dir = qEnvironmentVariable("RASTROVA_SCREENSHOTS");
    if (!dir.isEmpty())
        w->grab().save(QDir(dir).filePath(QString::fromLatin1(name) + ".png"));
}

QByteArray pattern(int n)
{
    QByteArray b(n, 0);
    for (int i = 0; i < n; ++i)
        b[i] = char(i * 5 + 1);
    return b;
}

// The window on its own, with a program folder whose settings name `device`
// for Com2.
struct Window {
    QTemporaryDir home;
    TAUstr w;
    explicit Window(const QString& device)
    {
        writeSettings(home.path(), "[Parametrs]\r\nPort=com2\r\nChannel=RS-232\r\nCom2Device=" + device + "\r\n");
        w.setProgramPaths(rastrova::store::resolveProgramPaths(home.path(), home.path()));
        w.show();
        named<QTabWidget>(&w, "PC")->setCurrentIndex(0);
    }
    template <class T = QWidget>
    T* get(const char* name) { return named<T>(&w, QString::fromLatin1(name)); }
    QString log() { return get<QPlainTextEdit>("Memo1")->toPlainText(); }
    bool finishes(int ms)
    {
        QElapsedTimer t;
        t.start();
        while (w.isBusy() && t.elapsed() < ms)
            QTest::qWait(10);
        return !w.isBusy();
    }
    QString imageFile(const QByteArray& bytes)
    {
        const QString path = QDir(home.path()).filePath("info.bin");
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return path;
    }
};

TEST(ProgrammingWindow, ExchangeProgramsTheAdapterThroughTheWindow)
{
    QTemporaryDir tmp;
    const QString home = tmp.filePath("home"), base = tmp.filePath("base");
    widgettest::copyTree(QStringLiteral(RASTROVA_EXAMPLES_DIR "/base"), base);
    widgettest::makeProgramFolder(home, base);
    Simulator sim("adapter");
    writeSettings(home, "[Parametrs]\r\nPort=Com1\r\nChannel=RS-232\r\nCom1Device=" + sim.device() + "\r\n");

    widgettest::MessageLog messages;
    widgettest::EditorWindows editor;
    editor.open(home);
    ASSERT_FALSE(editor.form->currentPrintFile().isEmpty());
    const QString image = QDir(base).filePath(editor.form->currentPrintFile() + "/info.bin");

    widgettest::DialogScript script;
    QString log;
    int write = -1, read = -1;
    script.expect("AUstr", [&](QWidget* d) {
        auto* window = static_cast<TAUstr*>(d);
        EXPECT_EQ(window->imagePath(), image);
        EXPECT_EQ(named<QTabWidget>(d, "PC")->currentIndex(), 2); // the window opens on page 3
        EXPECT_EQ(named<QComboBox>(d, "ComDevice")->currentText(), sim.device());
        named<QTabWidget>(d, "PC")->setCurrentIndex(0);
        named<QToolButton>(d, "SpeedButton1")->click();
        EXPECT_TRUE(window->isBusy());
        EXPECT_FALSE(named<QTabWidget>(d, "PC")->isTabEnabled(1)); // no page change while busy
        QElapsedTimer t;
        t.start();
        while (window->isBusy() && t.elapsed() < 30000)
            QTest::qWait(10);
        log = named<QPlainTextEdit>(d, "Memo1")->toPlainText();
        keepPicture(d, "programming");
        write = named<QProgressBar>(d, "Gauge1")->value();
        read = named<QProgressBar>(d, "Gauge2")->value();
        EXPECT_FALSE(named<QToolButton>(d, "SpeedButton1")->isChecked());
        window->reject();
    });
    named<QAction>(editor.form.get(), "ActExchange")->trigger();
    EXPECT_TRUE(script.finished());
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_TRUE(log.endsWith(kSuccess)) << log.toStdString();
    EXPECT_TRUE(log.startsWith(QStringLiteral("Чтение банков из файла ") + image));
    EXPECT_EQ(write, 100);
    EXPECT_EQ(read, 100);
    EXPECT_EQ(sim.dump(), widgettest::fileBytes(image));
    // A successful opening stores the window's settings.
    const QString ini = rastrova::text::fromCp1251(widgettest::fileBytes(QDir(home).filePath("RASTROVA.INI")));
    EXPECT_TRUE(ini.contains("Adapter=YES")) << ini.toStdString();
    EXPECT_TRUE(ini.contains("Port=Com1"));
}

TEST(ProgrammingWindow, PrintTestShowsWhatTheAdapterPrints)
{
    QTemporaryDir tmp;
    const QString image = QDir(tmp.path()).filePath("info.bin");
    {
        // A tiny print file: one hourly blank of two lines.
        QByteArray bytes(256, char(0xFF));
        bytes[0] = 0x01, bytes[1] = 0x00, bytes[2] = char(0xFF), bytes[3] = 0x00;
        bytes[4] = char(0xFF), bytes[5] = 0x00;
        bytes += QByteArray::fromHex("02 3C 00 00") + QByteArray("\x8F\xE0\xAE\xA1\xA0\r\xB3 x \xB3\r");
        QFile f(image);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    Simulator sim("adapter", {"--load", image});
    Window win(sim.device());
    win.get<QToolButton>("SpeedButton2")->click();
    ASSERT_TRUE(win.finishes(10000));
    keepPicture(&win.w, "print-test");
    EXPECT_TRUE(win.get("Memo2")->isVisible());
    EXPECT_EQ(win.get<QPlainTextEdit>("Memo2")->toPlainText(), QStringLiteral("Проба\n│ x │"));
    EXPECT_EQ(win.log(), QStringLiteral("Тест почасовой печати"));
    EXPECT_FALSE(win.get<QToolButton>("SpeedButton2")->isChecked());
    EXPECT_FALSE(win.get("ProgressBar2")->isVisible());
}

TEST(ProgrammingWindow, ReleasingTheButtonStopsAndClosingStopsCleanly)
{
    Simulator sim("adapter", {"--wire", "2400"});
    Window win(sim.device());
    win.w.setImagePath(win.imageFile(pattern(64 * 60)));
    auto* button = win.get<QToolButton>("SpeedButton1");
    button->click();
    QTRY_VERIFY_WITH_TIMEOUT(win.get<QProgressBar>("Gauge1")->value() > 0, 10000);
    EXPECT_TRUE(win.get("Panel1")->isVisible());
    QElapsedTimer t;
    t.start();
    button->click(); // released: the procedure ends before the next block
    ASSERT_TRUE(win.finishes(3000));
    EXPECT_LT(t.elapsed(), 1500);
    EXPECT_LT(win.get<QProgressBar>("Gauge1")->value(), 100);
    EXPECT_FALSE(win.log().contains(QStringLiteral("Чтение информации из адаптера принтера")));
    EXPECT_FALSE(button->isChecked());

    // Again, and the window is closed midway: the work ends and the port closes.
    button->click();
    QTRY_VERIFY_WITH_TIMEOUT(win.get<QProgressBar>("Gauge1")->value() > 0, 10000);
    t.restart();
    win.w.reject();
    EXPECT_FALSE(win.w.isBusy());
    EXPECT_FALSE(win.w.isVisible());
    EXPECT_LT(t.elapsed(), 1500);
}

TEST(ProgrammingWindow, PortThatDoesNotOpenIsReported)
{
    widgettest::MessageLog messages;
    QTemporaryDir missing;
    Window win(missing.filePath("ttyNone"));
    EXPECT_TRUE(win.get<QRadioButton>("RgPortItem1")->isChecked());
    win.get<QToolButton>("SpeedButton1")->click();
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].text,
              QStringLiteral("Ошибка инициализации СОМ-порта Com2 (") + missing.filePath("ttyNone") + ")");
    EXPECT_FALSE(win.w.isBusy());
    EXPECT_FALSE(win.get<QToolButton>("SpeedButton1")->isChecked());

    // The device path edited in the window is the one used, and kept.
    Simulator sim("adapter");
    win.get<QComboBox>("ComDevice")->setEditText(sim.device());
    win.w.setImagePath(win.imageFile(pattern(100)));
    win.get<QToolButton>("SpeedButton1")->click();
    ASSERT_TRUE(win.finishes(10000));
    EXPECT_TRUE(win.log().endsWith(kSuccess)) << win.log().toStdString();
    EXPECT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(win.w.windowSettings().devices[1], sim.device());
}

TEST(ProgrammingWindow, TraceModeByDoubleClick)
{
    Simulator sim("adapter");
    Window win(sim.device());
    EXPECT_FALSE(win.w.traceMode());
    QTest::mouseDClick(win.get("Label2"), Qt::LeftButton);
    EXPECT_TRUE(win.w.traceMode());
    win.w.setImagePath(win.imageFile(pattern(70)));
    win.get<QToolButton>("SpeedButton1")->click();
    ASSERT_TRUE(win.finishes(10000));
    EXPECT_TRUE(win.log().contains(QStringLiteral("ком 70 , 44 00 00 01 06 ")));
    EXPECT_TRUE(win.log().contains(QStringLiteral("ком 2  00 40 C0 ")));
    EXPECT_EQ(widgettest::fileBytes(QDir(win.home.path()).filePath("Temp.fil")), pattern(70));
}

} // namespace

namespace {

TEST(ProgrammingWindow, NetworkPageProgramsThroughTheController)
{
    Simulator sim("controller", {"--key-missing", "--password", "1A2B"});
    widgettest::MessageLog messages;
    messages.answers = {rastrova::app::MsgYes, rastrova::app::MsgYes}; // the key is in place; back to RUN
    Window win(sim.device());
    named<QTabWidget>(&win.w, "PC")->setCurrentIndex(1);
    EXPECT_FALSE(win.get("RGprot")->isEnabled());
    EXPECT_FALSE(win.get("RGKS")->isVisible());
    EXPECT_TRUE(win.get<QRadioButton>("RGVsItem0")->isChecked()); // "RS-232" from the settings
    win.get<QRadioButton>("RgNsItem6")->click();                   // 19200

    auto* number = win.get<QLineEdit>("Edit1");
    number->clear();
    widgettest::typeChars(number, "4x2");
    EXPECT_EQ(number->text(), "42");
    auto* password = win.get<QLineEdit>("Edit2");
    widgettest::typeChars(password, "1a2bz");
    EXPECT_EQ(password->text(), "1A2B");

    win.w.setImagePath(win.imageFile(pattern(300)));
    win.get<QToolButton>("SpeedButton4")->click();
    ASSERT_TRUE(win.finishes(30000));
    keepPicture(&win.w, "network");
    const QString log = win.log();
    EXPECT_TRUE(log.contains(QStringLiteral("Программирование закончено успешно"))) << log.toStdString();
    EXPECT_TRUE(log.endsWith(QStringLiteral("Перевод ВИРЕЛ в режим \"РАБОТА\"\nВИРЕЛ находится в состоянии РАБОТА")));
    ASSERT_EQ(messages.messages.size(), 2u);
    EXPECT_EQ(messages.messages[0].text, QStringLiteral("Установите электронный ключ "));
    EXPECT_EQ(messages.messages[1].text, QStringLiteral("Перевести ВИРЕЛ в режим \"РАБОТА\" ?"));
    EXPECT_EQ(messages.messages[1].buttons, rastrova::app::MsgYes | rastrova::app::MsgNo);
    EXPECT_EQ(win.get<QProgressBar>("Gauge3")->value(), 100);
    EXPECT_FALSE(win.get<QToolButton>("SpeedButton4")->isChecked());
    const QString ini = rastrova::text::fromCp1251(widgettest::fileBytes(QDir(win.home.path()).filePath("RASTROVA.INI")));
    EXPECT_TRUE(ini.contains("Basespeed=19200")) << ini.toStdString();
    EXPECT_TRUE(ini.contains("NetNumber=42"));
    QByteArray expected = pattern(300);
    expected.append(84, char(0xFF));
    EXPECT_EQ(sim.dump(), expected);
}

TEST(ProgrammingWindow, NetworkPageWrongPassword)
{
    Simulator sim("controller", {"--password", "1A2B", "--state", "stop"});
    widgettest::MessageLog messages;
    Window win(sim.device());
    named<QTabWidget>(&win.w, "PC")->setCurrentIndex(1);
    win.get<QRadioButton>("RgNsItem6")->click();
    win.get<QLineEdit>("Edit2")->setText("12345");
    win.w.setImagePath(win.imageFile(pattern(100)));
    win.get<QToolButton>("SpeedButton4")->click();
    ASSERT_TRUE(win.finishes(15000));
    QTRY_COMPARE(messages.messages.size(), size_t(1));
    EXPECT_EQ(messages.messages[0].text, QStringLiteral("Задан неверный пароль доступа 12345"));
    EXPECT_FALSE(win.log().contains(QStringLiteral("Копирование")));
    EXPECT_EQ(sim.dump(), QByteArray());
}

} // namespace

namespace {

// A print-file image of `n` bytes: directory entries beyond the first 64 are
// 0xFF, as in every image of up to 62 blanks.
QByteArray canImage(int n)
{
    QByteArray b = pattern(n);
    for (int i = 128; i < 256 && i < n; ++i)
        b[i] = char(0xFF);
    return b;
}

TEST(ProgrammingWindow, CanPageExchangesThroughTheDriver)
{
    simprocess::DriverSimulator driver;
    Window win("/dev/null");
    named<QTabWidget>(&win.w, "PC")->setCurrentIndex(2);
    EXPECT_EQ(win.get<QLineEdit>("LabeledEdit1")->text(), "127.0.0.1");
    EXPECT_EQ(win.get<QSpinBox>("umNumberEdit1")->value(), 3000);
    EXPECT_EQ(win.get<QSpinBox>("umNumberEdit2")->value(), 1);
    win.get<QSpinBox>("umNumberEdit1")->setValue(driver.port());
    const QByteArray image = canImage(357);
    win.w.setImagePath(win.imageFile(image));
    win.get<QPushButton>("ButtTransport")->click();
    EXPECT_FALSE(win.w.isExchanging());
    const QStringList log = win.log().split('\n');
    ASSERT_EQ(log.size(), 2) << win.log().toStdString();
    EXPECT_TRUE(log[0].startsWith("127.0.0.1->Connect to 127.0.0.1 "));
    EXPECT_EQ(log[1], QStringLiteral("Обмен закончен"));
    EXPECT_EQ(win.get<QProgressBar>("GaugeCan")->value(), 100);
    keepPicture(&win.w, "can");
    EXPECT_EQ(driver.dump(), image);
}

TEST(ProgrammingWindow, CanPageStopsAndClosesMidway)
{
    simprocess::DriverSimulator driver;
    Window win("/dev/null");
    win.get<QSpinBox>("umNumberEdit1")->setValue(driver.port());
    win.w.setImagePath(win.imageFile(canImage(36864)));
    auto* gauge = win.get<QProgressBar>("GaugeCan");
    QObject::connect(gauge, &QProgressBar::valueChanged, &win.w, [&](int v) {
        if (v == 5)
            win.get<QPushButton>("ButtStop")->click();
    });
    win.get<QPushButton>("ButtTransport")->click();
    EXPECT_TRUE(win.log().endsWith(QStringLiteral("Обмен остановлен"))) << win.log().toStdString();
    EXPECT_LT(gauge->value(), 10);
    EXPECT_TRUE(win.get("ButtTransport")->isEnabled());

    // Closed during the exchange: it ends between two records, then the window closes.
    QObject::disconnect(gauge, nullptr, &win.w, nullptr);
    QObject::connect(gauge, &QProgressBar::valueChanged, &win.w, [&](int v) {
        if (v == 3)
            win.w.reject();
    });
    win.get<QPushButton>("ButtTransport")->click();
    EXPECT_FALSE(win.w.isVisible());
    EXPECT_FALSE(win.w.isExchanging());
    EXPECT_LT(gauge->value(), 10);
}

TEST(ProgrammingWindow, CanPageWithoutDriver)
{
    QTcpServer unused; // a port nobody listens on once the server is gone
    ASSERT_TRUE(unused.listen(QHostAddress::LocalHost));
    const int port = unused.serverPort();
    unused.close();
    Window win("/dev/null");
    win.get<QSpinBox>("umNumberEdit1")->setValue(port);
    win.w.setImagePath(win.imageFile(canImage(400)));
    win.get<QPushButton>("ButtTransport")->click();
    EXPECT_TRUE(win.log().startsWith(QStringLiteral("Ошибка связи:"))) << win.log().toStdString();
    EXPECT_FALSE(win.log().contains(QStringLiteral("Обмен закончен")));
}

} // namespace
