// The multi-purpose dialog's panels, driven by their controls' names (and by the
// keyboard) while the dialog runs modally.

#include "PrmsTree.h"
#include "kUnit.h"
#include "messages.h"

#include "editor/paramcode.h"
#include "editor/reflist.h"
#include "text/codepage.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <functional>
#include <stdexcept>
#include <vector>

using namespace rastrova;
using namespace rastrova::app;
using namespace Qt::StringLiterals;

static void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace {

const QString kRefusal =
    u"Значение суточного архива можно выбрать только для архивного бланка. Будьте внимательны."_s;
const QString kHexError =
    u"Не верный формат параметра. Формат параметра ABCD - шестнадцатеричное 4-х разрядное "
    u"число . Будьте внимательны."_s;

struct Added {
    QString code, name;
    bool operator==(const Added&) const = default;
};

void PrintTo(const Added& a, std::ostream* os)
{
    *os << '{' << a.code.toStdString() << ", " << a.name.toStdString() << '}';
}

class KFormPanels : public ::testing::Test {
protected:
    void SetUp() override
    {
        Messages::setAnswerer([this](const Message& m) {
            messages.push_back(m);
            return MsgOk;
        });
        QByteArray bytes;
        text::toCp1251(u"Датчики\r\nТемпература ;80;10\r\nДавление;80;11\r\nТрубы\r\nМасса;90;20\r\n"
                       u"Общие\r\nВремя работы;40;30\r\nКонец\r\nлишнее;1;1\r\n"_s,
                       bytes);
        references.parse(bytes);
    }
    void TearDown() override { Messages::setAnswerer({}); }

    template <class T = QWidget> T* widget(const QString& name)
    {
        T* found = form.findChild<T*>(name);
        if (!found)
            throw std::runtime_error("no control " + name.toStdString());
        return found;
    }
    QRadioButton* item(int i) { return widget<QRadioButton>(u"RgParamItem%1"_s.arg(i)); }
    QSpinBox* number() { return widget<QSpinBox>(u"EditNumber"_s); }
    QString numberLabel() { return widget<QLabel>(u"LabelNumber"_s)->text(); }
    QLineEdit* hexField() { return widget<QLineEdit>(u"EditHex"_s); }
    void click(const QString& name) { widget<QAbstractButton>(name)->click(); }

    // Runs `steps` while the dialog is open, then closes it if they did not.
    void whileOpen(std::function<void()> steps)
    {
        QTimer::singleShot(0, &form, [this, steps] {
            steps();
            if (form.isVisible())
                form.reject();
        });
    }

    int insertPanel(store::BlankKind kind, int controllerType, std::function<void()> steps)
    {
        whileOpen(std::move(steps));
        return form.execInsertParamPanel(kind, controllerType, references,
                                         [this](const QString& code, const QString& name) {
                                             added.push_back({code, name});
                                         });
    }
    int hourly(std::function<void()> steps)
    {
        return insertPanel(store::BlankKind::Hourly, editor::kControllerType10, std::move(steps));
    }

    TkForm form;
    editor::ReferenceList references;
    std::vector<Message> messages;
    std::vector<Added> added;
};

// ------------------------------------------------------------ the menu of type "10"

TEST_F(KFormPanels, OpensOnTimeWithoutFieldsAndAddsIt)
{
    bool closedByAdd = false;
    const int count = hourly([&] {
        EXPECT_EQ(form.windowTitle(), u"Вставить параметр в бланк"_s);
        EXPECT_EQ(widget<QGroupBox>(u"RgParam"_s)->title(), u"Параметр:"_s);
        EXPECT_TRUE(widget(u"RgParam"_s)->isVisible());
        EXPECT_FALSE(widget(u"TreeHost"_s)->isVisible());
        EXPECT_TRUE(item(0)->isChecked());
        EXPECT_EQ(item(0)->text(), u"Время"_s);
        EXPECT_EQ(item(10)->text(), u"Другой параметр..."_s);
        for (const char* name : {"EditNumber", "LabelNumber", "ComboGroups", "ListEntries", "LabelGroups",
                                 "EditHex", "LabelHex"})
            EXPECT_FALSE(widget(QString::fromLatin1(name))->isVisible()) << name;
        click(u"ButtonAddParam"_s);
        closedByAdd = !form.isVisible();
    });
    EXPECT_TRUE(closedByAdd);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(added, (std::vector<Added>{{u"#4015"_s, u"Время"_s}}));
}

TEST_F(KFormPanels, ExitAddsNothing)
{
    EXPECT_EQ(hourly([&] { click(u"ButtonExit"_s); }), 0);
    EXPECT_TRUE(added.empty());
}

TEST_F(KFormPanels, EachItemShowsItsNumberField)
{
    hourly([&] {
        item(4)->click();
        EXPECT_TRUE(number()->isVisible());
        EXPECT_EQ(numberLabel(), u"№ трубопровода:"_s);
        EXPECT_EQ(number()->maximum(), 15);
        item(6)->click();
        EXPECT_EQ(numberLabel(), u"№ датчика:"_s);
        EXPECT_EQ(number()->maximum(), 63);
        item(7)->click();
        EXPECT_EQ(numberLabel(), u"№ часового архива:"_s);
        EXPECT_EQ(number()->maximum(), 31);
        item(2)->click();
        EXPECT_FALSE(number()->isVisible());
        EXPECT_FALSE(widget(u"LabelNumber"_s)->isVisible());
    });
}

TEST_F(KFormPanels, NumberAboveTheNewRangeBecomesZero)
{
    hourly([&] {
        item(6)->click();
        number()->setValue(10);
        item(4)->click();
        EXPECT_EQ(number()->value(), 10); // within 0..15: kept
        item(6)->click();
        number()->setValue(40);
        item(5)->click();
        EXPECT_EQ(number()->value(), 0);
        number()->setValue(15);
        click(u"ButtonAddParam"_s);
    });
    EXPECT_EQ(added, (std::vector<Added>{{u"#8F2D"_s, u"Тепло за пред. час в трубопр. № 15"_s}}));
}

TEST_F(KFormPanels, TypedNumberMakesTheCode)
{
    hourly([&] {
        item(4)->click();
        number()->setFocus();
        number()->selectAll();
        QTest::keyClicks(number(), u"3"_s);
        QTest::keyClicks(number(), u"x"_s); // only digits go in
        click(u"ButtonAddParam"_s);
    });
    EXPECT_EQ(added, (std::vector<Added>{{u"#8319"_s, u"Расход за пред. час в трубопр. № 3"_s}}));
}

TEST_F(KFormPanels, DailyArchiveRefusedInAnHourlyBlank)
{
    hourly([&] {
        item(4)->click();
        number()->setValue(7);
        item(8)->click();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].caption, kAppCaption);
        EXPECT_EQ(messages[0].text, kRefusal);
        EXPECT_EQ(messages[0].icon, MsgIcon::Error);
        // The last accepted choice is back, with its field.
        EXPECT_TRUE(item(4)->isChecked());
        EXPECT_FALSE(item(8)->isChecked());
        EXPECT_EQ(numberLabel(), u"№ трубопровода:"_s);
        EXPECT_EQ(number()->value(), 7);
        click(u"ButtonAddParam"_s);
    });
    EXPECT_EQ(added, (std::vector<Added>{{u"#8719"_s, u"Расход за пред. час в трубопр. № 7"_s}}));
}

