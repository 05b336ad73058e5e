#include "data/ConfigIni.h"
#include "tests/support/ArchivosPrueba.h"
#include "tests/support/DiscoPequeno.h"
#include "tests/support/LimiteDeArchivos.h"
#include "tests/support/PruebaPrincipal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <functional>
#include <optional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

using namespace pruebas;

namespace {

const QString& kArchivo = pruebas::kArchivoConfig;

QVariant leer(ConfigIni& config, const QString& seccion, const QString& clave, const QVariant& porDefecto)
{
    switch (porDefecto.typeId()) {
    case QMetaType::Int:
        return config.ConfigIni_int(seccion, clave, porDefecto.toInt());
    case QMetaType::Bool:
        return config.ConfigIni_bool(seccion, clave, porDefecto.toBool());
    default:
        return config.ConfigIni_str(seccion, clave, porDefecto.toString());
    }
}

void escribir(ConfigIni& config, const QString& seccion, const QString& clave, const QVariant& valor)
{
    switch (valor.typeId()) {
    case QMetaType::Int:
        config.ConfigIni_intW(seccion, clave, valor.toInt());
        break;
    case QMetaType::Bool:
        config.ConfigIni_boolW(seccion, clave, valor.toBool());
        break;
    default:
        config.ConfigIni_strW(seccion, clave, valor.toString());
        break;
    }
}

using testsupport::LimiteDeArchivos;

} // namespace

class TestConfigIni : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void lectura_data();
    void lectura();
    void escritura_data();
    void escritura();
    void idaYVuelta_data();
    void idaYVuelta();
    void mismoValorDosVeces();

    void archivoIlegibleNoSeToca_data();
    void archivoIlegibleNoSeToca();
    void nombreOValorNoGuardable_data();
    void nombreOValorNoGuardable();
    void entidadesNoSeExpanden();
    void escrituraCortadaDejaElArchivoAnterior();
    void discoLleno_data();
    void discoLleno();
    void sinPermisoDeEscritura_data();
    void sinPermisoDeEscritura();

private:
    QString rutaAbsoluta() const { return QDir::current().absoluteFilePath(kArchivo); }
    QStringList archivosDeLaCarpeta() const
    {
        return QDir::current().entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }

    std::optional<QTemporaryDir> m_carpeta;
    QString m_anterior;
};

void TestConfigIni::init()
{
    m_anterior = QDir::currentPath();
    m_carpeta.emplace();
    QVERIFY(m_carpeta->isValid());
    QVERIFY(QDir::setCurrent(m_carpeta->path()));
}

