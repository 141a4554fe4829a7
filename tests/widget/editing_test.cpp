// Editing an open blank in the main window through its commands, the blank grid,
// the parameter panel's context menu and the columns-and-rows panel.

#include "Ustr.h"
#include "controls/blankgrid.h"
#include "controls/paramgrid.h"
#include "dialogs.h"
#include "kUnit.h"
#include "mUnit.h"
#include "messages.h"
#include "nUnit.h"
#include "tekchDialog.h"

#include "editor/clipboard.h"
#include "store/grid.h"
#include "text/codepage.h"
#include "text/profile.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include "widgethelpers.h"

#include <QHeaderView>
#include <QMenuBar>
#include <QTimer>
#include <QTreeWidget>

#include <deque>
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

using namespace rastrova;
using namespace rastrova::app;
using namespace Qt::StringLiterals;
using namespace widgettest;

namespace {

const QString kCtpFolder = u"ЦТП-3"_s;
const QString kSummary = u"Сводка за час"_s; // 3 data columns, 4 data rows, all cells framed
const QString kHead = u"Шапка отчёта"_s;     // 2 data columns, 3 data rows, no frames

bool hasBoxFrame(const QString& text) {
    return text.contains(u'┌') && text.contains(u'┐') && text.contains(u'└') && text.contains(u'┘');
}

class EditingTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        const QString home = tmp.filePath(u"prog"_s);
        base = tmp.filePath(u"base"_s);
        copyTree(QStringLiteral(RASTROVA_EXAMPLES_DIR "/base"), base);
        makeProgramFolder(home, base);
        windows.open(home);
        ASSERT_TRUE(messages.empty());
    }

    void TearDown() override {
        if (form)
            paramGrid()->contextMenu()->hide();
        windows.close();
        QApplication::clipboard()->clear();
    }

    // Opens a blank of the example print file through the tree.
    void open(const QString& blank) {
        auto* tree = named<QTreeWidget>(form.get(), u"Tree"_s);
        QTreeWidgetItem* found = nullptr;
        for (QTreeWidgetItemIterator it(tree); *it && !found; ++it)
            if ((*it)->text(0) == blank && (*it)->parent() && (*it)->parent()->parent() &&
                (*it)->parent()->parent()->text(0) == kCtpFolder)
                found = *it;
        ASSERT_NE(found, nullptr);
        tree->setCurrentItem(found);
        ASSERT_TRUE(form->isBlankOpen());
        ASSERT_EQ(form->currentBlank(), blank);
    }

    QAction* act(const QString& name) const { return named<QAction>(form.get(), name); }
    BlankGridView* view() const { return named<BlankGridView>(form.get(), u"mgrid"_s); }
    ParamGridView* paramGrid() const { return named<ParamGridView>(form.get(), u"pgrid"_s); }
    store::Grid& grid() { return form->blank().grid; }
    QString blankFile(const QString& blank) const {
        return QDir(base).filePath(kCtpFolder + u'/' + blank + u".ini"_s);
    }
    text::IniProfile savedProfile(const QString& blank) const {
        text::IniProfile ini;
        ini.load(blankFile(blank));
        return ini;
    }

    // Selects the rectangle of grid cells from (l, t) to (r, b), (l, t) current.
    void selectCells(int l, int t, int r, int b) {
        view()->setCurrentCell(l, t);
        const BlankGridModel* m = view()->blankModel();
        view()->selectionModel()->select(QItemSelection(m->indexOfCell(l, t), m->indexOfCell(r, b)),
                                         QItemSelectionModel::ClearAndSelect);
        ASSERT_EQ(view()->selectedCells(), QRect(QPoint(l, t), QPoint(r, b)));
    }

    // The cell editor of (col, row), opened by typing `first` into the grid.
    QLineEdit* typeInto(int col, int row, const QString& first) {
        view()->setCurrentCell(col, row);
        view()->setFocus();
        typeChars(view(), first.left(1));
        auto* editor =
            qobject_cast<QLineEdit*>(view()->indexWidget(view()->blankModel()->indexOfCell(col, row)));
        if (!editor)
            throw std::runtime_error("no cell editor");
        typeChars(editor, first.mid(1));
        return editor;
    }

    // Opens the parameter panel's menu over list row `row` (below the rows for 0)
    // and chooses `action` in it.
    void chooseInParamMenu(int row, const QString& action) {
        ParamGridView* pg = paramGrid();
        const QPoint pos = row > 0 ? pg->visualRect(pg->paramModel()->indexOfCell(2, row)).center()
                                   : QPoint(5, pg->viewport()->height() - 5);
        QContextMenuEvent event(QContextMenuEvent::Mouse, pos, pg->viewport()->mapToGlobal(pos));
        QApplication::sendEvent(pg->viewport(), &event);
        QMenu* menu = pg->contextMenu();
        ASSERT_TRUE(menu->isVisible());
        QAction* a = named<QAction>(pg, action);
        ASSERT_TRUE(menu->actions().contains(a));
        ASSERT_TRUE(a->isEnabled()) << action.toStdString();
        menu->setActiveAction(a);
        QTest::keyClick(menu, Qt::Key_Return);
        EXPECT_FALSE(menu->isVisible());
    }

    QTemporaryDir tmp;
    QString base;
    MessageLog log;
    std::vector<Message>& messages = log.messages;
    std::deque<MsgButton>& answers = log.answers;
    DialogScript steps;
    EditorWindows windows;
    std::unique_ptr<TmForm>& form = windows.form;
};

