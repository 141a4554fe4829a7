#include "Ustr.h"

#include "messages.h"
#include "programmingworker.h"

#include "devprog/adapterprog.h"
#include "devprog/serialport.h"
#include "text/codepage.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QEventLoop>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

using namespace rastrova;
using rastrova::app::Messages;

namespace {
// How much captured printer text the window keeps; an adapter that never stops
// printing must not fill the memory.
constexpr int kMaxPrinterLines = 20000;
constexpr int kMaxLogLines = 20000;
// The log's height while a print test shows the printer text below it.
constexpr int kPrintTestLogHeight = 70;
const QString kTraceFileName = QStringLiteral("Temp.fil");
} // namespace

TAUstr::TAUstr(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AUstr"));
    setWindowTitle(QStringLiteral("Программирование бланков для принтера"));
    setModal(true);

    // Left: the port, the pages. Right: the log and the printer text.
    RgPort = new QGroupBox(QStringLiteral("Сом-порт"));
    RgPort->setObjectName(QStringLiteral("RgPort"));
    portButtons_ = new QButtonGroup(this);
    auto* portLayout = new QGridLayout(RgPort);
    for (int i = 0; i < 4; ++i) {
        auto* b = new QRadioButton(devprog::portCaptions()[i]);
        b->setObjectName(QStringLiteral("RgPortItem%1").arg(i));
        portButtons_->addButton(b, i);
        portLayout->addWidget(b, i / 2, i % 2);
    }
    auto* deviceLabel = new QLabel(QStringLiteral("Устройство:"));
    ComDevice = new QComboBox;
    ComDevice->setObjectName(QStringLiteral("ComDevice"));
    ComDevice->setEditable(true);
    ComDevice->setToolTip(QStringLiteral("Файл устройства этого порта; в списке порты, которые видит система"));
    deviceLabel->setBuddy(ComDevice);
    portLayout->addWidget(deviceLabel, 2, 0);
    portLayout->addWidget(ComDevice, 2, 1);

    PC = new QTabWidget;
    PC->setObjectName(QStringLiteral("PC"));
    TabSheet1 = createAdapterPage();
    TabSheet2 = createPendingPage(QStringLiteral("TabSheet2"));
    TabSheet3 = createPendingPage(QStringLiteral("TabSheet3"));
    PC->addTab(TabSheet1, QStringLiteral("Адаптер принтера ВИРЕЛ Р5"));
    PC->addTab(TabSheet2, QStringLiteral("Модуль управления принтером"));
    PC->addTab(TabSheet3, QStringLiteral("МЖН (CAN BUS)"));
    PC->tabBar()->setElideMode(Qt::ElideNone);
    PC->tabBar()->setExpanding(false);
    PC->setMinimumWidth(PC->tabBar()->sizeHint().width() + 8);

    Memo1 = new QPlainTextEdit;
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Memo1->setMaximumBlockCount(kMaxLogLines);
    Memo2 = new QPlainTextEdit;
    Memo2->setObjectName(QStringLiteral("Memo2"));
    Memo2->setReadOnly(true);
    Memo2->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo2->setMaximumBlockCount(kMaxPrinterLines);
    Memo2->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

    auto* left = new QVBoxLayout;
    left->addWidget(RgPort);
    left->addWidget(PC, 1);
    auto* right = new QVBoxLayout;
    right->addWidget(Memo1, 1);
    right->addWidget(Memo2, 3);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 0);
    layout->addLayout(right, 1);
    resize(1060, 560);

    worker_ = new app::ProgrammingWorker(stop_);
    connect(worker_, &app::ProgrammingWorker::logLine, this, &TAUstr::appendLog);
    connect(worker_, &app::ProgrammingWorker::gauge, this, &TAUstr::setGauge);
    connect(worker_, &app::ProgrammingWorker::printerLine, this, &TAUstr::appendPrinterLine);
    connect(worker_, &app::ProgrammingWorker::printerStep, this, &TAUstr::stepPrinterBar);
    connect(worker_, &app::ProgrammingWorker::finished, this, &TAUstr::operationEnded);

    connect(portButtons_, &QButtonGroup::idClicked, this, &TAUstr::RgPortClick);
    connect(ComDevice, &QComboBox::editTextChanged, this, [this](const QString& text) {
        settings_.devices[size_t(settings_.portIndex)] = text.trimmed();
    });
    connect(PC, &QTabWidget::currentChanged, this, &TAUstr::PCChange);
    connect(SpeedButton1, &QToolButton::clicked, this, &TAUstr::SpeedButton1Click);
    connect(SpeedButton2, &QToolButton::clicked, this, [this] { SpeedButton3Click(SpeedButton2); });
    connect(SpeedButton3, &QToolButton::clicked, this, [this] { SpeedButton3Click(SpeedButton3); });
    for (QLabel* label : {Label1, Label2, Label3})
        label->installEventFilter(this);

    FormCreate();
}