void TestConfigIni::cleanup()
{
    QFile::setPermissions(m_carpeta->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile::setPermissions(m_carpeta->filePath(kArchivo), QFile::ReadOwner | QFile::WriteOwner);
    QDir::setCurrent(m_anterior);
    m_carpeta.reset();
}

void TestConfigIni::lectura_data()
{
    QTest::addColumn<bool>("hayArchivo");
    QTest::addColumn<QByteArray>("antes");
    QTest::addColumn<QString>("seccion");
    QTest::addColumn<QString>("clave");
    QTest::addColumn<QVariant>("porDefecto");
    QTest::addColumn<QVariant>("esperado");
    QTest::addColumn<QByteArray>("despues");

    const auto texto = [](const char* t) { return QVariant(QString::fromUtf8(t)); };

    QTest::newRow("sin archivo") << false << QByteArray() << "Ventana"
                                 << "Ancho" << QVariant(1024) << QVariant(1024)
                                 << QByteArray(R"(<Config><Ventana Ancho="1024"/></Config>)");
    QTest::newRow("sin archivo, lógico") << false << QByteArray() << "Ventana"
                                         << "Restaurada" << QVariant(true) << QVariant(true)
                                         << QByteArray(R"(<Config><Ventana Restaurada="true"/></Config>)");
    QTest::newRow("otra raíz, clave presente")
        << true << QByteArray(R"(<Ajustes><Ventana Ancho="800"/></Ajustes>)") << "Ventana"
        << "Ancho" << QVariant(1024) << QVariant(800) << QByteArray(R"(<Ajustes><Ventana Ancho="800"/></Ajustes>)");
    QTest::newRow("otra raíz, clave nueva")
        << true << QByteArray(R"(<Ajustes><Ventana Ancho="800"/></Ajustes>)") << "Ventana"
        << "Alto" << QVariant(746) << QVariant(746)
        << QByteArray(R"(<Ajustes><Ventana Ancho="800" Alto="746"/></Ajustes>)");
    QTest::newRow("sin la sección") << true << QByteArray(R"(<Config><Ventana Ancho="800"/></Config>)") << "Conexion"
                                    << "Usuario" << texto("SYSDBA") << texto("SYSDBA")
                                    << QByteArray(
                                           R"(<Config><Ventana Ancho="800"/><Conexion Usuario="SYSDBA"/></Config>)");
    QTest::newRow("entero con letras") << true << QByteArray(R"(<Config><Ventana Ancho="abc"/></Config>)") << "Ventana"
                                       << "Ancho" << QVariant(1024) << QVariant(0)
                                       << QByteArray(R"(<Config><Ventana Ancho="abc"/></Config>)");
    QTest::newRow("texto vacío") << true << QByteArray(R"(<Config><Conexion Usuario=""/></Config>)") << "Conexion"
                                 << "Usuario" << texto("SYSDBA") << texto("")
                                 << QByteArray(R"(<Config><Conexion Usuario=""/></Config>)");
    // A hand-edited file may hold a section twice: it reads as one, a later attribute winning; a
    // value found is only read, and a save writes the section once, where the first one stood.
    QTest::newRow("dos secciones, gana la última")
        << true << QByteArray(R"(<Config><Ventana Ancho="1"/><Ventana Ancho="2"/></Config>)") << "Ventana"
        << "Ancho" << QVariant(1024) << QVariant(2)
        << QByteArray(R"(<Config><Ventana Ancho="1"/><Ventana Ancho="2"/></Config>)");
    QTest::newRow("dos secciones, la clave de la segunda")
        << true << QByteArray(R"(<Config><Estacion HablarPrecio="false"/><Estacion Kiosco="true"/></Config>)")
        << "Estacion"
        << "Kiosco" << QVariant(false) << QVariant(true)
        << QByteArray(R"(<Config><Estacion HablarPrecio="false"/><Estacion Kiosco="true"/></Config>)");
    QTest::newRow("dos secciones, se unen al guardar")
        << true
        << QByteArray("<Config>\n  <Ventana Ancho=\"1\"/>\n  <Otra/>\n  <Ventana Alto=\"5\" Ancho=\"2\"/>\n</Config>")
        << "Ventana"
        << "Izquierda" << QVariant(7) << QVariant(7)
        << QByteArray("<Config>\n  <Ventana Ancho=\"2\" Alto=\"5\" Izquierda=\"7\"/>\n  <Otra/>\n</Config>");
    QTest::newRow("sección anidada no cuenta")
        << true << QByteArray(R"(<Config><Otra><Ventana Ancho="9"/></Otra></Config>)") << "Ventana"
        << "Ancho" << QVariant(1024) << QVariant(1024)
        << QByteArray(R"(<Config><Otra><Ventana Ancho="9"/></Otra><Ventana Ancho="1024"/></Config>)");
    QTest::newRow("mayúsculas distintas")
        << true << QByteArray(R"(<Config><ventana Ancho="9" ancho="8"/></Config>)") << "ventana"
        << "ANCHO" << QVariant(1024) << QVariant(1024)
        << QByteArray(R"(<Config><ventana Ancho="9" ancho="8" ANCHO="1024"/></Config>)");
    QTest::newRow("declaración y sangría")
        << true << QByteArray("<?xml version=\"1.0\"?>\n<Config>\n  <Ventana Ancho=\"800\"/>\n</Config>\n") << "Ventana"
        << "Ancho" << QVariant(1024) << QVariant(800)
        << QByteArray("<?xml version=\"1.0\"?>\n<Config>\n  <Ventana Ancho=\"800\"/>\n</Config>\n");
    QTest::newRow("UTF-8 sin declaración")
        << true << QByteArray("<Config><Conexion Usuario=\"Jos\xc3\xa9\"/></Config>") << "Conexion"
        << "Usuario" << texto("SYSDBA") << texto("José")
        << QByteArray("<Config><Conexion Usuario=\"Jos\xc3\xa9\"/></Config>");
}

void TestConfigIni::lectura()
{
    QFETCH(bool, hayArchivo);
    QFETCH(QByteArray, antes);
    QFETCH(QString, seccion);
    QFETCH(QString, clave);
    QFETCH(QVariant, porDefecto);
    QFETCH(QVariant, esperado);
    QFETCH(QByteArray, despues);

    if (hayArchivo)
        escribirArchivo(kArchivo, antes);
    const ino_t inodoAntes = inodo();

    ConfigIni config;
    QCOMPARE(leer(config, seccion, clave, porDefecto), esperado);
    QCOMPARE(contenido(), despues);
    // A value found is only read; a default supplied is saved.
    const bool guardado = inodo() != inodoAntes;
    QCOMPARE(guardado, despues != antes);
}

void TestConfigIni::escritura_data()
{
    QTest::addColumn<QByteArray>("antes"); // empty: no file
    QTest::addColumn<QString>("seccion");
    QTest::addColumn<QString>("clave");
    QTest::addColumn<QVariant>("valor");
    QTest::addColumn<QByteArray>("despues");

    const QByteArray ocho = R"(<Config><Ventana A="1" B="2" C="3" D="4" E="5" F="6" G="7" H="8"/></Config>)";

    QTest::newRow("sin archivo") << QByteArray() << "Ventana"
                                 << "Restaurada" << QVariant(false)
                                 << QByteArray(R"(<Config><Ventana Restaurada="false"/></Config>)");
    QTest::newRow("reemplaza en su sitio")
        << ocho << "Ventana"
        << "D" << QVariant(40)
        << QByteArray(R"(<Config><Ventana A="1" B="2" C="3" D="40" E="5" F="6" G="7" H="8"/></Config>)");
    QTest::newRow("añade tras los demás atributos")
        << ocho << "Ventana"
        << "Z" << QVariant(-5)
        << QByteArray(R"(<Config><Ventana A="1" B="2" C="3" D="4" E="5" F="6" G="7" H="8" Z="-5"/></Config>)");
    QTest::newRow("otra raíz") << QByteArray("<Ajustes/>") << "Conexion"
                               << "Usuario" << QVariant(QStringLiteral("ana"))
                               << QByteArray(R"(<Ajustes><Conexion Usuario="ana"/></Ajustes>)");
    QTest::newRow("dos secciones quedan en una")
        << QByteArray(R"(<Config><Ventana Ancho="1"/><Ventana Ancho="2" Alto="3"/></Config>)") << "Ventana"
        << "Ancho" << QVariant(5) << QByteArray(R"(<Config><Ventana Ancho="5" Alto="3"/></Config>)");
    QTest::newRow("contenido ajeno intacto")
        << QByteArray(R"(<Config><!-- nota --><Ventana A="1"><Hijo x="y">texto</Hijo></Ventana><?pi datos?>)"
                      R"(<![CDATA[a<b]]></Config><!-- fin -->)")
        << "Ventana"
        << "A" << QVariant(2)
        << QByteArray(R"(<Config><!-- nota --><Ventana A="2"><Hijo x="y">texto</Hijo></Ventana><?pi datos?>)"
                      R"(<![CDATA[a<b]]></Config><!-- fin -->)");
    QTest::newRow("sección nueva al final")
        << QByteArray(R"(<Config><Ventana A="1"/><!-- nota -->texto</Config>)") << "Conexion"
        << "Empresa" << QVariant(3)
        << QByteArray(R"(<Config><Ventana A="1"/><!-- nota -->texto<Conexion Empresa="3"/></Config>)");
    QTest::newRow("sangría conservada") << QByteArray("<Config>\n  <Ventana A=\"1\"/>\n</Config>") << "Ventana"
                                        << "A" << QVariant(2)
                                        << QByteArray("<Config>\n  <Ventana A=\"2\"/>\n</Config>");
    QTest::newRow("DTD sin entidades")
        << QByteArray(R"(<!DOCTYPE Config SYSTEM "config.dtd"><Config><Ventana A="1"/></Config>)") << "Ventana"
        << "A" << QVariant(2)
        << QByteArray(R"(<!DOCTYPE Config SYSTEM "config.dtd"><Config><Ventana A="2"/></Config>)");
    // Written as Latin-1 text under its old declaration, the accent would read back wrong.
    QTest::newRow("declaración Latin-1 pasa a UTF-8")
        << QByteArray("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><Config><Conexion Usuario=\"Jos\xe9\"/></Config>")
        << "Conexion"
        << "Clave" << QVariant(QStringLiteral("€"))
        << QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?><Config><Conexion Usuario=\"Jos\xc3\xa9\" "
                      "Clave=\"\xe2\x82\xac\"/></Config>");
}

