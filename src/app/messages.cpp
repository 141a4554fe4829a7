#include "messages.h"

#include <QAbstractButton>
#include <QMessageBox>

namespace rastrova::app {

namespace {
Messages::Answerer& answerer()
{
    static Messages::Answerer a;
    return a;
}
} // namespace

void Messages::setAnswerer(Answerer a)
{
    answerer() = std::move(a);
}

MsgButton Messages::show(QWidget* parent, const QString& caption, const QString& text, MsgIcon icon,
                         MsgButtons buttons)
{
    if (answerer())
        return answerer()(Message{caption, text, icon, buttons});

    QMessageBox box(parent);
    box.setWindowTitle(caption);
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(u'\r', u'\n');
    box.setText(shown);
    switch (icon) {
    case MsgIcon::Information: box.setIcon(QMessageBox::Information); break;
    case MsgIcon::Warning: box.setIcon(QMessageBox::Warning); break;
    case MsgIcon::Error: box.setIcon(QMessageBox::Critical); break;
    case MsgIcon::Question: box.setIcon(QMessageBox::Question); break;
    }
    QMessageBox::StandardButtons standard;
    if (buttons & MsgOk)
        standard |= QMessageBox::Ok;
    if (buttons & MsgYes)
        standard |= QMessageBox::Yes;
    if (buttons & MsgNo)
        standard |= QMessageBox::No;
    if (buttons & MsgCancel)
        standard |= QMessageBox::Cancel;
    box.setStandardButtons(standard);
    if (auto* b = box.button(QMessageBox::Yes))
        b->setText(QStringLiteral("Да"));
    if (auto* b = box.button(QMessageBox::No))
        b->setText(QStringLiteral("Нет"));
    if (auto* b = box.button(QMessageBox::Cancel))
        b->setText(QStringLiteral("Отмена"));
    switch (box.exec()) {
    case QMessageBox::Yes: return MsgYes;
    case QMessageBox::No: return MsgNo;
    case QMessageBox::Cancel: return MsgCancel;
    default: return MsgOk;
    }
}

} // namespace rastrova::app
