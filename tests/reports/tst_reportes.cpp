// The report window on a company whose scan log holds a small log with known counts, driven with
// real clicks and keys offscreen: each tab's figures as the grids and the chart show them, the
// period's choice, the copy and the CSV file, a company without the log's tables, and a server
// that stops answering while the window keeps working.

#include "data/uDM.h"
#include "reports/Csv.h"
#include "reports/uReportes.h"
#include "tests/support/EmpresaInstalada.h"
#include "tests/support/PrivateServer.h"
#include "tests/support/PruebaPrincipal.h"
#include "tests/support/RegistroConsultas.h"
#include "tests/support/TestDatabases.h"

#include <QAbstractBarSeries>
#include <QApplication>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QClipboard>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <csignal>
#include <memory>

class TestReportes : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void noEncontradosPorPeriodo();
    void rangoDeFechas();
    void masConsultados();
    void porHora();
    void estaciones();
    void copiarYExportar();
    void sinTablas();
    void sinPermiso();
    void servidorColgado();

private:
    void abrir(const QStringList& parametros);
    void elegirPestana(int pestana);
    // Every row of a grid as its cells show them, joined by '|'.
    QStringList rejilla(const char* nombre) const;
    QLabel* aviso() const { return m_ventana->findChild<QLabel*>(QStringLiteral("lblAviso")); }
    bool leyendo() const { return aviso()->isVisible() && aviso()->text() == QStringLiteral("Leyendo el reporte…"); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Tdm> m_dm;
    std::unique_ptr<TfrmReportes> m_ventana;
    QDate m_hoy;
};

void TestReportes::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QDir::setCurrent(m_dir->path());
    m_dm = std::make_unique<Tdm>();
    m_hoy = QDate::currentDate();
    // The grids show numbers, money and dates in the workstation's formats: a Mexican one here.
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Mexico));
}

void TestReportes::cleanup()
{
    m_ventana.reset();
    m_dm.reset();
    m_dir.reset();
}

void TestReportes::abrir(const QStringList& parametros)
{
    m_dm->conectarEmpresa(parametros);
    m_ventana = std::make_unique<TfrmReportes>(*m_dm);
    m_ventana->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_ventana.get()));
}

void TestReportes::elegirPestana(int pestana)
{
    QTabBar* barra = m_ventana->findChild<QTabWidget*>(QStringLiteral("pcReportes"))->tabBar();
    QTest::mouseClick(barra, Qt::LeftButton, {}, barra->tabRect(pestana).center());
    QCOMPARE(barra->currentIndex(), pestana);
}

QStringList TestReportes::rejilla(const char* nombre) const
{
    const QAbstractItemModel* m = m_ventana->findChild<QTableView*>(QString::fromLatin1(nombre))->model();
    QStringList filas;
    for (int r = 0; r < m->rowCount(); ++r) {
        QStringList celdas;
        for (int c = 0; c < m->columnCount(); ++c)
            celdas.append(m->index(r, c).data().toString());
        filas.append(celdas.join(u'|'));
    }
    return filas;
}

namespace {

QStringList parametrosConRegistro(const QString& carpeta)
{
    const QStringList p = testsupport::embeddedParams(pruebas::empresaInstalada(carpeta));
    pruebas::crearRegistro(p);
    pruebas::escribirRegistro(p, pruebas::registroConocido(QDate::currentDate()),
                              pruebas::estacionesConocidas(QDate::currentDate()));
    return p;
}

QString fecha(QDate dia, const char* hora)
{
    return dia.toString(QStringLiteral("dd/MM/yyyy ")) + QString::fromLatin1(hora);
}

} // namespace

