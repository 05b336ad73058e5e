// ZANTOR_LMV_LISTA and ZANTOR_LMV_POL_VOL as installed by the program's scripts, run on a fresh
// stand-in company database (testdata/microsip/README.md lists the fixture rows).

#include "data/Instalacion.h"
#include "firebird/Connection.h"
#include "firebird/Query.h"
#include "firebird/Transaction.h"
#include "firebird/values/Decimal.h"
#include "tests/support/PruebaPrincipal.h"
#include "tests/support/TestDatabases.h"

#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <stdexcept>

namespace {

// "NULL" or a number; decimals travel as exact decimals.
fb::Value argumento(const QString& a)
{
    if (a == QLatin1StringView("NULL"))
        return {};
    if (a.contains(u'.'))
        return fb::Decimal::fromString(a);
    return a.toInt();
}

} // namespace

class TestProcedimientos : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void lista_data();
    void lista();
    void polVol_data();
    void polVol();

private:
    QStringList ejecutar(const QString& sql, const QStringList& argumentos);

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_ruta;
};

void TestProcedimientos::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_ruta = testsupport::companyDatabase(m_dir->path());

    fb::Connection conexion;
    conexion.setParams(testsupport::embeddedParams(m_ruta));
    conexion.open();
    fb::Transaction transaccion(conexion);
    transaccion.start();
    const std::vector<fb::ScriptFailure> fallas = InstalarObjetos(transaccion);
    for (const fb::ScriptFailure& f : fallas)
        qWarning().noquote() << f.statement.left(80) << f.message;
    QVERIFY(fallas.empty());
    transaccion.commit();
}

void TestProcedimientos::cleanup()
{
    m_dir.reset();
}

// The rows of a selectable procedure, fields joined by "|".
QStringList TestProcedimientos::ejecutar(const QString& sql, const QStringList& argumentos)
{
    testsupport::QueryParams parametros;
    for (int i = 0; i < argumentos.size(); ++i)
        parametros.emplace_back(QStringLiteral("a%1").arg(i), argumento(argumentos[i]));
    return testsupport::queryRows(testsupport::embeddedParams(m_ruta), sql, parametros);
}

