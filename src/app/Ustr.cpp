#include "Ustr.h"

#include <QLabel>
#include <QVBoxLayout>

TAUstr::TAUstr(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AUstr"));
    setWindowTitle(QStringLiteral("Программирование адаптера принтера"));
    setModal(true);
    LabelFile = new QLabel;
    LabelFile->setObjectName(QStringLiteral("LabelFile"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(LabelFile);
}

void TAUstr::setImagePath(const QString& path)
{
    LabelFile->setText(path);
}
