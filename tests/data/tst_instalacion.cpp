// The version check and the installation of the program's objects, on fresh stand-in company
// databases through the embedded engine.

#include "data/ConfigEmpresa.h"
#include "data/DatosConexion.h"
#include "data/Instalacion.h"
#include "data/uDM.h"
#include "firebird/Connection.h"
#include "firebird/Error.h"
#include "firebird/Query.h"
#include "firebird/Transaction.h"
#include "platform/MessageBox.h"
#include "tests/support/EmpresaInstalada.h"
#include "tests/support/PruebaPrincipal.h"
#include "tests/support/TestDatabases.h"

#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace {

const QString kVersionNoCompatible = QStringLiteral("Versión no compatible con esta versión.");
const QString kEntrarComoSysdba = QStringLiteral("Es necesario entrar con el usuario SYSDBA antes.");
const QString kMetadatosCargado = QStringLiteral("Metadatos cargado, el sistema se cerrara para aplicar el cambio.");

// The user tables, views and procedures of a database: what an installation would change.
const QString kSqlObjetos =
    QStringLiteral("SELECT TRIM(RDB$RELATION_NAME) FROM RDB$RELATIONS WHERE RDB$SYSTEM_FLAG = 0 "
                   "UNION ALL SELECT TRIM(RDB$PROCEDURE_NAME) FROM RDB$PROCEDURES WHERE RDB$SYSTEM_FLAG = 0 "
                   "ORDER BY 1");

const QStringList kFilasInstaladas{
    "VERSION|0|NULL|NULL|NULL",
    "CLIENTE_EVENTUAL_ID|465|NULL|NULL|NULL",
    "PRECIO_EMPRESA_ID|450|NULL|NULL|NULL",
    "POLITICA_VOL_ID|0|NULL|NULL|NULL",
    "MOSTRAR_EXISTENCIA|NULL|NULL|S|NULL",
    "MOSTRAR_LST_PRECIOS|NULL|NULL|S|NULL",
    "SEGUNDOS_ESPERA|30|NULL|NULL|NULL",
    "MOSTRAR_POL_VOL|NULL|NULL|S|NULL",
    "FONT_NOM_ART|45|Tahoma|NULL|NULL",
    "FONT_PRE_ART|80|Tahoma|NULL|NULL",
    "COLOR_NOM_ART|NULL|$00D57909|NULL|NULL",
    "ESTILO_NOM_ART|NULL|Bold|NULL|NULL",
    "COLOR_PRE_ART|NULL|$000080FF|NULL|NULL",
    "ESTILO_PRE_ART|NULL|Bold|NULL|NULL",
    "ALMACEN_ID|19|NULL|NULL|NULL",
    "DSCTOS_COMBO|NULL|NULL|S|NULL",
    "MOSTRAR_BUSCADOR|NULL|NULL|S|NULL",
    "VERSION_OBJETOS|1|NULL|NULL|NULL",
};

DatosConexion sesionDe(const QString& usuario)
{
    DatosConexion datos;
    datos.Usuario = usuario;
    return datos;
}

} // namespace

class TestInstalacion : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void version_data();
    void version();
    void guiones();
    void instalacionComoSysdba_data();
    void instalacionComoSysdba();
    void objetosInstalados();
    void permisosDelRol();
    void otroUsuarioNoInstala_data();
    void otroUsuarioNoInstala();
    void tablaEncontrada_data();
    void tablaEncontrada();
    void instalacionConFallas();
    void actualizacion_data();
    void actualizacion();
    void actualizacionRepetida();
    void actualizacionSinSysdba_data();
    void actualizacionSinSysdba();
    void actualizacionAlDiaNoPregunta();

private:
    // The company as an earlier program installed it (settings table and procedures only), with
    // rows of the shop's own in it.
    void empresaAntigua();
    int versionLeida();
    std::unique_ptr<Tdm> abrir(const QString& usuarioConexion = QStringLiteral("SYSDBA"));
    QStringList consultar(const QString& sql, const QString& usuario = QStringLiteral("SYSDBA"));
    void ejecutar(const QString& sql) { testsupport::runSql(testsupport::embeddedParams(m_ruta), sql); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<platform::RecordingNotifier> m_avisos;
    QString m_ruta;
};

void TestInstalacion::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_ruta = testsupport::companyDatabase(m_dir->path());
    m_avisos = std::make_unique<platform::RecordingNotifier>();
}

