#include "uNewConexion.h"

#include "CatalogoConexiones.h"
#include "platform/ErrorReport.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"

#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

const QString TfrmNewConexion::kCarpetaPropuesta = QStringLiteral("C:\\Microsip datos\\");

namespace {

constexpr int kRemota = 0;

QLabel* etiqueta(QWidget* padre, const char* nombre, const QString& texto, QPoint posicion)
{
    auto* l = new QLabel(texto, padre);
    l->setObjectName(QString::fromLatin1(nombre));
    l->move(posicion);
    l->adjustSize();
    return l;
}

QLineEdit* caja(QWidget* padre, const char* nombre, QRect geometria)
{
    auto* e = new QLineEdit(padre);
    e->setObjectName(QString::fromLatin1(nombre));
    e->setGeometry(geometria);
    return e;
}

// The position is the code that the file stores, so a text that only looks like a choice (the
// initial "Local") is no choice at all: -1 until the user picks one or a mode selects one.
QComboBox* combo(QWidget* padre, const char* nombre, QRect geometria, const QStringList& opciones,
                 const QString& textoInicial)
{
    auto* c = new QComboBox(padre);
    c->setObjectName(QString::fromLatin1(nombre));
    c->setGeometry(geometria);
    c->setEditable(true);
    c->setInsertPolicy(QComboBox::NoInsert);
    c->addItems(opciones);
    c->setCurrentIndex(-1);
    c->setEditText(textoInicial);
    return c;
}

QPushButton* boton(QWidget* padre, const char* nombre, const QString& texto, QRect geometria)
{
    auto* b = new QPushButton(texto, padre);
    b->setObjectName(QString::fromLatin1(nombre));
    b->setGeometry(geometria);
    return b;
}

int codigoMostrado(const QComboBox* c)
{
    QStringList opciones;
    for (int i = 0; i < c->count(); ++i)
        opciones << c->itemText(i);
    return catalogo::CodigoMostrado(opciones, c->currentText());
}

} // namespace

TfrmNewConexion::TfrmNewConexion(const QString& rutaCatalogo, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , m_rutaFija(rutaCatalogo)
{
    setObjectName(QStringLiteral("frmNewConexion"));
    setWindowTitle(QStringLiteral("Conexión"));
    setModal(true);
    setFont(platform::tahomaPoints(8));

    Label1 = etiqueta(this, "Label1", QStringLiteral("Tipo de conexión:"), {8, 8});
    TipoConexion = combo(this, "TipoConexion", {99, 8, 193, 21}, {QStringLiteral("Remota"), QStringLiteral("Local")},
                         QStringLiteral("Local"));
    Label2 = etiqueta(this, "Label2", QStringLiteral("Nombre:"), {8, 35});
    edNombre = caja(this, "edNombre", {99, 35, 193, 21});
    edNombre->setText(QStringLiteral("Local"));
    Label3 = etiqueta(this, "Label3", QStringLiteral("Servidor:"), {8, 62});
    edServidor = caja(this, "edServidor", {99, 62, 193, 21});
    edServidor->setEnabled(false);
    Label4 = etiqueta(this, "Label4", QStringLiteral("Protocolo"), {8, 89});
    Protocolo =
        combo(this, "Protocolo", {99, 89, 193, 21},
              {QStringLiteral("TCP/IP"), QStringLiteral("NetBeui"), QStringLiteral("SPX")}, QStringLiteral("TCP/IP"));
    Protocolo->setEnabled(false);
    Label5 = etiqueta(this, "Label5", QStringLiteral("Carpeta de datos:"), {8, 116});
    edCarpeta = caja(this, "edCarpeta", {99, 116, 193, 21});
    edCarpeta->setText(kCarpetaPropuesta);
    btnAceptar = boton(this, "btnAceptar", QStringLiteral("Aceptar"), {298, 8, 103, 25});
    Button1 = boton(this, "Button1", QStringLiteral("Cancelar"), {298, 39, 103, 25});
    Button2 = boton(this, "Button2", QStringLiteral("Eliminar"), {298, 70, 103, 25});

    QWidget::setTabOrder(TipoConexion, edNombre);
    QWidget::setTabOrder(edNombre, edServidor);
    QWidget::setTabOrder(edServidor, Protocolo);
    QWidget::setTabOrder(Protocolo, edCarpeta);
    QWidget::setTabOrder(edCarpeta, btnAceptar);
    QWidget::setTabOrder(btnAceptar, Button1);
    QWidget::setTabOrder(Button1, Button2);

    // A typed type counts once the combo box takes it as a choice (Enter or leaving the box).
    platform::connectGuarded(TipoConexion, &QComboBox::currentIndexChanged, this, &TfrmNewConexion::TipoConexionChange);
    platform::connectGuarded(btnAceptar, &QPushButton::clicked, this, &TfrmNewConexion::btnAceptarClick);
    platform::connectGuarded(Button1, &QPushButton::clicked, this, &TfrmNewConexion::Button1Click);
    platform::connectGuarded(Button2, &QPushButton::clicked, this, &TfrmNewConexion::Button2Click);

    setFixedSize(434, 150);
}

TfrmNewConexion::~TfrmNewConexion() = default;

QString TfrmNewConexion::rutaCatalogo() const
{
    return m_rutaFija.isEmpty() ? catalogo::RutaCatalogo() : m_rutaFija;
}

bool TfrmNewConexion::modoNuevo() const
{
    return edNombre->isEnabled();
}

void TfrmNewConexion::ModoNuevo()
{
    TipoConexion->setCurrentIndex(1);
    Protocolo->setCurrentIndex(0);
    edNombre->clear();
    edServidor->clear();
    edCarpeta->setText(kCarpetaPropuesta);
    edNombre->setEnabled(true);
    TipoConexionChange();
}

void TfrmNewConexion::ModoExistente(const QString& nombre)
{
    edNombre->setText(nombre);
    edNombre->setEnabled(false);
}

void TfrmNewConexion::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    platform::guarded(this, [this] { FormShow(); });
}

