#include "Arranque.h"

#include "Generador.h"
#include "Medidas.h"
#include "Retardo.h"
#include "app/Lumivo.h"
#include "connections/CatalogoConexiones.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"
#include "tests/support/TestDatabases.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <stdexcept>

namespace bench {
namespace {

constexpr int kListo = 0;
constexpr int kFallo = 3;
constexpr int kGuardia = 4;

// Plays `accion` inside a dialog's modal loop once it has been shown (after the dialog's own
// queued work), then rejects the dialog if it is still open so that a failed step ends the run.
class AlAbrirse : public QObject {
public:
    AlAbrirse(QDialog& dialogo, std::function<void()> accion)
        : m_dialogo(&dialogo)
        , m_accion(std::move(accion))
    {
        dialogo.installEventFilter(this);
    }
    double ms = -1; // when it was shown

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && watched == m_dialogo) {
            ms = msMonotonico();
            QTimer::singleShot(0, this, [this] {
                QTimer::singleShot(0, this, [this] {
                    if (m_accion)
                        std::exchange(m_accion, nullptr)();
                    if (m_dialogo && m_dialogo->isVisible())
                        m_dialogo->reject();
                });
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QPointer<QDialog> m_dialogo;
    std::function<void()> m_accion;
};

QString datoDe(const QString& salida, const QString& nombre)
{
    for (const QString& parte : salida.split(QLatin1Char(' '))) {
        if (parte.startsWith(nombre + QLatin1Char('=')))
            return parte.mid(nombre.size() + 1);
    }
    return {};
}

} // namespace

int hijoArranque(int argc, char* argv[])
{
    const double entrada = msMonotonico();
    // What app/main.cpp does, in its order.
    QApplication app(argc, argv);
    platform::installQtTranslations();
    platform::registerFonts();
    platform::applyStyle(app, QStringLiteral("Zantor 2022"));
    QApplication::setApplicationName(QStringLiteral("Lumivo"));
    QApplication::setApplicationVersion(platform::programVersion());
    const double qt = msMonotonico();

    // A message box would wait for a person: it is recorded and fails the run instead.
    platform::RecordingNotifier avisos;
    Lumivo lumivo;
    TfrmConsulta& w = lumivo.frmConsulta;
    const QString contrasena = QStringLiteral("masterkey");
    QString falla;
    double aceptada = -1; // Enter on the company

    AlAbrirse alLogin(lumivo.frmLogear, [&] {
        TfrmLogear& login = lumivo.frmLogear;
        auto* pass = login.findChild<QLineEdit*>(QStringLiteral("edPass"));
        if (!pass || login.focusWidget() != pass) {
            falla = QStringLiteral("the login window did not wait in its password field");
            return;
        }
        QTest::keyClicks(pass, contrasena);
        QTest::keyClick(pass, Qt::Key_Return);
        QTest::keyClick(login.focusWidget(), Qt::Key_Return);
    });
    AlAbrirse alEmpresa(lumivo.frmEmpresa, [&] {
        auto* lista = lumivo.frmEmpresa.findChild<QListWidget*>(QStringLiteral("LT"));
        if (!lista || lista->count() == 0) {
            falla = QStringLiteral("the company window listed no company");
            return;
        }
        QTest::keyClick(lista, Qt::Key_Home);
        if (lista->currentItem()->text() != QLatin1String("DEMO")) {
            falla = QStringLiteral("DEMO is not the first company");
            return;
        }
        aceptada = msMonotonico();
        QTest::keyClick(lista, Qt::Key_Return);
        // Runs once the start-up that this window's loop interrupted has returned.
        QTimer::singleShot(0, &w, [&] {
            const double listo = msMonotonico();
            auto* clave = w.findChild<QLineEdit*>(QStringLiteral("edClave"));
            auto* nombre = w.findChild<QLabel*>(QStringLiteral("lblNombreArticulo"));
            if (QApplication::activeModalWidget() || !lumivo.dm.fdConexion.isOpen() || !w.isVisible() || !clave ||
                w.focusWidget() != clave || !nombre || nombre->isVisible() || !lumivo.sesion.EmpresaSeleccionada) {
                falla = QStringLiteral("the main window is not waiting for a scan");
                QCoreApplication::exit(kFallo);
                return;
            }
            std::printf("listo qt=%.1f login=%.1f empresa=%.1f aceptada=%.1f fin=%.1f base=%.3f\n", qt - entrada,
                        alLogin.ms - entrada, alEmpresa.ms - entrada, aceptada - entrada, listo - entrada, entrada);
            std::fflush(stdout);
            QCoreApplication::exit(kListo);
        });
    });
    // Any other window would mean a start-up other than the everyday one.
    AlAbrirse configuracion(lumivo.frmConfiguracion,
                            [&] { falla = QStringLiteral("the configuration window opened"); });

    QTimer guardia;
    guardia.setSingleShot(true);
    QObject::connect(&guardia, &QTimer::timeout, [] { QCoreApplication::exit(kGuardia); });
    guardia.start(60000);
    w.show();
    int r = QApplication::exec();
    for (const platform::RecordingNotifier::Message& m : avisos.messages)
        falla += QStringLiteral(" [%1] %2").arg(m.title, m.text);
    if (!falla.isEmpty()) {
        std::fprintf(stderr, "lumivo-bench --hijo-arranque: %s\n", qPrintable(falla));
        r = r == kListo ? kFallo : r;
    } else if (r == kGuardia) {
        std::fprintf(stderr, "lumivo-bench --hijo-arranque: the start-up did not finish in 60 s\n");
    }
    return r;
}

Arranques arrancar(const QString& carpeta, const QString& datos, int tipoAcceso, const QString& servidor, int corridas,
                   const Retardo* retardo)
{
    QTemporaryDir dir(QDir(carpeta).filePath(QStringLiteral("arranque-XXXXXX")));
    if (!dir.isValid())
        throw std::runtime_error("cannot create the start-up folder");
    // The child's common data folder (the catalogue file) and per-user settings.
    const QString comun = dir.filePath(QStringLiteral("comun"));
    const QString catalogoConexiones = catalogo::RutaCatalogo(comun);
    QDir().mkpath(QFileInfo(catalogoConexiones).path());
    catalogo::CrearArchivo(catalogoConexiones);
    catalogo::GrabarXmlConexion(catalogoConexiones, QStringLiteral("Bench"),
                                {tipoAcceso, servidor, 0, datos + QLatin1Char('/')});
    const QString estacion = dir.filePath(QStringLiteral("estacion"));
    QDir().mkpath(estacion);
    QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
    entorno.insert(QStringLiteral("XDG_DATA_HOME"), comun);
    entorno.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("usuario")));
    entorno.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));

    Arranques r;
    for (int i = 0; i <= corridas; ++i) {
        QProcess p;
        p.setProcessEnvironment(entorno);
        p.setWorkingDirectory(estacion);
        QElapsedTimer t;
        t.start();
        p.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--hijo-arranque"), datos});
        QString salida;
        double ms = -1;
        while (ms < 0 && (p.canReadLine() || p.waitForReadyRead(90000))) {
            while (p.canReadLine()) {
                salida = QString::fromUtf8(p.readLine()).trimmed();
                if (salida.startsWith(QLatin1String("listo"))) {
                    ms = msDesde(t);
                    break;
                }
            }
        }
        if (!p.waitForFinished(30000))
            p.kill();
        if (ms < 0 || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
            ++r.errores;
            std::fprintf(stderr, "  inesperado: el arranque %d no llegó a la pantalla lista (salida %d)\n%s", i,
                         p.exitCode(), p.readAllStandardError().constData());
            continue;
        }
        if (i == 0) {
            r.primera = ms; // it also fills the system's caches
            continue;
        }
        r.total.push_back(ms);
        r.qt.push_back(datoDe(salida, QStringLiteral("qt")).toDouble());
        r.login.push_back(datoDe(salida, QStringLiteral("login")).toDouble());
        r.empresa.push_back(datoDe(salida, QStringLiteral("empresa")).toDouble());
        r.hastaListo.push_back(datoDe(salida, QStringLiteral("fin")).toDouble());
        const double aceptada = datoDe(salida, QStringLiteral("aceptada")).toDouble();
        const double fin = datoDe(salida, QStringLiteral("fin")).toDouble();
        r.desdeAceptada.push_back(fin - aceptada);
        if (retardo) {
            const double base = datoDe(salida, QStringLiteral("base")).toDouble();
            const std::vector<Retardo::Conexion> conexiones = retardo->conexiones();
            const std::vector<std::uint64_t> turnos = retardo->turnosEntre(base + aceptada, base + fin);
            double principal = -1, previas = 0, otras = 0;
            for (std::size_t c = 0; c < conexiones.size() && c < turnos.size(); ++c) {
                // A connection's first turn is its first bytes.
                const std::vector<double>& m = conexiones[c].momentos;
                if (m.empty())
                    continue;
                if (m.front() < base + aceptada)
                    previas += double(turnos[c]);
                else if (principal < 0)
                    principal = double(turnos[c]);
                else
                    otras += double(turnos[c]);
            }
            r.turnosPrincipal.push_back(std::max(principal, 0.0));
            r.turnosPrevias.push_back(previas);
            r.turnosOtras.push_back(otras);
        }
    }
    return r;
}

