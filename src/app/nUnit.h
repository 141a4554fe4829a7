#pragma once
// "Настройки программы": the base folder, the panels shown at start, what the
// "Новый..." button creates and the controller database path.

#include "store/settings.h"

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

class Tnform : public QDialog {
    Q_OBJECT
public:
    explicit Tnform(QWidget* parent = nullptr);

    void setPaths(const rastrova::store::ProgramPaths& paths);

    // Shows the settings in the controls.
    void showSettings(const rastrova::store::ProgramSettings& settings);
    // The settings as the controls hold them.
    rastrova::store::ProgramSettings settings() const;

    // The path as it is shown and stored: upper case, unless upper-casing would
    // name another folder (file systems that tell letter cases apart).
    static QString displayedPath(const QString& path);

private:
    void ButtonPathClick();
    void ButtonDbPathClick();

    QLineEdit* EditPath;
    QPushButton* ButtonPath;
    QCheckBox* CheckBox1;
    QCheckBox* CheckBox2;
    QCheckBox* CheckBox3;
    QCheckBox* CheckBox4;
    QButtonGroup* RgOpenAction;
    QLineEdit* EditDbPath;
    QPushButton* ButtonDbPath;
    QLabel* LabelSettingsFile;
    QPushButton* ButtonClose;
};
