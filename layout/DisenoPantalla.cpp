#include "DisenoPantalla.h"

#include "data/uDM.h"
#include "platform/ErrorReport.h"

#include <QChildEvent>
#include <QEvent>
#include <QMouseEvent>
#include <QWidget>
#include <algorithm>
#include <array>
#include <stdexcept>

namespace {

const QString kSeccion = QStringLiteral("Ventana");

struct Posicion {
    QStringView prefijo;
    int x;
    int y;
};

// The built-in layout.
constexpr std::array<Posicion, 9> kIntegradas{{
    {u"NombreArticulo", 216, 139},
    {u"Precios", 392, 316},
    {u"Existencia", 215, 566},
    {u"ListaPrecios", 583, 459},
    {u"ListaVolumen", 583, 566},
    {u"Claves", 216, 8},
    {u"Imagen", 583, 8},
    {u"Combo", 215, 459},
    // What a scale label says, between the article name and the price.
    {u"Etiqueta", 216, 280},
}};

// The order in which the stored layout is applied. The combo grid's drag writes its keys; restoring
// it as well keeps the operator's arrangement whole instead of sending one element back to its
// built-in place at every start.
constexpr std::array<QStringView, 9> kGuardadas{u"NombreArticulo", u"Precios",      u"Existencia",
                                                u"ListaPrecios",   u"ListaVolumen", u"Claves",
                                                u"Imagen",         u"Combo",        u"Etiqueta"};

// A missing key's default: the built-in position, except the key list's left, which is read as 215,
// one pixel left of where the window puts it.
QPoint porDefecto(QStringView prefijo)
{
    QPoint p = posicionIntegrada(prefijo);
    if (prefijo == u"Claves")
        p.rx() -= 1;
    return p;
}

// Written when the window is closed, in this order. The key list and the combo grid can only move
// by a drag, which has already written them.
constexpr std::array<QStringView, 6> kAlCerrar{u"NombreArticulo", u"Precios",      u"Existencia",
                                               u"ListaPrecios",   u"ListaVolumen", u"Imagen"};

// Drawn opaque in design mode so the operator sees the boxes being dragged.
constexpr std::array<QStringView, 2> kOpacosEnDiseno{u"NombreArticulo", u"Precios"};

bool esBoton(QEvent::Type t)
{
    return t == QEvent::MouseButtonPress || t == QEvent::MouseButtonDblClick;
}

} // namespace

DisenoPantalla::DisenoPantalla(Tdm& dm, std::vector<ElementoArrastrable> elementos, std::function<bool()> modoDiseno,
                               QObject* parent)
    : QObject(parent)
    , m_dm(dm)
    , m_elementos(std::move(elementos))
    , m_modoDiseno(std::move(modoDiseno))
{
    if (m_elementos.size() != kGuardadas.size())
        throw std::invalid_argument("DisenoPantalla: se esperan nueve elementos arrastrables");
    for (QStringView prefijo : kGuardadas) {
        int veces = 0;
        for (const ElementoArrastrable& e : m_elementos) {
            if (e.prefijo == prefijo) {
                if (!e.elemento)
                    throw std::invalid_argument("DisenoPantalla: elemento nulo");
                ++veces;
            }
        }
        if (veces != 1)
            throw std::invalid_argument("DisenoPantalla: prefijo ausente o repetido: " +
                                        prefijo.toString().toStdString());
    }
    if (!m_modoDiseno)
        throw std::invalid_argument("DisenoPantalla: falta saber si el modo diseño está activo");

    for (const ElementoArrastrable& e : m_elementos) {
        e.elemento->installEventFilter(this);
        for (QWidget* hijo : e.elemento->findChildren<QWidget*>())
            hijo->installEventFilter(this);
    }
}

const ElementoArrastrable* DisenoPantalla::elementoDe(QObject* watched) const
{
    for (auto* w = qobject_cast<QWidget*>(watched); w; w = w->parentWidget()) {
        for (const ElementoArrastrable& e : m_elementos) {
            if (e.elemento == w)
                return &e;
        }
    }
    return nullptr;
}

const ElementoArrastrable& DisenoPantalla::porPrefijo(const QString& prefijo) const
{
    for (const ElementoArrastrable& e : m_elementos) {
        if (e.prefijo == prefijo)
            return e;
    }
    throw std::logic_error("DisenoPantalla: prefijo desconocido");
}

bool DisenoPantalla::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type tipo = event->type();
    if (tipo == QEvent::ChildAdded) {
        // A widget that appears inside an element later (a grid's editor, say) is part of it too.
        auto* hijo = qobject_cast<QWidget*>(static_cast<QChildEvent*>(event)->child());
        if (hijo && elementoDe(watched)) {
            hijo->installEventFilter(this);
            for (QWidget* nieto : hijo->findChildren<QWidget*>())
                nieto->installEventFilter(this);
        }
        return QObject::eventFilter(watched, event);
    }
    if (!esBoton(tipo) && tipo != QEvent::MouseMove && tipo != QEvent::MouseButtonRelease)
        return QObject::eventFilter(watched, event);
    const ElementoArrastrable* e = elementoDe(watched);
    if (!e)
        return QObject::eventFilter(watched, event);
    bool consumido = false;
    platform::guarded(e->elemento->window(), [&] { consumido = filtrar(watched, event); });
    return consumido;
}

