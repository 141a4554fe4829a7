// The blank grid control: what the table shows of a core grid, how it looks, and
// what editing, selecting and resizing do to the grid.

#include "controls/blankgrid.h"
#include "controls/previewtext.h"
#include "messages.h"
#include "store/grid.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QHeaderView>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <vector>

using namespace rastrova;
using namespace rastrova::app;
using namespace rastrova::store;

static void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
static void PrintTo(const QRect& r, std::ostream* os) {
    *os << "QRect(" << r.left() << ',' << r.top() << " .. " << r.right() << ',' << r.bottom() << ')';
}
static void PrintTo(const QPoint& p, std::ostream* os) {
    *os << "QPoint(" << p.x() << ',' << p.y() << ')';
}

namespace {

const QString kOmegaMessage =
    QStringLiteral("Символ \"Ω\" нельзя напечатать: его нет в кодировке Windows-1251.");

// A blank grid with `cols` data columns and `rows` data rows.
Grid blankGrid(int cols, int rows) {
    Grid g = freshBlankGrid();
    g.resize(cols + 1, rows + 1);
    return g;
}

QRect cells(int left, int top, int right, int bottom) {
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

// Every test answers the message boxes itself and sees what they said.
class BlankGridTest : public ::testing::Test {
protected:
    void SetUp() override {
        Messages::setAnswerer([this](const Message& m) {
            messages.push_back(m);
            return MsgOk;
        });
    }
    void TearDown() override { Messages::setAnswerer({}); }

    std::vector<Message> messages;
};

// A shown, active view over `grid`, with the keyboard focus.
class BlankGridViewTest : public BlankGridTest {
protected:
    void show(Grid& g) {
        grid = &g;
        view.setObjectName(QStringLiteral("mgrid"));
        view.setGrid(grid);
        view.resize(700, 400);
        view.show();
        view.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
        view.setFocus();
        ASSERT_TRUE(view.hasFocus());
    }

    QModelIndex at(int col, int row) const { return view.blankModel()->indexOfCell(col, row); }
    QPoint centreOf(int col, int row) const { return view.visualRect(at(col, row)).center(); }

    // Types as the user does: every key goes to the widget that has the focus.
    static void type(const QString& text) {
        for (const QChar ch : text) {
            QWidget* target = QApplication::focusWidget();
            ASSERT_NE(target, nullptr);
            if (ch.unicode() < 0x80) {
                QTest::keyClicks(target, QString(ch));
            } else {
                QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
                QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(ch));
                QApplication::sendEvent(target, &press);
                QApplication::sendEvent(target, &release);
            }
        }
    }
    static void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWidget* target = QApplication::focusWidget();
        ASSERT_NE(target, nullptr);
        QTest::keyClick(target, key, modifiers);
    }
    // A double click as the window system delivers it: a click, then the second
    // press as a double-click event.
    void doubleClick(QPoint viewportPoint) {
        QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, viewportPoint);
        QTest::mouseDClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, viewportPoint);
    }
    QLineEdit* editor() const { return qobject_cast<QLineEdit*>(QApplication::focusWidget()); }
    bool editing() const { return view.isEditing(); }

    Grid* grid = nullptr;
    BlankGridView view;
};

// --- the model ----------------------------------------------------------------------

TEST(BlankGridLetters, ColumnsAreNamedLikeASpreadsheet) {
    EXPECT_EQ(columnLetters(1), "A");
    EXPECT_EQ(columnLetters(2), "B");
    EXPECT_EQ(columnLetters(26), "Z");
    EXPECT_EQ(columnLetters(27), "AA");
    EXPECT_EQ(columnLetters(28), "AB");
    EXPECT_EQ(columnLetters(52), "AZ");
    EXPECT_EQ(columnLetters(53), "BA");
    EXPECT_EQ(columnLetters(702), "ZZ");
    EXPECT_EQ(columnLetters(703), "AAA");
}