TAUstr::~TAUstr()
{
    stop_ = true;
    delete worker_;
}

QToolButton* TAUstr::toggleButton(const QString& name)
{
    auto* b = new QToolButton;
    b->setObjectName(name);
    b->setCheckable(true);
    b->setIconSize(QSize(24, 24));
    QIcon icon;
    icon.addPixmap(style()->standardPixmap(QStyle::SP_MediaPlay), QIcon::Normal, QIcon::Off);
    icon.addPixmap(style()->standardPixmap(QStyle::SP_MediaStop), QIcon::Normal, QIcon::On);
    b->setIcon(icon);
    b->setToolTip(QStringLiteral("Нажмите, чтобы начать; отожмите, чтобы остановить"));
    return b;
}

QWidget* TAUstr::createAdapterPage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabSheet1"));
    SpeedButton1 = toggleButton(QStringLiteral("SpeedButton1"));
    SpeedButton2 = toggleButton(QStringLiteral("SpeedButton2"));
    SpeedButton3 = toggleButton(QStringLiteral("SpeedButton3"));
    Label1 = new QLabel(QStringLiteral("Программирование бланков"));
    Label2 = new QLabel(QStringLiteral("Тест почасовой печати"));
    Label3 = new QLabel(QStringLiteral("Тест архивной печати"));
    Label1->setObjectName(QStringLiteral("Label1"));
    Label2->setObjectName(QStringLiteral("Label2"));
    Label3->setObjectName(QStringLiteral("Label3"));

    Panel1 = new QFrame;
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameShape(QFrame::StyledPanel);
    Gauge1 = new QProgressBar;
    Gauge1->setObjectName(QStringLiteral("Gauge1"));
    Gauge2 = new QProgressBar;
    Gauge2->setObjectName(QStringLiteral("Gauge2"));
    auto* panel = new QVBoxLayout(Panel1);
    panel->addWidget(new QLabel(QStringLiteral("Запись в адаптер принтера")));
    panel->addWidget(Gauge1);
    panel->addWidget(new QLabel(QStringLiteral("Чтение из адаптера принтера")));
    panel->addWidget(Gauge2);

    ProgressBar2 = new QProgressBar;
    ProgressBar2->setObjectName(QStringLiteral("ProgressBar2"));
    ProgressBar2->setRange(0, 20);
    ProgressBar2->setTextVisible(false);

    auto* grid = new QGridLayout(page);
    grid->addWidget(SpeedButton1, 0, 0);
    grid->addWidget(Label1, 0, 1);
    grid->addWidget(SpeedButton2, 1, 0);
    grid->addWidget(Label2, 1, 1);
    grid->addWidget(SpeedButton3, 2, 0);
    grid->addWidget(Label3, 2, 1);
    grid->addWidget(Panel1, 3, 0, 1, 2);
    grid->addWidget(ProgressBar2, 4, 0, 1, 2);
    grid->setRowStretch(5, 1);
    grid->setColumnStretch(1, 1);
    return page;
}

