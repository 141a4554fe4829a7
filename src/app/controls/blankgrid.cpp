#include "controls/blankgrid.h"

#include "messages.h"
#include "text/codepage.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHash>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QPointer>
#include <QSignalBlocker>

#include <algorithm>

namespace rastrova::app {

namespace {

constexpr int kTextMargin = 2;        // pixels between a cell's edge and its text
constexpr int kFrameWidth = 2;        // the black frame of a framed cell
constexpr int kFramedBorderWidth = 2; // the inner border width that frames a cell
const QColor kDefaultGridLine(128, 128, 128);

// A grid colour on screen; invalid when the cell has no colour of its own or the
// system colour is not one the blank uses.
QColor screenColour(store::Colour colour) {
    if (colour == store::kNoColour)
        return {};
    if (colour < 0) {
        const QPalette palette = QGuiApplication::palette();
        if (colour == store::kWindowColour)
            return palette.color(QPalette::Base);
        if (colour == store::kButtonFaceColour)
            return palette.color(QPalette::Button);
        if (colour == store::kWindowTextColour)
            return palette.color(QPalette::Text);
        return {};
    }
    const auto v = quint32(colour);
    return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

// The first character of `text` that code page 1251 cannot hold, whole even when it
// is a surrogate pair.
QString badCharacter(const QString& text) {
    QChar bad;
    if (text::fitsCp1251(text, &bad))
        return {};
    const qsizetype at = text.indexOf(bad);
    if (at >= 0 && bad.isHighSurrogate() && at + 1 < text.size() && text.at(at + 1).isLowSurrogate())
        return text.mid(at, 2);
    return QString(bad);
}

QString unprintableMessage(const QString& bad) {
    return QStringLiteral("Символ \"%1\" нельзя напечатать: его нет в кодировке Windows-1251.").arg(bad);
}

// The character a key press would type when the blank cannot print it; empty for
// every other key (editing keys and shortcuts type nothing or control characters,
// which fit).
QString unprintableKey(const QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return {};
    return badCharacter(static_cast<const QKeyEvent*>(event)->text());
}

// `text` without the characters code page 1251 cannot hold; `cursor` moves left by
// those that stood before it.
QString withoutUnprintable(const QString& text, int& cursor) {
    QString kept;
    kept.reserve(text.size());
    int keptCursor = cursor;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text::fitsCp1251(QStringView(text).mid(i, 1)))
            kept += text.at(i);
        else if (i < cursor)
            --keptCursor;
    }
    cursor = keptCursor;
    return kept;
}

// Set on a cell editor while the message about a refused character is on screen:
// the focus leaves the editor for the message box and comes back, and the edit
// goes on.
constexpr char kRefusingProperty[] = "rastrovaRefusing";

} // namespace

QString elideCellText(const QString& text, const QFontMetrics& metrics, int width) {
    if (metrics.horizontalAdvance(text) <= width)
        return text;
    const QString dots = QStringLiteral("...");
    if (metrics.horizontalAdvance(dots) > width)
        return {};
    // The longest start of the text that still fits together with the dots.
    qsizetype lo = 0, hi = text.size();
    while (lo < hi) {
        const qsizetype mid = (lo + hi + 1) / 2;
        if (metrics.horizontalAdvance(text.left(mid) + dots) <= width)
            lo = mid;
        else
            hi = mid - 1;
    }
    if (lo > 0 && text.at(lo - 1).isHighSurrogate())
        --lo;
    return text.left(lo) + dots;
}

QString columnLetters(int col) {
    QString letters;
    for (int n = col; n > 0; n = (n - 1) / 26)
        letters.prepend(QChar(u'A' + (n - 1) % 26));
    return letters;
}

// ---------------------------------------------------------------------------------
// BlankGridModel

BlankGridModel::BlankGridModel(QObject* parent) : QAbstractTableModel(parent) {}

void BlankGridModel::setGrid(store::Grid* grid) {
    beginResetModel();
    grid_ = grid;
    endResetModel();
}

void BlankGridModel::refresh() {
    beginResetModel();
    endResetModel();
}

QModelIndex BlankGridModel::indexOfCell(int col, int row) const {
    return index(row - 1, col - 1);
}

int BlankGridModel::rowCount(const QModelIndex& parent) const {
    return grid_ && !parent.isValid() ? std::max(grid_->rowCount() - 1, 0) : 0;
}

int BlankGridModel::columnCount(const QModelIndex& parent) const {
    return grid_ && !parent.isValid() ? std::max(grid_->colCount() - 1, 0) : 0;
}

