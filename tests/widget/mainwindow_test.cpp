// The main window with its dialogs, created as the program creates them, driven
// through its commands and controls: start-up, the print-file tree, new print
// files and blanks, saving, save as, deleting, blank properties and settings.

#include "Ustr.h"
#include "controls/blankgrid.h"
#include "dialogs.h"
#include "kUnit.h"
#include "mUnit.h"
#include "messages.h"
#include "nUnit.h"
#include "tekchDialog.h"

#include "store/settings.h"
#include "text/codepage.h"
#include "text/profile.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include "widgethelpers.h"

#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

#include <deque>
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

using namespace rastrova;
using namespace rastrova::app;
using namespace Qt::StringLiterals;
using widgettest::DialogScript;

static void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

const QString kHourly = u"Почасовые бланки"_s;
const QString kArchive = u"Архивные бланки"_s;
const QString kNone = u"нет"_s;
const QString kCtp = u"ЦТП-3"_s;
const QString kSvodka = u"Сводка за час"_s;
const QString kShapka = u"Шапка отчёта"_s;
const QString kKotel = u"Котельная Северная"_s;
const QString kSever19 = u"Северная ВИРЕЛ-19"_s;
const QString kExamples = QStringLiteral(RASTROVA_EXAMPLES_DIR "/base");

template <class T> T* child(const QObject* root, const QString& name)
{
    T* found = root->findChild<T*>(name);
    if (!found)
        throw std::runtime_error("no child " + name.toStdString());
    return found;
}

QString in(const QString& folder, const QString& relative) { return QDir(folder).filePath(relative); }

QByteArray cp1251(const QString& text)
{
    QByteArray out;
    text::toCp1251(text, out);
    return out;
}

QByteArray readBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + path.toStdString());
}

void copyFolder(const QString& from, const QString& to)
{
    QDir().mkpath(to);
    QDirIterator it(from, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString src = it.next();
        const QString dst = in(to, QDir(from).relativeFilePath(src));
        if (QFileInfo(src).isDir())
            QDir().mkpath(dst);
        else
            writeBytes(dst, readBytes(src));
    }
}

text::IniProfile profile(const QString& path)
{
    text::IniProfile ini;
    ini.load(path);
    return ini;
}

QStringList childTexts(const QTreeWidgetItem* node)
{
    QStringList texts;
    for (int i = 0; node && i < node->childCount(); ++i)
        texts << node->child(i)->text(0);
    return texts;
}

void click(QWidget* dialog, const QString& button) { child<QAbstractButton>(dialog, button)->click(); }
QLineEdit* nameEdit(QWidget* dialog) { return child<QLineEdit>(dialog, u"EditName"_s); }


