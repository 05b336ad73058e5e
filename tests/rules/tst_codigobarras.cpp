// GS1 check digits, the UPC-E expansion and the equivalent forms of a scanned code. Every expected
// code below is a published GS1 example or was worked out by hand, never by the unit itself.

#include "rules/CodigoBarras.h"
#include "tests/support/PruebaPrincipal.h"

#include <QTest>

class TestCodigoBarras : public QObject {
    Q_OBJECT
private slots:
    void digitoControl_data();
    void digitoControl();
    void upcE_data();
    void upcE();
    void leer_data();
    void leer();
    void formas_data();
    void formas();
    void casiIguales_data();
    void casiIguales();
};

void TestCodigoBarras::digitoControl_data()
{
    QTest::addColumn<QString>("codigo");
    QTest::newRow("EAN-13 4006381333931") << "4006381333931";
    QTest::newRow("UPC-A 036000291452") << "036000291452";
    QTest::newRow("EAN-8 96385074") << "96385074";
    QTest::newRow("UPC-A 042100005264") << "042100005264";
    QTest::newRow("UPC-A 012345000065") << "012345000065";
    QTest::newRow("GTIN-14 00036000291452") << "00036000291452";
    QTest::newRow("GTIN-14 of a case, 14006381333938") << "14006381333938";
    QTest::newRow("EAN-13 7501055300075") << "7501055300075";
}

void TestCodigoBarras::digitoControl()
{
    QFETCH(QString, codigo);
    const QStringView cuerpo = QStringView(codigo).first(codigo.size() - 1);
    QCOMPARE(gtin::digitoControl(cuerpo), codigo.back().unicode() - u'0');
    QVERIFY(gtin::gtinValido(codigo));
    // Any other last digit is a misread.
    for (char c = '0'; c <= '9'; ++c) {
        if (QChar(c) != codigo.back())
            QVERIFY(!gtin::gtinValido(cuerpo.toString() + QChar(c)));
    }
}

void TestCodigoBarras::upcE_data()
{
    QTest::addColumn<QString>("upcE");
    QTest::addColumn<QString>("upcA"); // empty: not a UPC-E
    // One per rule of the sixth digit (0-2, 3, 4, 5-9).
    QTest::newRow("01234565, last 5") << "01234565"
                                      << "012345000065";
    QTest::newRow("04252614, last 1") << "04252614"
                                      << "042100005264";
    QTest::newRow("01234531, last 3") << "01234531"
                                      << "012300000451";
    QTest::newRow("01234543, last 4") << "01234543"
                                      << "012340000053";
    QTest::newRow("number system 1") << "11234562"
                                     << "112345000062";
    QTest::newRow("number system 2") << "21234565" << QString();
    QTest::newRow("7 digits") << "0123456" << QString();
    QTest::newRow("letters") << "0123456A" << QString();
}

void TestCodigoBarras::upcE()
{
    QFETCH(QString, upcE);
    QFETCH(QString, upcA);
    const std::optional<QString> expansion = gtin::expandirUpcE(upcE);
    QCOMPARE(expansion.value_or(QString()), upcA);
    if (!upcA.isEmpty())
        QCOMPARE(gtin::upcEValido(upcE), upcA.back() == upcE.back());
}

void TestCodigoBarras::leer_data()
{
    QTest::addColumn<QString>("clave");
    QTest::addColumn<int>("lectura");
    const int no = int(gtin::Lectura::NoEsCodigo);
    const int ok = int(gtin::Lectura::Valido);
    const int mal = int(gtin::Lectura::DigitoErroneo);
    QTest::newRow("EAN-13") << "4006381333931" << ok;
    QTest::newRow("EAN-13, last digit wrong") << "4006381333932" << mal;
    QTest::newRow("EAN-13, two digits swapped") << "4006381339331" << mal;
    QTest::newRow("UPC-A") << "036000291452" << ok;
    QTest::newRow("UPC-A wrong") << "036000291453" << mal;
    QTest::newRow("EAN-8") << "96385074" << ok;
    QTest::newRow("EAN-8 wrong") << "96385075" << mal;
    QTest::newRow("UPC-E, not an EAN-8") << "04252614" << ok;
    QTest::newRow("UPC-E wrong") << "04252615" << mal;
    QTest::newRow("GTIN-14") << "00036000291452" << ok;
    QTest::newRow("GTIN-14 wrong") << "00036000291450" << mal;
    QTest::newRow("11 digits") << "03600029145" << no;
    QTest::newRow("an ERP key") << "ABA-2001" << no;
    QTest::newRow("13 with a letter") << "400638133393X" << no;
    QTest::newRow("empty") << "" << no;
    QTest::newRow("15 digits") << "400638133393100" << no;
}

