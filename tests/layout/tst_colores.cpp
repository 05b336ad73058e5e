#include "layout/Colores.h"
#include "tests/support/PruebaPrincipal.h"

#include <QColor>
#include <QFont>
#include <QTest>

Q_DECLARE_METATYPE(EstiloFuente)

// Lets QCOMPARE print both sides of a failed comparison.
char* toString(const EstiloFuente& estilo)
{
    return QTest::toString(QStringLiteral("{bold=%1 italic=%2 underline=%3 strikeOut=%4}")
                               .arg(QString::number(estilo.bold), QString::number(estilo.italic),
                                    QString::number(estilo.underline), QString::number(estilo.strikeOut)));
}

namespace {

EstiloFuente estilo(bool bold, bool italic, bool underline, bool strikeOut)
{
    return {bold, italic, underline, strikeOut};
}

} // namespace

class TestColores : public QObject {
    Q_OBJECT

private slots:
    void leerColor_data();
    void leerColor();
    void escribirColor_data();
    void escribirColor();
    void dieciseisNombres_data();
    void dieciseisNombres();
    void colorIlegible_data();
    void colorIlegible();
    void conversionesQColor();

    void leerEstilo_data();
    void leerEstilo();
    void estilosIdaYVuelta_data();
    void estilosIdaYVuelta();
    void estiloEnQFont();

    void puntos_data();
    void puntos();
};

void TestColores::leerColor_data()
{
    QTest::addColumn<QString>("texto");
    QTest::addColumn<QColor>("esperado");

    const QColor azul(9, 121, 213);
    QTest::newRow("$ hexadecimal") << QStringLiteral("$00D57909") << azul;
    QTest::newRow("$ en minúsculas") << QStringLiteral("$00d57909") << azul;
    QTest::newRow("$ sin ceros a la izquierda") << QStringLiteral("$D57909") << azul;
    QTest::newRow("decimal") << QStringLiteral("13990153") << azul;
    QTest::newRow("web de seis cifras") << QStringLiteral("#0979D5") << azul;
    QTest::newRow("web en minúsculas") << QStringLiteral("#0979d5") << azul;
    QTest::newRow("web de tres cifras") << QStringLiteral("#09D") << QColor(0, 153, 221);
    QTest::newRow("clwhite") << QStringLiteral("clwhite") << QColor(255, 255, 255);
    QTest::newRow("CLWHITE") << QStringLiteral("CLWHITE") << QColor(255, 255, 255);
    QTest::newRow("precio de fábrica") << QStringLiteral("$000080FF") << QColor(255, 128, 0);
    QTest::newRow("rojo en el byte bajo") << QStringLiteral("$FF") << QColor(255, 0, 0);
    QTest::newRow("cero decimal") << QStringLiteral("0") << QColor(0, 0, 0);
}

void TestColores::leerColor()
{
    QFETCH(QString, texto);
    QFETCH(QColor, esperado);

    QCOMPARE(aQColor(TextoAColor(texto)), esperado);
}

void TestColores::escribirColor_data()
{
    QTest::addColumn<quint32>("color");
    QTest::addColumn<QString>("texto");

    QTest::newRow("azul del nombre") << quint32{13990153} << QStringLiteral("$00D57909");
    QTest::newRow("naranja del precio") << deQColor(QColor(255, 128, 0)) << QStringLiteral("$000080FF");
    QTest::newRow("blanco por nombre") << deQColor(QColor(255, 255, 255)) << QStringLiteral("clWhite");
    QTest::newRow("negro por nombre") << quint32{0} << QStringLiteral("clBlack");
    QTest::newRow("casi negro") << quint32{1} << QStringLiteral("$00000001");
    // Only the whole value is a named colour: a top byte set is not white.
    QTest::newRow("byte alto") << quint32{0x01FFFFFF} << QStringLiteral("$01FFFFFF");
    QTest::newRow("todo a uno") << quint32{0xFFFFFFFF} << QStringLiteral("$FFFFFFFF");
}

