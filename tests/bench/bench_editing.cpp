// What the user feels while typing into the largest blank: the time from the
// Enter that commits a cell's new text in the blank grid until the preview holds
// the new printer text and has painted it.
//
//   build-rel/bin/rastrova-bench --benchmark_filter=CellEditToPreview --benchmark_repetitions=5
//
// The main window is opened, as the program opens it, on a program folder whose
// base holds the example print files and the print file "Стенд" with one hourly
// blank of 40 data columns by 200 data rows, every column 64 pixels wide (8
// characters), every cell framed (inner border width 2, colour 0) and holding a
// reference "@n" to one of the 10 parameters of its list ("#4010".."#4019"), n
// cycling 1..10. The blank is opened through the tree and the preview is shown.
//
// Each iteration opens the editor of cell (2, 3) with F2 (visible in the grid and
// in the preview), puts one of two references into it ("@5" and "@6", in turn, so
// that the printer text really changes) and lets the window paint all that; then,
// timed: Enter into the editor and the window's next paint, which paints whatever
// the commit made dirty. Outside the timed part the
// iteration checks that the grid holds the new text, that the preview holds
// exactly the printer text of the edited blank and that it was painted, and lets
// the closed editor go.
//
// Runs on the offscreen platform unless QT_QPA_PLATFORM names another one.

#include "benchapp.h"
#include "largeblank.h"
#include "widgethelpers.h"

#include "controls/blankgrid.h"
#include "editor/paramlist.h"
#include "editor/saveblank.h"
#include "render/printertext.h"
#include "store/blank.h"
#include "store/manager.h"
#include "store/printfile.h"

#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <chrono>

using namespace rastrova;
using namespace rastrova::app;

namespace {

constexpr int kColumns = 40, kRows = 200;
constexpr int kEditCol = 2, kEditRow = 3;

const QString kPrintFile = QStringLiteral("Стенд");
const QString kBlank = QStringLiteral("Большой бланк");

store::BlankDocument framedBlank()
{
    return largeblank::framedBlank(kColumns, kRows);
}

// Counts the paints of a widget.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return QObject::eventFilter(watched, event);
    }
};

// The main window on a program folder in a temporary folder, the large blank open
// with its preview shown. `error` is empty when all went well.
struct EditorSession {
    QTemporaryDir tmp;
    widgettest::MessageLog log;
    widgettest::EditorWindows windows;
    QString error;

    EditorSession()
    {
        if (!tmp.isValid()) {
            error = QStringLiteral("no temporary folder: ") + tmp.errorString();
            return;
        }
        const QString home = tmp.filePath(QStringLiteral("prog"));
        const QString base = tmp.filePath(QStringLiteral("base"));
        widgettest::copyTree(QStringLiteral(RASTROVA_EXAMPLES_DIR "/base"), base);
        widgettest::makeProgramFolder(home, base);

        if (Status st = store::createPrintFile(base, kPrintFile); !st) {
            error = st.message();
            return;
        }
        const QString folder = QDir(base).filePath(kPrintFile);
        if (Status st = store::createBlank(folder, kBlank, store::BlankKind::Hourly); !st) {
            error = st.message();
            return;
        }
        const QString basePath = QDir(folder).filePath(kBlank);
        if (Status st = editor::saveBlankFiles(basePath, framedBlank(), largeblank::parameterList()); !st) {
            error = st.message();
            return;
        }

        windows.open(home);
        TmForm* form = windows.form.get();
        auto* tree = widgettest::named<QTreeWidget>(form, QStringLiteral("Tree"));
        QTreeWidgetItem* found = nullptr;
        for (QTreeWidgetItemIterator it(tree); *it && !found; ++it)
            if ((*it)->text(0) == kBlank && (*it)->parent() && (*it)->parent()->parent() &&
                (*it)->parent()->parent()->text(0) == kPrintFile)
                found = *it;
        if (!found) {
            error = QStringLiteral("the blank is not in the tree");
            return;
        }
        tree->setCurrentItem(found);
        if (!form->isBlankOpen() || form->currentBlank() != kBlank) {
            error = QStringLiteral("the blank did not open");
            return;
        }
        const store::Grid& g = form->blank().grid;
        if (g.colCount() != kColumns + 1 || g.rowCount() != kRows + 1 || g.cell(kEditCol, kEditRow).inner.width != 2) {
            error = QStringLiteral("the blank opened with another grid");
            return;
        }
        widgettest::named<QAction>(form, QStringLiteral("SpeedButtonPreview"))->trigger();
        if (!preview()->isVisible()) {
            error = QStringLiteral("the preview is not shown");
            return;
        }
        QApplication::processEvents();
        if (!log.messages.empty())
            error = QStringLiteral("a message came up: ") + log.messages.front().text;
    }

