// Inserting parameters through the insert-parameter panel, the archive start row
// of an archive blank, the parameter tree of a type "19" blank and the archive
// checks shown after a save, all through the main window's commands.

#include "PrmsTree.h"
#include "Ustr.h"
#include "controls/blankgrid.h"
#include "controls/paramgrid.h"
#include "dialogs.h"
#include "kUnit.h"
#include "mUnit.h"
#include "messages.h"
#include "nUnit.h"
#include "tekchDialog.h"

#include "editor/archiverow.h"
#include "editor/paramlist.h"
#include "store/grid.h"
#include "text/codepage.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include "widgethelpers.h"

#include <QTimer>
#include <QTreeWidget>

#include <array>
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

const QString kCtp = u"ЦТП-3"_s;
const QString kBoiler = u"Котельная Северная"_s;
const QString kVirel19 = u"Северная ВИРЕЛ-19"_s;
const QString kSummary = u"Сводка за час"_s;     // type "10", hourly
// type "10", archive; the tests put a plain one in place of the example's: 4 data
// columns, 5 data rows, no parameters and no archive mark yet.
const QString kDaily = u"Суточный архив"_s;
const QString kCurrent = u"Текущие параметры"_s; // type "19", hourly, task SEVER.tsk, 8 parameters

// The node of PrmTreeView whose text starts with the parameter number and "\".
QTreeWidgetItem* parameterNode(QTreeWidget* tree, const QString& number) {
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        if ((*it)->text(0).startsWith(number + u'\\'))
            return *it;
    return nullptr;
}

class ArchiveTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        const QString home = tmp.filePath(u"prog"_s);
        base = tmp.filePath(u"base"_s);
        const QString database = tmp.filePath(u"database"_s);
        copyTree(QStringLiteral(RASTROVA_EXAMPLES_DIR "/base"), base);
        copyTree(QStringLiteral(RASTROVA_EXAMPLES_DIR "/database"), database);
        const QString daily = QDir(base).filePath(kBoiler + u'/' + kDaily);
        QFile::remove(daily + u".ini"_s);
        QFile::remove(daily + u".par"_s);
        ASSERT_TRUE(QFile::copy(QFileInfo(QStringLiteral(__FILE__)).dir().filePath(u"fixtures/daily-archive-plain.ini"_s),
                                daily + u".ini"_s));
        makeProgramFolder(home, base, database);
        windows.open(home);
        ASSERT_TRUE(messages.empty());
        ASSERT_EQ(form->databasePath(), database);
    }

    void TearDown() override { windows.close(); }

    void open(const QString& printFile, const QString& blank) {
        auto* tree = named<QTreeWidget>(form.get(), u"Tree"_s);
        QTreeWidgetItem* found = nullptr;
        for (QTreeWidgetItemIterator it(tree); *it && !found; ++it)
            if ((*it)->text(0) == blank && (*it)->parent() && (*it)->parent()->parent() &&
                (*it)->parent()->parent()->text(0) == printFile)
                found = *it;
        ASSERT_NE(found, nullptr);
        tree->setCurrentItem(found);
        ASSERT_TRUE(form->isBlankOpen());
        ASSERT_EQ(form->currentBlank(), blank);
    }

    QAction* act(const QString& name) const { return named<QAction>(form.get(), name); }
    BlankGridView* view() const { return named<BlankGridView>(form.get(), u"mgrid"_s); }
    ParamGridView* paramGrid() const { return named<ParamGridView>(form.get(), u"pgrid"_s); }
    const editor::ParameterList& list() const { return *paramGrid()->list(); }
    store::Grid& grid() { return form->blank().grid; }
    QTreeWidget* prmTree() const {
        auto* host = named<QWidget>(kForm.get(), u"TreeHost"_s);
        return named<QTreeWidget>(named<TTreeFrame>(host, u"TreeFrame1"_s), u"PrmTreeView"_s);
    }
    QString blankPath(const QString& printFile, const QString& blank, const QString& ext) const {
        return QDir(base).filePath(printFile + u'/' + blank + ext);
    }

    // Adds one type "10" parameter through ActInsertParam: `choose` sets the panel up.
    void insertThroughPanel(const std::function<void(QWidget*)>& choose) {
        steps.expect(u"kForm"_s, [choose](QWidget* d) {
            choose(d);
            named<QPushButton>(d, u"ButtonAddParam"_s)->click();
        });
        act(u"ActInsertParam"_s)->trigger();
        EXPECT_TRUE(steps.finished());
        EXPECT_FALSE(kForm->isVisible());
    }

    QTemporaryDir tmp;
    QString base;
    MessageLog log;
    std::vector<Message>& messages = log.messages;
    std::deque<MsgButton>& answers = log.answers;
    DialogScript steps;
    EditorWindows windows;
    std::unique_ptr<TmForm>& form = windows.form;
    std::unique_ptr<TkForm>& kForm = windows.kForm;
};