TEST_F(EditingTest, MergeAndSplitShowInTheViewAndInTheSavedFile) {
    open(kSummary);
    const QString joined = grid().text(2, 2) + grid().text(3, 2);
    ASSERT_FALSE(grid().text(2, 2).isEmpty());
    ASSERT_FALSE(grid().text(3, 2).isEmpty());
    EXPECT_FALSE(form->isModified());

    selectCells(2, 2, 3, 2);
    act(u"ActMerge"_s)->trigger();
    EXPECT_EQ(view()->columnSpan(1, 1), 2);
    EXPECT_EQ(view()->rowSpan(1, 1), 1);
    EXPECT_TRUE(grid().ranges().contains(store::Range{2, 2, 3, 2}));
    EXPECT_EQ(grid().text(2, 2), joined);
    EXPECT_TRUE(grid().text(3, 2).isEmpty());
    EXPECT_TRUE(form->isModified());
    EXPECT_EQ(named<QLabel>(form.get(), u"StatusBlank"_s)->text(), kSummary + u" *"_s);

    act(u"ActSave"_s)->trigger();
    EXPECT_FALSE(form->isModified());
    EXPECT_EQ(savedProfile(kSummary).value(u"Unions", u"2 2"), u"3 2"_s);

    view()->setCurrentCell(2, 2);
    act(u"ActSplit"_s)->trigger();
    EXPECT_EQ(view()->columnSpan(1, 1), 1);
    EXPECT_FALSE(grid().ranges().contains(store::Range{2, 2, 3, 2}));
    EXPECT_EQ(grid().text(2, 2), joined);
    EXPECT_TRUE(form->isModified());
    act(u"ActSave"_s)->trigger();
    const auto ini = savedProfile(kSummary);
    EXPECT_FALSE(ini.hasKey(u"Unions", u"2 2"));
    EXPECT_EQ(ini.value(u"Unions", u"1 1"), u"3 1"_s);
    EXPECT_TRUE(messages.empty());
}

