// Proves that the stand-in ERP databases hold what testdata/microsip/README.md promises,
// through the same fb:: layer and the same statements that the station runs.

#include "connections/EmpresasUsuario.h"
#include "firebird/Connection.h"
#include "firebird/Error.h"
#include "firebird/Query.h"
#include "firebird/Transaction.h"
#include "lookup/BusquedaClave.h"
#include "lookup/ConsultasArticulo.h"
#include "rules/AjustesConsulta.h"
#include "search/BusquedaCatalogo.h"
#include "tests/support/EmpresaInstalada.h"
#include "tests/support/PruebaPrincipal.h"
#include "tests/support/TestDatabases.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <utility>
#include <vector>

using namespace testsupport;

namespace {

// The product's own statements, so that the stand-in database is checked against what the
// station really runs.
const QString& kLookup = kSqlBuscarClave;
const QString& kStock = consultas::kSqlAlmacen;
const QString& kKeys = consultas::kSqlClaves;

using Params = std::vector<std::pair<QString, fb::Value>>;

QString cell(const fb::Value& value)
{
    return value.isNull() ? QStringLiteral("<null>") : value.toString();
}

// An open connection with a started transaction.
struct Session {
    fb::Connection connection;
    std::unique_ptr<fb::Transaction> transaction;

    explicit Session(const QStringList& params)
    {
        connection.setParams(params);
        connection.open();
        transaction = std::make_unique<fb::Transaction>(connection);
        transaction->start();
    }

    // Every row of a SELECT, each as its cells joined by '|'.
    QStringList rows(const QString& sql, const Params& params = {})
    {
        fb::Query query(*transaction);
        query.setSql(sql);
        for (const auto& [name, value] : params)
            query.setParam(name, value);
        query.open();
        return readAll(query);
    }

    // The same for a statement that one of the product's functions opened on a query of this
    // session's transaction.
    template <typename Abrir> QStringList rowsOpenedBy(Abrir&& abrir)
    {
        fb::Query query(*transaction);
        abrir(query);
        return readAll(query);
    }

    static QStringList readAll(fb::Query& query)
    {
        QStringList result;
        while (query.next()) {
            QStringList cells;
            for (const fb::Value& v : query.row())
                cells << cell(v);
            result << cells.join(u'|');
        }
        return result;
    }
};

} // namespace

class TestSupport : public QObject {
    Q_OBJECT

private slots:
    void init();

    void copiesAreFreshAndFast();
    void textIsStoredAsLatin1();

    void lookupByKey_data();
    void lookupByKey();
    void stockPerWarehouse_data();
    void stockPerWarehouse();
    void keyList_data();
    void keyList();

    void customerDiscount_data();
    void customerDiscount();
    void priceLists_data();
    void priceLists();
    void volumeSteps_data();
    void volumeSteps();
    void firstEnabledPolicy();
    void lastPurchase_data();
    void lastPurchase();
    void stockInOneWarehouse_data();
    void stockInOneWarehouse();
    void comboLines_data();
    void comboLines();
    void catalogueFilters_data();
    void catalogueFilters();

    void userAccess_data();
    void userAccess();
    void companyLinks_data();
    void companyLinks();

    void roleGivesAccessToNonSysdba();
    void serverLoginWithRole();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_company;
};

void TestSupport::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_company = companyDatabase(m_dir->path());
}

void TestSupport::copiesAreFreshAndFast()
{
    {
        Session s(embeddedParams(m_company));
        fb::Query del(*s.transaction);
        del.setSql(QStringLiteral("DELETE FROM CLAVES_ARTICULOS"));
        del.execute();
        s.transaction->commit();
    }

    QElapsedTimer timer;
    timer.start();
    const QString other = companyDatabase(m_dir->path(), QStringLiteral("SUCURSAL.fdb"));
    const QString again = companyDatabase(m_dir->path()); // replaces the changed copy
    const QString system = systemDatabase(m_dir->path());
    const qint64 elapsed = timer.elapsed();
    QVERIFY2(elapsed < 1000, qPrintable(QStringLiteral("three copies took %1 ms").arg(elapsed)));

    QCOMPARE(again, m_company);
    QCOMPARE(system, QDir(m_dir->path()).filePath(QStringLiteral("System/Config.fdb")));
    for (const QString& path : {other, again})
        QCOMPARE(Session(embeddedParams(path)).rows(QStringLiteral("SELECT COUNT(*) FROM CLAVES_ARTICULOS")),
                 QStringList{QStringLiteral("33")});
}

