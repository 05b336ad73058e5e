// The version check and the installation of the program's objects, on fresh stand-in company
// databases through the embedded engine.

#include "data/DatosConexion.h"
#include "data/Instalacion.h"
#include "data/uDM.h"
#include "firebird/Connection.h"
#include "firebird/Error.h"
#include "firebird/Query.h"
#include "firebird/Transaction.h"
#include "platform/MessageBox.h"
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

private:
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
// before the seventeen rows.
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
              << QStringLiteral("ZANTOR_LMV_POL_VOL");
    esperados.sort();
    QCOMPARE(consultar(kSqlObjetos), esperados);
    QCOMPARE(consultar(QStringLiteral("SELECT COUNT(*) FROM ZANTOR_LMV_CONFIG")), QStringList{"17"});

    // The next start passes both checks and installs nothing again.
    m_avisos->clear();
    auto dm = abrir();
    QVERIFY(!ValidarVersion(*dm));
    QVERIFY(!ValidarMetadatos(*dm, sesionDe(usuario)));
    QVERIFY(m_avisos->messages.empty());
    QCOMPARE(consultar(QStringLiteral("SELECT COUNT(*) FROM ZANTOR_LMV_CONFIG")), QStringList{"17"});
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

LUMIVO_TEST_GUILESS_MAIN(TestInstalacion)
#include "tst_instalacion.moc"
