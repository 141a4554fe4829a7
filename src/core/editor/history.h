#pragma once
// Undo and redo of the open blank. Every command that changes the blank (its grid,
// its settings or its parameter list) becomes one step holding the whole state
// before and after it. A state is cheap to copy: the grids keep their cells and
// columns in implicitly shared lists, so unchanged parts are shared between the
// open blank and the steps, and a step costs about one copy of what the command
// touched.
//
// The history belongs to the open blank: opening another one starts afresh. It
// also knows the position at which the blank was last saved, so that the
// "modified" mark follows undo and redo.

#include "editor/paramlist.h"
#include "store/blank.h"

#include <QList>
#include <QString>

namespace rastrova::editor {

// What undo and redo bring back: the blank, its parameter list and the current
// cell of the blank grid (grid coordinates) where the step happened.
struct BlankState {
    store::BlankDocument blank;
    ParameterList params;
    int col = 1, row = 1;

    // True when the blank and the list are the same (the current cell aside).
    // Shared copies compare at once.
    bool sameContent(const BlankState& other) const;
};

// The commands that make steps.
enum class BlankCommand {
    TypeText,          // typing into a blank cell
    Merge,
    Split,
    BorderOn,
    BorderOff,
    ColsRows,          // the columns-and-rows dialog
    AddColumn,
    AddRow,
    DeleteColumn,
    DeleteRow,
    EqualWidths,
    ColumnWidth,       // dragging a column edge (blank grid or parameter list)
    Clear,
    Cut,
    Paste,
    MoveColumn,
    MoveRow,
    AddParameter,
    DeleteParameter,
    ParameterFormat,   // p, q or "Цел." of a parameter
    InsertReference,   // "Вставить параметр..." and "Вставить в бланк"
    SetArchiveMark,
    ClearArchiveMark,
    Properties,
};
constexpr int kBlankCommandCount = int(BlankCommand::Properties) + 1;

// The name of a step, e.g. "Объединение ячеек".
QString commandLabel(BlankCommand command);

// What a change of the parameter list reported by its panel was: ColumnWidth when
// the lists differ in column widths only, else ParameterFormat.
BlankCommand listChangeCommand(const ParameterList& before, const ParameterList& after);

class BlankHistory {
public:
    // Steps kept; when a new one would exceed it, the oldest goes.
    static constexpr int kDefaultLimit = 100;

    explicit BlankHistory(int limit = kDefaultLimit);

    int limit() const { return limit_; }

    // A fresh history for the blank just opened (or saved and reopened): no steps,
    // `current` is the present state and the saved one.
    void reset(const BlankState& current);
    // No blank open: no steps, an empty present state, not modified.
    void clear();

    // Records a command that turned `before` into `after`. Returns false, and
    // records nothing, when the content did not change. Steps undone before are
    // dropped. A non-zero `mergeKey` lets a run of steps join: a step with the same
    // label and key as the step recorded just before it (nothing undone, redone or
    // saved in between) extends that step instead of adding one, which is how a
    // column drag that reports every pixel becomes one step; a run that ends where
    // it began leaves no step.
    bool record(const QString& label, const BlankState& before, const BlankState& after, int mergeKey = 0);
    bool record(BlankCommand command, const BlankState& before, const BlankState& after, int mergeKey = 0)
    {
        return record(commandLabel(command), before, after, mergeKey);
    }
    // Ends a run of joining steps: the next step is a step of its own.
    void endMerge() { mergeOpen_ = false; }

    bool canUndo() const { return index_ > 0; }
    bool canRedo() const { return index_ < steps_.size(); }
    int undoCount() const { return int(index_); }
    int redoCount() const { return int(steps_.size() - index_); }

    // The label of the step undo (redo) would take back (do again); empty when none.
    QString undoLabel() const;
    QString redoLabel() const;
    // The menu texts: "Отменить: <label>" and "Повторить: <label>", or the bare
    // verb when there is nothing to undo (redo).
    QString undoText() const;
    QString redoText() const;

    // Steps back (forward) and returns the state to show, with the current cell at
    // which the step began (ended). Without a step to undo (redo) the present state
    // is returned and nothing moves.
    BlankState undo();
    BlankState redo();

    // The state at the present position: the last `after` recorded or redone, the
    // last `before` undone, or the state given to reset().
    const BlankState& present() const { return present_; }

    // The blank was written as it is now.
    void markSaved();
    // True exactly when the present position is not the saved one. A saved position
    // dropped by the limit or by a new step after undo cannot come back: the blank
    // stays modified until it is saved again.
    bool isModified() const { return index_ != saved_; }

private:
    struct Step {
        QString label;
        BlankState before, after;
        int mergeKey = 0;
    };

    int limit_;
    QList<Step> steps_;
    qsizetype index_ = 0;  // steps done; steps_[index_ - 1] is the one undo takes back
    qsizetype saved_ = 0;  // the saved position; -1 when it can no longer be reached
    bool mergeOpen_ = false;
    BlankState present_;
};

} // namespace rastrova::editor