void TestSupport::textIsStoredAsLatin1()
{
    // A UTF-8 script sent as UTF-8 bytes would store "Jalapeño" as 9 characters, and the
    // lookup would still round-trip; the byte value of the ñ gives it away.
    Session s(embeddedParams(m_company));
    QCOMPARE(
        s.rows(QStringLiteral("SELECT CHAR_LENGTH(nombre), OCTET_LENGTH(nombre), "
                              "ASCII_VAL(SUBSTRING(nombre FROM 7 FOR 1)) FROM articulos WHERE articulo_id = 1006")),
        QStringList{QStringLiteral("24|24|241")});
}

void TestSupport::lookupByKey_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QStringList>("expected"); // articulo_id|nombre|clave|fecha|linea

    const QString coca = QStringLiteral("1001|COCA COLA LIGHT 600ML|%1|2024-03-15|Bebidas");
    QTest::newRow("barcode") << "7501055300075" << QStringList{coca.arg(QStringLiteral("7501055300075"))};
    QTest::newRow("lower-case key") << "coca600" << QStringList{coca.arg(QStringLiteral("coca600"))};
    QTest::newRow("other letter case: no match") << "COCA600" << QStringList{};
    QTest::newRow("trailing blank matches (server pads)")
        << "CCL600 " << QStringList{coca.arg(QStringLiteral("CCL600"))};
    QTest::newRow("wildcard is not a pattern") << "CCL%" << QStringList{};
    QTest::newRow("empty key") << "" << QStringList{};
    QTest::newRow("accents") << QStringLiteral("JALAPEÑO-GR")
                             << QStringList{
                                    QStringLiteral("1006|Jalapeño en rajas granel|JALAPEÑO-GR|2023-12-31|Abarrotes")};
    QTest::newRow("apostrophe") << "O'HARA"
                                << QStringList{
                                       QStringLiteral("1010|Galletas O'Hara surtidas|O'HARA|2024-01-05|Abarrotes")};
    QTest::newRow("20 characters") << "ABCDEFGHIJ0123456789"
                                   << QStringList{
                                          QStringLiteral("1003|Agua 750 ml|ABCDEFGHIJ0123456789|2024-02-01|Bebidas")};
    QTest::newRow("no product line") << "TORN-14X2"
                                     << QStringList{QStringLiteral(
                                            "1012|Tornillo 1/4 x 2 pulgadas|TORN-14X2|2022-10-10|<null>")};
    QTest::newRow("never bought") << "CUAD-PRO"
                                  << QStringList{QStringLiteral(
                                         "1013|Cuaderno profesional 100 hojas|CUAD-PRO|<null>|Papelería")};
    QTest::newRow("key of a deleted article")
        << "HUERFANA" << QStringList{QStringLiteral("<null>|<null>|HUERFANA|<null>|<null>")};
    QTest::newRow("shared key, stored order")
        << "7502223330001"
        << QStringList{QStringLiteral("1008|Paleta de tamarindo|7502223330001|2024-03-01|Dulcería"),
                       QStringLiteral("1009|Paleta de tamarindo enchilada|7502223330001|2024-03-02|Dulcería")};
}

void TestSupport::lookupByKey()
{
    QFETCH(QString, key);
    QFETCH(QStringList, expected);
    QCOMPARE(Session(embeddedParams(m_company)).rows(kLookup, {{QStringLiteral("C_CLAVE"), key}}), expected);
}

void TestSupport::stockPerWarehouse_data()
{
    QTest::addColumn<int>("article");
    QTest::addColumn<QStringList>("expected"); // nombre|existencia|localizacion

    QTest::newRow("three warehouses, one without location")
        << 1001
        << QStringList{QStringLiteral("Matriz|120.000000|A-01-03"), QStringLiteral("Bodega norte|36.500000|N-02"),
                       QStringLiteral("Almacén de tránsito|0.000000|<null>")};
    QTest::newRow("location row with NULL location")
        << 1007
        << QStringList{QStringLiteral("Matriz|70.000000|F-01"), QStringLiteral("Almacén de tránsito|35.000000|<null>")};
    QTest::newRow("location without stock is not listed")
        << 1003
        << QStringList{QStringLiteral("Matriz|200.000000|B-02"),
                       QStringLiteral("Almacén de tránsito|12.000000|<null>")};
    QTest::newRow("no stock anywhere") << 1011 << QStringList{};
}

