#include "PrmsTree.h"

TTreeForm::TTreeForm(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("TreeForm"));
}
