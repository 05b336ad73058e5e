// The idle showcase's cards and settings, read from a stand-in company with enabled and disabled
// offers and an offer price list, on which the station's objects were installed.

#include "data/ConfigEmpresa.h"
#include "firebird/Connection.h"
#include "firebird/Query.h"
#include "firebird/Transaction.h"
#include "lookup/ConsultasEscaparate.h"
#include "rules/AjustesConsulta.h"
#include "tests/support/EmpresaInstalada.h"
#include "tests/support/PruebaPrincipal.h"

#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace {

QStringList describir(const std::vector<TarjetaEscaparate>& tarjetas)
{
    QStringList filas;
    for (const TarjetaEscaparate& t : tarjetas)
        filas << QStringList{t.encabezado, t.articulo, t.precio, t.detalle}.join(u'|');
    return filas;
}

const QLocale kMexico(QLocale::Spanish, QLocale::Mexico);

} // namespace

class TestEscaparate : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void combosHabilitados();
    void listaConPrecioNeto();
    void sinListaNiOfertas();
    void ajustes();

private:
    void ejecutar(const QString& sql) { testsupport::runSql(testsupport::embeddedParams(m_ruta), sql); }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_ruta;
    std::unique_ptr<fb::Connection> m_conexion;
    std::unique_ptr<fb::Transaction> m_transaccion;
};

void TestEscaparate::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_ruta = pruebas::empresaInstalada(m_dir->path());
    // An article of the offer list with a walk-in discount, and an inactive one that never shows.
    ejecutar(QStringLiteral("INSERT INTO STANDIN_DSCTOS_CLIENTE (CLIENTE_ID, ARTICULO_ID, DESCUENTO) "
                            "VALUES (465, 1005, 12.5);\n"
                            "UPDATE ARTICULOS SET ESTATUS = 'B' WHERE ARTICULO_ID = 1016;"));
    m_conexion = std::make_unique<fb::Connection>();
    m_conexion->setParams(testsupport::embeddedParams(m_ruta));
    m_conexion->open();
    m_transaccion = std::make_unique<fb::Transaction>(*m_conexion);
    m_transaccion->start();
}

void TestEscaparate::cleanup()
{
    m_transaccion.reset();
    m_conexion.reset();
    m_dir.reset();
}

// Only lines of enabled offers with a special price per piece: the disabled offer's lines and
// the percentage and amount lines of an enabled one never make a card.
void TestEscaparate::combosHabilitados()
{
    fb::Query q(*m_transaccion);
    QCOMPARE(describir(escaparate::leerCombos(q, kMexico)),
             (QStringList{QStringLiteral("Combo refrescos|COCA COLA LIGHT 600ML|$15.50|Llevando 24: $372.00"),
                          QStringLiteral("Combo refrescos|COCA COLA LIGHT 600ML|$14.75|Llevando 48: $708.00"),
                          QStringLiteral("Combo refrescos|Coca Cola Light 355 ml|$11.00|Llevando 12: $132.00")}));
    // A second round reads the same cards again, on the statement already prepared.
    QCOMPARE(escaparate::leerCombos(q, kMexico).size(), size_t{3});
}

// The list's articles with the net price the lookup shows for the walk-in customer: Café de olla
// at 84.50 less 12.5 % is 73.94 (73.9375 rounded as the display rounds).
void TestEscaparate::listaConPrecioNeto()
{
    fb::Query q(*m_transaccion);
    AjustesConsulta ajustes;
    ajustes.ClienteEventualId = 465;
    QCOMPARE(describir(escaparate::leerLista(q, ajustes, 451, kMexico)),
             (QStringList{QStringLiteral("Distribuidor|Agua 750 ml|$8.75|"),
                          QStringLiteral("Distribuidor|COCA COLA LIGHT 600ML|$17.25|"),
                          QStringLiteral("Distribuidor|Café de olla 500 g|$73.94|")}));
    // Another customer, other net prices: the customer is bound, not baked in.
    ajustes.ClienteEventualId = 466;
    QCOMPARE(describir(escaparate::leerLista(q, ajustes, 451, kMexico)).value(0),
             QStringLiteral("Distribuidor|Agua 750 ml|$8.75|"));
    QCOMPARE(describir(escaparate::leerLista(q, ajustes, 451, kMexico)).value(1),
             QStringLiteral("Distribuidor|COCA COLA LIGHT 600ML|$15.09|"));
}

void TestEscaparate::sinListaNiOfertas()
{
    fb::Query q(*m_transaccion);
    AjustesConsulta ajustes;
    QVERIFY(escaparate::leerLista(q, ajustes, 0, kMexico).empty());
    QVERIFY(escaparate::leerLista(q, ajustes, 9999, kMexico).empty());
    m_transaccion->commit();
    ejecutar(QStringLiteral("UPDATE OFERTAS_MM SET HABILITADA = 'N';"));
    m_transaccion->start();
    QVERIFY(escaparate::leerCombos(q, kMexico).empty());
}

// A company without the showcase's rows has it off with the defaults; written rows read back,
// and a second write updates instead of adding rows.
void TestEscaparate::ajustes()
{
    fb::Query q(*m_transaccion);
    ConfigEmpresa config(q);
    const ConfigEmpresa::Escaparate ausente = config.leerEscaparate();
    QCOMPARE(ausente.activo, false);
    QCOMPARE(ausente.segundosInactivo, ConfigEmpresa::kEscaparateInactivo);
    QCOMPARE(ausente.segundosTarjeta, ConfigEmpresa::kEscaparateTarjeta);
    QCOMPARE(ausente.listaPrecios, 0);

    config.escribirEscaparate({true, 120, 4, 451});
    config.escribirEscaparate({true, 30, 0, 451});
    const ConfigEmpresa::Escaparate leido = config.leerEscaparate();
    QCOMPARE(leido.activo, true);
    QCOMPARE(leido.segundosInactivo, 30);
    QCOMPARE(leido.segundosTarjeta, 1); // below one second reads as one
    QCOMPARE(leido.listaPrecios, 451);
    QCOMPARE(testsupport::queryRows(*m_transaccion, QStringLiteral("select count(*) from ZANTOR_LMV_CONFIG "
                                                                   "where configuracion starting with 'ESCAPARATE'")),
             QStringList{QStringLiteral("4")});
}

LUMIVO_TEST_GUILESS_MAIN(TestEscaparate)
#include "tst_escaparate.moc"
