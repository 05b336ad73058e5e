// SIGTERM and SIGINT sent to a real station process: it ends within a second from the main
// window and from inside nested modal windows, through its own event loop (exit code 0, the
// program's loop returned), and the main window's closing steps do not run (no layout saved).
#include "data/ConfigIni.h"
#include "tests/app/ObjetosConsulta.h"
#include "tests/support/PrivateServer.h"
#include "tests/support/PruebaPrincipal.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

class TestSenales : public QObject {
    Q_OBJECT

private slots:
    void terminaDesdeCualquierVentana_data();
    void terminaDesdeCualquierVentana();
    void terminaConElServidorColgado_data();
    void terminaConElServidorColgado();
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

void TestSenales::terminaConElServidorColgado_data()
{
    QTest::addColumn<bool>("porSenal"); // SIGTERM; otherwise "Salir" in the menu
    QTest::newRow("Salir") << false;
    QTest::newRow("SIGTERM") << true;
}

// The server stops answering without closing the connection (stopped with SIGSTOP) while a scan
// waits on it: the station says so on its display, and then ends as fast as with a healthy server.
// Neither the window nor the lookup service waits on the stuck worker; the client library's
// shutdown has its own time limit.
void TestSenales::terminaConElServidorColgado()
{
    QFETCH(bool, porSenal);
    testsupport::PrivateServer servidor;
    LUMIVO_REQUIRE_PRIVATE_SERVER(servidor);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    empresaConObjetos(servidor.dataFolder());

    QProcess hijo;
    hijo.setWorkingDirectory(dir.path());
    hijo.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    hijo.start(QStringLiteral(LUMIVO_HIJO_SENAL),
               {QStringLiteral("servidor"), servidor.dataFolder(), servidor.serverName()});
    QVERIFY2(hijo.waitForStarted(10000), qPrintable(hijo.errorString()));
    QByteArray salida;
    const auto esperarLinea = [&](const QByteArray& linea) {
        QElapsedTimer espera;
        espera.start();
        while (!salida.contains(linea) && hijo.state() == QProcess::Running && espera.elapsed() < 30000) {
            hijo.waitForReadyRead(200);
            salida += hijo.readAllStandardOutput();
        }
        return salida.contains(linea);
    };
    QVERIFY2(esperarLinea("listo\n"), salida.constData());
    hijo.write("escanear 7501055300075\n");
    QVERIFY2(esperarLinea("respuesta articulo\n"), salida.constData());

    const pid_t pidServidor = static_cast<pid_t>(servidor.pid());
    QCOMPARE(::kill(pidServidor, SIGSTOP), 0);
    const auto reanudar = qScopeGuard([pidServidor] { ::kill(pidServidor, SIGCONT); });
    hijo.write("escanear 7501055310883\n");
    QVERIFY2(esperarLinea("respuesta Sin respuesta del servidor"), salida.constData());

    QElapsedTimer reloj;
    reloj.start();
    if (porSenal)
        QCOMPARE(::kill(static_cast<pid_t>(hijo.processId()), SIGTERM), 0);
    else
        hijo.write("salir\n");
    const bool termino = hijo.waitForFinished(20000);
    const qint64 ms = reloj.elapsed();
    if (!termino) {
        hijo.kill();
        hijo.waitForFinished();
        QFAIL("the station is still running 20 s after it was asked to end");
    }
    salida += hijo.readAllStandardOutput();
    // How long it took is a figure, not a verdict: a loaded machine must not fail the test.
    qInfo("ended %lld ms after it was asked to, the server hung", static_cast<long long>(ms));
    QCOMPARE(hijo.exitStatus(), QProcess::NormalExit);
    QCOMPARE(hijo.exitCode(), 0);
    QVERIFY2(salida.endsWith("fin\n"), salida.constData());
}

LUMIVO_TEST_MAIN(TestSenales)
#include "tst_senales.moc"
