#pragma once

#include <QDialog>

// The about window: the maker's name and contact details; any click closes it.
class TfrmAyudaInfo : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAyudaInfo(QWidget* parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent* event) override;
};
