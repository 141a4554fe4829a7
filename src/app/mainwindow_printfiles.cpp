// The main window's print-file manager commands: new print file and blank,
// save and save as, delete, properties. The rules are the store's; these ask
// the user and keep the tree in step.

#include "mUnit.h"
#include "mainwindow_shared.h"
#include "printfiletree.h"

#include "dialogs.h"
#include "kUnit.h"
#include "messages.h"
#include "tekchDialog.h"

#include "store/manager.h"
#include "store/names.h"
#include "store/printfile.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QTreeWidget>

using namespace rastrova;
using namespace rastrova::store;
using rastrova::app::Messages;
using namespace mainwindow;

void TmForm::NewClick()
{
    switch (settings_.openAction) {
    case 1: ActNewArchive->trigger(); break;
    case 2: ActNewPrintFile->trigger(); break;
    default: ActNewHourly->trigger(); break;
    }
}

void TmForm::NewPrintFileClick()
{
    kForm_->execNamePanel(
        QStringLiteral("Создание нового файла печати"), QStringLiteral("Текущая папка с файлами печати:"),
        baseFolder_, QStringLiteral("Укажите имя нового файла печати:"), defaultPrintFileName(baseFolder_),
        [this](const QString& name) {
            Status st = createPrintFile(baseFolder_, name);
            if (!st) {
                Messages::warning(kForm_, st.message());
                return false;
            }
            if (!tree_.hasPrintFiles()) {
                const QSignalBlocker block(Tree);
                Tree->clear();
                currentNode_ = nullptr;
            }
            printFiles_ << name;
            QTreeWidgetItem* root = tree_.addPrintFile(name);
            root->setExpanded(true);
            Tree->setCurrentItem(root);
            return true;
        });
}

void TmForm::NewBlankClick(BlankKind kind)
{
    if (!tree_.hasPrintFiles() || currentPrintFile_.isEmpty())
        return;
    QString taskFile;
    int setn = 0;
    const int type = typeDialog_->choose(openBlank_.document().settings.taskFile, openBlank_.document().settings.setn, 0, taskFile, setn);
    if (type < 0)
        return;
    const BlankSettings chosen = store::newBlankSettings(kind, type, taskFile, setn);

    const QString printFile = currentPrintFile_;
    const QString folder = printFileFolder(printFile);
    PrintFileHeader header(folder);
    header.load();
    const bool archive = kind == BlankKind::Archive;
    kForm_->execNamePanel(
        QStringLiteral("Создание нового бланка"),
        archive ? QStringLiteral("Архивный бланк для файла печати:") : QStringLiteral("Почасовой бланк для файла печати:"),
        printFile, QStringLiteral("Укажите имя нового бланка:"), defaultBlankName(header.blankNames(), kind),
        [&](const QString& name) {
            NameProblem problem = NameProblem::None;
            Status st = createBlank(folder, name, kind, nullptr, &problem);
            if (!st) {
                if (problem == NameProblem::Taken)
                    Messages::warning(kForm_, archive ? QStringLiteral("Имя бланка должно быть уникальным в пределах "
                                                                       "файла печати.\rБудьте внимательны.")
                                                      : QStringLiteral("Имя бланка должно быть уникальным в пределах "
                                                                       "почасовых бланках файла печати.\rБудьте "
                                                                       "внимательны."));
                else
                    Messages::warning(kForm_, st.message());
                return false;
            }
            QTreeWidgetItem* group = tree_.group(tree_.printFile(printFile), kind);
            if (!group)
                return true;
            QTreeWidgetItem* node = tree_.addSorted(group, name.trimmed());
            group->setExpanded(true);
            // The new blank is loaded with the settings chosen for it, its catalogue
            // included, and saved with them.
            openBlank_.setNewBlankSettings(chosen);
            Tree->setCurrentItem(node);
            openBlank_.setNewBlankSettings(std::nullopt);
            if (openBlank_.isOpen() && currentNode_ == node)
                openBlank_.save(true);
            return true;
        });
}

void TmForm::SaveClick()
{
    openBlank_.save(true);
}