TEST_F(KFormPanels, RefusalGoesBackToTheListOrTheHexField)
{
    hourly([&] {
        item(9)->click();
        widget<QComboBox>(u"ComboGroups"_s)->setCurrentIndex(1);
        item(8)->click();
        EXPECT_TRUE(item(9)->isChecked());
        EXPECT_TRUE(widget(u"ListEntries"_s)->isVisible());
        item(10)->click();
        item(8)->click();
        EXPECT_TRUE(item(10)->isChecked());
        EXPECT_TRUE(hexField()->isVisible());
        EXPECT_FALSE(widget(u"ListEntries"_s)->isVisible());
    });
    EXPECT_EQ(messages.size(), 2u);
}

TEST_F(KFormPanels, DailyArchiveInAnArchiveBlank)
{
    insertPanel(store::BlankKind::Archive, editor::kControllerType10, [&] {
        item(8)->click();
        EXPECT_TRUE(messages.empty());
        EXPECT_EQ(numberLabel(), u"№ суточного архива:"_s);
        EXPECT_EQ(number()->maximum(), 63);
        number()->setValue(5);
        click(u"ButtonAddParam"_s);
    });
    EXPECT_EQ(added, (std::vector<Added>{{u"$05"_s, u"Данные из суточного архива № 5"_s}}));
}

