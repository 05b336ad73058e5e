#include "connections/CatalogoConexiones.h"
#include "connections/ParametrosConexion.h"
#include "data/DatosConexion.h"
#include "platform/MessageBox.h"
#include "tests/support/DiscoPequeno.h"
#include "tests/support/PruebaPrincipal.h"

#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QObject>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <cstring>
#include <functional>
#include <memory>
#include <unistd.h>
#include <utility>
#include <vector>

class TestCatalogoConexiones : public QObject {
    Q_OBJECT

private slots:
    // Never the user's own data folder.
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init();
    void cleanup();

    void rutaCatalogo();
    void crearArchivo();
    void crearArchivoNoReemplaza();

    void nombres_data();
    void nombres();
    void nombreInvalidoNoEscribe_data();
    void nombreInvalidoNoEscribe();

    void listado_data();
    void listado();

    void lecturaLogin_data();
    void lecturaLogin();
    void declaracionInvertida_data();
    void declaracionInvertida();

    void lecturaEditor_data();
    void lecturaEditor();
    void codigoNoNumerico_data();
    void codigoNoNumerico();

    void grabar();
    void grabarSinConexiones_data();
    void grabarSinConexiones();
    void grabarNombreRepetido_data();
    void grabarNombreRepetido();

    void modificar_data();
    void modificar();
    void eliminar_data();
    void eliminar();

    void archivoRoto_data();
    void archivoRoto();
    void archivoFaltante_data();
    void archivoFaltante();
    void entidadesNoSeExpanden();
    void discoLleno_data();
    void discoLleno();
    void sinPermisoDeEscritura_data();
    void sinPermisoDeEscritura();

private:
    QString escribirCatalogo(const QByteArray& contenido);

    std::unique_ptr<QTemporaryDir> m_carpeta;
    QString m_archivo;
};

using namespace catalogo;