TEST_F(ArchiveTest, InsertParameterPanelOfAnHourlyBlank) {
    open(kCtp, kSummary);
    ASSERT_EQ(list().count(), 0);
    view()->setCurrentCell(2, 2);
    QString cell = grid().text(2, 2);

    struct Case {
        std::function<void(QWidget*)> choose;
        QString code;
        QString name;
    };
    const std::vector<Case> cases = {
        {[](QWidget* d) { named<QRadioButton>(d, u"RgParamItem0"_s)->click(); }, u"#4015"_s, u"Время"_s},
        {[](QWidget* d) {
             named<QRadioButton>(d, u"RgParamItem4"_s)->click();
             ASSERT_TRUE(named<QSpinBox>(d, u"EditNumber"_s)->isVisible());
             named<QSpinBox>(d, u"EditNumber"_s)->setValue(3);
         },
         u"#8319"_s, u"Расход за пред. час в трубопр. № 3"_s},
        {[](QWidget* d) {
             named<QRadioButton>(d, u"RgParamItem7"_s)->click();
             named<QSpinBox>(d, u"EditNumber"_s)->setValue(5);
         },
         u"~05"_s, u"Данные из часового архива № 5"_s},
        {[](QWidget* d) {
             named<QRadioButton>(d, u"RgParamItem9"_s)->click();
             auto* groups = named<QComboBox>(d, u"ComboGroups"_s);
             ASSERT_TRUE(groups->isVisible());
             ASSERT_EQ(groups->itemText(2), u"Общие параметры"_s);
             groups->setCurrentIndex(2);
             auto* entries = named<QListWidget>(d, u"ListEntries"_s);
             ASSERT_EQ(entries->count(), 5);
             ASSERT_EQ(entries->item(1)->text(), u"Время останова"_s);
             entries->setCurrentRow(1);
         },
         u"#4031"_s, u"Время останова"_s},
        {[](QWidget* d) {
             named<QRadioButton>(d, u"RgParamItem10"_s)->click();
             auto* hex = named<QLineEdit>(d, u"EditHex"_s);
             ASSERT_TRUE(hex->isVisible());
             hex->setFocus();
             QTest::keyClicks(hex, u"1a2"_s);
             EXPECT_EQ(hex->text(), u"1A2"_s);
         },
         u"#01A2"_s, u"Параметр: 1A2"_s},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].code.toStdString());
        insertThroughPanel(cases[i].choose);
        const int n = int(i) + 1;
        ASSERT_EQ(list().count(), n);
        EXPECT_EQ(list().code(n), cases[i].code);
        EXPECT_EQ(list().name(n), cases[i].name);
        cell += u"@%1"_s.arg(n);
        EXPECT_EQ(grid().text(2, 2), cell);
    }
    const BlankGridModel* m = view()->blankModel();
    EXPECT_EQ(m->data(m->indexOfCell(2, 2)).toString(), cell);
    EXPECT_TRUE(form->isModified());
    EXPECT_TRUE(messages.empty());

    // A daily archive value is refused in an hourly blank; the panel keeps the time.
    bool stillTime = false, itemChecked = true;
    steps.expect(u"kForm"_s, [&](QWidget* d) {
        named<QRadioButton>(d, u"RgParamItem8"_s)->click();
        itemChecked = named<QRadioButton>(d, u"RgParamItem8"_s)->isChecked();
        stillTime = named<QRadioButton>(d, u"RgParamItem0"_s)->isChecked();
        named<QPushButton>(d, u"ButtonExit"_s)->click();
    });
    act(u"ActInsertParam"_s)->trigger();
    EXPECT_TRUE(steps.finished());
    EXPECT_FALSE(itemChecked);
    EXPECT_TRUE(stillTime);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text,
              u"Значение суточного архива можно выбрать только для архивного бланка. Будьте внимательны."_s);
    EXPECT_EQ(messages[0].caption, kAppCaption);
    EXPECT_EQ(list().count(), 5);
    EXPECT_EQ(grid().text(2, 2), cell);
}

