#include "connections/CatalogoConexiones.h"
#include "connections/ParametrosConexion.h"
#include "connections/uEmpresa.h"
#include "connections/uLogear.h"
#include "connections/uNewConexion.h"
#include "data/ConfigIni.h"
#include "data/DatosConexion.h"
#include "data/Instalacion.h"
#include "data/uDM.h"
#include "firebird/Connection.h"
#include "firebird/Query.h"
#include "firebird/Transaction.h"
#include "platform/MessageBox.h"
#include "tests/support/PruebaPrincipal.h"
#include "tools/lumivo-demo/Articulos.h"
#include "tools/lumivo-demo/DatosDemo.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace {

QStringList parametros(const QString& ruta, const QString& usuario = QStringLiteral("SYSDBA"))
{
    DatosConexion d;
    d.Usuario = usuario;
    d.Contrasena = QStringLiteral("x");
    return ParametrosConexion(ruta, d);
}

// The first column of every row of a query.
QStringList columna(const QString& ruta, const QString& sql, const QString& usuario = QStringLiteral("SYSDBA"))
{
    fb::Connection c;
    c.setParams(parametros(ruta, usuario));
    c.open();
    fb::Transaction t(c);
    t.start();
    fb::Query q(t);
    q.setSql(sql);
    q.open();
    QStringList valores;
    while (q.next())
        valores << q.value(0).toString();
    return valores;
}

QByteArray leer(const QString& ruta)
{
    QFile f(ruta);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestDemo : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void digitoVerificador_data();
    void digitoVerificador();
    void articulosGenerados();
    void basesDeDatos();
    void empresaLista();
    void carpetaExistenteNoSeToca();
    void conexionEnCatalogo_data();
    void conexionEnCatalogo();
    void estacion();
    void primerLoginDeDemostracion();

private:
    QTemporaryDir m_demo; // built once: the databases take a second
    QString m_datos;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<platform::RecordingNotifier> m_avisos;
};

void TestDemo::initTestCase()
{
    QCoreApplication::setApplicationName(QStringLiteral("Lumivo"));
    QVERIFY(m_demo.isValid());
    m_datos = m_demo.filePath(QStringLiteral("datos"));
    demo::CrearCarpetaDatos(m_datos);
}

void TestDemo::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_avisos = std::make_unique<platform::RecordingNotifier>();
}

void TestDemo::cleanup()
{
    m_avisos.reset();
    m_dir.reset();
}

void TestDemo::digitoVerificador_data()
{
    QTest::addColumn<QString>("codigo");
    QTest::newRow("check digit 5") << "7501055300075";
    QTest::newRow("check digit 1") << "4006381333931";
    QTest::newRow("check digit 7") << "5901234123457";
    QTest::newRow("book number") << "9780306406157";
    QTest::newRow("sum already a multiple of ten") << "0000000000000";
}

void TestDemo::digitoVerificador()
{
    QFETCH(QString, codigo);
    QCOMPARE(demo::DigitoVerificador(codigo.left(12)), codigo.right(1).toInt());
}

void TestDemo::articulosGenerados()
{
    const std::vector<demo::Articulo> articulos = demo::GenerarArticulos(2001);
    QVERIFY2(articulos.size() >= 250, qPrintable(QString::number(articulos.size())));

    QSet<QString> nombres;
    QSet<QString> claves;
    bool conAcentos = false;
    for (const demo::Articulo& a : articulos) {
        QVERIFY2(!nombres.contains(a.nombre), qPrintable(a.nombre));
        nombres.insert(a.nombre);
        // The columns are ISO8859_1 of limited length.
        QCOMPARE(QString::fromLatin1(a.nombre.toLatin1()), a.nombre);
        QVERIFY(a.nombre.size() <= 200);
        conAcentos = conAcentos || a.nombre.contains(QRegularExpression(QStringLiteral("[áéíóúñÁÉÍÓÚÑ]")));
        QVERIFY(a.precioMayoreo <= a.precioLista && a.precioMayoreo > fb::Decimal{});
        QVERIFY(!a.existencias.empty());
        for (const demo::Clave& c : a.claves) {
            QVERIFY2(!claves.contains(c.clave), qPrintable(c.clave));
            claves.insert(c.clave);
            QVERIFY(c.clave.size() <= 20);
            if (c.rolId == 17) {
                QCOMPARE(c.clave.size(), 13);
                QCOMPARE(demo::DigitoVerificador(c.clave.left(12)), c.clave.right(1).toInt());
            }
        }
    }
    QVERIFY(conAcentos);
    // The same articles every time, so a rebuilt demo scans the same keys.
    QCOMPARE(demo::GenerarArticulos(2001).back().nombre, articulos.back().nombre);
}