void TestSupport::stockPerWarehouse()
{
    QFETCH(int, article);
    QFETCH(QStringList, expected);
    QCOMPARE(Session(embeddedParams(m_company)).rows(kStock, {{QStringLiteral("N_ARTICULO_ID"), article}}), expected);
}

void TestSupport::keyList_data()
{
    QTest::addColumn<int>("article");
    QTest::addColumn<QStringList>("expected"); // role|key

    QTest::newRow("role-less first, then by role name")
        << 1001
        << QStringList{QStringLiteral("<null>|coca600"), QStringLiteral("Clave principal|CCL600"),
                       QStringLiteral("Código de barras|7501055300075"), QStringLiteral("Proveedor|PROV-88123")};
    QTest::newRow("single key") << 1013 << QStringList{QStringLiteral("Clave principal|CUAD-PRO")};
    QTest::newRow("no keys") << 1023 << QStringList{};
}

void TestSupport::keyList()
{
    QFETCH(int, article);
    QFETCH(QStringList, expected);
    QCOMPARE(Session(embeddedParams(m_company)).rows(kKeys, {{QStringLiteral("n_articulo_id"), article}}), expected);
}

void TestSupport::customerDiscount_data()
{
    QTest::addColumn<int>("customer");
    QTest::addColumn<int>("article");
    QTest::addColumn<QString>("discount");

    QTest::newRow("walk-in customer, no row") << 465 << 1001 << "0.000000";
    QTest::newRow("walk-in customer, article row") << 465 << 1006 << "12.500000";
    QTest::newRow("general row") << 466 << 1001 << "12.500000";
    QTest::newRow("article row wins over general row") << 466 << 1003 << "0.000000";
    QTest::newRow("full discount") << 467 << 1001 << "100.000000";
    QTest::newRow("NULL discount") << 468 << 1001 << "<null>";
    QTest::newRow("customer without rows") << 469 << 1001 << "0.000000";
    QTest::newRow("unknown customer") << 0 << 1001 << "0.000000";
}

void TestSupport::customerDiscount()
{
    QFETCH(int, customer);
    QFETCH(int, article);
    QFETCH(QString, discount);

    Session s(embeddedParams(m_company));
    fb::Query q(*s.transaction);
    q.setSql(QStringLiteral("EXECUTE PROCEDURE GET_DSCTO_ART(:cliente, :articulo, 'TODAY', 'NOW', 0, 0)"));
    q.setParam(QStringLiteral("cliente"), customer);
    q.setParam(QStringLiteral("articulo"), article);
    q.execute();
    QCOMPARE(q.columnCount(), 8);
    QCOMPARE(cell(q.value(2)), discount);
    QVERIFY(std::holds_alternative<bool>(q.value(7).storage()));
}

void TestSupport::priceLists_data()
{
    QTest::addColumn<int>("article");
    QTest::addColumn<QStringList>("expected"); // id|name|price with tax

    QTest::newRow("three lists, by position")
        << 1001
        << QStringList{QStringLiteral("42|Precio de lista|18.500000"), QStringLiteral("450|Mayoreo|16.000000"),
                       QStringLiteral("451|Distribuidor|17.250000")};
    QTest::newRow("four decimals, content 35")
        << 1007 << QStringList{QStringLiteral("42|Precio de lista|39.900000"), QStringLiteral("450|Mayoreo|35.728900")};
    QTest::newRow("without the default list 450")
        << 1016
        << QStringList{QStringLiteral("42|Precio de lista|55.000000"), QStringLiteral("451|Distribuidor|49.500000")};
    QTest::newRow("no price lists") << 1011 << QStringList{};
}

void TestSupport::priceLists()
{
    QFETCH(int, article);
    QFETCH(QStringList, expected);
    QCOMPARE(Session(embeddedParams(m_company))
                 .rows(QStringLiteral("SELECT precio_empresa_id, nombre_precio, precio_con_impto "
                                      "FROM ORSP_VE_PRECIOS_ART(:articulo, 'N')"),
                       {{QStringLiteral("articulo"), article}}),
             expected);
}

