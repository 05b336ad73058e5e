#include "data/AjustesEstacion.h"
#include "data/ConfigIni.h"
#include "tests/support/ArchivosPrueba.h"
#include "tests/support/PruebaPrincipal.h"

#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>

using namespace pruebas;

namespace {

using Cambio = std::function<void(AjustesEstacion&)>;
using Escritura = std::function<void(ConfigIni&)>;

const QString kEstacion = QStringLiteral("Estacion");
const QString kEscaner = QStringLiteral("Escaner");
const QString kBusqueda = QStringLiteral("BUSQUEDA");

// Written by hand the way another station, an older version or an installer leaves the file.
const QByteArray kCompleto = R"(<?xml version="1.0" encoding="UTF-8"?>
<Config>
  <Ventana NombreArticulo_X="216" Restaurada="false"/>
  <Estacion Kiosco="TRUE" HablarPrecio="1" SegundosRespuesta="3.5" Otra="x"/>
  <Escaner Prefijo="]E0" Sufijo="&#9;#"/>
  <BUSQUEDA X_POSICION="false" X_AL_ESCRIBIR="true" Width="700" Height="$1F4"/>
  <Conexion Usuario="cajero"/>
</Config>
)";

} // namespace

class TestAjustesEstacion : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void leeUnaVez();
    void ausentesNoSeEscriben_data();
    void ausentesNoSeEscriben();
    void valoresNoValidos_data();
    void valoresNoValidos();
    void escribeComoConfigIni_data();
    void escribeComoConfigIni();
    void senalDeCambio();
    void restauradaSoloSiSeLee_data();
    void restauradaSoloSiSeLee();
    void archivoIlegibleNoSePierde_data();
    void archivoIlegibleNoSePierde();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestAjustesEstacion::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QDir::setCurrent(m_dir->path());
}

void TestAjustesEstacion::cleanup()
{
    QDir::setCurrent(QDir::tempPath());
    m_dir.reset();
}

// Every key is taken at construction, as stored; a change made to the file behind its back is
// not seen until releer(), which tells it once.
void TestAjustesEstacion::leeUnaVez()
{
    escribirArchivo(kArchivoConfig, kCompleto);
    ConfigIni config;
    AjustesEstacion ajustes(config);
    QSignalSpy cambios(&ajustes, &AjustesEstacion::cambiado);

    AjustesEstacion::Valores esperados;
    esperados.kiosco = true;
    esperados.hablarPrecio = true;
    esperados.plazoMs = 3500;
    esperados.prefijoEscaner = QStringLiteral("]E0");
    esperados.sufijoEscaner = QStringLiteral("\t#");
    esperados.restaurada = false;
    esperados.busquedaCualquierPosicion = false;
    esperados.busquedaAlEscribir = true;
    esperados.busquedaAncho = 700;
    esperados.busquedaAlto = 500;
    QVERIFY(ajustes.valores() == esperados);
    QVERIFY2(ajustes.aviso().isEmpty(), qPrintable(ajustes.aviso()));

    ConfigIni(kArchivoConfig).ConfigIni_boolW(kEstacion, QStringLiteral("Kiosco"), false);
    ConfigIni(kArchivoConfig).ConfigIni_strW(kEscaner, QStringLiteral("Prefijo"), QString());
    QVERIFY(ajustes.kiosco());
    QCOMPARE(ajustes.prefijoEscaner(), QStringLiteral("]E0"));
    QCOMPARE(cambios.count(), 0);

    ajustes.releer();
    QVERIFY(!ajustes.kiosco());
    QVERIFY(ajustes.prefijoEscaner().isEmpty());
    QCOMPARE(ajustes.sufijoEscaner(), QStringLiteral("\t#"));
    QCOMPARE(cambios.count(), 1);
    ajustes.releer();
    QCOMPARE(cambios.count(), 1);
}

