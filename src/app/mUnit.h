#pragma once
// The main window.

#include "store/settings.h"

#include <QMainWindow>

class QTreeWidget;

class TmForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TmForm(rastrova::store::ProgramPaths paths, QWidget* parent = nullptr);

    // Reads the settings and fills the print-file tree from the base folder.
    void ScanBase();

private:
    rastrova::store::ProgramPaths paths_;
    rastrova::store::ProgramSettings settings_;
    QTreeWidget* Tree;
};