void TestInstalacion::cleanup()
{
    m_avisos.reset();
    m_dir.reset();
}

std::unique_ptr<Tdm> TestInstalacion::abrir(const QString& usuarioConexion)
{
    auto dm = std::make_unique<Tdm>(m_dir->filePath(QStringLiteral("config.xml")));
    dm->fdConexion.setParams(testsupport::embeddedParams(m_ruta, usuarioConexion));
    dm->fdConexion.open();
    return dm;
}

// Rows through a connection of its own, fields joined by "|".
QStringList TestInstalacion::consultar(const QString& sql, const QString& usuario)
{
    return testsupport::queryRows(testsupport::embeddedParams(m_ruta, usuario), sql);
}

void TestInstalacion::version_data()
{
    QTest::addColumn<QList<int>>("versiones");
    QTest::addColumn<bool>("aceptada");

    QTest::newRow("1255") << QList<int>{1255} << false;
    QTest::newRow("1256") << QList<int>{1256} << true;
    QTest::newRow("1260") << QList<int>{1260} << true;
    QTest::newRow("1261") << QList<int>{1261} << false;
    QTest::newRow("tabla vacía") << QList<int>{} << false;
    QTest::newRow("cuenta la mayor, no la última") << QList<int>{1261, 1258} << false;
    QTest::newRow("una versión vieja debajo de la actual") << QList<int>{1250, 1257} << true;
}

void TestInstalacion::version()
{
    QFETCH(QList<int>, versiones);
    QFETCH(bool, aceptada);

    QString sql = QStringLiteral("DELETE FROM VERSIONES_DB;\n");
    for (int v : versiones)
        sql += QStringLiteral("INSERT INTO VERSIONES_DB (VERSION_DB) VALUES (%1);\n").arg(v);
    ejecutar(sql);

    auto dm = abrir();
    const std::optional<AvisoInstalacion> aviso = ValidarVersion(*dm);
    QCOMPARE(!aviso, aceptada);
    if (!aceptada) {
        QCOMPARE(aviso->texto, kVersionNoCompatible);
        QCOMPARE(aviso->tipo, AvisoInstalacion::Tipo::Advertencia);
    }
    // The window that asked shows the message; the check itself shows nothing.
    QVERIFY(m_avisos->messages.empty());
}

// The procedures exist as stubs before the table and get their bodies after it; the grants come
// before the seventeen rows. The scan log's script only creates and its grants only grant.
void TestInstalacion::guiones()
{
    QStringList metadatos;
    for (const fb::ScriptStatement& s : fb::splitScript(scriptMetadatos()))
        metadatos << s.text.section(u'(', 0, 0).simplified();
    QCOMPARE(metadatos, (QStringList{
                            "CREATE OR ALTER PROCEDURE ZANTOR_LMV_LISTA",
                            "CREATE OR ALTER PROCEDURE ZANTOR_LMV_POL_VOL",
                            "CREATE TABLE ZANTOR_LMV_CONFIG",
                            "CREATE OR ALTER PROCEDURE ZANTOR_LMV_LISTA",
                            "CREATE OR ALTER PROCEDURE ZANTOR_LMV_POL_VOL",
                        }));

    const std::vector<fb::ScriptStatement> permisos = fb::splitScript(scriptPermisos());
    QCOMPARE(permisos.size(), 20u);
    QCOMPARE(permisos[0].text, QStringLiteral("GRANT ALL ON ZANTOR_LMV_CONFIG TO USUARIO_MICROSIP"));
    QCOMPARE(permisos[1].text, QStringLiteral("GRANT EXECUTE ON PROCEDURE ZANTOR_LMV_LISTA TO USUARIO_MICROSIP"));
    QCOMPARE(permisos[2].text, QStringLiteral("GRANT EXECUTE ON PROCEDURE ZANTOR_LMV_POL_VOL TO USUARIO_MICROSIP"));
    for (std::size_t i = 3; i < permisos.size(); ++i)
        QVERIFY2(permisos[i].text.startsWith(QStringLiteral("INSERT INTO ZANTOR_LMV_CONFIG (CONFIGURACION, "
                                                            "VALOR_INT, VALOR_STR, VALOR_CHR) VALUES")),
                 qPrintable(permisos[i].text));

    QStringList registro;
    for (const fb::ScriptStatement& s : fb::splitScript(scriptRegistro()))
        registro << s.text.section(u'(', 0, 0).simplified();
    QCOMPARE(registro, (QStringList{
                           "CREATE TABLE ZANTOR_LMV_CONSULTAS",
                           "CREATE DESCENDING INDEX ZANTOR_LMV_CONSULTAS_FECHA ON ZANTOR_LMV_CONSULTAS",
                           "CREATE TABLE ZANTOR_LMV_ESTACIONES",
                       }));
    QStringList permisosRegistro;
    for (const fb::ScriptStatement& s : fb::splitScript(scriptPermisosRegistro()))
        permisosRegistro << s.text;
    QCOMPARE(permisosRegistro, (QStringList{
                                   "GRANT ALL ON ZANTOR_LMV_CONSULTAS TO USUARIO_MICROSIP",
                                   "GRANT ALL ON ZANTOR_LMV_ESTACIONES TO USUARIO_MICROSIP",
                               }));
}