TEST_F(ArchiveTest, ArchiveStartRowIsSetSavedAndRemoved) {
    open(kBoiler, kDaily);
    ASSERT_TRUE(act(u"ActSetArchiveRow"_s)->isVisible());
    ASSERT_EQ(grid().colCount(), 5);
    ASSERT_GE(grid().rowCount(), 5);
    const int row = 4;
    grid().setText(1, row, u"Итого"_s);
    grid().setText(3, row, u"old"_s);
    view()->refresh();
    view()->setCurrentCell(2, row);

    // The question is answered "No": nothing happens.
    answers = {MsgNo};
    act(u"ActSetArchiveRow"_s)->trigger();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text,
              u"Вы действительно хотите строку № 4 сделать стартовой для печати архивных данных? "_s);
    EXPECT_EQ(messages[0].caption, kAppCaption);
    EXPECT_EQ(messages[0].icon, MsgIcon::Question);
    EXPECT_NE(grid().cell(2, row).colour, store::kArchiveRowColour);
    EXPECT_TRUE(steps.finished());

    answers = {MsgYes};
    steps.expect(u"kForm"_s, [](QWidget* d) {
        named<QSpinBox>(d, u"EditStartDepth"_s)->setValue(24);
        named<QSpinBox>(d, u"EditEndDepth"_s)->setValue(0);
        named<QPushButton>(d, u"ButtonDepthOk"_s)->click();
    });
    act(u"ActSetArchiveRow"_s)->trigger();
    EXPECT_TRUE(steps.finished());
    ASSERT_EQ(messages.size(), 2u);
    for (int c = 1; c < grid().colCount(); ++c)
        EXPECT_EQ(grid().cell(c, row).colour, store::kArchiveRowColour) << c;
    EXPECT_NE(grid().cell(2, row - 1).colour, store::kArchiveRowColour);
    EXPECT_EQ(grid().text(2, row), u"!24"_s);
    EXPECT_TRUE(grid().isReadOnly(2, row));
    EXPECT_FALSE(grid().isReadOnly(3, row));
    EXPECT_EQ(grid().text(1, row), u"Итого"_s);
    EXPECT_TRUE(grid().text(3, row).isEmpty());
    const BlankGridModel* m = view()->blankModel();
    EXPECT_EQ(m->data(m->indexOfCell(2, row)).toString(), u"!24"_s);
    EXPECT_FALSE(m->flags(m->indexOfCell(2, row)) & Qt::ItemIsEditable);
    EXPECT_TRUE(m->flags(m->indexOfCell(3, row)) & Qt::ItemIsEditable);
    // Leaving the empty cell right of the mark is checked, though nothing changed.
    const size_t shown = messages.size();
    EXPECT_TRUE(view()->blankModel()->setData(m->indexOfCell(3, row), QString()));
    ASSERT_EQ(messages.size(), shown + 1);
    EXPECT_EQ(messages.back().text, u"Не верно задана ссылка на параметр.\rПараметр задается ввиде: @<№ параметра>"_s);
    messages.pop_back();
    EXPECT_EQ(m->data(m->indexOfCell(3, row), Qt::BackgroundRole).value<QColor>(), QColor(255, 0, 0));
    EXPECT_TRUE(form->isModified());

    // A daily archive value, right of the mark.
    view()->setCurrentCell(3, row);
    insertThroughPanel([](QWidget* d) {
        named<QRadioButton>(d, u"RgParamItem8"_s)->click();
        ASSERT_TRUE(named<QRadioButton>(d, u"RgParamItem8"_s)->isChecked());
        named<QSpinBox>(d, u"EditNumber"_s)->setValue(3);
    });
    ASSERT_EQ(messages.size(), 2u);
    ASSERT_EQ(list().count(), 1);
    EXPECT_EQ(list().code(1), u"$03"_s);
    EXPECT_EQ(grid().text(3, row), u"@1"_s);

    act(u"ActSave"_s)->trigger();
    EXPECT_FALSE(form->isModified());
    EXPECT_EQ(messages.size(), 2u); // depth 24, end 0: nothing to report for type "10"
    const QByteArray image = fileBytes(blankPath(kBoiler, kDaily, u".bin"_s));
    ASSERT_GE(image.size(), 4);
    const int count = uchar(image[2]);
    ASSERT_GE(image.size(), 4 + 6 * count);
    int markAt = -1;
    for (int i = 0; i < count; ++i)
        if (uchar(image[4 + 6 * i + 3]) == 24 && (uchar(image[4 + 6 * i + 1]) & 0xF0) == 0xF0 &&
            uchar(image[4 + 6 * i + 1]) != 0xFF)
            markAt = i;
    ASSERT_GE(markAt, 0) << image.toHex().toStdString();
    const auto d = [&](int i, int b) { return uchar(image[4 + 6 * i + b]); };
    EXPECT_EQ(d(markAt, 1), 0xF0);
    EXPECT_EQ(d(markAt, 4), 0);
    ASSERT_LT(markAt + 1, count);
    EXPECT_EQ(d(markAt + 1, 0), d(markAt, 0)); // the reference, on the same line, further right
    EXPECT_GT(d(markAt + 1, 2), d(markAt, 2));
    EXPECT_EQ(d(markAt + 1, 3), 0xC0);
    EXPECT_EQ(d(markAt + 1, 4), 0xC3);

    // Removing the mark from another cell of the row.
    view()->setCurrentCell(4, row);
    answers = {MsgYes};
    act(u"ActClearArchiveRow"_s)->trigger();
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[2].text, u"Вы действительно хотите удалить признак строки начала печати архивов ?"_s);
    EXPECT_EQ(messages[2].caption, kQuestionCaption);
    for (int c = 1; c < grid().colCount(); ++c) {
        EXPECT_EQ(grid().cell(c, row).colour, store::Colour(0xFFFFFF)) << c;
        EXPECT_FALSE(grid().isReadOnly(c, row)) << c;
        EXPECT_TRUE(m->flags(m->indexOfCell(c, row)) & Qt::ItemIsEditable) << c;
    }
    EXPECT_EQ(grid().text(1, row), u"Итого"_s);
    for (int c = 2; c < grid().colCount(); ++c)
        EXPECT_TRUE(grid().text(c, row).isEmpty()) << c;
    EXPECT_TRUE(m->data(m->indexOfCell(2, row)).toString().isEmpty());
    EXPECT_TRUE(form->isModified());
    EXPECT_TRUE(steps.finished());
}