void TestDemo::basesDeDatos()
{
    const QString sistema = m_datos + QStringLiteral("/System/Config.fdb");
    QCOMPARE(columna(sistema, QStringLiteral("select nombre_corto from empresas order by 1")),
             (QStringList{QStringLiteral("DEMO"), QStringLiteral("EJEMPLO"), QStringLiteral("SUCURSAL")}));
    for (const QString& empresa : {QStringLiteral("DEMO"), QStringLiteral("EJEMPLO"), QStringLiteral("SUCURSAL")})
        QVERIFY(QFileInfo::exists(m_datos + QLatin1Char('/') + empresa + QStringLiteral(".fdb")));

    const QString demo = m_datos + QStringLiteral("/DEMO.fdb");
    // Every generated article beside the 23 of the stand-in data.
    QCOMPARE(columna(demo, QStringLiteral("select count(*) from articulos")).value(0).toInt(),
             23 + int(demo::GenerarArticulos(2001).size()));
    // Only the stand-in's own barcode on two articles is shared; generated keys never collide.
    QCOMPARE(
        columna(demo, QStringLiteral("select clave_articulo from claves_articulos group by 1 having count(*) > 1")),
        QStringList{QStringLiteral("7502223330001")});
    // The settings point at rows that exist.
    QCOMPARE(
        columna(demo, QStringLiteral("select c.nombre from zantor_lmv_config z join clientes c "
                                     "on c.cliente_id = z.valor_int where z.configuracion = 'CLIENTE_EVENTUAL_ID'")),
        QStringList{QStringLiteral("PUBLICO EN GENERAL")});
    QCOMPARE(columna(demo, QStringLiteral(
                               "select p.nombre from zantor_lmv_config z join precios_empresa p "
                               "on p.precio_empresa_id = z.valor_int where z.configuracion = 'PRECIO_EMPRESA_ID'")),
             QStringList{QStringLiteral("Mayoreo")});
    QCOMPARE(columna(demo, QStringLiteral("select a.nombre from zantor_lmv_config z join almacenes a "
                                          "on a.almacen_id = z.valor_int where z.configuracion = 'ALMACEN_ID'")),
             QStringList{QStringLiteral("Matriz")});
    QCOMPARE(columna(demo, QStringLiteral("select configuracion || '=' || coalesce(valor_chr, valor_int) from "
                                          "zantor_lmv_config where configuracion in ('MOSTRAR_CLAVE', 'ORDEN_PRECIO', "
                                          "'SEGUNDOS_ESPERA', 'MOSTRAR_IMAGEN_EMPRESA') order by 1")),
             (QStringList{QStringLiteral("MOSTRAR_CLAVE=S"), QStringLiteral("MOSTRAR_IMAGEN_EMPRESA=S"),
                          QStringLiteral("ORDEN_PRECIO=0"), QStringLiteral("SEGUNDOS_ESPERA=10")}));
    QCOMPARE(columna(demo, QStringLiteral("select count(*) from zantor_lmv_config group by configuracion "
                                          "having count(*) > 1")),
             QStringList());

    // An ERP user, through the role, reads the station's objects.
    QCOMPARE(
        columna(demo, QStringLiteral("select nombre from zantor_lmv_lista(2001, 465)"), QStringLiteral("CAJERO")),
        (QStringList{QStringLiteral("Precio de lista"), QStringLiteral("Mayoreo"), QStringLiteral("Distribuidor")}));
    const QString conPolitica =
        columna(demo, QStringLiteral("select first 1 articulo_id from standin_pol_vol_det where articulo_id > 2000"))
            .value(0);
    QVERIFY(!conPolitica.isEmpty());
    QCOMPARE(columna(demo, QStringLiteral("select cantidad from zantor_lmv_pol_vol(%1, 0, 100)").arg(conPolitica),
                     QStringLiteral("CAJERO")),
             (QStringList{QStringLiteral("6.000000"), QStringLiteral("12.000000"), QStringLiteral("24.000000")}));
    QVERIFY(
        !columna(demo, QStringLiteral("select oferta_mm_id from ofertas_mm_det where articulo_id > 2000")).isEmpty());

    // The company picture is a JPEG the display can show.
    fb::Connection c;
    c.setParams(parametros(demo));
    c.open();
    fb::Transaction t(c);
    t.start();
    fb::Query q(t);
    q.setSql(QStringLiteral("select VALOR_BLOB from registry where nombre like 'IMAGEN_EMPRESA'"));
    q.open();
    QVERIFY(q.next());
    QImage imagen;
    QVERIFY(imagen.loadFromData(q.value(0).toBytes(), "JPG"));
    QCOMPARE(imagen.size(), QSize(426, 113));

    // The other companies wait for their first SYSDBA login to get the station's objects.
    QVERIFY(columna(m_datos + QStringLiteral("/EJEMPLO.fdb"),
                    QStringLiteral("select rdb$relation_name from rdb$relations where rdb$relation_name = "
                                   "'ZANTOR_LMV_CONFIG'"))
                .isEmpty());
}

