#pragma once

#include <QColor>
#include <QLabel>
#include <QWidget>

// A label that reports a click, for the maker's web address.
class LinkLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// A filled shape with an outline: the orange bar and the rounded frame of the unit of purchase.
class Forma : public QWidget {
    Q_OBJECT
public:
    Forma(QColor relleno, QColor borde, int grosorBorde, int radio, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_relleno;
    QColor m_borde;
    int m_grosor;
    int m_radio;
};
