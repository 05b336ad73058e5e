// Loading the lookup settings from the settings table of a stand-in company database on which the
// program's objects were installed (rows as the installation leaves them, then changed per case).

#include "data/ConfigEmpresa.h"
#include "data/DatosConexion.h"
#include "data/Instalacion.h"
#include "data/LecturaArranque.h"
#include "data/uDM.h"
#include "firebird/Error.h"
#include "firebird/Query.h"
#include "layout/Colores.h"
#include "lookup/CargarInfo.h"
#include "rules/AjustesConsulta.h"
#include "tests/support/PruebaPrincipal.h"
#include "tests/support/TestDatabases.h"

#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <optional>

namespace {

QString describir(const AjustesConsulta& a)
{
    return QStringLiteral("cliente=%1 precio=%2 politica=%3 almacen=%4 orden=%5 segundos=%6 "
                          "existencia=%7 lista=%8 volumen=%9 clave=%10 combo=%11 buscador=%12 imagen=%13")
        .arg(a.ClienteEventualId)
        .arg(a.PrecioEmpresaId)
        .arg(a.PoliticaVolId)
        .arg(a.AlmacenId)
        .arg(a.OrdenPrecio)
        .arg(a.SegundosEspera)
        .arg(int{a.MostrarExistencia})
        .arg(int{a.MostrarLstPrecios})
        .arg(int{a.MostrarPolVol})
        .arg(int{a.MostrarClave})
        .arg(int{a.DsctosCombo})
        .arg(int{a.MostrarBuscador})
        .arg(int{a.MostrarImagenEmpresa});
}

// Face, size (points or pixels, whichever defines it), effects (bold, italic, underline, strike-out)
// and colour.
QString describir(const FuenteConColor& f)
{
    const QFont& q = f.fuente;
    const QString tamano =
        q.pointSize() > 0 ? QStringLiteral("%1pt").arg(q.pointSize()) : QStringLiteral("%1px").arg(q.pixelSize());
    QString efectos;
    efectos += q.bold() ? u'B' : u'-';
    efectos += q.italic() ? u'I' : u'-';
    efectos += q.underline() ? u'U' : u'-';
    efectos += q.strikeOut() ? u'S' : u'-';
    return QStringList{q.family(), tamano, efectos, f.color.name()}.join(u' ');
}

// Every field away from its load value, so a field that the load forgets to write shows.
AjustesConsulta ajustesPrevios()
{
    AjustesConsulta a;
    a.ClienteEventualId = a.PrecioEmpresaId = a.PoliticaVolId = a.AlmacenId = a.OrdenPrecio = a.SegundosEspera = 7;
    a.MostrarExistencia = a.MostrarLstPrecios = a.MostrarPolVol = a.MostrarClave = a.DsctosCombo = a.MostrarBuscador =
        a.MostrarImagenEmpresa = true;
    return a;
}

// Pixel-defined like the window's built-in fonts, and unlike the installed rows in every part.
FuenteConColor fuentePrevia(const QString& cara, int pixeles, EstiloFuente estilo, QColor color)
{
    FuenteConColor f{QFont(cara), color};
    f.fuente.setPixelSize(pixeles);
    aplicarEstilo(f.fuente, estilo);
    return f;
}

FuenteConColor nombrePrevio()
{
    return fuentePrevia(QStringLiteral("Verdana"), 60, {false, true, true, false}, QColor(0, 0, 0));
}

FuenteConColor precioPrevio()
{
    return fuentePrevia(QStringLiteral("Courier"), 107, {false, false, false, true}, QColor(0, 255, 0));
}

const QString kInstalados = QStringLiteral("cliente=465 precio=450 politica=0 almacen=19 orden=0 segundos=30 "
                                           "existencia=1 lista=1 volumen=1 clave=0 combo=1 buscador=1 imagen=0");
const QString kNada = QStringLiteral("cliente=0 precio=0 politica=0 almacen=0 orden=0 segundos=0 "
                                     "existencia=0 lista=0 volumen=0 clave=0 combo=0 buscador=0 imagen=0");
const QString kNombreInstalado = QStringLiteral("Tahoma 45pt B--- #0979d5");
const QString kPrecioInstalado = QStringLiteral("Tahoma 80pt B--- #ff8000");

} // namespace