// ------------------------------------------------------------ the reference list

TEST_F(KFormPanels, ListOffersAllGroupsButTheLast)
{
    hourly([&] {
        item(9)->click();
        auto* groups = widget<QComboBox>(u"ComboGroups"_s);
        auto* entries = widget<QListWidget>(u"ListEntries"_s);
        EXPECT_TRUE(groups->isVisible());
        EXPECT_TRUE(entries->isVisible());
        EXPECT_EQ(widget<QLabel>(u"LabelGroups"_s)->text(), u"Выберите группу параметров:"_s);
        ASSERT_EQ(groups->count(), 3);
        EXPECT_EQ(groups->itemText(0), u"Датчики"_s);
        EXPECT_EQ(groups->itemText(2), u"Общие"_s);
        EXPECT_EQ(groups->currentIndex(), 0);
        ASSERT_EQ(entries->count(), 2);
        EXPECT_EQ(entries->item(0)->text(), u"Температура"_s);
        EXPECT_EQ(entries->currentRow(), 0);
        EXPECT_EQ(numberLabel(), u"№ датчика:"_s);
        EXPECT_EQ(number()->maximum(), 63);

        groups->setCurrentIndex(1);
        ASSERT_EQ(entries->count(), 1);
        EXPECT_EQ(entries->item(0)->text(), u"Масса"_s);
        EXPECT_EQ(numberLabel(), u"№ трубопровода:"_s);
        EXPECT_EQ(number()->maximum(), 15);
        groups->setCurrentIndex(2);
        EXPECT_FALSE(number()->isVisible());
        EXPECT_EQ(entries->item(0)->text(), u"Время работы"_s);
    });
}

TEST_F(KFormPanels, SensorGroupStartsAtZeroAndAddsTheEntry)
{
    hourly([&] {
        item(9)->click();
        auto* groups = widget<QComboBox>(u"ComboGroups"_s);
        number()->setValue(9);
        groups->setCurrentIndex(1);
        EXPECT_EQ(number()->value(), 9);
        groups->setCurrentIndex(0);
        EXPECT_EQ(number()->value(), 0);
        widget<QListWidget>(u"ListEntries"_s)->setCurrentRow(1);
        number()->setValue(3);
        click(u"ButtonAddParam"_s);
    });
    EXPECT_EQ(added, (std::vector<Added>{{u"#8311"_s, u"Давление, № датчика: 3"_s}}));
}

TEST_F(KFormPanels, EmptyListAddsNothing)
{
    references.clear();
    bool stillOpen = false;
    hourly([&] {
        item(9)->click();
        EXPECT_EQ(widget<QComboBox>(u"ComboGroups"_s)->count(), 0);
        click(u"ButtonAddParam"_s);
        stillOpen = form.isVisible();
    });
    EXPECT_TRUE(stillOpen);
    EXPECT_TRUE(added.empty());
}

// ------------------------------------------------------------ "Другой параметр..."

TEST_F(KFormPanels, HexFieldUpperCasesAndTakesOnlyHexDigits)
{
    hourly([&] {
        item(10)->click();
        EXPECT_TRUE(hexField()->isVisible());
        EXPECT_EQ(widget<QLabel>(u"LabelHex"_s)->text(), u"Параметр ВИРЕЛ:"_s);
        EXPECT_FALSE(number()->isVisible());
        hexField()->setFocus();
        QTest::keyClicks(hexField(), u"1g a-2"_s);
        EXPECT_EQ(hexField()->text(), u"1A2"_s);
        QTest::keyClicks(hexField(), u"bc"_s); // four characters at most
        EXPECT_EQ(hexField()->text(), u"1A2B"_s);
        QTest::keyClick(hexField(), Qt::Key_Backspace);
        EXPECT_EQ(hexField()->text(), u"1A2"_s);
        // A click selects the whole field.
        hexField()->deselect();
        QTest::mouseClick(hexField(), Qt::LeftButton);
        EXPECT_EQ(hexField()->selectedText(), u"1A2"_s);
        click(u"ButtonAddParam"_s);
    });
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(added, (std::vector<Added>{{u"#01A2"_s, u"Параметр: 1A2"_s}}));
}

