#pragma once
// The window that holds a parameter tree frame and is never shown.

#include <QWidget>

class TTreeForm : public QWidget {
    Q_OBJECT
public:
    explicit TTreeForm(QWidget* parent = nullptr);
};