// The station's own checks let the demo company through at once.
void TestDemo::empresaLista()
{
    Tdm dm(m_dir->filePath(QStringLiteral("config.xml")));
    DatosConexion datos;
    datos.TipoAcceso = QStringLiteral("1");
    datos.CarpetaDatos = m_datos + QLatin1Char('/');
    datos.Empresa = QStringLiteral("DEMO");
    datos.Usuario = QStringLiteral("CAJERO");
    dm.fdConexion.setParams(ParametrosConexion(RutaEmpresa(datos), datos));
    dm.fdConexion.open();
    QVERIFY(!ValidarVersion(dm));
    QVERIFY(!ValidarMetadatos(dm, datos));
    QCOMPARE(m_avisos->messages.size(), size_t{0});
}

void TestDemo::carpetaExistenteNoSeToca()
{
    QVERIFY(demo::CarpetaDatosLista(m_datos));
    const QString otra = m_dir->filePath(QStringLiteral("mia"));
    QVERIFY(QDir().mkpath(otra));
    QFile propio(otra + QStringLiteral("/notas.txt"));
    QVERIFY(propio.open(QIODevice::WriteOnly));
    propio.write("mío");
    propio.close();

    QVERIFY(!demo::CarpetaDatosLista(otra));
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, demo::CrearCarpetaDatos(otra));
    QCOMPARE(QDir(otra).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{QStringLiteral("notas.txt")});
    // Nothing is left beside it either.
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{QStringLiteral("mia")});
}

void TestDemo::conexionEnCatalogo_data()
{
    QTest::addColumn<QStringList>("existentes"); // connections already in the file; empty: no file
    QTest::addColumn<bool>("agregada");
    QTest::addColumn<int>("posicion");
    QTest::newRow("no catalogue file") << QStringList() << true << 0;
    QTest::newRow("other connections") << QStringList{QStringLiteral("Local"), QStringLiteral("Bodega")} << true << 2;
    QTest::newRow("a Demo of the user's own")
        << QStringList{QStringLiteral("Local"), QStringLiteral("Demo"), QStringLiteral("Bodega")} << false << 1;
}

void TestDemo::conexionEnCatalogo()
{
    QFETCH(QStringList, existentes);
    QFETCH(bool, agregada);
    QFETCH(int, posicion);
    const QString archivo = m_dir->filePath(QStringLiteral("Microsip/ProgramData.xml"));
    if (!existentes.isEmpty()) {
        catalogo::CrearArchivo(archivo);
        for (const QString& nombre : existentes)
            catalogo::GrabarXmlConexion(archivo, nombre,
                                        {0, QStringLiteral("SRV1"), 2, QStringLiteral("D:\\") + nombre});
    }
    const QByteArray antes = leer(archivo);

    bool seAgrego = !agregada;
    QCOMPARE(demo::AsegurarConexion(archivo, QStringLiteral("Demo"), QStringLiteral("/datos/"), &seAgrego), posicion);
    QCOMPARE(seAgrego, agregada);
    if (!agregada)
        QCOMPARE(leer(archivo), antes);
    for (const QString& nombre : existentes) {
        const auto valores = catalogo::LeerXmlConexionEditor(archivo, nombre);
        QVERIFY(valores.has_value());
        QCOMPARE(valores->servidor, QStringLiteral("SRV1"));
        QCOMPARE(valores->carpeta, QStringLiteral("D:\\") + nombre);
    }
    if (agregada) {
        const auto demo = catalogo::LeerXmlConexionEditor(archivo, QStringLiteral("Demo"));
        QVERIFY(demo.has_value());
        QCOMPARE(demo->tipoAcceso, 1);
        QCOMPARE(demo->carpeta, QStringLiteral("/datos/"));
    }

    // A second run changes nothing.
    const QByteArray despues = leer(archivo);
    QCOMPARE(demo::AsegurarConexion(archivo, QStringLiteral("Demo"), QStringLiteral("/otra/"), &seAgrego), posicion);
    QVERIFY(!seAgrego);
    QCOMPARE(leer(archivo), despues);
}