QVariant BlankGridModel::data(const QModelIndex& index, int role) const {
    if (!grid_ || !checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    const int c = index.column() + 1, r = index.row() + 1;
    const store::Cell& cell = grid_->cell(c, r);
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return cell.text;
    case Qt::BackgroundRole:
        if (const QColor colour = screenColour(cell.colour); colour.isValid())
            return colour;
        return {};
    case Qt::ForegroundRole:
        if (cell.font && cell.font->colour >= 0)
            return screenColour(cell.font->colour);
        return {};
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    case Qt::ToolTipRole:
        return cell.hint.isEmpty() ? QVariant() : QVariant(cell.hint);
    case FrameRole:
        return cell.inner.width == kFramedBorderWidth;
    default:
        return {};
    }
}

QVariant BlankGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || section < 0)
        return QAbstractTableModel::headerData(section, orientation, role);
    return orientation == Qt::Horizontal ? columnLetters(section + 1) : QString::number(section + 1);
}

Qt::ItemFlags BlankGridModel::flags(const QModelIndex& index) const {
    if (!grid_ || !checkIndex(index, CheckIndexOption::IndexIsValid))
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    if (!grid_->isReadOnly(index.column() + 1, index.row() + 1))
        f |= Qt::ItemIsEditable;
    return f;
}

bool BlankGridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !grid_ || !checkIndex(index, CheckIndexOption::IndexIsValid))
        return false;
    const int c = index.column() + 1, r = index.row() + 1;
    if (grid_->isReadOnly(c, r))
        return false;
    const QString newText = value.toString();
    if (const QString bad = badCharacter(newText); !bad.isEmpty()) {
        Messages::error(nullptr, unprintableMessage(bad));
        return false;
    }
    // A blank prints each cell on one line.
    if (newText.contains(u'\n') || newText.contains(u'\r'))
        return false;
    const QString oldText = grid_->text(c, r);
    if (oldText == newText) {
        emit cellLeftUnchanged(c, r, oldText); // an edit ended, though nothing changed
        return true;
    }
    grid_->setText(c, r, newText);
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    emit cellEdited(c, r, oldText, newText);
    return true;
}

// ---------------------------------------------------------------------------------
// BlankGridDelegate

void BlankGridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
    painter->save();
    const QRect rect = option.rect;
    const QPalette& palette = option.palette;

    // The cell itself, without the grid line at its right and bottom.
    const QRect cellRect = rect.adjusted(0, 0, -1, -1);
    const QVariant background = index.data(Qt::BackgroundRole);
    painter->fillRect(cellRect, background.canConvert<QColor>() ? background.value<QColor>()
                                                                : palette.color(QPalette::Base));

    const bool current = option.state & QStyle::State_HasFocus;
    const bool selected = option.state & QStyle::State_Selected;
    if (selected && !current) {
        QColor tint = palette.color(QPalette::Highlight);
        tint.setAlpha(110);
        painter->fillRect(cellRect, tint);
    }

    // The text keeps clear of a frame.
    const bool framed = index.data(BlankGridModel::FrameRole).toBool();
    const int margin = kTextMargin + (framed ? kFrameWidth : 0);
    const QVariant foreground = index.data(Qt::ForegroundRole);
    painter->setPen(foreground.canConvert<QColor>() ? foreground.value<QColor>()
                                                    : palette.color(QPalette::Text));
    painter->setFont(option.font);
    const QRect textRect = cellRect.adjusted(margin, 0, -margin, 0);
    if (textRect.width() > 0)
        painter->drawText(
            textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
            elideCellText(index.data(Qt::DisplayRole).toString(), option.fontMetrics, textRect.width()));

    // Grid lines: right and bottom edge of every cell (of a merged range, its outer edge).
    painter->setPen(gridLineColour_);
    painter->drawLine(rect.topRight(), rect.bottomRight());
    painter->drawLine(rect.bottomLeft(), rect.bottomRight());

    if (framed) {
        const QColor black(0, 0, 0);
        const int w = std::min(kFrameWidth, cellRect.width());
        const int h = std::min(kFrameWidth, cellRect.height());
        painter->fillRect(QRect(cellRect.left(), cellRect.top(), cellRect.width(), h), black);
        painter->fillRect(QRect(cellRect.left(), cellRect.bottom() - h + 1, cellRect.width(), h), black);
        painter->fillRect(QRect(cellRect.left(), cellRect.top(), w, cellRect.height()), black);
        painter->fillRect(QRect(cellRect.right() - w + 1, cellRect.top(), w, cellRect.height()), black);
    }

    if (current) {
        const int inset = framed ? kFrameWidth : 0;
        QPen pen(palette.color(QPalette::Highlight));
        pen.setWidth(1);
        painter->setPen(pen);
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(cellRect.adjusted(inset, inset, -inset - 1, -inset - 1));
    }
    painter->restore();
}

