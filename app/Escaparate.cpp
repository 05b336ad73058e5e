#include "Escaparate.h"

#include "layout/EtiquetaAjustada.h"

#include <QEvent>
#include <QFont>
#include <QMouseEvent>
#include <QPainter>

namespace {

// How far the card may wander from its place, in pixels, in each direction.
constexpr int kMargenDeriva = 40;

// A text that does not fit its box shrinks down to this many pixels, never cut, like the display's.
constexpr int kPisoPixeles = 12;

EtiquetaAjustada* texto(QWidget* padre, const char* nombre, EtiquetaAjustada::Modo modo, int puntos, bool negrita,
                        const QColor& color)
{
    auto* l = new EtiquetaAjustada(modo, kPisoPixeles, padre);
    l->setObjectName(QString::fromLatin1(nombre));
    QFont f = padre->font();
    f.setPointSize(puntos);
    f.setBold(negrita);
    l->setFont(f);
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, color);
    l->setPalette(p);
    l->setAlignment(Qt::AlignCenter);
    l->setFocusPolicy(Qt::NoFocus);
    // Touches reach the showcase, which ends on any of them.
    l->setAttribute(Qt::WA_TransparentForMouseEvents);
    return l;
}

} // namespace

Escaparate::Escaparate(QWidget* cubre, QWidget* clave, PedirRonda pedirRonda)
    : QWidget(cubre)
    , m_cubre(cubre)
    , m_pedirRonda(std::move(pedirRonda))
{
    setObjectName(QStringLiteral("escaparate"));
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    hide();
    using Modo = EtiquetaAjustada::Modo;
    m_encabezado = texto(this, "lblEncabezadoTarjeta", Modo::Parrafo, 20, false, QColor(249, 125, 49));
    m_articulo = texto(this, "lblArticuloTarjeta", Modo::Parrafo, 32, true, QColor(0, 120, 215));
    m_precio = texto(this, "lblPrecioTarjeta", Modo::Linea, 56, true, QColor(255, 128, 0));
    m_detalle = texto(this, "lblDetalleTarjeta", Modo::Parrafo, 18, false, Qt::white);
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
    colocar();
    update();
}

void Escaparate::pantallaLimpia()
{
    if (!m_ajustes.activo || m_espera.isActive() || m_esperandoRonda || isVisible())
        return;
    m_espera.start(m_ajustes.segundosInactivo * 1000);
}

void Escaparate::detener()
{
    m_esperandoRonda = false;
    m_espera.stop();
    m_tarjeta.stop();
    m_movimiento.stop();
    hide();
}

void Escaparate::iniciar()
{
    m_esperandoRonda = true;
    m_pedirRonda();
}

void Escaparate::recibirRonda(const std::vector<TarjetaEscaparate>& tarjetas)
{
    if (!m_esperandoRonda)
        return;
    m_esperandoRonda = false;
    // An idle station has nobody to tell: without cards the display simply stays clear.
    m_tarjetas = tarjetas;
    if (m_tarjetas.empty())
        return;
    m_indice = 0;
    m_deriva = QPoint();
    setGeometry(m_cubre->rect());
    mostrarTarjeta();
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
    mostrarTarjeta();
}

void Escaparate::mostrarTarjeta()
{
    const TarjetaEscaparate& t = m_tarjetas[static_cast<size_t>(m_indice)];
    m_encabezado->setText(t.encabezado);
    m_articulo->setText(t.articulo);
    m_precio->setText(t.precio);
    m_detalle->setText(t.detalle);
    colocar();
    update();
}

QRect Escaparate::zonaTarjeta() const
{
    return rect()
        .adjusted(kMargenDeriva * 2, kMargenDeriva * 2, -kMargenDeriva * 2, -kMargenDeriva * 2)
        .translated(m_deriva);
}

QSize Escaparate::tamanoImagen(const QRect& zona) const
{
    return m_imagen.size().scaled(zona.width() / 3, zona.height() / 4, Qt::KeepAspectRatio);
}

void Escaparate::colocar()
{
    const QRect zona = zonaTarjeta();
    int y = zona.top();
    if (!m_imagen.isNull())
        y += tamanoImagen(zona).height() + 10;
    const int alto = qMax(zona.bottom() - y, 1);
    const auto fila = [&](EtiquetaAjustada* l, int altoFila) {
        l->setGeometry(zona.left(), y, zona.width(), altoFila);
        y += altoFila;
    };
    fila(m_encabezado, alto / 6);
    fila(m_articulo, alto / 3);
    fila(m_precio, alto / 3);
    fila(m_detalle, alto / 6);
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
    colocar();
    update();
}

bool Escaparate::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_cubre && event->type() == QEvent::Resize) {
        setGeometry(m_cubre->rect());
        colocar();
    } else if (watched != m_cubre && event->type() == QEvent::KeyPress)
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
    const QRect zona = zonaTarjeta();
    if (!m_imagen.isNull()) {
        const QPixmap img = m_imagen.scaled(tamanoImagen(zona), Qt::KeepAspectRatio, Qt::SmoothTransformation);
        p.drawPixmap(zona.left() + (zona.width() - img.width()) / 2, zona.top(), img);
    }
}