void TestDemo::estacion()
{
    const QString carpeta = m_dir->filePath(QStringLiteral("estacion"));
    demo::PrepararEstacion(carpeta, 3);
    ConfigIni config(carpeta + QStringLiteral("/config.xml"));
    QCOMPARE(config.ConfigIni_str(QStringLiteral("Conexion"), QStringLiteral("Usuario"), QString()),
             QStringLiteral("SYSDBA"));
    QCOMPARE(config.ConfigIni_int(QStringLiteral("Conexion"), QStringLiteral("Conexion"), -9), 3);
    QCOMPARE(config.ConfigIni_int(QStringLiteral("Conexion"), QStringLiteral("Empresa"), -9), 0);

    // A station that has been used keeps its own choices.
    config.ConfigIni_strW(QStringLiteral("Conexion"), QStringLiteral("Usuario"), QStringLiteral("cajero"));
    const QByteArray antes = leer(carpeta + QStringLiteral("/config.xml"));
    demo::PrepararEstacion(carpeta, 0);
    QCOMPARE(leer(carpeta + QStringLiteral("/config.xml")), antes);
}

// What the run command leaves is enough for a first login: Enter on the password, Enter on the
// company, and the company database passes the station's checks.
void TestDemo::primerLoginDeDemostracion()
{
    const QString archivo = m_dir->filePath(QStringLiteral("Microsip/ProgramData.xml"));
    catalogo::CrearArchivo(archivo);
    catalogo::GrabarXmlConexion(archivo, QStringLiteral("Oficina"),
                                {0, QStringLiteral("SRV1"), 0, QStringLiteral("D:\\")});
    const int posicion = demo::AsegurarConexion(archivo, QStringLiteral("Demo"), m_datos + QLatin1Char('/'), nullptr);
    const QString estacion = m_dir->filePath(QStringLiteral("estacion"));
    demo::PrepararEstacion(estacion, posicion);

    Tdm dm(estacion + QStringLiteral("/config.xml"));
    Sesion sesion;
    TfrmNewConexion editor(archivo);
    TfrmLogear login(dm, sesion, editor, archivo);
    login.show();
    QVERIFY(QTest::qWaitForWindowActive(&login));
    QCOMPARE(login.findChild<QComboBox*>(QStringLiteral("cboConexion"))->currentText(), QStringLiteral("Demo"));
    QCOMPARE(login.findChild<QLineEdit*>(QStringLiteral("edUsuario"))->text(), QStringLiteral("SYSDBA"));
    auto* pass = login.findChild<QLineEdit*>(QStringLiteral("edPass"));
    QTest::keyClicks(pass, QStringLiteral("demo"));
    QTest::keyClick(pass, Qt::Key_Return);
    QTest::keyClick(login.findChild<QPushButton*>(QStringLiteral("btnAceptar")), Qt::Key_Return);
    QVERIFY(sesion.LoginCorrecto);

    TfrmEmpresa empresa(dm, sesion);
    empresa.show();
    QCOMPARE(empresa.findChild<QListWidget*>(QStringLiteral("LT"))->currentItem()->text(), QStringLiteral("DEMO"));
    QTest::keyClick(empresa.findChild<QPushButton*>(QStringLiteral("btnAceptar")), Qt::Key_Return);
    QVERIFY(sesion.EmpresaSeleccionada);

    dm.fdConexion.setParams(ParametrosConexion(RutaEmpresa(sesion.datos), sesion.datos));
    dm.fdConexion.open();
    QVERIFY(!ValidarVersion(dm));
    QVERIFY(!ValidarMetadatos(dm, sesion.datos));
    QCOMPARE(m_avisos->messages.size(), size_t{0});
}

LUMIVO_TEST_MAIN(TestDemo)
#include "tst_demo.moc"