TEST_F(ArchiveTest, FailedCatalogueLoadIsTriedAgain) {
    // The task file is missing when the blank opens, and back when it opens again.
    const QString task = QDir(tmp.filePath(u"database"_s)).filePath(u"TASK/SEVER.tsk"_s);
    const QString aside = task + u".aside"_s;
    ASSERT_TRUE(QFile::rename(task, aside));
    open(kVirel19, kCurrent);
    ASSERT_FALSE(messages.empty());
    EXPECT_TRUE(messages.back().text.contains(u"ненайден!"_s)) << messages.back().text.toStdString();
    int nodes = 0;
    for (QTreeWidgetItemIterator it(prmTree()); *it; ++it)
        ++nodes;
    EXPECT_LE(nodes, 1);

    ASSERT_TRUE(QFile::rename(aside, task));
    open(kBoiler, kDaily);
    open(kVirel19, kCurrent);
    EXPECT_NE(parameterNode(prmTree(), u"1005"_s), nullptr);
}

TEST_F(ArchiveTest, CatalogueTreeOfAType19BlankAddsArchiveParameters) {
    open(kVirel19, kCurrent);
    ASSERT_EQ(form->blank().settings.virelType, 1);
    QTreeWidget* tree = prmTree();
    ASSERT_GE(tree->topLevelItemCount(), 1);
    QTreeWidgetItem* task = tree->topLevelItem(0);
    EXPECT_EQ(task->text(0), kBoiler);
    QStringList groups;
    for (int i = 0; i < task->childCount(); ++i)
        groups << task->child(i)->text(0);
    EXPECT_TRUE(groups.contains(u"Трубопровод"_s)) << groups.join(u'|').toStdString();
    EXPECT_TRUE(groups.contains(u"Датчики"_s)) << groups.join(u'|').toStdString();
    EXPECT_TRUE(groups.contains(u"Системные параметры"_s)) << groups.join(u'|').toStdString();
    QTreeWidgetItem* hourly = parameterNode(tree, u"1005"_s);
    ASSERT_NE(hourly, nullptr);
    EXPECT_EQ(hourly->parent()->text(0), u"Трубопровод"_s);
    EXPECT_TRUE(hourly->text(0).contains(u"Расход за час"_s));
    ASSERT_EQ(list().count(), 8);

    view()->setCurrentCell(2, 2);
    const QString before = grid().text(2, 2);
    bool treeShown = false, menuShown = true;
    steps.expect(u"kForm"_s, [&](QWidget* d) {
        treeShown = named<QWidget>(d, u"TreeHost"_s)->isVisible() && prmTree()->isVisible();
        menuShown = named<QWidget>(d, u"RgParam"_s)->isVisible();
        prmTree()->setCurrentItem(parameterNode(prmTree(), u"1005"_s));
        named<QPushButton>(d, u"ButtonAddParam"_s)->click();
        named<QPushButton>(d, u"ButtonExit"_s)->click();
    });
    act(u"ActInsertParam"_s)->trigger();
    EXPECT_TRUE(steps.finished());
    EXPECT_TRUE(treeShown);
    EXPECT_FALSE(menuShown);
    ASSERT_EQ(list().count(), 9);
    EXPECT_EQ(list().code(9), u"~1005"_s);
    EXPECT_EQ(list().name(9), u"Расход за час"_s);
    EXPECT_EQ(grid().text(2, 2), before + u"@9"_s);
    // Choosing an hourly archive parameter set the depth maximum to its archive length.
    EXPECT_TRUE(kForm->depthMaximum() == 16 || kForm->depthMaximum() == 32 || kForm->depthMaximum() == 64)
        << kForm->depthMaximum();
    EXPECT_EQ(named<TTreeFrame>(kForm.get(), u"TreeFrame1"_s)->catalogue().archiveLengthOfParameter(0x1005), kForm->depthMaximum());
    EXPECT_TRUE(messages.empty());
}

