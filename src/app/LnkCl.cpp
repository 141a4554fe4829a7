#include "LnkCl.h"

TLnkClFrm::TLnkClFrm(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("LnkClFrm"));
}
