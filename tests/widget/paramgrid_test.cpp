// The parameter-list table: what it shows of a list, its "Цел." boxes, which cells
// take typing, and its context menu.

#include "controls/paramgrid.h"
#include "editor/paramlist.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTest>
#include <QToolTip>

using namespace rastrova;
using namespace rastrova::app;
using rastrova::editor::ParameterList;

static void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace {

class ParamGridTest : public ::testing::Test {
protected:
    void SetUp() override {
        list.append(QStringLiteral("#4015"), QStringLiteral("Время"));
        list.append(QStringLiteral("#8319"), QStringLiteral("Расход за пред. час в трубопр. № 3"));
        view.setObjectName(QStringLiteral("pgrid"));
        view.setList(&list);
        view.resize(400, 300);
        view.show();
        view.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
        view.setFocus();
    }
    void TearDown() override { view.contextMenu()->hide(); }

    QModelIndex at(int col, int row) const { return view.paramModel()->indexOfCell(col, row); }
    QPoint centreOf(int col, int row) const { return view.visualRect(at(col, row)).center(); }

    // Where the style draws the box of a "Цел." cell.
    QPoint checkBoxOf(int row) const {
        QStyleOptionViewItem option;
        option.initFrom(view.viewport());
        option.rect = view.visualRect(at(ParameterList::IntegerColumn, row));
        option.features = QStyleOptionViewItem::HasCheckIndicator;
        option.checkState = Qt::Unchecked;
        option.displayAlignment = Qt::AlignCenter;
        return view.style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, &view).center();
    }

    void select(int col, int row) { view.setCurrentIndex(at(col, row)); }
    // Types as the user does: every key goes to the widget that has the focus then.
    static void type(const QString& keys) {
        for (const QChar ch : keys)
            QTest::keyClicks(QApplication::focusWidget(), QString(ch));
    }
    static void press(Qt::Key key) { QTest::keyClick(QApplication::focusWidget(), key); }
    bool editing() const { return qobject_cast<QLineEdit*>(QApplication::focusWidget()) != nullptr; }

    // Opens the context menu as a right click at the centre of (col, row) does, or
    // below the rows when row is 0.
    void openMenuAt(int col, int row) {
        const QPoint pos = row > 0 ? centreOf(col, row) : QPoint(5, view.viewport()->height() - 5);
        QContextMenuEvent event(QContextMenuEvent::Mouse, pos, view.viewport()->mapToGlobal(pos));
        QApplication::sendEvent(view.viewport(), &event);
    }

    ParameterList list;
    ParamGridView view;
};

} // namespace

TEST_F(ParamGridTest, ShowsTheListColumnsWithoutTheCodeAndWithoutThePlaceholderRow) {
    EXPECT_TRUE(view.isColumnHidden(ParameterList::CodeColumn));
    EXPECT_EQ(view.columnWidth(ParameterList::NumberColumn), 25);
    EXPECT_EQ(view.columnWidth(ParameterList::NameColumn), 120);
    EXPECT_EQ(view.columnWidth(ParameterList::IntegerColumn), 40);
    const QAbstractItemModel* model = view.model();
    EXPECT_EQ(model->headerData(ParameterList::IntegerColumn, Qt::Horizontal).toString(), "Цел.");
    EXPECT_EQ(model->headerData(ParameterList::QColumn, Qt::Horizontal, Qt::ToolTipRole).toString(),
              "Формат печати значений [p,q]: q - число знаков после запятой");
    EXPECT_EQ(at(ParameterList::NumberColumn, 2).data().toString(), "2");
    EXPECT_EQ(at(ParameterList::NameColumn, 1).data().toString(), "Время");
    EXPECT_FALSE(view.isRowHidden(0));

    ParameterList empty;
    view.setList(&empty);
    EXPECT_EQ(view.model()->rowCount(), 1);
    EXPECT_TRUE(view.isRowHidden(0));
    EXPECT_EQ(view.selectedParameter(), 0);
    empty.append(QStringLiteral("~05"), QStringLiteral("Данные из часового архива № 5"));
    view.refresh();
    EXPECT_FALSE(view.isRowHidden(0));
    view.setList(&list);
}

