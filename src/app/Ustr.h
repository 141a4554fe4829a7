#pragma once
// The programming window "Программирование бланков для принтера": moves the
// print-file image into a device. Page 1 programs the printer adapter on a COM
// port and runs its print tests. The device work runs on a worker thread; the
// toggle buttons start it and, released, stop it.

#include "devprog/serialline.h"
#include "devprog/windowsettings.h"
#include "store/settings.h"

#include <QDialog>

class QButtonGroup;
class QComboBox;
class QFrame;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QRadioButton;
class QTabWidget;
class QToolButton;
class QGroupBox;
class QKeyEvent;
class QLineEdit;
class QWidget;

namespace rastrova::app {
class ProgrammingWorker;
}
namespace rastrova::driverlink {
class TBfsCl;
}
class QPushButton;
class QSpinBox;

class TAUstr : public QDialog {
    Q_OBJECT
public:
    explicit TAUstr(QWidget* parent = nullptr);
    ~TAUstr() override;

    void setImagePath(const QString& path) { imagePath_ = path; }
    const QString& imagePath() const { return imagePath_; }
    // Where the settings are read and written, and the trace file kept.
    void setProgramPaths(const rastrova::store::ProgramPaths& paths) { paths_ = paths; }
    // The link to the driver program, which lives for the run; without one the
    // window makes its own.
    void setDriverLink(rastrova::driverlink::TBfsCl* link) { link_ = link; }
    bool isExchanging() const { return exchanging_; }

    bool isBusy() const { return busy_; }
    bool traceMode() const { return settings_.trace; }
    const rastrova::devprog::WindowSettings& windowSettings() const { return settings_; }

    // Handlers, named as the window has always named them.
    void FormCreate();
    void FormActivate();
    void RgPortClick(int index);
    bool PCChanging() const { return !busy_; }
    void PCChange(int index);
    void SpeedButton1Click();
    void SpeedButton3Click(QToolButton* button);
    void Label1DblClick();
    void SpeedButton4Click();
    void ButtTransportClick();
    void RGprotClick();
    // Key filters: true when the key is let through. Edit2 turns a..f into
    // A..F: `upper` then receives the text to type instead.
    static bool Edit1KeyPress(const QKeyEvent* event);
    static bool Edit2KeyPress(const QKeyEvent* event, QString* upper = nullptr);

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* createAdapterPage();
    QWidget* createNetworkPage();
    QWidget* createCanPage();
    rastrova::driverlink::TBfsCl& driverLink();
    // A titled group of radio buttons in `columns` columns.
    QGroupBox* radioGroup(const QString& name, const QString& title, const QStringList& items, int columns,
                          QButtonGroup*& buttons);
    void applyNetworkSettings();
    void onWaitBar(int event);
    QToolButton* toggleButton(const QString& name);
    // Closes any port opened before and opens the selected one; says why not.
    bool openPort(int baudIndex);
    void storeSettings();
    void setBusy(bool on, QToolButton* running);
    void operationEnded();
    // Stops the running operation and waits for it to end.
    void stopAndWait();
    void showMemo2(bool on);
    QString traceFilePath() const;

    void appendLog(const QString& line);
    void setGauge(int which, int percent);
    void appendPrinterLine(const QByteArray& cp866);
    void stepPrinterBar();

    // Window state.
    rastrova::devprog::WindowSettings settings_;
    rastrova::store::ProgramPaths paths_;
    QString imagePath_ = QStringLiteral("Prin.Fil");
    bool busy_ = false;
    rastrova::devprog::StopFlag stop_{false};
    QToolButton* running_ = nullptr;
    rastrova::app::ProgrammingWorker* worker_ = nullptr;
    rastrova::driverlink::TBfsCl* link_ = nullptr;
    rastrova::driverlink::TBfsCl* ownLink_ = nullptr;
    bool exchanging_ = false;
    int closeWhenDone_ = -1; // a close asked for during the exchange

    // Controls.
    QGroupBox* RgPort;
    QButtonGroup* portButtons_;
    QComboBox* ComDevice;
    QTabWidget* PC;
    QWidget* TabSheet1;
    QWidget* TabSheet2;
    QWidget* TabSheet3;
    QToolButton* SpeedButton1;
    QToolButton* SpeedButton2;
    QToolButton* SpeedButton3;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QFrame* Panel1;
    QProgressBar* Gauge1;
    QProgressBar* Gauge2;
    QProgressBar* ProgressBar2;
    QGroupBox* RGVs;
    QButtonGroup* channelButtons_;
    QGroupBox* RgNs;
    QButtonGroup* speedButtons_;
    QGroupBox* RGprot;
    QButtonGroup* protocolButtons_;
    QGroupBox* RGKS;
    QButtonGroup* checksumButtons_;
    QLineEdit* Edit1;
    QLineEdit* Edit2;
    QToolButton* SpeedButton4;
    QLabel* Label7;
    QProgressBar* Gauge3;
    QProgressBar* ProgressBar1;
    QLineEdit* LabeledEdit1;
    QSpinBox* umNumberEdit1;
    QSpinBox* umNumberEdit2;
    QPushButton* ButtTransport;
    QPushButton* ButtStop;
    QProgressBar* GaugeCan;
    QPlainTextEdit* Memo1;
    QPlainTextEdit* Memo2;
};
