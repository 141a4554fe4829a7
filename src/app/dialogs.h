#pragma once
// File and folder choosers of the editor. Like the message boxes, they can be
// answered by tests instead of a modal dialog.

#include <QString>
#include <functional>

class QWidget;

namespace rastrova::app {

class FileChoosers {
public:
    // Returns the chosen path, or an empty string when the user cancelled.
    using SaveChooser = std::function<QString(const QString& title, const QString& initialPath, const QString& filter)>;
    using FolderChooser = std::function<QString(const QString& title, const QString& initialFolder)>;
    using OpenChooser = SaveChooser;

    static QString saveFile(QWidget* parent, const QString& title, const QString& initialPath, const QString& filter);
    static QString openFile(QWidget* parent, const QString& title, const QString& initialPath, const QString& filter);
    static QString folder(QWidget* parent, const QString& title, const QString& initialFolder);

    static void setSaveChooser(SaveChooser chooser);
    static void setOpenChooser(OpenChooser chooser);
    static void setFolderChooser(FolderChooser chooser);
};

} // namespace rastrova::app