void TestInstalacion::instalacionComoSysdba_data()
{
    QTest::addColumn<QString>("usuario");
    QTest::newRow("SYSDBA") << QStringLiteral("SYSDBA");
    QTest::newRow("sysdba") << QStringLiteral("sysdba");
    QTest::newRow("SysDba") << QStringLiteral("SysDba");
}

void TestInstalacion::instalacionComoSysdba()
{
    QFETCH(QString, usuario);
    const QStringList antes = consultar(kSqlObjetos);
    QVERIFY(!antes.contains(QStringLiteral("ZANTOR_LMV_CONFIG")));

    {
        auto dm = abrir();
        const std::optional<AvisoInstalacion> aviso = ValidarMetadatos(*dm, sesionDe(usuario));
        QVERIFY(aviso);
        QCOMPARE(aviso->texto, kMetadatosCargado);
        QCOMPARE(aviso->tipo, AvisoInstalacion::Tipo::Informacion);
        QVERIFY(m_avisos->messages.empty());
    }

    // Committed: another connection sees everything once the program has ended.
    QStringList esperados = antes;
    esperados << QStringLiteral("ZANTOR_LMV_CONFIG") << QStringLiteral("ZANTOR_LMV_LISTA")
              << QStringLiteral("ZANTOR_LMV_POL_VOL") << QStringLiteral("ZANTOR_LMV_CONSULTAS")
              << QStringLiteral("ZANTOR_LMV_ESTACIONES");
    esperados.sort();
    QCOMPARE(consultar(kSqlObjetos), esperados);
    QCOMPARE(consultar(QStringLiteral("SELECT COUNT(*) FROM ZANTOR_LMV_CONFIG")), QStringList{"18"});

    // The next start passes both checks and installs nothing again.
    m_avisos->clear();
    auto dm = abrir();
    QVERIFY(!ValidarVersion(*dm));
    QVERIFY(!ValidarMetadatos(*dm, sesionDe(usuario)));
    QVERIFY(m_avisos->messages.empty());
    QCOMPARE(consultar(QStringLiteral("SELECT COUNT(*) FROM ZANTOR_LMV_CONFIG")), QStringList{"18"});
}