void TestSupport::volumeSteps_data()
{
    QTest::addColumn<int>("policy");
    QTest::addColumn<int>("article");
    QTest::addColumn<QStringList>("expected"); // unidades|descuento

    QTest::newRow("every step, NULL quantity first")
        << 11 << 1014 << QStringList{QStringLiteral("<null>|40.000000"),   QStringLiteral("-1.000000|30.000000"),
                                     QStringLiteral("0.000000|20.000000"), QStringLiteral("3.000000|0.000000"),
                                     QStringLiteral("6.000000|5.000000"),  QStringLiteral("12.000000|10.000000")};
    QTest::newRow("rounding case") << 11 << 1015 << QStringList{QStringLiteral("3.000000|0.000000")};
    QTest::newRow("disabled policy still answers") << 10 << 1014 << QStringList{QStringLiteral("6.000000|50.000000")};
    QTest::newRow("article without steps") << 11 << 1011 << QStringList{};
}

void TestSupport::volumeSteps()
{
    QFETCH(int, policy);
    QFETCH(int, article);
    QFETCH(QStringList, expected);
    QCOMPARE(Session(embeddedParams(m_company))
                 .rows(QStringLiteral("SELECT UNIDADES, DESCUENTO FROM get_dsctos_pol_vol(:politica, :articulo)"),
                       {{QStringLiteral("politica"), policy}, {QStringLiteral("articulo"), article}}),
             expected);
}

void TestSupport::firstEnabledPolicy()
{
    // The station takes the first enabled policy without ordering; the disabled one is stored first.
    QCOMPARE(Session(embeddedParams(m_company))
                 .rows(QStringLiteral("SELECT FIRST 1 politica_dscto_volumen_id FROM politicas_dsctos_volumen "
                                      "WHERE habilitada = 'S'")),
             QStringList{QStringLiteral("11")});
}

void TestSupport::lastPurchase_data()
{
    QTest::addColumn<int>("article");
    QTest::addColumn<QString>("date");

    QTest::newRow("latest of three, not the last stored") << 1001 << "2024-03-15";
    QTest::newRow("never bought") << 1013 << "<null>";
    QTest::newRow("unknown article") << 9999 << "<null>";
}

void TestSupport::lastPurchase()
{
    QFETCH(int, article);
    QFETCH(QString, date);
    QCOMPARE(Session(embeddedParams(m_company))
                 .rows(QStringLiteral("SELECT fecha_ultima_compra FROM GET_ULTCOM_ART(:articulo)"),
                       {{QStringLiteral("articulo"), article}}),
             QStringList{date});
}

void TestSupport::stockInOneWarehouse_data()
{
    QTest::addColumn<int>("article");
    QTest::addColumn<int>("warehouse");
    QTest::addColumn<QStringList>("direct"); // exival_art alone: articulo_id|existencia
    QTest::addColumn<QString>("coalesced");  // as the catalogue search reads it

    QTest::newRow("stock row") << 1002 << 20 << QStringList{QStringLiteral("1002|48.00000")} << "48.00000";
    QTest::newRow("five decimals") << 1020 << 19 << QStringList{QStringLiteral("1020|2.37500")} << "2.37500";
    QTest::newRow("no stock row: no row") << 1002 << 19 << QStringList{} << "0.00000";
}

void TestSupport::stockInOneWarehouse()
{
    QFETCH(int, article);
    QFETCH(int, warehouse);
    QFETCH(QStringList, direct);
    QFETCH(QString, coalesced);

    Session s(embeddedParams(m_company));
    const Params params{{QStringLiteral("articulo"), article}, {QStringLiteral("almacen"), warehouse}};
    QCOMPARE(s.rows(QStringLiteral("SELECT articulo_id, existencia FROM exival_art(:articulo, :almacen, 'today', 'N')"),
                    params),
             direct);
    QCOMPARE(s.rows(QStringLiteral("SELECT coalesce(e.existencia, 0) FROM articulos a "
                                   "left join exival_art (a.articulo_id, :almacen, 'today','N') e "
                                   "on e.articulo_id = a.articulo_id WHERE a.articulo_id = :articulo"),
                    params),
             QStringList{coalesced});
}

void TestSupport::comboLines_data()
{
    QTest::addColumn<int>("article");
    QTest::addColumn<QStringList>("expected"); // unidades_minimas|precio_especial

    QTest::newRow("enabled 'P' lines only")
        << 1001 << QStringList{QStringLiteral("24.00000|15.500000"), QStringLiteral("48.00000|14.750000")};
    QTest::newRow("lines, none enabled 'P'") << 1003 << QStringList{};
}