void TestConfigIni::escritura()
{
    QFETCH(QByteArray, antes);
    QFETCH(QString, seccion);
    QFETCH(QString, clave);
    QFETCH(QVariant, valor);
    QFETCH(QByteArray, despues);

    if (!antes.isEmpty())
        escribirArchivo(kArchivo, antes);

    ConfigIni config;
    escribir(config, seccion, clave, valor);
    QCOMPARE(contenido(), despues);
    QCOMPARE(leer(config, seccion, clave, QVariant(valor.metaType())), valor);
}

void TestConfigIni::idaYVuelta_data()
{
    QTest::addColumn<QVariant>("valor");

    const auto texto = [](const char* nombre, const QString& valor) {
        QTest::addRow("texto %s", nombre) << QVariant(valor);
    };
    texto("vacío", QString());
    texto("acentos", QStringLiteral("José Ñandú €"));
    texto("fuera del plano básico", QStringLiteral("\U0001F600"));
    texto("marcas de XML", QStringLiteral("a<b>&\"'c]]>"));
    texto("saltos y tabuladores", QStringLiteral("uno\ndos\r\n\ttres\r"));
    texto("blancos a los lados", QStringLiteral("  x  "));
    texto("referencia escrita", QStringLiteral("&amp;&#10;"));
    QTest::newRow("entero mínimo") << QVariant(INT_MIN);
    QTest::newRow("entero máximo") << QVariant(INT_MAX);
    QTest::newRow("entero -1") << QVariant(-1);
    QTest::newRow("entero 0") << QVariant(0);
    QTest::newRow("true") << QVariant(true);
    QTest::newRow("false") << QVariant(false);
}

