#pragma once
// A delegate whose line editor writes the cell as soon as Enter is pressed, so
// that whatever runs next (a check, the preview, a test) sees the new text.

#include <QStyledItemDelegate>

namespace rastrova::app {

class CommitOnEnterDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    bool eventFilter(QObject* object, QEvent* event) override;
};

} // namespace rastrova::app