void TestProcedimientos::lista_data()
{
    QTest::addColumn<QString>("preparacion");
    QTest::addColumn<QStringList>("argumentos"); // article, customer
    QTest::addColumn<QStringList>("filas");

    // NOMBRE|PRECIO|DSCTO|PRECION|PRECIO_EMPRESA_ID|PRECIO_UC|CONTENIDO|UNIDAD_VENTA|UNIDAD_COMPRA
    QTest::newRow("sin descuento, en el orden del ERP")
        << QString() << QStringList{"1001", "465"}
        << QStringList{
               "Precio de lista|18.500000|0.000000|18.500000|42|444.000000|24.000000|PZA|CAJA",
               "Mayoreo|16.000000|0.000000|16.000000|450|384.000000|24.000000|PZA|CAJA",
               "Distribuidor|17.250000|0.000000|17.250000|451|414.000000|24.000000|PZA|CAJA",
           };
    QTest::newRow("12.5 % con contenido fraccionario")
        << QString() << QStringList{"1006", "465"}
        << QStringList{
               "Precio de lista|64.000000|12.500000|56.000000|42|84.000000|1.500000|KG|BOLSA",
               "Mayoreo|58.000000|12.500000|50.750000|450|76.125000|1.500000|KG|BOLSA",
           };
    QTest::newRow("12.5 % redondeado a 6 decimales, la mitad hacia arriba")
        << QString() << QStringList{"1007", "466"}
        << QStringList{
               "Precio de lista|39.900000|12.500000|34.912500|42|1221.937500|35.000000|PZS|CAJA",
               // 35.7289 x 0.875 = 31.2627875; the unit of purchase is priced from the rounded net price.
               "Mayoreo|35.728900|12.500000|31.262788|450|1094.197580|35.000000|PZS|CAJA",
           };
    QTest::newRow("100 %") << QString() << QStringList{"1003", "467"}
                           << QStringList{
                                  "Precio de lista|9.500000|100.000000|0.000000|42|0.000000|1.000000|PZA|PZA",
                                  "Mayoreo|8.000000|100.000000|0.000000|450|0.000000|1.000000|PZA|PZA",
                                  "Distribuidor|8.750000|100.000000|0.000000|451|0.000000|1.000000|PZA|PZA",
                              };
    QTest::newRow("contenido 1: el precio de compra es el neto")
        << QString() << QStringList{"1003", "465"}
        << QStringList{
               "Precio de lista|9.500000|0.000000|9.500000|42|9.500000|1.000000|PZA|PZA",
               "Mayoreo|8.000000|0.000000|8.000000|450|8.000000|1.000000|PZA|PZA",
               "Distribuidor|8.750000|0.000000|8.750000|451|8.750000|1.000000|PZA|PZA",
           };
    QTest::newRow("descuento nulo") << QString() << QStringList{"1016", "468"}
                                    << QStringList{
                                           "Precio de lista|55.000000|NULL|NULL|42|NULL|8.000000|PZA|CAJA",
                                           "Distribuidor|49.500000|NULL|NULL|451|NULL|8.000000|PZA|CAJA",
                                       };
    QTest::newRow("contenido y unidades nulos")
        << QString() << QStringList{"1017", "466"}
        << QStringList{
               "Precio de lista|80.000000|12.500000|70.000000|42|NULL|NULL|NULL|NULL",
               "Mayoreo|80.000000|12.500000|70.000000|450|NULL|NULL|NULL|NULL",
           };
    QTest::newRow("sin listas de precios") << QString() << QStringList{"1011", "465"} << QStringList();
    QTest::newRow("artículo inexistente") << QString() << QStringList{"424242", "465"} << QStringList();
    QTest::newRow("artículo nulo") << QString() << QStringList{"NULL", "465"} << QStringList();

    // Values a plain product of two NUMERIC(18,6) cannot reach: its 12-decimal result overflows
    // 64 bits past about 9.2 million.
    const QString articulo = QStringLiteral(
        "INSERT INTO ARTICULOS (ARTICULO_ID, NOMBRE, UNIDAD_VENTA, UNIDAD_COMPRA, CONTENIDO_UNIDAD_COMPRA) "
        "VALUES (%1, 'Grande %1', 'PZA', 'CAJA', %2);\n"
        "INSERT INTO STANDIN_PRECIOS (ARTICULO_ID, PRECIO_EMPRESA_ID, PRECIO_CON_IMPTO) VALUES (%1, 450, %3);\n");
    QTest::newRow("304,500 por 35")
        << articulo.arg(2001).arg(QStringLiteral("35"), QStringLiteral("304500")) << QStringList{"2001", "465"}
        << QStringList{"Mayoreo|304500.000000|0.000000|304500.000000|450|10657500.000000|35.000000|PZA|CAJA"};
    QTest::newRow("millones con 12.5 % y contenido fraccionario")
        << articulo.arg(2002).arg(QStringLiteral("1000.5"), QStringLiteral("9999999.99")) << QStringList{"2002", "466"}
        << QStringList{"Mayoreo|9999999.990000|12.500000|8749999.991250|450|8754374991.245625|1000.500000|PZA|CAJA"};
    QTest::newRow("el mayor precio que cabe")
        << articulo.arg(2003).arg(QStringLiteral("1"), QStringLiteral("9223372036854.775807"))
        << QStringList{"2003", "465"}
        << QStringList{
               "Mayoreo|9223372036854.775807|0.000000|9223372036854.775807|450|9223372036854.775807|1.000000|PZA|CAJA"};
    QTest::newRow("el mayor precio con 100 %")
        << articulo.arg(2003).arg(QStringLiteral("1"), QStringLiteral("9223372036854.775807"))
        << QStringList{"2003", "467"}
        << QStringList{"Mayoreo|9223372036854.775807|100.000000|0.000000|450|0.000000|1.000000|PZA|CAJA"};
    // 123.456789 x (1 - 0.12345678) = 108.2152105...; dividing the percentage by 100 at 6 decimals
    // first would drop its last two digits and give 108.215308.
    QTest::newRow("descuento de 6 decimales, exacto")
        << articulo.arg(2004).arg(QStringLiteral("2.5"), QStringLiteral("123.456789")) +
               QStringLiteral("INSERT INTO STANDIN_DSCTOS_CLIENTE (CLIENTE_ID, ARTICULO_ID, DESCUENTO) "
                              "VALUES (470, 2004, 12.345678);")
        << QStringList{"2004", "470"}
        << QStringList{"Mayoreo|123.456789|12.345678|108.215211|450|270.538028|2.500000|PZA|CAJA"};
}

void TestProcedimientos::lista()
{
    QFETCH(QString, preparacion);
    QFETCH(QStringList, argumentos);
    QFETCH(QStringList, filas);

    if (!preparacion.isEmpty())
        testsupport::runSql(testsupport::embeddedParams(m_ruta), preparacion);
    QCOMPARE(ejecutar(QStringLiteral("SELECT * FROM ZANTOR_LMV_LISTA(:a0, :a1)"), argumentos), filas);
}