void TestConfigIni::idaYVuelta()
{
    QFETCH(QVariant, valor);

    escribirArchivo(kArchivo, R"(<Config><Conexion Usuario="SYSDBA"/></Config>)");
    ConfigIni config;
    escribir(config, QStringLiteral("Conexion"), QStringLiteral("Valor"), valor);
    const ino_t inodoEscrito = inodo();

    // A fresh store: nothing survives between calls but the file.
    ConfigIni otra;
    QCOMPARE(leer(otra, QStringLiteral("Conexion"), QStringLiteral("Valor"), QVariant(valor.metaType())), valor);
    QCOMPARE(leer(otra, QStringLiteral("Conexion"), QStringLiteral("Usuario"), QVariant(QString())),
             QVariant(QStringLiteral("SYSDBA")));
    QCOMPARE(inodo(), inodoEscrito);
}

void TestConfigIni::mismoValorDosVeces()
{
    ConfigIni config;
    config.ConfigIni_intW(QStringLiteral("Ventana"), QStringLiteral("Ancho"), 1024);
    const QByteArray primero = contenido();
    const ino_t inodoPrimero = inodo();

    config.ConfigIni_intW(QStringLiteral("Ventana"), QStringLiteral("Ancho"), 1024);
    QCOMPARE(contenido(), primero);
    QVERIFY(inodo() != inodoPrimero);

    const ino_t inodoSegundo = inodo();
    config.ConfigIni_intW(QStringLiteral("Ventana"), QStringLiteral("Ancho"), 1024);
    QCOMPARE(contenido(), primero);
    QVERIFY(inodo() != inodoSegundo);

    // Every save went through a temporary file that is gone.
    QCOMPARE(archivosDeLaCarpeta(), QStringList{kArchivo});
}

namespace {

// One entity under the parser's per-entity limit, referenced a thousand times.
QByteArray entidadRepetida()
{
    return "<!DOCTYPE Config [<!ENTITY e \"" + QByteArray(4000, 'x') + "\">]><Config><Ventana Nota=\"" +
           QByteArray("&e;").repeated(1000) + "\"/></Config>";
}

} // namespace