void TestSupport::comboLines()
{
    QFETCH(int, article);
    QFETCH(QStringList, expected);
    QCOMPARE(Session(embeddedParams(m_company))
                 .rows(QStringLiteral("SELECT d.unidades_minimas, d.precio_especial FROM ofertas_mm_det d "
                                      "left join ofertas_mm o on o.oferta_mm_id = d.oferta_mm_id "
                                      "WHERE d.articulo_id = :articulo AND o.habilitada = 'S' "
                                      "AND d.tipo_dscto = 'P' ORDER BY d.unidades_minimas"),
                       {{QStringLiteral("articulo"), article}}),
             expected);
}

void TestSupport::catalogueFilters_data()
{
    // Through the catalogue search's own statements: by name or by key.
    QTest::addColumn<bool>("byKey");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QStringList>("articles"); // one per matching row, sorted

    const bool name = false;
    const bool key = true;
    QTest::newRow("second blank is literal")
        << name << "coca%cola light%" << QStringList{QStringLiteral("1001"), QStringLiteral("1002")};
    QTest::newRow("case and accents ignored")
        << name << "%cafe%" << QStringList{QStringLiteral("1005"), QStringLiteral("1021")};
    QTest::newRow("accented pattern") << name << QStringLiteral("CAFÉ%")
                                      << QStringList{QStringLiteral("1005"), QStringLiteral("1021")};
    // ES_ES treats ñ as a letter of its own, not as an accented n.
    QTest::newRow("n does not match ñ") << name << "pinata%" << QStringList{};
    QTest::newRow("Ñ matches ñ") << name << QStringLiteral("PIÑATA%") << QStringList{QStringLiteral("1007")};
    QTest::newRow("name starting with 750") << name << "750%" << QStringList{QStringLiteral("1004")};
    QTest::newRow("750 anywhere in a name")
        << name << "%750%" << QStringList{QStringLiteral("1003"), QStringLiteral("1004")};
    QTest::newRow("keys starting with 750")
        << key << "750%"
        << QStringList{QStringLiteral("1001"), QStringLiteral("1002"), QStringLiteral("1003"), QStringLiteral("1004"),
                       QStringLiteral("1005"), QStringLiteral("1007"), QStringLiteral("1008"), QStringLiteral("1009")};
    QTest::newRow("keys with 750 anywhere")
        << key << "%750%" << QStringList{QStringLiteral("1001"), QStringLiteral("1002"), QStringLiteral("1003"),
                                         QStringLiteral("1003"), QStringLiteral("1004"), QStringLiteral("1005"),
                                         QStringLiteral("1007"), QStringLiteral("1008"), QStringLiteral("1009")};
    QTest::newRow("typed % and _ are wildcards") << key << "D_LCE_1%" << QStringList{QStringLiteral("1022")};
}

void TestSupport::catalogueFilters()
{
    QFETCH(bool, byKey);
    QFETCH(QString, pattern);
    QFETCH(QStringList, articles);

    // The statements read the station's price procedure, which the installation adds.
    Session s(embeddedParams(pruebas::empresaInstalada(m_dir->path(), QStringLiteral("INSTALADA.fdb"))));
    const AjustesConsulta ajustes;
    QStringList rows = s.rowsOpenedBy([&](fb::Query& query) {
        if (byKey)
            catalogo::abrirPorClave(query, ajustes, pattern);
        else
            catalogo::abrirPorNombre(query, ajustes, pattern);
    });
    for (QString& row : rows)
        row = row.section(u'|', 0, 0);
    rows.sort();
    QCOMPARE(rows, articles);
}

void TestSupport::userAccess_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QStringList>("firstRow"); // ACCESO_EMPRESAS|USUARIO_ID

    QTest::newRow("general access") << "ADMIN" << QStringList{QStringLiteral("T|2")};
    QTest::newRow("underscore matches ADMIN first") << "A_MIN" << QStringList{QStringLiteral("T|2")};
    QTest::newRow("stored in mixed case, lower-case t") << "GERENTE" << QStringList{QStringLiteral("t|6")};
    QTest::newRow("SYSDBA row is restricted") << "sysdba" << QStringList{QStringLiteral("N|1")};
    QTest::newRow("no such user") << "NADIE" << QStringList{};
}

void TestSupport::userAccess()
{
    QFETCH(QString, user);
    QFETCH(QStringList, firstRow);

    const QString path = systemDatabase(m_dir->path());
    QStringList rows = Session(embeddedParams(path))
                           .rows(QStringLiteral("select ACCESO_EMPRESAS,USUARIO_ID from USUARIOS "
                                                "where upper(nombre) like upper(:C_Usuario)"),
                                 {{QStringLiteral("C_Usuario"), user}});
    QCOMPARE(rows.mid(0, 1), firstRow);
}