QWidget* BlankGridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                         const QModelIndex&) const {
    auto* editor = new QLineEdit(parent);
    editor->setFrame(false);
    editor->setFont(option.font);
    // Typed characters the blank cannot print are refused before they go in (see
    // eventFilter); what comes in otherwise (pasted, dropped, composed) loses them
    // here, and the rest of the text stays.
    connect(editor, &QLineEdit::textEdited, editor, [this, editor](const QString& text) {
        const QString bad = badCharacter(text);
        if (bad.isEmpty())
            return;
        int cursor = editor->cursorPosition();
        const QString kept = withoutUnprintable(text, cursor);
        editor->setText(kept);
        editor->setCursorPosition(cursor);
        refuse(editor, bad);
    });
    return editor;
}

bool BlankGridDelegate::eventFilter(QObject* object, QEvent* event) {
    if (auto* line = qobject_cast<QLineEdit*>(object)) {
        if (const QString bad = unprintableKey(event); !bad.isEmpty()) {
            refuse(line, bad);
            return true;
        }
        // The focus went to the message box only; closing the editor now would end
        // the edit the user is still in.
        if (event->type() == QEvent::FocusOut && line->property(kRefusingProperty).toBool())
            return false;
    }
    return CommitOnEnterDelegate::eventFilter(object, event);
}

void BlankGridDelegate::refuse(QLineEdit* editor, const QString& bad) const {
    const QPointer<QLineEdit> guard(editor);
    editor->setProperty(kRefusingProperty, true);
    Messages::error(editor, unprintableMessage(bad));
    if (guard) {
        guard->setProperty(kRefusingProperty, false);
        if (guard->isVisible())
            guard->setFocus(Qt::OtherFocusReason);
    }
}

void BlankGridDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    if (auto* line = qobject_cast<QLineEdit*>(editor))
        line->setText(index.data(Qt::EditRole).toString());
}

void BlankGridDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                     const QModelIndex& index) const {
    if (auto* line = qobject_cast<QLineEdit*>(editor))
        model->setData(index, line->text(), Qt::EditRole);
}

void BlankGridDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                             const QModelIndex& index) const {
    // The grid line and a frame stay visible; a frameless line edit keeps its text
    // 2 pixels from its edge, where the painted text stood.
    const int inset = index.data(BlankGridModel::FrameRole).toBool() ? kFrameWidth : 0;
    editor->setGeometry(option.rect.adjusted(inset, inset, -1 - inset, -1 - inset));
}

// ---------------------------------------------------------------------------------
// BlankGridView

BlankGridView::BlankGridView(QWidget* parent) : QTableView(parent), model_(new BlankGridModel(this)) {
    delegate_ = new BlankGridDelegate(this);
    setItemDelegate(delegate_);
    setModel(model_);

    // The delegate draws the grid lines so that their colour is the blank's.
    setShowGrid(false);
    setWordWrap(false);
    setTextElideMode(Qt::ElideRight);
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::DoubleClicked |
                    QAbstractItemView::EditKeyPressed);
    setTabKeyNavigation(true);
    setCornerButtonEnabled(false);

    const QString hint = QStringLiteral("Бланк пользователя");
    viewport()->setToolTip(hint);
    viewport()->setStatusTip(hint);
    setStatusTip(hint);

    horizontalHeader()->setMinimumSectionSize(4);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    // Rows follow their one line of text; the user does not size them.
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);

    // Columns and rows are dragged to new places by their headers. The header's
    // own move is put back at once: the grid moves its cells and the view shows
    // the grid as it then is.
    for (QHeaderView* header : {horizontalHeader(), verticalHeader()}) {
        header->setSectionsMovable(true);
        connect(header, &QHeaderView::sectionMoved, this, [this, header](int, int oldVisual, int newVisual) {
            {
                const QSignalBlocker block(header);
                header->moveSection(newVisual, oldVisual);
            }
            if (header == horizontalHeader())
                emit columnMoved(oldVisual + 1, newVisual + 1);
            else
                emit rowMoved(oldVisual + 1, newVisual + 1);
        });
    }
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int section, int, int size) {
        store::Grid* g = grid();
        if (applyingLayout_ || !g || section + 1 >= g->colCount())
            return;
        g->setColWidth(section + 1, size);
        emit columnResized(section + 1, size);
    });
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current, const QModelIndex&) {
                if (!extending_)
                    anchor_ = current;
                const QPoint cell = current.isValid() ? BlankGridModel::cellOf(current) : QPoint(0, 0);
                emit currentCellChanged(cell.x(), cell.y());
            });
    connect(model_, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        keptCurrent_ = currentCell();
        keptGrid_ = grid();
        // The headers size their sections anew during the reset; that is no user's
        // resize.
        applyingLayout_ = true;
    });
    connect(model_, &QAbstractItemModel::modelReset, this, [this] {
        applyLayout();
        // A refresh keeps the current cell where it still exists; a new grid starts at
        // its first cell.
        QPoint cell = keptGrid_ == grid() ? keptCurrent_ : QPoint(1, 1);
        if (!model_->indexOfCell(cell.x(), cell.y()).isValid())
            cell = QPoint(1, 1);
        if (model_->indexOfCell(cell.x(), cell.y()).isValid())
            setCurrentCell(cell.x(), cell.y());
        else
            emit currentCellChanged(0, 0);
    });
}