TEST_F(EditingTest, ColumnsAndRowsPanelRefusesTooManyColumnsAndSetsTheWidth) {
    open(kSummary);
    int shown[3] = {-1, -1, -1};
    bool openAfterRefusal = false;
    int columnsAfterRefusal = -1;
    steps.expect(u"kForm"_s, [&](QWidget* d) {
        shown[0] = named<QSpinBox>(d, u"EditColumns"_s)->value();
        shown[1] = named<QSpinBox>(d, u"EditRows"_s)->value();
        shown[2] = named<QSpinBox>(d, u"EditWidth"_s)->value();
        named<QSpinBox>(d, u"EditColumns"_s)->setValue(41);
        named<QPushButton>(d, u"ButtonColsRowsOk"_s)->click();
        openAfterRefusal = d->isVisible();
    });
    steps.expect(u"kForm"_s, [&](QWidget* d) {
        columnsAfterRefusal = grid().colCount();
        named<QSpinBox>(d, u"EditColumns"_s)->setValue(3);
        named<QSpinBox>(d, u"EditWidth"_s)->setValue(90);
        named<QPushButton>(d, u"ButtonColsRowsOk"_s)->click();
    });
    act(u"ActColsRows"_s)->trigger();
    EXPECT_TRUE(steps.finished());
    EXPECT_EQ(shown[0], 3);
    EXPECT_EQ(shown[1], 4);
    EXPECT_EQ(shown[2], 75);
    EXPECT_TRUE(openAfterRefusal);
    EXPECT_EQ(columnsAfterRefusal, 4);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, u"Число столбцов не может превышать 40. Будьте внимательны."_s);
    EXPECT_EQ(messages[0].caption, kAppCaption);
    EXPECT_FALSE(windows.kForm->isVisible());

    EXPECT_EQ(grid().colCount(), 4);
    EXPECT_EQ(grid().rowCount(), 5);
    for (int c = 0; c < grid().colCount(); ++c)
        EXPECT_EQ(grid().colWidth(c), 90) << "column " << c;
    for (int i = 0; i < view()->blankModel()->columnCount(); ++i)
        EXPECT_EQ(view()->columnWidth(i), 90) << "view column " << i;
    EXPECT_TRUE(form->isModified());
}

TEST_F(EditingTest, BordersColumnsAndRows) {
    open(kHead);
    const BlankGridModel* m = view()->blankModel();
    selectCells(1, 1, 2, 2);
    act(u"ActBorderOn"_s)->trigger();
    for (int c = 1; c <= 2; ++c)
        for (int r = 1; r <= 2; ++r) {
            EXPECT_EQ(grid().cell(c, r).inner.width, 2) << c << ' ' << r;
            EXPECT_EQ(grid().cell(c, r).inner.colour, 0) << c << ' ' << r;
            EXPECT_TRUE(m->data(m->indexOfCell(c, r), BlankGridModel::FrameRole).toBool()) << c << ' ' << r;
        }
    EXPECT_FALSE(m->data(m->indexOfCell(1, 3), BlankGridModel::FrameRole).toBool());
    EXPECT_TRUE(form->isModified());

    selectCells(2, 1, 2, 2);
    act(u"ActBorderOff"_s)->trigger();
    EXPECT_EQ(grid().cell(2, 1).inner.width, 0);
    EXPECT_EQ(grid().cell(2, 2).inner.width, 0);
    EXPECT_EQ(grid().cell(2, 2).inner.colour, grid().colour());
    EXPECT_FALSE(m->data(m->indexOfCell(2, 2), BlankGridModel::FrameRole).toBool());
    EXPECT_TRUE(m->data(m->indexOfCell(1, 2), BlankGridModel::FrameRole).toBool());

    // A column added before column 1 moves the old column 1 right.
    const QString first = grid().text(1, 1), second = grid().text(1, 2);
    view()->setCurrentCell(1, 2);
    act(u"ActAddColumn"_s)->trigger();
    EXPECT_EQ(grid().colCount(), 4);
    EXPECT_EQ(m->columnCount(), 3);
    EXPECT_TRUE(grid().text(1, 1).isEmpty());
    EXPECT_TRUE(grid().text(1, 2).isEmpty());
    EXPECT_EQ(grid().text(2, 1), first);
    EXPECT_EQ(grid().text(2, 2), second);

    // Deleting row 2 lifts row 3.
    const QString third = grid().text(2, 3);
    ASSERT_FALSE(third.isEmpty());
    view()->setCurrentCell(2, 2);
    act(u"ActDeleteRow"_s)->trigger();
    EXPECT_EQ(grid().rowCount(), 3);
    EXPECT_EQ(m->rowCount(), 2);
    EXPECT_EQ(grid().text(2, 2), third);

    // Down to one data column; the last one stays.
    for (int col : {3, 1}) {
        view()->setCurrentCell(col, 1);
        act(u"ActDeleteColumn"_s)->trigger();
    }
    ASSERT_EQ(grid().colCount(), 2);
    EXPECT_EQ(grid().text(1, 1), first);
    act(u"ActSave"_s)->trigger();
    ASSERT_FALSE(form->isModified());
    const store::Grid before = grid();
    view()->setCurrentCell(1, 1);
    act(u"ActDeleteColumn"_s)->trigger();
    EXPECT_TRUE(grid() == before);
    EXPECT_EQ(m->columnCount(), 1);
    EXPECT_FALSE(form->isModified());
    EXPECT_TRUE(messages.empty());
}

