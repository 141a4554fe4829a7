#include "controls/paramgrid.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPalette>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

namespace rastrova::app {

using editor::ParameterList;

namespace {

Qt::Alignment screenAlignment(int alignment, int layout) {
    Qt::Alignment a;
    switch (alignment) {
    case editor::kAlignRight:
        a = Qt::AlignRight;
        break;
    case editor::kAlignCentre:
        a = Qt::AlignHCenter;
        break;
    default:
        a = Qt::AlignLeft;
        break;
    }
    switch (layout) {
    case editor::kLayoutTop:
        a |= Qt::AlignTop;
        break;
    case editor::kLayoutBottom:
        a |= Qt::AlignBottom;
        break;
    default:
        a |= Qt::AlignVCenter;
        break;
    }
    return a;
}

} // namespace

// ---------------------------------------------------------------------------------
// ParamGridModel

ParamGridModel::ParamGridModel(QObject* parent) : QAbstractTableModel(parent) {}

void ParamGridModel::setList(ParameterList* list) {
    beginResetModel();
    list_ = list;
    endResetModel();
}

void ParamGridModel::refresh() {
    beginResetModel();
    endResetModel();
}

int ParamGridModel::rowCount(const QModelIndex& parent) const {
    return list_ && !parent.isValid() ? list_->grid().rowCount() - 1 : 0;
}

int ParamGridModel::columnCount(const QModelIndex& parent) const {
    return list_ && !parent.isValid() ? ParameterList::kColumns : 0;
}

QVariant ParamGridModel::data(const QModelIndex& index, int role) const {
    if (!list_ || !checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    const store::Grid& g = list_->grid();
    const int c = index.column(), r = index.row() + 1;
    const store::Cell& cell = g.cell(c, r);
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return cell.text;
    case Qt::CheckStateRole:
        if (list_->isCheckable(c, r))
            return list_->isInteger(r) ? Qt::Checked : Qt::Unchecked;
        return {};
    case Qt::TextAlignmentRole: {
        const store::Column& col = g.column(c);
        return QVariant::fromValue(screenAlignment(cell.textAlignment.value_or(col.textAlignment),
                                                   cell.textLayout.value_or(col.textLayout)));
    }
    case Qt::BackgroundRole:
        // The number column is the list's fixed column.
        if (c < g.fixedCols())
            return QGuiApplication::palette().color(QPalette::Button);
        return {};
    case Qt::ToolTipRole:
        // The name column is narrow and cuts long names; its hint is the whole name.
        if (c == ParameterList::NameColumn && !cell.text.isEmpty())
            return cell.text;
        return cell.hint.isEmpty() ? QVariant() : QVariant(cell.hint);
    default:
        return {};
    }
}

QVariant ParamGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (!list_ || section < 0)
        return {};
    const store::Grid& g = list_->grid();
    if (orientation == Qt::Vertical) {
        if (role == Qt::DisplayRole)
            return section + 1;
        return {};
    }
    if (section >= g.colCount())
        return {};
    const store::Cell& head = g.cell(section, 0);
    switch (role) {
    case Qt::DisplayRole:
        return head.text;
    case Qt::ToolTipRole:
        return head.hint.isEmpty() ? QVariant() : QVariant(head.hint);
    default:
        return {};
    }
}

Qt::ItemFlags ParamGridModel::flags(const QModelIndex& index) const {
    if (!list_ || !checkIndex(index, CheckIndexOption::IndexIsValid))
        return Qt::NoItemFlags;
    const int c = index.column(), r = index.row() + 1;
    Qt::ItemFlags f = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    if (list_->isTextEditable(c, r))
        f |= Qt::ItemIsEditable;
    if (list_->isCheckable(c, r))
        f |= Qt::ItemIsUserCheckable;
    return f;
}

bool ParamGridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!list_ || !checkIndex(index, CheckIndexOption::IndexIsValid))
        return false;
    const int c = index.column(), r = index.row() + 1;
    if (role == Qt::CheckStateRole) {
        if (!list_->isCheckable(c, r))
            return false;
        const bool on = Qt::CheckState(value.toInt()) == Qt::Checked;
        if (on == list_->isInteger(r))
            return true;
        list_->setInteger(r, on);
        emit dataChanged(index, index, {Qt::CheckStateRole});
        emit listChanged();
        return true;
    }
    if (role != Qt::EditRole)
        return false;
    const QString text = value.toString();
    const QString old = list_->grid().text(c, r);
    if (!list_->setText(c, r, text))
        return false;
    // The format is set right at once, so that whatever runs next (saving) sees it.
    const bool normalised = list_->normaliseFormat(r);
    if (text == old && !normalised)
        return true;
    emit dataChanged(this->index(index.row(), ParameterList::PColumn),
                     this->index(index.row(), ParameterList::QColumn), {Qt::DisplayRole, Qt::EditRole});
    emit listChanged();
    return true;
}

void ParamGridModel::leaveRow(int row) {
    if (!list_ || !list_->normaliseFormat(row))
        return;
    emit dataChanged(index(row - 1, ParameterList::PColumn), index(row - 1, ParameterList::QColumn),
                     {Qt::DisplayRole, Qt::EditRole});
    emit listChanged();
}

// ---------------------------------------------------------------------------------
// ParamGridDelegate

QWidget* ParamGridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                         const QModelIndex&) const {
    auto* editor = new QLineEdit(parent);
    editor->setFrame(false);
    editor->setFont(option.font);
    editor->setAlignment(Qt::AlignCenter);
    static const QRegularExpression digits(QStringLiteral("[0-9]*"));
    editor->setValidator(new QRegularExpressionValidator(digits, editor));
    return editor;
}

