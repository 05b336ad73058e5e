// Scale labels: GS1's price/weight verifier digit, reading a label in each of three formats, and the
// amounts the display shows. The codes were composed and their digits worked out by hand.

#include "firebird/values/Decimal.h"
#include "rules/EtiquetaBascula.h"
#include "tests/support/PruebaPrincipal.h"

#include <QTest>

namespace {

FormatoEtiqueta formato(const QString& texto)
{
    QString error;
    const std::optional<FormatoEtiqueta> f = FormatoEtiqueta::deTexto(texto, &error);
    if (!f)
        qFatal("%s", qPrintable(error));
    return *f;
}

// 20-29, PLU in digits 3-7, weight in kilograms in the five digits after it; the ERP registers the
// whole code with the weight zeroed.
const QString kPeso = QStringLiteral("20-29;3;5;C;K;3;N");
// 21 and 22, PLU in digits 3-6, a verifier digit, the price in pesos in five digits.
const QString kPrecio = QStringLiteral("21,22;3;4;T;P;2;V");
// UPC-A 2, PLU in digits 2-6, a verifier digit, the price in four digits; the PLU without zeros.
const QString kUpc = QStringLiteral("2;2;5;S;P;2;V");

fb::Decimal dec(const char* texto)
{
    return fb::Decimal::fromString(QString::fromLatin1(texto));
}

} // namespace

class TestEtiquetaBascula : public QObject {
    Q_OBJECT
private slots:
    void verificador_data();
    void verificador();
    void leer_data();
    void leer();
    void dosFormatosUnPrefijo_data();
    void dosFormatosUnPrefijo();
    void importe_data();
    void importe();
    void texto();
};

void TestEtiquetaBascula::verificador_data()
{
    QTest::addColumn<QString>("valor");
    QTest::addColumn<int>("digito");
    // The worked examples of GS1's price/weight verifier (four and five digits).
    QTest::newRow("GS1 4-digit 2875") << "2875" << 9;
    QTest::newRow("GS1 5-digit 14685") << "14685" << 6;
    // 2-: 0 + 2, 3: 7, 5-: 1 -> 10 x 3 = 30 -> 0.
    QTest::newRow("0199") << "0199" << 0;
    // 5+: 5, 2-: 0, 5-: 0, 5+: 0, 2-: 9 -> 14; 10 - 4 = 6, the 5- product of 8.
    QTest::newRow("10005") << "10005" << 8;
    QTest::newRow("zeros, 4") << "0000" << 0;
    QTest::newRow("zeros, 5") << "00000" << 0;
    QTest::newRow("3 digits") << "123" << -1;
    QTest::newRow("6 digits") << "123456" << -1;
    QTest::newRow("letters") << "12a4" << -1;
}

void TestEtiquetaBascula::verificador()
{
    QFETCH(QString, valor);
    QFETCH(int, digito);
    QCOMPARE(etiqueta::digitoVerificador(valor), digito);
}

void TestEtiquetaBascula::leer_data()
{
    QTest::addColumn<QString>("codigo");
    QTest::addColumn<bool>("etiqueta");
    QTest::addColumn<QString>("claveErp");
    QTest::addColumn<QString>("valor");
    QTest::addColumn<bool>("verificadorOk");

    // 20 01234 00750 4: 0.750 kg; the key is 20 01234 00000 0.
    QTest::newRow("weight") << "2001234007504" << true << "2001234000000"
                            << "0.750" << true;
    // Another prefix of the range, 25 01234 01500 9: 1.500 kg.
    QTest::newRow("weight, prefix 25") << "2501234015009" << true << "2501234000005"
                                       << "1.500" << true;
    // 21 0042 6 14685 1: $146.85 with its verifier 6.
    QTest::newRow("price with verifier") << "2100426146851" << true << "0042"
                                         << "146.85" << true;
    // The same with the verifier 5: the overall check digit fits, the price does not.
    QTest::newRow("price, verifier wrong") << "2100425146852" << false << "0042"
                                           << "146.85" << false;
    // UPC-A 2 00123 9 2875 9: $28.75, PLU 123; also as 13 digits with a leading 0.
    QTest::newRow("UPC-A price") << "200123928759" << true << "123"
                                 << "28.75" << true;
    QTest::newRow("UPC-A price read as EAN-13") << "0200123928759" << true << "123"
                                                << "28.75" << true;
    // Overall check digit wrong: not a label, a misread of the general rule.
    QTest::newRow("check digit wrong") << "2001234007505" << false << QString() << QString() << true;
    // A prefix no format has, and an article's EAN-13.
    QTest::newRow("prefix 30") << "3001234007501" << false << QString() << QString() << true;
    QTest::newRow("an article's EAN-13") << "7501055300075" << false << QString() << QString() << true;
}