TEST_F(BlankGridTest, ModelShowsTheDataCellsAndNamesTheHeaders) {
    Grid g = blankGrid(30, 4);
    g.setText(1, 1, QStringLiteral("первая"));
    g.setText(27, 3, QStringLiteral("Т1"));
    g.setText(0, 0, QStringLiteral("угол")); // header cells are not data
    g.cell(5, 2).hint = QStringLiteral("подсказка");

    BlankGridModel model;
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.columnCount(), 0);
    model.setGrid(&g);
    EXPECT_EQ(model.columnCount(), 30);
    EXPECT_EQ(model.rowCount(), 4);
    EXPECT_EQ(model.data(model.index(0, 0)).toString(), "первая");
    EXPECT_EQ(model.data(model.index(2, 26)).toString(), "Т1");
    EXPECT_EQ(model.data(model.index(2, 26), Qt::EditRole).toString(), "Т1");
    EXPECT_EQ(model.indexOfCell(27, 3), model.index(2, 26));
    EXPECT_EQ(BlankGridModel::cellOf(model.index(2, 26)), QPoint(27, 3));

    EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), "A");
    EXPECT_EQ(model.headerData(26, Qt::Horizontal).toString(), "AA");
    EXPECT_EQ(model.headerData(0, Qt::Vertical).toString(), "1");
    EXPECT_EQ(model.headerData(3, Qt::Vertical).toString(), "4");

    EXPECT_EQ(model.data(model.indexOfCell(5, 2), Qt::ToolTipRole).toString(), "подсказка");
    EXPECT_FALSE(model.data(model.indexOfCell(4, 2), Qt::ToolTipRole).isValid());
    const auto alignment = model.data(model.index(0, 0), Qt::TextAlignmentRole).value<Qt::Alignment>();
    EXPECT_EQ(alignment, Qt::AlignLeft | Qt::AlignVCenter);

    model.setGrid(nullptr);
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.columnCount(), 0);
}

TEST_F(BlankGridTest, BackgroundIsTheCellsOwnColour) {
    Grid g = blankGrid(6, 1);
    g.cell(1, 1).colour = kArchiveRowColour;
    g.cell(2, 1).colour = 0x00FF0000; // blue: 0x00BBGGRR
    g.cell(3, 1).colour = 0x00336699;
    g.cell(4, 1).colour = kWindowColour;
    g.cell(5, 1).colour = kButtonFaceColour;
    g.cell(6, 1).colour = -2147483635; // a system colour a blank does not use

    BlankGridModel model;
    model.setGrid(&g);
    auto background = [&](int col) { return model.data(model.indexOfCell(col, 1), Qt::BackgroundRole); };
    EXPECT_EQ(background(1).value<QColor>(), QColor(255, 0, 0));
    EXPECT_EQ(background(2).value<QColor>(), QColor(0, 0, 255));
    EXPECT_EQ(background(3).value<QColor>(), QColor(0x99, 0x66, 0x33));
    EXPECT_EQ(background(4).value<QColor>(), QGuiApplication::palette().color(QPalette::Base));
    EXPECT_EQ(background(5).value<QColor>(), QGuiApplication::palette().color(QPalette::Button));
    EXPECT_FALSE(background(6).isValid());

    g.cell(1, 1).colour = kNoColour;
    EXPECT_FALSE(background(1).isValid());
}

TEST_F(BlankGridTest, ReadOnlyCellsAreNotEditable) {
    Grid g = blankGrid(3, 2);
    g.cell(2, 1).readOnly = true;
    g.column(3).readOnly = true;
    g.cell(3, 2).readOnly = false; // the cell's own setting wins over its column's

    BlankGridModel model;
    model.setGrid(&g);
    auto flags = [&](int col, int row) { return model.flags(model.indexOfCell(col, row)); };
    EXPECT_TRUE(flags(1, 1) & Qt::ItemIsEditable);
    EXPECT_FALSE(flags(2, 1) & Qt::ItemIsEditable);
    EXPECT_FALSE(flags(3, 1) & Qt::ItemIsEditable);
    EXPECT_TRUE(flags(3, 2) & Qt::ItemIsEditable);
    for (int c = 1; c <= 3; ++c)
        EXPECT_EQ(flags(c, 1) & (Qt::ItemIsSelectable | Qt::ItemIsEnabled),
                  Qt::ItemIsSelectable | Qt::ItemIsEnabled);

    EXPECT_FALSE(model.setData(model.indexOfCell(2, 1), QStringLiteral("x")));
    EXPECT_EQ(g.text(2, 1), "");
}

