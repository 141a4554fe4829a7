#include "kUnit.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

TkForm::TkForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("kForm"));
    setModal(true);
    Panels = new QStackedWidget(this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Panels);

    PanelName = new QWidget;
    PanelName->setObjectName(QStringLiteral("PanelName"));
    auto* v = new QVBoxLayout(PanelName);
    LabelCaption = new QLabel;
    LabelCaption->setObjectName(QStringLiteral("LabelCaption"));
    LabelFolder = new QLabel;
    LabelFolder->setObjectName(QStringLiteral("LabelFolder"));
    LabelFolder->setStyleSheet(QStringLiteral("font-weight: bold"));
    LabelFolder->setTextInteractionFlags(Qt::TextSelectableByMouse);
    LabelPrompt = new QLabel;
    LabelPrompt->setObjectName(QStringLiteral("LabelPrompt"));
    EditName = new QLineEdit;
    EditName->setObjectName(QStringLiteral("EditName"));
    EditName->setMinimumWidth(360);
    ButtonCreate = new QPushButton(QStringLiteral("Создать"));
    ButtonCreate->setObjectName(QStringLiteral("ButtonCreate"));
    ButtonCreate->setDefault(true);
    ButtonCancel = new QPushButton(QStringLiteral("Отмена"));
    ButtonCancel->setObjectName(QStringLiteral("ButtonCancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ButtonCreate);
    buttons->addWidget(ButtonCancel);
    v->addWidget(LabelCaption);
    v->addWidget(LabelFolder);
    v->addSpacing(8);
    v->addWidget(LabelPrompt);
    v->addWidget(EditName);
    v->addLayout(buttons);
    Panels->addWidget(PanelName);

    connect(ButtonCreate, &QPushButton::clicked, this, &TkForm::ButtonCreateClick);
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
}

bool TkForm::execNamePanel(const QString& title, const QString& caption, const QString& folderLine,
                           const QString& prompt, const QString& defaultName,
                           const std::function<bool(const QString&)>& accept)
{
    setWindowTitle(title);
    LabelCaption->setText(caption);
    LabelFolder->setText(folderLine);
    LabelFolder->setToolTip(folderLine);
    LabelPrompt->setText(prompt);
    EditName->setText(defaultName);
    EditName->selectAll();
    EditName->setFocus();
    accept_ = accept;
    Panels->setCurrentWidget(PanelName);
    adjustSize();
    const bool created = exec() == QDialog::Accepted;
    accept_ = nullptr;
    return created;
}

void TkForm::ButtonCreateClick()
{
    if (accept_ && accept_(EditName->text()))
        accept();
}