TEST_F(KFormPanels, EmptyHexFieldIsZero)
{
    hourly([&] {
        item(10)->click();
        hexField()->clear();
        click(u"ButtonAddParam"_s);
    });
    EXPECT_EQ(added, (std::vector<Added>{{u"#0000"_s, u"Параметр: "_s}}));
}

TEST_F(KFormPanels, PastedTextThatIsNoHexNumberIsRefused)
{
    bool stillOpen = false;
    hourly([&] {
        item(10)->click();
        hexField()->clear();
        QApplication::clipboard()->setText(u"x1f"_s);
        hexField()->paste();
        EXPECT_EQ(hexField()->text(), u"X1F"_s);
        click(u"ButtonAddParam"_s);
        stillOpen = form.isVisible();
        hexField()->setText(u"1F"_s);
        click(u"ButtonAddParam"_s);
    });
    EXPECT_TRUE(stillOpen);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].caption, kAppCaption);
    EXPECT_EQ(messages[0].text, kHexError);
    EXPECT_EQ(added, (std::vector<Added>{{u"#001F"_s, u"Параметр: 1F"_s}}));
}

TEST_F(KFormPanels, EveryOpeningStartsOnTime)
{
    hourly([&] {
        item(6)->click();
        click(u"ButtonAddParam"_s);
    });
    hourly([&] {
        EXPECT_TRUE(item(0)->isChecked());
        EXPECT_FALSE(number()->isVisible());
    });
    EXPECT_EQ(added.size(), 1u);
}

// ------------------------------------------------------------ type "19"

TEST_F(KFormPanels, CatalogueParametersAreAddedWhileTheDialogStaysOpen)
{
    std::optional<editor::CatalogueParameter> selected;
    form.setCatalogueSelection([&] { return selected; });
    bool stillOpen = false;
    const int count = insertPanel(store::BlankKind::Archive, editor::kControllerType19, [&] {
        EXPECT_TRUE(widget(u"TreeHost"_s)->isVisible());
        EXPECT_FALSE(widget(u"RgParam"_s)->isVisible());
        EXPECT_FALSE(widget(u"EditNumber"_s)->isVisible());
        EXPECT_EQ(form.size(), QSize(490, 277));
        click(u"ButtonAddParam"_s); // no parameter selected: nothing
        selected = editor::CatalogueParameter{0x10, 2, 0x00A0, u"Расход"_s, 384};
        click(u"ButtonAddParam"_s);
        selected = editor::CatalogueParameter{0x00, 5, 0x0010, u"Часы"_s, 0};
        click(u"ButtonAddParam"_s);
        EXPECT_TRUE(form.addCatalogueParameter({0x20, 2, 0x0101, u"Сутки"_s, 0}));
        stillOpen = form.isVisible();
        click(u"ButtonExit"_s);
    });
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(added, (std::vector<Added>{
                         {u"~00A0"_s, u"Расход"_s}, {u"#0010"_s, u"Время"_s}, {u"$0101"_s, u"Сутки"_s}}));
    EXPECT_FALSE(form.addCatalogueParameter({0x20, 2, 0x0101, u"Сутки"_s, 0}));
}

TEST_F(KFormPanels, ChosenCatalogueArchiveSetsTheDepthMaximum)
{
    EXPECT_EQ(form.depthMaximum(), 42);
    form.catalogueNodeChosen(editor::CatalogueParameter{0x10, 2, 1, {}, 768});
    EXPECT_EQ(form.depthMaximum(), 32);
    form.catalogueNodeChosen(std::nullopt); // a group node
    form.catalogueNodeChosen(editor::CatalogueParameter{0x00, 2, 1, {}, 768});
    form.catalogueNodeChosen(editor::CatalogueParameter{0x10, 2, 1, {}, 480});
    EXPECT_EQ(form.depthMaximum(), 32);
    form.catalogueNodeChosen(editor::CatalogueParameter{0x20, 2, 1, {}, 0});
    EXPECT_EQ(form.depthMaximum(), 255);
}