TEST_F(BlankGridTest, SetDataWritesTheGridAndReportsRealChangesOnly) {
    Grid g = blankGrid(3, 3);
    g.setText(2, 3, QStringLiteral("было"));
    BlankGridModel model;
    model.setGrid(&g);
    QSignalSpy edited(&model, &BlankGridModel::cellEdited);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);

    EXPECT_TRUE(model.setData(model.indexOfCell(2, 3), QStringLiteral("стало №1")));
    EXPECT_EQ(g.text(2, 3), "стало №1");
    ASSERT_EQ(edited.count(), 1);
    EXPECT_EQ(edited.at(0).at(0).toInt(), 2);
    EXPECT_EQ(edited.at(0).at(1).toInt(), 3);
    EXPECT_EQ(edited.at(0).at(2).toString(), "было");
    EXPECT_EQ(edited.at(0).at(3).toString(), "стало №1");
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).toModelIndex(), model.indexOfCell(2, 3));

    // The same text again is no edit, but the edit's end is told.
    QSignalSpy left(&model, &BlankGridModel::cellLeftUnchanged);
    EXPECT_TRUE(model.setData(model.indexOfCell(2, 3), QStringLiteral("стало №1")));
    EXPECT_EQ(edited.count(), 1);
    ASSERT_EQ(left.count(), 1);
    EXPECT_EQ(left.at(0).at(2).toString(), "стало №1");
    // Only the edit role writes.
    EXPECT_FALSE(model.setData(model.indexOfCell(2, 3), QStringLiteral("x"), Qt::DisplayRole));
    EXPECT_EQ(g.text(2, 3), "стало №1");
    EXPECT_TRUE(messages.empty());
}

TEST_F(BlankGridTest, SetDataRefusesWhatTheBlankCannotPrint) {
    Grid g = blankGrid(2, 2);
    g.setText(1, 1, QStringLiteral("старое"));
    BlankGridModel model;
    model.setGrid(&g);
    QSignalSpy edited(&model, &BlankGridModel::cellEdited);

    EXPECT_FALSE(model.setData(model.indexOfCell(1, 1), QStringLiteral("R = 5 Ω")));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, kOmegaMessage);
    EXPECT_EQ(messages[0].caption, kAppCaption);
    EXPECT_EQ(messages[0].icon, MsgIcon::Error);
    EXPECT_EQ(g.text(1, 1), "старое");

    // A character outside the basic plane is named whole.
    messages.clear();
    EXPECT_FALSE(model.setData(model.indexOfCell(1, 1), QString::fromUtf8("a\xF0\x9F\x98\x80")));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, QString::fromUtf8("Символ \"\xF0\x9F\x98\x80\" нельзя напечатать: его нет в "
                                                  "кодировке Windows-1251."));

    // Cells hold one line.
    messages.clear();
    EXPECT_FALSE(model.setData(model.indexOfCell(1, 1), QStringLiteral("две\nстроки")));
    EXPECT_FALSE(model.setData(model.indexOfCell(1, 1), QStringLiteral("две\rстроки")));
    EXPECT_EQ(g.text(1, 1), "старое");
    EXPECT_EQ(edited.count(), 0);
}