class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tmp.isValid());
        home = tmp.filePath(u"prog"_s);
        ASSERT_TRUE(QDir().mkpath(home));
        Messages::setAnswerer([this](const Message& m) {
            messages.push_back(m);
            if (answers.empty())
                return (m.buttons & MsgOk) ? MsgOk : (m.buttons & MsgCancel) ? MsgCancel : MsgNo;
            const MsgButton b = answers.front();
            answers.pop_front();
            return b;
        });
        const auto nothing = [](const QString&, const QString&, const QString&) { return QString(); };
        FileChoosers::setSaveChooser(nothing);
        FileChoosers::setOpenChooser(nothing);
        FileChoosers::setFolderChooser([](const QString&, const QString&) { return QString(); });
    }

    void TearDown() override
    {
        if (form)
            for (QWidget* w : std::initializer_list<QWidget*>{nForm.get(), kForm.get(), aUstr.get(), typeDialog.get()})
                w->setParent(nullptr);
        form.reset();
        typeDialog.reset();
        aUstr.reset();
        kForm.reset();
        nForm.reset();
        Messages::setAnswerer({});
        FileChoosers::setSaveChooser({});
        FileChoosers::setOpenChooser({});
        FileChoosers::setFolderChooser({});
    }

    void copySprav()
    {
        writeBytes(in(home, u"sprav.txt"_s), readBytes(QStringLiteral(RASTROVA_DATA_DIR "/sprav.txt")));
    }
    QString settingsFile() const { return in(home, u"RASTROVA.INI"_s); }
    void useBase(const QString& folder) { writeBytes(settingsFile(), "[FIRST]\r\nPUT=" + cp1251(folder) + "\r\n"); }

    // The windows, made and shown the way the program makes them.
    void start()
    {
        const store::ProgramPaths paths = store::resolveProgramPaths(home, home);
        nForm = std::make_unique<Tnform>();
        kForm = std::make_unique<TkForm>();
        aUstr = std::make_unique<TAUstr>();
        typeDialog = std::make_unique<TVirelTypeDialog>();
        form = std::make_unique<TmForm>(paths, nForm.get(), kForm.get(), typeDialog.get(), aUstr.get());
        for (QWidget* w : std::initializer_list<QWidget*>{nForm.get(), kForm.get(), aUstr.get(), typeDialog.get()})
            w->setParent(form.get(), w->windowFlags());
        form->FormShow();
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }

    // Starts on a copy of the example base folder.
    void startOnExamples()
    {
        copySprav();
        base = tmp.filePath(u"base"_s);
        copyFolder(kExamples, base);
        useBase(base);
        start();
    }
    QString ctp(const QString& file) const { return in(in(base, kCtp), file); }

    template <class T = QWidget> T* widget(const QString& name) const { return child<T>(form.get(), name); }
    QAction* act(const QString& name) const { return widget<QAction>(name); }
    QTreeWidget* tree() const { return widget<QTreeWidget>(u"Tree"_s); }
    QString label(const QString& name) const { return widget<QLabel>(name)->text(); }
    bool menuShown(const QString& name) const { return widget<QMenu>(name)->menuAction()->isVisible(); }

    QStringList topTexts() const
    {
        QStringList texts;
        for (int i = 0; i < tree()->topLevelItemCount(); ++i)
            texts << tree()->topLevelItem(i)->text(0);
        return texts;
    }

    // The node of a print file, a group or a blank; nullptr when missing.
    QTreeWidgetItem* node(const QString& printFile, const QString& group = {}, const QString& blank = {}) const
    {
        QTreeWidgetItem* found = nullptr;
        for (int i = 0; i < tree()->topLevelItemCount() && !found; ++i)
            if (tree()->topLevelItem(i)->text(0) == printFile)
                found = tree()->topLevelItem(i);
        for (const QString& part : {group, blank}) {
            QTreeWidgetItem* next = part.isEmpty() ? found : nullptr;
            for (int i = 0; found && !next && i < found->childCount(); ++i)
                if (found->child(i)->text(0) == part)
                    next = found->child(i);
            found = next;
        }
        return found;
    }

    void select(const QString& printFile, const QString& group = {}, const QString& blank = {})
    {
        QTreeWidgetItem* n = node(printFile, group, blank);
        if (!n)
            throw std::runtime_error("no node " + (printFile + u'/' + group + u'/' + blank).toStdString());
        tree()->setCurrentItem(n);
    }

    // A name-panel step: notes what it offers, types `name` unless empty, clicks `button`.
    void expectName(const QString& button, QString* offered = nullptr, const QString& name = {},
                    QString* caption = nullptr)
    {
        script.expect(u"kForm"_s, [=](QWidget* d) {
            if (offered)
                *offered = nameEdit(d)->text();
            if (caption)
                *caption = child<QLabel>(d, u"LabelCaption"_s)->text();
            if (!name.isEmpty())
                nameEdit(d)->setText(name);
            click(d, button);
        });
    }
    void expectType(const QString& button)
    {
        script.expect(u"VirelTypeDialog"_s, [button](QWidget* d) { click(d, button); });
    }

    QTemporaryDir tmp;
    QString home, base;
    std::vector<Message> messages;
    std::deque<MsgButton> answers;
    DialogScript script;
    std::unique_ptr<Tnform> nForm;
    std::unique_ptr<TkForm> kForm;
    std::unique_ptr<TAUstr> aUstr;
    std::unique_ptr<TVirelTypeDialog> typeDialog;
    std::unique_ptr<TmForm> form;
};

// ------------------------------------------------------------------ start-up

TEST_F(MainWindowTest, StartsWithDefaultsAndNoPrintFiles)
{
    copySprav();
    start();
    EXPECT_TRUE(messages.empty());
    EXPECT_FALSE(QFileInfo::exists(settingsFile()));
    EXPECT_EQ(form->baseFolder(), QDir::cleanPath(home));
    EXPECT_FALSE(form->references().offeredGroups().isEmpty());
    EXPECT_TRUE(widget<QToolBar>(u"ToolBarStandard"_s)->isVisible());
    EXPECT_TRUE(widget<QToolBar>(u"ToolBarBlank"_s)->isVisible());
    EXPECT_EQ(topTexts(), QStringList{kNone});
    EXPECT_EQ(tree()->topLevelItem(0)->childCount(), 0);
    EXPECT_FALSE(menuShown(u"MenuEdit"_s));
    EXPECT_FALSE(menuShown(u"MenuBlank"_s));
    EXPECT_FALSE(widget(u"BlankArea"_s)->isVisible());
    EXPECT_FALSE(act(u"ActNewHourly"_s)->isEnabled());
    EXPECT_FALSE(act(u"ActNewArchive"_s)->isEnabled());
    EXPECT_FALSE(act(u"ActDelete"_s)->isEnabled());
    EXPECT_FALSE(form->isBlankOpen());
}

