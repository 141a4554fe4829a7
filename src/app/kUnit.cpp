#include "kUnit.h"

#include <QHBoxLayout>
#include <QFormLayout>
#include <QLabel>
#include <QSpinBox>
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

    // Columns and rows. The fields take up to three digits, so that every value the
    // arrows reach can also be typed; values above the limits are refused on "ОК".
    PanelColsRows = new QWidget;
    PanelColsRows->setObjectName(QStringLiteral("PanelColsRows"));
    auto* form = new QFormLayout(PanelColsRows);
    auto makeField = [](const QString& name) {
        auto* box = new QSpinBox;
        box->setObjectName(name);
        box->setRange(0, 999);
        return box;
    };
    EditColumns = makeField(QStringLiteral("EditColumns"));
    EditRows = makeField(QStringLiteral("EditRows"));
    EditWidth = makeField(QStringLiteral("EditWidth"));
    form->addRow(QStringLiteral("Число столбцов:"), EditColumns);
    form->addRow(QStringLiteral("Число строк:"), EditRows);
    form->addRow(QStringLiteral("Ширина столбца:"), EditWidth);
    ButtonColsRowsOk = new QPushButton(QStringLiteral("ОК"));
    ButtonColsRowsOk->setObjectName(QStringLiteral("ButtonColsRowsOk"));
    ButtonColsRowsOk->setDefault(true);
    ButtonColsRowsCancel = new QPushButton(QStringLiteral("Отмена"));
    ButtonColsRowsCancel->setObjectName(QStringLiteral("ButtonColsRowsCancel"));
    auto* colsRowsButtons = new QHBoxLayout;
    colsRowsButtons->addStretch();
    colsRowsButtons->addWidget(ButtonColsRowsOk);
    colsRowsButtons->addWidget(ButtonColsRowsCancel);
    form->addRow(colsRowsButtons);
    Panels->addWidget(PanelColsRows);
    connect(ButtonColsRowsOk, &QPushButton::clicked, this, &TkForm::ButtonColsRowsOkClick);
    connect(ButtonColsRowsCancel, &QPushButton::clicked, this, &QDialog::reject);

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

bool TkForm::execColsRowsPanel(int columns, int rows, int width,
                               const std::function<bool(const ColsRows&)>& accept)
{
    setWindowTitle(QStringLiteral("Колонки и строки"));
    EditColumns->setValue(columns);
    EditRows->setValue(rows);
    EditWidth->setValue(width);
    shownWidth_ = width;
    acceptColsRows_ = accept;
    Panels->setCurrentWidget(PanelColsRows);
    adjustSize();
    const bool done = exec() == QDialog::Accepted;
    acceptColsRows_ = nullptr;
    return done;
}

void TkForm::ButtonColsRowsOkClick()
{
    const ColsRows values{EditColumns->value(), EditRows->value(), EditWidth->value(),
                          EditWidth->value() != shownWidth_};
    if (acceptColsRows_ && acceptColsRows_(values))
        accept();
}