class TestCargarInfo : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void ajustes_data();
    void ajustes();
    void fuentes_data();
    void fuentes();
    void colorIlegible_data();
    void colorIlegible();
    void transaccion();
    void falloDeLaBase();
    void etiquetas();
    void lecturaArranque_data();
    void lecturaArranque();

private:
    void ejecutar(const QString& sql) { testsupport::runSql(testsupport::embeddedParams(m_ruta), sql); }
    std::unique_ptr<Tdm> abrir(const QString& ruta);

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_ruta;
};

void TestCargarInfo::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_ruta = testsupport::companyDatabase(m_dir->path());

    fb::Connection conexion;
    conexion.setParams(testsupport::embeddedParams(m_ruta));
    conexion.open();
    fb::Transaction transaccion(conexion);
    transaccion.start();
    QVERIFY(InstalarObjetos(transaccion).empty());
    transaccion.commit();
}

void TestCargarInfo::cleanup()
{
    m_dir.reset();
}

std::unique_ptr<Tdm> TestCargarInfo::abrir(const QString& ruta)
{
    auto dm = std::make_unique<Tdm>(m_dir->filePath(QStringLiteral("config.xml")));
    dm->fdConexion.setParams(testsupport::embeddedParams(ruta));
    dm->fdConexion.open();
    return dm;
}

