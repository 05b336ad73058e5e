// The display rules of the lookup: currency, shortest decimal form, the
// unit-of-purchase pattern, and the statement texts that depend on settings. Fixed locales,
// so the results do not depend on the machine's regional settings.

#include "display/Celda.h"
#include "display/Presentacion.h"
#include "firebird/Value.h"
#include "lookup/ConsultasArticulo.h"
#include "rules/Formato.h"
#include "tests/support/PruebaPrincipal.h"

#include <QLocale>
#include <QTest>

Q_DECLARE_METATYPE(fb::Value)

using fb::Decimal;
using formato::Tipo;

namespace {

const QLocale kC = QLocale::c();
const QLocale kUS(QLocale::English, QLocale::UnitedStates);
const QLocale kMX(QLocale::Spanish, QLocale::Mexico);
const QLocale kDE(QLocale::German, QLocale::Germany);

Decimal dec(const char* texto)
{
    return Decimal::fromString(QString::fromLatin1(texto));
}

} // namespace

class TestFormato : public QObject {
    Q_OBJECT

private slots:
    void numero_data();
    void numero();
    void monedaLikeQLocale_data();
    void monedaLikeQLocale();
    void monedaExact_data();
    void monedaExact();
    void miles2_data();
    void miles2();
    void celda_data();
    void celda();
    void sqlPrecios_data();
    void sqlPrecios();
    void ocultarUnidadCompra_data();
    void ocultarUnidadCompra();
    void textoUnidadCompra_data();
    void textoUnidadCompra();
};

void TestFormato::numero_data()
{
    QTest::addColumn<QString>("valor");
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("texto");

    QTest::newRow("whole") << "35.000000" << kMX << "35";
    QTest::newRow("one decimal") << "12.500000" << kMX << "12.5";
    QTest::newRow("zero") << "0.000000" << kMX << "0";
    QTest::newRow("negative") << "-0.500000" << kMX << "-0.5";
    QTest::newRow("no thousands separator") << "1234567.250000" << kUS << "1234567.25";
    QTest::newRow("six decimals kept") << "0.000001" << kC << "0.000001";
    QTest::newRow("integer without scale") << "120" << kC << "120";
    QTest::newRow("eleven decimals") << "708.00000000000" << kC << "708";
    QTest::newRow("comma locale") << "12.500000" << kDE << "12,5";
    QTest::newRow("comma locale, no thousands separator") << "1234567.250000" << kDE << "1234567,25";
    QTest::newRow("the locale's own digits") << "12.5" << QLocale(QLocale::Arabic, QLocale::Egypt)
                                             << QLocale(QLocale::Arabic, QLocale::Egypt).toString(12.5);
}

void TestFormato::numero()
{
    QFETCH(QString, valor);
    QFETCH(QLocale, locale);
    QFETCH(QString, texto);
    QCOMPARE(formato::numero(Decimal::fromString(valor), locale), texto);
}

// For amounts that a double holds exactly, the result is QLocale's own currency format.
void TestFormato::monedaLikeQLocale_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("valor");

    const QLocale locales[] = {kC,
                               kUS,
                               kMX,
                               kDE,
                               QLocale(QLocale::Spanish, QLocale::Spain),
                               QLocale(QLocale::French, QLocale::Switzerland),
                               QLocale(QLocale::Japanese, QLocale::Japan),
                               QLocale(QLocale::Hindi, QLocale::India),
                               QLocale(QLocale::Arabic, QLocale::Egypt),
                               QLocale::system()};
    for (const QLocale& l : locales) {
        for (const char* v : {"0", "16.000000", "1250.500000", "1234567.250000", "-1234.500000", "-0.750000"})
            QTest::addRow("%s %s", qPrintable(l.name()), v) << l << QString::fromLatin1(v);
    }
}

void TestFormato::monedaLikeQLocale()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, valor);
    QCOMPARE(formato::moneda(Decimal::fromString(valor), locale), locale.toCurrencyString(valor.toDouble()));
}