QWidget* TAUstr::createPendingPage(const QString& objectName)
{
    auto* page = new QWidget;
    page->setObjectName(objectName);
    auto* layout = new QVBoxLayout(page);
    auto* label = new QLabel(QStringLiteral("Этот способ программирования пока не поддерживается.\n"
                                            "Программируйте адаптер принтера на первой странице."));
    label->setWordWrap(true);
    layout->addWidget(label);
    layout->addStretch(1);
    return page;
}

// ------------------------------------------------------------------ state

void TAUstr::FormCreate()
{
    settings_ = devprog::WindowSettings{};
    for (int i = 0; i < 4; ++i)
        settings_.devices[size_t(i)] = devprog::defaultDeviceOfPort(i);
    imagePath_ = QStringLiteral("Prin.Fil");
    Memo2->hide();
    ProgressBar2->hide();
}

void TAUstr::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FormActivate();
}

void TAUstr::FormActivate()
{
    if (busy_)
        return;
    const QString source = paths_.settingsSource.isEmpty() ? paths_.settingsFile : paths_.settingsSource;
    if (!source.isEmpty())
        settings_ = devprog::readWindowSettings(source, settings_);
    portButtons_->button(settings_.portIndex)->setChecked(true);
    {
        const QSignalBlocker quiet(ComDevice); // filling the list is no edit
        ComDevice->clear();
        ComDevice->addItems(devprog::availablePorts());
    }
    ComDevice->setEditText(settings_.devices[size_t(settings_.portIndex)]);

    Panel1->hide();
    Gauge1->setValue(0);
    Gauge2->setValue(0);
    Memo1->clear();
    Memo1->setMaximumHeight(QWIDGETSIZE_MAX);
    Memo1->show();
    showMemo2(false);
    busy_ = false;
    PC->setCurrentIndex(settings_.pageIndex);
    PC->setCurrentIndex(2);
}

void TAUstr::RgPortClick(int index)
{
    settings_.portIndex = index;
    ComDevice->setEditText(settings_.devices[size_t(index)]);
}

void TAUstr::PCChange(int index)
{
    settings_.pageIndex = index;
    Memo1->setMaximumHeight(QWIDGETSIZE_MAX);
    Memo1->clear();
    Memo1->show();
    showMemo2(false);
    Gauge1->setValue(0);
    Gauge2->setValue(0);
    ProgressBar2->setValue(0);
    ProgressBar2->hide();
    Panel1->hide();
}

void TAUstr::showMemo2(bool on)
{
    Memo2->clear();
    Memo2->setVisible(on);
}

bool TAUstr::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonDblClick && (watched == Label1 || watched == Label2 || watched == Label3))
        Label1DblClick();
    return QDialog::eventFilter(watched, event);
}

void TAUstr::Label1DblClick()
{
    settings_.trace = !settings_.trace;
    appendLog(settings_.trace ? QStringLiteral("Режим трассировки включен") : QStringLiteral("Режим трассировки выключен"));
}

QString TAUstr::traceFilePath() const
{
    // Beside the settings: the program folder, or the user's folder when the
    // program folder cannot be written.
    const QString folder = paths_.settingsFile.isEmpty() ? QDir::currentPath()
                                                         : QFileInfo(paths_.settingsFile).absolutePath();
    return QDir(folder).filePath(kTraceFileName);
}

// ------------------------------------------------------------------ operations

bool TAUstr::openPort(int baudIndex)
{
    const int port = settings_.portIndex;
    const QString device = settings_.devices[size_t(port)];
    if (device.isEmpty() || !worker_->openPort(device, baudIndex, settings_.linkKind)) {
        Messages::show(this, app::kAppCaption,
                       QStringLiteral("Ошибка инициализации СОМ-порта ") + devprog::portCaptions()[port] +
                           QStringLiteral(" (") + device + u')',
                       app::MsgIcon::Error);
        return false;
    }
    storeSettings();
    return true;
}

