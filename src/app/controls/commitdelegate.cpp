#include "controls/commitdelegate.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace rastrova::app {

bool CommitOnEnterDelegate::eventFilter(QObject* object, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (auto* line = qobject_cast<QLineEdit*>(object); line && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
            emit commitData(line);
            emit closeEditor(line, QAbstractItemDelegate::SubmitModelCache);
            return true;
        }
    }
    return QStyledItemDelegate::eventFilter(object, event);
}

} // namespace rastrova::app