void TestFormato::monedaExact_data()
{
    QTest::addColumn<QString>("valor");
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("texto");

    QTest::newRow("es_MX") << "1250.511500" << kMX << "$1,250.51";
    QTest::newRow("en_US negative") << "-1234.500000" << kUS << "($1,234.50)";
    // A binary double holds 1.015 as 1.01499999…, which would round down.
    QTest::newRow("half a cent, exactly") << "1.015000" << kMX << "$1.02";
    QTest::newRow("half away from zero") << "-2.345" << kMX << "$-2.35";
    // Beyond a double's 53 bits.
    QTest::newRow("large") << "4503599627370497.5" << kMX << "$4,503,599,627,370,497.50";
    QTest::newRow("rounds to zero: no sign") << "-0.001000" << kMX << "$0.00";
    QTest::newRow("no currency decimals")
        << "1234.5" << QLocale(QLocale::Japanese, QLocale::Japan) << QString::fromUtf8("￥1,235");
}

void TestFormato::monedaExact()
{
    QFETCH(QString, valor);
    QFETCH(QLocale, locale);
    QFETCH(QString, texto);
    QCOMPARE(formato::moneda(Decimal::fromString(valor), locale), texto);
}

void TestFormato::miles2_data()
{
    QTest::addColumn<QString>("valor");
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("texto");

    QTest::newRow("above one thousand, more than two decimals") << "1250.511500" << kC << "1,250.51";
    QTest::newRow("zero") << "0" << kC << "0.00";
    QTest::newRow("half away from zero") << "76.125000" << kMX << "76.13";
    QTest::newRow("carries into the thousands") << "999.995" << kMX << "1,000.00";
    QTest::newRow("millions") << "1234567.005" << kUS << "1,234,567.01";
    QTest::newRow("negative") << "-1250.5" << kUS << "-1,250.50";
    QTest::newRow("regional separators") << "1250.511500" << kDE << "1.250,51";
    QTest::newRow("small") << "0.5" << kDE << "0,50";
}

void TestFormato::miles2()
{
    QFETCH(QString, valor);
    QFETCH(QLocale, locale);
    QFETCH(QString, texto);
    QCOMPARE(formato::miles2(Decimal::fromString(valor), locale), texto);
}

void TestFormato::celda_data()
{
    QTest::addColumn<fb::Value>("valor");
    QTest::addColumn<int>("tipo");
    QTest::addColumn<QString>("texto");

    for (Tipo t : {Tipo::Texto, Tipo::Moneda, Tipo::Numero, Tipo::ComoEsta})
        QTest::addRow("NULL %d", static_cast<int>(t)) << fb::Value() << static_cast<int>(t) << "";
    QTest::newRow("text as is") << fb::Value(QStringLiteral(" CAJA  ")) << int(Tipo::Texto) << " CAJA  ";
    QTest::newRow("server text in a currency column")
        << fb::Value(QStringLiteral("$95.500000")) << int(Tipo::Moneda) << "$95.500000";
    QTest::newRow("decimal, number") << fb::Value(dec("35.000000")) << int(Tipo::Numero) << "35";
    QTest::newRow("decimal in a text column") << fb::Value(dec("36.500000")) << int(Tipo::Texto) << "36.5";
    QTest::newRow("decimal, currency") << fb::Value(dec("18.500000")) << int(Tipo::Moneda) << "$18.50";
    QTest::newRow("decimal as is") << fb::Value(dec("95.500000")) << int(Tipo::ComoEsta) << "95.500000";
    QTest::newRow("integer, number") << fb::Value(std::int64_t{450}) << int(Tipo::Numero) << "450";
    QTest::newRow("integer, currency") << fb::Value(std::int64_t{1250}) << int(Tipo::Moneda) << "$1,250.00";
    QTest::newRow("double, number") << fb::Value(1234.5) << int(Tipo::Numero) << "1234.5";
    QTest::newRow("date") << fb::Value(QDate(2024, 3, 15)) << int(Tipo::Texto)
                          << kMX.toString(QDate(2024, 3, 15), QLocale::ShortFormat);
}

void TestFormato::celda()
{
    QFETCH(fb::Value, valor);
    QFETCH(int, tipo);
    QFETCH(QString, texto);
    QCOMPARE(formato::celda(valor, static_cast<Tipo>(tipo), kMX), texto);
}