TEST_F(ArchiveTest, ArchiveChecksAfterSavingAType19Blank) {
    open(kVirel19, kCurrent);
    ASSERT_EQ(list().count(), 8);
    int hourlyDays = 0;
    steps.expect(u"kForm"_s, [&](QWidget* d) {
        prmTree()->setCurrentItem(parameterNode(prmTree(), u"1005"_s));
        hourlyDays = kForm->depthMaximum();
        named<QPushButton>(d, u"ButtonAddParam"_s)->click();
        prmTree()->setCurrentItem(parameterNode(prmTree(), u"1008"_s));
        named<QPushButton>(d, u"ButtonAddParam"_s)->click();
        named<QPushButton>(d, u"ButtonExit"_s)->click();
    });
    named<QAction>(paramGrid(), u"ActAddParam"_s)->trigger();
    EXPECT_TRUE(steps.finished());
    ASSERT_EQ(list().count(), 10);
    EXPECT_EQ(list().code(9), u"~1005"_s);
    EXPECT_EQ(list().code(10), u"$1008"_s);
    ASSERT_GT(hourlyDays, 0);
    ASSERT_LT(hourlyDays, 250);

    // The last data row becomes an archive row deeper than the hourly archive
    // reaches, holding an hourly and a daily value.
    const int row = grid().rowCount() - 1;
    ASSERT_TRUE(editor::setArchiveMark(grid(), 1, row, {hourlyDays + 1, 0}));
    grid().setText(2, row, u"@9"_s);
    grid().setText(3, row, u"@10"_s);
    view()->refresh();
    messages.clear();
    act(u"ActSave"_s)->trigger();
    const QString r = QString::number(row);
    const QStringList expected = {
        u"Глубина часового архива 1005 в строке "_s + r + u"\r не соответсвует описателю! "_s,
        u"Типы архивов в строке "_s + r + u" не совпадают!"_s,
        u"Конечная глубина суточного архива 1008 в строке "_s + r + u"\r меньше 1! "_s,
    };
    QStringList shown;
    for (const Message& m : messages) {
        shown << m.text;
        EXPECT_EQ(m.caption, kAppCaption);
        EXPECT_EQ(m.icon, MsgIcon::Information);
    }
    EXPECT_EQ(shown, expected) << shown.join(u'|').toStdString();
    EXPECT_TRUE(QFileInfo::exists(blankPath(kVirel19, kCurrent, u".bin"_s)));

    // A depth within the hourly archive and an end depth for the daily value: the
    // row still mixes two kinds of archive.
    ASSERT_TRUE(editor::setArchiveMark(grid(), 1, row, {hourlyDays, 1}));
    grid().setText(2, row, u"@9"_s);
    grid().setText(3, row, u"@10"_s);
    view()->refresh();
    messages.clear();
    act(u"ActSave"_s)->trigger();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, u"Типы архивов в строке "_s + r + u" не совпадают!"_s);

    // An end depth not below the start depth.
    ASSERT_TRUE(editor::setArchiveMark(grid(), 1, row, {3, 3}));
    grid().setText(2, row, u"@9"_s);
    view()->refresh();
    messages.clear();
    act(u"ActSave"_s)->trigger();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, u"Ошибка! В строке "_s + r + u" неправильно задана глубина архива."_s);
}