// A station that never set its own keys keeps its file byte for byte, or keeps having none.
void TestAjustesEstacion::ausentesNoSeEscriben_data()
{
    QTest::addColumn<bool>("existe");
    QTest::addColumn<QByteArray>("datos");
    QTest::newRow("sin archivo") << false << QByteArray();
    QTest::newRow("solo la raíz") << true << QByteArray("<Config/>");
    QTest::newRow("otras secciones") << true
                                     << QByteArray("<Config>\n<Conexion Usuario=\"SYSDBA\"/>\n"
                                                   "<Ventana Ancho=\"1024\"/>\n</Config>\n");
    QTest::newRow("secciones vacías") << true << QByteArray("<Config><Estacion/><Escaner/><BUSQUEDA/></Config>");
}

void TestAjustesEstacion::ausentesNoSeEscriben()
{
    QFETCH(bool, existe);
    QFETCH(QByteArray, datos);
    if (existe)
        escribirArchivo(kArchivoConfig, datos);
    const ino_t antes = inodo();

    ConfigIni config;
    AjustesEstacion ajustes(config);
    QVERIFY(ajustes.valores() == AjustesEstacion::Valores{});
    QVERIFY(ajustes.aviso().isEmpty());
    ajustes.releer();

    QCOMPARE(QFileInfo::exists(kArchivoConfig), existe);
    QCOMPARE(contenido(), datos);
    QCOMPARE(inodo(), antes);
}

// A value that does not read as its type gives that key's default, says which key, and leaves
// the others and the file alone.
void TestAjustesEstacion::valoresNoValidos_data()
{
    QTest::addColumn<QByteArray>("estacion"); // the attributes of the Estacion element
    QTest::addColumn<bool>("kiosco");
    QTest::addColumn<int>("plazoMs");
    QTest::addColumn<QString>("clave"); // named by the warning; empty for none

    QTest::newRow("kiosco sí") << QByteArray(R"(Kiosco="sí" SegundosRespuesta="5")") << false << 5000
                               << QStringLiteral("Estacion/Kiosco");
    QTest::newRow("kiosco vacío") << QByteArray(R"(Kiosco="")") << false << 2000 << QStringLiteral("Estacion/Kiosco");
    QTest::newRow("plazo cero") << QByteArray(R"(Kiosco="true" SegundosRespuesta="0")") << true << 2000
                                << QStringLiteral("Estacion/SegundosRespuesta");
    QTest::newRow("plazo negativo") << QByteArray(R"(SegundosRespuesta="-1")") << false << 2000
                                    << QStringLiteral("Estacion/SegundosRespuesta");
    QTest::newRow("plazo de más") << QByteArray(R"(SegundosRespuesta="600.5")") << false << 2000
                                  << QStringLiteral("Estacion/SegundosRespuesta");
    QTest::newRow("plazo con coma") << QByteArray(R"(SegundosRespuesta="1,5")") << false << 2000
                                    << QStringLiteral("Estacion/SegundosRespuesta");
    QTest::newRow("plazo máximo") << QByteArray(R"(SegundosRespuesta=" 600 ")") << false << 600000 << QString();
    QTest::newRow("plazo fraccionario") << QByteArray(R"(SegundosRespuesta="0.25")") << false << 250 << QString();
    QTest::newRow("kiosco numérico") << QByteArray(R"(Kiosco="0")") << false << 2000 << QString();
}

void TestAjustesEstacion::valoresNoValidos()
{
    QFETCH(QByteArray, estacion);
    QFETCH(bool, kiosco);
    QFETCH(int, plazoMs);
    QFETCH(QString, clave);
    const QByteArray datos = "<Config><Estacion " + estacion + R"(/><Escaner Prefijo="*"/></Config>)";
    escribirArchivo(kArchivoConfig, datos);

    ConfigIni config;
    AjustesEstacion ajustes(config);
    QCOMPARE(ajustes.kiosco(), kiosco);
    QCOMPARE(ajustes.plazoMs(), plazoMs);
    QCOMPARE(ajustes.prefijoEscaner(), QStringLiteral("*"));
    if (clave.isEmpty()) {
        QVERIFY2(ajustes.aviso().isEmpty(), qPrintable(ajustes.aviso()));
    } else {
        QVERIFY2(ajustes.aviso().contains(clave), qPrintable(ajustes.aviso()));
        QVERIFY2(ajustes.aviso().contains(QStringLiteral("config.xml")), qPrintable(ajustes.aviso()));
    }
    QCOMPARE(contenido(), datos);
}