void BlankGridView::setGrid(store::Grid* grid) {
    model_->setGrid(grid);
}

void BlankGridView::applyLayout() {
    applyingLayout_ = true;
    clearSpans();
    if (const store::Grid* g = grid()) {
        for (const store::Range& range : g->ranges()) {
            // Only the data cells are in the table; a range reaching into the header
            // row or column keeps its data part.
            const int left = std::max(range.left, 1), top = std::max(range.top, 1);
            const int right = std::min(range.right, g->colCount() - 1);
            const int bottom = std::min(range.bottom, g->rowCount() - 1);
            if (right < left || bottom < top || (right == left && bottom == top))
                continue;
            setSpan(top - 1, left - 1, bottom - top + 1, right - left + 1);
        }
        for (int c = 1; c < g->colCount(); ++c)
            horizontalHeader()->resizeSection(c - 1, g->colWidth(c));
        const int rowHeight = std::max(g->defaultRowHeight(), 1);
        verticalHeader()->setDefaultSectionSize(rowHeight);
        for (int r = 1; r < g->rowCount(); ++r)
            verticalHeader()->resizeSection(r - 1, rowHeight);

        const auto lineColour = store::Colour(g->value(store::GridKey::GridLineColor).number);
        const QColor colour = lineColour >= 0 && lineColour != store::kNoColour
                                  ? QColor(int(lineColour & 0xFF), int((lineColour >> 8) & 0xFF),
                                           int((lineColour >> 16) & 0xFF))
                                  : kDefaultGridLine;
        delegate_->setGridLineColour(colour);
    }
    applyingLayout_ = false;
    viewport()->update();
}

QPoint BlankGridView::currentCell() const {
    const QModelIndex current = currentIndex();
    return current.isValid() ? BlankGridModel::cellOf(current) : QPoint(0, 0);
}

void BlankGridView::setCurrentCell(int col, int row) {
    const QModelIndex index = model_->indexOfCell(col, row);
    if (index.isValid())
        setCurrentIndex(index);
}

QRect BlankGridView::widenToRanges(QRect cells) const {
    const store::Grid* g = grid();
    if (!g || cells.isEmpty())
        return cells;
    // A merged range partly inside the rectangle is selected whole; widening may
    // reach further ranges, so repeat until nothing changes.
    for (bool grown = true; grown;) {
        grown = false;
        for (const store::Range& range : g->ranges()) {
            const QRect area(QPoint(range.left, range.top), QPoint(range.right, range.bottom));
            if (cells.intersects(area) && !cells.contains(area)) {
                cells = cells.united(area);
                grown = true;
            }
        }
    }
    return cells;
}

QRect BlankGridView::selectedCells() const {
    QRect bounds;
    for (const QItemSelectionRange& range : selectionModel()->selection()) {
        if (!range.isValid())
            continue;
        const QRect part(QPoint(range.left() + 1, range.top() + 1),
                         QPoint(range.right() + 1, range.bottom() + 1));
        bounds = bounds.isNull() ? part : bounds.united(part);
    }
    if (bounds.isNull()) {
        const QPoint cell = currentCell();
        if (cell.isNull() || !grid())
            return {};
        const store::Range region = grid()->regionAt(cell.x(), cell.y());
        return QRect(QPoint(region.left, region.top), QPoint(region.right, region.bottom));
    }
    return widenToRanges(bounds);
}

