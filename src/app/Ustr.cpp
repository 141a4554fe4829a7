#include "Ustr.h"

#include "messages.h"
#include "programmingworker.h"

#include "devprog/adapterprog.h"
#include "devprog/sink.h"
#include "driverlink/deviceops.h"
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
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
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
    TabSheet2 = createNetworkPage();
    TabSheet3 = createCanPage();
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
    connect(SpeedButton4, &QToolButton::clicked, this, &TAUstr::SpeedButton4Click);
    connect(protocolButtons_, &QButtonGroup::idClicked, this, &TAUstr::RGprotClick);
    connect(worker_, &app::ProgrammingWorker::waitBar, this, &TAUstr::onWaitBar);
    connect(worker_, &app::ProgrammingWorker::passwordNotHex, this, [this] { Edit2->setFocus(); });
    worker_->setUserDialogs(
        this,
        [this](const QString& text) {
            return !stop_.load() && Messages::show(this, app::kQuestionCaption, text, app::MsgIcon::Information,
                                                   app::MsgYes | app::MsgNo) == app::MsgYes;
        },
        [this](const QString& text) { Messages::show(this, app::kAppCaption, text, app::MsgIcon::Warning); });
    for (QLabel* label : {Label1, Label2, Label3, Label7})
        label->installEventFilter(this);
    Edit1->installEventFilter(this);
    Edit2->installEventFilter(this);

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

QGroupBox* TAUstr::radioGroup(const QString& name, const QString& title, const QStringList& items, int columns,
                              QButtonGroup*& buttons)
{
    auto* box = new QGroupBox(title);
    box->setObjectName(name);
    buttons = new QButtonGroup(box);
    auto* grid = new QGridLayout(box);
    const int rows = int((items.size() + columns - 1) / columns);
    for (int i = 0; i < items.size(); ++i) {
        auto* b = new QRadioButton(items[i]);
        b->setObjectName(name + QStringLiteral("Item%1").arg(i));
        buttons->addButton(b, i);
        grid->addWidget(b, i % rows, i / rows);
    }
    return box;
}

QWidget* TAUstr::createNetworkPage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabSheet2"));
    RGVs = radioGroup(QStringLiteral("RGVs"), QStringLiteral("Вид связи с ВИРЕЛ"), devprog::channelCaptions(), 1,
                      channelButtons_);
    RgNs = radioGroup(QStringLiteral("RgNs"), QStringLiteral("Частота обмена"), devprog::speedCaptions(), 3,
                      speedButtons_);
    RGprot = radioGroup(QStringLiteral("RGprot"), QStringLiteral("Тип протокола обмена с ВИРЕЛ"),
                        devprog::protocolCaptions(), 1, protocolButtons_);
    RGprot->setEnabled(false);
    RGKS = radioGroup(QStringLiteral("RGKS"), QStringLiteral("Контрольная сумма"),
                      {QStringLiteral("CRC не расчитывается"), QStringLiteral("CRC дополнительно в данных"),
                       QStringLiteral("CRC вместо КС и конца кадра")},
                      1, checksumButtons_);
    channelButtons_->button(0)->setChecked(true);
    protocolButtons_->button(0)->setChecked(true);

    Edit1 = new QLineEdit;
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setMaxLength(9);
    Edit2 = new QLineEdit;
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit2->setMaxLength(8);
    // Pasted text obeys the same rules as typed keys.
    Edit1->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), Edit1));
    Edit2->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9A-Fa-f ]*")), Edit2));
    connect(Edit2, &QLineEdit::textEdited, this, [this](const QString& t) {
        if (t != t.toUpper()) {
            const int at = Edit2->cursorPosition();
            Edit2->setText(t.toUpper());
            Edit2->setCursorPosition(at);
        }
    });

    SpeedButton4 = toggleButton(QStringLiteral("SpeedButton4"));
    Label7 = new QLabel(QStringLiteral("Программирование бланков"));
    Label7->setObjectName(QStringLiteral("Label7"));
    Gauge3 = new QProgressBar;
    Gauge3->setObjectName(QStringLiteral("Gauge3"));
    ProgressBar1 = new QProgressBar;
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setToolTip(QStringLiteral("Ожидание состояния ВИРЕЛ"));
    Gauge3->setToolTip(QStringLiteral("Передача блоков в модуль управления принтером"));

    auto* grid = new QGridLayout(page);
    grid->addWidget(RGVs, 0, 0);
    grid->addWidget(RGprot, 0, 1);
    grid->addWidget(RgNs, 1, 0, 1, 2);
    grid->addWidget(RGKS, 2, 0, 1, 2);
    auto* fields = new QGridLayout;
    fields->addWidget(new QLabel(QStringLiteral("Сетевой номер\n(десятичное значение)")), 0, 0);
    fields->addWidget(Edit1, 0, 1);
    fields->addWidget(new QLabel(QStringLiteral("Пароль доступа\nк ВИРЕЛ")), 1, 0);
    fields->addWidget(Edit2, 1, 1);
    grid->addLayout(fields, 3, 0, 1, 2);
    auto* start = new QHBoxLayout;
    start->addWidget(SpeedButton4);
    start->addWidget(Label7, 1);
    grid->addLayout(start, 4, 0, 1, 2);
    // The wait for a controller state shows in the place of the block gauge.
    grid->addWidget(Gauge3, 5, 0, 1, 2);
    grid->addWidget(ProgressBar1, 5, 0, 1, 2);
    grid->setRowStretch(6, 1);
    return page;
}