void TestConfigIni::archivoIlegibleNoSeToca_data()
{
    QTest::addColumn<QByteArray>("datos");
    QTest::addColumn<QString>("motivo");

    QByteArray risas = "<!DOCTYPE Config [<!ENTITY r0 \"jajajajajajajajajaja\">";
    for (int i = 1; i <= 9; ++i) {
        risas += "<!ENTITY r" + QByteArray::number(i) + " \"";
        for (int j = 0; j < 10; ++j)
            risas += "&r" + QByteArray::number(i - 1) + ';';
        risas += "\">";
    }
    risas += "]><Config><Ventana Ancho=\"&r9;\"/></Config>";

    QTest::newRow("vacío") << QByteArray() << QStringLiteral("Premature end of document. (línea 1, columna 0)");
    QTest::newRow("cortado") << QByteArray("<Config>\n<Ventana Ancho=\"1\"/>\n<Conexion Usu")
                             << QStringLiteral("Premature end of document. (línea 3, columna 13)");
    QTest::newRow("no es XML") << QByteArray("Ancho=1024\n")
                               << QStringLiteral("Start tag expected. (línea 1, columna 1)");
    QTest::newRow("dos raíces") << QByteArray("<Config/><Otra/>")
                                << QStringLiteral("Extra content at end of document. (línea 1, columna 16)");
    // Saved by an editor in Latin-1 without a declaration.
    QTest::newRow("Latin-1 sin declaración") << QByteArray("<Config>\n<Conexion Usuario=\"Jos\xe9\"/></Config>")
                                             << QStringLiteral("Encountered incorrectly encoded content. (línea ");
    QTest::newRow("entidad sin declarar") << QByteArray(R"(<Config><Ventana Ancho="&ancho;"/></Config>)")
                                          << QStringLiteral("Entity 'ancho' not declared. (línea 1, columna 31)");
    QTest::newRow("entidades en cascada")
        << risas << QStringLiteral("declara entidades, que un archivo de configuración no admite (línea 1, columna ");
    // Each expansion stays under the parser's limit; together they would take megabytes.
    QTest::newRow("entidad repetida")
        << entidadRepetida()
        << QStringLiteral("declara entidades, que un archivo de configuración no admite (línea 1, columna ");
    QTest::newRow("anidamiento excesivo")
        << QByteArray("<Config>") + QByteArray("<a>").repeated(300) + QByteArray("</a>").repeated(300) + "</Config>"
        << QStringLiteral("hay más de 256 niveles de elementos anidados");
    QTest::newRow("demasiado grande") << "<Config><!--" + QByteArray(1024 * 1024, 'x') + "--></Config>"
                                      << QStringLiteral("ocupa más de 1048576 bytes");
    QTest::newRow("10 MB") << "<Config><!--" + QByteArray(10 * 1024 * 1024, 'x') + "--></Config>"
                           << QStringLiteral("ocupa más de 1048576 bytes");
    QByteArray basura;
    for (int i = 0; i < 4096; ++i)
        basura += char((i * 131 + 7) & 0xFF);
    QTest::newRow("basura binaria") << basura << QStringLiteral("(línea 1, columna 1)");
}

// Every call fails with the file's name and the reason, and none of them writes the file: a
// station must not lose its settings to a file it could not read.
void TestConfigIni::archivoIlegibleNoSeToca()
{
    QFETCH(QByteArray, datos);
    QFETCH(QString, motivo);

    escribirArchivo(kArchivo, datos);
    const ino_t inodoAntes = inodo();
    const QString inicio = QStringLiteral("El archivo de configuración «%1» no se puede leer: ").arg(rutaAbsoluta());

    ConfigIni config;
    const std::vector<std::pair<const char*, std::function<void()>>> llamadas{
        {"lectura de texto", [&] { config.ConfigIni_str(QStringLiteral("Conexion"), QStringLiteral("Usuario"), {}); }},
        {"lectura de entero", [&] { config.ConfigIni_int(QStringLiteral("Ventana"), QStringLiteral("Alto"), 746); }},
        {"escritura", [&] { config.ConfigIni_boolW(QStringLiteral("Ventana"), QStringLiteral("Restaurada"), false); }},
    };
    for (const auto& [nombre, llamada] : llamadas) {
        const std::optional<QString> mensaje = fallo<ErrorConfigIni>(llamada);
        QVERIFY2(mensaje, nombre);
        QVERIFY2(mensaje->startsWith(inicio), qPrintable(*mensaje));
        QVERIFY2(mensaje->contains(motivo), qPrintable(*mensaje));
        QVERIFY2(contenido() == datos, nombre);
        QCOMPARE(inodo(), inodoAntes);
    }
    QCOMPARE(archivosDeLaCarpeta(), QStringList{kArchivo});
}