TEST_F(EditingTest, CopyPasteAndClear) {
    open(kSummary);
    const QString a = grid().text(1, 3), b = grid().text(1, 4);
    ASSERT_FALSE(a.isEmpty());
    ASSERT_TRUE(grid().text(2, 3).isEmpty());
    selectCells(1, 3, 1, 4);
    act(u"ActCopy"_s)->trigger();
    const QMimeData* mime = QApplication::clipboard()->mimeData();
    ASSERT_NE(mime, nullptr);
    EXPECT_TRUE(mime->hasFormat(QString::fromLatin1(editor::kCellsMimeType)));
    EXPECT_TRUE(act(u"ActPaste"_s)->isEnabled());
    EXPECT_FALSE(form->isModified());

    selectCells(2, 3, 2, 3);
    act(u"ActPaste"_s)->trigger();
    EXPECT_EQ(grid().text(2, 3), a);
    EXPECT_EQ(grid().text(2, 4), b);
    EXPECT_EQ(grid().text(1, 3), a);
    EXPECT_EQ(view()->blankModel()->data(view()->blankModel()->indexOfCell(2, 4)).toString(), b);
    EXPECT_FALSE(act(u"ActPaste"_s)->isEnabled());
    mime = QApplication::clipboard()->mimeData();
    EXPECT_TRUE(!mime || !mime->hasFormat(QString::fromLatin1(editor::kCellsMimeType)));
    EXPECT_TRUE(form->isModified());

    selectCells(1, 3, 2, 4);
    act(u"ActClear"_s)->trigger();
    for (int c = 1; c <= 2; ++c)
        for (int r = 3; r <= 4; ++r)
            EXPECT_TRUE(grid().text(c, r).isEmpty()) << c << ' ' << r;
    EXPECT_FALSE(grid().text(1, 2).isEmpty());
    EXPECT_TRUE(messages.empty());
}

TEST_F(EditingTest, ParameterPanelMenuAddsInsertsAndDeletes) {
    open(kSummary);
    ASSERT_TRUE(named<QWidget>(form.get(), u"ParamPanel"_s)->isVisible());
    ASSERT_EQ(paramGrid()->list()->count(), 0);

    // The insert-parameter panel opens on its first item, the time.
    steps.expect(u"kForm"_s, [](QWidget* d) { named<QPushButton>(d, u"ButtonAddParam"_s)->click(); });
    chooseInParamMenu(0, u"ActAddParam"_s);
    ASSERT_EQ(paramGrid()->list()->count(), 1);
    EXPECT_EQ(paramGrid()->list()->code(1), u"#4015"_s);
    EXPECT_EQ(paramGrid()->list()->name(1), u"Время"_s);
    const auto* pm = paramGrid()->paramModel();
    EXPECT_EQ(pm->data(pm->indexOfCell(2, 1)).toString(), u"Время"_s);
    EXPECT_TRUE(form->isModified());

    const QString before = grid().text(2, 2);
    view()->setCurrentCell(2, 2);
    chooseInParamMenu(1, u"ActInsertIntoBlank"_s);
    EXPECT_EQ(grid().text(2, 2), before + u"@1"_s);

    const QString question =
        u"Вы действительно хотите удалить параметр \"Время\"?\rПри нажатии на кнопку \"Да\" "
        "параметр удалится, а так же удалятся все ссылки на него из бланка.\r"_s;
    answers = {MsgNo};
    chooseInParamMenu(1, u"ActDeleteParam"_s);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, question);
    EXPECT_EQ(messages[0].caption, u"Предупреждение о сохранение данных"_s);
    EXPECT_EQ(paramGrid()->list()->count(), 1);
    EXPECT_EQ(grid().text(2, 2), before + u"@1"_s);

    answers = {MsgYes};
    chooseInParamMenu(1, u"ActDeleteParam"_s);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1].text, question);
    EXPECT_EQ(grid().text(2, 2), before);
    EXPECT_EQ(paramGrid()->list()->count(), 0);
    EXPECT_TRUE(paramGrid()->list()->isEmpty());
}