void TestSupport::companyLinks_data()
{
    QTest::addColumn<int>("userId");
    QTest::addColumn<QStringList>("companies");

    QTest::newRow("one company") << 3 << QStringList{QStringLiteral("DEMO")};
    QTest::newRow("dangling link gives NULL") << 5 << QStringList{QStringLiteral("<null>"), QStringLiteral("SUCURSAL")};
    QTest::newRow("no links") << 7 << QStringList{};
    QTest::newRow("SYSDBA has no links") << 1 << QStringList{};
}

void TestSupport::companyLinks()
{
    QFETCH(int, userId);
    QFETCH(QStringList, companies);

    // Through the company window's own statements.
    Session s(embeddedParams(systemDatabase(m_dir->path())));
    QStringList rows = s.rowsOpenedBy([userId](fb::Query& query) { empresas::abrirDelUsuario(query, userId); });
    rows.sort();
    QCOMPARE(rows, companies);
    QStringList all = s.rowsOpenedBy([](fb::Query& query) { empresas::abrirTodas(query); });
    all.sort();
    QCOMPARE(all, (QStringList{QStringLiteral("DEMO"), QStringLiteral("EJEMPLO"), QStringLiteral("SUCURSAL")}));
}

void TestSupport::roleGivesAccessToNonSysdba()
{
    // The embedded engine trusts the user name but enforces its rights.
    grantMicrosipRole(embeddedParams(m_company), QStringLiteral("CAJERO"));
    {
        Session s(embeddedParams(m_company, QStringLiteral("CAJERO")));
        QCOMPARE(s.rows(QStringLiteral("SELECT CURRENT_ROLE FROM RDB$DATABASE")), QStringList{QLatin1String(kRole)});
        QCOMPARE(s.rows(kLookup, {{QStringLiteral("C_CLAVE"), QStringLiteral("CCL600")}}).size(), 1);
        QCOMPARE(s.rows(QStringLiteral("SELECT COUNT(*) FROM ORSP_VE_PRECIOS_ART(1001, 'N')")),
                 QStringList{QStringLiteral("3")});
        // The procedures read the STANDIN_* tables with rights of their own.
        QVERIFY_THROWS_EXCEPTION(fb::Error, s.rows(QStringLiteral("SELECT COUNT(*) FROM STANDIN_PRECIOS")));
    }
    Session intruder(embeddedParams(m_company, QStringLiteral("INTRUSO")));
    QCOMPARE(intruder.rows(QStringLiteral("SELECT CURRENT_ROLE FROM RDB$DATABASE")),
             QStringList{QStringLiteral("NONE")});
    QVERIFY_THROWS_EXCEPTION(fb::Error, intruder.rows(QStringLiteral("SELECT COUNT(*) FROM ARTICULOS")));
}

void TestSupport::serverLoginWithRole()
{
    LUMIVO_REQUIRE_SERVER();

    const QString company = serverCompanyDatabase(m_dir->path(), QStringLiteral("SERVIDOR.fdb"));
    const QString system = serverSystemDatabase(m_dir->path());
    const QString password = QStringLiteral("it's s3cret");
    ServerUser user(QStringLiteral("LMV_TSUPPORT"), password);
    grantMicrosipRole(serverParams(company), user.name());

    {
        Session s(serverParams(company, user.name(), password));
        QCOMPARE(s.rows(QStringLiteral("SELECT CURRENT_USER, CURRENT_ROLE FROM RDB$DATABASE")),
                 QStringList{QStringLiteral("LMV_TSUPPORT|") + QLatin1String(kRole)});
        QCOMPARE(s.rows(kLookup, {{QStringLiteral("C_CLAVE"), QStringLiteral("JALAPEÑO-GR")}}),
                 QStringList{QStringLiteral("1006|Jalapeño en rajas granel|JALAPEÑO-GR|2023-12-31|Abarrotes")});
    }
    QCOMPARE(Session(serverParams(system)).rows(QStringLiteral("SELECT COUNT(*) FROM EMPRESAS")),
             QStringList{QStringLiteral("3")});
    QVERIFY_THROWS_EXCEPTION(fb::Error, Session(serverParams(company, user.name(), QStringLiteral("wrong"))));
}

LUMIVO_TEST_GUILESS_MAIN(TestSupport)
#include "tst_support.moc"
