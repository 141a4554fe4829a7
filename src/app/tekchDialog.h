#pragma once
// The controller-type dialog: the controller type of a blank and, for type "19",
// its task file and SETN.

#include "store/blank.h"

#include <QDialog>

class QButtonGroup;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

class TVirelTypeDialog : public QDialog {
    Q_OBJECT
public:
    explicit TVirelTypeDialog(QWidget* parent = nullptr);

    // Shows the dialog with these settings (type "10" preselected unless
    // `keepType`). Returns the chosen controller type, or -1 when cancelled; the
    // task file and SETN are filled in when accepted.
    int choose(const QString& taskFile, int setn, int type, QString& taskFileOut, int& setnOut);

    // Folder that the task-file picker starts in.
    void setDatabasePath(const QString& path) { databasePath_ = path; }

private:
    void updateEnabled();
    void ButtonTaskClick();

    QGroupBox* RgType;
    QRadioButton* Radio10;
    QRadioButton* Radio19;
    QButtonGroup* typeGroup_;
    QLineEdit* EditTaskFile;
    QPushButton* ButtonTask;
    QSpinBox* EditSetn;
    QPushButton* ButtonOk;
    QPushButton* ButtonCancel;
    QString databasePath_;
};