TEST_F(ParamGridTest, ClickingTheBoxTogglesTheStoredState) {
    QSignalSpy changed(&view, &ParamGridView::listChanged);
    const QPoint box = checkBoxOf(2);
    ASSERT_TRUE(view.visualRect(at(ParameterList::IntegerColumn, 2)).contains(box));
    // The box stands at the left of the cell.
    EXPECT_LT(box.x(), view.visualRect(at(ParameterList::IntegerColumn, 2)).center().x());

    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, box);
    EXPECT_TRUE(list.isInteger(2));
    EXPECT_FALSE(list.isInteger(1));
    EXPECT_EQ(at(ParameterList::IntegerColumn, 2).data(Qt::CheckStateRole).toInt(), Qt::Checked);
    EXPECT_EQ(changed.count(), 1);

    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, box);
    EXPECT_FALSE(list.isInteger(2));
    EXPECT_EQ(changed.count(), 2);

    // Space ticks the box of the current cell too.
    select(ParameterList::IntegerColumn, 1);
    press(Qt::Key_Space);
    EXPECT_TRUE(list.isInteger(1));
    EXPECT_FALSE(editing());
}

TEST_F(ParamGridTest, NumberAndNameColumnsTakeNoTyping) {
    for (int col : {ParameterList::NumberColumn, ParameterList::NameColumn, ParameterList::IntegerColumn}) {
        SCOPED_TRACE(col);
        select(col, 1);
        // "2" would also find the row whose cell starts with it.
        type(QStringLiteral("2a"));
        EXPECT_EQ(view.currentIndex(), at(col, 1));
        press(Qt::Key_F2);
        EXPECT_FALSE(editing());
        QTest::mouseDClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, centreOf(col, 1));
        EXPECT_FALSE(editing());
        EXPECT_FALSE(view.model()->flags(at(col, 1)) & Qt::ItemIsEditable);
    }
    EXPECT_EQ(list.grid().text(0, 1), "1");
    EXPECT_EQ(list.name(1), "Время");
}

TEST_F(ParamGridTest, PAndQTakeDigitsOnlyAndAreSetRightOnEnter) {
    QSignalSpy changed(&view, &ParamGridView::listChanged);
    select(ParameterList::PColumn, 2);
    type(QStringLiteral("x"));
    EXPECT_FALSE(editing());

    type(QStringLiteral("1a2"));
    ASSERT_TRUE(editing());
    EXPECT_EQ(qobject_cast<QLineEdit*>(QApplication::focusWidget())->text(), "12");
    press(Qt::Key_Return);
    EXPECT_FALSE(editing());
    EXPECT_EQ(list.p(2), "9");
    EXPECT_EQ(at(ParameterList::PColumn, 2).data().toString(), "9");
    EXPECT_GE(changed.count(), 1);

    select(ParameterList::QColumn, 2);
    type(QStringLiteral("4"));
    press(Qt::Key_Return);
    EXPECT_EQ(list.q(2), "4");
}

TEST_F(ParamGridTest, LeavingARowOfAFixedCodeEmptiesItsFormat) {
    // A value the keyboard put there before the rule ran, as a file may hold it.
    ASSERT_TRUE(list.setText(ParameterList::PColumn, 1, QStringLiteral("5")));
    view.refresh();
    select(ParameterList::PColumn, 1);
    press(Qt::Key_Down);
    EXPECT_EQ(view.currentIndex(), at(ParameterList::PColumn, 2));
    EXPECT_EQ(list.p(1), "");

    select(ParameterList::QColumn, 1);
    type(QStringLiteral("3"));
    press(Qt::Key_Return);
    EXPECT_EQ(list.q(1), "");
}

