#pragma once
// The blank grid: the table in which the user lays out a print blank. The model is
// a view over a core grid owned elsewhere and shows only its data cells (the fixed
// header column and row become the table's headers); the view adds the blank's
// look (cell colours, 2-pixel frames, merged cells, "..." for text that does not
// fit) and in-place editing of single-line 1251 text.

#include "controls/commitdelegate.h"
#include "store/grid.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QPoint>
#include <QRect>
#include <QStyledItemDelegate>
#include <QTableView>

class QFontMetrics;
class QLineEdit;

namespace rastrova::app {

// Text cut at the right with "..." so that it fits into `width` pixels, as the grid
// shows a cell whose text is too long; the text itself when it fits.
QString elideCellText(const QString& text, const QFontMetrics& metrics, int width);

// Spreadsheet letters of a grid column: 1 is "A", 26 "Z", 27 "AA", 28 "AB" ...
QString columnLetters(int col);

class BlankGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // True for a cell framed with a 2-pixel black border.
    static constexpr int FrameRole = Qt::UserRole + 1;

    explicit BlankGridModel(QObject* parent = nullptr);

    // Shows `grid` (not owned); nullptr shows nothing.
    void setGrid(store::Grid* grid);
    store::Grid* grid() const { return grid_; }

    // Re-reads everything after the caller changed the grid (size, merged ranges,
    // column widths, texts).
    void refresh();

    // Model (row, column) of a grid cell and back; the model holds data cells only.
    QModelIndex indexOfCell(int col, int row) const;
    static QPoint cellOf(const QModelIndex& index) { return {index.column() + 1, index.row() + 1}; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

signals:
    // The user changed a cell's text; grid coordinates.
    void cellEdited(int col, int row, const QString& oldText, const QString& newText);
    // An edit of the cell ended with the text it had.
    void cellLeftUnchanged(int col, int row, const QString& text);

private:
    store::Grid* grid_ = nullptr;
};

// Paints a blank cell: its colour, its text cut with "...", its frame; edits it in
// a frameless line edit.
class BlankGridDelegate : public CommitOnEnterDelegate {
    Q_OBJECT
public:
    using CommitOnEnterDelegate::CommitOnEnterDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;

    void setGridLineColour(const QColor& colour) { gridLineColour_ = colour; }

protected:
    bool eventFilter(QObject* object, QEvent* event) override;

private:
    // Tells the user that `bad` cannot go into the cell; the editor stays open.
    void refuse(QLineEdit* editor, const QString& bad) const;

    QColor gridLineColour_{128, 128, 128};
};

class BlankGridView : public QTableView {
    Q_OBJECT
public:
    explicit BlankGridView(QWidget* parent = nullptr);

    // Shows `grid` (not owned) with its merged ranges, column widths and row height.
    void setGrid(store::Grid* grid);
    store::Grid* grid() const { return model_->grid(); }
    BlankGridModel* blankModel() const { return model_; }

    // Re-reads the grid after the caller changed it.
    void refresh() { model_->refresh(); }

    // The current cell in grid coordinates (x column, y row); (0, 0) when none.
    QPoint currentCell() const;
    void setCurrentCell(int col, int row);
    // The bounding rectangle of the selection in grid coordinates, widened to whole
    // merged ranges; the current cell's region when nothing is selected; an empty
    // rectangle when there is no current cell either.
    QRect selectedCells() const;
    // True while a cell's editor is open.
    bool isEditing() const { return state() == EditingState; }

signals:
    void currentCellChanged(int col, int row);
    // The user dragged a column to a new width; the grid already holds it.
    void columnResized(int col, int width);
    // The user dragged data column (row) `from` by its header to the place of
    // `to`; the grid is not changed yet.
    void columnMoved(int from, int to);
    void rowMoved(int from, int to);

protected:
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void applyLayout();
    // Repaints what shows whether the grid has the focus: the current cell's frame.
    void updateFocusLook();
    QRect widenToRanges(QRect cells) const;
    // Makes `to` current and selects the rectangle from the anchor to it.
    void extendTo(const QModelIndex& to);

    // The corner of the selected rectangle that stays while Shift extends it: the
    // cell made current by a plain click, a plain key or setCurrentCell.
    QPersistentModelIndex anchor_;
    bool extending_ = false;     // the current cell moves without moving the anchor
    bool shiftDragging_ = false; // a Shift+click is being dragged

    BlankGridModel* model_;
    BlankGridDelegate* delegate_;
    bool applyingLayout_ = false;
    // The current cell and grid across a model reset.
    QPoint keptCurrent_;
    store::Grid* keptGrid_ = nullptr;
};

} // namespace rastrova::app
