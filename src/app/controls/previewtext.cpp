#include "controls/previewtext.h"

#include <QStringList>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace rastrova::app {

void showPreviewText(QPlainTextEdit* view, const QString& text)
{
    QTextDocument* doc = view->document();
    const QList<QStringView> lines = QStringView(text).split(u'\n');
    if (doc->isEmpty() || doc->blockCount() != lines.size()) {
        view->setPlainText(text);
        return;
    }
    doc->setUndoRedoEnabled(false); // a read-only view keeps no history
    QTextCursor cursor(doc);
    bool editing = false;
    QTextBlock block = doc->begin();
    for (const QStringView line : lines) {
        if (block.text() != line) {
            if (!editing) {
                cursor.beginEditBlock();
                editing = true;
            }
            cursor.setPosition(block.position());
            cursor.setPosition(block.position() + block.length() - 1, QTextCursor::KeepAnchor);
            cursor.insertText(line.toString());
        }
        block = block.next();
    }
    if (editing)
        cursor.endEditBlock();
}

} // namespace rastrova::app
