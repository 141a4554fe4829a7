#include "editor/history.h"

#include <algorithm>

namespace rastrova::editor {

bool BlankState::sameContent(const BlankState& other) const
{
    return blank.settings == other.blank.settings && blank.grid == other.blank.grid &&
           params.grid() == other.params.grid();
}

QString commandLabel(BlankCommand command)
{
    switch (command) {
    case BlankCommand::TypeText: return QStringLiteral("Ввод текста");
    case BlankCommand::Merge: return QStringLiteral("Объединение ячеек");
    case BlankCommand::Split: return QStringLiteral("Разбиение ячеек");
    case BlankCommand::BorderOn: return QStringLiteral("Граница ячеек");
    case BlankCommand::BorderOff: return QStringLiteral("Удаление границ");
    case BlankCommand::ColsRows: return QStringLiteral("Колонки и строки");
    case BlankCommand::AddColumn: return QStringLiteral("Добавление колонки");
    case BlankCommand::AddRow: return QStringLiteral("Добавление строки");
    case BlankCommand::DeleteColumn: return QStringLiteral("Удаление колонки");
    case BlankCommand::DeleteRow: return QStringLiteral("Удаление строки");
    case BlankCommand::EqualWidths: return QStringLiteral("Выравнивание ширины столбцов");
    case BlankCommand::ColumnWidth: return QStringLiteral("Изменение ширины столбца");
    case BlankCommand::Clear: return QStringLiteral("Очистка");
    case BlankCommand::Cut: return QStringLiteral("Вырезание");
    case BlankCommand::Paste: return QStringLiteral("Вставка");
    case BlankCommand::MoveColumn: return QStringLiteral("Перемещение колонки");
    case BlankCommand::MoveRow: return QStringLiteral("Перемещение строки");
    case BlankCommand::AddParameter: return QStringLiteral("Добавление параметра");
    case BlankCommand::DeleteParameter: return QStringLiteral("Удаление параметра");
    case BlankCommand::ParameterFormat: return QStringLiteral("Изменение формата параметра");
    case BlankCommand::InsertReference: return QStringLiteral("Вставка ссылки на параметр");
    case BlankCommand::SetArchiveMark: return QStringLiteral("Установка признака начала печати архивов");
    case BlankCommand::ClearArchiveMark: return QStringLiteral("Снятие признака начала печати архивов");
    case BlankCommand::Properties: return QStringLiteral("Свойства бланка");
    }
    return {};
}

BlankCommand listChangeCommand(const ParameterList& before, const ParameterList& after)
{
    const store::Grid& a = before.grid();
    store::Grid b = after.grid();
    if (a.colCount() != b.colCount())
        return BlankCommand::ParameterFormat;
    for (int c = 0; c < a.colCount(); ++c)
        if (b.colWidth(c) != a.colWidth(c))
            b.setColWidth(c, a.colWidth(c));
    return b == a ? BlankCommand::ColumnWidth : BlankCommand::ParameterFormat;
}

BlankHistory::BlankHistory(int limit) : limit_(std::max(limit, 1)) {}

void BlankHistory::reset(const BlankState& current)
{
    steps_.clear();
    index_ = 0;
    saved_ = 0;
    mergeOpen_ = false;
    present_ = current;
}

void BlankHistory::clear()
{
    reset(BlankState{});
}

bool BlankHistory::record(const QString& label, const BlankState& before, const BlankState& after,
                          int mergeKey)
{
    if (before.sameContent(after))
        return false;

    const bool join = mergeOpen_ && mergeKey != 0 && index_ > 0 && index_ == steps_.size() &&
                      steps_.last().mergeKey == mergeKey && steps_.last().label == label;
    if (join) {
        Step& top = steps_.last();
        if (top.before.sameContent(after)) {
            // The run ended where it began: no step is left of it.
            steps_.removeLast();
            --index_;
            mergeOpen_ = false;
        } else {
            top.after = after;
        }
        present_ = after;
        return true;
    }

    if (index_ < steps_.size()) {
        steps_.resize(index_);
        if (saved_ > index_)
            saved_ = -1;
    }
    steps_.append(Step{label, before, after, mergeKey});
    ++index_;
    while (steps_.size() > limit_) {
        steps_.removeFirst();
        --index_;
        if (saved_ >= 0)
            --saved_; // a saved position of 0 becomes -1: gone for good
    }
    mergeOpen_ = mergeKey != 0;
    present_ = after;
    return true;
}

QString BlankHistory::undoLabel() const
{
    return canUndo() ? steps_[index_ - 1].label : QString();
}

QString BlankHistory::redoLabel() const
{
    return canRedo() ? steps_[index_].label : QString();
}

QString BlankHistory::undoText() const
{
    const QString verb = QStringLiteral("Отменить");
    return canUndo() ? verb + QStringLiteral(": ") + undoLabel() : verb;
}

QString BlankHistory::redoText() const
{
    const QString verb = QStringLiteral("Повторить");
    return canRedo() ? verb + QStringLiteral(": ") + redoLabel() : verb;
}

BlankState BlankHistory::undo()
{
    mergeOpen_ = false;
    if (canUndo())
        present_ = steps_[--index_].before;
    return present_;
}

BlankState BlankHistory::redo()
{
    mergeOpen_ = false;
    if (canRedo())
        present_ = steps_[index_++].after;
    return present_;
}

void BlankHistory::markSaved()
{
    saved_ = index_;
    mergeOpen_ = false;
}

} // namespace rastrova::editor