// The restore flag rewrites the company's fonts for every station: a value that does not read is
// no request for it (the default, for a station that never stored it, is).
void TestAjustesEstacion::restauradaSoloSiSeLee_data()
{
    QTest::addColumn<QByteArray>("ventana");
    QTest::addColumn<bool>("restaurada");
    QTest::addColumn<bool>("aviso");
    QTest::newRow("sin la clave") << QByteArray() << true << false;
    QTest::newRow("true") << QByteArray(R"(Restaurada="true")") << true << false;
    QTest::newRow("false") << QByteArray(R"(Restaurada="false")") << false << false;
    QTest::newRow("sí") << QByteArray(R"(Restaurada="si")") << false << true;
    QTest::newRow("vacía") << QByteArray(R"(Restaurada="")") << false << true;
}

void TestAjustesEstacion::restauradaSoloSiSeLee()
{
    QFETCH(QByteArray, ventana);
    QFETCH(bool, restaurada);
    QFETCH(bool, aviso);
    escribirArchivo(kArchivoConfig, "<Config><Ventana " + ventana + "/></Config>");
    ConfigIni config;
    AjustesEstacion ajustes(config);
    QCOMPARE(ajustes.restaurada(), restaurada);
    QCOMPARE(ajustes.aviso().contains(QStringLiteral("Ventana/Restaurada")), aviso);
}

// Each change leaves exactly the file that the same writes through ConfigIni leave, from the same
// start: same section, key and text, the rest kept. Another station or an older version reads it
// as before.
void TestAjustesEstacion::escribeComoConfigIni_data()
{
    QTest::addColumn<QByteArray>("inicial");
    QTest::addColumn<Cambio>("cambio");
    QTest::addColumn<Escritura>("escritura");

    const std::pair<const char*, QByteArray> inicios[] = {
        {"sin archivo", QByteArray()},
        {"completo", kCompleto},
    };
    for (const auto& [nombre, inicial] : inicios) {
        const auto fila = [&](const char* caso) -> QTestData& {
            return QTest::addRow("%s, %s", nombre, caso) << inicial;
        };
        fila("kiosco") << Cambio([](AjustesEstacion& a) { a.setKiosco(true); })
                       << Escritura([](ConfigIni& c) { c.ConfigIni_boolW(kEstacion, QStringLiteral("Kiosco"), true); });
        fila("voz") << Cambio([](AjustesEstacion& a) { a.setHablarPrecio(false); }) << Escritura([](ConfigIni& c) {
            c.ConfigIni_boolW(kEstacion, QStringLiteral("HablarPrecio"), false);
        });
        fila("escáner") << Cambio([](AjustesEstacion& a) {
            a.setEscaner(QStringLiteral("<\"&"), QStringLiteral("\r"));
        }) << Escritura([](ConfigIni& c) {
            c.ConfigIni_strW(kEscaner, QStringLiteral("Prefijo"), QStringLiteral("<\"&"));
            c.ConfigIni_strW(kEscaner, QStringLiteral("Sufijo"), QStringLiteral("\r"));
        });
        fila("restaurada") << Cambio([](AjustesEstacion& a) { a.setRestaurada(true); }) << Escritura([](ConfigIni& c) {
            c.ConfigIni_boolW(QStringLiteral("Ventana"), QStringLiteral("Restaurada"), true);
        });
        fila("búsqueda") << Cambio([](AjustesEstacion& a) { a.setBusqueda(true, false, 640, -3); })
                         << Escritura([](ConfigIni& c) {
                                c.ConfigIni_boolW(kBusqueda, QStringLiteral("X_POSICION"), true);
                                c.ConfigIni_boolW(kBusqueda, QStringLiteral("X_AL_ESCRIBIR"), false);
                                c.ConfigIni_intW(kBusqueda, QStringLiteral("Width"), 640);
                                c.ConfigIni_intW(kBusqueda, QStringLiteral("Height"), -3);
                            });
    }
}