void TestCargarInfo::ajustes_data()
{
    QTest::addColumn<QString>("preparacion");
    QTest::addColumn<QString>("esperado");

    QTest::newRow("como se instala") << QString() << kInstalados;
    QTest::newRow("con las filas que añade la configuración")
        << QStringLiteral("INSERT INTO ZANTOR_LMV_CONFIG (CONFIGURACION, VALOR_INT) VALUES ('ORDEN_PRECIO', 2);\n"
                          "INSERT INTO ZANTOR_LMV_CONFIG (CONFIGURACION, VALOR_CHR) VALUES ('MOSTRAR_CLAVE', 'S');\n"
                          "INSERT INTO ZANTOR_LMV_CONFIG (CONFIGURACION, VALOR_CHR) VALUES "
                          "('MOSTRAR_IMAGEN_EMPRESA', 'S');")
        << QStringLiteral("cliente=465 precio=450 politica=0 almacen=19 orden=2 segundos=30 "
                          "existencia=1 lista=1 volumen=1 clave=1 combo=1 buscador=1 imagen=1");
    QTest::newRow("sin filas") << QStringLiteral("DELETE FROM ZANTOR_LMV_CONFIG;") << kNada;
    QTest::newRow("valores nulos") << QStringLiteral("UPDATE ZANTOR_LMV_CONFIG SET VALOR_INT = NULL, VALOR_CHR = NULL;")
                                   << kNada;
    QTest::newRow("-5: lista y política a 0, lo demás tal cual")
        << QStringLiteral("UPDATE ZANTOR_LMV_CONFIG SET VALOR_INT = -5 WHERE CONFIGURACION IN ('CLIENTE_EVENTUAL_ID', "
                          "'PRECIO_EMPRESA_ID', 'POLITICA_VOL_ID', 'ALMACEN_ID', 'SEGUNDOS_ESPERA');\n"
                          "INSERT INTO ZANTOR_LMV_CONFIG (CONFIGURACION, VALOR_INT) VALUES ('ORDEN_PRECIO', -5);")
        << QStringLiteral("cliente=-5 precio=0 politica=0 almacen=-5 orden=-5 segundos=-5 "
                          "existencia=1 lista=1 volumen=1 clave=0 combo=1 buscador=1 imagen=0");
    QTest::newRow("interruptores: solo S exacta")
        << QStringLiteral("UPDATE ZANTOR_LMV_CONFIG SET VALOR_CHR = 's' WHERE CONFIGURACION = 'MOSTRAR_EXISTENCIA';\n"
                          "UPDATE ZANTOR_LMV_CONFIG SET VALOR_CHR = 'N' WHERE CONFIGURACION = 'MOSTRAR_LST_PRECIOS';\n"
                          "UPDATE ZANTOR_LMV_CONFIG SET VALOR_CHR = ' ' WHERE CONFIGURACION = 'MOSTRAR_POL_VOL';\n"
                          "UPDATE ZANTOR_LMV_CONFIG SET VALOR_CHR = NULL, VALOR_STR = 'S' "
                          "WHERE CONFIGURACION = 'DSCTOS_COMBO';")
        << QStringLiteral("cliente=465 precio=450 politica=0 almacen=19 orden=0 segundos=30 "
                          "existencia=0 lista=0 volumen=0 clave=0 combo=0 buscador=1 imagen=0");
    QTest::newRow("dos filas con una clave: la primera")
        << QStringLiteral("INSERT INTO ZANTOR_LMV_CONFIG (CONFIGURACION, VALOR_INT) VALUES ('SEGUNDOS_ESPERA', 99);\n"
                          "INSERT INTO ZANTOR_LMV_CONFIG (CONFIGURACION, VALOR_INT) VALUES ('PRECIO_EMPRESA_ID', 42);\n"
                          "INSERT INTO ZANTOR_LMV_CONFIG (CONFIGURACION, VALOR_CHR) VALUES ('MOSTRAR_BUSCADOR', 'N');")
        << kInstalados;
    QTest::newRow("blancos al final de la clave y una fila sin clave")
        << QStringLiteral("UPDATE ZANTOR_LMV_CONFIG SET CONFIGURACION = 'SEGUNDOS_ESPERA   ' "
                          "WHERE CONFIGURACION = 'SEGUNDOS_ESPERA';\n"
                          "INSERT INTO ZANTOR_LMV_CONFIG (CONFIGURACION, VALOR_INT) VALUES (NULL, 7);")
        << kInstalados;
    QTest::newRow("la clave distingue mayúsculas")
        << QStringLiteral("UPDATE ZANTOR_LMV_CONFIG SET CONFIGURACION = 'segundos_espera' "
                          "WHERE CONFIGURACION = 'SEGUNDOS_ESPERA';")
        << QStringLiteral("cliente=465 precio=450 politica=0 almacen=19 orden=0 segundos=0 "
                          "existencia=1 lista=1 volumen=1 clave=0 combo=1 buscador=1 imagen=0");
}

void TestCargarInfo::ajustes()
{
    QFETCH(QString, preparacion);
    QFETCH(QString, esperado);

    if (!preparacion.isEmpty())
        ejecutar(preparacion);
    auto dm = abrir(m_ruta);
    AjustesConsulta a = ajustesPrevios();
    FuenteConColor nombre = nombrePrevio();
    FuenteConColor precio = precioPrevio();
    CargarInfo(*dm, a, nombre, precio);
    QCOMPARE(describir(a), esperado);

    // The load reads the table in one statement; a statement per key reads the same.
    AjustesConsulta porClave = ajustesPrevios();
    dm->reiniciarTransaccion();
    ConfigEmpresa(dm->fdVarios).leerAjustes(porClave);
    QCOMPARE(describir(porClave), esperado);

    // And so does the start-up's one statement, with the fonts as the load applies them.
    const std::optional<LecturaArranque> leido = leerArranque(*dm);
    QVERIFY(leido && leido->ajustes);
    AjustesConsulta alArrancar = ajustesPrevios();
    FuenteConColor nombreAlArrancar = nombrePrevio();
    FuenteConColor precioAlArrancar = precioPrevio();
    cargarAjustesPantalla(*dm, alArrancar, nombreAlArrancar, precioAlArrancar, &*leido->ajustes);
    QCOMPARE(describir(alArrancar), esperado);
    QCOMPARE(describir(nombreAlArrancar), describir(nombre));
    QCOMPARE(describir(precioAlArrancar), describir(precio));
}