TEST_F(MainWindowTest, StartsWithoutReferenceListAfterOneError)
{
    start();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].icon, MsgIcon::Error);
    EXPECT_EQ(messages[0].text, u"Файл \"%1\" не найден."_s.arg(in(QDir::cleanPath(home), u"sprav.txt"_s)));
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(topTexts(), QStringList{kNone});
}

TEST_F(MainWindowTest, DefaultsShowParameterListAndNewButtonMakesHourlyBlank)
{
    // No settings file: the program folder is the base folder.
    copySprav();
    copyFolder(in(kExamples, kCtp), in(home, kCtp));
    start();
    EXPECT_EQ(topTexts(), QStringList{kCtp});
    EXPECT_FALSE(widget(u"ParamPanel"_s)->isVisible());
    select(kCtp, kHourly, kSvodka);
    ASSERT_TRUE(form->isBlankOpen());
    EXPECT_TRUE(widget(u"ParamPanel"_s)->isVisible());

    select(kCtp);
    QString offered, caption;
    expectType(u"ButtonOk"_s);
    expectName(u"ButtonCancel"_s, &offered, {}, &caption);
    widget<QToolButton>(u"SpeedButtonNew"_s)->click();
    EXPECT_TRUE(script.finished());
    EXPECT_EQ(offered, u"Часовой бланк 1"_s);
    EXPECT_EQ(caption, u"Почасовой бланк для файла печати:"_s);
    EXPECT_EQ(childTexts(node(kCtp, kHourly)), (QStringList{kSvodka, kShapka}));
}

// ------------------------------------------------------------------ the tree

TEST_F(MainWindowTest, TreeListsPrintFilesAndBlanksSorted)
{
    copySprav();
    base = tmp.filePath(u"base"_s);
    copyFolder(kExamples, base);
    // Header order and letter cases that a plain comparison of codes would get wrong.
    writeBytes(in(base, u"алтай/info.ini"_s), cp1251(u"[HEAD]\r\nЯсная=1\r\nберёза=2\r\nберкут=3\r\nАрхив=4\r\n"
                                                     "[OPIS]\r\nT1=0\r\nT2=0\r\nT3=0\r\nT4=1\r\n"_s));
    useBase(base);
    start();
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(form->baseFolder(), base);
    EXPECT_EQ(topTexts(), (QStringList{u"алтай"_s, kKotel, kSever19, kCtp}));
    for (const QString& pf : topTexts())
        EXPECT_EQ(childTexts(node(pf)), (QStringList{kArchive, kHourly})) << pf.toStdString();
    EXPECT_EQ(childTexts(node(u"алтай"_s, kHourly)), (QStringList{u"берёза"_s, u"беркут"_s, u"Ясная"_s}));
    EXPECT_EQ(childTexts(node(kKotel, kArchive)), QStringList{u"Суточный архив"_s});
    EXPECT_EQ(childTexts(node(kKotel, kHourly)), QStringList{u"Часовой отчёт"_s});
    EXPECT_EQ(childTexts(node(kCtp, kHourly)), (QStringList{kSvodka, kShapka}));
    EXPECT_TRUE(act(u"ActDelete"_s)->isEnabled());
}

TEST_F(MainWindowTest, SelectingBlanksLoadsThemAndSavesTheOneLeft)
{
    startOnExamples();
    select(kCtp, kHourly, kSvodka);
    ASSERT_TRUE(form->isBlankOpen());
    EXPECT_EQ(form->currentBlank(), kSvodka);
    EXPECT_EQ(form->currentPrintFile(), kCtp);
    EXPECT_EQ(label(u"StatusPrintFile"_s), kCtp);
    EXPECT_EQ(label(u"StatusBlank"_s), kSvodka);
    EXPECT_TRUE(widget(u"BlankArea"_s)->isVisible());
    EXPECT_TRUE(menuShown(u"MenuEdit"_s));
    EXPECT_TRUE(menuShown(u"MenuBlank"_s));
    auto* model = widget<BlankGridView>(u"mgrid"_s)->blankModel();
    EXPECT_TRUE(model->data(model->indexOfCell(1, 1)).toString().contains(kSvodka));

    form->blank().grid.setText(1, 1, u"Новый заголовок сводки"_s);
    select(kCtp, kHourly, kShapka);
    EXPECT_EQ(form->currentBlank(), kShapka);
    EXPECT_EQ(label(u"StatusBlank"_s), kShapka);
    EXPECT_TRUE(readBytes(ctp(kSvodka + u".ini"_s)).contains(cp1251(u"Новый заголовок сводки"_s)));

    // Leaving a blank for a group closes it.
    select(kKotel, kArchive);
    EXPECT_FALSE(form->isBlankOpen());
    EXPECT_EQ(form->currentPrintFile(), kKotel);
    EXPECT_FALSE(widget(u"BlankArea"_s)->isVisible());
    EXPECT_TRUE(messages.empty());
}

