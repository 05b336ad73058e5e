#include "firebird/values/Decimal.h"
#include "speech/TextoHablado.h"
#include "tests/support/PruebaPrincipal.h"

#include <QTest>

class TestTextoHablado : public QObject {
    Q_OBJECT
private slots:
    void precio_data();
    void precio();
    void articulo();
    void nuncaUna();
};

void TestTextoHablado::precio_data()
{
    QTest::addColumn<QString>("importe");
    QTest::addColumn<QString>("dicho");
    auto fila = [](const char* importe, const char* dicho) {
        QTest::newRow(importe) << QString::fromLatin1(importe) << QString::fromUtf8(dicho);
    };
    fila("0.00", "cero pesos");
    fila("0.01", "cero pesos con un centavo");
    fila("0.50", "cero pesos con cincuenta centavos");
    fila("1.00", "un peso");
    fila("1.01", "un peso con un centavo");
    fila("2", "dos pesos");
    fila("15.15", "quince pesos con quince centavos");
    fila("16.00", "dieciséis pesos");
    fila("21.00", "veintiún pesos");
    fila("21.21", "veintiún pesos con veintiún centavos");
    fila("31.31", "treinta y un pesos con treinta y un centavos");
    fila("78.66", "setenta y ocho pesos con sesenta y seis centavos");
    fila("100.00", "cien pesos");
    fila("101.01", "ciento un pesos con un centavo");
    fila("121.00", "ciento veintiún pesos");
    fila("500.00", "quinientos pesos");
    fila("700.70", "setecientos pesos con setenta centavos");
    fila("901.00", "novecientos un pesos");
    fila("1000.00", "mil pesos");
    fila("1001.00", "mil un pesos");
    fila("1250.51", "mil doscientos cincuenta pesos con cincuenta y un centavos");
    fila("21000.00", "veintiún mil pesos");
    fila("100000.00", "cien mil pesos");
    fila("101000.00", "ciento un mil pesos");
    fila("1000000.00", "un millón de pesos");
    fila("1000000.01", "un millón de pesos con un centavo");
    fila("1000001.00", "un millón un pesos");
    fila("1000100.00", "un millón cien pesos");
    fila("1001000.00", "un millón mil pesos");
    fila("2000000.00", "dos millones de pesos");
    fila("2021000.00", "dos millones veintiún mil pesos");
    fila("9999999.99", "nueve millones novecientos noventa y nueve mil novecientos noventa y nueve pesos "
                       "con noventa y nueve centavos");
    // Rounded to centavos as the display rounds: half away from zero.
    fila("35.728900", "treinta y cinco pesos con setenta y tres centavos");
    fila("10.005000", "diez pesos con un centavo");
    fila("0.004999", "cero pesos");
    fila("99.995", "cien pesos");
    fila("999999.995", "un millón de pesos");
}

void TestTextoHablado::precio()
{
    QFETCH(QString, importe);
    QFETCH(QString, dicho);
    QCOMPARE(hablado::precio(fb::Decimal::fromString(importe)), dicho);
}

void TestTextoHablado::articulo()
{
    QCOMPARE(hablado::articulo(QStringLiteral("Café de Olla Molido 400 g "), fb::Decimal::fromString(u"78.660000")),
             QStringLiteral("Café de Olla Molido 400 g, setenta y ocho pesos con sesenta y seis centavos"));
}

// Every amount from $0.00 to $9,999,999.99 says "un", never "uno" or "una", and carries no
// hyphenation marks; a sweep over every ending that changes the words.
void TestTextoHablado::nuncaUna()
{
    const QStringList prohibidas{QStringLiteral("una"), QStringLiteral("uno"), QStringLiteral("veintiuna"),
                                 QStringLiteral("veintiuno")};
    for (long long pesos = 0; pesos <= 9999999; pesos = pesos < 2000 ? pesos + 1 : pesos * 3 + 1) {
        for (long long centavos : {0LL, 1LL, 21LL, 99LL}) {
            const QString texto = hablado::precio(fb::Decimal{pesos * 100 + centavos, 2});
            QVERIFY2(!texto.contains(QChar(0x00AD)), qPrintable(texto));
            const QStringList palabras = texto.split(u' ');
            for (const QString& p : prohibidas)
                QVERIFY2(!palabras.contains(p), qPrintable(texto));
            QVERIFY2(texto.startsWith(hablado::cantidad(pesos) + u' '), qPrintable(texto));
        }
    }
}

LUMIVO_TEST_GUILESS_MAIN(TestTextoHablado)
#include "tst_textohablado.moc"
