#pragma once
// The device programming window. It programs the print-file image into the
// printer adapter; until the programming routes are in, it only shows the file.

#include <QDialog>

class QLabel;

class TAUstr : public QDialog {
    Q_OBJECT
public:
    explicit TAUstr(QWidget* parent = nullptr);
    void setImagePath(const QString& path);

private:
    QLabel* LabelFile;
};
