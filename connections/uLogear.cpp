#include "uLogear.h"

#include "CatalogoConexiones.h"
#include "ParametrosConexion.h"
#include "data/DatosConexion.h"
#include "data/uDM.h"
#include "firebird/Error.h"
#include "platform/ErrorReport.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"
#include "uNewConexion.h"

#include <QAction>
#include <QComboBox>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QStyle>
#include <QTimer>
#include <algorithm>

const QString TfrmLogear::kSinCatalogo =
    QStringLiteral("No hay conexiones: el archivo de conexiones «%1» no existe.\n"
                   "Para crear la primera conexión pulse «Aceptar» o elija «Nueva Conexión» en el menú del cuadro "
                   "«Conexión» (botón derecho del ratón). «Cancelar» cierra el programa.");

namespace {

const QString kSeccion = QStringLiteral("Conexion");
const QString kClaveUsuario = QStringLiteral("Usuario");
const QString kClaveConexion = QStringLiteral("Conexion");
const QString kUsuarioPorDefecto = QStringLiteral("SYSDBA");
const QString kPrefijoVersion = QStringLiteral("Zantor Lumivo 2026 v");
const QColor kColorTitulo(42, 63, 84);
const QColor kNaranja(249, 125, 49);

QLabel* etiqueta(QWidget* padre, const char* nombre, const QString& texto, QPoint posicion)
{
    auto* l = new QLabel(texto, padre);
    l->setObjectName(QString::fromLatin1(nombre));
    l->setFont(platform::tahomaPoints(9));
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, Qt::black);
    l->setPalette(p);
    l->move(posicion);
    l->adjustSize();
    return l;
}

QPixmap logotipo(QSize tamano)
{
    QPixmap pm(tamano);
    pm.fill(kColorTitulo);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(kNaranja);
    QFont f = platform::tahomaPoints(8, true);
    f.setPixelSize(tamano.height() - 4);
    p.setFont(f);
    p.drawText(pm.rect(), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Lumivo"));
    return pm;
}

bool esEnter(const QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const int tecla = static_cast<const QKeyEvent*>(event)->key();
    return tecla == Qt::Key_Return || tecla == Qt::Key_Enter;
}

} // namespace

QString VersionMostrada(const QString& versionArchivo)
{
    const QStringList partes = versionArchivo.split(QLatin1Char('.'));
    QStringList numeros;
    for (qsizetype i = 0; i < 3; ++i) {
        bool correcto = false;
        const uint numero = i < partes.size() ? partes.at(i).toUInt(&correcto) : 0;
        numeros << QString::number(correcto ? numero : 0);
    }
    return numeros.join(QLatin1Char('.'));
}

QString RutaSistemaMostrada(const DatosConexion& datos)
{
    const QChar separador = datos.CarpetaDatos.endsWith(QLatin1Char('/')) ? QLatin1Char('/') : QLatin1Char('\\');
    return datos.RutaMostrada + QStringLiteral("System") + separador + QStringLiteral("Config.fdb");
}