// Opening shows today's keys; the period's box, moved with the keyboard, reads the log again.
void TestReportes::noEncontradosPorPeriodo()
{
    abrir(parametrosConRegistro(m_dir->path()));
    QTRY_VERIFY(!leyendo());
    QVERIFY(!aviso()->isVisible());
    // The stations' column takes the width left from the first screen on: no gap at the right.
    auto* vista = m_ventana->findChild<QTableView*>(QStringLiteral("tvNoEncontrados"));
    QTRY_COMPARE(vista->horizontalHeader()->length(), vista->viewport()->width());
    QCOMPARE(rejilla("tvNoEncontrados"),
             (QStringList{QStringLiteral("7500000000001|2|%1|%2|Caja 1, Caja 2")
                              .arg(fecha(m_hoy, "09:15:00"), fecha(m_hoy, "11:40:00")),
                          QStringLiteral("ABC,\"12\"|1|%1|%1|Caja 1").arg(fecha(m_hoy, "00:00:00"))}));

    auto* periodo = m_ventana->findChild<QComboBox*>(QStringLiteral("cbPeriodo"));
    periodo->setFocus();
    QTest::keyClick(periodo, Qt::Key_Down);
    QCOMPARE(periodo->currentText(), QStringLiteral("Últimos 7 días"));
    QTRY_VERIFY(!leyendo());
    QCOMPARE(rejilla("tvNoEncontrados").size(), 3);
    QVERIFY(rejilla("tvNoEncontrados")[1].startsWith(QStringLiteral("999|1|")));
    QVERIFY(rejilla("tvNoEncontrados")[1].endsWith(QStringLiteral("|Pasillo, norte")));
    QTest::keyClick(periodo, Qt::Key_Down);
    QTRY_VERIFY(!leyendo());
    QStringList claves;
    for (const QString& f : rejilla("tvNoEncontrados"))
        claves.append(f.section(u'|', 0, 1));
    QCOMPARE(claves, (QStringList{"7500000000001|3", "999|2", "ABC,\"12\"|1", "OLD|1"}));
    // The dates are for a range only.
    QVERIFY(!m_ventana->findChild<QDateEdit*>(QStringLiteral("deDesde"))->isEnabled());
}

void TestReportes::rangoDeFechas()
{
    abrir(parametrosConRegistro(m_dir->path()));
    QTRY_VERIFY(!leyendo());
    auto* periodo = m_ventana->findChild<QComboBox*>(QStringLiteral("cbPeriodo"));
    periodo->setFocus();
    QTest::keyClick(periodo, Qt::Key_End);
    QCOMPARE(periodo->currentText(), QStringLiteral("Entre fechas"));
    auto* desde = m_ventana->findChild<QDateEdit*>(QStringLiteral("deDesde"));
    auto* hasta = m_ventana->findChild<QDateEdit*>(QStringLiteral("deHasta"));
    QVERIFY(desde->isEnabled() && hasta->isEnabled());
    // Given backwards: the range is the same.
    desde->setDate(m_hoy.addDays(-29));
    hasta->setDate(m_hoy.addDays(-30));
    QTRY_VERIFY(!leyendo());
    QStringList claves;
    for (const QString& f : rejilla("tvNoEncontrados"))
        claves.append(f.section(u'|', 0, 1));
    QCOMPARE(claves, (QStringList{"OLD|1", "OLDER|1"}));
}

void TestReportes::masConsultados()
{
    abrir(parametrosConRegistro(m_dir->path()));
    QTRY_VERIFY(!leyendo());
    elegirPestana(TfrmReportes::MasConsultados);
    QTRY_VERIFY(!leyendo());
    QCOMPARE(rejilla("tvMasConsultados"),
             (QStringList{QStringLiteral("CCL600|COCA COLA LIGHT 600ML|3|$16.00"),
                          QStringLiteral("JALAPEÑO-GR|Jalapeño en rajas granel|2|$50.75")}));
}

void TestReportes::porHora()
{
    abrir(parametrosConRegistro(m_dir->path()));
    QTRY_VERIFY(!leyendo());
    elegirPestana(TfrmReportes::PorHora);
    QTRY_VERIFY(!leyendo());
    auto valores = [this] {
        QStringList series;
        QChart* grafica = m_ventana->findChild<QChartView*>(QStringLiteral("gvPorHora"))->chart();
        for (QAbstractSeries* s : grafica->series()) {
            for (QBarSet* b : static_cast<QAbstractBarSeries*>(s)->barSets()) {
                QStringList horas;
                for (int h = 0; h < b->count(); ++h)
                    horas.append(QString::number(b->at(h)));
                series.append(b->label() + u':' + horas.join(u','));
            }
        }
        return series;
    };
    QCOMPARE(valores(), QStringList{"Todas las estaciones:1,0,0,0,0,0,0,0,0,1,3,1,1,1,0,0,0,0,0,0,0,0,0,0"});
    auto* series = m_ventana->findChild<QComboBox*>(QStringLiteral("cbSeries"));
    series->setFocus();
    QTest::keyClick(series, Qt::Key_Down);
    QCOMPARE(valores(), (QStringList{"Caja 1:1,0,0,0,0,0,0,0,0,1,2,0,0,1,0,0,0,0,0,0,0,0,0,0",
                                     "Caja 2:0,0,0,0,0,0,0,0,0,0,1,1,1,0,0,0,0,0,0,0,0,0,0,0"}));
    // Its list holds the same figures, a column per station.
    const reportes::Tabla t = m_ventana->tablaActual();
    QCOMPARE(t.titulos, (QStringList{"Hora", "Caja 1", "Caja 2", "Consultas"}));
    QCOMPARE(t.filas.size(), std::size_t{24});
    QCOMPARE(reportes::textoArchivo(t.filas[10][0]) + u'|' + reportes::textoArchivo(t.filas[10][1]) + u'|' +
                 reportes::textoArchivo(t.filas[10][2]) + u'|' + reportes::textoArchivo(t.filas[10][3]),
             QStringLiteral("10:00|2|1|3"));
}