void TestConfigIni::nombreOValorNoGuardable_data()
{
    QTest::addColumn<QString>("seccion");
    QTest::addColumn<QString>("clave");
    QTest::addColumn<QString>("valor");
    QTest::addColumn<QString>("motivo");

    QTest::newRow("sección con blanco") << "Mi Ventana"
                                        << "Ancho"
                                        << "1"
                                        << "«Mi Ventana» no es un nombre de sección válido";
    QTest::newRow("sección vacía") << ""
                                   << "Ancho"
                                   << "1"
                                   << "«» no es un nombre de sección válido";
    QTest::newRow("sección que empieza por cifra") << "1Ventana"
                                                   << "Ancho"
                                                   << "1"
                                                   << "«1Ventana» no es un nombre de sección válido";
    QTest::newRow("sección que cuela un atributo") << "Ventana Alto='1'"
                                                   << "Ancho"
                                                   << "1"
                                                   << "«Ventana Alto='1'» no es un nombre de sección válido";
    QTest::newRow("clave con barra") << "Ventana"
                                     << "Ancho/"
                                     << "1"
                                     << "«Ancho/» no es un nombre de clave válido";
    QTest::newRow("clave que cuela un atributo") << "Ventana"
                                                 << "Ancho=\"1\" Alto"
                                                 << "1"
                                                 << "«Ancho=\"1\" Alto» no es un nombre de clave válido";
    QTest::newRow("carácter de control") << "Conexion"
                                         << "Usuario" << QStringLiteral("ana\u0001")
                                         << "el valor de «Conexion»/«Usuario» contiene el carácter U+0001";
    QTest::newRow("suplente suelto") << "Conexion"
                                     << "Usuario" << QString(QChar(0xD800)) << "contiene el carácter U+D800";
    QTest::newRow("no carácter") << "Conexion"
                                 << "Usuario" << QString(QChar(0xFFFE)) << "contiene el carácter U+FFFE";
}

// Nothing that the parser would refuse on the next read is ever written.
void TestConfigIni::nombreOValorNoGuardable()
{
    QFETCH(QString, seccion);
    QFETCH(QString, clave);
    QFETCH(QString, valor);
    QFETCH(QString, motivo);

    ConfigIni config;
    std::optional<QString> mensaje = fallo<ErrorConfigIni>([&] { config.ConfigIni_strW(seccion, clave, valor); });
    QVERIFY(mensaje);
    QVERIFY2(mensaje->contains(motivo), qPrintable(*mensaje));
    QVERIFY2(mensaje->contains(rutaAbsoluta()), qPrintable(*mensaje));
    QVERIFY(!QFile::exists(kArchivo));

    const QByteArray antes = R"(<Config><Ventana Ancho="1"/></Config>)";
    escribirArchivo(kArchivo, antes);
    mensaje = fallo<ErrorConfigIni>([&] { config.ConfigIni_str(seccion, clave, valor); });
    QVERIFY(mensaje);
    QVERIFY2(mensaje->contains(motivo), qPrintable(*mensaje));
    mensaje = fallo<ErrorConfigIni>([&] { config.ConfigIni_strW(seccion, clave, valor); });
    QVERIFY(mensaje);
    QCOMPARE(contenido(), antes);
}

// A file-size limit makes writes fail part-way, as a full disk does. The control shows what that
// does to a file written in place; the store's save must leave the old file whole instead. Nothing
// is logged while the limit is on, as the log may be a file too.
void TestConfigIni::escrituraCortadaDejaElArchivoAnterior()
{
    const QByteArray antes = R"(<Config><Conexion Usuario="SYSDBA"/><Ventana Ancho="800" Alto="600"/></Config>)";
    escribirArchivo(kArchivo, antes);
    escribirArchivo(QStringLiteral("control.xml"), antes);
    const QString largo(4000, u'x');

    QFile control(QStringLiteral("control.xml"));
    QVERIFY(control.open(QIODevice::WriteOnly | QIODevice::Truncate));
    bool controlVaciado = true;
    {
        const LimiteDeArchivos limite(64);
        control.write(antes + largo.toUtf8());
        controlVaciado = control.flush();
        control.close();
    }
    QVERIFY(!controlVaciado);
    QCOMPARE(contenido(QStringLiteral("control.xml")), antes.left(64));

    ConfigIni config;
    std::optional<QString> mensaje;
    {
        const LimiteDeArchivos limite(64);
        mensaje = fallo<ErrorConfigIni>(
            [&] { config.ConfigIni_strW(QStringLiteral("Conexion"), QStringLiteral("Nota"), largo); });
    }
    QVERIFY(mensaje);
    QCOMPARE(*mensaje, QStringLiteral("El archivo de configuración «%1» no se puede guardar: %2")
                           .arg(rutaAbsoluta(), QString::fromLocal8Bit(std::strerror(EFBIG))));
    QCOMPARE(contenido(), antes);
    QCOMPARE(archivosDeLaCarpeta(), (QStringList{QStringLiteral("config.xml"), QStringLiteral("control.xml")}));

    // With room again the same write goes through.
    config.ConfigIni_strW(QStringLiteral("Conexion"), QStringLiteral("Nota"), largo);
    QCOMPARE(config.ConfigIni_str(QStringLiteral("Conexion"), QStringLiteral("Nota"), {}), largo);
}

