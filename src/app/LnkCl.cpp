#include "LnkCl.h"

#include "driverlink/bfsDM.h"

TLnkClFrm::TLnkClFrm(QWidget* parent) : QWidget(parent), link_(new rastrova::driverlink::TBfsCl(this))
{
    setObjectName(QStringLiteral("LnkClFrm"));
    link_->setObjectName(QStringLiteral("BfsCl"));
}
