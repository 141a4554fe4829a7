#pragma once
// The multi-purpose dialog: one window with panels; opening it with a title shows
// the panel that title names.

#include <QDialog>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QStackedWidget;

class TkForm : public QDialog {
    Q_OBJECT
public:
    explicit TkForm(QWidget* parent = nullptr);

    // The print-file and blank panel: "Создать" hands the name to `accept`, which
    // returns true to close the dialog (false keeps it open, the name kept).
    // Returns true when the dialog closed through a successful "Создать".
    bool execNamePanel(const QString& title, const QString& caption, const QString& folderLine,
                       const QString& prompt, const QString& defaultName,
                       const std::function<bool(const QString&)>& accept);

    // The columns-and-rows panel. "ОК" hands the three numbers (and whether the
    // width field was changed) to `accept`, which returns true to close.
    struct ColsRows {
        int columns;
        int rows;
        int width;
        bool widthChanged;
    };
    bool execColsRowsPanel(int columns, int rows, int width, const std::function<bool(const ColsRows&)>& accept);

private:
    void ButtonCreateClick();
    void ButtonColsRowsOkClick();

    QStackedWidget* Panels;
    QWidget* PanelName;
    QLabel* LabelCaption;
    QLabel* LabelFolder;
    QLabel* LabelPrompt;
    QLineEdit* EditName;
    QPushButton* ButtonCreate;
    QPushButton* ButtonCancel;
    std::function<bool(const QString&)> accept_;

    QWidget* PanelColsRows;
    QSpinBox* EditColumns;
    QSpinBox* EditRows;
    QSpinBox* EditWidth;
    QPushButton* ButtonColsRowsOk;
    QPushButton* ButtonColsRowsCancel;
    int shownWidth_ = 0;
    std::function<bool(const ColsRows&)> acceptColsRows_;
};
