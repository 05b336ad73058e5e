// SIGTERM and SIGINT sent to a real station process: it ends within a second from the main
// window and from inside nested modal windows, through its own event loop (exit code 0, the
// program's loop returned), and the main window's closing steps do not run (no layout saved).
#include "data/ConfigIni.h"
#include "tests/app/ObjetosConsulta.h"
#include "tests/support/PruebaPrincipal.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

class TestSenales : public QObject {
    Q_OBJECT

private slots:
    void terminaDesdeCualquierVentana_data();
    void terminaDesdeCualquierVentana();
};

void TestSenales::terminaDesdeCualquierVentana_data()
{
    QTest::addColumn<int>("senal");
    QTest::addColumn<int>("modales");

    QTest::newRow("SIGTERM, main window") << int(SIGTERM) << 0;
    QTest::newRow("SIGTERM, modal window") << int(SIGTERM) << 1;
    QTest::newRow("SIGTERM, message box over a modal window") << int(SIGTERM) << 2;
    QTest::newRow("SIGINT, message box over a modal window") << int(SIGINT) << 2;
}

void TestSenales::terminaDesdeCualquierVentana()
{
    QFETCH(int, senal);
    QFETCH(int, modales);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    empresaConObjetos(dir.path());
    // A stored layout the closing steps would overwrite with where the elements stand: the child
    // skips the start-up that applies it, so they stand elsewhere.
    const QString archivo = QDir(dir.path()).filePath(QStringLiteral("config.xml"));
    ConfigIni(archivo).ConfigIni_intW(QStringLiteral("Ventana"), QStringLiteral("NombreArticulo_X"), 7);

    QProcess hijo;
    hijo.setWorkingDirectory(dir.path());
    hijo.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    hijo.start(QStringLiteral(LUMIVO_HIJO_SENAL), {QString::number(modales), dir.path()});
    QVERIFY2(hijo.waitForStarted(10000), qPrintable(hijo.errorString()));
    QByteArray salida;
    QElapsedTimer espera;
    espera.start();
    while (!salida.contains("listo\n") && hijo.state() == QProcess::Running && espera.elapsed() < 30000) {
        hijo.waitForReadyRead(1000);
        salida += hijo.readAllStandardOutput();
    }
    QVERIFY2(salida.contains("listo\n"), salida.constData());

    QElapsedTimer reloj;
    reloj.start();
    QCOMPARE(::kill(static_cast<pid_t>(hijo.processId()), senal), 0);
    const bool termino = hijo.waitForFinished(5000);
    const qint64 ms = reloj.elapsed();
    if (!termino) {
        hijo.kill();
        hijo.waitForFinished();
        QFAIL("the station is still running 5 s after the signal");
    }
    salida += hijo.readAllStandardOutput();
    // How long it took is a figure, not a verdict: a loaded machine must not fail the test.
    qInfo("ended %lld ms after the signal", static_cast<long long>(ms));
    QCOMPARE(hijo.exitStatus(), QProcess::NormalExit);
    QCOMPARE(hijo.exitCode(), 0);
    QVERIFY2(salida.endsWith("fin\n"), salida.constData());

    // Closing the main window would have saved the positions of its elements.
    QCOMPARE(ConfigIni(archivo)
                 .consultar(QStringLiteral("Ventana"), QStringLiteral("NombreArticulo_X"))
                 .value_or(QStringLiteral("(none)")),
             QStringLiteral("7"));
}

LUMIVO_TEST_MAIN(TestSenales)
#include "tst_senales.moc"
