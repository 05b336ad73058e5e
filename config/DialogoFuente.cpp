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
constexpr quint32 kGranate = 0x000080;

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
    , m_color(kGranate)
{
    setObjectName(QStringLiteral("dFont"));
    setWindowTitle(QStringLiteral("Fuente"));
    setModal(true);

    // A chooser always has some face selected: the system's own stands for "none chosen yet".
    // The face actually used, not an alias such as "Sans Serif" that the chooser does not list.
    m_fuente.setFamily(QFontInfo(QFontDatabase::systemFont(QFontDatabase::GeneralFont)).family());
    m_fuente.setPointSize(puntosDePixeles(21));
    m_fuente.setBold(true);

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

void DialogoFuente::mostrarEleccion()
{
    m_selector->setCurrentFont(m_fuente);
    m_colores->setCurrentIndex(m_colores->findData(m_color));
}

bool DialogoFuente::elegir()
{
    mostrarEleccion();
    if (exec() != QDialog::Accepted)
        return false;
    m_fuente = m_selector->currentFont();
    if (m_colores->currentIndex() >= 0)
        m_color = m_colores->currentData().toUInt();
    return true;
}