TEST_F(MainWindowTest, SaveWritesUnchangedBlankBackByteForByte)
{
    startOnExamples();
    EXPECT_EQ(act(u"ActSave"_s)->shortcut(), QKeySequence(u"Ctrl+S"_s));
    for (const QString& name : {kSvodka, kShapka}) {
        select(kCtp, kHourly, name);
        ASSERT_TRUE(form->isBlankOpen());
        const QString file = ctp(name + u".ini"_s);
        const QByteArray original = readBytes(file);
        ASSERT_FALSE(original.isEmpty());
        ASSERT_TRUE(QFile::remove(file)); // so that only a real write brings it back
        act(u"ActSave"_s)->trigger();
        EXPECT_EQ(readBytes(file), original) << name.toStdString();
    }
    EXPECT_TRUE(messages.empty());
}

// ------------------------------------------------------------------ the modified mark

TEST_F(MainWindowTest, EditedBlankIsMarkedAndClosingAsksToSave)
{
    startOnExamples();
    auto* grid = widget<BlankGridView>(u"mgrid"_s);
    // Through the model: marked, and saving clears the mark.
    select(kCtp, kHourly, kShapka);
    EXPECT_FALSE(form->isModified());
    ASSERT_TRUE(grid->blankModel()->setData(grid->blankModel()->indexOfCell(1, 1), u"abc"_s));
    EXPECT_TRUE(form->isModified());
    act(u"ActSave"_s)->trigger();
    EXPECT_FALSE(form->isModified());
    EXPECT_TRUE(readBytes(ctp(kShapka + u".ini"_s)).contains("abc"));

    // Through the cell editor of the grid.
    select(kCtp, kHourly, kSvodka);
    EXPECT_FALSE(form->isModified());
    grid->setCurrentCell(1, 2);
    static_cast<QAbstractItemView*>(grid)->edit(grid->blankModel()->indexOfCell(1, 2));
    auto* editor = grid->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    QTest::keyClicks(editor, u"Total 42"_s);
    QTest::keyClick(editor, Qt::Key_Return);
    QApplication::processEvents(); // the editor commits from the event loop
    EXPECT_EQ(form->blank().grid.text(1, 2), u"Total 42"_s);
    EXPECT_TRUE(form->isModified());
    EXPECT_EQ(label(u"StatusBlank"_s), kSvodka + u" *"_s);

    const QString file = ctp(kSvodka + u".ini"_s);
    const QByteArray before = readBytes(file);
    answers = {MsgCancel};
    EXPECT_FALSE(form->close());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].caption, kAppCaption);
    EXPECT_EQ(messages[0].text, u"Сохранить изменения в бланке \"Сводка за час\"?"_s);
    EXPECT_EQ(messages[0].buttons, MsgYes | MsgNo | MsgCancel);
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(form->isModified());
    EXPECT_EQ(readBytes(file), before);

    answers = {MsgYes};
    EXPECT_TRUE(form->close());
    EXPECT_EQ(messages.size(), 2u);
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(readBytes(file).contains("Total 42"));
}

// ------------------------------------------------------------------ new print files