TEST_F(EditingTest, ArchiveRowCellsAreCheckedWhenTheEditorCloses) {
    open(kSummary);
    store::Grid& g = grid();
    for (int c = 1; c < g.colCount(); ++c)
        g.cell(c, 3).colour = store::kArchiveRowColour;
    g.setText(1, 3, u"!3"_s);
    g.cell(1, 3).readOnly = true;
    g.setText(2, 3, u"@1"_s);
    g.setText(3, 3, QString());
    view()->refresh();
    paramGrid()->list()->append(u"~05"_s, u"Архив"_s);
    paramGrid()->refresh();

    // Esc: nothing is written, nothing is checked.
    QLineEdit* editor = typeInto(2, 3, u"abc"_s);
    EXPECT_EQ(editor->text(), u"abc"_s);
    QTest::keyClick(editor, Qt::Key_Escape);
    EXPECT_FALSE(view()->isEditing());
    EXPECT_EQ(g.text(2, 3), u"@1"_s);
    EXPECT_TRUE(messages.empty());

    // A reference to the archive value passes.
    editor = typeInto(3, 3, u"@1"_s);
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(g.text(3, 3), u"@1"_s);
    EXPECT_TRUE(messages.empty());

    // Text without a reference is refused and the old text comes back.
    editor = typeInto(2, 3, u"abc"_s);
    QTest::keyClick(editor, Qt::Key_Return);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].caption, u"Растрова - Диалог"_s);
    EXPECT_EQ(messages[0].text,
              u"В строке печати архивных данных можно указать только параметры печати архивных "
              "данных.\rПараметр задается ввиде: @<№ параметра> "_s);
    EXPECT_EQ(g.text(2, 3), u"@1"_s);
    const BlankGridModel* m = view()->blankModel();
    EXPECT_EQ(m->data(m->indexOfCell(2, 3)).toString(), u"@1"_s);
    EXPECT_FALSE(view()->isEditing());

    // Emptying the cell is refused too.
    view()->setCurrentCell(2, 3);
    QTest::keyClick(view(), Qt::Key_F2);
    editor = qobject_cast<QLineEdit*>(view()->indexWidget(m->indexOfCell(2, 3)));
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), u"@1"_s);
    QTest::keyClick(editor, Qt::Key_Backspace);
    QTest::keyClick(editor, Qt::Key_Backspace);
    EXPECT_TRUE(editor->text().isEmpty());
    QTest::keyClick(editor, Qt::Key_Return);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1].caption, u"Растрова - Диалог"_s);
    EXPECT_EQ(messages[1].text,
              u"Не верно задана ссылка на параметр.\rПараметр задается ввиде: @<№ параметра>"_s);
    EXPECT_EQ(g.text(2, 3), u"@1"_s);
    EXPECT_EQ(g.text(1, 3), u"!3"_s);
}