TEST(BlankGridElide, LongTextEndsWithThreeDots) {
    const QFontMetrics fm(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    const QString text = QStringLiteral("Температура подачи");
    EXPECT_EQ(elideCellText(text, fm, fm.horizontalAdvance(text)), text);

    const int width = fm.horizontalAdvance(QStringLiteral("Темп...")) + fm.horizontalAdvance(u'а') / 2;
    EXPECT_EQ(elideCellText(text, fm, width), "Темп...");
    EXPECT_EQ(elideCellText(text, fm, fm.horizontalAdvance(QStringLiteral("..."))), "...");
    EXPECT_EQ(elideCellText(text, fm, fm.horizontalAdvance(QStringLiteral(".."))), "");
}

// --- the view: layout -----------------------------------------------------------------

TEST_F(BlankGridViewTest, MergedRangesBecomeSpans) {
    Grid g = blankGrid(6, 5);
    ASSERT_TRUE(g.addRange({2, 1, 4, 2}));
    ASSERT_TRUE(g.addRange({1, 4, 1, 5}));
    ASSERT_TRUE(g.addRange({0, 3, 2, 3})); // reaches into the header column
    g.setColWidth(2, 50);
    g.setColWidth(3, 60);
    g.setColWidth(4, 70);
    show(g);

    EXPECT_EQ(view.rowSpan(0, 1), 2);
    EXPECT_EQ(view.columnSpan(0, 1), 3);
    EXPECT_EQ(view.rowSpan(3, 0), 2);
    EXPECT_EQ(view.columnSpan(3, 0), 1);
    EXPECT_EQ(view.columnSpan(2, 0), 2); // its data part
    EXPECT_EQ(view.rowSpan(2, 0), 1);
    EXPECT_EQ(view.columnSpan(0, 0), 1);
    EXPECT_EQ(view.rowSpan(4, 5), 1);

    const QRect span = view.visualRect(at(2, 1));
    EXPECT_EQ(span.width(), 50 + 60 + 70);
    EXPECT_EQ(span.height(), 2 * 21);
    EXPECT_EQ(view.indexAt(centreOf(4, 2)), at(2, 1)); // any point of the range is its first cell

    // After the grid changes, a refresh shows the new ranges only.
    g.clearRanges();
    ASSERT_TRUE(g.addRange({5, 2, 6, 2}));
    view.refresh();
    EXPECT_EQ(view.columnSpan(0, 1), 1);
    EXPECT_EQ(view.rowSpan(0, 1), 1);
    EXPECT_EQ(view.columnSpan(1, 4), 2);
}

TEST_F(BlankGridViewTest, SizesFollowTheGrid) {
    Grid g = blankGrid(30, 3);
    g.setColWidth(1, 40);
    g.setColWidth(2, 120);
    g.setColWidth(27, 33);
    QSignalSpy resized(&view, &BlankGridView::columnResized);
    show(g);

    const QHeaderView* top = view.horizontalHeader();
    EXPECT_EQ(top->sectionSize(0), 40);
    EXPECT_EQ(top->sectionSize(1), 120);
    EXPECT_EQ(top->sectionSize(2), 75);
    EXPECT_EQ(top->sectionSize(26), 33);
    for (int r = 0; r < 3; ++r)
        EXPECT_EQ(view.rowHeight(r), 21);
    EXPECT_EQ(view.model()->headerData(26, Qt::Horizontal).toString(), "AA");

    // Widths set in the grid show after a refresh; neither is a user's resize.
    g.setColWidth(2, 90);
    view.refresh();
    EXPECT_EQ(top->sectionSize(1), 90);
    EXPECT_EQ(resized.count(), 0);
    EXPECT_EQ(g.colWidth(2), 90);
    EXPECT_EQ(g.colWidth(1), 40);
}

TEST_F(BlankGridViewTest, DraggingAColumnEdgeSetsTheGridsWidth) {
    Grid g = blankGrid(4, 3);
    g.setColWidth(2, 80);
    show(g);
    QSignalSpy resized(&view, &BlankGridView::columnResized);

    QHeaderView* top = view.horizontalHeader();
    const int edge = top->sectionViewportPosition(1) + top->sectionSize(1) - 1;
    const int y = top->height() / 2;
    QTest::mousePress(top->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(edge, y));
    QTest::mouseMove(top->viewport(), QPoint(edge + 25, y));
    QTest::mouseRelease(top->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(edge + 25, y));

    EXPECT_EQ(top->sectionSize(1), 105);
    EXPECT_EQ(g.colWidth(2), 105);
    EXPECT_EQ(g.colWidth(1), 75);
    ASSERT_GE(resized.count(), 1);
    EXPECT_EQ(resized.last().at(0).toInt(), 2);
    EXPECT_EQ(resized.last().at(1).toInt(), 105);
}

TEST_F(BlankGridViewTest, CarriesTheBlankHintAndItsLook) {
    Grid g = blankGrid(2, 2);
    show(g);
    EXPECT_EQ(view.viewport()->toolTip(), "Бланк пользователя");
    EXPECT_EQ(view.statusTip(), "Бланк пользователя");
    EXPECT_EQ(view.font().family(), QFontDatabase::systemFont(QFontDatabase::FixedFont).family());
    EXPECT_FALSE(view.wordWrap());
    EXPECT_EQ(view.selectionMode(), QAbstractItemView::ContiguousSelection);
    EXPECT_TRUE(view.tabKeyNavigation());
}

// --- the view: painting ---------------------------------------------------------------

TEST_F(BlankGridViewTest, PaintsColoursFramesAndMergedCellsAsOne) {
    Grid g = blankGrid(5, 4);
    for (int c = 1; c <= 5; ++c)
        g.cell(c, 3).colour = kArchiveRowColour; // the archive start row
    g.cell(4, 1).inner.width = 2;                // a framed cell
    g.cell(5, 1).inner.width = 1;                // a thin border is no frame
    ASSERT_TRUE(g.addRange({1, 1, 2, 2}));
    g.cell(1, 1).inner.width = 2; // a framed merged range
    g.cell(3, 2).readOnly = true; // read-only cells look the same
    show(g);
    view.setCurrentCell(5, 4);
    view.clearFocus();
    QApplication::processEvents();

    const QImage image = view.grab().toImage();
    auto pixel = [&](QPoint viewportPoint) {
        return QColor(image.pixel(view.viewport()->mapTo(&view, viewportPoint)));
    };
    const QColor black(0, 0, 0), red(255, 0, 0);

    // Red archive row: inside every cell.
    for (int c = 1; c <= 4; ++c)
        EXPECT_EQ(pixel(centreOf(c, 3)), red) << "column " << c;

    // The framed cell: 2 black pixels along each edge, the inside untouched.
    const QRect framed = view.visualRect(at(4, 1)).adjusted(0, 0, -1, -1); // without the grid line
    const QPoint mid = framed.center();
    for (const QPoint p : {QPoint(framed.left(), mid.y()), QPoint(framed.left() + 1, mid.y()),
                           QPoint(framed.right(), mid.y()), QPoint(framed.right() - 1, mid.y()),
                           QPoint(mid.x(), framed.top()), QPoint(mid.x(), framed.top() + 1),
                           QPoint(mid.x(), framed.bottom()), QPoint(mid.x(), framed.bottom() - 1)})
        EXPECT_EQ(pixel(p), black) << p.x() << ',' << p.y();
    const QColor base = pixel(mid);
    EXPECT_NE(base, black);
    EXPECT_EQ(pixel(QPoint(framed.left() + 2, mid.y())), base);
    EXPECT_EQ(pixel(QPoint(framed.right() - 2, mid.y())), base);

    // A thin border draws no frame.
    const QRect thin = view.visualRect(at(5, 1)).adjusted(0, 0, -1, -1);
    EXPECT_EQ(pixel(QPoint(thin.left(), thin.center().y())), base);

    // The merged range is framed around its whole rectangle; no grid line or frame
    // runs between the cells it covers.
    const QRect merged = view.visualRect(at(1, 1)).adjusted(0, 0, -1, -1);
    EXPECT_EQ(merged.width() + 1, 2 * 75);
    EXPECT_EQ(pixel(QPoint(merged.right(), merged.center().y())), black);
    EXPECT_EQ(pixel(QPoint(merged.center().x(), merged.bottom())), black);
    const int inner = view.columnViewportPosition(1) - 1; // where the line between A and B would be
    EXPECT_EQ(pixel(QPoint(inner, merged.center().y())), base);
    EXPECT_EQ(pixel(QPoint(merged.center().x(), view.rowViewportPosition(1) - 1)), base);

    // Grid lines are grey; a read-only cell is not greyed.
    const QRect plain = view.visualRect(at(3, 1));
    EXPECT_EQ(pixel(QPoint(plain.right(), plain.center().y())), QColor(128, 128, 128));
    EXPECT_EQ(pixel(centreOf(3, 2)), base);
}

TEST_F(BlankGridViewTest, TextThatDoesNotFitEndsWithDots) {
    Grid g = blankGrid(2, 1);
    g.setColWidth(1, 30);
    g.setText(1, 1, QStringLiteral("ДлинныйТекст"));
    g.setText(2, 1, QStringLiteral("ДлинныйТекст"));
    g.setColWidth(2, 400);
    show(g);
    view.setCurrentCell(2, 1);
    view.clearFocus();
    QApplication::processEvents();
    const QImage image = view.grab().toImage();

    // The right part of the narrow cell holds the dots: dark pixels on the baseline,
    // none in the upper half of the cell where letters would reach.
    const QFontMetrics fm(view.font());
    const QRect cell = view.visualRect(at(1, 1));
    const QString shown = elideCellText(g.text(1, 1), fm, cell.width() - 1 - 4);
    ASSERT_TRUE(shown.endsWith(QStringLiteral("...")));
    ASSERT_LT(shown.size(), g.text(1, 1).size());
    const int dotsLeft = cell.left() + 2 + fm.horizontalAdvance(shown.chopped(3));
    int darkAbove = 0, dark = 0;
    for (int x = dotsLeft; x < cell.right() - 2; ++x)
        for (int y = cell.top(); y < cell.bottom() - 1; ++y) {
            const QColor c(image.pixel(view.viewport()->mapTo(&view, QPoint(x, y))));
            if (c.lightness() < 128) {
                ++dark;
                if (y < cell.center().y())
                    ++darkAbove;
            }
        }
    EXPECT_GT(dark, 0);
    EXPECT_EQ(darkAbove, 0);
}

// --- the view: editing ----------------------------------------------------------------

TEST_F(BlankGridViewTest, TypingReplacesTheTextAndEditsTheGridOnce) {
    Grid g = blankGrid(3, 3);
    g.setText(2, 2, QStringLiteral("old"));
    show(g);
    QSignalSpy edited(view.blankModel(), &BlankGridModel::cellEdited);

    view.setCurrentCell(2, 2);
    QTest::keyClicks(&view, QStringLiteral("T")); // the first key opens the editor
    ASSERT_TRUE(editing());
    ASSERT_NE(editor(), nullptr);
    QTest::keyClicks(editor(), QStringLiteral("1=5"));
    type(QStringLiteral(" Гкал"));
    EXPECT_EQ(g.text(2, 2), "old"); // nothing is written before the edit ends
    press(Qt::Key_Return);

    EXPECT_FALSE(editing());
    EXPECT_EQ(g.text(2, 2), "T1=5 Гкал");
    ASSERT_EQ(edited.count(), 1);
    EXPECT_EQ(edited.at(0).at(0).toInt(), 2);
    EXPECT_EQ(edited.at(0).at(1).toInt(), 2);
    EXPECT_EQ(edited.at(0).at(2).toString(), "old");
    EXPECT_EQ(edited.at(0).at(3).toString(), "T1=5 Гкал");
    EXPECT_EQ(view.currentCell(), QPoint(2, 2));
    EXPECT_TRUE(messages.empty());
}

TEST_F(BlankGridViewTest, F2AndDoubleClickKeepTheTextWithTheCursorAtItsEnd) {
    Grid g = blankGrid(3, 3);
    g.setText(1, 1, QStringLiteral("abc"));
    g.setText(3, 3, QStringLiteral("xyz"));
    g.cell(1, 1).inner.width = 2;
    show(g);

    view.setCurrentCell(1, 1);
    press(Qt::Key_F2);
    ASSERT_TRUE(editing());
    ASSERT_NE(editor(), nullptr);
    // The editor opens inside the frame and the grid line.
    EXPECT_EQ(editor()->geometry(), view.visualRect(at(1, 1)).adjusted(2, 2, -3, -3));
    EXPECT_EQ(editor()->text(), "abc");
    EXPECT_FALSE(editor()->hasSelectedText());
    EXPECT_EQ(editor()->cursorPosition(), 3);
    type(QStringLiteral("d"));
    press(Qt::Key_Enter);
    EXPECT_EQ(g.text(1, 1), "abcd");

    doubleClick(centreOf(3, 3));
    ASSERT_TRUE(editing());
    ASSERT_NE(editor(), nullptr);
    EXPECT_EQ(editor()->text(), "xyz");
    EXPECT_FALSE(editor()->hasSelectedText());
    EXPECT_EQ(editor()->cursorPosition(), 3);
    type(QStringLiteral("!"));
    press(Qt::Key_Return);
    EXPECT_EQ(g.text(3, 3), "xyz!");
}

TEST_F(BlankGridViewTest, EscapeCancelsAndTabCommitsAndMovesOn) {
    Grid g = blankGrid(3, 2);
    g.setText(1, 1, QStringLiteral("keep"));
    show(g);
    QSignalSpy edited(view.blankModel(), &BlankGridModel::cellEdited);

    view.setCurrentCell(1, 1);
    type(QStringLiteral("gone"));
    ASSERT_TRUE(editing());
    press(Qt::Key_Escape);
    EXPECT_FALSE(editing());
    EXPECT_EQ(g.text(1, 1), "keep");
    EXPECT_EQ(edited.count(), 0);

    type(QStringLiteral("one"));
    press(Qt::Key_Tab);
    EXPECT_EQ(g.text(1, 1), "one");
    EXPECT_EQ(view.currentCell(), QPoint(2, 1));
    EXPECT_FALSE(editing()); // the next cell is current, not opened
    EXPECT_EQ(edited.count(), 1);

    type(QStringLiteral("two"));
    press(Qt::Key_Tab);
    EXPECT_EQ(g.text(2, 1), "two");
    EXPECT_EQ(view.currentCell(), QPoint(3, 1));
    EXPECT_EQ(edited.count(), 2);
}

TEST_F(BlankGridViewTest, ReadOnlyCellCannotBeEdited) {
    Grid g = blankGrid(2, 2);
    g.setText(2, 1, QStringLiteral("Дата"));
    g.cell(2, 1).readOnly = true;
    show(g);
    QSignalSpy edited(view.blankModel(), &BlankGridModel::cellEdited);

    view.setCurrentCell(2, 1);
    type(QStringLiteral("x"));
    EXPECT_FALSE(editing());
    press(Qt::Key_F2);
    EXPECT_FALSE(editing());
    doubleClick(centreOf(2, 1));
    EXPECT_FALSE(editing());
    EXPECT_EQ(g.text(2, 1), "Дата");
    EXPECT_EQ(edited.count(), 0);

    // Its neighbour still edits.
    view.setCurrentCell(1, 1);
    type(QStringLiteral("x"));
    EXPECT_TRUE(editing());
}

TEST_F(BlankGridViewTest, ACharacterOutside1251IsRefusedAsItIsTypedAndTheRestStays) {
    Grid g = blankGrid(2, 2);
    g.setText(1, 2, QStringLiteral("R"));
    show(g);
    QSignalSpy edited(view.blankModel(), &BlankGridModel::cellEdited);

    view.setCurrentCell(1, 2);
    press(Qt::Key_F2);
    type(QStringLiteral(" = 5 Ω"));
    // At once, not when the edit ends; the editor stays open with the rest.
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, kOmegaMessage);
    EXPECT_EQ(messages[0].caption, kAppCaption);
    EXPECT_EQ(messages[0].icon, MsgIcon::Error);
    ASSERT_TRUE(editing());
    ASSERT_NE(editor(), nullptr);
    EXPECT_EQ(editor()->text(), "R = 5 ");
    type(QStringLiteral("Ом"));
    press(Qt::Key_Return);
    EXPECT_FALSE(editing());
    EXPECT_EQ(g.text(1, 2), "R = 5 Ом");
    EXPECT_EQ(edited.count(), 1);
    EXPECT_EQ(messages.size(), 1u);

    // As the first key of an edit it opens no editor: the cell keeps its text.
    messages.clear();
    type(QStringLiteral("Ω"));
    EXPECT_FALSE(editing());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, kOmegaMessage);
    EXPECT_EQ(g.text(1, 2), "R = 5 Ом");
    EXPECT_EQ(edited.count(), 1);
}