TEST_F(MainWindowTest, NewPrintFileIsCreatedAndBadNamesAreRefused)
{
    copySprav();
    start();
    const QString first = u"Файл печати 1"_s;
    QString offered;
    expectName(u"ButtonCreate"_s, &offered);
    act(u"ActNewPrintFile"_s)->trigger();
    EXPECT_TRUE(script.finished());
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(offered, first);
    EXPECT_EQ(readBytes(in(home, first + u"/info.ini"_s)), QByteArray("[HEAD]\r\n"));
    EXPECT_EQ(topTexts(), QStringList{first});
    EXPECT_EQ(childTexts(node(first)), (QStringList{kArchive, kHourly}));
    EXPECT_EQ(tree()->currentItem(), node(first));
    EXPECT_TRUE(act(u"ActNewHourly"_s)->isEnabled());

    // Each refused name leaves the dialog open for the next one.
    std::vector<bool> open;
    script.expect(u"kForm"_s, [&offered](QWidget* d) { offered = nameEdit(d)->text(); });
    for (const QString& name : {u"a/b"_s, u"x..y"_s, first})
        script.expect(u"kForm"_s, [&open, name](QWidget* d) {
            nameEdit(d)->setText(name);
            click(d, u"ButtonCreate"_s);
            open.push_back(d->isVisible());
        });
    expectName(u"ButtonCancel"_s);
    act(u"ActNewPrintFile"_s)->trigger();
    EXPECT_TRUE(script.finished());
    EXPECT_EQ(offered, u"Файл печати 2"_s);
    EXPECT_EQ(open, (std::vector<bool>{true, true, true}));
    ASSERT_EQ(messages.size(), 3u);
    for (const Message& m : messages)
        EXPECT_EQ(m.icon, MsgIcon::Warning);
    EXPECT_TRUE(messages[0].text.contains(u"a/b"_s));
    EXPECT_TRUE(messages[1].text.contains(u"x..y"_s));
    EXPECT_EQ(messages[2].text, u"Ощибка создания директории \""_s + in(form->baseFolder(), first) + u"\"."_s +
                                    u'\n' +
                                    u"Проверьте имя файла печати (оно должно быть уникальным среди всех файлов "
                                    "печати текущей папки)и права доступа к файловой системе."_s);
    EXPECT_EQ(QDir(home).entryList(QDir::Dirs | QDir::NoDotAndDotDot), QStringList{first});
    EXPECT_EQ(topTexts(), QStringList{first});
}

// ------------------------------------------------------------------ new blanks

TEST_F(MainWindowTest, NewHourlyBlankAfterControllerType)
{
    startOnExamples();
    const QByteArray headerBefore = readBytes(ctp(u"info.ini"_s));
    select(kCtp);
    // Cancelling the controller type stops everything.
    expectType(u"ButtonCancel"_s);
    act(u"ActNewHourly"_s)->trigger();
    EXPECT_TRUE(script.finished());
    EXPECT_EQ(readBytes(ctp(u"info.ini"_s)), headerBefore);

    const QString name = u"Часовой бланк 1"_s;
    QString offered;
    expectType(u"ButtonOk"_s);
    expectName(u"ButtonCreate"_s, &offered);
    act(u"ActNewHourly"_s)->trigger();
    EXPECT_TRUE(script.finished());
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(offered, name);
    const auto ini = profile(ctp(u"info.ini"_s));
    EXPECT_EQ(ini.value(u"HEAD", name), u"3"_s);
    EXPECT_EQ(ini.value(u"OPIS", u"T3"), u"0"_s);
    EXPECT_TRUE(QFileInfo::exists(ctp(name + u".ini"_s)));
    EXPECT_EQ(childTexts(node(kCtp, kHourly)), (QStringList{kSvodka, name, kShapka}));
    EXPECT_EQ(tree()->currentItem(), node(kCtp, kHourly, name));
    EXPECT_TRUE(form->isBlankOpen());
    EXPECT_EQ(form->currentBlank(), name);
}

TEST_F(MainWindowTest, NewBlankNamesMustBeUniqueInThePrintFile)
{
    startOnExamples();
    const QString header = in(base, kKotel + u"/info.ini"_s);
    const QByteArray headerBefore = readBytes(header);
    select(kKotel);
    std::vector<bool> open;
    const auto tryName = [&](const QString& command, const QString& name) {
        expectType(u"ButtonOk"_s);
        expectName(u"ButtonCreate"_s, nullptr, name);
        script.expect(u"kForm"_s, [&open](QWidget* d) {
            open.push_back(d->isVisible());
            click(d, u"ButtonCancel"_s);
        });
        act(command)->trigger();
        EXPECT_TRUE(script.finished());
    };
    // An hourly blank named like the archive blank, and the other way round.
    tryName(u"ActNewHourly"_s, u"  СУТОЧНЫЙ архив "_s);
    tryName(u"ActNewArchive"_s, u" часовой ОТЧЁТ"_s);
    EXPECT_EQ(open, (std::vector<bool>{true, true}));
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].icon, MsgIcon::Warning);
    EXPECT_EQ(messages[0].text, u"Имя бланка должно быть уникальным в пределах почасовых бланках файла печати."
                                "\rБудьте внимательны."_s);
    EXPECT_EQ(messages[1].text, u"Имя бланка должно быть уникальным в пределах файла печати.\rБудьте внимательны."_s);
    EXPECT_EQ(readBytes(header), headerBefore);
    EXPECT_EQ(childTexts(node(kKotel, kArchive)) + childTexts(node(kKotel, kHourly)),
              (QStringList{u"Суточный архив"_s, u"Часовой отчёт"_s}));
}