void TestCargarInfo::fuentes_data()
{
    QTest::addColumn<QString>("preparacion");
    QTest::addColumn<QString>("nombre");
    QTest::addColumn<QString>("precio");

    const QString nombreIntacto = describir(nombrePrevio());
    const QString precioIntacto = describir(precioPrevio());

    QTest::newRow("como se instala") << QString() << kNombreInstalado << kPrecioInstalado;
    const QString sinFilas = QStringLiteral("DELETE FROM ZANTOR_LMV_CONFIG WHERE CONFIGURACION LIKE 'FONT%' "
                                            "OR CONFIGURACION LIKE 'COLOR%' OR CONFIGURACION LIKE 'ESTILO%';");
    QTest::newRow("sin filas de fuente") << sinFilas << nombreIntacto << precioIntacto;
    QTest::newRow("sin FONT_NOM_ART: cara y tamaño como estaban")
        << QStringLiteral("DELETE FROM ZANTOR_LMV_CONFIG WHERE CONFIGURACION = 'FONT_NOM_ART';")
        << QStringLiteral("Verdana 60px B--- #0979d5") << kPrecioInstalado;
    QTest::newRow("sin color ni estilo del precio")
        << QStringLiteral("DELETE FROM ZANTOR_LMV_CONFIG WHERE CONFIGURACION IN ('COLOR_PRE_ART', 'ESTILO_PRE_ART');")
        << kNombreInstalado << QStringLiteral("Tahoma 80pt ---S #00ff00");
    QTest::newRow("otra cara y otro tamaño")
        << QStringLiteral("UPDATE ZANTOR_LMV_CONFIG SET VALOR_INT = 120, VALOR_STR = 'Arial' "
                          "WHERE CONFIGURACION = 'FONT_PRE_ART';")
        << kNombreInstalado << QStringLiteral("Arial 120pt B--- #ff8000");
    QTest::newRow("estilos: cualquier capitalización, desconocido y nulo")
        << QStringLiteral("UPDATE ZANTOR_LMV_CONFIG SET VALOR_STR = 'bolditalicstrike' "
                          "WHERE CONFIGURACION = 'ESTILO_NOM_ART';\n"
                          "UPDATE ZANTOR_LMV_CONFIG SET VALOR_STR = 'Negrita' WHERE CONFIGURACION = 'ESTILO_PRE_ART';")
        << QStringLiteral("Tahoma 45pt BI-S #0979d5") << QStringLiteral("Tahoma 80pt ---- #ff8000");
    QTest::newRow("estilo nulo")
        << QStringLiteral("UPDATE ZANTOR_LMV_CONFIG SET VALOR_STR = NULL WHERE CONFIGURACION = 'ESTILO_NOM_ART';")
        << QStringLiteral("Tahoma 45pt ---- #0979d5") << kPrecioInstalado;
    QTest::newRow("colores por nombre y en forma web")
        << QStringLiteral("UPDATE ZANTOR_LMV_CONFIG SET VALOR_STR = 'clwhite' WHERE CONFIGURACION = 'COLOR_NOM_ART';\n"
                          "UPDATE ZANTOR_LMV_CONFIG SET VALOR_STR = '#09D' WHERE CONFIGURACION = 'COLOR_PRE_ART';")
        << QStringLiteral("Tahoma 45pt B--- #ffffff") << QStringLiteral("Tahoma 80pt B--- #0099dd");
    // A bad size or face falls back to the element's built-in one, not to what the element had:
    // the previous fonts here are neither.
    QTest::newRow("tamaño o cara nulos, cero o vacíos: los integrados")
        << QStringLiteral("UPDATE ZANTOR_LMV_CONFIG SET VALOR_INT = NULL WHERE CONFIGURACION = 'FONT_NOM_ART';\n"
                          "UPDATE ZANTOR_LMV_CONFIG SET VALOR_INT = 0, VALOR_STR = NULL "
                          "WHERE CONFIGURACION = 'FONT_PRE_ART';")
        << QStringLiteral("Tahoma 45pt B--- #0979d5") << QStringLiteral("Tahoma 80pt B--- #ff8000");
    QTest::newRow("tamaño negativo y cara en blanco: solo esa parte integrada")
        << QStringLiteral("UPDATE ZANTOR_LMV_CONFIG SET VALOR_INT = -12, VALOR_STR = 'Arial' "
                          "WHERE CONFIGURACION = 'FONT_NOM_ART';\n"
                          "UPDATE ZANTOR_LMV_CONFIG SET VALOR_INT = 30, VALOR_STR = '  ' "
                          "WHERE CONFIGURACION = 'FONT_PRE_ART';")
        << QStringLiteral("Arial 45pt B--- #0979d5") << QStringLiteral("Tahoma 30pt B--- #ff8000");
}