// ------------------------------------------------------------ the archive depth

TEST_F(KFormPanels, DepthPanelRefusesInOrderThenAccepts)
{
    std::optional<editor::ArchiveDepth> depth;
    std::vector<bool> openAfterOk;
    whileOpen([&] {
        EXPECT_EQ(form.windowTitle(), u"Начальная и конечная глубина печати"_s);
        EXPECT_EQ(widget<QLabel>(u"LabelDepthRule"_s)->text(), u"Необходимое условие:  KK<НН, НН>0, KK>=0"_s);
        auto* start = widget<QSpinBox>(u"EditStartDepth"_s);
        auto* end = widget<QSpinBox>(u"EditEndDepth"_s);
        for (auto [s, e] : {std::pair{43, 41}, {24, 41}, {5, 5}, {24, 3}}) {
            start->setValue(s);
            end->setValue(e);
            click(u"ButtonDepthOk"_s);
            openAfterOk.push_back(form.isVisible());
        }
    });
    depth = form.execDepthPanel(42);
    EXPECT_EQ(openAfterOk, (std::vector<bool>{true, true, true, false}));
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0].text,
              u"Начальная глубина печати архивов не может превышать 42 суток. Будьте внимательны."_s);
    EXPECT_EQ(messages[1].text,
              u"Конечная глубина печати архивов не может превышать 40 суток. Будьте внимательны."_s);
    EXPECT_EQ(messages[2].text,
              u"Конечная глубина печати архивов должна быть строго меньше начальной глубины "
              u"печати (KK<НН). Будьте внимательны."_s);
    for (const Message& m : messages)
        EXPECT_EQ(m.caption, kAppCaption);
    EXPECT_EQ(depth, (editor::ArchiveDepth{24, 3}));
}

TEST_F(KFormPanels, DepthPanelTypesThreeDigitsForADailyArchive)
{
    whileOpen([&] {
        auto* start = widget<QSpinBox>(u"EditStartDepth"_s);
        start->setFocus();
        start->selectAll();
        QTest::keyClicks(start, u"255"_s);
        widget<QSpinBox>(u"EditEndDepth"_s)->setValue(1);
        click(u"ButtonDepthOk"_s);
    });
    EXPECT_EQ(form.execDepthPanel(255), (editor::ArchiveDepth{255, 1}));
    EXPECT_TRUE(messages.empty());
}

TEST_F(KFormPanels, DepthPanelCancelChangesNothing)
{
    whileOpen([&] {
        widget<QSpinBox>(u"EditStartDepth"_s)->setValue(99);
        click(u"ButtonDepthCancel"_s);
    });
    EXPECT_EQ(form.execDepthPanel(42), std::nullopt);
    EXPECT_TRUE(messages.empty());
}

// ------------------------------------------------------------ the panels share the dialog

TEST_F(KFormPanels, EachTitleShowsItsOwnPanel)
{
    hourly([&] { EXPECT_TRUE(widget(u"PanelInsertParam"_s)->isVisible()); });
    whileOpen([&] {
        EXPECT_TRUE(widget(u"PanelColsRows"_s)->isVisible());
        EXPECT_FALSE(widget(u"PanelInsertParam"_s)->isVisible());
        click(u"ButtonColsRowsOk"_s);
    });
    int columns = 0;
    EXPECT_TRUE(form.execColsRowsPanel(4, 5, 75, [&](const TkForm::ColsRows& v) {
        columns = v.columns;
        return true;
    }));
    EXPECT_EQ(columns, 4);
    whileOpen([&] {
        EXPECT_TRUE(widget(u"PanelDepth"_s)->isVisible());
        EXPECT_FALSE(widget(u"PanelColsRows"_s)->isVisible());
    });
    form.execDepthPanel(42);
}

// ------------------------------------------------------------ the keyboard in every panel

enum class Panel { Name, ColsRows, Insert10, Insert19, Depth };

struct PanelControls {
    Panel panel;
    const char* title;
    const char* firstField;    // has the focus when the panel opens
    const char* defaultButton; // the one button Enter presses
    const char* cancelButton;
};

