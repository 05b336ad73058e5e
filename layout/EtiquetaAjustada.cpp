#include "EtiquetaAjustada.h"

#include <QPainter>
#include <QStyle>
#include <algorithm>

EtiquetaAjustada::EtiquetaAjustada(Modo modo, int pisoPixeles, QWidget* parent)
    : QLabel(parent)
    , m_modo(modo)
    , m_piso(pisoPixeles)
{
    setWordWrap(modo == Modo::Parrafo);
}

const EtiquetaAjustada::Dibujo& EtiquetaAjustada::dibujo() const
{
    const QSize caja = contentsRect().adjusted(margin(), margin(), -margin(), -margin()).size();
    if (m_valido && m_texto == text() && m_fuente == font() && m_caja == caja)
        return m_dibujo;
    m_texto = text();
    m_fuente = font();
    m_caja = caja;
    if (m_modo == Modo::Linea) {
        ajuste::Linea l = ajuste::ajustarLinea(m_fuente, caja, m_texto, m_piso);
        m_dibujo = {l.fuente, l.texto.isEmpty() ? QStringList() : QStringList{l.texto}};
    } else {
        ajuste::Parrafo p = ajuste::ajustarParrafo(m_fuente, caja, m_texto, m_piso);
        m_dibujo = {p.fuente, p.lineas};
    }
    m_valido = true;
    return m_dibujo;
}

QFont EtiquetaAjustada::fuenteDibujada() const
{
    return dibujo().fuente;
}

QStringList EtiquetaAjustada::lineasDibujadas() const
{
    return dibujo().lineas;
}

void EtiquetaAjustada::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    const Dibujo& d = dibujo();
    if (d.lineas.isEmpty())
        return;
    QPainter p(this);
    p.setFont(d.fuente);
    p.setPen(palette().color(foregroundRole()));
    const QFontMetrics m(d.fuente);
    const QRect caja = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    const Qt::Alignment a = QStyle::visualAlignment(layoutDirection(), alignment());
    const int alto = ajuste::altoLineas(m, static_cast<int>(d.lineas.size()));
    int y = caja.top();
    if (a & Qt::AlignBottom)
        y = caja.bottom() + 1 - alto;
    else if (a & Qt::AlignVCenter)
        y = caja.top() + (caja.height() - alto) / 2;
    // Lines taller than the box (a box smaller than one line) keep their beginning in view.
    y = std::max(y, caja.top());
    for (const QString& linea : d.lineas) {
        const int ancho = ajuste::anchoLinea(m, linea);
        int x = caja.left();
        if (a & Qt::AlignRight)
            x = caja.right() + 1 - ancho;
        else if (a & Qt::AlignHCenter)
            x = caja.left() + (caja.width() - ancho) / 2;
        // A glyph whose ink starts left of its origin is moved in by that much.
        p.drawText(x - std::min(0, m.boundingRect(linea).left()), y + m.ascent(), linea);
        y += m.lineSpacing();
    }
}

EtiquetaElidida::EtiquetaElidida(Qt::TextElideMode modo, QWidget* parent)
    : QLabel(parent)
    , m_modo(modo)
{
}

QRect EtiquetaElidida::caja() const
{
    return contentsRect().adjusted(margin(), margin(), -margin(), -margin());
}

QString EtiquetaElidida::textoDibujado() const
{
    const QFontMetrics m(font());
    const int ancho = caja().width();
    return ajuste::anchoLinea(m, text()) <= ancho ? text() : m.elidedText(text(), m_modo, ancho);
}

void EtiquetaElidida::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    const QString texto = textoDibujado();
    if (texto.isEmpty())
        return;
    QPainter p(this);
    style()->drawItemText(&p, caja(), static_cast<int>(QStyle::visualAlignment(layoutDirection(), alignment())),
                          palette(), isEnabled(), texto, foregroundRole());
}
