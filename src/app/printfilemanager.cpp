#include "printfilemanager.h"
#include "mainwindow_shared.h"
#include "openblank.h"
#include "printfiletree.h"

#include "dialogs.h"
#include "kUnit.h"
#include "messages.h"
#include "tekchDialog.h"

#include "editor/history.h"
#include "store/manager.h"
#include "store/names.h"
#include "store/printfile.h"

#include <QDir>
#include <QFileInfo>
#include <QTreeWidget>

namespace rastrova::app {

using namespace rastrova::store;
using namespace mainwindow;

QString PrintFileManager::folderOf(const QString& printFile) const
{
    return QDir(window_.baseFolder()).filePath(printFile);
}

void PrintFileManager::newPrintFile()
{
    p_.namePanel->execNamePanel(QStringLiteral("Создание нового файла печати"),
                                QStringLiteral("Текущая папка с файлами печати:"), window_.baseFolder(),
                                QStringLiteral("Укажите имя нового файла печати:"),
                                defaultPrintFileName(window_.baseFolder()), [this](const QString& name) {
                                    Status st = createPrintFile(window_.baseFolder(), name);
                                    if (!st) {
                                        Messages::warning(p_.namePanel, st.message());
                                        return false;
                                    }
                                    if (!p_.nodes->hasPrintFiles()) {
                                        const QSignalBlocker block(p_.tree);
                                        p_.tree->clear();
                                        window_.shownNodeGone();
                                    }
                                    QTreeWidgetItem* root = p_.nodes->addPrintFile(name);
                                    root->setExpanded(true);
                                    p_.tree->setCurrentItem(root);
                                    return true;
                                });
}

void PrintFileManager::newBlank(BlankKind kind)
{
    if (!p_.nodes->hasPrintFiles() || window_.currentPrintFile().isEmpty())
        return;
    QString taskFile;
    int setn = 0;
    const int type = p_.typeDialog->choose(p_.blank->document().settings.taskFile,
                                           p_.blank->document().settings.setn, 0, taskFile, setn);
    if (type < 0)
        return;
    const BlankSettings chosen = store::newBlankSettings(kind, type, taskFile, setn);

    const QString printFile = window_.currentPrintFile();
    const QString folder = folderOf(printFile);
    PrintFileHeader header(folder);
    header.load();
    const bool archive = kind == BlankKind::Archive;
    p_.namePanel->execNamePanel(
        QStringLiteral("Создание нового бланка"),
        archive ? QStringLiteral("Архивный бланк для файла печати:")
                : QStringLiteral("Почасовой бланк для файла печати:"),
        printFile, QStringLiteral("Укажите имя нового бланка:"), defaultBlankName(header.blankNames(), kind),
        [&](const QString& name) {
            NameProblem problem = NameProblem::None;
            Status st = createBlank(folder, name, kind, nullptr, &problem);
            if (!st) {
                if (problem == NameProblem::Taken)
                    Messages::warning(p_.namePanel,
                                      archive ? QStringLiteral("Имя бланка должно быть уникальным в пределах "
                                                               "файла печати.\rБудьте внимательны.")
                                              : QStringLiteral("Имя бланка должно быть уникальным в пределах "
                                                               "почасовых бланках файла печати.\rБудьте "
                                                               "внимательны."));
                else
                    Messages::warning(p_.namePanel, st.message());
                return false;
            }
            QTreeWidgetItem* group = p_.nodes->group(p_.nodes->printFile(printFile), kind);
            if (!group)
                return true;
            QTreeWidgetItem* node = p_.nodes->addSorted(group, name.trimmed());
            group->setExpanded(true);
            // The new blank is loaded with the settings chosen for it, its catalogue
            // included, and saved with them.
            p_.blank->setNewBlankSettings(chosen);
            p_.tree->setCurrentItem(node);
            p_.blank->setNewBlankSettings(std::nullopt);
            if (p_.blank->isOpen() && window_.shownNode() == node)
                p_.blank->save(true);
            return true;
        });
}

void PrintFileManager::saveAs()
{
    if (!p_.blank->isOpen())
        return;
    const QString initial =
        QDir(folderOf(window_.currentPrintFile())).filePath(window_.currentBlank() + QLatin1String(".ini"));
    QString chosen = FileChoosers::saveFile(p_.dialogParent,
                                            QStringLiteral("Сохранить бланк \"") + window_.currentBlank() +
                                                QStringLiteral("\" как ..."),
                                            initial, QStringLiteral("бланк печати (*.ini *.INI)"));
    if (chosen.isEmpty())
        return;
    const QString fileName = saveAsFileName(chosen);
    if (isHeaderFileName(fileName)) {
        Messages::show(p_.dialogParent, QStringLiteral("Ошибка записи"),
                       QStringLiteral("Файл печати не может иметь имя \"") + fileName +
                           QStringLiteral("\".") + u'\n' + QStringLiteral(" Будьте внимательны."),
                       MsgIcon::Error);
        return;
    }
    // The name becomes a key of that folder's header.
    if (const NameCheck check = checkHeaderName(QFileInfo(fileName).completeBaseName()); !check.ok()) {
        Messages::error(p_.dialogParent, check.message);
        return;
    }
    if (!QFileInfo(fileName).absoluteDir().exists()) {
        Messages::error(
            p_.dialogParent,
            QStringLiteral("Папка \"%1\" не существует.").arg(QFileInfo(fileName).absolutePath()));
        return;
    }
    const bool overwrite = QFileInfo::exists(fileName);
    if (overwrite && !Messages::ask(p_.dialogParent, QStringLiteral("Файл с именем:\r\"") + fileName +
                                                         QStringLiteral("\".") + u'\n' +
                                                         QStringLiteral("уже есть, продолжить?")))
        return;

    if (Status st = p_.blank->saveAs(fileName); !st) {
        Messages::error(p_.dialogParent, st.message());
        return;
    }

    // A blank saved into a print file of the base folder joins the tree there;
    // elsewhere no image is made.
    const QString printFile = store::printFileUnderBase(window_.baseFolder(), fileName);
    if (printFile.isEmpty())
        return;
    QTreeWidgetItem* group =
        p_.nodes->group(p_.nodes->printFile(printFile), p_.blank->document().settings.kind);
    if (!group)
        return;
    const QString name = QFileInfo(fileName).completeBaseName();
    QTreeWidgetItem* node = nullptr;
    for (int i = 0; i < group->childCount() && !node; ++i)
        if (group->child(i)->text(0) == name)
            node = group->child(i);
    if (!node)
        node = p_.nodes->addSorted(group, name);
    group->setExpanded(true);
    // Selecting the node saves the blank under its old name first; the checks of
    // that same grid are shown once, for the copy.
    p_.blank->setArchiveChecksShown(false);
    p_.tree->setCurrentItem(node);
    p_.blank->setArchiveChecksShown(true);
    p_.blank->save(true);
}

void PrintFileManager::deleteSelected()
{
    QTreeWidgetItem* node = p_.tree->currentItem();
    if (!node || !p_.nodes->hasPrintFiles())
        return;
    switch (PrintFileTree::level(node)) {
    case BlankLevel:
        deleteBlankNode(node);
        break;
    case GroupLevel:
        deleteGroupNode(node);
        break;
    case PrintFileLevel:
        deletePrintFileNode(node);
        break;
    }
}

void PrintFileManager::deleteBlankNode(QTreeWidgetItem* node)
{
    const QString nl = QStringLiteral("\n");
    const QString name = node->text(0);
    const QString printFile = node->parent()->parent()->text(0);
    const bool hourly = node->parent()->text(0) == kHourlyGroup;
    const QString text =
        QStringLiteral("Вы действительно хотите удалить ") +
        (hourly ? QStringLiteral("почасовой бланк \"") : QStringLiteral("архивный бланк \"")) + name +
        QStringLiteral("\"") + nl + QStringLiteral("из файла печати \"") + printFile + QStringLiteral("\"?") +
        nl;
    if (!Messages::ask(p_.dialogParent, text))
        return;
    const QString folder = folderOf(printFile);
    if (p_.blank->isAmong(folder, {name}))
        p_.blank->discard();
    if (Status st = deleteBlank(folder, name); !st)
        Messages::error(p_.dialogParent, st.message());
    delete node;
}

void PrintFileManager::deleteGroupNode(QTreeWidgetItem* node)
{
    if (node->childCount() == 0)
        return;
    const QString printFile = node->parent()->text(0);
    const bool hourly = node->text(0) == kHourlyGroup;
    const QString text =
        (hourly ? QStringLiteral("Вы действительно хотите удалить все почасовые бланки\rфайла "
                                 "печати \"")
                : QStringLiteral("Вы действительно хотите удалить все архивные бланки\rфайла "
                                 "печати \"")) +
        printFile + QStringLiteral("\"?");
    if (!Messages::ask(p_.dialogParent, text))
        return;
    const QString folder = folderOf(printFile);
    QStringList names;
    for (int i = 0; i < node->childCount(); ++i)
        names << node->child(i)->text(0);
    if (p_.blank->isAmong(folder, names))
        p_.blank->discard();
    if (Status st = deleteBlanks(folder, names); !st)
        Messages::error(p_.dialogParent, st.message());
    const QSignalBlocker block(p_.tree);
    qDeleteAll(node->takeChildren());
}

void PrintFileManager::deletePrintFileNode(QTreeWidgetItem* node)
{
    const QString printFile = node->text(0);
    if (!Messages::ask(p_.dialogParent, QStringLiteral("Вы действительно хотите удалить файл печати \"") +
                                            printFile + QStringLiteral("\" полностью?")))
        return;
    const QString folder = folderOf(printFile);
    if (p_.blank->isIn(folder))
        p_.blank->discard();
    if (Status st = deletePrintFile(folder); !st)
        Messages::error(p_.dialogParent, st.message());
    {
        const QSignalBlocker block(p_.tree);
        delete node;
        window_.shownNodeGone();
    }
    if (p_.tree->topLevelItemCount() == 0) {
        const QSignalBlocker block(p_.tree);
        window_.noPrintFilesLeft();
    }
    window_.showNode(p_.tree->currentItem() ? p_.tree->currentItem() : p_.tree->topLevelItem(0));
}

void PrintFileManager::properties()
{
    if (!p_.blank->isOpen())
        return;
    QString taskFile;
    int setn = 0;
    const int type =
        p_.typeDialog->choose(p_.blank->document().settings.taskFile, p_.blank->document().settings.setn,
                              p_.blank->document().settings.virelType, taskFile, setn);
    if (type < 0)
        return;
    const editor::BlankState before = p_.blank->state();
    p_.blank->document().settings.virelType = type;
    p_.blank->document().settings.taskFile = taskFile;
    p_.blank->document().settings.setn = setn;
    p_.blank->record(editor::BlankCommand::Properties, before);
    // Selecting the node again saves the blank with its new settings and reloads it;
    // the history goes on.
    p_.blank->setKeepHistory(true);
    window_.showNode(p_.tree->currentItem());
    p_.blank->setKeepHistory(false);
}

} // namespace rastrova::app