void TestInstalacion::objetosInstalados()
{
    {
        auto dm = abrir();
        QVERIFY(ValidarMetadatos(*dm, sesionDe(QStringLiteral("SYSDBA"))));
    }

    // A fresh table without an index or an ORDER BY returns its rows in insertion order.
    QCOMPARE(consultar(QStringLiteral("SELECT * FROM ZANTOR_LMV_CONFIG")), kFilasInstaladas);

    // Name, type code, length or precision, scale, sub-type, segment size, NOT NULL. Type codes: 8 INTEGER
    // (also NUMERIC(9,6)), 14 CHAR, 16 BIGINT (NUMERIC(18,6)), 37 VARCHAR, 261 BLOB.
    const QString campos = QStringLiteral(
        "TRIM(TRIM(%1) || ' ' || F.RDB$FIELD_TYPE || ' ' || COALESCE(F.RDB$CHARACTER_LENGTH, F.RDB$FIELD_PRECISION, 0) "
        "|| ' ' || F.RDB$FIELD_SCALE || ' ' || COALESCE(F.RDB$FIELD_SUB_TYPE, 0) || ' ' || "
        "COALESCE(F.RDB$SEGMENT_LENGTH, 0) || ' ' || IIF(%2 IS NULL, '', 'NOT NULL'))");
    QCOMPARE(consultar(QStringLiteral("SELECT ") +
                       campos.arg(QStringLiteral("R.RDB$FIELD_NAME"), QStringLiteral("R.RDB$NULL_FLAG")) +
                       QStringLiteral(" FROM RDB$RELATION_FIELDS R JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = "
                                      "R.RDB$FIELD_SOURCE WHERE R.RDB$RELATION_NAME = 'ZANTOR_LMV_CONFIG' "
                                      "ORDER BY R.RDB$FIELD_POSITION")),
             (QStringList{
                 "CONFIGURACION 37 50 0 0 0",
                 "VALOR_INT 8 0 0 0 0",
                 "VALOR_STR 37 25 0 0 0",
                 "VALOR_CHR 14 1 0 0 0",
                 "VALOR_BLOB 261 0 0 -1 80",
             }));
    QCOMPARE(consultar(QStringLiteral("SELECT COUNT(*) FROM RDB$RELATION_CONSTRAINTS WHERE RDB$RELATION_NAME = "
                                      "'ZANTOR_LMV_CONFIG'")),
             QStringList{"0"});

    const QString parametros =
        QStringLiteral("SELECT P.RDB$PARAMETER_TYPE || ' ' || ") +
        campos.arg(QStringLiteral("P.RDB$PARAMETER_NAME"), QStringLiteral("P.RDB$NULL_FLAG")) +
        QStringLiteral(" FROM RDB$PROCEDURE_PARAMETERS P JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = P.RDB$FIELD_SOURCE "
                       "WHERE P.RDB$PROCEDURE_NAME = '%1' ORDER BY P.RDB$PARAMETER_TYPE, P.RDB$PARAMETER_NUMBER");
    const QStringList lista{
        "0 V_ARTICULO_ID 8 0 0 0 0",     "0 V_CLIENTE_ID 8 0 0 0 0",    "1 NOMBRE 37 30 0 0 0",
        "1 PRECIO 16 18 -6 1 0",         "1 DSCTO 8 9 -6 1 0",          "1 PRECION 16 18 -6 1 0",
        "1 PRECIO_EMPRESA_ID 8 0 0 0 0", "1 PRECIO_UC 16 18 -6 1 0",    "1 CONTENIDO 16 18 -6 1 0",
        "1 UNIDAD_VENTA 37 20 0 0 0",    "1 UNIDAD_COMPRA 37 20 0 0 0",
    };
    const QStringList polVol{
        "0 V_ARTICULO_ID 8 0 0 0 0", "0 V_POLITICA_ID 8 0 0 0 0", "0 V_PRECIO_NETO 16 18 -6 1 0",
        "1 CANTIDAD 16 18 -6 1 0",   "1 DESCUENTO 8 9 -6 1 0",    "1 PRECIO_UNIT 16 18 -6 1 0",
        "1 MONTO 16 18 -6 1 0",
    };
    QCOMPARE(consultar(parametros.arg(QStringLiteral("ZANTOR_LMV_LISTA"))), lista);
    QCOMPARE(consultar(parametros.arg(QStringLiteral("ZANTOR_LMV_POL_VOL"))), polVol);
    // Both selectable.
    QCOMPARE(consultar(QStringLiteral("SELECT TRIM(RDB$PROCEDURE_NAME) || ' ' || RDB$PROCEDURE_TYPE FROM "
                                      "RDB$PROCEDURES WHERE RDB$PROCEDURE_NAME STARTING WITH 'ZANTOR_' ORDER BY 1")),
             (QStringList{"ZANTOR_LMV_LISTA 1", "ZANTOR_LMV_POL_VOL 1"}));
}

