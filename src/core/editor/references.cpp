#include "editor/references.h"

namespace rastrova::editor {

namespace {

bool isDigit(QChar ch)
{
    return ch >= u'0' && ch <= u'9';
}

bool insideDataCells(const store::Grid& blank, int col, int row)
{
    return col >= 1 && row >= 1 && col < blank.colCount() && row < blank.rowCount();
}

// Appends the reference to the cell and says so.
InsertResult append(store::Grid& blank, int col, int row, int number)
{
    InsertResult result;
    result.outcome = InsertOutcome::Inserted;
    result.change.col = col;
    result.change.row = row;
    result.change.oldText = blank.text(col, row);
    result.change.newText = result.change.oldText + referenceText(number);
    blank.setText(col, row, result.change.newText);
    return result;
}

InsertResult refusal(InsertOutcome outcome, QString message = {})
{
    InsertResult result;
    result.outcome = outcome;
    result.message = std::move(message);
    return result;
}

} // namespace

int Reference::number() const
{
    bool ok;
    const int n = digits.toInt(&ok);
    return ok ? n : -1;
}

QList<Reference> findReferences(QStringView text)
{
    QList<Reference> refs;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'@')
            continue;
        qsizetype end = i + 1;
        while (end < text.size() && isDigit(text[end]))
            ++end;
        if (end == i + 1)
            continue;
        refs.append(Reference{i, end - i, text.mid(i + 1, end - i - 1).toString()});
        i = end - 1;
    }
    return refs;
}

QString referenceText(int number)
{
    return u'@' + QString::number(number);
}

QString withoutReferences(const QString& text, int number)
{
    const QString ref = referenceText(number);
    QString out;
    qsizetype from = 0;
    for (;;) {
        const qsizetype at = text.indexOf(ref, from);
        if (at < 0)
            break;
        const qsizetype end = at + ref.size();
        if (end < text.size() && isDigit(text[end])) {
            // "@12" of "@121" is a reference to another parameter.
            out += QStringView(text).mid(from, end - from);
        } else {
            out += QStringView(text).mid(from, at - from);
        }
        from = end;
    }
    out += QStringView(text).mid(from);
    return out;
}

int archiveMarkColumn(const store::Grid& blank, int row)
{
    for (int c = 1; c < blank.colCount(); ++c)
        if (blank.isReadOnly(c, row))
            return c;
    return 1;
}

InsertResult insertLastParameter(store::Grid& blank, int col, int row, const ParameterList& list)
{
    const int last = list.count();
    if (last < 1)
        return refusal(InsertOutcome::NoParameter);
    if (!insideDataCells(blank, col, row) || col == 1 || row == 1)
        return refusal(InsertOutcome::NotHere);
    if (blank.isReadOnly(col, row))
        return refusal(InsertOutcome::ReadOnlyCell);
    if (blank.cell(col, row).colour != store::kArchiveRowColour)
        return append(blank, col, row, last);

    // An archive row holds values of one archive kind: the first reference right
    // of the mark decides.
    const int first = archiveMarkColumn(blank, row) + 1;
    if (first >= blank.colCount() || blank.text(first, row).isEmpty())
        return append(blank, col, row, last);
    const QString firstText = blank.text(first, row).trimmed();
    const qsizetype at = firstText.indexOf(u'@');
    const QString rest = at < 0 ? firstText : firstText.mid(at + 1);
    const std::optional<int> k = parseDecimal(rest);
    if (!k)
        return refusal(InsertOutcome::ConversionError,
                       u'"' + rest + QStringLiteral("\" не является целым числом."));
    // A number that names no parameter has no code, so it counts as not hourly.
    const QString firstCode = list.code(*k);
    const QString lastCode = list.code(last);
    const bool fits = (lastCode.startsWith(u'~') && firstCode.startsWith(u'~')) ||
                      (lastCode.startsWith(u'$') && !firstCode.startsWith(u'~'));
    if (!fits)
        return refusal(InsertOutcome::OtherArchiveKind);
    return append(blank, col, row, last);
}

InsertResult insertReference(store::Grid& blank, int col, int row, int number)
{
    if (number < 1)
        return refusal(InsertOutcome::NoParameter);
    if (!insideDataCells(blank, col, row))
        return refusal(InsertOutcome::NotHere);
    if (blank.isReadOnly(col, row))
        return refusal(InsertOutcome::ReadOnlyCell);
    return append(blank, col, row, number);
}

QString deleteParameterQuestion(const QString& name)
{
    return QStringLiteral("Вы действительно хотите удалить параметр \"") + name + QStringLiteral("\"?\r") +
           QStringLiteral("При нажатии на кнопку \"Да\" параметр удалится, "
                          "а так же удалятся все ссылки на него из бланка.\r");
}

DeleteResult deleteLastParameter(ParameterList& list, store::Grid& blank)
{
    DeleteResult result;
    const int number = list.count();
    if (number < 1)
        return result;
    for (int r = 1; r < blank.rowCount(); ++r)
        for (int c = 1; c < blank.colCount(); ++c) {
            const QString& old = blank.text(c, r);
            if (old.isEmpty())
                continue;
            QString now = withoutReferences(old, number);
            if (now == old)
                continue;
            result.changes.append(CellChange{c, r, old, now});
            blank.setText(c, r, now);
        }
    list.removeLast();
    result.number = number;
    return result;
}

} // namespace rastrova::editor