void TestAjustesEstacion::escribeComoConfigIni()
{
    QFETCH(QByteArray, inicial);
    QFETCH(Cambio, cambio);
    QFETCH(Escritura, escritura);
    const QString referencia = QStringLiteral("referencia.xml");
    if (!inicial.isEmpty()) {
        escribirArchivo(kArchivoConfig, inicial);
        escribirArchivo(referencia, inicial);
    }
    {
        ConfigIni config(referencia);
        escritura(config);
    }
    ConfigIni config;
    AjustesEstacion ajustes(config);
    cambio(ajustes);
    QCOMPARE(contenido(), contenido(referencia));

    // And the next start reads what was kept.
    ConfigIni otra;
    QVERIFY(AjustesEstacion(otra).valores() == ajustes.valores());
}

// Users follow cambiado(): once per change that alters a value, never for a write that keeps
// it, and never for a write that failed (which keeps the old value).
void TestAjustesEstacion::senalDeCambio()
{
    ConfigIni config;
    AjustesEstacion ajustes(config);
    QSignalSpy cambios(&ajustes, &AjustesEstacion::cambiado);
    QStringList vistos;
    connect(&ajustes, &AjustesEstacion::cambiado, this,
            [&] { vistos << ajustes.prefijoEscaner() + u'|' + ajustes.sufijoEscaner(); });

    ajustes.setEscaner(QStringLiteral("A"), QStringLiteral("B"));
    QCOMPARE(vistos, QStringList{QStringLiteral("A|B")});
    ajustes.setEscaner(QStringLiteral("A"), QStringLiteral("B"));
    ajustes.setKiosco(false);
    QCOMPARE(cambios.count(), 1);
    ajustes.setKiosco(true);
    QCOMPARE(cambios.count(), 2);
    QVERIFY(contenido().contains(R"(Kiosco="true")"));

    // The file turned unreadable meanwhile (an editor left it cut).
    escribirArchivo(kArchivoConfig, "<Config><Estacion Kiosco=");
    const std::optional<QString> mensaje = fallo<ErrorConfigIni>([&] { ajustes.setKiosco(false); });
    QVERIFY(mensaje);
    QVERIFY2(mensaje->contains(QStringLiteral("no se puede leer")), qPrintable(*mensaje));
    QVERIFY(ajustes.kiosco());
    QCOMPARE(cambios.count(), 2);
    QCOMPARE(contenido(), QByteArray("<Config><Estacion Kiosco="));
}

// A file that cannot be read gives every default and says why; nothing reads or writes over it.
void TestAjustesEstacion::archivoIlegibleNoSePierde_data()
{
    QTest::addColumn<QByteArray>("datos");
    QTest::newRow("cortado") << QByteArray("<Config>\n<Estacion Kiosco=\"true\"/>\n<Escaner Pre");
    QTest::newRow("no es XML") << QByteArray("Kiosco=true\n");
    QTest::newRow("vacío") << QByteArray();
    QTest::newRow("Latin-1 sin declaración") << QByteArray("<Config><Escaner Prefijo=\"\xf1\"/></Config>");
}

void TestAjustesEstacion::archivoIlegibleNoSePierde()
{
    QFETCH(QByteArray, datos);
    escribirArchivo(kArchivoConfig, datos);
    const ino_t antes = inodo();

    ConfigIni config;
    AjustesEstacion ajustes(config);
    AjustesEstacion::Valores predeterminados;
    predeterminados.restaurada = false; // nothing unread rewrites the company's fonts
    QVERIFY(ajustes.valores() == predeterminados);
    QVERIFY2(ajustes.aviso().contains(QStringLiteral("no se puede leer")), qPrintable(ajustes.aviso()));
    QVERIFY2(ajustes.aviso().contains(QStringLiteral("predeterminados")), qPrintable(ajustes.aviso()));

    QVERIFY(fallo<ErrorConfigIni>([&] { ajustes.setHablarPrecio(true); }));
    QVERIFY(fallo<ErrorConfigIni>([&] { ajustes.setBusqueda(true, true, 800, 600); }));
    QVERIFY(!ajustes.hablarPrecio());
    QCOMPARE(contenido(), datos);
    QCOMPARE(inodo(), antes);
}

LUMIVO_TEST_GUILESS_MAIN(TestAjustesEstacion)
#include "tst_ajustesestacion.moc"