QWidget* TAUstr::createCanPage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabSheet3"));
    LabeledEdit1 = new QLineEdit(QStringLiteral("127.0.0.1"));
    LabeledEdit1->setObjectName(QStringLiteral("LabeledEdit1"));
    umNumberEdit1 = new QSpinBox;
    umNumberEdit1->setObjectName(QStringLiteral("umNumberEdit1"));
    umNumberEdit1->setRange(1, 65535);
    umNumberEdit1->setValue(driverlink::TBfsCl::kDefaultPort);
    umNumberEdit2 = new QSpinBox;
    umNumberEdit2->setObjectName(QStringLiteral("umNumberEdit2"));
    umNumberEdit2->setRange(0, 255);
    umNumberEdit2->setValue(1);
    ButtTransport = new QPushButton(QStringLiteral("Обмен"));
    ButtTransport->setObjectName(QStringLiteral("ButtTransport"));
    ButtStop = new QPushButton(QStringLiteral("Стоп"));
    ButtStop->setObjectName(QStringLiteral("ButtStop"));
    ButtStop->setEnabled(false);
    ButtStop->setToolTip(QStringLiteral("Остановить обмен после текущей записи"));
    GaugeCan = new QProgressBar;
    GaugeCan->setObjectName(QStringLiteral("GaugeCan"));
    GaugeCan->setToolTip(QStringLiteral("Записи, переданные адаптеру"));

    auto* form = new QGridLayout(page);
    form->addWidget(new QLabel(QStringLiteral("IP Адрес")), 0, 0);
    form->addWidget(LabeledEdit1, 1, 0);
    form->addWidget(new QLabel(QStringLiteral("TCP Порт")), 0, 1);
    form->addWidget(umNumberEdit1, 1, 1);
    form->addWidget(new QLabel(QStringLiteral("Can-Bus Адрес Адаптера")), 2, 0, 1, 2);
    form->addWidget(umNumberEdit2, 3, 0);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ButtTransport);
    buttons->addWidget(ButtStop);
    buttons->addStretch(1);
    form->addLayout(buttons, 4, 0, 1, 2);
    form->addWidget(GaugeCan, 5, 0, 1, 2);
    form->setRowStretch(6, 1);
    connect(ButtTransport, &QPushButton::clicked, this, &TAUstr::ButtTransportClick);
    connect(ButtStop, &QPushButton::clicked, this, [this] { stop_ = true; });
    return page;
}

driverlink::TBfsCl& TAUstr::driverLink()
{
    if (!link_) {
        ownLink_ = new driverlink::TBfsCl(this);
        link_ = ownLink_;
    }
    return *link_;
}

void TAUstr::ButtTransportClick()
{
    if (exchanging_ || busy_)
        return;
    exchanging_ = true;
    stop_ = false;
    ButtTransport->setEnabled(false);
    ButtStop->setEnabled(true);
    GaugeCan->setValue(0);
    // The exchange waits in the event loop: the window stays live, and its log
    // and gauge are fed straight from here.
    struct Sink : devprog::ProgressSink {
        TAUstr* w;
        void logLine(const QString& line) override { w->appendLog(line); }
        void setGauge(devprog::Gauge, int percent) override { w->GaugeCan->setValue(percent); }
    } sink;
    sink.w = this;
    driverlink::CanExchangeOptions options;
    options.host = LabeledEdit1->text().trimmed();
    options.port = umNumberEdit1->value();
    options.address = umNumberEdit2->value();
    driverlink::runCanExchange(driverLink(), imagePath_, options, sink, stop_);
    exchanging_ = false;
    ButtTransport->setEnabled(true);
    ButtStop->setEnabled(false);
    if (closeWhenDone_ >= 0) {
        const int result = closeWhenDone_;
        closeWhenDone_ = -1;
        done(result);
    }
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
    RGKS->hide();
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

    applyNetworkSettings();
    Edit2->clear();

    Panel1->hide();
    Gauge3->hide();
    ProgressBar1->hide();
    Gauge1->setValue(0);
    Gauge2->setValue(0);
    Gauge3->setValue(0);
    ProgressBar1->setValue(0);
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
    Gauge3->setValue(0);
    ProgressBar1->setValue(0);
    Gauge3->hide();
    ProgressBar1->hide();
    RGKS->setVisible(protocolButtons_->checkedId() == 1);
}

void TAUstr::applyNetworkSettings()
{
    channelButtons_->button(devprog::channelItemOfKind(settings_.linkKind))->setChecked(true);
    if (QAbstractButton* b = protocolButtons_->button(settings_.protocolIndex))
        b->setChecked(true);
    RGKS->setVisible(protocolButtons_->checkedId() == 1);
    if (QAbstractButton* b = checksumButtons_->button(settings_.checksumOption))
        b->setChecked(true);
    speedButtons_->button(settings_.baudIndex)->setChecked(true);
    Edit1->setText(QString::number(settings_.networkNumber));
}