TEST_F(MainWindowTest, NewArchiveBlankKeepsControllerSettings)
{
    startOnExamples();
    select(kCtp, kHourly);
    const QString name = u"Архивный бланк 1"_s;
    QString offered, caption;
    script.expect(u"VirelTypeDialog"_s, [](QWidget* d) {
        child<QRadioButton>(d, u"Radio19"_s)->click();
        child<QLineEdit>(d, u"EditTaskFile"_s)->setText(u"/db/TASK1.tsk"_s);
        child<QSpinBox>(d, u"EditSetn"_s)->setValue(7);
        click(d, u"ButtonOk"_s);
    });
    expectName(u"ButtonCreate"_s, &offered, {}, &caption);
    act(u"ActNewArchive"_s)->trigger();
    EXPECT_TRUE(script.finished());
    // The new blank opens with its own settings: its task file's catalogue is
    // asked for, and this one does not exist.
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.contains(u"TASK1.tsk"_s) && messages[0].text.contains(u"ненайден!"_s))
        << messages[0].text.toStdString();
    EXPECT_EQ(offered, name);
    EXPECT_EQ(caption, u"Архивный бланк для файла печати:"_s);
    EXPECT_EQ(profile(ctp(u"info.ini"_s)).value(u"OPIS", u"T3"), u"1"_s);
    EXPECT_EQ(childTexts(node(kCtp, kArchive)), QStringList{name});
    EXPECT_EQ(tree()->currentItem(), node(kCtp, kArchive, name));
    const auto blankIni = profile(ctp(name + u".ini"_s));
    EXPECT_EQ(blankIni.value(u"NASTR", u"VIRELTYPE"), u"1"_s);
    EXPECT_EQ(blankIni.value(u"NASTR", u"SETN"), u"7"_s);
    EXPECT_EQ(blankIni.value(u"NASTR", u"TSKFILENAME"), u"/db/TASK1.tsk"_s);
}

// ------------------------------------------------------------------ save as

TEST_F(MainWindowTest, SaveAsIntoTheSamePrintFileAddsANode)
{
    startOnExamples();
    select(kCtp, kHourly, kSvodka);
    const QString copy = u"Копия сводки"_s;
    QString initial;
    FileChoosers::setSaveChooser([&](const QString&, const QString& start, const QString&) {
        initial = start;
        return ctp(copy); // ".ini" is added
    });
    act(u"ActSaveAs"_s)->trigger();
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(initial, ctp(kSvodka + u".ini"_s));
    EXPECT_TRUE(readBytes(ctp(copy + u".ini"_s)).contains(cp1251(kSvodka)));
    const auto ini = profile(ctp(u"info.ini"_s));
    EXPECT_EQ(ini.value(u"HEAD", copy), u"3"_s);
    EXPECT_EQ(ini.value(u"OPIS", u"T3"), u"0"_s);
    EXPECT_EQ(childTexts(node(kCtp, kHourly)), (QStringList{copy, kSvodka, kShapka}));
    EXPECT_EQ(tree()->currentItem(), node(kCtp, kHourly, copy));
    EXPECT_EQ(form->currentBlank(), copy);
}

TEST_F(MainWindowTest, SaveAsOverAnExistingBlankAsksFirst)
{
    startOnExamples();
    const QString target = ctp(kShapka + u".ini"_s);
    const QByteArray targetBefore = readBytes(target);
    const QByteArray headerBefore = readBytes(ctp(u"info.ini"_s));
    select(kCtp, kHourly, kSvodka);
    FileChoosers::setSaveChooser([&](const QString&, const QString&, const QString&) { return target; });

    answers = {MsgNo};
    act(u"ActSaveAs"_s)->trigger();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].caption, kQuestionCaption);
    EXPECT_EQ(messages[0].text, u"Файл с именем:\r\""_s + target + u"\"."_s + u'\n' + u"уже есть, продолжить?"_s);
    EXPECT_EQ(readBytes(target), targetBefore);
    EXPECT_EQ(readBytes(ctp(u"info.ini"_s)), headerBefore);
    EXPECT_EQ(form->currentBlank(), kSvodka);

    answers = {MsgYes};
    act(u"ActSaveAs"_s)->trigger();
    EXPECT_EQ(messages.size(), 2u);
    EXPECT_EQ(childTexts(node(kCtp, kHourly)), (QStringList{kSvodka, kShapka}));
    EXPECT_EQ(profile(ctp(u"info.ini"_s)).value(u"HEAD", kShapka), u"3"_s);
    EXPECT_TRUE(readBytes(target).contains(cp1251(kSvodka)));
    EXPECT_EQ(form->currentBlank(), kShapka);
}