void TestReportes::estaciones()
{
    abrir(parametrosConRegistro(m_dir->path()));
    QTRY_VERIFY(!leyendo());
    elegirPestana(TfrmReportes::Estaciones);
    QTRY_VERIFY(!leyendo());
    const QStringList filas = rejilla("tvEstaciones");
    QCOMPARE(filas.size(), 3);
    QVERIFY(filas[0].startsWith(QStringLiteral("En línea|Caja 1|")));
    QVERIFY(filas[1].startsWith(QStringLiteral("Sin señal|Caja 2|")));
    QVERIFY(filas[1].endsWith(QStringLiteral("|Sin respuesta del servidor")));
    QVERIFY(filas[2].startsWith(QStringLiteral("Sin señal|Pasillo, norte|")));
    const QAbstractItemModel* m = m_ventana->findChild<QTableView*>(QStringLiteral("tvEstaciones"))->model();
    QCOMPARE(m->index(0, 0).data(Qt::DecorationRole).value<QColor>(), QColor(0, 170, 60));
    QCOMPARE(m->index(1, 0).data(Qt::DecorationRole).value<QColor>(), QColor(210, 30, 30));
    QCOMPARE(m->index(2, 0).data(Qt::DecorationRole).value<QColor>(), QColor(210, 30, 30));
}

void TestReportes::copiarYExportar()
{
    abrir(parametrosConRegistro(m_dir->path()));
    QTRY_VERIFY(!leyendo());
    QApplication::clipboard()->clear();
    QTest::mouseClick(m_ventana->findChild<QPushButton*>(QStringLiteral("pbsCopiar")), Qt::LeftButton);
    QCOMPARE(QApplication::clipboard()->text(),
             QStringLiteral("Clave\tVeces\tPrimera vez\tÚltima vez\tEstaciones\r\n"
                            "7500000000001\t2\t%1\t%2\tCaja 1, Caja 2\r\n"
                            "\"ABC,\"\"12\"\"\"\t1\t%3\t%3\tCaja 1\r\n")
                 .arg(fecha(m_hoy, "09:15:00"), fecha(m_hoy, "11:40:00"), fecha(m_hoy, "00:00:00")));

    const QString ruta = QDir(m_dir->path()).filePath(QStringLiteral("no-encontrados.csv"));
    QVERIFY(m_ventana->exportarA(ruta));
    QFile archivo(ruta);
    QVERIFY(archivo.open(QIODevice::ReadOnly));
    QCOMPARE(archivo.readAll(), QByteArray("\xEF\xBB\xBF"
                                           "Clave,Veces,Primera vez,\xC3\x9Altima vez,Estaciones\r\n"
                                           "7500000000001,2,") +
                                    fecha(m_hoy, "09:15:00").toUtf8() + ',' + fecha(m_hoy, "11:40:00").toUtf8() +
                                    ",\"Caja 1, Caja 2\"\r\n"
                                    "\"ABC,\"\"12\"\"\",1," +
                                    fecha(m_hoy, "00:00:00").toUtf8() + ',' + fecha(m_hoy, "00:00:00").toUtf8() +
                                    ",Caja 1\r\n");

    // Through the button: the file dialog takes the name typed in it.
    const QString otra = QDir(m_dir->path()).filePath(QStringLiteral("desde-el-boton.csv"));
    QString sugerido;
    bool respondido = false;
    QTimer espera;
    connect(&espera, &QTimer::timeout, this, [&] {
        auto* dialogo = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialogo)
            return;
        espera.stop();
        respondido = true;
        sugerido = dialogo->selectedFiles().value(0);
        // As a name typed and accepted (typed keys would open the box's completion list).
        dialogo->selectFile(otra);
        static_cast<QDialog*>(dialogo)->accept();
        if (dialogo->isVisible())
            dialogo->reject();
    });
    espera.start(10);
    QTest::mouseClick(m_ventana->findChild<QPushButton*>(QStringLiteral("pbsExportar")), Qt::LeftButton);
    QTRY_VERIFY(respondido);
    QVERIFY2(sugerido.endsWith(QStringLiteral("/codigos-no-encontrados-%1.csv").arg(m_hoy.toString(Qt::ISODate))),
             qPrintable(sugerido));
    QTRY_VERIFY(QFile::exists(otra));
    QFile desdeBoton(otra);
    QVERIFY(desdeBoton.open(QIODevice::ReadOnly));
    archivo.seek(0);
    QCOMPARE(desdeBoton.readAll(), archivo.readAll());

    // A folder that does not exist: said in the window, nothing written.
    const QString mala = QDir(m_dir->path()).filePath(QStringLiteral("no-hay/x.csv"));
    QVERIFY(!m_ventana->exportarA(mala));
    QVERIFY(aviso()->isVisible());
    QVERIFY(aviso()->text().startsWith(QStringLiteral("No se pudo guardar el archivo")));
    QVERIFY(!QFile::exists(mala));
}