void TestProcedimientos::polVol_data()
{
    QTest::addColumn<QString>("preparacion");
    QTest::addColumn<QStringList>("argumentos"); // article, policy, net price
    QTest::addColumn<QStringList>("filas");

    // CANTIDAD|DESCUENTO|PRECIO_UNIT|MONTO
    const QStringList termo{
        "3.000000|0.000000|100.000000|300.000000",
        "6.000000|5.000000|95.000000|570.000000",
        "12.000000|10.000000|90.000000|1080.000000",
    };
    QTest::newRow("0 es la primera política habilitada; cantidades nula, negativa y 0 fuera")
        << QString() << QStringList{"1014", "0", "100.0"} << termo;
    QTest::newRow("política explícita") << QString() << QStringList{"1014", "11", "100.0"} << termo;
    QTest::newRow("una política deshabilitada pedida por su id")
        << QString() << QStringList{"1014", "10", "100.0"} << QStringList{"6.000000|50.000000|50.000000|300.000000"};
    QTest::newRow("otra política habilitada")
        << QString() << QStringList{"1014", "12", "100.0"} << QStringList{"2.000000|50.000000|50.000000|100.000000"};
    QTest::newRow("política nula") << QString() << QStringList{"1014", "NULL", "100.0"} << QStringList();
    QTest::newRow("redondeo a 2 decimales")
        << QString() << QStringList{"1015", "0", "10.005"} << QStringList{"3.000000|0.000000|10.010000|30.030000"};
    QTest::newRow("neto nulo") << QString() << QStringList{"1015", "0", "NULL"}
                               << QStringList{"3.000000|0.000000|NULL|NULL"};
    QTest::newRow("artículo sin escalas") << QString() << QStringList{"1011", "0", "100.0"} << QStringList();
    QTest::newRow("sin política habilitada") << QStringLiteral("UPDATE POLITICAS_DSCTOS_VOLUMEN SET HABILITADA = 'N';")
                                             << QStringList{"1014", "0", "100.0"} << QStringList();

    const QString escala = QStringLiteral(
        "INSERT INTO STANDIN_POL_VOL_DET (POLITICA_ID, ARTICULO_ID, UNIDADES, DESCUENTO) VALUES (11, 2001, %1, %2);\n");
    QTest::newRow("millones por 3 piezas")
        << escala.arg(QStringLiteral("3"), QStringLiteral("0")) << QStringList{"2001", "0", "5000000.0"}
        << QStringList{"3.000000|0.000000|5000000.000000|15000000.000000"};
    QTest::newRow("diez millones con 100 %")
        << escala.arg(QStringLiteral("4"), QStringLiteral("100")) << QStringList{"2001", "0", "10000000.004999"}
        << QStringList{"4.000000|100.000000|0.000000|0.000000"};
    QTest::newRow("millones con fracciones")
        << escala.arg(QStringLiteral("7.5"), QStringLiteral("2.5")) << QStringList{"2001", "0", "1234567.891234"}
        << QStringList{"7.500000|2.500000|1203703.690000|9027777.675000"};
    QTest::newRow("el mayor neto que cabe")
        << escala.arg(QStringLiteral("1"), QStringLiteral("0")) << QStringList{"2001", "0", "9000000000000.0"}
        << QStringList{"1.000000|0.000000|9000000000000.000000|9000000000000.000000"};
    // 12.345678 % of a million is 123,456.78; the percentage cut to 6 decimals after dividing it
    // by 100 would take 123,456 off.
    QTest::newRow("descuento de 6 decimales, exacto")
        << escala.arg(QStringLiteral("1"), QStringLiteral("12.345678")) << QStringList{"2001", "0", "1000000.0"}
        << QStringList{"1.000000|12.345678|876543.220000|876543.220000"};
    // 10.005 x 0.99999996 = 10.0049995998: rounded once to 2 decimals it is 10.00, not the 10.01
    // that rounding to 6 decimals first would give.
    QTest::newRow("un solo redondeo") << escala.arg(QStringLiteral("1"), QStringLiteral("0.000004"))
                                      << QStringList{"2001", "0", "10.005"}
                                      << QStringList{"1.000000|0.000004|10.000000|10.000000"};
}

void TestProcedimientos::polVol()
{
    QFETCH(QString, preparacion);
    QFETCH(QStringList, argumentos);
    QFETCH(QStringList, filas);

    if (!preparacion.isEmpty())
        testsupport::runSql(testsupport::embeddedParams(m_ruta), preparacion);
    QCOMPARE(ejecutar(QStringLiteral("SELECT * FROM ZANTOR_LMV_POL_VOL(:a0, :a1, :a2)"), argumentos), filas);
}

LUMIVO_TEST_GUILESS_MAIN(TestProcedimientos)
#include "tst_procedimientos.moc"
