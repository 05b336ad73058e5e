#include "tests/support/EstacionPrueba.h"

#include "app/Lumivo.h"
#include "platform/MessageBox.h"
#include "tests/support/ArranqueManual.h"
#include "tests/support/EmpresaInstalada.h"
#include "tests/support/PrivateServer.h"

#include <QAction>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

namespace testsupport {

EstacionPrueba::EstacionPrueba()
    : m_dir(std::make_unique<QTemporaryDir>())
{
    if (!m_dir->isValid())
        return;
    QDir::setCurrent(m_dir->path());
    m_rutaEmpresa = pruebas::empresaInstalada(m_dir->path());
    m_avisos = std::make_unique<platform::RecordingNotifier>();
}

EstacionPrueba::EstacionPrueba(PrivateServer& servidor)
    : m_dir(std::make_unique<QTemporaryDir>())
    , m_servidor(&servidor)
{
    if (!m_dir->isValid())
        return;
    QDir::setCurrent(m_dir->path());
    // A file the embedded engine never opens: only the private server attaches to it.
    m_rutaEmpresa = pruebas::empresaInstalada(servidor.dataFolder());
    m_avisos = std::make_unique<platform::RecordingNotifier>();
}

EstacionPrueba::~EstacionPrueba()
{
    m_app.reset();
    m_avisos.reset();
    QDir::setCurrent(QDir::tempPath());
    m_dir.reset();
}

bool EstacionPrueba::valida() const
{
    return m_dir->isValid() && !m_rutaEmpresa.isEmpty();
}

Lumivo& EstacionPrueba::crear(const QString& rutaContrasena)
{
    m_app.reset();
    m_app = std::make_unique<Lumivo>(ArranqueManual::llave(), rutaContrasena);
    return *m_app;
}

void EstacionPrueba::destruir()
{
    m_app.reset();
}

bool EstacionPrueba::abrir(const Apertura& apertura)
{
    if (!m_app)
        crear();
    DatosConexion& d = m_app->sesion.datos;
    if (m_servidor) {
        d.TipoAcceso = QStringLiteral("0");
        d.ProtocoloRed = QStringLiteral("0");
        d.Servidor = m_servidor->serverName();
        d.CarpetaDatos = m_servidor->dataFolder() + u'/';
        d.RutaSistema = m_servidor->dataFolder() + QStringLiteral("/System/Config.fdb");
    } else {
        d.TipoAcceso = QStringLiteral("1");
        d.CarpetaDatos = m_dir->path() + u'/';
    }
    d.Empresa = QStringLiteral("DEMO");
    d.Usuario = QStringLiteral("SYSDBA");
    d.Contrasena = QStringLiteral("masterkey");

    TfrmConsulta& w = m_app->frmConsulta;
    w.Conexion();
    if (apertura.cargarInfo && apertura.cargarAntesDeMostrar)
        w.CargarInfo();
    w.show();
    if (apertura.activa) {
        w.activateWindow();
        if (!QTest::qWaitForWindowActive(&w)) {
            qWarning("the main window did not become active");
            return false;
        }
    } else if (!QTest::qWaitForWindowExposed(&w)) {
        qWarning("the main window was not exposed");
        return false;
    }
    w.findChild<QAction*>(QStringLiteral("Disear1"))->setChecked(false);
    if (apertura.cargarInfo && !apertura.cargarAntesDeMostrar)
        w.CargarInfo();
    if (apertura.antesDeLimpiar)
        apertura.antesDeLimpiar();
    w.Limpiar();
    return true;
}

} // namespace testsupport