// The control: a reader with the parser's own limits expands the 12 KB file into an attribute of
// four million characters, which a save would then store. The store refuses the declaration
// before any reference is expanded.
void TestConfigIni::entidadesNoSeExpanden()
{
    const QByteArray datos = entidadRepetida();
    QVERIFY(datos.size() < 16 * 1024);
    QXmlStreamReader lector(datos);
    QVERIFY(lector.readNextStartElement()); // Config
    QVERIFY(lector.readNextStartElement()); // Ventana
    QCOMPARE(lector.attributes().value(QStringLiteral("Nota")).size(), qsizetype{4'000'000});

    escribirArchivo(kArchivo, datos);
    ConfigIni config;
    const std::optional<QString> mensaje = fallo<ErrorConfigIni>(
        [&] { config.ConfigIni_str(QStringLiteral("Ventana"), QStringLiteral("Nota"), QString()); });
    QVERIFY(mensaje);
    QVERIFY2(mensaje->contains(QStringLiteral("declara entidades")), qPrintable(*mensaje));
    QCOMPARE(contenido(), datos);
}

void TestConfigIni::discoLleno_data()
{
    QTest::addColumn<int>("tamano");

    // A save that fits a file's own write buffer would fail only when the buffer is flushed.
    QTest::newRow("menor que el búfer de escritura") << 6000;
    QTest::newRow("mayor que el búfer de escritura") << 20000;
}

// A real tmpfs with one page left, so the save stops part-way with ENOSPC. The control shows what a
// write in place does there: the file is cut and no longer parses. The store must keep the old
// file, name it with the system's reason, and leave no temporary file behind.
void TestConfigIni::discoLleno()
{
    QFETCH(int, tamano);

    testsupport::DiscoPequeno disco(64 * 1024);
    LUMIVO_REQUIRE_MOUNT(disco);
    const QString ruta = disco.archivo(kArchivo);
    const QString control = disco.archivo(QStringLiteral("control.xml"));
    const QByteArray antes = R"(<Config><Conexion Usuario="SYSDBA"/><Ventana Ancho="800" Alto="600"/></Config>)";
    const QString largo(tamano, u'x');
    escribirArchivo(ruta, antes);
    escribirArchivo(control, antes);

    // Truncating gives the control its own page back: one page left in all, as for the save below.
    QVERIFY(disco.llenar(0));
    {
        const QByteArray nuevo = R"(<Config><Conexion Usuario="SYSDBA" Nota=")" + largo.toUtf8() + R"("/></Config>)";
        QFile enSuSitio(control);
        QVERIFY(enSuSitio.open(QIODevice::WriteOnly | QIODevice::Truncate));
        const bool completo = enSuSitio.write(nuevo) == nuevo.size() && enSuSitio.flush();
        QVERIFY(!completo);
    }
    QVERIFY(!contenido(control).isEmpty());
    QVERIFY(fallo<ErrorConfigIni>(
        [&] { ConfigIni(control).ConfigIni_str(QStringLiteral("Conexion"), QStringLiteral("Usuario"), {}); }));
    QVERIFY(QFile::remove(control));
    disco.vaciar();
    QVERIFY(disco.llenar(4096));

    ConfigIni config(ruta);
    const std::optional<QString> mensaje = fallo<ErrorConfigIni>(
        [&] { config.ConfigIni_strW(QStringLiteral("Conexion"), QStringLiteral("Nota"), largo); });
    QVERIFY(mensaje);
    QCOMPARE(*mensaje, QStringLiteral("El archivo de configuración «%1» no se puede guardar: %2")
                           .arg(ruta, QString::fromLocal8Bit(std::strerror(ENOSPC))));
    QCOMPARE(contenido(ruta), antes);
    QCOMPARE(QDir(disco.ruta()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name),
             (QStringList{QStringLiteral(".relleno"), kArchivo}));

    // With room again the same write goes through.
    disco.vaciar();
    config.ConfigIni_strW(QStringLiteral("Conexion"), QStringLiteral("Nota"), largo);
    QCOMPARE(ConfigIni(ruta).ConfigIni_str(QStringLiteral("Conexion"), QStringLiteral("Nota"), {}), largo);
}

