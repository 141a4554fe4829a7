#pragma once
// The toolbar pictures, drawn by the program itself.

#include <QIcon>

namespace rastrova::app {

enum class IconKind {
    New, Save, SaveAs, Cut, Copy, Paste, Clear,
    ColsRows, Merge, Split, EqualWidths, BorderOn, BorderOff,
    AddColumn, AddRow, DeleteColumn, DeleteRow, InsertParam, Properties,
    Preview, Tree, Params, BlankBar, StdBar, Settings, Help, About, Undo, Redo,
};

QIcon icon(IconKind kind);

} // namespace rastrova::app
