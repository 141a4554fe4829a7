#include "dialogs.h"

#include <QFileDialog>

namespace rastrova::app {

namespace {
FileChoosers::SaveChooser& saveChooser()
{
    static FileChoosers::SaveChooser c;
    return c;
}
FileChoosers::OpenChooser& openChooser()
{
    static FileChoosers::OpenChooser c;
    return c;
}
FileChoosers::FolderChooser& folderChooser()
{
    static FileChoosers::FolderChooser c;
    return c;
}
} // namespace

QString FileChoosers::saveFile(QWidget* parent, const QString& title, const QString& initialPath,
                               const QString& filter)
{
    if (saveChooser())
        return saveChooser()(title, initialPath, filter);
    return QFileDialog::getSaveFileName(parent, title, initialPath, filter, nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

QString FileChoosers::openFile(QWidget* parent, const QString& title, const QString& initialPath,
                               const QString& filter)
{
    if (openChooser())
        return openChooser()(title, initialPath, filter);
    return QFileDialog::getOpenFileName(parent, title, initialPath, filter);
}

QString FileChoosers::folder(QWidget* parent, const QString& title, const QString& initialFolder)
{
    if (folderChooser())
        return folderChooser()(title, initialFolder);
    return QFileDialog::getExistingDirectory(parent, title, initialFolder);
}

void FileChoosers::setSaveChooser(SaveChooser chooser)
{
    saveChooser() = std::move(chooser);
}
void FileChoosers::setOpenChooser(OpenChooser chooser)
{
    openChooser() = std::move(chooser);
}
void FileChoosers::setFolderChooser(FolderChooser chooser)
{
    folderChooser() = std::move(chooser);
}

} // namespace rastrova::app