TEST_F(MainWindowTest, SaveAsOutsideTheBaseFolderOrAsHeaderName)
{
    startOnExamples();
    const QString outside = tmp.filePath(u"outside"_s);
    ASSERT_TRUE(QDir().mkpath(outside));
    select(kCtp, kHourly, kSvodka);
    QString chosen = in(outside, u"Отдельный.ini"_s);
    FileChoosers::setSaveChooser([&](const QString&, const QString&, const QString&) { return chosen; });
    act(u"ActSaveAs"_s)->trigger();
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(readBytes(chosen).contains(cp1251(kSvodka)));
    EXPECT_EQ(profile(in(outside, u"info.ini"_s)).value(u"HEAD", u"Отдельный"), u"1"_s);
    EXPECT_EQ(topTexts(), (QStringList{kKotel, kSever19, kCtp}));
    EXPECT_EQ(childTexts(node(kCtp, kHourly)), (QStringList{kSvodka, kShapka}));
    EXPECT_TRUE(childTexts(node(kCtp, kArchive)).isEmpty());
    EXPECT_EQ(form->currentBlank(), kSvodka);

    const QByteArray headerBefore = readBytes(ctp(u"info.ini"_s));
    chosen = ctp(u"INFO.ini"_s);
    act(u"ActSaveAs"_s)->trigger();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].caption, u"Ошибка записи"_s);
    EXPECT_EQ(messages[0].icon, MsgIcon::Error);
    EXPECT_EQ(messages[0].text,
              u"Файл печати не может иметь имя \""_s + chosen + u"\"."_s + u'\n' + u" Будьте внимательны."_s);
    EXPECT_EQ(readBytes(ctp(u"info.ini"_s)), headerBefore);
    EXPECT_FALSE(QFileInfo::exists(chosen));
}

// ------------------------------------------------------------------ delete

TEST_F(MainWindowTest, DeleteBlankAsksAndRemovesKeysFilesAndNode)
{
    startOnExamples();
    const QStringList extensions = {u".ini"_s, u".par"_s, u".bin"_s, u".rep"_s};
    select(kCtp, kHourly, kSvodka);
    for (const QString& ext : extensions.mid(1))
        writeBytes(ctp(kSvodka + ext), "x");
    const QByteArray headerBefore = readBytes(ctp(u"info.ini"_s));

    answers = {MsgNo};
    act(u"ActDelete"_s)->trigger();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].caption, u"Предупреждение о сохранение данных"_s);
    EXPECT_EQ(messages[0].text, u"Вы действительно хотите удалить почасовой бланк \"Сводка за час\""_s + u'\n' +
                                    u"из файла печати \"ЦТП-3\"?"_s + u'\n');
    EXPECT_EQ(readBytes(ctp(u"info.ini"_s)), headerBefore);
    EXPECT_NE(node(kCtp, kHourly, kSvodka), nullptr);
    for (const QString& ext : extensions)
        EXPECT_TRUE(QFileInfo::exists(ctp(kSvodka + ext))) << ext.toStdString();

    answers = {MsgYes};
    act(u"ActDelete"_s)->trigger();
    EXPECT_EQ(messages.size(), 2u);
    const auto ini = profile(ctp(u"info.ini"_s));
    EXPECT_EQ(ini.keys(u"HEAD"), QStringList{kShapka});
    EXPECT_EQ(ini.keys(u"OPIS"), (QStringList{u"T2"_s, u"K2"_s, u"F2"_s}));
    for (const QString& ext : extensions)
        EXPECT_FALSE(QFileInfo::exists(ctp(kSvodka + ext))) << ext.toStdString();
    EXPECT_EQ(childTexts(node(kCtp, kHourly)), QStringList{kShapka});
}

TEST_F(MainWindowTest, DeleteGroupRemovesOnlyKindKeysAndItsBlanks)
{
    startOnExamples();
    select(kCtp, kHourly);
    answers = {MsgYes};
    act(u"ActDelete"_s)->trigger();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].caption, kQuestionCaption);
    EXPECT_EQ(messages[0].text, u"Вы действительно хотите удалить все почасовые бланки\rфайла печати \"ЦТП-3\"?"_s);
    const auto ini = profile(ctp(u"info.ini"_s));
    EXPECT_TRUE(ini.keys(u"HEAD").isEmpty());
    EXPECT_EQ(ini.keys(u"OPIS"), (QStringList{u"K1"_s, u"F1"_s, u"K2"_s, u"F2"_s}));
    EXPECT_FALSE(QFileInfo::exists(ctp(kSvodka + u".ini"_s)));
    EXPECT_FALSE(QFileInfo::exists(ctp(kShapka + u".ini"_s)));
    EXPECT_EQ(node(kCtp, kHourly)->childCount(), 0);
    EXPECT_NE(node(kKotel, kHourly, u"Часовой отчёт"_s), nullptr);
}

