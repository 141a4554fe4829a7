#pragma once
// The preview shows the printer text of the open blank. An edit of one cell
// changes a line or two of it, so only the lines that differ are replaced: the
// view then lays out and repaints those alone, which keeps typing into a large
// blank quick.

#include <QPlainTextEdit>
#include <QString>

namespace rastrova::app {

// Makes `view` show `text` (lines separated by '\n'). When the line count is the
// same, only the lines that changed are replaced; otherwise the whole text is set.
void showPreviewText(QPlainTextEdit* view, const QString& text);

} // namespace rastrova::app
