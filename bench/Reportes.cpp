#include "Reportes.h"

#include "Generador.h"
#include "Medidas.h"
#include "data/uDM.h"
#include "firebird/Connection.h"
#include "firebird/Query.h"
#include "firebird/Transaction.h"
#include "reports/ConsultasReportes.h"
#include "reports/uReportes.h"
#include "tests/support/RegistroConsultas.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <cstdio>
#include <functional>
#include <stdexcept>

namespace bench {

namespace {

constexpr int kArticulos = 10000;
constexpr int kEstaciones = 12;

// In the blocks' bodies a variable is written ": name": the firebird layer takes ":name" for a
// parameter of the statement.
// The log written by the server itself: a few per cent of keys unknown or misread out of a pool of
// 5,000, the rest found, most often among the first articles (a shop's best sellers).
const QString kSqlLlenar = QStringLiteral(
    "execute block (n integer = :n, fin timestamp = :fin, primero integer = :primero, articulos integer = "
    ":articulos,\n"
    "  estaciones integer = :estaciones)\n"
    "as\n"
    "declare i integer = 0;\n"
    "declare x double precision;\n"
    "begin\n"
    "  while (i < n) do\n"
    "  begin\n"
    "    x = rand();\n"
    "    insert into ZANTOR_LMV_CONSULTAS (FECHA_HORA, ESTACION, CLAVE, RESULTADO, ARTICULO_ID)\n"
    "    values (dateadd(-cast(rand() * 2591999 as integer) second to : fin),\n"
    "      'Caja ' || (1 + cast(rand() * (: estaciones - 1) as integer)),\n"
    "      iif(: x < 0.07, '7509' || lpad(cast(rand() * 4999 as integer), 9, '0'),\n"
    "        iif(: x < 0.10, '75012345678901234' || cast(rand() * 999 as integer), 'ART-' || : i)),\n"
    "      iif(: x < 0.07, 'N', iif(: x < 0.10, 'M', iif(: x < 0.95, 'E', 'Q'))),\n"
    "      iif(: x < 0.10, null, : primero + cast(power(rand(), 3) * (: articulos - 1) as integer)));\n"
    "    i = i + 1;\n"
    "  end\n"
    "end");

const QString kSqlEstaciones =
    QStringLiteral("execute block (estaciones integer = :estaciones) as\n"
                   "declare i integer = 1;\n"
                   "begin\n"
                   "  while (i <= estaciones) do\n"
                   "  begin\n"
                   "    insert into ZANTOR_LMV_ESTACIONES (ESTACION, HOST, VERSION_PROGRAMA, EMPRESA, INICIO, LATIDO,\n"
                   "      ULTIMA_CONSULTA, ULTIMO_ERROR, KIOSCO, INDICE_LISTO)\n"
                   "    values ('Caja ' || : i, 'caja' || : i, '3.3.0.0', 'DEMO', current_timestamp,\n"
                   "      dateadd(-: i * 20 second to current_timestamp), current_timestamp, null, 'S', 'S');\n"
                   "    i = i + 1;\n"
                   "  end\n"
                   "end");

// The company with the log, made once a day (the periods end today) and kept in the cache.
QString asegurarRegistro(const QString& carpeta, int filas)
{
    const QDate hoy = QDate::currentDate();
    const QString nombre =
        QStringLiteral("reportes-%1-%2.fdb").arg(filas).arg(hoy.toString(QStringLiteral("yyyyMMdd")));
    const QString ruta = QDir(carpeta).filePath(nombre);
    if (QFile::exists(ruta))
        return ruta;
    for (const QString& viejo : QDir(carpeta).entryList({QStringLiteral("reportes-%1-*.fdb").arg(filas)}))
        QFile::remove(QDir(carpeta).filePath(viejo));
    const QString temporal = ruta + QStringLiteral(".tmp");
    QFile::remove(temporal);
    if (!QFile::copy(asegurarEmpresa(carpeta, kArticulos), temporal))
        throw std::runtime_error("cannot copy the company for the reports");
    QFile::setPermissions(temporal, QFile::ReadOwner | QFile::WriteOwner);
    const QStringList p = parametros(temporal);
    pruebas::crearRegistro(p);
    QElapsedTimer reloj;
    reloj.start();
    fb::Connection c;
    c.setParams(p);
    c.open();
    fb::Transaction t(c);
    t.start();
    fb::Query q(t);
    q.setSql(kSqlLlenar);
    q.setParam(QStringLiteral("n"), filas);
    q.setParam(QStringLiteral("fin"), QDateTime(hoy.addDays(1), QTime(0, 0)).addSecs(-1));
    q.setParam(QStringLiteral("primero"), kPrimerArticulo);
    q.setParam(QStringLiteral("articulos"), kArticulos);
    q.setParam(QStringLiteral("estaciones"), kEstaciones + 1);
    q.execute();
    fb::Query e(t);
    e.setSql(kSqlEstaciones);
    e.setParam(QStringLiteral("estaciones"), kEstaciones);
    e.execute();
    t.commit();
    c.close();
    std::fprintf(stderr, "  registro de %d consultas escrito en %.1f s\n", filas, double(reloj.elapsed()) / 1000.0);
    if (!QFile::rename(temporal, ruta))
        throw std::runtime_error("cannot rename the reports' company");
    return ruta;
}

// Runs the event loop until the window has read and painted its report; milliseconds from `t`.
double esperarPantalla(TfrmReportes& w, const QElapsedTimer& t, int& errores)
{
    auto* aviso = w.findChild<QLabel*>(QStringLiteral("lblAviso"));
    const auto leyendo = [aviso] { return aviso->isVisible() && aviso->text().startsWith(QStringLiteral("Leyendo")); };
    QElapsedTimer limite;
    limite.start();
    // Blocking until the next event: a loop that polls would take a core from the report's thread.
    while (leyendo() && limite.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    w.repaint();
    const double ms = msDesde(t);
    if (leyendo() || (aviso->isVisible() && !aviso->text().startsWith(QStringLiteral("No hay")))) {
        ++errores;
        std::fprintf(stderr, "  inesperado: %s\n", qPrintable(aviso->text()));
    }
    return ms;
}

double statementAlone(const QStringList& p, const std::function<void(fb::Transaction&)>& leer)
{
    fb::Connection c;
    c.setParams(p);
    c.open();
    fb::Transaction t(c, fb::Isolation::ReadCommitted, fb::Access::ReadOnly);
    t.start();
    QElapsedTimer reloj;
    reloj.start();
    leer(t);
    const double ms = msDesde(reloj);
    t.commit();
    return ms;
}

} // namespace

int medirReportes(const QString& carpeta, int filas, int repeticiones)
{
    const QString ruta = asegurarRegistro(carpeta, filas);
    const QStringList p = parametros(ruta);
    int errores = 0;
    std::printf("\nReportes sobre %d consultas registradas en 30 días (%d estaciones), carga %s; meta: primera "
                "pantalla en 1 s\n",
                filas, kEstaciones, qPrintable(cargaDelSistema()));

    Tdm dm;
    dm.conectarEmpresa(p);
    const char* nombres[] = {"códigos no encontrados", "más consultados", "consultas por hora", "estaciones"};
    std::vector<double> abrir;
    std::vector<std::vector<double>> pestanas(TfrmReportes::NumPestanas);
    for (int r = 0; r < repeticiones; ++r) {
        // A window of its own each round: its own attachment, as the operator's first opening.
        TfrmReportes w(dm);
        QElapsedTimer t;
        t.start();
        w.show();
        abrir.push_back(esperarPantalla(w, t, errores));
        auto* periodo = w.findChild<QComboBox*>(QStringLiteral("cbPeriodo"));
        t.start();
        periodo->setCurrentIndex(int(reportes::OpcionPeriodo::Mes));
        pestanas[0].push_back(esperarPantalla(w, t, errores));
        QTabBar* barra = w.findChild<QTabWidget*>(QStringLiteral("pcReportes"))->tabBar();
        for (int i = 1; i < TfrmReportes::NumPestanas; ++i) {
            t.start();
            QTest::mouseClick(barra, Qt::LeftButton, {}, barra->tabRect(i).center());
            pestanas[std::size_t(i)].push_back(esperarPantalla(w, t, errores));
        }
    }
    linea("abrir (hoy, códigos no encontrados)", percentiles(abrir));
    for (int i = 0; i < TfrmReportes::NumPestanas; ++i)
        linea(qPrintable(QStringLiteral("30 días: %1").arg(QString::fromUtf8(nombres[i]))),
              percentiles(pestanas[std::size_t(i)]));

    const reportes::Periodo mes = reportes::periodo(reportes::OpcionPeriodo::Mes, QDate::currentDate());
    std::vector<double> solos[4];
    for (int r = 0; r < repeticiones; ++r) {
        solos[0].push_back(statementAlone(p, [&](fb::Transaction& t) { reportes::noEncontrados(t, mes); }));
        solos[1].push_back(statementAlone(p, [&](fb::Transaction& t) { reportes::masConsultados(t, mes, 465, 450); }));
        solos[2].push_back(statementAlone(p, [&](fb::Transaction& t) { reportes::porHora(t, mes); }));
        solos[3].push_back(statementAlone(p, [&](fb::Transaction& t) { reportes::estaciones(t); }));
    }
    for (int i = 0; i < 4; ++i)
        linea(qPrintable(QStringLiteral("  sentencia sola: %1").arg(QString::fromUtf8(nombres[i]))),
              percentiles(solos[i]));

    // The keys not found without their index: what it saves.
    const QString indice = QStringLiteral("ZANTOR_LMV_CONSULTAS_RESULTADO");
    testsupport::runSql(p, QStringLiteral("ALTER INDEX %1 INACTIVE;").arg(indice));
    std::vector<double> sinIndice;
    for (int r = 0; r < repeticiones; ++r)
        sinIndice.push_back(statementAlone(p, [&](fb::Transaction& t) { reportes::noEncontrados(t, mes); }));
    testsupport::runSql(p, QStringLiteral("ALTER INDEX %1 ACTIVE;").arg(indice));
    linea("  sentencia sola sin su índice: códigos no encontrados", percentiles(sinIndice));
    std::fflush(stdout);
    return errores;
}

} // namespace bench