void TestEtiquetaBascula::leer()
{
    QFETCH(QString, codigo);
    QFETCH(bool, etiqueta);
    QFETCH(QString, claveErp);
    QFETCH(QString, valor);
    QFETCH(bool, verificadorOk);

    // The price format comes first, so 21 and 22 are read as prices and the rest as weights.
    const std::vector<FormatoEtiqueta> formatos{formato(kPrecio), formato(kPeso), formato(kUpc)};
    const std::vector<etiqueta::Lectura> lecturas = etiqueta::leer(codigo, formatos);
    QCOMPARE(lecturas.empty(), claveErp.isEmpty());
    if (lecturas.empty())
        return;
    // 21 and 22 are also weight prefixes: the weight reading comes second.
    if (codigo.startsWith(u"21")) {
        QCOMPARE(lecturas.size(), size_t{2});
        QCOMPARE(lecturas[1].formato, formato(kPeso));
    } else {
        QCOMPARE(lecturas.size(), size_t{1});
    }
    const etiqueta::Lectura* l = &lecturas.front();
    QCOMPARE(l->claveErp, claveErp);
    QCOMPARE(l->valor.toString(), valor);
    QCOMPARE(l->verificadorOk, verificadorOk);
    QCOMPARE(l->verificadorOk, etiqueta);
    // Without formats nothing is a label.
    QVERIFY(etiqueta::leer(codigo, {}).empty());
}

// Two formats on one prefix, one keeping the PLU as printed and one without its zeros: a code is
// read by both, in the order listed, so the lookup can try each key.
void TestEtiquetaBascula::dosFormatosUnPrefijo_data()
{
    QTest::addColumn<QStringList>("formatos");
    QTest::addColumn<QStringList>("claves");
    const QString talCual = QStringLiteral("20;3;5;T;K;3;N");
    const QString sinCeros = QStringLiteral("20;3;5;S;K;3;N");
    QTest::newRow("as printed first") << QStringList{talCual, sinCeros, kPrecio} << QStringList{"05678", "5678"};
    QTest::newRow("without zeros first") << QStringList{sinCeros, kPrecio, talCual} << QStringList{"5678", "05678"};
}

void TestEtiquetaBascula::dosFormatosUnPrefijo()
{
    QFETCH(QStringList, formatos);
    QFETCH(QStringList, claves);
    std::vector<FormatoEtiqueta> lista;
    for (const QString& f : formatos)
        lista.push_back(formato(f));
    // 20 05678 00750 2: 0.750 kg.
    QStringList leidas;
    for (const etiqueta::Lectura& l : etiqueta::leer(u"2005678007502", lista)) {
        leidas << l.claveErp;
        QCOMPARE(l.valor.toString(), QStringLiteral("0.750"));
    }
    QCOMPARE(leidas, claves);
}

void TestEtiquetaBascula::importe_data()
{
    QTest::addColumn<QString>("kilos");
    QTest::addColumn<QString>("precio");
    QTest::addColumn<QString>("importe");
    QTest::newRow("0.750 kg at 78.65") << "0.750"
                                       << "78.650000"
                                       << "58.99"; // 58.9875
    QTest::newRow("rounded once, not at the price") << "0.745"
                                                    << "10.006000"
                                                    << "7.45"; // 7.45447, not 0.745 x 10.01
    QTest::newRow("half a cent goes up") << "0.333"
                                         << "1.500000"
                                         << "0.50"; // 0.4995
    QTest::newRow("exact") << "1.005"
                           << "10"
                           << "10.05";
    QTest::newRow("big") << "99.999"
                         << "99999.990000"
                         << "9999899.00"; // 9999899.00001
}

void TestEtiquetaBascula::importe()
{
    QFETCH(QString, kilos);
    QFETCH(QString, precio);
    QFETCH(QString, importe);
    QCOMPARE(etiqueta::importe(fb::Decimal::fromString(kilos), fb::Decimal::fromString(precio)).toString(), importe);
}

void TestEtiquetaBascula::texto()
{
    const QLocale c = QLocale::c();
    const std::vector<FormatoEtiqueta> formatos{formato(kPrecio), formato(kPeso)};
    const etiqueta::Lectura peso = etiqueta::leer(u"2001234007504", formatos).at(0);
    QCOMPARE(etiqueta::texto(peso, dec("78.650000"), c), QStringLiteral("0.750 kg · $58.99"));
    QCOMPARE(etiqueta::texto(peso, dec("1250.5"), c), QStringLiteral("0.750 kg · $937.88")); // 937.875

    // $146.85 at 195.80 a kilogram stands for 0.75000 kg; at 0 the weight is unknown.
    const etiqueta::Lectura precio = etiqueta::leer(u"2100426146851", formatos).at(0);
    QCOMPARE(etiqueta::texto(precio, dec("195.80"), c), QStringLiteral("$146.85 · 0.750 kg"));
    QCOMPARE(etiqueta::texto(precio, dec("300"), c), QStringLiteral("$146.85 · 0.490 kg")); // 0.4895
    QCOMPARE(etiqueta::texto(precio, dec("0"), c), QStringLiteral("$146.85"));
    QCOMPARE(etiqueta::kilosDe(dec("146.85"), dec("-1")), std::nullopt);
}

LUMIVO_TEST_GUILESS_MAIN(TestEtiquetaBascula)
#include "tst_etiquetabascula.moc"
