#pragma once
// The hidden window that owns the link to the driver program for the whole run.

#include <QWidget>

class TLnkClFrm : public QWidget {
    Q_OBJECT
public:
    explicit TLnkClFrm(QWidget* parent = nullptr);
};