TfrmLogear::TfrmLogear(Tdm& dm, Sesion& sesion, TfrmNewConexion& editor, const QString& rutaCatalogo, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , m_dm(dm)
    , m_sesion(sesion)
    , m_editor(editor)
    , m_rutaFija(rutaCatalogo)
{
    setObjectName(QStringLiteral("frmLogear"));
    setWindowTitle(QStringLiteral("Bienvenido"));
    setModal(true);
    setFont(platform::tahomaPoints(8));
    setAutoFillBackground(true);
    QPalette blanco = palette();
    blanco.setColor(QPalette::Window, Qt::white);
    setPalette(blanco);

    pTitulo = new QWidget(this);
    pTitulo->setObjectName(QStringLiteral("pTitulo"));
    pTitulo->setGeometry(0, 0, 410, 73);
    pTitulo->setAutoFillBackground(true);
    QPalette banda = pTitulo->palette();
    banda.setColor(QPalette::Window, kColorTitulo);
    pTitulo->setPalette(banda);

    Image1 = new QLabel(pTitulo);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(23, 23, 120, 27);
    Image1->setPixmap(logotipo(Image1->size()));

    Label5 = etiqueta(this, "Label5", QStringLiteral("Escriba los datos de accesos para iniciar la sesiòn"), {8, 79});

    edUsuario = new QLineEdit(this);
    edUsuario->setObjectName(QStringLiteral("edUsuario"));
    edUsuario->setGeometry(126, 99, 160, 21);
    Label1 = etiqueta(this, "Label1", QStringLiteral("&Nombre de usuario:"), {8, 104});
    Label1->setBuddy(edUsuario);

    cboConexion = new QComboBox(this);
    cboConexion->setObjectName(QStringLiteral("cboConexion"));
    cboConexion->setGeometry(126, 129, 160, 21);
    cboConexion->setEditable(true);
    // Enter moves on; it must never add the typed text as a connection.
    cboConexion->setInsertPolicy(QComboBox::NoInsert);
    Label2 = etiqueta(this, "Label2", QStringLiteral("Cone&xión:"), {8, 131});
    Label2->setBuddy(cboConexion);

    edPass = new QLineEdit(this);
    edPass->setObjectName(QStringLiteral("edPass"));
    edPass->setGeometry(126, 156, 160, 21);
    edPass->setEchoMode(QLineEdit::Password);
    Label3 = etiqueta(this, "Label3", QStringLiteral("&Contraseña:"), {8, 158});
    Label3->setBuddy(edPass);

    btnAceptar = new QPushButton(QStringLiteral("Aceptar"), this);
    btnAceptar->setObjectName(QStringLiteral("btnAceptar"));
    btnAceptar->setGeometry(303, 87, 91, 31);
    btnCancel = new QPushButton(QStringLiteral("Cancelar"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setGeometry(303, 124, 91, 31);

    lblVersion = new QLabel(this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblVersion->setFont(platform::tahomaPoints(8, true));
    lblVersion->move(8, 183);

    lblAviso = new QLabel(this);
    lblAviso->setObjectName(QStringLiteral("lblAviso"));
    lblAviso->setGeometry(8, 203, 394, 18);
    QPalette rojo = lblAviso->palette();
    rojo.setColor(QPalette::WindowText, QColor(176, 0, 0));
    lblAviso->setPalette(rojo);
    lblAviso->setWordWrap(true);
    lblAviso->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblAviso->hide();

    QWidget::setTabOrder(edUsuario, cboConexion);
    QWidget::setTabOrder(cboConexion, edPass);
    QWidget::setTabOrder(edPass, btnAceptar);
    QWidget::setTabOrder(btnAceptar, btnCancel);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    NuevaConexin1 = PopupMenu1->addAction(style()->standardIcon(QStyle::SP_FileIcon), QStringLiteral("Nueva Conexión"));
    NuevaConexin1->setObjectName(QStringLiteral("NuevaConexin1"));
    AbrirConexin1 =
        PopupMenu1->addAction(style()->standardIcon(QStyle::SP_DirOpenIcon), QStringLiteral("Abrir Conexión"));
    AbrirConexin1->setObjectName(QStringLiteral("AbrirConexin1"));
    platform::connectGuarded(NuevaConexin1, &QAction::triggered, this, &TfrmLogear::NuevaConexin1Click);
    platform::connectGuarded(AbrirConexin1, &QAction::triggered, this, &TfrmLogear::AbrirConexin1Click);
    // An editable box's right click lands on its line edit, which has a menu of its own.
    for (QWidget* w : {static_cast<QWidget*>(cboConexion), static_cast<QWidget*>(cboConexion->lineEdit())}) {
        w->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(w, &QWidget::customContextMenuRequested, this,
                [this, w](const QPoint& posicion) { PopupMenu1->popup(w->mapToGlobal(posicion)); });
    }

    for (QWidget* w : {static_cast<QWidget*>(edUsuario), static_cast<QWidget*>(cboConexion),
                       static_cast<QWidget*>(cboConexion->lineEdit()), static_cast<QWidget*>(edPass)})
        w->installEventFilter(this);

    platform::connectGuarded(btnAceptar, &QPushButton::clicked, this, &TfrmLogear::EstableceConexion);
    platform::connectGuarded(btnCancel, &QPushButton::clicked, this, &TfrmLogear::btnCancelClick);

    setFixedSize(410, 203);
}

TfrmLogear::~TfrmLogear() = default;

QString TfrmLogear::rutaCatalogo() const
{
    return m_rutaFija.isEmpty() ? catalogo::RutaCatalogo() : m_rutaFija;
}

void TfrmLogear::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    m_activacionPendiente = true;
    platform::guarded(this, [this] { FormShow(); });
    // Some window systems never activate a new window; the list must be there all the same.
    QTimer::singleShot(0, this, [this] {
        if (m_activacionPendiente && isVisible()) {
            m_activacionPendiente = false;
            platform::guarded(this, [this] { FormActivate(); });
        }
    });
}

// Only the first activation after showing counts here; the editor's closing reloads the list
// itself. Coming back from a message box is no activation: reloading then would repeat a
// message about the catalogue file forever.
bool TfrmLogear::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate && m_activacionPendiente) {
        m_activacionPendiente = false;
        const bool resultado = QDialog::event(event);
        platform::guarded(this, [this] { FormActivate(); });
        return resultado;
    }
    return QDialog::event(event);
}

bool TfrmLogear::eventFilter(QObject* watched, QEvent* event)
{
    if (esEnter(event)) {
        focusNextChild();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

// Escape does not close the login: only "Cancelar" and the close box end it.
void TfrmLogear::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TfrmLogear::FormShow()
{
    lblVersion->setText(kPrefijoVersion + VersionMostrada(platform::programVersion()));
    lblVersion->adjustSize();
    // A stored automatic start that was not used says why, below the fields.
    const QString aviso = m_sesion.AvisoLogin;
    // Wrapped whole, never cut: the middle of it (a path, the reason) is what the operator needs.
    // A path breaks after its separators.
    QString partido = aviso;
    partido.replace(u'/', QStringLiteral("/\u200B"));
    lblAviso->setText(partido);
    lblAviso->setToolTip(aviso);
    lblAviso->setVisible(!aviso.isEmpty());
    const int alto = aviso.isEmpty() ? 0 : std::max(18, lblAviso->heightForWidth(lblAviso->width()));
    lblAviso->resize(lblAviso->width(), alto);
    setFixedSize(410, aviso.isEmpty() ? 203 : 207 + alto);
    edUsuario->setText(m_dm.ConfigIni_str(kSeccion, kClaveUsuario, kUsuarioPorDefecto));
    edPass->setFocus();
}

void TfrmLogear::FormActivate()
{
    if (m_activando || m_editorAbierto)
        return;
    const QScopedValueRollback activando(m_activando, true);

    cboConexion->clear();
    const QString ruta = rutaCatalogo();
    if (!QFileInfo::exists(ruta)) {
        if (m_sinCatalogo)
            return;
        mostrarEditor();
        if (!QFileInfo::exists(ruta))
            return;
    }
    cboConexion->addItems(catalogo::LeerXML2018(ruta, this));
    const int posicion = m_dm.ConfigIni_int(kSeccion, kClaveConexion, 0);
    cboConexion->setCurrentIndex(posicion >= 0 && posicion < cboConexion->count() ? posicion : -1);
}

void TfrmLogear::mostrarEditor()
{
    {
        const QScopedValueRollback abierto(m_editorAbierto, true);
        m_editor.exec();
    }
    const QString ruta = rutaCatalogo();
    if (QFileInfo::exists(ruta)) {
        m_sinCatalogo = false;
    } else if (!m_sinCatalogo) {
        m_sinCatalogo = true;
        platform::showMessage(this, kSinCatalogo.arg(ruta), platform::kMessageTitle, platform::Icon::Warning);
    }
}

// The typed text counts as a choice only when it is one of the entries.
int TfrmLogear::posicionElegida() const
{
    const QString texto = cboConexion->currentText();
    const int actual = cboConexion->currentIndex();
    if (actual >= 0 && cboConexion->itemText(actual) == texto)
        return actual;
    return cboConexion->findText(texto, Qt::MatchExactly | Qt::MatchCaseSensitive);
}

void TfrmLogear::EstableceConexion()
{
    const QString ruta = rutaCatalogo();
    // Without a catalogue there is nothing to connect to: the way on is a first connection.
    if (!QFileInfo::exists(ruta)) {
        mostrarEditor();
        FormActivate();
        return;
    }

    DatosConexion& datos = m_sesion.datos;
    catalogo::LeerXmlConexion(ruta, cboConexion->currentText(), datos);
    datos.Usuario = edUsuario->text().toUpper();
    datos.Contrasena = edPass->text();
    datos.RutaSistema = RutaSistema(datos.CarpetaDatos);
    const QStringList parametros = ParametrosConexion(datos.RutaSistema, datos);

    m_dm.ConfigIni_strW(kSeccion, kClaveUsuario, edUsuario->text());
    m_dm.ConfigIni_intW(kSeccion, kClaveConexion, posicionElegida());

    try {
        m_dm.conectarSistema(parametros);
    } catch (const fb::Error&) {
        platform::showMessage(this,
                              QStringLiteral("Error al tratar de realizar la conexión\n"
                                             "Verifique su conexion,Nombre de usuario y contraseña.\n") +
                                  RutaSistemaMostrada(datos),
                              QString(), platform::Icon::Error);
        return;
    }
    m_sesion.LoginCorrecto = true;
    m_sesion.Conexion = cboConexion->currentText();
    accept();
}

void TfrmLogear::NuevaConexin1Click()
{
    m_editor.ModoNuevo();
    mostrarEditor();
    FormActivate();
}

void TfrmLogear::AbrirConexin1Click()
{
    const QString conexion = cboConexion->currentText();
    if (conexion.isEmpty()) {
        platform::showMessage(this, QStringLiteral("Elija primero la conexión que desea abrir."),
                              platform::kMessageTitle, platform::Icon::Information);
        return;
    }
    m_editor.ModoExistente(catalogo::NombreParaEditar(conexion));
    mostrarEditor();
    FormActivate();
}

void TfrmLogear::btnCancelClick()
{
    reject();
}