// The grants let the ERP's users work with the objects; a user without the role gets nothing.
void TestInstalacion::permisosDelRol()
{
    {
        auto dm = abrir();
        QVERIFY(ValidarMetadatos(*dm, sesionDe(QStringLiteral("SYSDBA"))));
    }
    const QStringList sysdba = testsupport::embeddedParams(m_ruta);
    testsupport::grantMicrosipRole(sysdba, QStringLiteral("CAJERO"));

    const QStringList cajero = testsupport::embeddedParams(m_ruta, QStringLiteral("CAJERO"));
    testsupport::runSql(cajero, QStringLiteral("UPDATE ZANTOR_LMV_CONFIG SET VALOR_INT = 10 WHERE CONFIGURACION = "
                                               "'SEGUNDOS_ESPERA';\nINSERT INTO ZANTOR_LMV_CONFIG (CONFIGURACION, "
                                               "VALOR_INT) VALUES ('ORDEN_PRECIO', 2);"));
    QCOMPARE(consultar(QStringLiteral("SELECT VALOR_INT FROM ZANTOR_LMV_CONFIG WHERE CONFIGURACION IN "
                                      "('SEGUNDOS_ESPERA', 'ORDEN_PRECIO')"),
                       QStringLiteral("CAJERO")),
             (QStringList{"10", "2"}));
    QCOMPARE(consultar(QStringLiteral("SELECT PRECION FROM ZANTOR_LMV_LISTA(1006, 465)"), QStringLiteral("CAJERO")),
             (QStringList{"56.000000", "50.750000"}));
    QCOMPARE(
        consultar(QStringLiteral("SELECT MONTO FROM ZANTOR_LMV_POL_VOL(1015, 0, 10.005)"), QStringLiteral("CAJERO")),
        QStringList{"30.030000"});

    for (const QString& sql : {QStringLiteral("SELECT COUNT(*) FROM ZANTOR_LMV_CONFIG"),
                               QStringLiteral("SELECT COUNT(*) FROM ZANTOR_LMV_LISTA(1006, 465)")}) {
        bool rechazado = false;
        try {
            consultar(sql, QStringLiteral("NUEVO"));
        } catch (const fb::Error&) {
            rechazado = true;
        }
        QVERIFY2(rechazado, qPrintable(sql));
    }
}

void TestInstalacion::otroUsuarioNoInstala_data()
{
    QTest::addColumn<QString>("conexion");
    QTest::addColumn<QString>("usuario");

    QTest::newRow("usuario del ERP con su rol") << QStringLiteral("CAJERO") << QStringLiteral("CAJERO");
    // What counts is the user who logged in, whatever rights the connection would have.
    QTest::newRow("otro usuario sobre una conexión que podría instalar")
        << QStringLiteral("SYSDBA") << QStringLiteral("ADMIN");
    QTest::newRow("SYSDBA con un espacio") << QStringLiteral("SYSDBA") << QStringLiteral("SYSDBA ");
}

void TestInstalacion::otroUsuarioNoInstala()
{
    QFETCH(QString, conexion);
    QFETCH(QString, usuario);

    testsupport::grantMicrosipRole(testsupport::embeddedParams(m_ruta), QStringLiteral("CAJERO"));
    const QStringList antes = consultar(kSqlObjetos);

    std::optional<AvisoInstalacion> aviso;
    {
        auto dm = abrir(conexion);
        aviso = ValidarMetadatos(*dm, sesionDe(usuario));
    }
    QVERIFY(aviso);
    QCOMPARE(aviso->texto, kEntrarComoSysdba);
    QCOMPARE(aviso->tipo, AvisoInstalacion::Tipo::Informacion);
    QVERIFY(m_avisos->messages.empty());
    QCOMPARE(consultar(kSqlObjetos), antes);
}

void TestInstalacion::tablaEncontrada_data()
{
    QTest::addColumn<QString>("crear");
    QTest::addColumn<bool>("continua");

    QTest::newRow("la tabla") << QStringLiteral("CREATE TABLE ZANTOR_LMV_CONFIG (CONFIGURACION VARCHAR(50));") << true;
    QTest::newRow("un nombre que empieza igual")
        << QStringLiteral("CREATE TABLE ZANTOR_LMV_CONFIG2 (A INTEGER);") << true;
    QTest::newRow("en minúsculas") << QStringLiteral("CREATE TABLE \"zantor_lmv_config\" (A INTEGER);") << true;
    QTest::newRow("una vista") << QStringLiteral("CREATE VIEW ZANTOR_LMV_CONFIG_V AS SELECT * FROM VERSIONES_DB;")
                               << true;
    QTest::newRow("un nombre más corto") << QStringLiteral("CREATE TABLE ZANTOR_LMV_CONF (A INTEGER);") << false;
    QTest::newRow("el nombre en medio") << QStringLiteral("CREATE TABLE MI_ZANTOR_LMV_CONFIG (A INTEGER);") << false;
    QTest::newRow("solo los procedimientos")
        << QStringLiteral("SET TERM ^ ;\nCREATE PROCEDURE ZANTOR_LMV_LISTA AS BEGIN END^\nSET TERM ; ^") << false;
}