// An older company without the log: every tab says so, and nothing else happens.
void TestReportes::sinTablas()
{
    abrir(testsupport::embeddedParams(pruebas::empresaInstalada(m_dir->path())));
    QTRY_VERIFY(!leyendo());
    const QString esperado =
        QStringLiteral("La base de datos de la empresa no tiene el registro de consultas de las estaciones (falta "
                       "ZANTOR_LMV_CONSULTAS, ZANTOR_LMV_ESTACIONES). Se agrega al actualizar los objetos de Lumivo "
                       "en la empresa con el usuario SYSDBA.");
    QCOMPARE(aviso()->text(), esperado);
    QVERIFY(aviso()->isVisible());
    QVERIFY(rejilla("tvNoEncontrados").isEmpty());
    for (int pestana : {int(TfrmReportes::MasConsultados), int(TfrmReportes::PorHora), int(TfrmReportes::Estaciones)}) {
        elegirPestana(pestana);
        QTRY_VERIFY(!leyendo());
        QCOMPARE(aviso()->text(), esperado);
    }
    QVERIFY(rejilla("tvEstaciones").isEmpty());
}

// A user the company has not been given the log to: said in Spanish, the engine's words in the tip.
void TestReportes::sinPermiso()
{
    const QStringList sysdba = parametrosConRegistro(m_dir->path());
    abrir(testsupport::embeddedParams(sysdba.first().section(u'=', 1).trimmed(), QStringLiteral("SINPERMISO")));
    QTRY_VERIFY(!leyendo());
    QCOMPARE(aviso()->text(),
             QStringLiteral("El usuario no tiene permiso de leer el registro de consultas. Un usuario SYSDBA puede "
                            "darlo al actualizar los objetos de Lumivo en la empresa."));
    QVERIFY2(aviso()->toolTip().contains(QStringLiteral("ZANTOR_LMV_CONSULTAS")), qPrintable(aviso()->toolTip()));
    QVERIFY(rejilla("tvNoEncontrados").isEmpty());
}

// The server stops answering: the window says so once the deadline passes and keeps answering the
// operator meanwhile; once the server is back, the report reads again.
void TestReportes::servidorColgado()
{
    testsupport::PrivateServer servidor;
    LUMIVO_REQUIRE_PRIVATE_SERVER(servidor);
    const QStringList parametros = servidor.params(pruebas::empresaInstalada(servidor.dataFolder()));
    pruebas::crearRegistro(parametros);
    pruebas::escribirRegistro(parametros, pruebas::registroConocido(m_hoy), pruebas::estacionesConocidas(m_hoy));
    abrir(parametros);
    m_ventana->setPlazo(1000);
    QTRY_VERIFY(!leyendo());
    QCOMPARE(rejilla("tvNoEncontrados").size(), 2);

    const auto pid = static_cast<pid_t>(servidor.pid());
    QCOMPARE(::kill(pid, SIGSTOP), 0);
    elegirPestana(TfrmReportes::Estaciones);
    QVERIFY(leyendo());
    // The window is not held: another tab is chosen while the server is silent.
    elegirPestana(TfrmReportes::MasConsultados);
    QTRY_COMPARE_WITH_TIMEOUT(aviso()->text(), QStringLiteral("Sin respuesta del servidor, intente en unos momentos"),
                              10000);
    QVERIFY(aviso()->isVisible());
    QVERIFY(rejilla("tvMasConsultados").isEmpty());

    QCOMPARE(::kill(pid, SIGCONT), 0);
    QTRY_VERIFY_WITH_TIMEOUT(!aviso()->isVisible(), 30000);
    QTest::mouseClick(m_ventana->findChild<QPushButton*>(QStringLiteral("pbsActualizar")), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!leyendo() && rejilla("tvMasConsultados").size() == 2, 10000);
}

LUMIVO_TEST_MAIN(TestReportes)
#include "tst_reportes.moc"
