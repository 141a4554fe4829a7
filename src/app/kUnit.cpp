#include "kUnit.h"
#include "store/blank.h"

#include "messages.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QVBoxLayout>

using namespace rastrova;
using rastrova::app::Messages;

namespace {
const QString kInsertParamTitle = QStringLiteral("Вставить параметр в бланк");
constexpr QSize kCatalogueSize(490, 277);
} // namespace

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

    // Inserting parameters: the radio group of a type "10" blank with the fields its
    // items need, or the parameter tree of a type "19" blank in the tree host.
    PanelInsertParam = new QWidget;
    PanelInsertParam->setObjectName(QStringLiteral("PanelInsertParam"));
    auto* insertLayout = new QVBoxLayout(PanelInsertParam);
    auto* choices = new QHBoxLayout;
    RgParam = new QGroupBox(editor::kMenuCaption);
    RgParam->setObjectName(QStringLiteral("RgParam"));
    RgParamButtons = new QButtonGroup(this);
    auto* radios = new QVBoxLayout(RgParam);
    const QStringList items = editor::menuItemTexts();
    for (int i = 0; i < items.size(); ++i) {
        auto* radio = new QRadioButton(items[i]);
        radio->setObjectName(QStringLiteral("RgParamItem%1").arg(i));
        RgParamButtons->addButton(radio, i);
        radios->addWidget(radio);
    }
    TreeHost = new QWidget;
    TreeHost->setObjectName(QStringLiteral("TreeHost"));
    auto* treeLayout = new QVBoxLayout(TreeHost);
    treeLayout->setContentsMargins(0, 0, 0, 0);
    ChoiceFields = new QWidget;
    ChoiceFields->setObjectName(QStringLiteral("ChoiceFields"));
    auto* fields = new QVBoxLayout(ChoiceFields);
    LabelNumber = new QLabel;
    LabelNumber->setObjectName(QStringLiteral("LabelNumber"));
    EditNumber = new QSpinBox;
    EditNumber->setObjectName(QStringLiteral("EditNumber"));
    LabelGroups = new QLabel(editor::kGroupPrompt);
    LabelGroups->setObjectName(QStringLiteral("LabelGroups"));
    ComboGroups = new QComboBox;
    ComboGroups->setObjectName(QStringLiteral("ComboGroups"));
    ListEntries = new QListWidget;
    ListEntries->setObjectName(QStringLiteral("ListEntries"));
    LabelHex = new QLabel(editor::kOtherFieldLabel);
    LabelHex->setObjectName(QStringLiteral("LabelHex"));
    EditHex = new QLineEdit;
    EditHex->setObjectName(QStringLiteral("EditHex"));
    EditHex->setMaxLength(editor::kOtherFieldLength);
    EditHex->installEventFilter(this);
    LabelNumber->setBuddy(EditNumber);
    LabelHex->setBuddy(EditHex);
    fields->addWidget(LabelGroups);
    fields->addWidget(ComboGroups);
    fields->addWidget(ListEntries, 1);
    fields->addWidget(LabelNumber);
    fields->addWidget(EditNumber);
    fields->addWidget(LabelHex);
    fields->addWidget(EditHex);
    fields->addStretch();
    ChoiceFields->setMinimumWidth(260);
    choices->addWidget(RgParam);
    choices->addWidget(TreeHost, 1);
    choices->addWidget(ChoiceFields);
    ButtonAddParam = new QPushButton(QStringLiteral("Добавить параметр"));
    ButtonAddParam->setObjectName(QStringLiteral("ButtonAddParam"));
    ButtonExit = new QPushButton(QStringLiteral("Выход"));
    ButtonExit->setObjectName(QStringLiteral("ButtonExit"));
    auto* insertButtons = new QHBoxLayout;
    insertButtons->addStretch();
    insertButtons->addWidget(ButtonAddParam);
    insertButtons->addWidget(ButtonExit);
    insertLayout->addLayout(choices, 1);
    insertLayout->addLayout(insertButtons);
    Panels->addWidget(PanelInsertParam);
    connect(RgParamButtons, &QButtonGroup::idClicked, this, &TkForm::RgParamClick);
    connect(ComboGroups, &QComboBox::currentIndexChanged, this, &TkForm::ComboGroupsChange);
    // Pasted text is upper-cased too; what is no hexadecimal number is refused on adding.
    connect(EditHex, &QLineEdit::textEdited, this, [this](const QString& text) {
        const QString upper = text.toUpper();
        if (upper != text) {
            const int at = EditHex->cursorPosition();
            EditHex->setText(upper);
            EditHex->setCursorPosition(at);
        }
    });
    connect(ButtonAddParam, &QPushButton::clicked, this, &TkForm::ButtonAddParamClick);
    connect(ButtonExit, &QPushButton::clicked, this, &QDialog::reject);

    // The archive depth. The start depth takes three digits: a daily archive reaches 255.
    PanelDepth = new QWidget;
    PanelDepth->setObjectName(QStringLiteral("PanelDepth"));
    auto* depthForm = new QFormLayout(PanelDepth);
    EditStartDepth = new QSpinBox;
    EditStartDepth->setObjectName(QStringLiteral("EditStartDepth"));
    EditStartDepth->setRange(0, 999);
    EditStartDepth->setValue(1);
    EditEndDepth = new QSpinBox;
    EditEndDepth->setObjectName(QStringLiteral("EditEndDepth"));
    EditEndDepth->setRange(0, 99);
    depthForm->addRow(editor::kStartDepthLabel, EditStartDepth);
    depthForm->addRow(editor::kEndDepthLabel, EditEndDepth);
    LabelDepthRule = new QLabel(editor::kDepthRule);
    LabelDepthRule->setObjectName(QStringLiteral("LabelDepthRule"));
    depthForm->addRow(LabelDepthRule);
    ButtonDepthOk = new QPushButton(QStringLiteral("ОК"));
    ButtonDepthOk->setObjectName(QStringLiteral("ButtonDepthOk"));
    ButtonDepthCancel = new QPushButton(QStringLiteral("Отмена"));
    ButtonDepthCancel->setObjectName(QStringLiteral("ButtonDepthCancel"));
    auto* depthButtons = new QHBoxLayout;
    depthButtons->addStretch();
    depthButtons->addWidget(ButtonDepthOk);
    depthButtons->addWidget(ButtonDepthCancel);
    depthForm->addRow(depthButtons);
    Panels->addWidget(PanelDepth);
    connect(ButtonDepthOk, &QPushButton::clicked, this, &TkForm::ButtonDepthOkClick);
    connect(ButtonDepthCancel, &QPushButton::clicked, this, &QDialog::reject);
}