// A user other than SYSDBA tells a found table (the start-up goes on, silently) from a missing one
// (refused) without installing anything.
void TestInstalacion::tablaEncontrada()
{
    QFETCH(QString, crear);
    QFETCH(bool, continua);

    ejecutar(crear);
    auto dm = abrir();
    const std::optional<AvisoInstalacion> aviso = ValidarMetadatos(*dm, sesionDe(QStringLiteral("CAJERO")));
    QCOMPARE(!aviso, continua);
    if (!continua)
        QCOMPARE(aviso->texto, kEntrarComoSysdba);
    QVERIFY(m_avisos->messages.empty());
}

// A statement that fails does not stop the installation, and the final message says what failed.
void TestInstalacion::instalacionConFallas()
{
    // An ERP without the volume-discount procedure: the real body of ZANTOR_LMV_POL_VOL cannot compile.
    ejecutar(QStringLiteral("DROP PROCEDURE GET_DSCTOS_POL_VOL;"));

    std::optional<AvisoInstalacion> aviso;
    {
        auto dm = abrir();
        aviso = ValidarMetadatos(*dm, sesionDe(QStringLiteral("SYSDBA")));
    }
    QVERIFY(aviso);
    const AvisoInstalacion& m = *aviso;
    // The one failing statement, then the server's own message.
    const QString cabecera = kMetadatosCargado + QStringLiteral("\n\nAlgunas instrucciones fallaron:\n\n"
                                                                "CREATE OR ALTER PROCEDURE ZANTOR_LMV_POL_VOL\n");
    QVERIFY2(m.texto.startsWith(cabecera), qPrintable(m.texto));
    QVERIFY2(m.texto.mid(cabecera.size()).contains(QStringLiteral("GET_DSCTOS_POL_VOL")), qPrintable(m.texto));
    QCOMPARE(m.texto.count(QStringLiteral("\n\n")), 2);
    QCOMPARE(m.tipo, AvisoInstalacion::Tipo::Advertencia);
    QVERIFY(m_avisos->messages.empty());

    // Everything after the failure ran and was committed; the volume procedure kept its stub.
    QCOMPARE(consultar(QStringLiteral("SELECT * FROM ZANTOR_LMV_CONFIG")), kFilasInstaladas);
    QCOMPARE(consultar(QStringLiteral("SELECT PRECION FROM ZANTOR_LMV_LISTA(1006, 465)")),
             (QStringList{"56.000000", "50.750000"}));
    QCOMPARE(consultar(QStringLiteral("SELECT * FROM ZANTOR_LMV_POL_VOL(1015, 0, 10.005)")),
             QStringList{"NULL|NULL|NULL|NULL"});
}

void TestInstalacion::empresaAntigua()
{
    m_avisos.reset();
    QFile::remove(m_ruta);
    m_ruta = pruebas::empresaInstalada(m_dir->path(), QStringLiteral("DEMO.fdb"), true);
    m_avisos = std::make_unique<platform::RecordingNotifier>();
    ejecutar(QStringLiteral("UPDATE ZANTOR_LMV_CONFIG SET VALOR_INT = 45 WHERE CONFIGURACION = 'SEGUNDOS_ESPERA';\n"
                            "INSERT INTO ZANTOR_LMV_CONFIG (CONFIGURACION, VALOR_STR) VALUES ('ETIQUETA_BASCULA_1', "
                            "'20-29;3;5;C;K;3;N');"));
}

int TestInstalacion::versionLeida()
{
    fb::Connection c;
    c.setParams(testsupport::embeddedParams(m_ruta));
    c.open();
    fb::Transaction t(c);
    t.start();
    fb::Query q(t);
    ConfigEmpresa tabla(q);
    tabla.leerTabla();
    return tabla.leerVersionObjetos();
}

void TestInstalacion::actualizacion_data()
{
    // Statements of the scan log's script already run on the company (a half-finished update, or
    // tables made by hand), and a row the shop already has in the log table.
    QTest::addColumn<QList<int>>("hechas");
    QTest::addColumn<bool>("filaPropia");
    QTest::newRow("nothing of it") << QList<int>{} << false;
    QTest::newRow("the log table with a row, without its index") << QList<int>{0} << true;
    QTest::newRow("everything but the grants and the version") << QList<int>{0, 1, 2} << true;
}