TEST_F(EditingTest, PreviewShowsFramesAndFollowsEdits) {
    open(kHead);
    auto* preview = named<QPlainTextEdit>(form.get(), u"Preview"_s);
    EXPECT_FALSE(preview->isVisible());
    act(u"SpeedButtonPreview"_s)->trigger();
    ASSERT_TRUE(preview->isVisible());
    const QString plain = preview->toPlainText();
    EXPECT_TRUE(plain.contains(grid().text(1, 1).trimmed()));
    EXPECT_FALSE(hasBoxFrame(plain));

    selectCells(1, 1, 1, 1);
    act(u"ActBorderOn"_s)->trigger();
    const QString framed = preview->toPlainText();
    EXPECT_TRUE(hasBoxFrame(framed)) << framed.toStdString();

    QLineEdit* editor = typeInto(2, 3, u"Итог"_s);
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(grid().text(2, 3), u"Итог"_s);
    const QString edited = preview->toPlainText();
    EXPECT_NE(edited, framed);
    EXPECT_TRUE(edited.contains(u"Итог"_s)) << edited.toStdString();
    EXPECT_TRUE(hasBoxFrame(edited));
    EXPECT_TRUE(messages.empty());
}

TEST_F(EditingTest, ColumnsAndRowsDraggedByTheirHeadersMoveAsOneStep) {
    open(kHead);
    act(u"SpeedButtonPreview"_s)->trigger();
    auto* preview = named<QPlainTextEdit>(form.get(), u"Preview"_s);
    grid().setText(1, 1, u"Левая"_s);
    grid().setText(2, 1, u"Правая"_s);
    view()->refresh();
    const store::Grid original = grid();

    // The first column's header dragged past the second one's middle.
    QHeaderView* columns = view()->horizontalHeader();
    const QPoint from(columns->sectionViewportPosition(0) + 5, columns->height() / 2);
    const QPoint to(columns->sectionViewportPosition(1) + columns->sectionSize(1) - 3, columns->height() / 2);
    QTest::mousePress(columns->viewport(), Qt::LeftButton, {}, from);
    for (int x = from.x(); x <= to.x(); x += 8)
        QTest::mouseMove(columns->viewport(), QPoint(x, from.y()));
    QTest::mouseMove(columns->viewport(), to);
    QTest::mouseRelease(columns->viewport(), Qt::LeftButton, {}, to);
    EXPECT_EQ(grid().text(1, 1), u"Правая"_s);
    EXPECT_EQ(grid().text(2, 1), u"Левая"_s);
    EXPECT_EQ(columns->logicalIndex(0), 0); // the header shows the grid as it is
    EXPECT_EQ(view()->blankModel()->data(view()->blankModel()->indexOfCell(1, 1)).toString(), u"Правая"_s);
    const QString text = preview->toPlainText();
    EXPECT_LT(text.indexOf(u"Правая"_s), text.indexOf(u"Левая"_s)) << text.toStdString();
    EXPECT_EQ(act(u"ActUndo"_s)->text(), u"Отменить: Перемещение колонки"_s);

    // A row moved the same way, through the header's own move.
    const QString lastRow = grid().text(1, 3);
    view()->verticalHeader()->moveSection(2, 0);
    EXPECT_EQ(grid().text(1, 1), lastRow);
    EXPECT_EQ(act(u"ActUndo"_s)->text(), u"Отменить: Перемещение строки"_s);

    act(u"ActUndo"_s)->trigger();
    act(u"ActUndo"_s)->trigger();
    EXPECT_TRUE(grid() == original);
    EXPECT_FALSE(preview->toPlainText().indexOf(u"Правая"_s) < preview->toPlainText().indexOf(u"Левая"_s));
    EXPECT_TRUE(messages.empty());
}

TEST_F(EditingTest, RightClickOnTheGridOffersTheCellCommands) {
    open(kHead);
    auto* menu = named<QMenu>(form.get(), u"MenuGrid"_s);
    auto rightClick = [&](int col, int row) {
        const QPoint pos = view()->visualRect(view()->blankModel()->indexOfCell(col, row)).center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, pos, view()->viewport()->mapToGlobal(pos));
        QApplication::sendEvent(view()->viewport(), &event);
    };
    QStringList offered;
    selectCells(1, 1, 2, 1);
    rightClick(2, 1); // inside the selection: it stays
    ASSERT_TRUE(menu->isVisible());
    for (QAction* a : menu->actions())
        if (!a->isSeparator())
            offered << a->objectName();
    EXPECT_EQ(offered, (QStringList{u"ActCut"_s, u"ActCopy"_s, u"ActPaste"_s, u"ActMerge"_s, u"ActSplit"_s,
                                    u"ActBorderOn"_s, u"ActBorderOff"_s, u"ActInsertParam"_s}));
    menu->setActiveAction(act(u"ActMerge"_s));
    QTest::keyClick(menu, Qt::Key_Return);
    EXPECT_FALSE(menu->isVisible());
    EXPECT_EQ(view()->columnSpan(0, 0), 2);
    // Outside the selection the cell under the pointer becomes current.
    rightClick(2, 3);
    EXPECT_EQ(view()->currentCell(), QPoint(2, 3));
    menu->hide();
}