void TAUstr::storeSettings()
{
    if (!paths_.settingsFile.isEmpty())
        devprog::writeWindowSettings(paths_.settingsFile, settings_);
}

void TAUstr::setBusy(bool on, QToolButton* running)
{
    busy_ = on;
    running_ = on ? running : nullptr;
    // One operation at a time on the port: the other buttons and pages wait.
    for (QToolButton* b : {SpeedButton1, SpeedButton2, SpeedButton3})
        b->setEnabled(!on || b == running);
    for (int i = 0; i < PC->count(); ++i)
        PC->setTabEnabled(i, !on || i == PC->currentIndex());
    RgPort->setEnabled(!on);
    if (on)
        setCursor(Qt::BusyCursor);
    else
        unsetCursor();
}

void TAUstr::SpeedButton1Click()
{
    if (!SpeedButton1->isChecked()) {
        stop_ = true; // released: the procedure ends at its next check
        return;
    }
    stop_ = false;
    Panel1->hide();
    ProgressBar2->hide();
    Memo1->setMaximumHeight(QWIDGETSIZE_MAX);
    showMemo2(false);
    // The adapter always talks at 2400 baud.
    if (!openPort(3)) {
        SpeedButton1->setChecked(false);
        return;
    }
    Memo1->clear();
    Gauge1->setValue(0);
    Gauge2->setValue(0);
    setBusy(true, SpeedButton1);
    worker_->startProgramming(imagePath_, settings_.linkKind, settings_.trace, traceFilePath());
}

void TAUstr::SpeedButton3Click(QToolButton* button)
{
    if (!button->isChecked()) {
        stop_ = true;
        return;
    }
    stop_ = false;
    Panel1->hide();
    ProgressBar2->hide();
    if (!openPort(3)) {
        button->setChecked(false);
        return;
    }
    setBusy(true, button);
    Memo1->clear();
    Memo1->setMaximumHeight(kPrintTestLogHeight);
    Memo1->show();
    showMemo2(true);
    ProgressBar2->setValue(0);
    worker_->startPrintTest(button == SpeedButton2 ? devprog::CmdHourlyTest : devprog::CmdArchiveTest,
                            settings_.linkKind, settings_.trace);
}

void TAUstr::operationEnded()
{
    if (running_)
        running_->setChecked(false);
    if (running_ != SpeedButton1)
        ProgressBar2->hide();
    Panel1->setVisible(false);
    setBusy(false, nullptr);
}

void TAUstr::stopAndWait()
{
    if (!busy_)
        return;
    stop_ = true;
    QEventLoop loop;
    connect(worker_, &app::ProgrammingWorker::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    QTimer::singleShot(0, &loop, [this, &loop] {
        if (!busy_)
            loop.quit();
    });
    loop.exec();
}

void TAUstr::done(int result)
{
    stopAndWait();
    worker_->closePort();
    QDialog::done(result);
}

// ------------------------------------------------------------------ reports

void TAUstr::appendLog(const QString& line)
{
    Memo1->appendPlainText(line);
}

void TAUstr::setGauge(int which, int percent)
{
    // The procedure has its blocks and has started: its gauges show.
    if (busy_)
        Panel1->show();
    (which == int(devprog::Gauge::Write) ? Gauge1 : Gauge2)->setValue(percent);
}

void TAUstr::appendPrinterLine(const QByteArray& cp866)
{
    Memo2->appendPlainText(text::fromCp866(cp866));
}

void TAUstr::stepPrinterBar()
{
    ProgressBar2->show();
    ProgressBar2->setValue(ProgressBar2->value() >= ProgressBar2->maximum() ? 0 : ProgressBar2->value() + 1);
}