const PanelControls kPanels[] = {
    {Panel::Name, "new blank", "EditName", "ButtonCreate", "ButtonCancel"},
    {Panel::ColsRows, "columns and rows", "EditColumns", "ButtonColsRowsOk", "ButtonColsRowsCancel"},
    {Panel::Insert10, "insert parameter, type 10", "RgParamItem0", "ButtonAddParam", "ButtonExit"},
    {Panel::Insert19, "insert parameter, type 19", "PrmTreeView", "ButtonAddParam", "ButtonExit"},
    {Panel::Depth, "print depth", "EditStartDepth", "ButtonDepthOk", "ButtonDepthCancel"},
};

// One dialog serves every panel in turn, as the main window's does; what a panel
// was left with (a Cancel button with the focus, say) must not change the next one.
class KFormKeyboard : public KFormPanels {
protected:
    void SetUp() override
    {
        KFormPanels::SetUp();
        // The parameter tree, where the main window puts it.
        tree = new TTreeFrame;
        form.treeHost()->layout()->addWidget(tree);
        form.setCatalogueSelection([this] { return selected; });
    }

    // Opens the panel, runs `steps` once the dialog is the active window and says
    // whether the panel was accepted (for the insert-parameter panel: something added).
    bool open(Panel panel, std::function<void()> steps)
    {
        whileOpen([this, steps] {
            if (!QTest::qWaitForWindowActive(&form)) {
                ADD_FAILURE() << "the dialog did not become active";
                return;
            }
            steps();
        });
        switch (panel) {
        case Panel::Name:
            return form.execNamePanel(u"Создание бланка"_s, u"Новый бланк"_s, u"Файл печати: КОТЕЛЬНАЯ"_s,
                                      u"Имя бланка:"_s, u"Бланк1"_s, [this](const QString& name) {
                                          names.push_back(name);
                                          return true;
                                      });
        case Panel::ColsRows:
            return form.execColsRowsPanel(4, 5, 75, [this](const TkForm::ColsRows& v) {
                colsRows.push_back(v);
                return true;
            });
        case Panel::Insert10:
        case Panel::Insert19:
            return form.execInsertParamPanel(store::BlankKind::Archive,
                                             panel == Panel::Insert10 ? editor::kControllerType10
                                                                      : editor::kControllerType19,
                                             references, [this](const QString& code, const QString& name) {
                                                 added.push_back({code, name});
                                             }) > 0;
        case Panel::Depth:
            depth = form.execDepthPanel(42);
            return depth.has_value();
        }
        return false;
    }

    // The key goes where the user's key would go: to the control with the focus.
    void press(Qt::Key key)
    {
        QWidget* target = QApplication::focusWidget();
        ASSERT_NE(target, nullptr) << "no control has the focus";
        QTest::keyClick(target, key);
    }
    void typeKeys(const QString& keys)
    {
        QWidget* target = QApplication::focusWidget();
        ASSERT_NE(target, nullptr) << "no control has the focus";
        QTest::keyClicks(target, keys);
    }

    // The focus in the first field, and one default button in the whole dialog.
    void expectReady(const PanelControls& p)
    {
        QWidget* focused = QApplication::focusWidget();
        EXPECT_TRUE(widget(QString::fromLatin1(p.firstField))->hasFocus())
            << "the focus is on " << (focused ? focused->objectName().toStdString() : "nothing");
        QStringList defaults;
        for (const QPushButton* button : form.findChildren<QPushButton*>())
            if (button->isDefault())
                defaults << button->objectName();
        EXPECT_EQ(defaults.join(u", "_s).toStdString(), p.defaultButton);
    }

    // Closes every panel in turn through its Cancel button, clicked with the mouse
    // (which gives the button the focus).
    void cancelEveryPanelWithTheMouse()
    {
        for (const PanelControls& p : kPanels) {
            SCOPED_TRACE(p.title);
            EXPECT_FALSE(open(p.panel, [&] {
                QTest::mouseClick(widget<QPushButton>(QString::fromLatin1(p.cancelButton)), Qt::LeftButton);
            }));
            EXPECT_EQ(form.focusWidget(), widget(QString::fromLatin1(p.cancelButton)));
        }
    }