void TestColores::escribirColor()
{
    QFETCH(quint32, color);
    QFETCH(QString, texto);

    QCOMPARE(ColorATexto(color), texto);
    QCOMPARE(TextoAColor(texto), color);
}

void TestColores::dieciseisNombres_data()
{
    QTest::addColumn<QString>("nombre");
    QTest::addColumn<QColor>("rgb");

    QTest::newRow("clBlack") << QStringLiteral("clBlack") << QColor(0, 0, 0);
    QTest::newRow("clMaroon") << QStringLiteral("clMaroon") << QColor(128, 0, 0);
    QTest::newRow("clGreen") << QStringLiteral("clGreen") << QColor(0, 128, 0);
    QTest::newRow("clOlive") << QStringLiteral("clOlive") << QColor(128, 128, 0);
    QTest::newRow("clNavy") << QStringLiteral("clNavy") << QColor(0, 0, 128);
    QTest::newRow("clPurple") << QStringLiteral("clPurple") << QColor(128, 0, 128);
    QTest::newRow("clTeal") << QStringLiteral("clTeal") << QColor(0, 128, 128);
    QTest::newRow("clGray") << QStringLiteral("clGray") << QColor(128, 128, 128);
    QTest::newRow("clSilver") << QStringLiteral("clSilver") << QColor(192, 192, 192);
    QTest::newRow("clRed") << QStringLiteral("clRed") << QColor(255, 0, 0);
    QTest::newRow("clLime") << QStringLiteral("clLime") << QColor(0, 255, 0);
    QTest::newRow("clYellow") << QStringLiteral("clYellow") << QColor(255, 255, 0);
    QTest::newRow("clBlue") << QStringLiteral("clBlue") << QColor(0, 0, 255);
    QTest::newRow("clFuchsia") << QStringLiteral("clFuchsia") << QColor(255, 0, 255);
    QTest::newRow("clAqua") << QStringLiteral("clAqua") << QColor(0, 255, 255);
    QTest::newRow("clWhite") << QStringLiteral("clWhite") << QColor(255, 255, 255);
}

// The colour dialog offers exactly these sixteen, so each must read as its RGB and be written
// back by name.
void TestColores::dieciseisNombres()
{
    QFETCH(QString, nombre);
    QFETCH(QColor, rgb);

    QCOMPARE(aQColor(TextoAColor(nombre)), rgb);
    QCOMPARE(aQColor(TextoAColor(nombre.toUpper())), rgb);
    QCOMPARE(ColorATexto(deQColor(rgb)), nombre);
}

void TestColores::colorIlegible_data()
{
    QTest::addColumn<QString>("texto");

    QTest::newRow("vacío") << QString();
    QTest::newRow("nombre que no es de los dieciséis") << QStringLiteral("clPink");
    QTest::newRow("color del sistema") << QStringLiteral("clWindowText");
    QTest::newRow("ningún color") << QStringLiteral("clNone");
    QTest::newRow("nombre web") << QStringLiteral("clAliceblue");
    QTest::newRow("$ con letras") << QStringLiteral("$XYZ");
    QTest::newRow("$ solo") << QStringLiteral("$");
    QTest::newRow("$ de más de 32 bits") << QStringLiteral("$100000000");
    QTest::newRow("web de cinco cifras") << QStringLiteral("#12345");
    QTest::newRow("web con alfa") << QStringLiteral("#0979D5FF");
    QTest::newRow("# solo") << QStringLiteral("#");
    QTest::newRow("decimal de más de 32 bits") << QStringLiteral("4294967296");
    QTest::newRow("decimal negativo") << QStringLiteral("-1");
    QTest::newRow("espacio delante") << QStringLiteral(" clWhite");
    QTest::newRow("espacio detrás") << QStringLiteral("clWhite ");
    QTest::newRow("prefijo de C") << QStringLiteral("0x10");
    QTest::newRow("cifras de ancho completo") << QStringLiteral("１２");
    // Unicode case folding would turn the Kelvin sign into a k.
    QTest::newRow("signo kelvin") << QStringLiteral("clBlac\u212A");
}