// The window's built-in fonts are set by pixel height; a FONT_ row sets points instead, which Qt
// turns into pixels with the screen's resolution.
void TestCargarInfo::fuentes()
{
    QFETCH(QString, preparacion);
    QFETCH(QString, nombre);
    QFETCH(QString, precio);

    if (!preparacion.isEmpty())
        ejecutar(preparacion);
    auto dm = abrir(m_ruta);
    AjustesConsulta a;
    FuenteConColor fNombre = nombrePrevio();
    FuenteConColor fPrecio = precioPrevio();
    CargarInfo(*dm, a, fNombre, fPrecio);
    QCOMPARE(describir(fNombre), nombre);
    QCOMPARE(describir(fPrecio), precio);
}

void TestCargarInfo::colorIlegible_data()
{
    QTest::addColumn<QString>("preparacion");
    QTest::addColumn<QString>("citado");
    QTest::addColumn<QString>("nombre");
    QTest::addColumn<QString>("precio");

    QTest::newRow("un nombre que no es color, en el nombre")
        << QStringLiteral("UPDATE ZANTOR_LMV_CONFIG SET VALOR_STR = 'clPink' WHERE CONFIGURACION = 'COLOR_NOM_ART';")
        << QStringLiteral("«clPink»") << QStringLiteral("Tahoma 45pt -IU- #000000") << describir(precioPrevio());
    QTest::newRow("un color nulo, en el precio")
        << QStringLiteral("UPDATE ZANTOR_LMV_CONFIG SET VALOR_STR = NULL WHERE CONFIGURACION = 'COLOR_PRE_ART';")
        << QStringLiteral("«»") << kNombreInstalado << QStringLiteral("Tahoma 80pt ---S #00ff00");
}

// The load stops at the colour row: the font rows before it are applied, the later ones are not,
// and the record is complete because it is read first.
void TestCargarInfo::colorIlegible()
{
    QFETCH(QString, preparacion);
    QFETCH(QString, citado);
    QFETCH(QString, nombre);
    QFETCH(QString, precio);

    ejecutar(preparacion);
    auto dm = abrir(m_ruta);
    AjustesConsulta a = ajustesPrevios();
    FuenteConColor fNombre = nombrePrevio();
    FuenteConColor fPrecio = precioPrevio();
    std::optional<QString> mensaje;
    try {
        CargarInfo(*dm, a, fNombre, fPrecio);
    } catch (const ColorInvalido& e) {
        mensaje = QString::fromUtf8(e.what());
    }
    QVERIFY(mensaje.has_value());
    QVERIFY2(mensaje->contains(citado), qPrintable(*mensaje));
    QCOMPARE(describir(a), kInstalados);
    QCOMPARE(describir(fNombre), nombre);
    QCOMPARE(describir(fPrecio), precio);
}