namespace {

const QByteArray kDeclaracion = QByteArrayLiteral(R"(<?xml version="1.0" encoding="utf-8" standalone="no"?>)");
const QByteArray kDeclaracionInvertida = QByteArrayLiteral(R"(<?xml version="1.0" standalone="no" encoding="utf-8"?>)");
const QByteArray kDeclaracionEscrita = QByteArrayLiteral(R"(<?xml version="1.0" encoding="UTF-8" standalone="no"?>)");

// A catalogue as found in the field: other Microsip content, comments, an attribute, values out of
// order, a connection missing values, and a name that a hand edit left twice.
const QByteArray kMicrosip = kDeclaracion + QByteArrayLiteral(R"(
<!-- Microsip -->
<ProgramData>
  <LocalMachine>
    <Software>
      <Microsip>
        <Licencia tipo="red">ABC-123</Licencia>
        <Conexiones>
          <Local>
            <Tipo_de_acceso>1</Tipo_de_acceso>
            <Nombre_del_servidor></Nombre_del_servidor>
            <Protocolo>0</Protocolo>
            <Directorio_de_datos>C:\Microsip datos\</Directorio_de_datos>
          </Local>
          <!-- sucursal -->
          <Servidor_central>
            <Directorio_de_datos>D:\Datos\</Directorio_de_datos>
            <Protocolo>0</Protocolo>
            <Nombre_del_servidor>SRV1</Nombre_del_servidor>
            <Tipo_de_acceso>0</Tipo_de_acceso>
          </Servidor_central>
          <Bodega>
            <Tipo_de_acceso>0</Tipo_de_acceso>
            <Nombre_del_servidor>SRV2</Nombre_del_servidor>
            <Protocolo>2</Protocolo>
            <Directorio_de_datos>/srv/datos/</Directorio_de_datos>
          </Bodega>
          <Incompleta>
            <Directorio_de_datos>E:\Incompleta\</Directorio_de_datos>
          </Incompleta>
          <Caja>
            <Tipo_de_acceso>1</Tipo_de_acceso>
            <Protocolo>0</Protocolo>
            <Directorio_de_datos>C:\Caja1\</Directorio_de_datos>
          </Caja>
          <Caja>
            <Tipo_de_acceso>1</Tipo_de_acceso>
            <Protocolo>0</Protocolo>
            <Directorio_de_datos>C:\Caja2\</Directorio_de_datos>
          </Caja>
        </Conexiones>
      </Microsip>
      <Otro>valor &amp; más</Otro>
    </Software>
  </LocalMachine>
</ProgramData>
)");

const QStringList kNombresMicrosip = {QStringLiteral("Local"),  QStringLiteral("Servidor_central"),
                                      QStringLiteral("Bodega"), QStringLiteral("Incompleta"),
                                      QStringLiteral("Caja"),   QStringLiteral("Caja")};

// Fragments of arbol(kMicrosip), the compact form of the tree.
const QString kServidorCentral = QStringLiteral(
    R"(<Servidor_central><Directorio_de_datos>D:\Datos\</Directorio_de_datos><Protocolo>0</Protocolo>)"
    R"(<Nombre_del_servidor>SRV1</Nombre_del_servidor><Tipo_de_acceso>0</Tipo_de_acceso></Servidor_central>)");
const QString kIncompleta =
    QStringLiteral(R"(<Incompleta><Directorio_de_datos>E:\Incompleta\</Directorio_de_datos></Incompleta>)");
const QString kCaja1 = QStringLiteral(R"(<Caja><Tipo_de_acceso>1</Tipo_de_acceso><Protocolo>0</Protocolo>)"
                                      R"(<Directorio_de_datos>C:\Caja1\</Directorio_de_datos></Caja>)");
const QString kCaja2 = QStringLiteral(R"(<Caja><Tipo_de_acceso>1</Tipo_de_acceso><Protocolo>0</Protocolo>)"
                                      R"(<Directorio_de_datos>C:\Caja2\</Directorio_de_datos></Caja>)");

QByteArray conConexiones(const QByteArray& conexiones)
{
    return kDeclaracion + "\n<ProgramData><LocalMachine><Software><Microsip><Conexiones>" + conexiones +
           "</Conexiones></Microsip></Software></LocalMachine></ProgramData>\n";
}

// "Billion laughs": ten levels of ten references each, 20 billion characters once expanded.
QByteArray risas()
{
    QByteArray dtd = "<!DOCTYPE ProgramData [<!ENTITY r0 \"jajajajajajajajajaja\">";
    for (int i = 1; i <= 9; ++i) {
        dtd += "<!ENTITY r" + QByteArray::number(i) + " \"";
        for (int j = 0; j < 10; ++j)
            dtd += "&r" + QByteArray::number(i - 1) + ';';
        dtd += "\">";
    }
    return kDeclaracion + dtd +
           "]><ProgramData><LocalMachine><Software><Microsip><Conexiones><Local>"
           "<Directorio_de_datos>&r9;</Directorio_de_datos></Local></Conexiones></Microsip>"
           "</Software></LocalMachine></ProgramData>";
}

// One entity under the parser's per-entity limit, referenced a thousand times.
QByteArray entidadRepetida()
{
    return kDeclaracion + "<!DOCTYPE ProgramData [<!ENTITY e \"" + QByteArray(4000, 'x') +
           "\">]><ProgramData><LocalMachine><Software><Microsip><Conexiones><Local><Directorio_de_datos>" +
           QByteArray("&e;").repeated(1000) +
           "</Directorio_de_datos></Local></Conexiones></Microsip></Software></LocalMachine></ProgramData>";
}

QByteArray leer(const QString& ruta)
{
    QFile file(ruta);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// The tree without the declaration and without layout, so that content can be compared across a
// rewrite that changes the indentation.
QString arbol(const QByteArray& contenido)
{
    QDomDocument documento;
    if (!documento.setContent(contenido))
        return QStringLiteral("<no analizable>");
    for (QDomNode nodo = documento.firstChild(); !nodo.isNull(); nodo = nodo.nextSibling()) {
        if (nodo.isProcessingInstruction()) {
            documento.removeChild(nodo);
            break;
        }
    }
    return documento.toString(-1);
}

bool escribirArchivo(const QString& ruta, const QByteArray& contenido)
{
    QFile file(ruta);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(contenido) == contenido.size() &&
           file.flush();
}

QStringList entradas(const QString& carpeta)
{
    return QDir(carpeta).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

ValoresConexion valores(int tipo, const QString& servidor, int protocolo, const QString& carpeta)
{
    return ValoresConexion{tipo, servidor, protocolo, carpeta};
}

// Runs one catalogue operation by name, so that a table can cover all of them.
void ejecutar(const QString& operacion, const QString& archivo, const QString& conexion)
{
    if (operacion == QStringLiteral("LeerXML2018")) {
        LeerXML2018(archivo);
    } else if (operacion == QStringLiteral("LeerXmlConexion")) {
        DatosConexion datos;
        LeerXmlConexion(archivo, conexion, datos);
    } else if (operacion == QStringLiteral("LeerXmlConexionEditor")) {
        LeerXmlConexionEditor(archivo, conexion);
    } else if (operacion == QStringLiteral("GrabarXmlConexion")) {
        GrabarXmlConexion(archivo, conexion, valores(0, QStringLiteral("SRV9"), 0, QStringLiteral("Z:\\")));
    } else if (operacion == QStringLiteral("ModificarConexion")) {
        ModificarConexion(archivo, conexion, valores(0, QStringLiteral("SRV9"), 0, QStringLiteral("Z:\\")));
    } else if (operacion == QStringLiteral("EliminarConexion")) {
        EliminarConexion(archivo, conexion);
    } else {
        QFAIL(qPrintable(QStringLiteral("operación desconocida: ") + operacion));
    }
}

const QStringList kOperaciones = {QStringLiteral("LeerXML2018"),           QStringLiteral("LeerXmlConexion"),
                                  QStringLiteral("LeerXmlConexionEditor"), QStringLiteral("GrabarXmlConexion"),
                                  QStringLiteral("ModificarConexion"),     QStringLiteral("EliminarConexion")};

std::unique_ptr<platform::RecordingNotifier> g_avisos;

} // namespace

void TestCatalogoConexiones::init()
{
    m_carpeta = std::make_unique<QTemporaryDir>();
    QVERIFY(m_carpeta->isValid());
    m_archivo = RutaCatalogo(m_carpeta->path());
    // A warning box would block the test run; record it instead.
    g_avisos = std::make_unique<platform::RecordingNotifier>();
}

void TestCatalogoConexiones::cleanup()
{
    g_avisos.reset();
    m_carpeta.reset();
}

QString TestCatalogoConexiones::escribirCatalogo(const QByteArray& contenido)
{
    QDir().mkpath(QFileInfo(m_archivo).path());
    QFile file(m_archivo);
    if (!file.open(QIODevice::WriteOnly) || file.write(contenido) != contenido.size())
        qFatal("cannot write the fixture");
    return m_archivo;
}

void TestCatalogoConexiones::rutaCatalogo()
{
    QCOMPARE(RutaCatalogo(), QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                                 QStringLiteral("/Microsip/ProgramData.xml"));
}

void TestCatalogoConexiones::crearArchivo()
{
    const QString carpetaMicrosip = m_carpeta->path() + QStringLiteral("/Microsip");
    QVERIFY(!QFileInfo::exists(carpetaMicrosip));

    CrearArchivo(m_archivo);

    QVERIFY(QFileInfo(carpetaMicrosip).isDir());
    const QByteArray contenido = leer(m_archivo);
    QVERIFY2(contenido.startsWith(kDeclaracionEscrita), contenido.constData());
    QCOMPARE(arbol(contenido),
             QStringLiteral("<ProgramData><LocalMachine><Software><Microsip><Conexiones/></Microsip></Software>"
                            "</LocalMachine></ProgramData>"));
    QCOMPARE(LeerXML2018(m_archivo), QStringList());
    QVERIFY(g_avisos->messages.empty());
    QCOMPARE(entradas(carpetaMicrosip), QStringList{QStringLiteral("ProgramData.xml")});
}

void TestCatalogoConexiones::crearArchivoNoReemplaza()
{
    const QByteArray roto = kDeclaracion + "\n<ProgramData><LocalMachine>";
    escribirCatalogo(roto);

    QVERIFY_THROWS_EXCEPTION(ErrorCatalogo, CrearArchivo(m_archivo));
    QCOMPARE(leer(m_archivo), roto);
}

void TestCatalogoConexiones::nombres_data()
{
    QTest::addColumn<QString>("conexion");
    QTest::addColumn<QString>("elemento");
    QTest::addColumn<QString>("paraEditar");
    QTest::addColumn<QString>("motivo"); // empty: the name is valid

    QTest::newRow("plain") << "Local"
                           << "Local"
                           << "Local" << QString();
    QTest::newRow("one blank") << "Servidor central"
                               << "Servidor_central"
                               << "Servidor central" << QString();
    // Only the first of each is converted, so an underscore typed by the user does not survive the trip.
    QTest::newRow("underscore and blank") << "Caja_1 norte"
                                          << "Caja_1_norte"
                                          << "Caja 1_norte" << QString();
    QTest::newRow("leading blank") << " Local"
                                   << "_Local"
                                   << " Local" << QString();
    QTest::newRow("trailing blank") << "Local "
                                    << "Local_"
                                    << "Local " << QString();
    QTest::newRow("accents") << QStringLiteral("Café Ñandú") << QStringLiteral("Café_Ñandú")
                             << QStringLiteral("Café Ñandú") << QString();
    QTest::newRow("digits, dot, hyphen") << "Sucursal 2.0-b"
                                         << "Sucursal_2.0-b"
                                         << "Sucursal 2.0-b" << QString();
    QTest::newRow("Greek and Thai") << QStringLiteral("Αθήνα กรุง") << QStringLiteral("Αθήνα_กรุง")
                                    << QStringLiteral("Αθήνα กรุง") << QString();

    QTest::newRow("empty") << ""
                           << ""
                           << ""
                           << "está vacío";
    QTest::newRow("second blank") << "Un dos tres"
                                  << "Un_dos tres"
                                  << "Un dos tres"
                                  << "más de un espacio";
    QTest::newRow("starts with a digit") << "2 Sucursal"
                                         << "2_Sucursal"
                                         << "2 Sucursal"
                                         << "debe empezar";
    QTest::newRow("starts with a hyphen") << "-Local"
                                          << "-Local"
                                          << "-Local"
                                          << "debe empezar";
    QTest::newRow("slash") << "Caja/1"
                           << "Caja/1"
                           << "Caja/1"
                           << "«/»";
    QTest::newRow("colon") << "SRV1:Datos"
                           << "SRV1:Datos"
                           << "SRV1:Datos"
                           << "«:»";
    QTest::newRow("ampersand") << "Ventas&Co"
                               << "Ventas&Co"
                               << "Ventas&Co"
                               << "«&»";
    QTest::newRow("less-than") << "a<b"
                               << "a<b"
                               << "a<b"
                               << "«<»";
    QTest::newRow("tab") << "Caja\t1"
                         << "Caja\t1"
                         << "Caja\t1"
                         << "U+0009";
    QTest::newRow("no-break space") << QStringLiteral("Caja\u00A01") << QStringLiteral("Caja\u00A01")
                                    << QStringLiteral("Caja\u00A01") << "U+00A0";
    // Letters that XML 1.0's newer grammar admits but our reader's character tables do not.
    QTest::newRow("euro sign") << QStringLiteral("Caja€") << QStringLiteral("Caja€") << QStringLiteral("Caja€")
                               << QStringLiteral("«€»");
    QTest::newRow("letter added to Unicode after XML 1.0")
        << QStringLiteral("Caja\u0221") << QStringLiteral("Caja\u0221") << QStringLiteral("Caja\u0221")
        << QStringLiteral("«\u0221»");
    QTest::newRow("outside the basic plane")
        << QStringLiteral("\U0001D49C Tienda") << QStringLiteral("\U0001D49C_Tienda")
        << QStringLiteral("\U0001D49C Tienda") << QStringLiteral("«\U0001D49C»");
    QTest::newRow("starts with an Arabic-Indic digit") << QStringLiteral("\u0661Caja") << QStringLiteral("\u0661Caja")
                                                       << QStringLiteral("\u0661Caja") << "debe empezar";
    const QString solitario = QStringLiteral("Caja") + QChar(0xD800);
    QTest::newRow("lone surrogate") << solitario << solitario << solitario << "U+D800";
}

void TestCatalogoConexiones::nombres()
{
    QFETCH(QString, conexion);
    QFETCH(QString, elemento);
    QFETCH(QString, paraEditar);
    QFETCH(QString, motivo);

    QCOMPARE(NombreElemento(conexion), elemento);
    QCOMPARE(NombreParaEditar(elemento), paraEditar);
    const QString problema = ErrorDeNombre(conexion);
    QVERIFY2(motivo.isEmpty() ? problema.isEmpty() : problema.contains(motivo), qPrintable(problema));

    // A name taken as valid must survive a real write and parse; a refused one must not touch the file.
    CrearArchivo(m_archivo);
    const QByteArray antes = leer(m_archivo);
    const ValoresConexion datos = valores(0, QStringLiteral("SRV1"), 1, QStringLiteral("D:\\Datos\\"));
    if (motivo.isEmpty()) {
        GrabarXmlConexion(m_archivo, conexion, datos);
        QCOMPARE(LeerXML2018(m_archivo), QStringList{elemento});
        const std::optional<ValoresConexion> leidos = LeerXmlConexionEditor(m_archivo, conexion);
        QVERIFY(leidos.has_value());
        QCOMPARE(leidos->carpeta, datos.carpeta);
    } else {
        QVERIFY_THROWS_EXCEPTION(ErrorCatalogo, GrabarXmlConexion(m_archivo, conexion, datos));
        QCOMPARE(leer(m_archivo), antes);
    }
}

void TestCatalogoConexiones::nombreInvalidoNoEscribe_data()
{
    QTest::addColumn<QString>("operacion");
    QTest::addColumn<QString>("conexion");

    for (const QString& operacion : kOperaciones) {
        if (operacion == QStringLiteral("LeerXML2018"))
            continue;
        for (const char* conexion : {"", "Un dos tres", "2 Sucursal", "Caja/1"})
            QTest::addRow("%s «%s»", qPrintable(operacion), conexion) << operacion << QString::fromUtf8(conexion);
    }
}

void TestCatalogoConexiones::nombreInvalidoNoEscribe()
{
    QFETCH(QString, operacion);
    QFETCH(QString, conexion);

    escribirCatalogo(kMicrosip);
    const QStringList antes = entradas(QFileInfo(m_archivo).path());
    try {
        ejecutar(operacion, m_archivo, conexion);
        QFAIL("an invalid connection name was accepted");
    } catch (const ErrorCatalogo& e) {
        QCOMPARE(QString::fromStdString(e.what()), ErrorDeNombre(conexion));
    }
    QCOMPARE(leer(m_archivo), kMicrosip);
    QCOMPARE(entradas(QFileInfo(m_archivo).path()), antes);
}

void TestCatalogoConexiones::listado_data()
{
    QTest::addColumn<QByteArray>("contenido");
    QTest::addColumn<QStringList>("nombres");
    QTest::addColumn<bool>("aviso");

    QTest::newRow("Microsip file, document order") << kMicrosip << kNombresMicrosip << false;
    QTest::newRow("empty Conexiones") << conConexiones("") << QStringList() << false;
    QTest::newRow("comment and text are not connections")
        << conConexiones("<!-- x -->texto<Local/>") << QStringList{QStringLiteral("Local")} << false;
    QTest::newRow("no LocalMachine") << kDeclaracion + "<ProgramData/>" << QStringList() << true;
    QTest::newRow("no Software") << kDeclaracion + "<ProgramData><LocalMachine/></ProgramData>" << QStringList()
                                 << true;
    QTest::newRow("no Microsip")
        << kDeclaracion + "<ProgramData><LocalMachine><Software><Otro/></Software></LocalMachine></ProgramData>"
        << QStringList() << true;
    QTest::newRow("no Conexiones")
        << kDeclaracion + "<ProgramData><LocalMachine><Software><Microsip><Licencia/></Microsip></Software>"
                          "</LocalMachine></ProgramData>"
        << QStringList() << true;
    QTest::newRow("Conexiones one level too high")
        << kDeclaracion + "<ProgramData><LocalMachine><Microsip><Conexiones><Local/></Conexiones></Microsip>"
                          "</LocalMachine></ProgramData>"
        << QStringList() << true;
    QTest::newRow("another document element")
        << kDeclaracion + "<Config><LocalMachine><Software><Microsip><Conexiones><Local/></Conexiones></Microsip>"
                          "</Software></LocalMachine></Config>"
        << QStringList() << true;
}

void TestCatalogoConexiones::listado()
{
    QFETCH(QByteArray, contenido);
    QFETCH(QStringList, nombres);
    QFETCH(bool, aviso);

    escribirCatalogo(contenido);
    QCOMPARE(LeerXML2018(m_archivo), nombres);
    if (aviso) {
        QCOMPARE(g_avisos->messages.size(), size_t(1));
        QCOMPARE(g_avisos->messages[0].text, QStringLiteral("El XML no cuenta con la estructura de conexión Microsip"));
        QCOMPARE(g_avisos->messages[0].title, QStringLiteral("Zantor"));
        QVERIFY(g_avisos->messages[0].icon == platform::Icon::Warning);
    } else {
        QVERIFY(g_avisos->messages.empty());
    }
    QCOMPARE(leer(m_archivo), contenido);
}

void TestCatalogoConexiones::lecturaLogin_data()
{
    QTest::addColumn<QString>("conexion");
    QTest::addColumn<QString>("tipo");
    QTest::addColumn<QString>("servidor");
    QTest::addColumn<QString>("carpeta");
    QTest::addColumn<QString>("protocolo");
    QTest::addColumn<QString>("rutaMostrada");

    QTest::newRow("local") << "Local"
                           << "1"
                           << ""
                           << R"(C:\Microsip datos\)"
                           << "0"
                           << R"(C:\Microsip datos\)";
    QTest::newRow("remote, by its display name, values out of order") << "Servidor central"
                                                                      << "0"
                                                                      << "SRV1"
                                                                      << R"(D:\Datos\)"
                                                                      << "0"
                                                                      << R"(SRV1:D:\Datos\)";
    QTest::newRow("remote, by its listed name") << "Servidor_central"
                                                << "0"
                                                << "SRV1"
                                                << R"(D:\Datos\)"
                                                << "0"
                                                << R"(SRV1:D:\Datos\)";
    QTest::newRow("remote SPX, Linux folder") << "Bodega"
                                              << "0"
                                              << "SRV2"
                                              << "/srv/datos/"
                                              << "2"
                                              << "SRV2:/srv/datos/";
    QTest::newRow("missing values read as empty") << "Incompleta"
                                                  << ""
                                                  << ""
                                                  << R"(E:\Incompleta\)"
                                                  << ""
                                                  << R"(E:\Incompleta\)";
    QTest::newRow("the first of two with one name") << "Caja"
                                                    << "1"
                                                    << ""
                                                    << R"(C:\Caja1\)"
                                                    << "0"
                                                    << R"(C:\Caja1\)";
    QTest::newRow("unknown connection") << "Desconocida"
                                        << ""
                                        << ""
                                        << ""
                                        << ""
                                        << "";
    QTest::newRow("names are case-sensitive") << "local"
                                              << ""
                                              << ""
                                              << ""
                                              << ""
                                              << "";
}

void TestCatalogoConexiones::lecturaLogin()
{
    QFETCH(QString, conexion);
    QFETCH(QString, tipo);
    QFETCH(QString, servidor);
    QFETCH(QString, carpeta);
    QFETCH(QString, protocolo);
    QFETCH(QString, rutaMostrada);

    escribirCatalogo(kMicrosip);
    // Values of an earlier attempt must not leak into this one.
    const QString viejo = QStringLiteral("viejo");
    DatosConexion datos{viejo, viejo, viejo, viejo, viejo, viejo, viejo, viejo, viejo};

    LeerXmlConexion(m_archivo, conexion, datos);

    QCOMPARE(datos.TipoAcceso, tipo);
    QCOMPARE(datos.Servidor, servidor);
    QCOMPARE(datos.CarpetaDatos, carpeta);
    QCOMPARE(datos.ProtocoloRed, protocolo);
    QCOMPARE(datos.RutaMostrada, rutaMostrada);
    QCOMPARE(datos.RutaSistema, viejo);
    QCOMPARE(datos.Usuario, viejo);
    QCOMPARE(datos.Contrasena, viejo);
    QCOMPARE(datos.Empresa, viejo);
    QCOMPARE(leer(m_archivo), kMicrosip);
}

void TestCatalogoConexiones::declaracionInvertida_data()
{
    QTest::addColumn<QByteArray>("contenido");

    const QByteArray cuerpo = "<ProgramData><LocalMachine><Software><Microsip><Conexiones><Local>"
                              "<Tipo_de_acceso>0</Tipo_de_acceso><Nombre_del_servidor>SRV1</Nombre_del_servidor>"
                              "<Protocolo>0</Protocolo><Directorio_de_datos>D:\\Datos\\</Directorio_de_datos>"
                              "</Local></Conexiones></Microsip></Software></LocalMachine></ProgramData>\n";
    QTest::newRow("line feed") << kDeclaracionInvertida + "\n" + cuerpo;
    QTest::newRow("carriage return and line feed") << kDeclaracionInvertida + "\r\n" + cuerpo;
    QTest::newRow("after a byte order mark") << "\xEF\xBB\xBF" + kDeclaracionInvertida + "\r\n" + cuerpo;
    QTest::newRow("whole file on one line") << kDeclaracionInvertida + cuerpo;
    QTest::newRow("conforming order") << kDeclaracion + "\n" + cuerpo;
}

void TestCatalogoConexiones::declaracionInvertida()
{
    QFETCH(QByteArray, contenido);

    escribirCatalogo(contenido);
    DatosConexion datos;
    LeerXmlConexion(m_archivo, QStringLiteral("Local"), datos);
    QCOMPARE(datos.RutaMostrada, QStringLiteral(R"(SRV1:D:\Datos\)"));
    QCOMPARE(LeerXML2018(m_archivo), QStringList{QStringLiteral("Local")});
    QVERIFY(LeerXmlConexionEditor(m_archivo, QStringLiteral("Local")).has_value());
    // Reading repairs in memory only.
    QCOMPARE(leer(m_archivo), contenido);

    // A rewrite leaves a conforming declaration behind.
    ModificarConexion(m_archivo, QStringLiteral("Local"), valores(1, QString(), 0, QStringLiteral("E:\\")));
    const QByteArray escrito = leer(m_archivo);
    QVERIFY2(escrito.startsWith(kDeclaracionEscrita), escrito.constData());
    LeerXmlConexion(m_archivo, QStringLiteral("Local"), datos);
    QCOMPARE(datos.RutaMostrada, QStringLiteral("E:\\"));
}

void TestCatalogoConexiones::lecturaEditor_data()
{
    QTest::addColumn<QString>("conexion");
    QTest::addColumn<bool>("presente");
    QTest::addColumn<int>("tipo");
    QTest::addColumn<QString>("servidor");
    QTest::addColumn<int>("protocolo");
    QTest::addColumn<QString>("carpeta");

    QTest::newRow("local") << "Local" << true << 1 << "" << 0 << R"(C:\Microsip datos\)";
    QTest::newRow("remote, by its display name") << "Servidor central" << true << 0 << "SRV1" << 0 << R"(D:\Datos\)";
    QTest::newRow("remote SPX") << "Bodega" << true << 0 << "SRV2" << 2 << "/srv/datos/";
    QTest::newRow("unknown connection") << "Desconocida" << false << 0 << "" << 0 << "";
}

void TestCatalogoConexiones::lecturaEditor()
{
    QFETCH(QString, conexion);
    QFETCH(bool, presente);
    QFETCH(int, tipo);
    QFETCH(QString, servidor);
    QFETCH(int, protocolo);
    QFETCH(QString, carpeta);

    escribirCatalogo(kMicrosip);
    const std::optional<ValoresConexion> leidos = LeerXmlConexionEditor(m_archivo, conexion);
    QCOMPARE(leidos.has_value(), presente);
    if (presente) {
        QCOMPARE(leidos->tipoAcceso, tipo);
        QCOMPARE(leidos->servidor, servidor);
        QCOMPARE(leidos->protocolo, protocolo);
        QCOMPARE(leidos->carpeta, carpeta);
    }
    QCOMPARE(leer(m_archivo), kMicrosip);
}

void TestCatalogoConexiones::codigoNoNumerico_data()
{
    QTest::addColumn<QByteArray>("contenido");
    QTest::addColumn<QString>("citado");
    QTest::addColumn<QString>("tipoTexto");

    QTest::newRow("type stored as its label")
        << conConexiones("<X><Tipo_de_acceso>Remota</Tipo_de_acceso><Protocolo>0</Protocolo></X>")
        << QStringLiteral("«Remota»") << "Remota";
    QTest::newRow("protocol stored as its label")
        << conConexiones("<X><Tipo_de_acceso>0</Tipo_de_acceso><Protocolo>TCP/IP</Protocolo></X>")
        << QStringLiteral("«TCP/IP»") << "0";
    QTest::newRow("protocol missing") << conConexiones("<X><Tipo_de_acceso>1</Tipo_de_acceso></X>")
                                      << QStringLiteral("«»") << "1";
}

void TestCatalogoConexiones::codigoNoNumerico()
{
    QFETCH(QByteArray, contenido);
    QFETCH(QString, citado);
    QFETCH(QString, tipoTexto);

    escribirCatalogo(contenido);
    try {
        LeerXmlConexionEditor(m_archivo, QStringLiteral("X"));
        QFAIL("a code that is not a decimal integer was accepted");
    } catch (const ErrorConversion& e) {
        const QString mensaje = QString::fromStdString(e.what());
        QVERIFY2(mensaje.contains(citado), qPrintable(mensaje));
    }
    // The login takes the codes as text and is not affected.
    DatosConexion datos;
    LeerXmlConexion(m_archivo, QStringLiteral("X"), datos);
    QCOMPARE(datos.TipoAcceso, tipoTexto);
}

void TestCatalogoConexiones::grabar()
{
    CrearArchivo(m_archivo);
    GrabarXmlConexion(m_archivo, QStringLiteral("Oficina"),
                      valores(0, QStringLiteral("SRV1"), 1, QStringLiteral("D:\\Datos\\")));

    const QByteArray escrito = leer(m_archivo);
    QVERIFY2(escrito.startsWith(kDeclaracionEscrita), escrito.constData());
    QCOMPARE(arbol(escrito),
             QStringLiteral(R"(<ProgramData><LocalMachine><Software><Microsip><Conexiones><Oficina>)"
                            R"(<Tipo_de_acceso>0</Tipo_de_acceso><Nombre_del_servidor>SRV1</Nombre_del_servidor>)"
                            R"(<Protocolo>1</Protocolo><Directorio_de_datos>D:\Datos\</Directorio_de_datos>)"
                            R"(</Oficina></Conexiones></Microsip></Software></LocalMachine></ProgramData>)"));

    // No choice made in the editor stores -1, which the login takes as local; markup characters in
    // the values must come back as typed.
    const QString carpeta = QStringLiteral(R"(C:\A & B <"x">\)");
    GrabarXmlConexion(m_archivo, QStringLiteral("Servidor central"), valores(-1, QStringLiteral("S&R"), -1, carpeta));
    QCOMPARE(LeerXML2018(m_archivo), (QStringList{QStringLiteral("Oficina"), QStringLiteral("Servidor_central")}));

    const std::optional<ValoresConexion> leidos = LeerXmlConexionEditor(m_archivo, QStringLiteral("Servidor central"));
    QVERIFY(leidos.has_value());
    QCOMPARE(leidos->tipoAcceso, -1);
    QCOMPARE(leidos->servidor, QStringLiteral("S&R"));
    QCOMPARE(leidos->protocolo, -1);
    QCOMPARE(leidos->carpeta, carpeta);

    DatosConexion datos;
    LeerXmlConexion(m_archivo, QStringLiteral("Servidor_central"), datos);
    QCOMPARE(datos.TipoAcceso, QStringLiteral("-1"));
    QCOMPARE(datos.ProtocoloRed, QStringLiteral("-1"));
    QCOMPARE(datos.RutaMostrada, carpeta);

    QCOMPARE(entradas(QFileInfo(m_archivo).path()), QStringList{QStringLiteral("ProgramData.xml")});
}

void TestCatalogoConexiones::grabarSinConexiones_data()
{
    QTest::addColumn<QByteArray>("contenido");
    QTest::addColumn<QString>("esperado");

    const QString oficina =
        QStringLiteral("<Oficina><Tipo_de_acceso>1</Tipo_de_acceso><Nombre_del_servidor/><Protocolo>0</Protocolo>"
                       "<Directorio_de_datos>D:\\</Directorio_de_datos></Oficina>");
    QTest::newRow("only the document element")
        << kDeclaracion + "<ProgramData/>"
        << QStringLiteral("<ProgramData><LocalMachine><Software><Microsip><Conexiones>%1</Conexiones></Microsip>"
                          "</Software></LocalMachine></ProgramData>")
               .arg(oficina);
    QTest::newRow("Software with other content")
        << kDeclaracion + "<ProgramData><LocalMachine><Software><Otro>x</Otro></Software></LocalMachine></ProgramData>"
        << QStringLiteral("<ProgramData><LocalMachine><Software><Otro>x</Otro><Microsip><Conexiones>%1</Conexiones>"
                          "</Microsip></Software></LocalMachine></ProgramData>")
               .arg(oficina);
    QTest::newRow("Microsip without Conexiones")
        << kDeclaracion + "<ProgramData><LocalMachine><Software><Microsip><Licencia a=\"1\">L</Licencia></Microsip>"
                          "</Software></LocalMachine></ProgramData>"
        << QStringLiteral("<ProgramData><LocalMachine><Software><Microsip><Licencia a=\"1\">L</Licencia>"
                          "<Conexiones>%1</Conexiones></Microsip></Software></LocalMachine></ProgramData>")
               .arg(oficina);
    // Adding a second document element would leave a file that nothing can read.
    QTest::newRow("another document element is refused") << kDeclaracion + "<Config/>" << QString();
}

void TestCatalogoConexiones::grabarSinConexiones()
{
    QFETCH(QByteArray, contenido);
    QFETCH(QString, esperado);

    escribirCatalogo(contenido);
    const auto grabar = [this] {
        GrabarXmlConexion(m_archivo, QStringLiteral("Oficina"), valores(1, QString(), 0, QStringLiteral("D:\\")));
    };
    if (esperado.isEmpty()) {
        QVERIFY_THROWS_EXCEPTION(ErrorCatalogo, grabar());
        QCOMPARE(leer(m_archivo), contenido);
        return;
    }
    grabar();
    QCOMPARE(arbol(leer(m_archivo)), esperado);
    QCOMPARE(LeerXML2018(m_archivo), QStringList{QStringLiteral("Oficina")});
}

void TestCatalogoConexiones::grabarNombreRepetido_data()
{
    QTest::addColumn<QString>("conexion");

    QTest::newRow("same name") << "Local";
    QTest::newRow("display name of an existing one") << "Servidor central";
    QTest::newRow("listed name of an existing one") << "Servidor_central";
}

void TestCatalogoConexiones::grabarNombreRepetido()
{
    QFETCH(QString, conexion);

    escribirCatalogo(kMicrosip);
    try {
        GrabarXmlConexion(m_archivo, conexion, valores(0, QStringLiteral("SRV9"), 0, QStringLiteral("Z:\\")));
        QFAIL("a second connection with the same name was added");
    } catch (const ErrorCatalogo& e) {
        const QString mensaje = QString::fromStdString(e.what());
        QVERIFY2(mensaje.contains(QStringLiteral("Ya existe una conexión llamada")), qPrintable(mensaje));
    }
    QCOMPARE(leer(m_archivo), kMicrosip);
}

void TestCatalogoConexiones::modificar_data()
{
    QTest::addColumn<QString>("conexion");
    QTest::addColumn<int>("tipo");
    QTest::addColumn<QString>("servidor");
    QTest::addColumn<int>("protocolo");
    QTest::addColumn<QString>("carpeta");
    QTest::addColumn<QString>("antes");
    QTest::addColumn<QString>("despues");

    QTest::newRow("values replaced in place")
        << "Servidor central" << 1 << "SRV9" << 2 << R"(E:\Nuevos\)" << kServidorCentral
        << QStringLiteral(R"(<Servidor_central><Directorio_de_datos>E:\Nuevos\</Directorio_de_datos>)"
                          R"(<Protocolo>2</Protocolo><Nombre_del_servidor>SRV9</Nombre_del_servidor>)"
                          R"(<Tipo_de_acceso>1</Tipo_de_acceso></Servidor_central>)");
    QTest::newRow("missing value elements created")
        << "Incompleta" << 0 << "SRV3" << 0 << R"(F:\)" << kIncompleta
        << QStringLiteral(R"(<Incompleta><Directorio_de_datos>F:\</Directorio_de_datos>)"
                          R"(<Tipo_de_acceso>0</Tipo_de_acceso><Nombre_del_servidor>SRV3</Nombre_del_servidor>)"
                          R"(<Protocolo>0</Protocolo></Incompleta>)");
    QTest::newRow("only the first of two with one name")
        << "Caja" << 1 << "" << 0 << R"(C:\Caja9\)" << kCaja1 + kCaja2
        << QStringLiteral(R"(<Caja><Tipo_de_acceso>1</Tipo_de_acceso><Protocolo>0</Protocolo>)"
                          R"(<Directorio_de_datos>C:\Caja9\</Directorio_de_datos><Nombre_del_servidor/></Caja>)") +
               kCaja2;
    QTest::newRow("unknown connection changes nothing")
        << "Desconocida" << 0 << "SRV9" << 0 << R"(Z:\)" << QString() << QString();
}

void TestCatalogoConexiones::modificar()
{
    QFETCH(QString, conexion);
    QFETCH(int, tipo);
    QFETCH(QString, servidor);
    QFETCH(int, protocolo);
    QFETCH(QString, carpeta);
    QFETCH(QString, antes);
    QFETCH(QString, despues);

    escribirCatalogo(kMicrosip);
    QString esperado = arbol(kMicrosip);
    if (!antes.isEmpty()) {
        QVERIFY2(esperado.contains(antes), "the fixture no longer holds the fragment");
        esperado.replace(antes, despues);
    }

    ModificarConexion(m_archivo, conexion, valores(tipo, servidor, protocolo, carpeta));

    // Everything else (comments, attributes, other elements, order) is carried over.
    QCOMPARE(arbol(leer(m_archivo)), esperado);
    QVERIFY(leer(m_archivo).startsWith(kDeclaracionEscrita));
}

void TestCatalogoConexiones::eliminar_data()
{
    QTest::addColumn<QString>("conexion");
    QTest::addColumn<QString>("quitado");

    QTest::newRow("by its display name") << "Servidor central" << kServidorCentral;
    QTest::newRow("every element with the name") << "Caja" << kCaja1 + kCaja2;
    QTest::newRow("unknown connection changes nothing") << "Desconocida" << QString();
}

void TestCatalogoConexiones::eliminar()
{
    QFETCH(QString, conexion);
    QFETCH(QString, quitado);

    escribirCatalogo(kMicrosip);
    QString esperado = arbol(kMicrosip);
    if (!quitado.isEmpty()) {
        QVERIFY2(esperado.contains(quitado), "the fixture no longer holds the fragment");
        esperado.remove(quitado);
    }

    EliminarConexion(m_archivo, conexion);

    QCOMPARE(arbol(leer(m_archivo)), esperado);
    QVERIFY(leer(m_archivo).startsWith(kDeclaracionEscrita));
}

void TestCatalogoConexiones::archivoRoto_data()
{
    QTest::addColumn<QString>("operacion");
    QTest::addColumn<QByteArray>("contenido");
    QTest::addColumn<int>("linea");
    QTest::addColumn<QString>("motivo");

    const QString noValido = QStringLiteral("no es un XML válido");
    QByteArray basura;
    for (int i = 0; i < 4096; ++i)
        basura += char((i * 131 + 7) & 0xFF);
    const struct {
        const char* nombre;
        QByteArray contenido;
        int linea; // 0: not pinned
        QString motivo;
    } rotos[] = {
        {"cut short", kDeclaracion + "\n<ProgramData>\n<LocalMachine>\n", 0, noValido},
        {"mismatched tag on line 3", kDeclaracion + "\n<ProgramData>\n</LocalMachine>\n", 3, noValido},
        // The in-memory repair must not shift the line numbers.
        {"inverted declaration, mismatched tag on line 4",
         kDeclaracionInvertida + "\r\n<ProgramData>\r\n<LocalMachine>\r\n</Software>\r\n", 4, noValido},
        {"empty file", QByteArray(), 0, noValido},
        {"not XML", "Tipo_de_acceso=0\n", 0, noValido},
        {"binary garbage", basura, 1, noValido},
        {"entities in cascade", risas(), 1, QStringLiteral("declara entidades")},
        {"one entity repeated", entidadRepetida(), 1, QStringLiteral("declara entidades")},
        {"10 MB", conConexiones("<!--" + QByteArray(10 * 1024 * 1024, 'x') + "-->"), 0,
         QStringLiteral("ocupa más de 4194304 bytes")},
    };
    for (const QString& operacion : kOperaciones)
        for (const auto& roto : rotos)
            QTest::addRow("%s, %s", qPrintable(operacion), roto.nombre)
                << operacion << roto.contenido << roto.linea << roto.motivo;
}

// Nothing that cannot be read is ever written over, and the message names the file.
void TestCatalogoConexiones::archivoRoto()
{
    QFETCH(QString, operacion);
    QFETCH(QByteArray, contenido);
    QFETCH(int, linea);
    QFETCH(QString, motivo);

    escribirCatalogo(contenido);
    const QStringList antes = entradas(QFileInfo(m_archivo).path());
    try {
        ejecutar(operacion, m_archivo, QStringLiteral("Local"));
        QFAIL("a file that does not parse was accepted");
    } catch (const ErrorCatalogo& e) {
        const QString mensaje = QString::fromStdString(e.what());
        QVERIFY2(mensaje.contains(QStringLiteral("«%1»").arg(m_archivo)), qPrintable(mensaje));
        QVERIFY2(mensaje.contains(motivo), qPrintable(mensaje));
        if (linea > 0)
            QVERIFY2(mensaje.contains(QStringLiteral("(línea %1, columna ").arg(linea)), qPrintable(mensaje));
    }
    QVERIFY(leer(m_archivo) == contenido);
    QCOMPARE(entradas(QFileInfo(m_archivo).path()), antes);
    QVERIFY(g_avisos->messages.empty());
}

// The control: a plain DOM parse of a 12 KB file expands one entity into four million characters,
// which a rewrite would then store in place of the reference. The catalogue refuses the
// declaration before any reference is expanded.
void TestCatalogoConexiones::entidadesNoSeExpanden()
{
    const QByteArray contenido = entidadRepetida();
    QVERIFY(contenido.size() < 16 * 1024);
    QDomDocument documento;
    QVERIFY(documento.setContent(contenido));
    QCOMPARE(documento.elementsByTagName(QStringLiteral("Directorio_de_datos")).at(0).toElement().text().size(),
             qsizetype{4'000'000});

    escribirCatalogo(contenido);
    QVERIFY_THROWS_EXCEPTION(ErrorCatalogo, LeerXML2018(m_archivo));
    QVERIFY_THROWS_EXCEPTION(
        ErrorCatalogo, GrabarXmlConexion(m_archivo, QStringLiteral("Nueva"), valores(1, {}, 0, QStringLiteral("/d/"))));
    QVERIFY(leer(m_archivo) == contenido);
}

void TestCatalogoConexiones::archivoFaltante_data()
{
    QTest::addColumn<QString>("operacion");

    for (const QString& operacion : kOperaciones)
        QTest::newRow(qPrintable(operacion)) << operacion;
}

void TestCatalogoConexiones::archivoFaltante()
{
    QFETCH(QString, operacion);

    QDir().mkpath(QFileInfo(m_archivo).path());
    try {
        ejecutar(operacion, m_archivo, QStringLiteral("Local"));
        QFAIL("a missing file was accepted");
    } catch (const ErrorCatalogo& e) {
        const QString mensaje = QString::fromStdString(e.what());
        QVERIFY2(mensaje.contains(QStringLiteral("No se puede abrir el archivo de conexiones «%1»").arg(m_archivo)),
                 qPrintable(mensaje));
    }
    QVERIFY(!QFileInfo::exists(m_archivo));
}

void TestCatalogoConexiones::discoLleno_data()
{
    QTest::addColumn<int>("tamano");

    // A save that fits the file's own write buffer fails only when the buffer is flushed at the end.
    QTest::newRow("smaller than the write buffer") << 6000;
    QTest::newRow("larger than the write buffer") << 20000;
}

// A real tmpfs with one page left, so the save stops part-way. The control shows what a write in
// place does there: the file is cut and no longer parses. The catalogue's save must keep the old
// file, say why, and leave no temporary file behind.
void TestCatalogoConexiones::discoLleno()
{
    QFETCH(int, tamano);

    testsupport::DiscoPequeno disco(64 * 1024);
    LUMIVO_REQUIRE_MOUNT(disco);
    const QString archivo = disco.archivo(QStringLiteral("ProgramData.xml"));
    const QString control = disco.archivo(QStringLiteral("control.xml"));
    const QByteArray largo(tamano, 'd');
    QVERIFY(escribirArchivo(archivo, kMicrosip));
    QVERIFY(escribirArchivo(control, kMicrosip));

    // Truncating gives the control its own page back: one page left in all, as for the save below.
    QVERIFY(disco.llenar(0));
    {
        const QByteArray nuevo =
            conConexiones("<Local><Directorio_de_datos>" + largo + "</Directorio_de_datos></Local>");
        QFile enSuSitio(control);
        QVERIFY(enSuSitio.open(QIODevice::WriteOnly | QIODevice::Truncate));
        const bool completo = enSuSitio.write(nuevo) == nuevo.size() && enSuSitio.flush();
        QVERIFY(!completo);
    }
    QVERIFY(!leer(control).isEmpty());
    QCOMPARE(arbol(leer(control)), QStringLiteral("<no analizable>"));
    QVERIFY(QFile::remove(control));
    disco.vaciar();
    QVERIFY(disco.llenar(4096));

    const ValoresConexion nueva = valores(1, {}, 0, QString::fromLatin1(largo));
    const std::vector<std::pair<const char*, std::function<void()>>> escrituras{
        {"GrabarXmlConexion", [&] { GrabarXmlConexion(archivo, QStringLiteral("Nueva"), nueva); }},
        {"ModificarConexion", [&] { ModificarConexion(archivo, QStringLiteral("Local"), nueva); }},
    };
    for (const auto& [nombre, escritura] : escrituras) {
        try {
            escritura();
            QFAIL(qPrintable(QStringLiteral("%1 saved on a full disk").arg(QLatin1String(nombre))));
        } catch (const ErrorCatalogo& e) {
            QCOMPARE(QString::fromStdString(e.what()),
                     QStringLiteral("No se pudo guardar el archivo de conexiones «%1»: %2")
                         .arg(archivo, QString::fromLocal8Bit(std::strerror(ENOSPC))));
        }
        QVERIFY2(leer(archivo) == kMicrosip, nombre);
        QCOMPARE(entradas(disco.ruta()), (QStringList{QStringLiteral(".relleno"), QStringLiteral("ProgramData.xml")}));
    }

    // With room again the same save goes through.
    disco.vaciar();
    GrabarXmlConexion(archivo, QStringLiteral("Nueva"), nueva);
    QCOMPARE(LeerXmlConexionEditor(archivo, QStringLiteral("Nueva"))->carpeta, nueva.carpeta);
}

void TestCatalogoConexiones::sinPermisoDeEscritura_data()
{
    QTest::addColumn<QString>("caso");
    QTest::addColumn<QString>("operacion");
    QTest::addColumn<QString>("motivo");

    for (const char* operacion : {"GrabarXmlConexion", "ModificarConexion", "EliminarConexion"}) {
        QTest::addRow("read-only file, %s", operacion)
            << "archivo" << QString::fromLatin1(operacion) << QStringLiteral("el archivo es de solo lectura");
        QTest::addRow("read-only file system, %s", operacion)
            << "disco" << QString::fromLatin1(operacion) << QStringLiteral("el archivo es de solo lectura");
    }
    QTest::newRow("missing folder, CrearArchivo") << "carpeta"
                                                  << "CrearArchivo"
                                                  << "No se pudo crear la carpeta";
}

// A file or a place that cannot be written gives the system's reason with the file's name, and the
// file keeps its bytes; reading it still works. Permission bits do not stop root, so the folder
// case uses a read-only mount; the control shows that a plain atomic save run as root replaces a
// read-only file.
void TestCatalogoConexiones::sinPermisoDeEscritura()
{
    QFETCH(QString, caso);
    QFETCH(QString, operacion);
    QFETCH(QString, motivo);

    testsupport::DiscoPequeno disco(64 * 1024);
    QString archivo = m_archivo;
    if (caso == u"archivo") {
        escribirCatalogo(kMicrosip);
        QVERIFY(QFile::setPermissions(archivo, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        if (::geteuid() == 0) {
            const QString control = m_carpeta->filePath(QStringLiteral("control.xml"));
            QVERIFY(escribirArchivo(control, kMicrosip));
            QVERIFY(QFile::setPermissions(control, QFile::ReadOwner));
            QSaveFile atomico(control);
            QVERIFY(atomico.open(QIODevice::WriteOnly));
            atomico.write("<otro/>");
            QVERIFY(atomico.commit());
            QCOMPARE(leer(control), QByteArray("<otro/>"));
        }
    } else if (caso == u"disco") {
        LUMIVO_REQUIRE_MOUNT(disco);
        archivo = disco.archivo(QStringLiteral("ProgramData.xml"));
        QVERIFY(escribirArchivo(archivo, kMicrosip));
        QVERIFY2(disco.soloLectura(), qPrintable(disco.error()));
    } else {
        archivo = m_carpeta->filePath(QStringLiteral("falta/Microsip/ProgramData.xml"));
    }
    const QString carpeta = QFileInfo(archivo).path();
    const QStringList antes = entradas(carpeta);

    try {
        if (operacion == u"CrearArchivo")
            CrearArchivo(archivo);
        else
            ejecutar(operacion, archivo,
                     operacion == u"GrabarXmlConexion" ? QStringLiteral("Nueva") : QStringLiteral("Local"));
        QFAIL("the save went through");
    } catch (const ErrorCatalogo& e) {
        const QString mensaje = QString::fromStdString(e.what());
        QVERIFY2(mensaje.contains(QStringLiteral("«%1»").arg(caso == u"carpeta" ? carpeta : archivo)),
                 qPrintable(mensaje));
        QVERIFY2(mensaje.contains(motivo), qPrintable(mensaje));
    }
    if (caso == u"carpeta") {
        QVERIFY(!QFileInfo::exists(m_carpeta->filePath(QStringLiteral("falta"))));
        return;
    }
    QVERIFY(leer(archivo) == kMicrosip);
    QCOMPARE(entradas(carpeta), antes);
    QCOMPARE(LeerXML2018(archivo), kNombresMicrosip);
}

LUMIVO_TEST_MAIN(TestCatalogoConexiones)
#include "tst_catalogoconexiones.moc"