void TestCodigoBarras::leer()
{
    QFETCH(QString, clave);
    QFETCH(int, lectura);
    QCOMPARE(int(gtin::leer(clave)), lectura);
}

void TestCodigoBarras::formas_data()
{
    QTest::addColumn<QString>("clave");
    QTest::addColumn<QStringList>("formas");
    QTest::newRow("UPC-A") << "036000291452"
                           << QStringList{"0036000291452", "00036000291452", "03600029145", "003600029145",
                                          "0003600029145"};
    QTest::newRow("UPC-A as EAN-13") << "0036000291452"
                                     << QStringList{"036000291452", "00036000291452", "003600029145", "03600029145",
                                                    "0003600029145"};
    QTest::newRow("GTIN-14") << "00036000291452"
                             << QStringList{"0036000291452", "036000291452", "0003600029145", "003600029145",
                                            "03600029145"};
    QTest::newRow("EAN-13") << "4006381333931" << QStringList{"04006381333931", "400638133393", "0400638133393"};
    QTest::newRow("EAN-8") << "96385074" << QStringList{"0000096385074", "000096385074", "00000096385074", "9638507",
                                                        "000009638507",  "00009638507",  "0000009638507"};
    QTest::newRow("UPC-E") << "04252614" << QStringList{"042100005264", "0042100005264", "00042100005264", "0425261",
                                                        "04210000526",  "004210000526",  "0004210000526"};
    QTest::newRow("UPC-A without its check digit") << "03600029145" << QStringList{"036000291452"};
    QTest::newRow("EAN-13 without its check digit") << "750105530007" << QStringList{"7501055300075"};
    QTest::newRow("EAN-8 without its check digit") << "9638507" << QStringList{"96385074"};
    QTest::newRow("wrong check digit") << "4006381333932" << QStringList{};
    QTest::newRow("an ERP key") << "ABA-2001" << QStringList{};
    QTest::newRow("too short for a code") << "12345" << QStringList{};
}

void TestCodigoBarras::formas()
{
    QFETCH(QString, clave);
    QFETCH(QStringList, formas);
    const QStringList obtenidas = gtin::formasEquivalentes(clave);
    QCOMPARE(obtenidas, formas);
    QVERIFY(obtenidas.size() <= gtin::kMaxFormas);
}

// Codes that look alike but name other articles: neither may be a form of the other.
void TestCodigoBarras::casiIguales_data()
{
    QTest::addColumn<QString>("escaneada");
    QTest::addColumn<QString>("ajena");
    QTest::newRow("a case of the same article (indicator 1)") << "4006381333931"
                                                              << "14006381333938";
    QTest::newRow("UPC-A with an EAN-13 check digit added") << "036000291452"
                                                            << "0360002914522";
    QTest::newRow("EAN-13 whose first 12 digits are a valid UPC-A") << "0360002914522"
                                                                    << "036000291452";
    QTest::newRow("UPC-E is not padded as an EAN-8") << "04252614"
                                                     << "0000004252614";
    QTest::newRow("leading zero dropped from a UPC-A") << "036000291452"
                                                       << "360002914522";
    QTest::newRow("one digit off") << "7501055300075"
                                   << "7501055300082";
}

void TestCodigoBarras::casiIguales()
{
    QFETCH(QString, escaneada);
    QFETCH(QString, ajena);
    QVERIFY2(!gtin::formasEquivalentes(escaneada).contains(ajena), qPrintable(ajena));
    QVERIFY2(!gtin::formasEquivalentes(ajena).contains(escaneada), qPrintable(escaneada));
}

LUMIVO_TEST_GUILESS_MAIN(TestCodigoBarras)
#include "tst_codigobarras.moc"