TEST_F(BlankGridViewTest, PastedTextLosesOnlyTheCharactersOutside1251) {
    Grid g = blankGrid(2, 2);
    g.setText(1, 1, QStringLiteral("Т="));
    show(g);

    view.setCurrentCell(1, 1);
    press(Qt::Key_F2);
    ASSERT_TRUE(editing());
    QApplication::clipboard()->setText(QStringLiteral("5 Ω ок"));
    press(Qt::Key_V, Qt::ControlModifier);
    ASSERT_NE(editor(), nullptr);
    EXPECT_EQ(editor()->text(), "Т=5  ок");
    EXPECT_EQ(editor()->cursorPosition(), 7);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, kOmegaMessage);

    // In the middle of the text, the cursor after what went in; a character outside
    // the basic plane is named whole.
    messages.clear();
    editor()->setCursorPosition(2);
    QApplication::clipboard()->setText(QString::fromUtf8("x\xF0\x9F\x98\x80y"));
    press(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(editor()->text(), "Т=xy5  ок");
    EXPECT_EQ(editor()->cursorPosition(), 4);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, QString::fromUtf8("Символ \"\xF0\x9F\x98\x80\" нельзя напечатать: его нет в "
                                                  "кодировке Windows-1251."));
    press(Qt::Key_Return);
    EXPECT_EQ(g.text(1, 1), "Т=xy5  ок");
    EXPECT_EQ(messages.size(), 1u);
}