// An installed company of the earlier objects gets what it lacks, granted to the ERP's role, and
// its version; none of the shop's rows change.
void TestInstalacion::actualizacion()
{
    QFETCH(QList<int>, hechas);
    QFETCH(bool, filaPropia);

    empresaAntigua();
    QCOMPARE(versionLeida(), 0);
    const std::vector<fb::ScriptStatement> guion = fb::splitScript(scriptRegistro());
    for (int i : hechas)
        ejecutar(guion[static_cast<size_t>(i)].text + u';');
    if (filaPropia)
        ejecutar(QStringLiteral("INSERT INTO ZANTOR_LMV_CONSULTAS (FECHA_HORA, ESTACION, CLAVE, RESULTADO, "
                                "ARTICULO_ID) VALUES ('2026-01-02 10:00:00', 'CAJA 1', '7501055300075', 'E', 1006);"));
    const QStringList configAntes = consultar(QStringLiteral("SELECT * FROM ZANTOR_LMV_CONFIG"));
    const QStringList filasAntes =
        hechas.isEmpty() ? QStringList{} : consultar(QStringLiteral("SELECT * FROM ZANTOR_LMV_CONSULTAS"));

    ActualizacionObjetos a;
    {
        auto dm = abrir();
        a = ActualizarObjetosAlIniciar(*dm, sesionDe(QStringLiteral("SYSDBA")), 0);
    }
    QCOMPARE(a.fallas, QString());
    QCOMPARE(int(a.estado), int(ActualizacionObjetos::Estado::Actualizada));
    QVERIFY(m_avisos->messages.empty());
    QCOMPARE(versionLeida(), kVersionObjetos);

    // The shop's settings as they were, and the version row.
    QStringList configDespues = consultar(QStringLiteral("SELECT * FROM ZANTOR_LMV_CONFIG"));
    QStringList esperada = configAntes + QStringList{"VERSION_OBJETOS|1|NULL|NULL|NULL"};
    configDespues.sort();
    esperada.sort();
    QCOMPARE(configDespues, esperada);
    QCOMPARE(consultar(QStringLiteral("SELECT * FROM ZANTOR_LMV_CONSULTAS")), filasAntes);
    QCOMPARE(consultar(QStringLiteral("SELECT TRIM(TRIM(RDB$RELATION_NAME) || ' ' || TRIM(RDB$FIELD_NAME) || "
                                      "IIF(RDB$NULL_FLAG = 1, ' NOT NULL', '')) FROM RDB$RELATION_FIELDS WHERE "
                                      "RDB$RELATION_NAME IN ('ZANTOR_LMV_CONSULTAS', 'ZANTOR_LMV_ESTACIONES') "
                                      "ORDER BY RDB$RELATION_NAME, RDB$FIELD_POSITION")),
             (QStringList{
                 "ZANTOR_LMV_CONSULTAS FECHA_HORA NOT NULL",
                 "ZANTOR_LMV_CONSULTAS ESTACION NOT NULL",
                 "ZANTOR_LMV_CONSULTAS CLAVE NOT NULL",
                 "ZANTOR_LMV_CONSULTAS RESULTADO NOT NULL",
                 "ZANTOR_LMV_CONSULTAS ARTICULO_ID",
                 "ZANTOR_LMV_ESTACIONES ESTACION NOT NULL",
                 "ZANTOR_LMV_ESTACIONES HOST",
                 "ZANTOR_LMV_ESTACIONES VERSION_PROGRAMA",
                 "ZANTOR_LMV_ESTACIONES EMPRESA",
                 "ZANTOR_LMV_ESTACIONES INICIO",
                 "ZANTOR_LMV_ESTACIONES LATIDO",
                 "ZANTOR_LMV_ESTACIONES ULTIMA_CONSULTA",
                 "ZANTOR_LMV_ESTACIONES ULTIMO_ERROR",
                 "ZANTOR_LMV_ESTACIONES KIOSCO",
                 "ZANTOR_LMV_ESTACIONES INDICE_LISTO",
             }));
    // The retention's index, descending as the reports read it.
    QCOMPARE(consultar(QStringLiteral("SELECT TRIM(RDB$RELATION_NAME) || ' ' || COALESCE(RDB$INDEX_TYPE, 0) FROM "
                                      "RDB$INDICES WHERE RDB$INDEX_NAME = 'ZANTOR_LMV_CONSULTAS_FECHA'")),
             QStringList{"ZANTOR_LMV_CONSULTAS 1"});

    // Any ERP user's station writes its rows.
    testsupport::grantMicrosipRole(testsupport::embeddedParams(m_ruta), QStringLiteral("CAJERO"));
    testsupport::runSql(testsupport::embeddedParams(m_ruta, QStringLiteral("CAJERO")),
                        QStringLiteral("INSERT INTO ZANTOR_LMV_CONSULTAS (FECHA_HORA, ESTACION, CLAVE, RESULTADO) "
                                       "VALUES (CURRENT_TIMESTAMP, 'CAJA 2', 'X', 'N');\n"
                                       "UPDATE OR INSERT INTO ZANTOR_LMV_ESTACIONES (ESTACION, LATIDO) VALUES "
                                       "('CAJA 2', CURRENT_TIMESTAMP) MATCHING (ESTACION);"));
    QCOMPARE(consultar(QStringLiteral("SELECT COUNT(*) FROM ZANTOR_LMV_ESTACIONES"), QStringLiteral("CAJERO")),
             QStringList{"1"});
}

