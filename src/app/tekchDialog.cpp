#include "tekchDialog.h"

#include "dialogs.h"

#include <QButtonGroup>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

TVirelTypeDialog::TVirelTypeDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("VirelTypeDialog"));
    setWindowTitle(QStringLiteral("Тип контроллера"));
    setModal(true);

    RgType = new QGroupBox(QStringLiteral("Тип ВИРЕЛ"));
    RgType->setObjectName(QStringLiteral("RgType"));
    Radio10 = new QRadioButton(QStringLiteral("10"));
    Radio10->setObjectName(QStringLiteral("Radio10"));
    Radio19 = new QRadioButton(QStringLiteral("19"));
    Radio19->setObjectName(QStringLiteral("Radio19"));
    typeGroup_ = new QButtonGroup(this);
    typeGroup_->addButton(Radio10, 0);
    typeGroup_->addButton(Radio19, 1);
    auto* radios = new QHBoxLayout(RgType);
    radios->addWidget(Radio10);
    radios->addWidget(Radio19);
    radios->addStretch();

    EditTaskFile = new QLineEdit;
    EditTaskFile->setObjectName(QStringLiteral("EditTaskFile"));
    EditTaskFile->setMinimumWidth(300);
    EditTaskFile->setToolTip(QStringLiteral("Файл задачи контроллера (*.tsk)"));
    ButtonTask = new QPushButton(QStringLiteral("..."));
    ButtonTask->setObjectName(QStringLiteral("ButtonTask"));
    ButtonTask->setToolTip(QStringLiteral("Выбрать файл задачи"));
    ButtonTask->setMaximumWidth(32);
    auto* taskRow = new QHBoxLayout;
    taskRow->addWidget(EditTaskFile);
    taskRow->addWidget(ButtonTask);
    EditSetn = new QSpinBox;
    EditSetn->setObjectName(QStringLiteral("EditSetn"));
    EditSetn->setRange(0, 255);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Файл задачи:"), taskRow);
    form->addRow(QStringLiteral("SETN:"), EditSetn);

    ButtonOk = new QPushButton(QStringLiteral("Ok"));
    ButtonOk->setObjectName(QStringLiteral("ButtonOk"));
    ButtonOk->setDefault(true);
    ButtonCancel = new QPushButton(QStringLiteral("Отмена"));
    ButtonCancel->setObjectName(QStringLiteral("ButtonCancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ButtonOk);
    buttons->addWidget(ButtonCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(RgType);
    layout->addLayout(form);
    layout->addLayout(buttons);

    connect(typeGroup_, &QButtonGroup::idToggled, this, [this] { updateEnabled(); });
    connect(ButtonTask, &QPushButton::clicked, this, &TVirelTypeDialog::ButtonTaskClick);
    connect(ButtonOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TVirelTypeDialog::updateEnabled()
{
    const bool type19 = Radio19->isChecked();
    EditTaskFile->setEnabled(type19);
    ButtonTask->setEnabled(type19);
    EditSetn->setEnabled(type19);
}

void TVirelTypeDialog::ButtonTaskClick()
{
    const QString start = EditTaskFile->text().isEmpty() ? databasePath_ : EditTaskFile->text();
    const QString file = rastrova::app::FileChoosers::openFile(
        this, QStringLiteral("Файл задачи контроллера"), start, QStringLiteral("Файлы задач (*.tsk *.TSK)"));
    if (!file.isEmpty())
        EditTaskFile->setText(file);
}

int TVirelTypeDialog::choose(const QString& taskFile, int setn, int type, QString& taskFileOut, int& setnOut)
{
    (type == 1 ? Radio19 : Radio10)->setChecked(true);
    EditTaskFile->setText(taskFile);
    EditSetn->setValue(setn);
    updateEnabled();
    if (exec() != QDialog::Accepted)
        return -1;
    // A file name has no quotes or blanks around it.
    QString chosen = EditTaskFile->text().trimmed();
    if (chosen.size() >= 2 && chosen.startsWith(u'"') && chosen.endsWith(u'"'))
        chosen = chosen.mid(1, chosen.size() - 2).trimmed();
    taskFileOut = chosen;
    setnOut = EditSetn->value();
    return Radio19->isChecked() ? 1 : 0;
}
