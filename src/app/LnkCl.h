#pragma once
// The hidden window that owns the link to the driver program for the whole run.
// The link has no automation object to start the driver on this platform: the
// driver program is started on its own.

#include <QWidget>

namespace rastrova::driverlink {
class TBfsCl;
}

class TLnkClFrm : public QWidget {
    Q_OBJECT
public:
    explicit TLnkClFrm(QWidget* parent = nullptr);
    rastrova::driverlink::TBfsCl* link() const { return link_; }

private:
    rastrova::driverlink::TBfsCl* link_;
};