    TTreeFrame* tree = nullptr;
    std::optional<editor::CatalogueParameter> selected;
    std::vector<QString> names;
    std::vector<TkForm::ColsRows> colsRows;
    std::optional<editor::ArchiveDepth> depth;
};

TEST_F(KFormKeyboard, EveryPanelOpensWithTheFocusInItsFirstFieldAndOneDefaultButton)
{
    for (int round = 1; round <= 2; ++round) {
        for (const PanelControls& p : kPanels) {
            SCOPED_TRACE(std::string(p.title) + ", round " + std::to_string(round));
            open(p.panel, [&] {
                expectReady(p);
                QTest::mouseClick(widget<QPushButton>(QString::fromLatin1(p.cancelButton)), Qt::LeftButton);
            });
        }
    }
    EXPECT_TRUE(names.empty());
    EXPECT_TRUE(colsRows.empty());
    EXPECT_TRUE(added.empty());
    EXPECT_EQ(depth, std::nullopt);
}

TEST_F(KFormKeyboard, EnterAcceptsWhatWasTypedAfterEveryPanelWasCancelled)
{
    cancelEveryPanelWithTheMouse();

    // The name field's text is selected: typing replaces it.
    EXPECT_TRUE(open(Panel::Name, [&] {
        typeKeys(u"Report1"_s);
        press(Qt::Key_Return);
    }));
    EXPECT_EQ(names, (std::vector<QString>{u"Report1"_s}));

    EXPECT_TRUE(open(Panel::ColsRows, [&] {
        typeKeys(u"12"_s);
        press(Qt::Key_Enter);
    }));
    ASSERT_EQ(colsRows.size(), 1u);
    EXPECT_EQ(colsRows[0].columns, 12);
    EXPECT_EQ(colsRows[0].rows, 5);
    EXPECT_EQ(colsRows[0].width, 75);
    EXPECT_FALSE(colsRows[0].widthChanged);

    // The arrow keys choose the item, Enter adds it.
    EXPECT_TRUE(open(Panel::Insert10, [&] {
        press(Qt::Key_Down);
        EXPECT_TRUE(item(1)->isChecked());
        press(Qt::Key_Return);
    }));
    EXPECT_EQ(added, (std::vector<Added>{{u"#4016"_s, u"Дата"_s}}));

    // Type "19": every Enter adds the selected parameter, the dialog stays open.
    added.clear();
    selected = editor::CatalogueParameter{0x10, 2, 0x00A0, u"Расход"_s, 384};
    bool stillOpen = false;
    EXPECT_TRUE(open(Panel::Insert19, [&] {
        press(Qt::Key_Return);
        press(Qt::Key_Return);
        stillOpen = form.isVisible();
    }));
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(added, (std::vector<Added>{{u"~00A0"_s, u"Расход"_s}, {u"~00A0"_s, u"Расход"_s}}));

    EXPECT_TRUE(open(Panel::Depth, [&] {
        typeKeys(u"30"_s);
        press(Qt::Key_Return);
    }));
    EXPECT_EQ(depth, (editor::ArchiveDepth{30, 0}));
    EXPECT_TRUE(messages.empty());
}

TEST_F(KFormKeyboard, EscapeCancelsEveryPanel)
{
    selected = editor::CatalogueParameter{0x10, 2, 0x00A0, u"Расход"_s, 384};
    for (int round = 1; round <= 2; ++round) {
        for (const PanelControls& p : kPanels) {
            SCOPED_TRACE(std::string(p.title) + ", round " + std::to_string(round));
            bool closedByEscape = false;
            EXPECT_FALSE(open(p.panel, [&] {
                if (p.panel == Panel::Name || p.panel == Panel::ColsRows || p.panel == Panel::Depth)
                    typeKeys(u"7"_s);
                press(Qt::Key_Escape);
                closedByEscape = !form.isVisible();
            }));
            EXPECT_TRUE(closedByEscape);
        }
    }
    EXPECT_TRUE(names.empty());
    EXPECT_TRUE(colsRows.empty());
    EXPECT_TRUE(added.empty());
    EXPECT_EQ(depth, std::nullopt);
}

} // namespace