void TestConfigIni::sinPermisoDeEscritura_data()
{
    QTest::addColumn<QString>("caso");
    QTest::addColumn<QString>("ruta");
    QTest::addColumn<QString>("motivo");

    QTest::newRow("carpeta de solo lectura") << "carpeta"
                                             << "config.xml"
                                             << "";
    QTest::newRow("archivo de solo lectura") << "archivo"
                                             << "config.xml"
                                             << "el archivo es de solo lectura";
    QTest::newRow("carpeta que no existe") << ""
                                           << "falta/config.xml"
                                           << "";
    // A read-only mount stops root as well.
    QTest::newRow("disco de solo lectura, con archivo") << "disco"
                                                        << "config.xml"
                                                        << "el archivo es de solo lectura";
    QTest::newRow("disco de solo lectura, sin archivo") << "disco vacío"
                                                        << "config.xml"
                                                        << "";
}

void TestConfigIni::sinPermisoDeEscritura()
{
    QFETCH(QString, caso);
    QFETCH(QString, ruta);
    QFETCH(QString, motivo);

    if (caso == u"carpeta" && ::geteuid() == 0)
        QSKIP("root escribe en una carpeta sin permiso de escritura; el caso del disco de solo lectura lo cubre");

    const QByteArray antes = R"(<Config><Ventana Ancho="800"/></Config>)";
    testsupport::DiscoPequeno disco(64 * 1024);
    if (caso.startsWith(u"disco")) {
        LUMIVO_REQUIRE_MOUNT(disco);
        ruta = disco.archivo(ruta);
        if (caso == u"disco")
            escribirArchivo(ruta, antes);
        QVERIFY2(disco.soloLectura(), qPrintable(disco.error()));
    } else if (caso == u"carpeta") {
        escribirArchivo(kArchivo, antes);
        QVERIFY(QFile::setPermissions(QStringLiteral("."), QFile::ReadOwner | QFile::ExeOwner));
    } else if (caso == u"archivo") {
        escribirArchivo(kArchivo, antes);
        QVERIFY(QFile::setPermissions(kArchivo, QFile::ReadOwner));
        // The control: root passes the access check, and a plain atomic save replaces the file.
        if (::geteuid() == 0) {
            escribirArchivo(QStringLiteral("control.xml"), antes);
            QVERIFY(QFile::setPermissions(QStringLiteral("control.xml"), QFile::ReadOwner));
            QVERIFY(QFileInfo(QStringLiteral("control.xml")).isWritable());
            QSaveFile atomico(QStringLiteral("control.xml"));
            QVERIFY(atomico.open(QIODevice::WriteOnly));
            atomico.write("<Config/>");
            QVERIFY(atomico.commit());
            QCOMPARE(contenido(QStringLiteral("control.xml")), QByteArray("<Config/>"));
            QVERIFY(QFile::remove(QStringLiteral("control.xml")));
        }
    }
    const QString inicio = QStringLiteral("El archivo de configuración «%1» no se puede guardar: ")
                               .arg(QDir::current().absoluteFilePath(ruta));
    const QStringList entradasAntes =
        QDir(QFileInfo(ruta).absolutePath()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);

    ConfigIni config(ruta);
    const std::vector<std::function<void()>> llamadas{
        [&] { config.ConfigIni_intW(QStringLiteral("Ventana"), QStringLiteral("Ancho"), 1024); },
        [&] { config.ConfigIni_int(QStringLiteral("Ventana"), QStringLiteral("Alto"), 746); },
    };
    for (const auto& llamada : llamadas) {
        const std::optional<QString> mensaje = fallo<ErrorConfigIni>(llamada);
        QVERIFY(mensaje);
        QVERIFY2(mensaje->startsWith(inicio) && mensaje->contains(motivo), qPrintable(*mensaje));
        QVERIFY2(mensaje->size() > inicio.size(), "sin el motivo del sistema");
    }
    if (caso.isEmpty()) {
        QVERIFY(!QFile::exists(QStringLiteral("falta")));
    } else {
        if (caso != u"disco vacío")
            QCOMPARE(contenido(ruta), antes);
        QCOMPARE(QDir(QFileInfo(ruta).absolutePath()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 entradasAntes);
    }
    // Reading a value that is there never needs to write.
    if (caso == u"disco" || caso == u"archivo")
        QCOMPARE(config.ConfigIni_int(QStringLiteral("Ventana"), QStringLiteral("Ancho"), 1), 800);
}

LUMIVO_TEST_GUILESS_MAIN(TestConfigIni)
#include "tst_configini.moc"
