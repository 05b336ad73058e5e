// Cleaning what a scanner types before the lookup: control characters, prefix and suffix.

#include "rules/EntradaEscaner.h"
#include "tests/support/PruebaPrincipal.h"

#include <QTest>

class TestEntradaEscaner : public QObject {
    Q_OBJECT
private slots:
    void limpiar_data();
    void limpiar();
};

void TestEntradaEscaner::limpiar_data()
{
    QTest::addColumn<QString>("prefijo");
    QTest::addColumn<QString>("sufijo");
    QTest::addColumn<QString>("texto");
    QTest::addColumn<QString>("clave");
    const QString nada;
    QTest::newRow("plain") << nada << nada << "7501055300075"
                           << "7501055300075";
    QTest::newRow("CR LF and tab") << nada << nada << "\t7501055300075\r\n"
                                   << "7501055300075";
    QTest::newRow("GS, STX, ETX, DEL, a BOM") << nada << nada
                                              << QString::fromUtf8("\x02"
                                                                   "75\x1d"
                                                                   "01\x7f"
                                                                   "055\xef\xbb\xbf"
                                                                   "300075\x03")
                                              << "7501055300075";
    QTest::newRow("blanks are kept") << nada << nada << " ABA 2001 "
                                     << " ABA 2001 ";
    QTest::newRow("prefix and suffix") << "]E0"
                                       << "#"
                                       << "]E07501055300075#"
                                       << "7501055300075";
    QTest::newRow("prefix behind a control character") << "*" << nada << "\x02*ABA-2001"
                                                       << "ABA-2001";
    QTest::newRow("only where they stand") << "*"
                                           << "#"
                                           << "A*B#C"
                                           << "A*B#C";
    QTest::newRow("each once") << "*"
                               << "#"
                               << "**A##"
                               << "*A#";
    QTest::newRow("the prefix alone") << "]E0" << nada << "]E0"
                                      << "";
}

void TestEntradaEscaner::limpiar()
{
    QFETCH(QString, prefijo);
    QFETCH(QString, sufijo);
    QFETCH(QString, texto);
    QFETCH(QString, clave);
    QCOMPARE((EntradaEscaner{prefijo, sufijo}.limpiar(texto)), clave);
}

LUMIVO_TEST_GUILESS_MAIN(TestEntradaEscaner)
#include "tst_entradaescaner.moc"