TEST_F(BlankGridViewTest, TheEditGoesOnAfterTheMessageBoxTookTheFocus) {
    // A box that takes the focus from the editor while it is on screen, as the
    // program's message boxes do.
    Messages::setAnswerer([this](const Message& m) {
        messages.push_back(m);
        QDialog box(&view);
        QTimer::singleShot(0, &box, [&box] {
            EXPECT_TRUE(QTest::qWaitForWindowActive(&box));
            box.accept();
        });
        box.exec();
        return MsgOk;
    });
    Grid g = blankGrid(2, 2);
    show(g);

    view.setCurrentCell(2, 2);
    type(QStringLiteral("ab"));
    type(QStringLiteral("Ω"));
    ASSERT_EQ(messages.size(), 1u);
    view.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    ASSERT_TRUE(editing());
    ASSERT_NE(editor(), nullptr);
    EXPECT_EQ(editor()->text(), "ab");
    type(QStringLiteral("c"));
    press(Qt::Key_Return);
    EXPECT_EQ(g.text(2, 2), "abc");
}

// --- the view: current cell and selection -----------------------------------------------

TEST_F(BlankGridViewTest, CurrentCellIsInGridCoordinates) {
    BlankGridView empty;
    EXPECT_EQ(empty.currentCell(), QPoint(0, 0));
    EXPECT_TRUE(empty.selectedCells().isEmpty());

    Grid g = blankGrid(4, 4);
    QSignalSpy moved(&view, &BlankGridView::currentCellChanged);
    show(g);
    EXPECT_EQ(view.currentCell(), QPoint(1, 1)); // a new grid starts at its first cell

    moved.clear();
    view.setCurrentCell(3, 2);
    EXPECT_EQ(view.currentCell(), QPoint(3, 2));
    EXPECT_EQ(view.currentIndex(), view.model()->index(1, 2));
    ASSERT_EQ(moved.count(), 1);
    EXPECT_EQ(moved.at(0).at(0).toInt(), 3);
    EXPECT_EQ(moved.at(0).at(1).toInt(), 2);

    press(Qt::Key_Down);
    EXPECT_EQ(view.currentCell(), QPoint(3, 3));
    EXPECT_EQ(moved.last().at(0).toInt(), 3);
    EXPECT_EQ(moved.last().at(1).toInt(), 3);

    // Cells outside the data area are ignored.
    view.setCurrentCell(0, 1);
    view.setCurrentCell(5, 1);
    EXPECT_EQ(view.currentCell(), QPoint(3, 3));

    // A refresh keeps the current cell while it exists.
    view.refresh();
    EXPECT_EQ(view.currentCell(), QPoint(3, 3));
    g.resize(3, 3);
    view.refresh();
    EXPECT_EQ(view.currentCell(), QPoint(1, 1));
    view.setGrid(nullptr);
    EXPECT_EQ(view.currentCell(), QPoint(0, 0));
    EXPECT_EQ(moved.last().at(0).toInt(), 0);
}