void TestColores::colorIlegible()
{
    QFETCH(QString, texto);

    try {
        TextoAColor(texto);
        QFAIL("se esperaba ColorInvalido");
    } catch (const ColorInvalido& e) {
        QCOMPARE(QString::fromUtf8(e.what()), QStringLiteral("«%1» no es un color válido").arg(texto));
    }
}

void TestColores::conversionesQColor()
{
    QCOMPARE(deQColor(QColor(9, 121, 213)), quint32{13990153});
    QCOMPARE(aQColor(13990153), QColor(9, 121, 213));
    QCOMPARE(deQColor(QColor(9, 121, 213, 10)), quint32{13990153});
    QCOMPARE(deQColor(QColor::fromHsv(0, 255, 255)), quint32{0x0000FF});
    QCOMPARE(aQColor(0xFF0000FF), QColor(255, 0, 0));
}

void TestColores::leerEstilo_data()
{
    QTest::addColumn<QString>("texto");
    QTest::addColumn<EstiloFuente>("esperado");

    const EstiloFuente ninguno;
    const EstiloFuente negrita = estilo(true, false, false, false);
    QTest::newRow("Bold") << QStringLiteral("Bold") << negrita;
    QTest::newRow("bold") << QStringLiteral("bold") << negrita;
    QTest::newRow("BOLD") << QStringLiteral("BOLD") << negrita;
    QTest::newRow("bOlD") << QStringLiteral("bOlD") << negrita;
    QTest::newRow("blanco delante") << QStringLiteral(" Bold") << ninguno;
    QTest::newRow("blanco detrás") << QStringLiteral("Bold ") << ninguno;
    QTest::newRow("otro idioma") << QStringLiteral("Negrita") << ninguno;
    QTest::newRow("vacío") << QString() << ninguno;
    QTest::newRow("BoldItalicStrike") << QStringLiteral("BoldItalicStrike") << estilo(true, true, false, true);
    QTest::newRow("boldstrikeunderline") << QStringLiteral("boldstrikeunderline") << estilo(true, false, true, true);
    QTest::newRow("orden Bold, UnderLine, Strike") << QStringLiteral("BoldUnderLineStrike") << ninguno;
    QTest::newRow("Strike suelto") << QStringLiteral("Strike") << ninguno;
    QTest::newRow("StrikeOut dentro de combinación") << QStringLiteral("BoldStrikeOut") << ninguno;
    QTest::newRow("Underline") << QStringLiteral("Underline") << estilo(false, false, true, false);
    QTest::newRow("los cuatro") << QStringLiteral("bolditalicunderlinestrike") << estilo(true, true, true, true);
    // Only a to z are upper-cased: Unicode would make ITALIC and BOLDSTRIKE of these.
    QTest::newRow("i sin punto") << QStringLiteral("ıtalic") << ninguno;
    QTest::newRow("s larga") << QStringLiteral("Bold\u017Ftrike") << ninguno;
}

void TestColores::leerEstilo()
{
    QFETCH(QString, texto);
    QFETCH(EstiloFuente, esperado);

    QCOMPARE(TextoAEstilo(texto), esperado);
}

