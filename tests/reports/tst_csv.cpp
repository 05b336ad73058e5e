// The reports' lists as the CSV file and the clipboard write them, byte for byte.

#include "reports/Csv.h"
#include "tests/support/PruebaPrincipal.h"

#include <QtTest>

using reportes::Celda;
using reportes::Tabla;

Q_DECLARE_METATYPE(reportes::Celda)

class TestCsv : public QObject {
    Q_OBJECT
private slots:
    void campos_data();
    void campos();
    void archivo();
    void portapapeles();
    void pantalla_data();
    void pantalla();
};

void TestCsv::campos_data()
{
    QTest::addColumn<Celda>("celda");
    QTest::addColumn<QByteArray>("linea");
    QTest::newRow("plain text") << Celda(QStringLiteral("CCL600")) << QByteArray("CCL600");
    QTest::newRow("comma") << Celda(QStringLiteral("Caja 1, Caja 2")) << QByteArray("\"Caja 1, Caja 2\"");
    QTest::newRow("quote") << Celda(QStringLiteral("O\"HARA")) << QByteArray("\"O\"\"HARA\"");
    QTest::newRow("comma and quotes") << Celda(QStringLiteral("ABC,\"12\"")) << QByteArray("\"ABC,\"\"12\"\"\"");
    QTest::newRow("line feed") << Celda(QStringLiteral("uno\ndos")) << QByteArray("\"uno\ndos\"");
    QTest::newRow("carriage return") << Celda(QStringLiteral("uno\rdos")) << QByteArray("\"uno\rdos\"");
    QTest::newRow("apostrophe and semicolon stay bare") << Celda(QStringLiteral("O'HARA;1")) << QByteArray("O'HARA;1");
    QTest::newRow("accents in UTF-8") << Celda(QStringLiteral("JALAPEÑO-GR")) << QByteArray("JALAPE\xC3\x91O-GR");
    QTest::newRow("NULL is empty") << Celda() << QByteArray("");
    QTest::newRow("empty text is empty") << Celda(QString()) << QByteArray("");
    QTest::newRow("count without thousands separator") << Celda(std::int64_t{1234567}) << QByteArray("1234567");
    QTest::newRow("negative count") << Celda(std::int64_t{-5}) << QByteArray("-5");
    QTest::newRow("money with a point, no separator") << Celda(fb::Decimal{125051, 2}) << QByteArray("1250.51");
    QTest::newRow("money under one") << Celda(fb::Decimal{95, 2}) << QByteArray("0.95");
    QTest::newRow("date and time, day first")
        << Celda(QDateTime(QDate(2026, 3, 9), QTime(7, 5, 3))) << QByteArray("09/03/2026 07:05:03");
    QTest::newRow("midnight in 24-hour time")
        << Celda(QDateTime(QDate(2026, 12, 31), QTime(0, 0))) << QByteArray("31/12/2026 00:00:00");
    QTest::newRow("afternoon in 24-hour time")
        << Celda(QDateTime(QDate(2026, 1, 2), QTime(23, 59, 59, 999))) << QByteArray("02/01/2026 23:59:59");
}

// One cell in a one-column file: the line under the title is exactly the cell's field.
void TestCsv::campos()
{
    QFETCH(Celda, celda);
    QFETCH(QByteArray, linea);
    const QByteArray archivo = reportes::csv(Tabla{{QStringLiteral("X")}, {{celda}}});
    QCOMPARE(archivo, QByteArray("\xEF\xBB\xBFX\r\n") + linea + "\r\n");
}

void TestCsv::archivo()
{
    Tabla t;
    t.titulos = {QStringLiteral("Clave"), QStringLiteral("Veces"), QStringLiteral("Última vez"),
                 QStringLiteral("Estaciones")};
    t.filas.push_back({QStringLiteral("7500000000001"), std::int64_t{3}, QDateTime(QDate(2026, 3, 10), QTime(11, 40)),
                       QStringLiteral("Caja 1, Caja 2")});
    t.filas.push_back({QStringLiteral("ABC,\"12\""), std::int64_t{1}, Celda(), QStringLiteral("Caja 1")});
    const QByteArray esperado = "\xEF\xBB\xBF"
                                "Clave,Veces,\xC3\x9Altima vez,Estaciones\r\n"
                                "7500000000001,3,10/03/2026 11:40:00,\"Caja 1, Caja 2\"\r\n"
                                "\"ABC,\"\"12\"\"\",1,,Caja 1\r\n";
    QCOMPARE(reportes::csv(t), esperado);
    // No rows: the titles alone.
    QCOMPARE(reportes::csv(Tabla{{QStringLiteral("A"), QStringLiteral("B")}, {}}), QByteArray("\xEF\xBB\xBF"
                                                                                              "A,B\r\n"));
}

void TestCsv::portapapeles()
{
    Tabla t;
    t.titulos = {QStringLiteral("Clave"), QStringLiteral("Precio neto")};
    t.filas.push_back({QStringLiteral("Caja 1, Caja 2"), fb::Decimal{1600, 2}});
    t.filas.push_back({QStringLiteral("con\ttab"), Celda()});
    // Commas need no quotes between tabs; a tab does.
    QCOMPARE(reportes::textoPortapapeles(t), QStringLiteral("Clave\tPrecio neto\r\n"
                                                            "Caja 1, Caja 2\t16.00\r\n"
                                                            "\"con\ttab\"\t\r\n"));
}

void TestCsv::pantalla_data()
{
    QTest::addColumn<Celda>("celda");
    QTest::addColumn<QString>("texto");
    QTest::newRow("count grouped") << Celda(std::int64_t{1234567}) << QStringLiteral("1,234,567");
    QTest::newRow("money") << Celda(fb::Decimal{125051, 2}) << QStringLiteral("$1,250.51");
    QTest::newRow("date") << Celda(QDateTime(QDate(2026, 3, 9), QTime(17, 5, 3)))
                          << QStringLiteral("09/03/2026 17:05:03");
    QTest::newRow("NULL") << Celda() << QString();
}

void TestCsv::pantalla()
{
    QFETCH(Celda, celda);
    QFETCH(QString, texto);
    QCOMPARE(reportes::textoPantalla(celda, QLocale(QLocale::Spanish, QLocale::Mexico)), texto);
}

LUMIVO_TEST_MAIN(TestCsv)
#include "tst_csv.moc"