TEST_F(MainWindowTest, DeleteLastPrintFileLeavesNoneNode)
{
    copySprav();
    base = tmp.filePath(u"single"_s);
    copyFolder(in(kExamples, kCtp), in(base, kCtp));
    useBase(base);
    start();
    select(kCtp, kHourly, kSvodka);
    select(kCtp);
    answers = {MsgYes};
    act(u"ActDelete"_s)->trigger();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, u"Вы действительно хотите удалить файл печати \"ЦТП-3\" полностью?"_s);
    EXPECT_FALSE(QFileInfo::exists(in(base, kCtp)));
    EXPECT_EQ(topTexts(), QStringList{kNone});
    EXPECT_FALSE(act(u"ActNewHourly"_s)->isEnabled());
    EXPECT_FALSE(act(u"ActDelete"_s)->isEnabled());
    EXPECT_FALSE(form->isBlankOpen());
}

// ------------------------------------------------------------------ properties and settings

TEST_F(MainWindowTest, PropertiesSaveTheBlankWithNewControllerSettings)
{
    startOnExamples();
    select(kCtp, kHourly, kShapka);
    bool was10 = false;
    script.expect(u"VirelTypeDialog"_s, [&was10](QWidget* d) {
        was10 = child<QRadioButton>(d, u"Radio10"_s)->isChecked();
        child<QRadioButton>(d, u"Radio19"_s)->click();
        child<QLineEdit>(d, u"EditTaskFile"_s)->setText(u"/db/alg/T19.tsk"_s);
        child<QSpinBox>(d, u"EditSetn"_s)->setValue(12);
        click(d, u"ButtonOk"_s);
    });
    act(u"ActProperties"_s)->trigger();
    EXPECT_TRUE(script.finished());
    EXPECT_TRUE(was10);
    const auto ini = profile(ctp(kShapka + u".ini"_s));
    EXPECT_EQ(ini.value(u"NASTR", u"VIRELTYPE"), u"1"_s);
    EXPECT_EQ(ini.value(u"NASTR", u"SETN"), u"12"_s);
    EXPECT_EQ(ini.value(u"NASTR", u"TSKFILENAME"), u"/db/alg/T19.tsk"_s);
    EXPECT_TRUE(form->isBlankOpen());
    EXPECT_EQ(form->blank().settings.virelType, 1);

    // The task file is not in a database here: the catalogue says so when it loads.
    messages.clear();

    // Cancelling changes nothing.
    script.expect(u"VirelTypeDialog"_s, [](QWidget* d) {
        child<QRadioButton>(d, u"Radio10"_s)->click();
        click(d, u"ButtonCancel"_s);
    });
    act(u"ActProperties"_s)->trigger();
    EXPECT_TRUE(script.finished());
    EXPECT_EQ(form->blank().settings.virelType, 1);
    EXPECT_TRUE(messages.empty());
}

TEST_F(MainWindowTest, SettingsDialogAlwaysWritesSettingsAndRescans)
{
    startOnExamples();
    const QString other = tmp.filePath(u"other"_s);
    writeBytes(in(other, u"Другой/info.ini"_s), "[HEAD]\r\n");
    QString shown;
    script.expect(u"nForm"_s, [&](QWidget* d) {
        shown = child<QLineEdit>(d, u"EditPath"_s)->text();
        child<QLineEdit>(d, u"EditPath"_s)->setText(other);
        click(d, u"ButtonClose"_s);
    });
    act(u"ActSettings"_s)->trigger();
    EXPECT_TRUE(script.finished());
    EXPECT_EQ(shown, base);
    EXPECT_EQ(form->baseFolder(), other);
    EXPECT_EQ(store::readSettings(settingsFile(), home, QString()).baseFolder, other);
    EXPECT_EQ(topTexts(), QStringList{u"Другой"_s});

    // Closed without the button: written and scanned all the same.
    ASSERT_TRUE(QFile::remove(settingsFile()));
    writeBytes(in(other, u"Второй/info.ini"_s), "[HEAD]\r\n");
    script.expect(u"nForm"_s, [](QWidget* d) { static_cast<QDialog*>(d)->reject(); });
    act(u"ActSettings"_s)->trigger();
    EXPECT_TRUE(script.finished());
    EXPECT_EQ(store::readSettings(settingsFile(), home, QString()).baseFolder, other);
    EXPECT_EQ(topTexts(), (QStringList{u"Второй"_s, u"Другой"_s}));
    EXPECT_TRUE(messages.empty());
}

} // namespace
