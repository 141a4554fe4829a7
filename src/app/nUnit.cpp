#include "nUnit.h"

#include "dialogs.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

using rastrova::store::ProgramSettings;

Tnform::Tnform(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("nForm"));
    setWindowTitle(QStringLiteral("Настройки программы"));
    setModal(true);

    auto* layout = new QVBoxLayout(this);

    auto* pathBox = new QGroupBox(QStringLiteral("Папка с файлами печати"));
    auto* pathRow = new QHBoxLayout(pathBox);
    EditPath = new QLineEdit;
    EditPath->setObjectName(QStringLiteral("EditPath"));
    EditPath->setMinimumWidth(380);
    EditPath->setToolTip(QStringLiteral("Папка, в которой находятся файлы печати"));
    ButtonPath = new QPushButton(QStringLiteral("..."));
    ButtonPath->setObjectName(QStringLiteral("ButtonPath"));
    ButtonPath->setMaximumWidth(32);
    ButtonPath->setToolTip(QStringLiteral("Выбрать папку с файлами печати"));
    pathRow->addWidget(EditPath);
    pathRow->addWidget(ButtonPath);
    layout->addWidget(pathBox);

    auto* panels = new QGroupBox(QStringLiteral("При запуске программы"));
    auto* pv = new QVBoxLayout(panels);
    CheckBox1 = new QCheckBox(QStringLiteral("Показывать стандартную панель"));
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox2 = new QCheckBox(QStringLiteral("Показывать панель бланка"));
    CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
    CheckBox3 = new QCheckBox(QStringLiteral("Отмечать менеджер инструментов"));
    CheckBox3->setObjectName(QStringLiteral("CheckBox3"));
    CheckBox4 = new QCheckBox(QStringLiteral("Показывать менеджер параметров бланка"));
    CheckBox4->setObjectName(QStringLiteral("CheckBox4"));
    for (QCheckBox* box : {CheckBox1, CheckBox2, CheckBox3, CheckBox4})
        pv->addWidget(box);
    layout->addWidget(panels);

    auto* action = new QGroupBox(QStringLiteral("Кнопка \"Новый...\" создаёт"));
    action->setObjectName(QStringLiteral("GroupOpenAction"));
    auto* av = new QVBoxLayout(action);
    RgOpenAction = new QButtonGroup(this);
    const QStringList items = {QStringLiteral("Часовой бланк"), QStringLiteral("Архивный бланк"),
                               QStringLiteral("Файл печати")};
    for (int i = 0; i < items.size(); ++i) {
        auto* radio = new QRadioButton(items[i]);
        radio->setObjectName(QStringLiteral("RadioOpenAction%1").arg(i));
        RgOpenAction->addButton(radio, i);
        av->addWidget(radio);
    }
    layout->addWidget(action);

    auto* dbBox = new QGroupBox(QStringLiteral("Папка базы данных контроллеров"));
    auto* dbRow = new QHBoxLayout(dbBox);
    EditDbPath = new QLineEdit;
    EditDbPath->setObjectName(QStringLiteral("EditDbPath"));
    EditDbPath->setToolTip(QStringLiteral("Папка, в которой находятся файлы задач контроллеров (TASK, alg)"));
    ButtonDbPath = new QPushButton(QStringLiteral("..."));
    ButtonDbPath->setObjectName(QStringLiteral("ButtonDbPath"));
    ButtonDbPath->setMaximumWidth(32);
    ButtonDbPath->setToolTip(QStringLiteral("Выбрать папку базы данных"));
    dbRow->addWidget(EditDbPath);
    dbRow->addWidget(ButtonDbPath);
    layout->addWidget(dbBox);

    LabelSettingsFile = new QLabel;
    LabelSettingsFile->setObjectName(QStringLiteral("LabelSettingsFile"));
    LabelSettingsFile->setWordWrap(true);
    LabelSettingsFile->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(LabelSettingsFile);

    ButtonClose = new QPushButton(QStringLiteral("Закрыть"));
    ButtonClose->setObjectName(QStringLiteral("ButtonClose"));
    ButtonClose->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ButtonClose);
    layout->addLayout(buttons);

    connect(ButtonPath, &QPushButton::clicked, this, &Tnform::ButtonPathClick);
    connect(ButtonDbPath, &QPushButton::clicked, this, &Tnform::ButtonDbPathClick);
    connect(ButtonClose, &QPushButton::clicked, this, &QDialog::accept);
    connect(EditPath, &QLineEdit::editingFinished, this,
            [this] { EditPath->setText(displayedPath(EditPath->text())); });
}

void Tnform::setPaths(const rastrova::store::ProgramPaths& paths)
{
    QString text = QStringLiteral("Файл настроек: %1").arg(QDir::toNativeSeparators(paths.settingsFile));
    if (paths.settingsRedirected)
        text += QStringLiteral("\nПапка программы недоступна для записи, поэтому настройки хранятся в папке "
                               "пользователя.");
    LabelSettingsFile->setText(text);
}

QString Tnform::displayedPath(const QString& path)
{
    const QString upper = path.toUpper();
    if (upper == path)
        return path;
    const QFileInfo typed(path);
    const QFileInfo upperInfo(upper);
    if (typed.exists() && upperInfo.exists() && typed.canonicalFilePath() == upperInfo.canonicalFilePath())
        return upper;
    return path;
}

void Tnform::showSettings(const ProgramSettings& s)
{
    EditPath->setText(displayedPath(s.baseFolder));
    CheckBox1->setChecked(s.standardToolbar);
    CheckBox2->setChecked(s.blankToolbar);
    CheckBox3->setChecked(s.toolManager);
    CheckBox4->setChecked(s.parameterList);
    if (QAbstractButton* b = RgOpenAction->button(s.openAction))
        b->setChecked(true);
    EditDbPath->setText(s.databasePath);
}

ProgramSettings Tnform::settings() const
{
    ProgramSettings s;
    s.baseFolder = rastrova::store::withoutTrailingSeparator(displayedPath(EditPath->text().trimmed()));
    s.standardToolbar = CheckBox1->isChecked();
    s.blankToolbar = CheckBox2->isChecked();
    s.toolManager = CheckBox3->isChecked();
    s.parameterList = CheckBox4->isChecked();
    s.openAction = std::max(0, RgOpenAction->checkedId());
    s.databasePath = EditDbPath->text().trimmed();
    return s;
}

void Tnform::ButtonPathClick()
{
    const QString folder =
        rastrova::app::FileChoosers::folder(this, QStringLiteral("Папка с файлами печати"), EditPath->text());
    if (!folder.isEmpty())
        EditPath->setText(displayedPath(QDir::toNativeSeparators(folder)));
}

void Tnform::ButtonDbPathClick()
{
    const QString folder =
        rastrova::app::FileChoosers::folder(this, QStringLiteral("Папка базы данных контроллеров"), EditDbPath->text());
    if (!folder.isEmpty())
        EditDbPath->setText(QDir::toNativeSeparators(folder));
}
