#include "Escaparate.h"

#include <QEvent>
#include <QFont>
#include <QMouseEvent>
#include <QPainter>

namespace {

// How far the card may wander from its place, in pixels, in each direction.
constexpr int kMargenDeriva = 40;

} // namespace

Escaparate::Escaparate(QWidget* cubre, QWidget* clave, LeerRonda leerRonda)
    : QWidget(cubre)
    , m_cubre(cubre)
    , m_leerRonda(std::move(leerRonda))
{
    setObjectName(QStringLiteral("escaparate"));
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    hide();
    m_espera.setSingleShot(true);
    connect(&m_espera, &QTimer::timeout, this, &Escaparate::iniciar);
    connect(&m_tarjeta, &QTimer::timeout, this, &Escaparate::siguienteTarjeta);
    m_movimiento.setInterval(1000 / kPasosPorSegundo);
    connect(&m_movimiento, &QTimer::timeout, this, &Escaparate::derivar);
    m_cubre->installEventFilter(this);
    clave->installEventFilter(this);
}

void Escaparate::configurar(const ConfigEmpresa::Escaparate& ajustes)
{
    m_ajustes = ajustes;
    if (!m_ajustes.activo)
        detener();
}

void Escaparate::setImagen(const QPixmap& imagen)
{
    m_imagen = imagen;
    update();
}

void Escaparate::pantallaLimpia()
{
    if (!m_ajustes.activo || m_espera.isActive() || isVisible())
        return;
    m_espera.start(m_ajustes.segundosInactivo * 1000);
}

void Escaparate::detener()
{
    m_espera.stop();
    m_tarjeta.stop();
    m_movimiento.stop();
    hide();
}

void Escaparate::iniciar()
{
    try {
        m_tarjetas = m_leerRonda();
    } catch (...) {
        // An idle station has nobody to tell: the display simply stays clear.
        m_tarjetas.clear();
    }
    if (m_tarjetas.empty())
        return;
    m_indice = 0;
    m_deriva = QPoint();
    setGeometry(m_cubre->rect());
    raise();
    show();
    m_tarjeta.start(m_ajustes.segundosTarjeta * 1000);
    m_movimiento.start();
}

void Escaparate::siguienteTarjeta()
{
    // A new round reads the offers again, so a changed price shows at the next round.
    if (++m_indice >= static_cast<int>(m_tarjetas.size())) {
        detener();
        iniciar();
        return;
    }
    update();
}

void Escaparate::derivar()
{
    for (int eje = 0; eje < 2; ++eje) {
        int& posicion = eje == 0 ? m_deriva.rx() : m_deriva.ry();
        int& sentido = eje == 0 ? m_sentido.rx() : m_sentido.ry();
        if (std::abs(posicion + sentido * kPasoDeriva) > kMargenDeriva)
            sentido = -sentido;
        posicion += sentido * kPasoDeriva;
    }
    update();
}

bool Escaparate::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_cubre && event->type() == QEvent::Resize)
        setGeometry(m_cubre->rect());
    else if (watched != m_cubre && event->type() == QEvent::KeyPress)
        detener(); // the key goes on to the key box
    return QWidget::eventFilter(watched, event);
}

void Escaparate::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    detener();
}

void Escaparate::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), QColor(0x33, 0x33, 0x33));
    if (m_tarjetas.empty())
        return;
    const TarjetaEscaparate& t = m_tarjetas[static_cast<size_t>(m_indice)];
    const QRect zona = rect()
                           .adjusted(kMargenDeriva * 2, kMargenDeriva * 2, -kMargenDeriva * 2, -kMargenDeriva * 2)
                           .translated(m_deriva);
    int y = zona.top();
    if (!m_imagen.isNull()) {
        const QPixmap img =
            m_imagen.scaled(zona.width() / 3, zona.height() / 4, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        p.drawPixmap(zona.left() + (zona.width() - img.width()) / 2, y, img);
        y += img.height() + 10;
    }
    const auto linea = [&](const QString& texto, int puntos, const QColor& color, bool negrita, int alto) {
        QFont f = font();
        f.setPointSize(puntos);
        f.setBold(negrita);
        p.setFont(f);
        p.setPen(color);
        p.drawText(QRect(zona.left(), y, zona.width(), alto), Qt::AlignCenter | Qt::TextWordWrap, texto);
        y += alto;
    };
    const int alto = qMax(zona.bottom() - y, 1);
    linea(t.encabezado, 20, QColor(249, 125, 49), false, alto / 6);
    linea(t.articulo, 32, QColor(0, 120, 215), true, alto / 3);
    linea(t.precio, 56, QColor(255, 128, 0), true, alto / 3);
    if (!t.detalle.isEmpty())
        linea(t.detalle, 18, Qt::white, false, alto / 6);
}