void TfrmNewConexion::FormShow()
{
    const QString ruta = rutaCatalogo();
    const QString nombre = edNombre->text();
    // A name that cannot be an element is in no file; the add will say what is wrong with it.
    if (nombre.isEmpty() || !catalogo::ErrorDeNombre(nombre).isEmpty() || !QFileInfo::exists(ruta))
        return;
    const std::optional<catalogo::ValoresConexion> valores = catalogo::LeerXmlConexionEditor(ruta, nombre);
    if (!valores) {
        if (!modoNuevo())
            platform::showMessage(
                this, QStringLiteral("La conexión «%1» no está en el archivo de conexiones «%2».").arg(nombre, ruta),
                platform::kMessageTitle, platform::Icon::Warning);
        return;
    }
    TipoConexion->setCurrentIndex(valores->tipoAcceso);
    // A remote connection stored without a valid protocol attaches over TCP/IP: show that.
    Protocolo->setCurrentIndex(catalogo::ProtocoloValido(valores->tipoAcceso, valores->protocolo));
    edServidor->setText(valores->servidor);
    edCarpeta->setText(valores->carpeta);
    TipoConexionChange();
}

void TfrmNewConexion::TipoConexionChange()
{
    const bool remota = TipoConexion->currentIndex() == kRemota;
    edServidor->setEnabled(remota);
    Protocolo->setEnabled(remota);
}

void TfrmNewConexion::btnAceptarClick()
{
    const QString ruta = rutaCatalogo();
    const QString nombre = edNombre->text();
    // Checked before the file is created, so a refused name leaves no trace.
    const QString problema = catalogo::ErrorDeNombre(nombre);
    if (!problema.isEmpty()) {
        platform::showMessage(this, problema, platform::kMessageTitle, platform::Icon::Warning);
        if (edNombre->isEnabled())
            edNombre->setFocus();
        return;
    }

    // The boxes are written as they stand, disabled ones included: the code of the choice each
    // one shows (an initial text counts as its choice), and for a remote connection always a
    // protocol the ERP knows. The boxes then show exactly what was written.
    const int tipo = codigoMostrado(TipoConexion);
    const int protocolo = catalogo::ProtocoloValido(tipo, codigoMostrado(Protocolo));
    if (tipo >= 0)
        TipoConexion->setCurrentIndex(tipo);
    if (protocolo >= 0)
        Protocolo->setCurrentIndex(protocolo);
    const catalogo::ValoresConexion valores{tipo, edServidor->text(), protocolo, edCarpeta->text()};
    if (modoNuevo()) {
        if (!QFileInfo::exists(ruta))
            catalogo::CrearArchivo(ruta);
        catalogo::GrabarXmlConexion(ruta, nombre, valores);
    } else {
        catalogo::ModificarConexion(ruta, nombre, valores);
    }
    accept();
}

void TfrmNewConexion::Button1Click()
{
    reject();
}

void TfrmNewConexion::Button2Click()
{
    catalogo::EliminarConexion(rutaCatalogo(), edNombre->text());
}