void TmForm::SaveAsClick()
{
    if (!openBlank_.isOpen())
        return;
    const QString initial = QDir(printFileFolder(currentPrintFile_)).filePath(currentBlank_ + QLatin1String(".ini"));
    QString chosen = app::FileChoosers::saveFile(
        this, QStringLiteral("Сохранить бланк \"") + currentBlank_ + QStringLiteral("\" как ..."), initial,
        QStringLiteral("бланк печати (*.ini *.INI)"));
    if (chosen.isEmpty())
        return;
    const QString fileName = saveAsFileName(chosen);
    if (isHeaderFileName(fileName)) {
        Messages::show(this, QStringLiteral("Ошибка записи"),
                       QStringLiteral("Файл печати не может иметь имя \"") + fileName + QStringLiteral("\".") + u'\n' +
                           QStringLiteral(" Будьте внимательны."),
                       app::MsgIcon::Error);
        return;
    }
    // The name becomes a key of that folder's header.
    if (const NameCheck check = checkHeaderName(QFileInfo(fileName).completeBaseName()); !check.ok()) {
        Messages::error(this, check.message);
        return;
    }
    if (!QFileInfo(fileName).absoluteDir().exists()) {
        Messages::error(this, QStringLiteral("Папка \"%1\" не существует.").arg(QFileInfo(fileName).absolutePath()));
        return;
    }
    const bool overwrite = QFileInfo::exists(fileName);
    if (overwrite && !Messages::ask(this, QStringLiteral("Файл с именем:\r\"") + fileName + QStringLiteral("\".") +
                                              u'\n' + QStringLiteral("уже есть, продолжить?")))
        return;

    if (Status st = openBlank_.saveAs(fileName); !st) {
        Messages::error(this, st.message());
        return;
    }

    // A blank saved into a print file of the base folder joins the tree there;
    // elsewhere no image is made.
    const QString printFile = store::printFileUnderBase(baseFolder_, fileName);
    if (printFile.isEmpty())
        return;
    QTreeWidgetItem* group = tree_.group(tree_.printFile(printFile), openBlank_.document().settings.kind);
    if (!group)
        return;
    const QString name = QFileInfo(fileName).completeBaseName();
    QTreeWidgetItem* node = nullptr;
    for (int i = 0; i < group->childCount() && !node; ++i)
        if (group->child(i)->text(0) == name)
            node = group->child(i);
    if (!node)
        node = tree_.addSorted(group, name);
    group->setExpanded(true);
    // Selecting the node saves the blank under its old name first; the checks of
    // that same grid are shown once, for the copy.
    openBlank_.setArchiveChecksShown(false);
    Tree->setCurrentItem(node);
    openBlank_.setArchiveChecksShown(true);
    SaveClick();
}

void TmForm::DeleteClick()
{
    QTreeWidgetItem* node = Tree->currentItem();
    if (!node || !tree_.hasPrintFiles())
        return;
    const QString nl = QStringLiteral("\n");
    switch (app::PrintFileTree::level(node)) {
    case BlankLevel: {
        const QString name = node->text(0);
        const QString printFile = node->parent()->parent()->text(0);
        const bool hourly = node->parent()->text(0) == kHourlyGroup;
        const QString text = QStringLiteral("Вы действительно хотите удалить ") +
                             (hourly ? QStringLiteral("почасовой бланк \"") : QStringLiteral("архивный бланк \"")) +
                             name + QStringLiteral("\"") + nl + QStringLiteral("из файла печати \"") + printFile +
                             QStringLiteral("\"?") + nl;
        if (!Messages::ask(this, text))
            return;
        const QString folder = printFileFolder(printFile);
        if (openBlank_.isAmong(folder, {name}))
            openBlank_.discard();
        if (Status st = deleteBlank(folder, name); !st)
            Messages::error(this, st.message());
        delete node;
        break;
    }
    case PrintFileLevel: {
        const QString printFile = node->text(0);
        if (!Messages::ask(this, QStringLiteral("Вы действительно хотите удалить файл печати \"") + printFile +
                                     QStringLiteral("\" полностью?")))
            return;
        const QString folder = printFileFolder(printFile);
        if (openBlank_.isIn(folder))
            openBlank_.discard();
        if (Status st = deletePrintFile(folder); !st)
            Messages::error(this, st.message());
        printFiles_.removeAll(printFile);
        {
            const QSignalBlocker block(Tree);
            delete node;
            currentNode_ = nullptr;
        }
        if (Tree->topLevelItemCount() == 0) {
            const QSignalBlocker block(Tree);
            setNoPrintFiles();
        }
        TreeChange(Tree->currentItem() ? Tree->currentItem() : Tree->topLevelItem(0));
        break;
    }
    case GroupLevel: {
        if (node->childCount() == 0)
            return;
        const QString printFile = node->parent()->text(0);
        const bool hourly = node->text(0) == kHourlyGroup;
        const QString text = (hourly ? QStringLiteral("Вы действительно хотите удалить все почасовые бланки\rфайла "
                                                      "печати \"")
                                     : QStringLiteral("Вы действительно хотите удалить все архивные бланки\rфайла "
                                                      "печати \"")) +
                             printFile + QStringLiteral("\"?");
        if (!Messages::ask(this, text))
            return;
        const QString folder = printFileFolder(printFile);
        QStringList names;
        for (int i = 0; i < node->childCount(); ++i)
            names << node->child(i)->text(0);
        if (openBlank_.isAmong(folder, names))
            openBlank_.discard();
        if (Status st = deleteBlanks(folder, names); !st)
            Messages::error(this, st.message());
        const QSignalBlocker block(Tree);
        qDeleteAll(node->takeChildren());
        break;
    }
    }
}

void TmForm::PropertiesClick()
{
    if (!openBlank_.isOpen())
        return;
    QString taskFile;
    int setn = 0;
    const int type = typeDialog_->choose(openBlank_.document().settings.taskFile, openBlank_.document().settings.setn, openBlank_.document().settings.virelType,
                                         taskFile, setn);
    if (type < 0)
        return;
    const editor::BlankState before = openBlank_.state();
    openBlank_.document().settings.virelType = type;
    openBlank_.document().settings.taskFile = taskFile;
    openBlank_.document().settings.setn = setn;
    openBlank_.record(editor::BlankCommand::Properties, before);
    // Selecting the node again saves the blank with its new settings and reloads it;
    // the history goes on.
    openBlank_.setKeepHistory(true);
    TreeChange(Tree->currentItem());
    openBlank_.setKeepHistory(false);
}