TEST_F(EditingTest, EveryMenuOfTheMenuBarHasItsOwnAccessKey) {
    QList<QChar> keys;
    for (QAction* a : form->menuBar()->actions()) {
        if (!a->menu())
            continue;
        const QString title = a->menu()->title();
        const qsizetype amp = title.indexOf(u'&');
        ASSERT_TRUE(amp >= 0 && amp + 1 < title.size()) << title.toStdString();
        const QChar key = title[amp + 1].toUpper();
        EXPECT_FALSE(keys.contains(key)) << title.toStdString();
        keys << key;
    }
    EXPECT_GE(keys.size(), 5);
}

} // namespace

TEST_F(EditingTest, UndoAndRedoThroughTheEditMenu) {
    open(kSummary);
    QAction* undo = act(u"ActUndo"_s);
    QAction* redo = act(u"ActRedo"_s);
    ASSERT_TRUE(named<QMenu>(form.get(), u"MenuEdit"_s)->actions().contains(undo));
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_FALSE(redo->isEnabled());
    const store::Grid original = grid();

    // A merge, undone and redone; the mark follows the saved state.
    selectCells(2, 2, 3, 2);
    act(u"ActMerge"_s)->trigger();
    const store::Grid merged = grid();
    EXPECT_TRUE(undo->isEnabled());
    EXPECT_EQ(undo->text(), u"Отменить: Объединение ячеек"_s);
    undo->trigger();
    EXPECT_TRUE(grid() == original);
    EXPECT_EQ(view()->columnSpan(1, 1), 1);
    EXPECT_FALSE(form->isModified());
    EXPECT_EQ(redo->text(), u"Повторить: Объединение ячеек"_s);
    redo->trigger();
    EXPECT_TRUE(grid() == merged);
    EXPECT_EQ(view()->columnSpan(1, 1), 2);
    EXPECT_TRUE(form->isModified());
    act(u"ActSave"_s)->trigger();
    EXPECT_FALSE(form->isModified());
    undo->trigger();
    EXPECT_TRUE(form->isModified());
    redo->trigger();

    // A parameter deleted with its references comes back with them.
    // The insert-parameter panel opens on its first item, the time.
    steps.expect(u"kForm"_s, [](QWidget* d) { named<QPushButton>(d, u"ButtonAddParam"_s)->click(); });
    chooseInParamMenu(0, u"ActAddParam"_s);
    view()->setCurrentCell(2, 3);
    chooseInParamMenu(1, u"ActInsertIntoBlank"_s);
    const QString withReference = grid().text(2, 3);
    ASSERT_TRUE(withReference.endsWith(u"@1"_s));
    answers = {MsgYes};
    chooseInParamMenu(1, u"ActDeleteParam"_s);
    ASSERT_EQ(paramGrid()->list()->count(), 0);
    EXPECT_EQ(undo->text(), u"Отменить: Удаление параметра"_s);
    undo->trigger();
    EXPECT_EQ(paramGrid()->list()->count(), 1);
    EXPECT_EQ(paramGrid()->list()->code(1), u"#4015"_s);
    EXPECT_EQ(grid().text(2, 3), withReference);
    EXPECT_EQ(view()->currentCell(), QPoint(2, 3));
    EXPECT_EQ(paramGrid()->paramModel()->rowCount(), 1);

    // Another blank starts a fresh history.
    open(kHead);
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_FALSE(redo->isEnabled());
}
