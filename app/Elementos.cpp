#include "Elementos.h"

#include <QMouseEvent>
#include <QPainter>

void LinkLabel::mouseReleaseEvent(QMouseEvent* event)
{
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

Forma::Forma(QColor relleno, QColor borde, int grosorBorde, int radio, QWidget* parent)
    : QWidget(parent)
    , m_relleno(relleno)
    , m_borde(borde)
    , m_grosor(grosorBorde)
    , m_radio(radio)
{
}

void Forma::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (m_grosor > 0) {
        QPen pen(m_borde);
        pen.setWidth(m_grosor);
        p.setPen(pen);
    } else {
        p.setPen(Qt::NoPen);
    }
    p.setBrush(m_relleno);
    const double mitad = m_grosor / 2.0;
    p.drawRoundedRect(QRectF(rect()).adjusted(mitad, mitad, -mitad, -mitad), m_radio, m_radio);
}