// Shows one panel; the hidden ones do not count in the dialog's size. The panel's
// `defaultButton` becomes the one default button of the whole dialog: the buttons
// of the other panels share the window, and a button that had the focus when the
// dialog last closed would otherwise keep answering Enter.
void TkForm::showPanel(QWidget* panel, QPushButton* defaultButton)
{
    for (int i = 0; i < Panels->count(); ++i) {
        QWidget* page = Panels->widget(i);
        const auto policy = page == panel ? QSizePolicy::Preferred : QSizePolicy::Ignored;
        page->setSizePolicy(policy, policy);
    }
    Panels->setCurrentWidget(panel);
    Panels->updateGeometry();
    layout()->invalidate();
    const QList<QPushButton*> buttons = findChildren<QPushButton*>();
    for (QPushButton* button : buttons)
        button->setDefault(false);
    // Set after the others were cleared, with the button inside the dialog: the
    // dialog then also takes it as the button Enter goes back to when a focused
    // button that took Enter over loses the focus.
    defaultButton->setDefault(true);
    defaultButton_ = defaultButton;
}

// Puts the focus into the first field of the panel being opened, its text selected
// so that typing replaces it. Without a field the default button takes the focus,
// so that no control of a hidden panel keeps it.
void TkForm::focusFirstField(QWidget* field)
{
    if (!field || !field->isEnabled())
        field = defaultButton_;
    field->setFocus(Qt::OtherFocusReason);
    if (auto* line = qobject_cast<QLineEdit*>(field))
        line->selectAll();
    else if (auto* box = qobject_cast<QAbstractSpinBox*>(field))
        box->selectAll();
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
    accept_ = accept;
    showPanel(PanelName, ButtonCreate);
    adjustSize();
    focusFirstField(EditName);
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
    showPanel(PanelColsRows, ButtonColsRowsOk);
    adjustSize();
    focusFirstField(EditColumns);
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

// ------------------------------------------------------------------ inserting parameters

int TkForm::execInsertParamPanel(store::BlankKind kind, int controllerType,
                                 const editor::ReferenceList& references, const AppendParameter& append)
{
    setWindowTitle(kInsertParamTitle);
    blankKind_ = kind;
    controllerType_ = controllerType;
    references_ = &references;
    append_ = append;
    added_ = 0;
    {
        const QSignalBlocker block(ComboGroups);
        ComboGroups->clear();
        ComboGroups->addItems(references.offeredGroups());
    }
    const bool catalogue = store::isControllerType19(controllerType);
    RgParam->setVisible(!catalogue);
    ChoiceFields->setVisible(!catalogue);
    TreeHost->setVisible(catalogue);
    lastItem_ = editor::ItemTime;
    RgParamButtons->button(editor::ItemTime)->setChecked(true);
    applyItem(editor::ItemTime);
    showPanel(PanelInsertParam, ButtonAddParam);
    if (catalogue) {
        resize(kCatalogueSize);
        focusFirstField(firstTreeField());
    } else {
        adjustSize();
        focusFirstField(RgParamButtons->button(editor::ItemTime));
    }
    exec();
    append_ = nullptr;
    references_ = nullptr;
    return added_;
}

QWidget* TkForm::firstTreeField() const
{
    const QList<QWidget*> controls = TreeHost->findChildren<QWidget*>();
    for (QWidget* w : controls)
        if ((w->focusPolicy() & Qt::TabFocus) && !w->isHidden() && w->isEnabled())
            return w;
    return nullptr;
}

void TkForm::RgParamClick(int item)
{
    if (!editor::menuItemAllowed(item, blankKind_)) {
        Messages::error(this, editor::menuItemRefusal());
        RgParamButtons->button(lastItem_)->setChecked(true);
        return;
    }
    applyItem(item);
}

// Shows what the item needs and remembers it as the choice to go back to.
void TkForm::applyItem(int item)
{
    lastItem_ = item;
    for (QWidget* w : std::initializer_list<QWidget*>{LabelNumber, EditNumber, LabelGroups, ComboGroups,
                                                      ListEntries, LabelHex, EditHex})
        w->hide();
    switch (item) {
    case editor::ItemFromList:
        LabelGroups->show();
        ComboGroups->show();
        ListEntries->show();
        if (ComboGroups->currentIndex() != 0 && ComboGroups->count() > 0)
            ComboGroups->setCurrentIndex(0); // applies the group
        else
            ComboGroupsChange(ComboGroups->currentIndex());
        break;
    case editor::ItemOther:
        LabelHex->show();
        EditHex->show();
        break;
    default:
        showNumberField(editor::menuNumberField(item), false);
        break;
    }
}

void TkForm::ComboGroupsChange(int group)
{
    ListEntries->clear();
    if (!references_ || group < 0) {
        showNumberField(std::nullopt, false);
        return;
    }
    for (const editor::ReferenceEntry& entry : references_->groupEntries(group))
        ListEntries->addItem(entry.name.trimmed());
    if (ListEntries->count() > 0)
        ListEntries->setCurrentRow(0);
    showNumberField(editor::groupNumberField(group), editor::groupResetsNumber(group));
}

// Shows the number field with its label and range, or hides it. A value above the
// range becomes 0.
void TkForm::showNumberField(const std::optional<editor::NumberField>& field, bool resetToZero)
{
    LabelNumber->setVisible(field.has_value());
    EditNumber->setVisible(field.has_value());
    if (!field)
        return;
    LabelNumber->setText(field->label);
    const int value = resetToZero ? 0 : editor::clampToField(EditNumber->value(), *field);
    EditNumber->setRange(0, field->maximum);
    EditNumber->setValue(value);
}

void TkForm::ButtonAddParamClick()
{
    if (store::isControllerType19(controllerType_)) {
        if (catalogueSelection_)
            if (const std::optional<editor::CatalogueParameter> parameter = catalogueSelection_())
                addCatalogueParameter(*parameter);
        return;
    }
    const int item = RgParamButtons->checkedId();
    std::optional<editor::ParameterCode> parameter;
    if (item == editor::ItemOther) {
        parameter = editor::otherParameter(EditHex->text());
        if (!parameter) {
            Messages::error(this, editor::otherParameterError());
            return;
        }
    } else if (item == editor::ItemFromList) {
        const int group = ComboGroups->currentIndex();
        const int entry = ListEntries->currentRow();
        const QList<editor::ReferenceEntry> entries =
            references_ && group >= 0 ? references_->groupEntries(group) : QList<editor::ReferenceEntry>();
        if (entry < 0 || entry >= entries.size())
            return; // the list offers nothing to add
        parameter = editor::listParameter(entries[entry], group, EditNumber->value());
    } else {
        parameter = editor::menuParameter(item, EditNumber->value());
    }
    if (!parameter)
        return;
    appendParameter(*parameter);
    accept();
}

void TkForm::appendParameter(const editor::ParameterCode& parameter)
{
    if (append_)
        append_(parameter.code, parameter.name);
    ++added_;
}

void TkForm::catalogueNodeChosen(const std::optional<editor::CatalogueParameter>& parameter)
{
    if (!parameter)
        return;
    if (const std::optional<int> maximum =
            editor::catalogueDepthMaximum(parameter->kind, parameter->archiveHours))
        depthMaximum_ = *maximum;
}

bool TkForm::addCatalogueParameter(const editor::CatalogueParameter& parameter)
{
    if (!isVisible() || Panels->currentWidget() != PanelInsertParam || !append_)
        return false;
    appendParameter(editor::catalogueParameter(parameter));
    return true;
}

bool TkForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == EditHex) {
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            const QString text = key->text();
            // Editing and moving keys and shortcuts pass; a character only when it
            // is a hexadecimal digit, a-f going in as A-F.
            if (text.size() == 1 && text[0].isPrint() &&
                !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
                const QChar digit = editor::hexFieldKey(text[0]);
                if (!digit.isNull() && digit != text[0])
                    EditHex->insert(QString(digit));
                return digit.isNull() || digit != text[0];
            }
        } else if (event->type() == QEvent::MouseButtonRelease) {
            EditHex->selectAll();
        }
    }
    return QDialog::eventFilter(watched, event);
}

// ------------------------------------------------------------------ the archive depth

std::optional<editor::ArchiveDepth> TkForm::execDepthPanel(int startMaximum, int endMaximum)
{
    setWindowTitle(editor::kDepthPanelTitle);
    startMaximum_ = startMaximum;
    endMaximum_ = endMaximum;
    showPanel(PanelDepth, ButtonDepthOk);
    adjustSize();
    focusFirstField(EditStartDepth);
    if (exec() != QDialog::Accepted)
        return std::nullopt;
    return editor::ArchiveDepth{EditStartDepth->value(), EditEndDepth->value()};
}

void TkForm::ButtonDepthOkClick()
{
    const editor::ArchiveDepth depth{EditStartDepth->value(), EditEndDepth->value()};
    if (const QString problem = editor::checkArchiveDepth(depth, startMaximum_, endMaximum_);
        !problem.isEmpty()) {
        Messages::error(this, problem);
        return;
    }
    accept();
}