bool DisenoPantalla::filtrar(QObject* watched, QEvent* event)
{
    const ElementoArrastrable& e = *elementoDe(watched);
    auto* receptor = static_cast<QWidget*>(watched);
    auto* raton = static_cast<QMouseEvent*>(event);
    // The pointer in the element's own coordinates, whichever of its inner widgets got the event.
    const QPoint enElemento = receptor->mapTo(e.elemento, raton->position().toPoint());

    if (esBoton(event->type())) {
        m_arrastrando = true;
        m_agarre = enElemento;
        return m_modoDiseno();
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        m_arrastrando = false;
        // The drag's saves did not wait for the disk; its end does, once, even after a failed one.
        m_dm.config().sincronizar();
        return m_modoDiseno();
    }
    if (!m_arrastrando || !m_modoDiseno())
        return false;
    QWidget* cliente = e.elemento->parentWidget();
    const QPoint enPantalla = e.elemento->mapToGlobal(enElemento - m_agarre);
    e.elemento->move(cliente ? cliente->mapFromGlobal(enPantalla) : enPantalla);
    // The element has moved on screen even if the file cannot be written. Every movement saves
    // both keys, atomically, but waiting for a busy disk twice per movement would make the element
    // lag behind the pointer.
    const ConfigIni::SincronizacionAplazada aplazada(m_dm.config());
    escribirPosicion(e);
    return true;
}

void DisenoPantalla::escribirPosicion(const ElementoArrastrable& e)
{
    m_dm.ConfigIni_intW(kSeccion, e.prefijo + QStringLiteral("_X"), e.elemento->x());
    m_dm.ConfigIni_intW(kSeccion, e.prefijo + QStringLiteral("_Y"), e.elemento->y());
}

QSize DisenoPantalla::aplicarDisenoGuardado()
{
    for (QStringView prefijo : kGuardadas) {
        const ElementoArrastrable& e = porPrefijo(prefijo.toString());
        const QPoint p = porDefecto(prefijo);
        const int x = m_dm.ConfigIni_int(kSeccion, e.prefijo + QStringLiteral("_X"), p.x());
        const int y = m_dm.ConfigIni_int(kSeccion, e.prefijo + QStringLiteral("_Y"), p.y());
        e.elemento->move(x, y);
    }
    const int ancho = m_dm.ConfigIni_int(kSeccion, QStringLiteral("Ancho"), 1024);
    const int alto = m_dm.ConfigIni_int(kSeccion, QStringLiteral("Alto"), 746);
    return {ancho, alto};
}

void DisenoPantalla::cambiarModoDiseno(bool activo, QSize tamanoExteriorVentana)
{
    for (QStringView prefijo : kOpacosEnDiseno)
        porPrefijo(prefijo.toString()).elemento->setAutoFillBackground(activo);
    m_dm.ConfigIni_intW(kSeccion, QStringLiteral("Ancho"), tamanoExteriorVentana.width());
    m_dm.ConfigIni_intW(kSeccion, QStringLiteral("Alto"), tamanoExteriorVentana.height());
    m_dm.estacion().setRestaurada(false);
}

void DisenoPantalla::Restaurar1Click()
{
    m_dm.estacion().setRestaurada(true);
}

void DisenoPantalla::FormCloseQuery()
{
    for (QStringView prefijo : kAlCerrar)
        escribirPosicion(porPrefijo(prefijo.toString()));
}

QPoint posicionIntegrada(QStringView prefijo)
{
    for (const Posicion& p : kIntegradas) {
        if (p.prefijo == prefijo)
            return {p.x, p.y};
    }
    throw std::logic_error("DisenoPantalla: prefijo desconocido");
}

QSize tamanoExterior(const QWidget& ventana)
{
    return ventana.frameGeometry().size();
}

void aplicarTamanoExterior(QWidget& ventana, QSize exterior)
{
    const QSize marco = ventana.frameGeometry().size() - ventana.size();
    QSize interior = ventana.size();
    if (exterior.width() >= 1)
        interior.setWidth(std::max(1, exterior.width() - marco.width()));
    if (exterior.height() >= 1)
        interior.setHeight(std::max(1, exterior.height() - marco.height()));
    if (ventana.minimumSize() == ventana.maximumSize())
        ventana.setFixedSize(interior);
    else
        ventana.resize(interior);
}

QRect dentroDelArea(QRect exterior, QRect disponible)
{
    if (disponible.isEmpty())
        return exterior; // no screen to keep to
    QRect r(exterior.topLeft(), exterior.size().boundedTo(disponible.size()));
    r.moveLeft(std::clamp(r.left(), disponible.left(), disponible.right() - r.width() + 1));
    r.moveTop(std::clamp(r.top(), disponible.top(), disponible.bottom() - r.height() + 1));
    return r;
}

void centrarEnArea(QWidget& ventana, QRect disponible)
{
    QRect exterior = ventana.frameGeometry();
    exterior.moveCenter(disponible.center());
    const QRect dentro = dentroDelArea(exterior, disponible);
    if (dentro.size() != exterior.size())
        aplicarTamanoExterior(ventana, dentro.size());
    // A top-level widget's position is its frame's.
    ventana.move(dentro.topLeft());
}