// The load commits what the shared transaction held and leaves a new one open.
void TestCargarInfo::transaccion()
{
    auto dm = abrir(m_ruta);
    dm->fdTrans.start();
    dm->fdVarios.setSql(QStringLiteral("UPDATE ZANTOR_LMV_CONFIG SET VALOR_INT = 12 WHERE CONFIGURACION = :c"));
    dm->fdVarios.setParam(QStringLiteral("c"), QStringLiteral("SEGUNDOS_ESPERA"));
    dm->fdVarios.execute();

    AjustesConsulta a;
    FuenteConColor nombre = nombrePrevio();
    FuenteConColor precio = precioPrevio();
    CargarInfo(*dm, a, nombre, precio);
    QCOMPARE(a.SegundosEspera, 12);
    QVERIFY(dm->fdTrans.isActive());

    // Seen from another station, the change is committed.
    fb::Connection otra;
    otra.setParams(testsupport::embeddedParams(m_ruta));
    otra.open();
    fb::Transaction t(otra);
    t.start();
    fb::Query q(t);
    q.setSql(QStringLiteral("SELECT VALOR_INT FROM ZANTOR_LMV_CONFIG WHERE CONFIGURACION = 'SEGUNDOS_ESPERA'"));
    q.open();
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toInt(), 12);
}

// A database without the settings table: the failure goes on and nothing was loaded.
void TestCargarInfo::falloDeLaBase()
{
    QTemporaryDir otraCarpeta;
    QVERIFY(otraCarpeta.isValid());
    auto dm = abrir(testsupport::companyDatabase(otraCarpeta.path()));

    AjustesConsulta a = ajustesPrevios();
    FuenteConColor nombre = nombrePrevio();
    FuenteConColor precio = precioPrevio();
    QVERIFY_THROWS_EXCEPTION(fb::Error, CargarInfo(*dm, a, nombre, precio));
    QCOMPARE(describir(a), describir(ajustesPrevios()));
    QCOMPARE(describir(nombre), describir(nombrePrevio()));
    QCOMPARE(describir(precio), describir(precioPrevio()));
}

// Scale label formats: a company without their rows has none and gains no rows when the dialog saves
// none; saved rows load in order, and a damaged or cleared row is skipped.
void TestCargarInfo::etiquetas()
{
    const auto filas = [this] {
        return testsupport::queryRows(testsupport::embeddedParams(m_ruta),
                                      QStringLiteral("SELECT CONFIGURACION, VALOR_STR FROM ZANTOR_LMV_CONFIG "
                                                     "WHERE CONFIGURACION STARTING WITH 'ETIQUETA' ORDER BY 1"));
    };
    const auto cargar = [this] {
        auto dm = abrir(m_ruta);
        AjustesConsulta a = ajustesPrevios();
        a.Etiquetas.resize(3);
        FuenteConColor nombre = nombrePrevio();
        FuenteConColor precio = precioPrevio();
        CargarInfo(*dm, a, nombre, precio);
        QStringList textos;
        for (const FormatoEtiqueta& f : a.Etiquetas)
            textos.append(f.aTexto());
        return textos;
    };
    const auto guardar = [this](const ConfigEmpresa::TextosEtiquetas& textos) {
        auto dm = abrir(m_ruta);
        dm->reiniciarTransaccion();
        ConfigEmpresa(dm->fdVarios).escribirEtiquetas(textos);
        dm->confirmarTransaccion();
    };

    QCOMPARE(cargar(), QStringList());
    guardar({});
    QCOMPARE(filas(), QStringList());

    guardar({QString(), QStringLiteral("20-29;3;5;C;K;3;N"), QString(), QStringLiteral("2;2;5;S;P;2;V")});
    QCOMPARE(filas(), (QStringList{"ETIQUETA_BASCULA_2|20-29;3;5;C;K;3;N", "ETIQUETA_BASCULA_4|2;2;5;S;P;2;V"}));
    QCOMPARE(cargar(), (QStringList{"20-29;3;5;C;K;3;N", "2;2;5;S;P;2;V"}));

    ejecutar(QStringLiteral("UPDATE ZANTOR_LMV_CONFIG SET VALOR_STR = '20;9;9;C;K;3;N' "
                            "WHERE CONFIGURACION = 'ETIQUETA_BASCULA_4';"));
    QCOMPARE(cargar(), QStringList{"20-29;3;5;C;K;3;N"});

    guardar({QStringLiteral("21-22;3;4;T;P;2;V"), QString(), QString(), QString()});
    QCOMPARE(filas(), (QStringList{"ETIQUETA_BASCULA_1|21-22;3;4;T;P;2;V", "ETIQUETA_BASCULA_2|NULL",
                                   "ETIQUETA_BASCULA_4|NULL"}));
    QCOMPARE(cargar(), QStringList{"21-22;3;4;T;P;2;V"});
}