void TestFormato::sqlPrecios_data()
{
    QTest::addColumn<int>("orden");
    QTest::addColumn<QString>("clausula");
    QTest::newRow("0 lowest first") << 0 << " Order by PRECION";
    QTest::newRow("1 highest first") << 1 << " Order by PRECION DESC";
    QTest::newRow("2 by name") << 2 << " Order by NOMBRE";
    QTest::newRow("3") << 3 << "";
    QTest::newRow("5") << 5 << "";
    QTest::newRow("-1") << -1 << "";
}

void TestFormato::sqlPrecios()
{
    QFETCH(int, orden);
    QFETCH(QString, clausula);
    QCOMPARE(consultas::sqlPrecios(orden),
             QStringLiteral("SELECT * FROM ZANTOR_LMV_LISTA (:V_ARTICULO_ID,:v_CLIENTE_ID)") + clausula);
}

void TestFormato::ocultarUnidadCompra_data()
{
    QTest::addColumn<fb::Value>("contenido");
    QTest::addColumn<bool>("oculta");
    QTest::newRow("1 at six decimals") << fb::Value(dec("1.000000")) << true;
    QTest::newRow("1 as integer") << fb::Value(std::int64_t{1}) << true;
    QTest::newRow("1.5") << fb::Value(dec("1.500000")) << false;
    QTest::newRow("just above 1") << fb::Value(dec("1.000001")) << false;
    QTest::newRow("just below 1") << fb::Value(dec("0.999999")) << false;
    QTest::newRow("35") << fb::Value(dec("35.000000")) << false;
    QTest::newRow("0") << fb::Value(dec("0.000000")) << false;
    QTest::newRow("NULL reads as 0") << fb::Value() << false;
}

void TestFormato::ocultarUnidadCompra()
{
    QFETCH(fb::Value, contenido);
    QFETCH(bool, oculta);
    QCOMPARE(presentacion::ocultarUnidadCompra(contenido), oculta);
}

void TestFormato::textoUnidadCompra_data()
{
    QTest::addColumn<fb::Value>("compra");
    QTest::addColumn<fb::Value>("contenido");
    QTest::addColumn<fb::Value>("venta");
    QTest::addColumn<fb::Value>("precio");
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("texto");

    const fb::Value caja(QStringLiteral("CAJA")), pzs(QStringLiteral("PZS")), bolsa(QStringLiteral("BOLSA")),
        kg(QStringLiteral("KG"));
    QTest::newRow("box of 35 pieces") << caja << fb::Value(dec("35.000000")) << pzs << fb::Value(dec("1250.500000"))
                                      << kMX << "CAJA c/35 PZS\n$1,250.50";
    QTest::newRow("rounded to two decimals") << caja << fb::Value(dec("35.000000")) << pzs
                                             << fb::Value(dec("1250.511500")) << kMX << "CAJA c/35 PZS\n$1,250.51";
    QTest::newRow("regional separators, a literal $")
        << caja << fb::Value(dec("35.000000")) << pzs << fb::Value(dec("1250.511500")) << kDE
        << "CAJA c/35 PZS\n$1.250,51";
    QTest::newRow("content 1.5") << bolsa << fb::Value(dec("1.500000")) << kg << fb::Value(dec("76.125000")) << kMX
                                 << "BOLSA c/1.5 KG\n$76.13";
    QTest::newRow("content 1.5, comma") << bolsa << fb::Value(dec("1.500000")) << kg << fb::Value(dec("76.125000"))
                                        << kDE << "BOLSA c/1,5 KG\n$76,13";
    QTest::newRow("no price row: the fixed parts")
        << fb::Value() << fb::Value() << fb::Value() << fb::Value() << kMX << " c/ \n$0.00";
}

void TestFormato::textoUnidadCompra()
{
    QFETCH(fb::Value, compra);
    QFETCH(fb::Value, contenido);
    QFETCH(fb::Value, venta);
    QFETCH(fb::Value, precio);
    QFETCH(QLocale, locale);
    QFETCH(QString, texto);
    QCOMPARE(presentacion::textoUnidadCompra(compra, contenido, venta, precio, locale), texto);
}

LUMIVO_TEST_GUILESS_MAIN(TestFormato)
#include "tst_formato.moc"