    TmForm* form() const { return windows.form.get(); }
    BlankGridView* grid() const { return widgettest::named<BlankGridView>(form(), QStringLiteral("mgrid")); }
    QPlainTextEdit* preview() const { return widgettest::named<QPlainTextEdit>(form(), QStringLiteral("Preview")); }

    // What the preview must show for the blank as it is now.
    QString expectedPreview() const
    {
        const bool formFeed = widgettest::named<QCheckBox>(form(), QStringLiteral("CheckBoxFormFeed"))->isChecked();
        return render::previewText(render::renderPrinterText(form()->blank().grid, formFeed));
    }
};

// The timed part: Enter into the open editor, then the preview painted. Kept out
// of line so that a profiler can collect this part alone
// (valgrind --tool=callgrind --collect-atstart=no --toggle-collect='*commitAndPaint*').
[[gnu::noinline]] double commitAndPaint(QLineEdit* editor)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    const auto start = std::chrono::steady_clock::now();
    QApplication::sendEvent(editor, &press);
    // What the window paints next: every region the commit made dirty (the
    // edited cell, the changed preview lines, the focus moving back to the grid).
    QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
    const auto stop = std::chrono::steady_clock::now();
    return std::chrono::duration<double>(stop - start).count();
}

void BM_CellEditToPreview(benchmark::State& state)
{
    benchapp::ensureApplication();
    EditorSession session;
    if (!session.error.isEmpty()) {
        state.SkipWithError(session.error.toStdString().c_str());
        return;
    }
    BlankGridView* view = session.grid();
    QPlainTextEdit* preview = session.preview();
    PaintCounter painted;
    preview->viewport()->installEventFilter(&painted);
    const QModelIndex index = view->blankModel()->indexOfCell(kEditCol, kEditRow);
    const store::Grid& grid = session.form()->blank().grid;
    const QString texts[2] = {QStringLiteral("@5"), QStringLiteral("@6")};
    int next = grid.text(kEditCol, kEditRow) == texts[0] ? 1 : 0;

    for (auto _ : state) {
        const QString text = texts[next];
        next = 1 - next;

        view->setCurrentCell(kEditCol, kEditRow);
        view->setFocus();
        QTest::keyClick(view, Qt::Key_F2);
        auto* editor = qobject_cast<QLineEdit*>(view->indexWidget(index));
        if (!editor) {
            state.SkipWithError("the cell editor did not open");
            break;
        }
        editor->setText(text);
        // The screen is up to date before Enter, as it is when the user presses it.
        QApplication::processEvents();
        const QString before = preview->toPlainText();
        const int paintsBefore = painted.paints;
        state.SetIterationTime(commitAndPaint(editor));

        if (grid.text(kEditCol, kEditRow) != text) {
            state.SkipWithError("the grid does not hold the new text");
            break;
        }
        const QString after = preview->toPlainText();
        if (after == before || after != session.expectedPreview()) {
            state.SkipWithError("the preview does not hold the new printer text");
            break;
        }
        if (painted.paints == paintsBefore) {
            state.SkipWithError("the preview did not paint");
            break;
        }
        if (!session.log.messages.empty()) {
            state.SkipWithError(("a message came up: " + session.log.messages.front().text).toStdString().c_str());
            break;
        }
        // The closed editor is deleted later; the grid repaints.
        QApplication::processEvents();
    }
    preview->viewport()->removeEventFilter(&painted);
    state.counters["cells"] = double(kColumns) * kRows;
    state.counters["preview_lines"] = double(preview->blockCount());
    state.SetLabel(QStringLiteral("40x200 framed references, Enter to the preview painted").toStdString());
}
BENCHMARK(BM_CellEditToPreview)->Unit(benchmark::kMillisecond)->UseManualTime();

} // namespace