void TAUstr::RGprotClick()
{
    RGKS->setVisible(protocolButtons_->checkedId() == 1);
}

bool TAUstr::Edit1KeyPress(const QKeyEvent* event)
{
    const int k = event->key();
    if (k == Qt::Key_Backspace || k == Qt::Key_Return || k == Qt::Key_Enter)
        return true;
    const QString t = event->text();
    return t.size() == 1 && t[0] >= u'0' && t[0] <= u'9';
}

bool TAUstr::Edit2KeyPress(const QKeyEvent* event, QString* upper)
{
    const int k = event->key();
    if (k == Qt::Key_Backspace)
        return true;
    const QString t = event->text();
    if (t.size() != 1)
        return false;
    const QChar c = t[0];
    if (c == u' ' || (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F'))
        return true;
    if (c >= u'a' && c <= u'f' && upper) {
        // Typed in lower case, shown in upper case.
        *upper = QString(c.toUpper());
        return false;
    }
    return false;
}

void TAUstr::SpeedButton4Click()
{
    if (!SpeedButton4->isChecked()) {
        stop_ = true;
        return;
    }
    stop_ = false;
    settings_.pageIndex = PC->currentIndex();
    const int channel = channelButtons_->checkedId();
    settings_.linkKind = channel == 0 ? 0 : channel == 2 ? 8 : 1;
    settings_.protocolIndex = std::max(0, protocolButtons_->checkedId());
    settings_.checksumOption = RGKS->isVisible() ? std::max(0, checksumButtons_->checkedId()) : 0;
    settings_.baudIndex = std::max(0, speedButtons_->checkedId());
    settings_.networkNumber = Edit1->text().toInt();
    if (!openPort(settings_.baudIndex)) {
        SpeedButton4->setChecked(false);
        return;
    }
    settings_.linkKind = worker_->probeEcho(settings_.linkKind);
    Memo1->clear();
    Gauge3->setValue(0);
    setBusy(true, SpeedButton4);
    worker_->startNetwork(imagePath_, settings_.linkKind, settings_.trace, Edit2->text());
}

void TAUstr::onWaitBar(int event)
{
    switch (devprog::WaitBar(event)) {
    case devprog::WaitBar::Reset:
        ProgressBar1->setValue(0);
        break;
    case devprog::WaitBar::Show:
        Gauge3->hide();
        ProgressBar1->show();
        break;
    case devprog::WaitBar::Step:
        // Steps of ten that wrap, as a wait of unknown length shows.
        ProgressBar1->setValue(ProgressBar1->value() >= 100 ? 0 : ProgressBar1->value() + 10);
        break;
    case devprog::WaitBar::Hide:
        ProgressBar1->hide();
        break;
    }
}

void TAUstr::showMemo2(bool on)
{
    Memo2->clear();
    Memo2->setVisible(on);
}

bool TAUstr::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonDblClick &&
        (watched == Label1 || watched == Label2 || watched == Label3 || watched == Label7))
        Label1DblClick();
    if (event->type() == QEvent::KeyPress && (watched == Edit1 || watched == Edit2)) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Delete || key->key() == Qt::Key_Left || key->key() == Qt::Key_Right ||
            key->key() == Qt::Key_Home || key->key() == Qt::Key_End || key->key() == Qt::Key_Tab ||
            key->matches(QKeySequence::Paste) || key->matches(QKeySequence::Copy) ||
            key->matches(QKeySequence::SelectAll))
            return QDialog::eventFilter(watched, event); // moving and editing keys stay usable
        QString upper;
        if (watched == Edit1 ? Edit1KeyPress(key) : Edit2KeyPress(key, &upper))
            return QDialog::eventFilter(watched, event);
        if (!upper.isEmpty()) {
            QKeyEvent typed(QEvent::KeyPress, key->key(), key->modifiers(), upper);
            QCoreApplication::sendEvent(watched, &typed);
        }
        return true;
    }
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
        // A port the user may not open says why and how to fix it.
        const QString reason =
            device.isEmpty()
                ? QString()
                : devprog::portOpenFailureReason(worker_->openFailure(), devprog::lookUpPortAccess(device));
        Messages::show(this, app::kAppCaption,
                       QStringLiteral("Ошибка инициализации СОМ-порта ") + devprog::portCaptions()[port] +
                           QStringLiteral(" (") + device + u')' + reason,
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
    for (QToolButton* b : {SpeedButton1, SpeedButton2, SpeedButton3, SpeedButton4})
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
    if (exchanging_) {
        // The exchange ends between two records and then closes the window.
        stop_ = true;
        closeWhenDone_ = result;
        return;
    }
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
    if (which == int(devprog::Gauge::Network)) {
        ProgressBar1->hide();
        Gauge3->show();
        Gauge3->setValue(percent);
        return;
    }
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