// Running the update again (a start that read the version before another station's update
// committed) fails on nothing and changes nothing.
void TestInstalacion::actualizacionRepetida()
{
    empresaAntigua();
    {
        auto dm = abrir();
        QCOMPARE(int(ActualizarObjetosAlIniciar(*dm, sesionDe(QStringLiteral("SYSDBA")), 0).estado),
                 int(ActualizacionObjetos::Estado::Actualizada));
    }
    ejecutar(QStringLiteral("INSERT INTO ZANTOR_LMV_CONSULTAS (FECHA_HORA, ESTACION, CLAVE, RESULTADO) VALUES "
                            "(CURRENT_TIMESTAMP, 'CAJA 1', 'ABC', 'N');"));
    const QStringList config = consultar(QStringLiteral("SELECT * FROM ZANTOR_LMV_CONFIG"));
    const QStringList objetos = consultar(kSqlObjetos);
    const QStringList filas = consultar(QStringLiteral("SELECT * FROM ZANTOR_LMV_CONSULTAS"));
    {
        auto dm = abrir();
        const ActualizacionObjetos a = ActualizarObjetosAlIniciar(*dm, sesionDe(QStringLiteral("SYSDBA")), 0);
        QCOMPARE(a.fallas, QString());
        QCOMPARE(int(a.estado), int(ActualizacionObjetos::Estado::Actualizada));
    }
    QCOMPARE(consultar(QStringLiteral("SELECT * FROM ZANTOR_LMV_CONFIG")), config);
    QCOMPARE(consultar(kSqlObjetos), objetos);
    QCOMPARE(consultar(QStringLiteral("SELECT * FROM ZANTOR_LMV_CONSULTAS")), filas);
}

void TestInstalacion::actualizacionSinSysdba_data()
{
    QTest::addColumn<QString>("conexion");
    QTest::addColumn<QString>("usuario");
    QTest::newRow("usuario del ERP con su rol") << QStringLiteral("CAJERO") << QStringLiteral("CAJERO");
    QTest::newRow("otro usuario sobre una conexión que podría actualizar")
        << QStringLiteral("SYSDBA") << QStringLiteral("ADMIN");
}

// Anyone but SYSDBA leaves an older company exactly as it is.
void TestInstalacion::actualizacionSinSysdba()
{
    QFETCH(QString, conexion);
    QFETCH(QString, usuario);
    empresaAntigua();
    testsupport::grantMicrosipRole(testsupport::embeddedParams(m_ruta), QStringLiteral("CAJERO"));
    const QStringList objetos = consultar(kSqlObjetos);
    const QStringList config = consultar(QStringLiteral("SELECT * FROM ZANTOR_LMV_CONFIG"));
    {
        auto dm = abrir(conexion);
        QCOMPARE(int(ActualizarObjetosAlIniciar(*dm, sesionDe(usuario), 0).estado),
                 int(ActualizacionObjetos::Estado::Pendiente));
    }
    QCOMPARE(consultar(kSqlObjetos), objetos);
    QCOMPARE(consultar(QStringLiteral("SELECT * FROM ZANTOR_LMV_CONFIG")), config);
    QCOMPARE(versionLeida(), 0);
}

// A company whose objects are current (or newer, from a later program) costs the start-up no
// statement: the data module here was never connected, and any statement would throw.
void TestInstalacion::actualizacionAlDiaNoPregunta()
{
    Tdm dm(m_dir->filePath(QStringLiteral("config.xml")));
    for (int version : {kVersionObjetos, kVersionObjetos + 1})
        QCOMPARE(int(ActualizarObjetosAlIniciar(dm, sesionDe(QStringLiteral("SYSDBA")), version).estado),
                 int(ActualizacionObjetos::Estado::AlDia));
}

LUMIVO_TEST_GUILESS_MAIN(TestInstalacion)
#include "tst_instalacion.moc"
