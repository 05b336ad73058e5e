#include "uEmpresa.h"

#include "EmpresasUsuario.h"
#include "ParametrosConexion.h"
#include "data/DatosConexion.h"
#include "data/uDM.h"
#include "platform/ErrorReport.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"

#include <QCollator>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <algorithm>

const QString TfrmEmpresa::kErrorConexion = QStringLiteral("Error al tratar de realizar la conexión");

namespace {

const QString kSeccion = QStringLiteral("Conexion");
const QString kClaveEmpresa = QStringLiteral("Empresa");

} // namespace

QStringList EmpresasDelUsuario(fb::Transaction& transaccion, const QString& usuario)
{
    fb::Query q(transaccion);
    empresas::abrirUsuario(q, usuario);
    QString acceso;
    int usuarioId = 0;
    if (q.next()) {
        acceso = q.value(QStringLiteral("ACCESO_EMPRESAS")).toString();
        usuarioId = q.value(QStringLiteral("USUARIO_ID")).toInt();
    }
    if (acceso == QLatin1String("T") || usuario.toUpper() == QLatin1String("SYSDBA"))
        empresas::abrirTodas(q);
    else
        empresas::abrirDelUsuario(q, usuarioId);
    QStringList lista;
    while (q.next())
        lista << q.value(0).toString();
    q.close();
    return lista;
}

TfrmEmpresa::TfrmEmpresa(Tdm& dm, Sesion& sesion, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , m_dm(dm)
    , m_sesion(sesion)
{
    setObjectName(QStringLiteral("frmEmpresa"));
    setWindowTitle(QStringLiteral("Seleccione la Empresa"));
    setModal(true);
    setFont(platform::tahomaPoints(8));
    setAutoFillBackground(true);
    QPalette blanco = palette();
    blanco.setColor(QPalette::Window, Qt::white);
    setPalette(blanco);

    Label1 = new QLabel(QStringLiteral("Seleccione la empresa con la que desea trabajar"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(8, 5);
    Label1->adjustSize();

    LT = new QListWidget(this);
    LT->setObjectName(QStringLiteral("LT"));
    LT->setGeometry(8, 24, 233, 163);
    LT->setSelectionMode(QAbstractItemView::SingleSelection);
    LT->installEventFilter(this);
    LT->viewport()->installEventFilter(this);

    btnAceptar = new QPushButton(QStringLiteral("Aceptar"), this);
    btnAceptar->setObjectName(QStringLiteral("btnAceptar"));
    btnAceptar->setGeometry(247, 25, 75, 25);
    btnCancel = new QPushButton(QStringLiteral("Cancelar"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setGeometry(247, 56, 75, 25);

    QWidget::setTabOrder(LT, btnAceptar);
    QWidget::setTabOrder(btnAceptar, btnCancel);

    platform::connectGuarded(btnAceptar, &QPushButton::clicked, this, &TfrmEmpresa::btnAceptarClick);
    platform::connectGuarded(btnCancel, &QPushButton::clicked, this, &TfrmEmpresa::btnCancelClick);

    setFixedSize(336, 192);
}

TfrmEmpresa::~TfrmEmpresa() = default;

void TfrmEmpresa::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    platform::guarded(this, [this] { FormShow(); });
}

bool TfrmEmpresa::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == LT && event->type() == QEvent::KeyPress) {
        const int tecla = static_cast<QKeyEvent*>(event)->key();
        if (tecla == Qt::Key_Return || tecla == Qt::Key_Enter) {
            platform::guarded(this, [this] { btnAceptarClick(); });
            return true;
        }
    }
    if (watched == LT->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        // The press before it has already selected the row under the pointer.
        platform::guarded(this, [this] { btnAceptarClick(); });
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmEmpresa::FormShow()
{
    LT->clear();
    try {
        llenarLista();
    } catch (...) {
        platform::showMessage(this, kErrorConexion, QString(), platform::Icon::Error);
        throw;
    }

    const int posicion = m_dm.ConfigIni_int(kSeccion, kClaveEmpresa, 0);
    if (posicion >= 0 && posicion < LT->count()) {
        LT->setCurrentRow(posicion);
    } else {
        LT->setCurrentRow(-1);
        LT->clearSelection();
    }
    btnAceptar->setFocus();
}

void TfrmEmpresa::llenarLista()
{
    const DatosConexion& datos = m_sesion.datos;
    fdConexion.close();
    fdConexion.setParams(ParametrosConexion(datos.RutaSistema, datos));
    fdConexion.open();
    fdTrans.start();

    empresas::abrirUsuario(fdQuery, datos.Usuario);
    QString acceso;
    int usuarioId = 0;
    if (fdQuery.next()) {
        acceso = fdQuery.value(QStringLiteral("ACCESO_EMPRESAS")).toString();
        usuarioId = fdQuery.value(QStringLiteral("USUARIO_ID")).toInt();
    }
    fdQuery.close();

    if (acceso == QLatin1String("T") || datos.Usuario.toUpper() == QLatin1String("SYSDBA"))
        empresas::abrirTodas(fdQuery);
    else
        empresas::abrirDelUsuario(fdQuery, usuarioId);
    // A link to a company that no longer exists gives NULL: an empty entry that only beeps.
    while (fdQuery.next())
        agregarOrdenado(fdQuery.value(0).toString());
    fdQuery.close();
}

// Kept sorted as it fills, so a failure half-way still leaves a sorted list to choose from.
void TfrmEmpresa::agregarOrdenado(const QString& nombre)
{
    QCollator orden;
    orden.setCaseSensitivity(Qt::CaseInsensitive);
    const auto antes = [&orden](const QString& a, const QString& b) {
        const int comparacion = orden.compare(a, b);
        return comparacion != 0 ? comparacion < 0 : a < b;
    };
    int fila = 0;
    while (fila < LT->count() && !antes(nombre, LT->item(fila)->text()))
        ++fila;
    LT->insertItem(fila, nombre);
}

void TfrmEmpresa::btnAceptarClick()
{
    DatosConexion& datos = m_sesion.datos;
    const QListWidgetItem* elegida = LT->currentItem();
    if (elegida && elegida->isSelected())
        datos.Empresa = elegida->text();
    if (datos.Empresa.isEmpty()) {
        platform::beep();
        return;
    }
    m_dm.ConfigIni_intW(kSeccion, kClaveEmpresa, elegida && elegida->isSelected() ? LT->row(elegida) : -1);
    fdConexion.close();
    m_sesion.EmpresaSeleccionada = true;
    accept();
}

void TfrmEmpresa::btnCancelClick()
{
    reject();
}

void TfrmEmpresa::reject()
{
    m_sesion.EmpresaSeleccionada = false;
    QDialog::reject();
}
