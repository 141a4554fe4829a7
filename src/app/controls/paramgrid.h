#pragma once
// The parameter-list panel's table: a view over a blank's parameter list owned
// elsewhere. The header row becomes the table's header (with the column hints as
// tool tips), the number column stays a column of its own, the code column is
// hidden, and so is the placeholder row of an empty list. A name cell's hint is
// the whole name, which the narrow name column cuts. p and q take digits
// only and are set right when the user leaves them; "Цел." is a check box. The
// context menu's commands are actions the main window connects.

#include "controls/commitdelegate.h"
#include "editor/paramlist.h"

#include <QAbstractTableModel>
#include <QStyledItemDelegate>
#include <QTableView>

class QAction;
class QMenu;

namespace rastrova::app {

class ParamGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ParamGridModel(QObject* parent = nullptr);

    // Shows `list` (not owned); nullptr shows nothing.
    void setList(editor::ParameterList* list);
    editor::ParameterList* list() const { return list_; }

    // Re-reads everything after the caller changed the list.
    void refresh();

    // Model row i is row i + 1 of the list (parameter i + 1); columns are the list's.
    QModelIndex indexOfCell(int col, int row) const { return index(row - 1, col); }

    // What leaving a cell of list row `row` does to p and q.
    void leaveRow(int row);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

signals:
    // The user changed the list: a p or q, a "Цел." box, a column width.
    void listChanged();

private:
    editor::ParameterList* list_ = nullptr;
};

// Edits p and q in a line edit that takes digits only.
class ParamGridDelegate : public CommitOnEnterDelegate {
    Q_OBJECT
public:
    using CommitOnEnterDelegate::CommitOnEnterDelegate;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
};

class ParamGridView : public QTableView {
    Q_OBJECT
public:
    explicit ParamGridView(QWidget* parent = nullptr);

    // Shows `list` (not owned) with its column widths and hidden rows.
    void setList(editor::ParameterList* list);
    editor::ParameterList* list() const { return model_->list(); }
    ParamGridModel* paramModel() const { return model_; }

    // Re-reads the list after the caller changed it (a parameter added or deleted).
    void refresh() { model_->refresh(); }

    // The parameter of the current row; 0 when there is none.
    int selectedParameter() const;
    // The parameter the context menu was last opened over; 0 when none.
    int menuParameter() const { return menuParameter_; }

    QMenu* contextMenu() const { return menu_; }
    // "Добавить параметр" (ActAddParam), "Вставить в бланк" (ActInsertIntoBlank) and
    // "Удалить параметр" (ActDeleteParam); the last is enabled only when the menu
    // was opened over the last parameter, and always means the last one.
    QAction* addParameterAction() const { return actAdd_; }
    QAction* insertIntoBlankAction() const { return actInsert_; }
    QAction* deleteParameterAction() const { return actDelete_; }

signals:
    void listChanged();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    void applyLayout();
    // Makes the row under the menu current and enables the commands for it.
    void prepareMenu(const QModelIndex& at);

    ParamGridModel* model_;
    QMenu* menu_;
    QAction* actAdd_ = nullptr;
    QAction* actInsert_ = nullptr;
    QAction* actDelete_ = nullptr;
    int menuParameter_ = 0;
    bool applyingLayout_ = false;
};

} // namespace rastrova::app
