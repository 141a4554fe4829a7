#pragma once
// The blank open in the main window: its document, parameter list and history,
// loading and saving it, the "modified" mark, the preview and the type "19"
// catalogue its parameters are named from. The window owns one and gives it the
// views it drives; the commands on the blank change the document and tell it.

#include "editor/history.h"
#include "editor/paramlist.h"
#include "status.h"
#include "store/blank.h"

#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QWidget;
class TTreeFrame;

namespace rastrova::app {

class BlankGridView;
class ParamGridView;

class OpenBlank : public QObject {
    Q_OBJECT
public:
    // What the open blank shows itself in. Every view outlives the object.
    struct Views {
        BlankGridView* grid = nullptr;
        ParamGridView* params = nullptr;
        QPlainTextEdit* preview = nullptr;
        QLineEdit* pageLines = nullptr;
        QCheckBox* formFeed = nullptr;
        QLabel* hint = nullptr;          // the status bar's hint
        TTreeFrame* catalogue = nullptr; // the parameter tree of type "19" blanks
    };

    // `window` is where messages are shown.
    explicit OpenBlank(QWidget* window);
    ~OpenBlank() override;
    void setViews(const Views& views);

    bool isOpen() const { return open_; }
    // The open blank's files without extension, or an empty string.
    QString basePath() const { return open_ ? basePath_ : QString(); }
    // Whether the open blank lives in `folder`; with `names`, also whether its name is among them.
    bool isIn(const QString& folder) const;
    bool isAmong(const QString& folder, const QStringList& names) const;

    store::BlankDocument& document() { return blank_; }
    const store::BlankDocument& document() const { return blank_; }
    editor::ParameterList& parameters() { return params_; }
    const editor::ParameterList& parameters() const { return params_; }
    editor::BlankHistory& history() { return history_; }
    const editor::BlankHistory& history() const { return history_; }
    // Open and changed since it was last saved.
    bool isModified() const { return open_ && history_.isModified(); }

    // Opening, saving and closing.
    enum class Opened { Yes, BlankUnread, ListUnread };
    // Opens blank `name` of the print file in `folder` and shows it: grid, list,
    // page settings. What could not be read is told, except a missing blank file.
    Opened open(const QString& folder, const QString& name, store::BlankKind kind);
    // Saves the open blank with its image; false when its files were not written.
    bool save(bool reportErrors);
    // Writes a copy of the open blank to `fileName` (a blank file path), as it is now.
    Status saveAs(const QString& fileName) const;
    // Closes the blank after it was saved; the history goes unless it is kept.
    void close();
    // Forgets the blank whose files are being deleted.
    void discard();

    // The settings a blank being created is opened with, instead of its file's.
    void setNewBlankSettings(std::optional<store::BlankSettings> settings)
    {
        newSettings_ = std::move(settings);
    }
    // While on, closing and opening again keep the history (a blank reloaded with new settings).
    void setKeepHistory(bool on) { keepHistory_ = on; }
    // While off, the archive checks after a save are not shown.
    void setArchiveChecksShown(bool on) { showArchiveChecks_ = on; }

    // The history. Every command is one step from `before` to the present state.
    editor::BlankState state() const;
    void record(editor::BlankCommand command, const editor::BlankState& before, int mergeKey = 0);
    void record(editor::BlankCommand command, const editor::BlankState& before,
                const editor::BlankState& after);
    // After a command on the grid: shows the change and records it.
    void changed(bool gridLayoutChanged, editor::BlankCommand command, const editor::BlankState& before);
    void undo();
    void redo();

    // Draws the preview of the open blank again.
    void refreshPreview();
    // The page settings typed for the open blank go into its print file's header.
    void pageSettingsChanged();

    // The next type "19" blank loads its catalogue afresh (another database).
    void forgetCatalogue() { catalogueLoaded_ = false; }
    void setDatabasePath(const QString& path) { databasePath_ = path; }

signals:
    // The history moved, or the blank was opened or closed: the modified mark and undo follow.
    void historyChanged();

private:
    void apply(const editor::BlankState& state);
    void loadCatalogueFor(const store::BlankSettings& settings);
    std::function<int(uint32_t)> archiveDays() const;
    void showArchiveChecks(const QStringList& findings);

    QWidget* window_;
    Views views_;
    store::BlankDocument blank_;
    editor::ParameterList params_;
    editor::BlankHistory history_;
    bool open_ = false;
    QString folder_;
    QString name_;
    QString basePath_;
    bool loadingPage_ = false;
    bool keepHistory_ = false;
    bool showArchiveChecks_ = true;
    std::optional<store::BlankSettings> newSettings_;
    QString databasePath_;
    QString catalogueTask_; // the task file the catalogue holds
    bool catalogueLoaded_ = false;
};

} // namespace rastrova::app