TEST_F(ArchiveTest, NewType19BlankOpensWithItsOwnSettingsAndCatalogue) {
    open(kBoiler, kDaily); // type "10": no catalogue is loaded yet
    ASSERT_EQ(parameterNode(prmTree(), u"1005"_s), nullptr);
    steps.expect(u"VirelTypeDialog"_s, [](QWidget* d) {
        named<QRadioButton>(d, u"Radio19"_s)->click();
        named<QLineEdit>(d, u"EditTaskFile"_s)->setText(u"SEVER.tsk"_s);
        named<QSpinBox>(d, u"EditSetn"_s)->setValue(3);
        named<QPushButton>(d, u"ButtonOk"_s)->click();
    });
    steps.expect(u"kForm"_s, [](QWidget* d) {
        named<QLineEdit>(d, u"EditName"_s)->setText(u"Новый"_s);
        named<QPushButton>(d, u"ButtonCreate"_s)->click();
    });
    act(u"ActNewHourly"_s)->trigger();
    EXPECT_TRUE(steps.finished());
    EXPECT_TRUE(messages.empty()) << messages.front().text.toStdString();
    ASSERT_TRUE(form->isBlankOpen());
    EXPECT_EQ(form->currentBlank(), u"Новый"_s);
    EXPECT_EQ(form->blank().settings.virelType, 1);
    EXPECT_EQ(form->blank().settings.taskFile, u"SEVER.tsk"_s);
    EXPECT_EQ(form->blank().settings.setn, 3);
    EXPECT_NE(parameterNode(prmTree(), u"1005"_s), nullptr);
    // Nothing to undo: the blank starts with the settings it was made with.
    EXPECT_FALSE(act(u"ActUndo"_s)->isEnabled());
}

TEST_F(ArchiveTest, SaveAsShowsTheArchiveChecksOncePerImageWritten) {
    open(kVirel19, kCurrent);
    const int row = grid().rowCount() - 1;
    ASSERT_TRUE(editor::setArchiveMark(grid(), 1, row, {3, 3})); // end not below start
    view()->refresh();
    const QString finding = u"Ошибка! В строке "_s + QString::number(row) + u" неправильно задана глубина архива."_s;
    auto saveAs = [&](const QString& path) {
        messages.clear();
        FileChoosers::setSaveChooser([path](const QString&, const QString&, const QString&) { return path; });
        act(u"ActSaveAs"_s)->trigger();
        FileChoosers::setSaveChooser({});
        QStringList shown;
        for (const Message& m : messages)
            shown << m.text;
        return shown;
    };
    // Outside the base folder no image is written, so nothing is checked.
    const QString outside = tmp.filePath(u"elsewhere"_s);
    ASSERT_TRUE(QDir().mkpath(outside));
    EXPECT_EQ(saveAs(QDir(outside).filePath(u"Копия"_s)), QStringList{});
    EXPECT_TRUE(QFileInfo::exists(QDir(outside).filePath(u"Копия.ini"_s)));
    EXPECT_FALSE(QFileInfo::exists(QDir(outside).filePath(u"Копия.bin"_s)));
    // Into the print file: the copy is saved with its image, and the checks show once.
    EXPECT_EQ(saveAs(blankPath(kVirel19, u"Копия"_s, u""_s)), QStringList{finding});
    EXPECT_EQ(form->currentBlank(), u"Копия"_s);
    EXPECT_TRUE(QFileInfo::exists(blankPath(kVirel19, u"Копия"_s, u".bin"_s)));
}