TEST_F(BlankGridViewTest, ShiftExtendsTheSelectedRectangle) {
    Grid g = blankGrid(6, 6);
    ASSERT_TRUE(g.addRange({5, 5, 6, 6}));
    show(g);

    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, centreOf(2, 3));
    EXPECT_EQ(view.selectedCells(), cells(2, 3, 2, 3));
    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::ShiftModifier, centreOf(4, 5));
    EXPECT_EQ(view.selectedCells(), cells(2, 3, 4, 5));
    // The rectangle may be drawn in any direction.
    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::ShiftModifier, centreOf(1, 1));
    EXPECT_EQ(view.selectedCells(), cells(1, 1, 2, 3));

    // Shift+arrows grow it from the current cell's anchor.
    view.setCurrentCell(2, 2);
    press(Qt::Key_Right, Qt::ShiftModifier);
    press(Qt::Key_Right, Qt::ShiftModifier);
    press(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(view.selectedCells(), cells(2, 2, 4, 3));

    // A merged range touched by the rectangle is taken whole.
    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, centreOf(3, 4));
    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::ShiftModifier, centreOf(5, 5));
    EXPECT_EQ(view.selectedCells(), cells(3, 4, 6, 6));

    // With nothing selected, the current cell's region.
    view.setCurrentCell(6, 5);
    view.selectionModel()->clearSelection();
    EXPECT_EQ(view.selectedCells(), cells(5, 5, 6, 6));
}

} // namespace