// The start-up's one statement against the checks it stands in for, on companies of each shape:
// the same version and installation verdicts, the settings only where the table is, and nothing
// at all where the statement cannot run (the steps then read one by one, as before).
void TestCargarInfo::lecturaArranque_data()
{
    QTest::addColumn<bool>("instalar");
    QTest::addColumn<QString>("preparacion");
    QTest::addColumn<bool>("leido");
    QTest::addColumn<bool>("instalada");
    QTest::addColumn<bool>("conAjustes");

    QTest::newRow("installed") << true << QString() << true << true << true;
    QTest::newRow("without the station's objects") << false << QString() << true << false << false;
    QTest::newRow("only a table named like the settings")
        << false << QStringLiteral("CREATE TABLE ZANTOR_LMV_CONFIG_ANTES (X INTEGER);") << true << true << false;
    QTest::newRow("empty version table") << true << QStringLiteral("DELETE FROM VERSIONES_DB;") << true << true << true;
    QTest::newRow("no version table") << true << QStringLiteral("DROP TABLE VERSIONES_DB;") << false << false << false;
    QTest::newRow("a settings text wider than installed")
        << true
        << QStringLiteral("ALTER TABLE ZANTOR_LMV_CONFIG ALTER VALOR_STR TYPE VARCHAR(60);\n"
                          "INSERT INTO ZANTOR_LMV_CONFIG (CONFIGURACION, VALOR_STR) VALUES ('LARGA', "
                          "'un texto de más de veinticinco letras');")
        << false << false << false;
}

void TestCargarInfo::lecturaArranque()
{
    QFETCH(bool, instalar);
    QFETCH(QString, preparacion);
    QFETCH(bool, leido);
    QFETCH(bool, instalada);
    QFETCH(bool, conAjustes);

    QTemporaryDir otraCarpeta;
    QVERIFY(otraCarpeta.isValid());
    const QString ruta = instalar ? m_ruta : testsupport::companyDatabase(otraCarpeta.path());
    for (const QString& sentencia : preparacion.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        testsupport::runSql(testsupport::embeddedParams(ruta), sentencia);
    auto dm = abrir(ruta);
    const std::optional<LecturaArranque> r = leerArranque(*dm);
    QCOMPARE(r.has_value(), leido);
    if (!r)
        return;
    QCOMPARE(r->instalada, instalada);
    QCOMPARE(r->ajustes.has_value(), conAjustes);

    // The verdicts are those of the checks' own statements. Not SYSDBA: a company without the
    // objects is left as it is.
    DatosConexion datos;
    datos.Usuario = QStringLiteral("CAJERO");
    const auto texto = [](const std::optional<AvisoInstalacion>& a) { return a ? a->texto : QString(); };
    QCOMPARE(texto(ValidarVersion(*dm, &*r)), texto(ValidarVersion(*dm)));
    QCOMPARE(texto(ValidarMetadatos(*dm, datos, &*r)), texto(ValidarMetadatos(*dm, datos)));
    if (conAjustes) {
        dm->reiniciarTransaccion();
        ConfigEmpresa porClave(dm->fdVarios);
        porClave.leerTabla();
        ConfigEmpresa arranque(dm->fdVarios);
        arranque.usarTabla(*r->ajustes);
        AjustesConsulta a, b;
        porClave.leerAjustes(a);
        arranque.leerAjustes(b);
        QCOMPARE(describir(b), describir(a));
    }
}

LUMIVO_TEST_MAIN(TestCargarInfo)
#include "tst_cargarinfo.moc"
