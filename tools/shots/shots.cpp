// Takes the README's pictures of the editor's real windows:
//   editor.png       the main window with a blank open and its preview shown;
//   programming.png  the programming window while it programs the adapter;
//   printout.png     the same window after the hourly print test, with what the
//                    adapter printed.
//
//   rastrova-screenshots --home DIR --out DIR --print-file NAME --blank NAME
//
// DIR's RASTROVA.INI names the base folder and, for Com1, the device of a running
// "rastrova-sim adapter". tools/screenshots prepares both and runs this under Xvfb.

#include "LnkCl.h"
#include "PrmsTree.h"
#include "Ustr.h"
#include "appsetup.h"
#include "editorwindows.h"
#include "driverlink/bfsDM.h"
#include "kUnit.h"
#include "mUnit.h"
#include "messages.h"
#include "nUnit.h"
#include "tekchDialog.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QWindow>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace {

QString option(const QStringList& args, const QString& name)
{
    const qsizetype i = args.indexOf(name);
    return i >= 0 && i + 1 < args.size() ? args[i + 1] : QString();
}

[[noreturn]] void fail(const QString& why)
{
    std::fprintf(stderr, "rastrova-screenshots: %s\n", why.toUtf8().constData());
    std::exit(1);
}

template <class T> T* named(QWidget* root, const QString& name)
{
    T* found = root->findChild<T*>(name);
    if (!found)
        fail(QStringLiteral("no %1 in %2").arg(name, root->objectName()));
    return found;
}

// Runs the event loop until `done` or the time is up.
bool waitFor(const std::function<bool()>& done, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

void settle(int ms)
{
    waitFor([] { return false; }, ms);
}

void save(QWidget* w, const QString& folder, const QString& name)
{
    const QString path = QDir(folder).filePath(name);
    if (!w->grab().save(path))
        fail(QStringLiteral("cannot write ") + path);
    std::printf("rastrova-screenshots: %s\n", path.toUtf8().constData());
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    rastrova::app::setUpApplication(app);
    const QStringList args = QApplication::arguments();
    const QString home = option(args, QStringLiteral("--home"));
    const QString out = option(args, QStringLiteral("--out"));
    const QString printFile = option(args, QStringLiteral("--print-file"));
    const QString blank = option(args, QStringLiteral("--blank"));
    if (home.isEmpty() || out.isEmpty() || printFile.isEmpty() || blank.isEmpty())
        fail(QStringLiteral("usage: --home DIR --out DIR --print-file NAME --blank NAME"));

    // No box may wait for a click: each is written out, and an error ends the run.
    rastrova::app::Messages::setAnswerer([](const rastrova::app::Message& m) {
        std::fprintf(stderr, "rastrova-screenshots: message \"%s\"\n", m.text.toUtf8().constData());
        if (m.icon == rastrova::app::MsgIcon::Error)
            fail(QStringLiteral("the editor reported an error"));
        return (m.buttons & rastrova::app::MsgOk) ? rastrova::app::MsgOk : rastrova::app::MsgNo;
    });

    // The windows, made as the editor makes them.
    const auto paths = rastrova::store::resolveProgramPaths(home, home);
    rastrova::app::EditorWindowSet windows(paths);
    TmForm& mForm = windows.mForm;
    TAUstr& aUstr = windows.aUstr;

    mForm.FormShow();
    mForm.resize(1180, 740);
    mForm.move(0, 0);
    mForm.show();
    if (!waitFor([&] { return mForm.windowHandle() && mForm.windowHandle()->isExposed(); }, 10000))
        fail(QStringLiteral("the main window was not shown"));

    // The blank, through the print-file tree, and its preview.
    auto* tree = named<QTreeWidget>(&mForm, QStringLiteral("Tree"));
    QTreeWidgetItem* node = nullptr;
    for (QTreeWidgetItemIterator it(tree); *it && !node; ++it)
        if ((*it)->text(0) == blank && (*it)->parent() && (*it)->parent()->parent() &&
            (*it)->parent()->parent()->text(0) == printFile)
            node = *it;
    if (!node)
        fail(QStringLiteral("no blank \"%1\" in \"%2\"").arg(blank, printFile));
    tree->expandAll();
    tree->setCurrentItem(node);
    if (!mForm.isBlankOpen())
        fail(QStringLiteral("the blank did not open"));
    auto* preview = named<QAction>(&mForm, QStringLiteral("SpeedButtonPreview"));
    if (!preview->isChecked())
        preview->trigger();
    settle(500);
    if (named<QPlainTextEdit>(&mForm, QStringLiteral("Preview"))->toPlainText().isEmpty())
        fail(QStringLiteral("the preview is empty"));
    save(&mForm, out, QStringLiteral("editor.png"));

    // "Обмен": the programming window, run while it is open (it is modal).
    bool programmed = false, printed = false;
    QTimer::singleShot(0, &aUstr, [&] {
        if (!waitFor([&] { return aUstr.isVisible(); }, 10000))
            fail(QStringLiteral("the programming window did not open"));
        aUstr.resize(1100, 640);
        aUstr.move(0, 0);
        named<QTabWidget>(&aUstr, QStringLiteral("PC"))->setCurrentIndex(0);
        settle(300);

        named<QToolButton>(&aUstr, QStringLiteral("SpeedButton1"))->click();
        auto* written = named<QProgressBar>(&aUstr, QStringLiteral("Gauge1"));
        if (!aUstr.isBusy())
            fail(QStringLiteral("programming did not start"));
        // A picture halfway through the writing.
        waitFor([&] { return written->value() >= 45 || !aUstr.isBusy(); }, 120000);
        settle(100);
        save(&aUstr, out, QStringLiteral("programming.png"));
        if (!waitFor([&] { return !aUstr.isBusy(); }, 300000))
            fail(QStringLiteral("programming did not end"));
        const QString log = named<QPlainTextEdit>(&aUstr, QStringLiteral("Memo1"))->toPlainText();
        programmed = log.endsWith(QStringLiteral("Информация в адаптер принтера записана верно"));
        if (!programmed)
            fail(QStringLiteral("programming failed:\n") + log);

        // The hourly print test prints the blanks just programmed. The simulated
        // line is still busy for some seconds after the last reply: the test waits
        // for it, and is asked again when it found no answer yet.
        auto* printout = named<QPlainTextEdit>(&aUstr, QStringLiteral("Memo2"));
        for (int attempt = 0; attempt < 4 && !printed; ++attempt) {
            settle(10000);
            named<QToolButton>(&aUstr, QStringLiteral("SpeedButton2"))->click();
            if (!waitFor([&] { return !aUstr.isBusy(); }, 300000))
                fail(QStringLiteral("the print test did not end"));
            settle(300);
            printed = !printout->toPlainText().isEmpty();
        }
        if (!printed)
            fail(QStringLiteral("the print test printed nothing:\n") +
                 named<QPlainTextEdit>(&aUstr, QStringLiteral("Memo1"))->toPlainText());
        printout->moveCursor(QTextCursor::Start);
        settle(200);
        save(&aUstr, out, QStringLiteral("printout.png"));
        aUstr.reject();
    });
    named<QAction>(&mForm, QStringLiteral("ActExchange"))->trigger();

    rastrova::app::Messages::setAnswerer({});
    return programmed && printed ? 0 : 1;
}