TEST(PreviewText, OnlyTheChangedLinesAreReplaced) {
    QPlainTextEdit view;
    showPreviewText(&view, QStringLiteral("╔══╗\n║ab║\n\n╚══╝"));
    EXPECT_EQ(view.toPlainText(), QStringLiteral("╔══╗\n║ab║\n\n╚══╝"));
    QTextDocument* doc = view.document();
    std::vector<int> revisions;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next())
        revisions.push_back(b.revision());

    showPreviewText(&view, QStringLiteral("╔══╗\n║cd║\n\n╚══╝"));
    EXPECT_EQ(view.toPlainText(), QStringLiteral("╔══╗\n║cd║\n\n╚══╝"));
    ASSERT_EQ(doc->blockCount(), 4);
    EXPECT_EQ(doc->findBlockByNumber(0).revision(), revisions[0]);
    EXPECT_NE(doc->findBlockByNumber(1).revision(), revisions[1]);
    EXPECT_EQ(doc->findBlockByNumber(3).revision(), revisions[3]);

    // An empty line filled, then fewer and more lines: the whole text each time.
    showPreviewText(&view, QStringLiteral("╔══╗\n║cd║\nx\n╚══╝"));
    EXPECT_EQ(view.toPlainText(), QStringLiteral("╔══╗\n║cd║\nx\n╚══╝"));
    showPreviewText(&view, QStringLiteral("one"));
    EXPECT_EQ(view.toPlainText(), QStringLiteral("one"));
    showPreviewText(&view, QStringLiteral("a\nb\nc"));
    EXPECT_EQ(view.toPlainText(), QStringLiteral("a\nb\nc"));
    showPreviewText(&view, QString());
    EXPECT_EQ(view.toPlainText(), QString());
    EXPECT_FALSE(doc->isUndoAvailable());
}