TEST_F(ArchiveTest, ToolbarInsertGivesAnEmptyType19CellTheSelectedParameter) {
    open(kVirel19, kCurrent);
    ASSERT_EQ(list().count(), 8);
    grid().setText(3, 2, QString());
    view()->refresh();
    view()->setCurrentCell(3, 2);
    paramGrid()->setCurrentIndex(paramGrid()->model()->index(2, 1)); // parameter 3
    ASSERT_EQ(paramGrid()->selectedParameter(), 3);
    steps.expect(u"kForm"_s, [](QWidget* d) { named<QPushButton>(d, u"ButtonExit"_s)->click(); });
    act(u"ActInsertParamButton"_s)->trigger();
    EXPECT_TRUE(steps.finished());
    EXPECT_EQ(grid().text(3, 2), u"@3"_s);
    // A cell that holds text keeps it.
    const QString held = grid().text(2, 4);
    ASSERT_FALSE(held.isEmpty());
    view()->setCurrentCell(2, 4);
    steps.expect(u"kForm"_s, [](QWidget* d) { named<QPushButton>(d, u"ButtonExit"_s)->click(); });
    act(u"ActInsertParamButton"_s)->trigger();
    EXPECT_TRUE(steps.finished());
    EXPECT_EQ(grid().text(2, 4), held);
    // The menu command alone has no such step.
    view()->setCurrentCell(3, 2);
    grid().setText(3, 2, QString());
    view()->refresh();
    steps.expect(u"kForm"_s, [](QWidget* d) { named<QPushButton>(d, u"ButtonExit"_s)->click(); });
    act(u"ActInsertParam"_s)->trigger();
    EXPECT_TRUE(steps.finished());
    EXPECT_TRUE(grid().text(3, 2).isEmpty());
}

TEST_F(ArchiveTest, ToolbarInsertOfAType10BlankHasNoSelectedParameterStep) {
    open(kBoiler, kDaily);
    insertThroughPanel([](QWidget* d) { named<QRadioButton>(d, u"RgParamItem0"_s)->click(); });
    ASSERT_GE(list().count(), 1);
    paramGrid()->setCurrentIndex(paramGrid()->model()->index(0, 1));
    view()->setCurrentCell(1, 1);
    grid().setText(1, 1, QString());
    view()->refresh();
    steps.expect(u"kForm"_s, [](QWidget* d) { named<QPushButton>(d, u"ButtonExit"_s)->click(); });
    act(u"ActInsertParamButton"_s)->trigger();
    EXPECT_TRUE(steps.finished());
    EXPECT_TRUE(grid().text(1, 1).isEmpty());
}

TEST_F(ArchiveTest, ParametersAddedShowInTheListWhileThePanelStaysOpen) {
    open(kVirel19, kCurrent);
    const int rowsBefore = paramGrid()->model()->rowCount();
    int rowsWhileOpen = -1;
    QString lastName;
    steps.expect(u"kForm"_s, [&](QWidget* d) {
        prmTree()->setCurrentItem(parameterNode(prmTree(), u"1005"_s));
        named<QPushButton>(d, u"ButtonAddParam"_s)->click();
        rowsWhileOpen = paramGrid()->model()->rowCount();
        lastName = paramGrid()->model()->index(rowsWhileOpen - 1, 2).data().toString();
        named<QPushButton>(d, u"ButtonExit"_s)->click();
    });
    named<QAction>(paramGrid(), u"ActAddParam"_s)->trigger();
    EXPECT_TRUE(steps.finished());
    EXPECT_EQ(rowsWhileOpen, rowsBefore + 1);
    EXPECT_EQ(lastName, u"Расход за час"_s);
}

} // namespace