// ---------------------------------------------------------------------------------
// ParamGridView

ParamGridView::ParamGridView(QWidget* parent)
    : QTableView(parent), model_(new ParamGridModel(this)), menu_(new QMenu(this)) {
    setWordWrap(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::DoubleClicked |
                    QAbstractItemView::EditKeyPressed);
    setTabKeyNavigation(true);
    setCornerButtonEnabled(false);

    // The number column shows the numbers; the rows keep their heights from the list.
    verticalHeader()->hide();
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setMinimumSectionSize(4);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setHighlightSections(false);

    auto makeAction = [this](const QString& name, const QString& text) {
        auto* action = new QAction(text, this);
        action->setObjectName(name);
        menu_->addAction(action);
        return action;
    };
    actAdd_ = makeAction(QStringLiteral("ActAddParam"), QStringLiteral("Добавить параметр"));
    actInsert_ = makeAction(QStringLiteral("ActInsertIntoBlank"), QStringLiteral("Вставить в бланк"));
    actDelete_ = makeAction(QStringLiteral("ActDeleteParam"), QStringLiteral("Удалить параметр"));
    actAdd_->setEnabled(false);
    actInsert_->setEnabled(false);
    actDelete_->setEnabled(false);

    // Setting the model already reports a current cell, so the actions come first.
    setItemDelegate(new ParamGridDelegate(this));
    setModel(model_);

    connect(model_, &ParamGridModel::listChanged, this, &ParamGridView::listChanged);
    connect(model_, &QAbstractItemModel::modelAboutToBeReset, this, [this] { applyingLayout_ = true; });
    connect(model_, &QAbstractItemModel::modelReset, this, [this] {
        menuParameter_ = 0;
        actDelete_->setEnabled(false);
        applyLayout();
    });
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int section, int, int size) {
        ParameterList* l = list();
        if (applyingLayout_ || !l || isColumnHidden(section))
            return;
        if (l->grid().colWidth(section) == size)
            return;
        l->setColumnWidth(section, size);
        emit listChanged();
    });
}

void ParamGridView::setList(ParameterList* list) {
    model_->setList(list);
}

void ParamGridView::applyLayout() {
    applyingLayout_ = true;
    if (const ParameterList* l = list()) {
        const store::Grid& g = l->grid();
        for (int c = 0; c < ParameterList::kColumns; ++c) {
            // The code column is for the program, not for the user.
            const bool hidden = c == ParameterList::CodeColumn || g.colWidth(c) == 0;
            setColumnHidden(c, hidden);
            if (!hidden)
                setColumnWidth(c, g.colWidth(c));
        }
        // Long names are cut in the name column: the user widens it by dragging its
        // edge (a reset of the model forgets the sections' own modes).
        horizontalHeader()->setSectionResizeMode(ParameterList::NameColumn, QHeaderView::Interactive);
        verticalHeader()->setDefaultSectionSize(std::max(g.defaultRowHeight(), 1));
        for (int r = 1; r < g.rowCount(); ++r) {
            const bool hidden = l->isRowHidden(r);
            setRowHidden(r - 1, hidden);
            if (!hidden)
                setRowHeight(r - 1, g.rowHeight(r));
        }
    }
    actAdd_->setEnabled(list() != nullptr);
    actInsert_->setEnabled(selectedParameter() > 0);
    applyingLayout_ = false;
    viewport()->update();
}

int ParamGridView::selectedParameter() const {
    const ParameterList* l = list();
    const QModelIndex current = currentIndex();
    if (!l || !current.isValid() || current.row() + 1 > l->count())
        return 0;
    return current.row() + 1;
}

void ParamGridView::prepareMenu(const QModelIndex& at) {
    const ParameterList* l = list();
    menuParameter_ = l && at.isValid() && at.row() + 1 <= l->count() ? at.row() + 1 : 0;
    if (menuParameter_ > 0 && at.row() != currentIndex().row())
        setCurrentIndex(at);
    actAdd_->setEnabled(l != nullptr);
    actInsert_->setEnabled(selectedParameter() > 0);
    actDelete_->setEnabled(menuParameter_ > 0 && menuParameter_ == l->count());
}

void ParamGridView::contextMenuEvent(QContextMenuEvent* event) {
    const QModelIndex at =
        event->reason() == QContextMenuEvent::Mouse ? indexAt(event->pos()) : currentIndex();
    prepareMenu(at);
    menu_->popup(event->globalPos());
    event->accept();
}

void ParamGridView::keyPressEvent(QKeyEvent* event) {
    // Typing: p and q take digits; the other cells take nothing (Space still ticks
    // the "Цел." box).
    const QString text = event->text();
    const bool typing = !text.isEmpty() && text.at(0).isPrint() &&
                        !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    if (typing && state() != EditingState) {
        const Qt::ItemFlags f = model_->flags(currentIndex());
        const bool accepted = (f & Qt::ItemIsEditable)
                                  ? ParameterList::isDigitsOnly(text)
                                  : (f & Qt::ItemIsUserCheckable) && event->key() == Qt::Key_Space;
        if (!accepted) {
            event->accept();
            return;
        }
    }
    QTableView::keyPressEvent(event);
}

void ParamGridView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    // The base class first writes an open editor back into the cell being left.
    QTableView::currentChanged(current, previous);
    if (previous.isValid())
        model_->leaveRow(previous.row() + 1);
    actInsert_->setEnabled(selectedParameter() > 0);
}

} // namespace rastrova::app