TEST_F(ParamGridTest, ContextMenuEnablesDeleteOnlyOverTheLastRow) {
    ASSERT_EQ(view.findChild<QAction*>(QStringLiteral("ActAddParam")), view.addParameterAction());
    ASSERT_EQ(view.findChild<QAction*>(QStringLiteral("ActInsertIntoBlank")), view.insertIntoBlankAction());
    ASSERT_EQ(view.findChild<QAction*>(QStringLiteral("ActDeleteParam")), view.deleteParameterAction());

    openMenuAt(ParameterList::NameColumn, 2);
    EXPECT_TRUE(view.contextMenu()->isVisible());
    EXPECT_EQ(view.menuParameter(), 2);
    EXPECT_EQ(view.selectedParameter(), 2);
    EXPECT_TRUE(view.deleteParameterAction()->isEnabled());
    EXPECT_TRUE(view.insertIntoBlankAction()->isEnabled());
    EXPECT_TRUE(view.addParameterAction()->isEnabled());
    view.contextMenu()->hide();

    openMenuAt(ParameterList::NameColumn, 1);
    EXPECT_EQ(view.selectedParameter(), 1);
    EXPECT_FALSE(view.deleteParameterAction()->isEnabled());
    EXPECT_TRUE(view.insertIntoBlankAction()->isEnabled());
    view.contextMenu()->hide();

    // Below the rows: adding still works, deleting does not.
    openMenuAt(ParameterList::NameColumn, 0);
    EXPECT_EQ(view.menuParameter(), 0);
    EXPECT_FALSE(view.deleteParameterAction()->isEnabled());
    EXPECT_TRUE(view.addParameterAction()->isEnabled());
    view.contextMenu()->hide();

    // After the main window deleted the last parameter, the old last row is last.
    list.removeLast();
    view.refresh();
    EXPECT_FALSE(view.deleteParameterAction()->isEnabled());
    openMenuAt(ParameterList::NameColumn, 1);
    EXPECT_TRUE(view.deleteParameterAction()->isEnabled());
    view.contextMenu()->hide();

    // An empty list offers only "Добавить параметр".
    list.removeLast();
    view.refresh();
    openMenuAt(ParameterList::NameColumn, 0);
    EXPECT_TRUE(view.addParameterAction()->isEnabled());
    EXPECT_FALSE(view.insertIntoBlankAction()->isEnabled());
    EXPECT_FALSE(view.deleteParameterAction()->isEnabled());
}

TEST_F(ParamGridTest, ColumnWidthsTheUserSetsAreKeptInTheList) {
    QSignalSpy changed(&view, &ParamGridView::listChanged);
    view.horizontalHeader()->resizeSection(ParameterList::NameColumn, 150);
    EXPECT_EQ(list.grid().colWidth(ParameterList::NameColumn), 150);
    EXPECT_EQ(list.grid().colWidth(ParameterList::CodeColumn), 0);
    EXPECT_EQ(changed.count(), 1);
}

TEST_F(ParamGridTest, NameCellsShowTheWholeNameAsTheirHint) {
    // Two long names that look alike once the narrow column cuts them.
    list.append(QStringLiteral("#8419"), QStringLiteral("Расход за пред. час в трубопр. № 4"));
    view.refresh();
    const QFontMetrics metrics(view.font());
    ASSERT_GT(metrics.horizontalAdvance(list.name(2)), view.columnWidth(ParameterList::NameColumn));
    for (int row : {1, 2, 3}) {
        SCOPED_TRACE(row);
        EXPECT_EQ(at(ParameterList::NameColumn, row).data(Qt::ToolTipRole).toString(), list.name(row));
    }
    // The hint the user sees when the mouse rests on the cell.
    const QPoint pos = centreOf(ParameterList::NameColumn, 3);
    QHelpEvent help(QEvent::ToolTip, pos, view.viewport()->mapToGlobal(pos));
    QApplication::sendEvent(view.viewport(), &help);
    EXPECT_EQ(QToolTip::text(), "Расход за пред. час в трубопр. № 4");
    QToolTip::hideText();
    // The other columns keep their own hints (none for p).
    EXPECT_FALSE(at(ParameterList::PColumn, 2).data(Qt::ToolTipRole).isValid());
}

TEST_F(ParamGridTest, TheUserWidensTheNameColumnByDraggingItsEdge) {
    QHeaderView* header = view.horizontalHeader();
    EXPECT_EQ(header->sectionResizeMode(ParameterList::NameColumn), QHeaderView::Interactive);
    QSignalSpy changed(&view, &ParamGridView::listChanged);
    const int edge = header->sectionViewportPosition(ParameterList::NameColumn) +
                     header->sectionSize(ParameterList::NameColumn) - 1;
    const int y = header->height() / 2;
    auto send = [header](QEvent::Type type, QPoint pos, Qt::MouseButtons buttons) {
        QMouseEvent event(type, pos, header->viewport()->mapToGlobal(pos),
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(header->viewport(), &event);
    };
    send(QEvent::MouseButtonPress, {edge, y}, Qt::LeftButton);
    send(QEvent::MouseMove, {edge + 40, y}, Qt::LeftButton);
    send(QEvent::MouseMove, {edge + 80, y}, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, {edge + 80, y}, Qt::NoButton);
    EXPECT_EQ(view.columnWidth(ParameterList::NameColumn), 200);
    EXPECT_EQ(list.grid().colWidth(ParameterList::NameColumn), 200);
    EXPECT_GE(changed.count(), 1);
    // The width comes back with the list.
    view.refresh();
    EXPECT_EQ(view.columnWidth(ParameterList::NameColumn), 200);
}
