// The stored text of a scale label format: what it reads as, what it is written as, and the texts
// an operator or a damaged row may leave that must be refused with a reason.

#include "rules/FormatoEtiqueta.h"
#include "tests/support/PruebaPrincipal.h"

#include <QTest>

class TestFormatoEtiqueta : public QObject {
    Q_OBJECT
private slots:
    void leer_data();
    void leer();
    void rechazar_data();
    void rechazar();
    void tapado_data();
    void tapado();
};

void TestFormatoEtiqueta::leer_data()
{
    QTest::addColumn<QString>("texto");
    QTest::addColumn<QString>("escrito");
    QTest::addColumn<QStringList>("prefijos");
    QTest::addColumn<int>("largo");
    QTest::addColumn<int>("digitosValor");
    QTest::newRow("weight, all prefixes")
        << "20-29;3;5;C;K;3;N"
        << "20-29;3;5;C;K;3;N" << QStringList{"20", "21", "22", "23", "24", "25", "26", "27", "28", "29"} << 13 << 5;
    QTest::newRow("price with verifier") << "21,22;3;4;T;P;2;V"
                                         << "21-22;3;4;T;P;2;V" << QStringList{"21", "22"} << 13 << 5;
    QTest::newRow("mixed list") << " 23, 20-21 ,28;3;5;S;P;2;N "
                                << "23,20-21,28;3;5;S;P;2;N" << QStringList{"23", "20", "21", "28"} << 13 << 5;
    QTest::newRow("UPC-A") << "2;2;5;S;P;2;V"
                           << "2;2;5;S;P;2;V" << QStringList{"2"} << 12 << 4;
}

void TestFormatoEtiqueta::leer()
{
    QFETCH(QString, texto);
    QFETCH(QString, escrito);
    QFETCH(QStringList, prefijos);
    QFETCH(int, largo);
    QFETCH(int, digitosValor);
    QString error;
    const std::optional<FormatoEtiqueta> f = FormatoEtiqueta::deTexto(texto, &error);
    QVERIFY2(f, qPrintable(error));
    QCOMPARE(f->prefijos, prefijos);
    QCOMPARE(f->largoCodigo(), largo);
    QCOMPARE(f->digitosValor(), digitosValor);
    QCOMPARE(f->aTexto(), escrito);
    QVERIFY(escrito.size() <= 25); // VALOR_STR
    QCOMPARE(FormatoEtiqueta::deTexto(escrito), f);
}

void TestFormatoEtiqueta::rechazar_data()
{
    QTest::addColumn<QString>("texto");
    QTest::addColumn<QString>("motivo");
    QTest::newRow("empty") << ""
                           << "siete campos";
    QTest::newRow("six fields") << "20-29;3;5;C;K;3"
                                << "siete campos";
    QTest::newRow("prefix 30") << "30;3;5;C;K;3;N"
                               << "prefijos";
    QTest::newRow("prefix 2 with another") << "2,20;3;5;C;K;3;N"
                                           << "prefijos";
    QTest::newRow("range backwards") << "29-20;3;5;C;K;3;N"
                                     << "prefijos";
    QTest::newRow("PLU over the prefix") << "20;2;5;C;K;3;N"
                                         << "después del prefijo";
    QTest::newRow("no room for the value") << "20;3;10;C;K;3;N"
                                           << "No queda lugar";
    QTest::newRow("verifier on 3 digits") << "20;3;6;C;K;3;V"
                                          << "4 o 5";
    QTest::newRow("unknown key mapping") << "20;3;5;X;K;3;N"
                                         << "no se puede leer";
    QTest::newRow("letters for a number") << "20;tres;5;C;K;3;N"
                                          << "no se puede leer";
    QTest::newRow("decimals 9") << "20;3;5;C;K;9;N"
                                << "decimales";
}

void TestFormatoEtiqueta::rechazar()
{
    QFETCH(QString, texto);
    QFETCH(QString, motivo);
    QString error;
    QVERIFY(!FormatoEtiqueta::deTexto(texto, &error));
    QVERIFY2(error.contains(motivo), qPrintable(error));
}

// Whether a format listed after another could ever be the one that finds an article.
void TestFormatoEtiqueta::tapado_data()
{
    QTest::addColumn<QString>("anterior");
    QTest::addColumn<QString>("posterior");
    QTest::addColumn<bool>("tapado");
    QTest::newRow("identical rows") << "20;3;5;T;K;3;N"
                                    << "20;3;5;T;K;3;N" << true;
    QTest::newRow("same prefixes written another way") << "20,21;3;5;C;K;3;N"
                                                       << "20-21;3;5;C;K;3;N" << true;
    QTest::newRow("inside a wider range, another value") << "20-29;3;5;C;K;3;N"
                                                         << "23;3;5;C;P;2;N" << true;
    QTest::newRow("as printed, then without zeros") << "20;3;5;T;K;3;N"
                                                    << "20;3;5;S;K;3;N" << false;
    QTest::newRow("a prefix of its own") << "20;3;5;T;K;3;N"
                                         << "20-21;3;5;T;K;3;N" << false;
    QTest::newRow("another PLU length") << "20;3;5;T;K;3;N"
                                        << "20;3;4;T;K;3;N" << false;
    // A label whose verifier is wrong in the first is still read by the second.
    QTest::newRow("verifier in the first only") << "21;3;4;T;P;2;V"
                                                << "21;3;4;T;P;2;N" << false;
}

void TestFormatoEtiqueta::tapado()
{
    QFETCH(QString, anterior);
    QFETCH(QString, posterior);
    QFETCH(bool, tapado);
    const std::optional<FormatoEtiqueta> a = FormatoEtiqueta::deTexto(anterior);
    const std::optional<FormatoEtiqueta> p = FormatoEtiqueta::deTexto(posterior);
    QVERIFY(a && p);
    QCOMPARE(p->tapadoPor(*a), tapado);
}

LUMIVO_TEST_GUILESS_MAIN(TestFormatoEtiqueta)
#include "tst_formatoetiqueta.moc"