void BlankGridView::extendTo(const QModelIndex& to) {
    if (!anchor_.isValid())
        anchor_ =
            currentIndex().isValid() ? QPersistentModelIndex(currentIndex()) : QPersistentModelIndex(to);
    extending_ = true;
    selectionModel()->setCurrentIndex(to, QItemSelectionModel::NoUpdate);
    extending_ = false;
    // The table widens the rectangle to whole merged ranges.
    setSelection(QRect(visualRect(anchor_).center(), visualRect(to).center()).normalized(),
                 QItemSelectionModel::ClearAndSelect);
}

void BlankGridView::keyPressEvent(QKeyEvent* event) {
    // Shift with a movement key extends the rectangle from the anchor.
    static const QHash<int, CursorAction> moves = {
        {Qt::Key_Up, MoveUp},         {Qt::Key_Down, MoveDown},        {Qt::Key_Left, MoveLeft},
        {Qt::Key_Right, MoveRight},   {Qt::Key_Home, MoveHome},        {Qt::Key_End, MoveEnd},
        {Qt::Key_PageUp, MovePageUp}, {Qt::Key_PageDown, MovePageDown}};
    // A character the blank cannot print opens no editor: the cell keeps its text.
    if (state() != EditingState && (model_->flags(currentIndex()) & Qt::ItemIsEditable))
        if (const QString bad = unprintableKey(event); !bad.isEmpty()) {
            Messages::error(this, unprintableMessage(bad));
            event->accept();
            return;
        }
    const auto move = moves.constFind(event->key());
    if (move != moves.constEnd() && (event->modifiers() & Qt::ShiftModifier) && state() != EditingState) {
        const QModelIndex to = moveCursor(*move, event->modifiers());
        if (to.isValid())
            extendTo(to);
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void BlankGridView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && (event->modifiers() & Qt::ShiftModifier) &&
        state() != EditingState) {
        const QModelIndex to = indexAt(event->position().toPoint());
        if (to.isValid()) {
            extendTo(to);
            shiftDragging_ = true;
            event->accept();
            return;
        }
    }
    QTableView::mousePressEvent(event);
}

void BlankGridView::mouseMoveEvent(QMouseEvent* event) {
    if (shiftDragging_) {
        const QModelIndex to = indexAt(event->position().toPoint());
        if ((event->buttons() & Qt::LeftButton) && to.isValid() && to != currentIndex())
            extendTo(to);
        event->accept();
        return;
    }
    // Dragging out a rectangle keeps the anchor where the drag began.
    extending_ = event->buttons() != Qt::NoButton;
    QTableView::mouseMoveEvent(event);
    extending_ = false;
}

void BlankGridView::mouseReleaseEvent(QMouseEvent* event) {
    if (shiftDragging_) {
        shiftDragging_ = false;
        event->accept();
        return;
    }
    QTableView::mouseReleaseEvent(event);
}

bool BlankGridView::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    const bool editing = QTableView::edit(index, trigger, event);
    // A typed character replaces the text; F2 and a double click keep it and put the
    // cursor after it.
    if (editing && trigger != AnyKeyPressed && state() == EditingState)
        if (auto* line = qobject_cast<QLineEdit*>(indexWidget(index))) {
            line->deselect();
            line->end(false);
        }
    return editing;
}

void BlankGridView::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    if (hint != QAbstractItemDelegate::EditNextItem && hint != QAbstractItemDelegate::EditPreviousItem) {
        QTableView::closeEditor(editor, hint);
        return;
    }
    // Tab (Shift+Tab) commits and moves on, without opening the next cell.
    QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
    const QModelIndex next =
        moveCursor(hint == QAbstractItemDelegate::EditNextItem ? MoveNext : MovePrevious, Qt::NoModifier);
    if (next.isValid())
        selectionModel()->setCurrentIndex(next, QItemSelectionModel::ClearAndSelect);
}

// The item view repaints its whole viewport when the focus comes or goes. Here
// only the current cell's frame shows the focus, so only it is repainted: on a
// large blank, returning from a cell's editor would otherwise repaint every
// visible cell after each Enter.
void BlankGridView::focusInEvent(QFocusEvent* event)
{
    const QModelIndex current = currentIndex();
    if (!current.isValid()) {
        QTableView::focusInEvent(event); // the view picks a first current cell
        return;
    }
    setAttribute(Qt::WA_InputMethodEnabled, bool(current.flags() & Qt::ItemIsEditable));
    updateFocusLook();
}

void BlankGridView::focusOutEvent(QFocusEvent*)
{
    updateFocusLook();
}

void BlankGridView::updateFocusLook()
{
    update(QRegion(rect()) - QRegion(viewport()->geometry())); // the frame around the cells
    if (const QModelIndex current = currentIndex(); current.isValid())
        viewport()->update(visualRect(current));
}

} // namespace rastrova::app