void TestColores::estilosIdaYVuelta_data()
{
    QTest::addColumn<EstiloFuente>("efectos");
    QTest::addColumn<QString>("nombre");

    QTest::newRow("ninguno") << estilo(false, false, false, false) << QString();
    QTest::newRow("Bold") << estilo(true, false, false, false) << QStringLiteral("Bold");
    QTest::newRow("Italic") << estilo(false, true, false, false) << QStringLiteral("Italic");
    QTest::newRow("UnderLine") << estilo(false, false, true, false) << QStringLiteral("UnderLine");
    QTest::newRow("StrikeOut") << estilo(false, false, false, true) << QStringLiteral("StrikeOut");
    QTest::newRow("BoldItalic") << estilo(true, true, false, false) << QStringLiteral("BoldItalic");
    QTest::newRow("BoldUnderLine") << estilo(true, false, true, false) << QStringLiteral("BoldUnderLine");
    QTest::newRow("BoldStrike") << estilo(true, false, false, true) << QStringLiteral("BoldStrike");
    QTest::newRow("ItalicUnderLine") << estilo(false, true, true, false) << QStringLiteral("ItalicUnderLine");
    QTest::newRow("ItalicStrike") << estilo(false, true, false, true) << QStringLiteral("ItalicStrike");
    QTest::newRow("UnderLineStrike") << estilo(false, false, true, true) << QStringLiteral("UnderLineStrike");
    QTest::newRow("BoldItalicUnderLine") << estilo(true, true, true, false) << QStringLiteral("BoldItalicUnderLine");
    QTest::newRow("BoldItalicStrike") << estilo(true, true, false, true) << QStringLiteral("BoldItalicStrike");
    QTest::newRow("BoldStrikeUnderLine") << estilo(true, false, true, true) << QStringLiteral("BoldStrikeUnderLine");
    QTest::newRow("ItalicUnderLineStrike")
        << estilo(false, true, true, true) << QStringLiteral("ItalicUnderLineStrike");
    QTest::newRow("los cuatro") << estilo(true, true, true, true) << QStringLiteral("BoldItalicUnderLineStrike");
}

void TestColores::estilosIdaYVuelta()
{
    QFETCH(EstiloFuente, efectos);
    QFETCH(QString, nombre);

    QCOMPARE(EstiloATexto(efectos), nombre);
    QCOMPARE(TextoAEstilo(nombre), efectos);
}

void TestColores::estiloEnQFont()
{
    // Applying must also clear what the font had.
    QFont fuente(QStringLiteral("Tahoma"), 45);
    fuente.setBold(true);
    fuente.setItalic(true);
    fuente.setUnderline(true);
    fuente.setStrikeOut(true);
    aplicarEstilo(fuente, estilo(false, true, false, true));
    QCOMPARE(estiloDe(fuente), estilo(false, true, false, true));
    QVERIFY(!fuente.bold());
    QVERIFY(fuente.italic());
    QVERIFY(!fuente.underline());
    QVERIFY(fuente.strikeOut());
    QCOMPARE(fuente.family(), QStringLiteral("Tahoma"));
    QCOMPARE(fuente.pointSize(), 45);

    aplicarEstilo(fuente, estilo(true, false, true, false));
    QCOMPARE(fuente.weight(), QFont::Bold);
    QCOMPARE(estiloDe(fuente), estilo(true, false, true, false));

    QFont seminegrita;
    seminegrita.setWeight(QFont::DemiBold);
    QVERIFY(estiloDe(seminegrita).bold);
    seminegrita.setWeight(QFont::Medium);
    QVERIFY(!estiloDe(seminegrita).bold);
}

void TestColores::puntos_data()
{
    QTest::addColumn<int>("pixeles");
    QTest::addColumn<int>("ppp");
    QTest::addColumn<int>("esperado");

    QTest::newRow("nombre del artículo") << 60 << 96 << 45;
    QTest::newRow("precio: 80,25 baja") << 107 << 96 << 80;
    QTest::newRow("4,5 sube") << 6 << 96 << 5;
    QTest::newRow("1,5 sube") << 2 << 96 << 2;
    QTest::newRow("0,75 sube") << 1 << 96 << 1;
    QTest::newRow("cero") << 0 << 96 << 0;
    QTest::newRow("120 ppp") << 60 << 120 << 36;
    QTest::newRow("48,5 sube") << 97 << 144 << 49;
}

void TestColores::puntos()
{
    QFETCH(int, pixeles);
    QFETCH(int, ppp);
    QFETCH(int, esperado);

    QCOMPARE(puntosDePixeles(pixeles, ppp), esperado);
}

LUMIVO_TEST_MAIN(TestColores)
#include "tst_colores.moc"