int medirArranque(const QString& carpeta, int articulos, int corridas)
{
    const QString ruta = asegurarEmpresa(carpeta, articulos);
    QTemporaryDir dir(QDir(carpeta).filePath(QStringLiteral("arranque-XXXXXX")));
    if (!dir.isValid())
        throw std::runtime_error("cannot create the start-up folder");
    // A data folder as a shop's: System/Config.fdb and the company, here the generated one.
    const QString datos = dir.filePath(QStringLiteral("datos"));
    testsupport::systemDatabase(datos);
    if (!QFile::link(ruta, datos + QStringLiteral("/DEMO.fdb")))
        throw std::runtime_error("cannot link the company database into the data folder");

    const QString carga = cargaDelSistema();
    const Arranques a = arrancar(carpeta, datos, 1, QString(), corridas);
    std::printf("\nArranque hasta la pantalla lista (%d artículos, %zu corridas tras una de calentamiento), "
                "carga %s -> %s; meta 1500 ms\n",
                articulos, a.total.size(), qPrintable(carga), qPrintable(cargaDelSistema()));
    linea("proceso iniciado -> \"listo\"", percentiles(a.total));
    std::printf("  %-38s %7.2f ms\n", "la de calentamiento", a.primera);
    std::printf("  dentro del proceso, desde main() (p50):\n");
    linea("  QApplication, fuentes y estilo", percentiles(a.qt));
    linea("  -> ventana de acceso mostrada", percentiles(a.login));
    linea("  -> ventana de empresas mostrada", percentiles(a.empresa));
    linea("  -> pantalla limpia esperando", percentiles(a.hastaListo));
    if (a.errores)
        std::printf("  ERRORES: %d arranques fallaron\n", a.errores);
    std::fflush(stdout);
    return a.errores;
}

} // namespace bench
