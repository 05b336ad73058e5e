#include "DialogoFuente.h"

#include "layout/Colores.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <array>
#include <cstdlib>
#include <limits>

namespace {

// The sixteen colours a font may take, in the order a font chooser lists them, with the names the
// operator reads (the stored texts are the colour names of the settings, not these).
struct ColorFuente {
    quint32 valor;
    const char* nombre;
};
constexpr std::array<ColorFuente, 16> kColores{{
    {0x000000, "Negro"},
    {0x000080, "Granate"},
    {0x008000, "Verde"},
    {0x008080, "Verde oliva"},
    {0x800000, "Azul marino"},
    {0x800080, "Púrpura"},
    {0x808000, "Verde azulado"},
    {0x808080, "Gris"},
    {0xC0C0C0, "Plateado"},
    {0x0000FF, "Rojo"},
    {0x00FF00, "Lima"},
    {0x00FFFF, "Amarillo"},
    {0xFF0000, "Azul"},
    {0xFF00FF, "Fucsia"},
    {0xFFFF00, "Aguamarina"},
    {0xFFFFFF, "Blanco"},
}};

// The style of the listed face that shows the effects best: the same slant, the nearest weight to
// bold or regular, and of those the shortest name, which is the plain width ("Bold" rather than
// "Condensed Bold"). Empty for a face with no styles.
QString estiloListado(const QString& cara, EstiloFuente estilo)
{
    QString mejor;
    int distanciaMejor = std::numeric_limits<int>::max();
    const int peso = estilo.bold ? QFont::Bold : QFont::Normal;
    for (const QString& nombre : QFontDatabase::styles(cara)) {
        const QFont f = QFontDatabase::font(cara, nombre, 12);
        const int distancia = (f.italic() != estilo.italic ? 1'000'000 : 0) + std::abs(f.weight() - peso) * 1000 +
                              static_cast<int>(nombre.size());
        if (distancia < distanciaMejor) {
            distanciaMejor = distancia;
            mejor = nombre;
        }
    }
    return mejor;
}

QIcon muestra(quint32 color)
{
    QPixmap pm(16, 12);
    pm.fill(aQColor(color));
    QPainter p(&pm);
    p.setPen(Qt::gray);
    p.drawRect(pm.rect().adjusted(0, 0, -1, -1));
    return QIcon(pm);
}

} // namespace

DialogoFuente::DialogoFuente(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("dFont"));
    setWindowTitle(QStringLiteral("Fuente"));
    setModal(true);

    // The platform's chooser, embedded without its own buttons, gives face, size, style and the
    // underline and strike-out effects; the colour is ours.
    m_selector = new QFontDialog(this);
    m_selector->setObjectName(QStringLiteral("dFontSelector"));
    m_selector->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
    m_selector->setWindowFlags(Qt::Widget);

    m_colores = new QComboBox(this);
    m_colores->setObjectName(QStringLiteral("dFontColor"));
    for (const ColorFuente& c : kColores)
        m_colores->addItem(muestra(c.valor), QString::fromUtf8(c.nombre), c.valor);

    auto* aceptar = new QPushButton(QStringLiteral("Aceptar"), this);
    aceptar->setObjectName(QStringLiteral("dFontAceptar"));
    auto* cancelar = new QPushButton(QStringLiteral("Cancelar"), this);
    cancelar->setObjectName(QStringLiteral("dFontCancelar"));
    aceptar->setDefault(true);
    connect(aceptar, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancelar, &QPushButton::clicked, this, &QDialog::reject);

    auto* fila = new QHBoxLayout;
    fila->addWidget(new QLabel(QStringLiteral("Color:"), this));
    fila->addWidget(m_colores, 1);
    fila->addStretch(1);
    fila->addWidget(aceptar);
    fila->addWidget(cancelar);
    auto* raiz = new QVBoxLayout(this);
    raiz->addWidget(m_selector);
    raiz->addLayout(fila);
}

void DialogoFuente::mostrar(const QFont& actual, quint32 color)
{
    // Left to itself the chooser shows the first face it lists for one the system does not have,
    // and the first style of the face for a regular one it finds no "Normal" or "Regular" in
    // (DejaVu's is "Book", after "Oblique"). It is given the face the display draws instead, and
    // the style by its exact name.
    QFont mostrada = actual;
    if (!QFontDatabase::hasFamily(actual.family()))
        mostrada.setFamily(QFontInfo(actual).family());
    if (const QString estilo = estiloListado(mostrada.family(), estiloDe(actual)); !estilo.isEmpty())
        mostrada.setStyleName(estilo);
    m_selector->setCurrentFont(mostrada);
    m_mostrada = m_selector->currentFont();

    // The element's own colour, when it is none of the sixteen, is the entry after them.
    if (m_colores->count() > static_cast<int>(kColores.size()))
        m_colores->removeItem(static_cast<int>(kColores.size()));
    int indice = m_colores->findData(color);
    if (indice < 0) {
        m_colores->addItem(muestra(color),
                           QStringLiteral("Personalizado (%1)").arg(aQColor(color).name(QColor::HexRgb).toUpper()),
                           color);
        indice = m_colores->count() - 1;
    }
    m_colores->setCurrentIndex(indice);
}

QFont DialogoFuente::eleccion(const QFont& actual) const
{
    // The chooser shows only what the system lists: a face it does not have as the one drawn
    // instead, effects the face has no style for (the station's Tahoma has no bold face of its
    // own) as its nearest style. Only what the operator changed is taken from it.
    const QFont elegida = m_selector->currentFont();
    QFont resultado = actual;
    if (elegida.family() != m_mostrada.family())
        resultado.setFamily(elegida.family());
    if (elegida.pointSize() != m_mostrada.pointSize())
        resultado.setPointSize(elegida.pointSize());
    const EstiloFuente antes = estiloDe(m_mostrada);
    const EstiloFuente ahora = estiloDe(elegida);
    EstiloFuente estilo = estiloDe(actual);
    if (ahora.bold != antes.bold)
        estilo.bold = ahora.bold;
    if (ahora.italic != antes.italic)
        estilo.italic = ahora.italic;
    if (ahora.underline != antes.underline)
        estilo.underline = ahora.underline;
    if (ahora.strikeOut != antes.strikeOut)
        estilo.strikeOut = ahora.strikeOut;
    aplicarEstilo(resultado, estilo);
    return resultado;
}

bool DialogoFuente::elegir(const QFont& actual, quint32 color)
{
    mostrar(actual, color);
    if (exec() != QDialog::Accepted)
        return false;
    m_fuente = eleccion(actual);
    m_color = m_colores->currentIndex() >= 0 ? m_colores->currentData().toUInt() : color;
    return true;
}
