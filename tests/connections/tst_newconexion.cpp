#include "VentanasConexion.h"
#include "connections/CatalogoConexiones.h"
#include "connections/uNewConexion.h"
#include "platform/MessageBox.h"
#include "tests/support/PruebaPrincipal.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QObject>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

class TfrmNewConexion;

class TestNewConexion : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void forma();
    void primerInicioSinArchivo();
    void nuevaConexionRemota();
    void tipoHabilitaServidor_data();
    void tipoHabilitaServidor();
    void modoExistente();
    void escribeLoQueMuestra_data();
    void escribeLoQueMuestra();
    void remotaSinProtocoloValido_data();
    void remotaSinProtocoloValido();
    void eliminarYCancelar();
    void cerrarNoEscribe_data();
    void cerrarNoEscribe();
    void nombreInvalido_data();
    void nombreInvalido();
    void nombreRepetido();
    void lecturaFallida_data();
    void lecturaFallida();

private:
    QByteArray contenido() const;

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<platform::RecordingNotifier> m_avisos;
    QString m_ruta;
};

using catalogo::ValoresConexion;

namespace {

using prueba::clic;
using prueba::el;
using prueba::reemplazar;

bool operator==(const ValoresConexion& a, const ValoresConexion& b)
{
    return a.tipoAcceso == b.tipoAcceso && a.servidor == b.servidor && a.protocolo == b.protocolo &&
           a.carpeta == b.carpeta;
}

QByteArray describir(const ValoresConexion& v)
{
    return QStringLiteral("{%1, \"%2\", %3, \"%4\"}")
        .arg(v.tipoAcceso)
        .arg(v.servidor)
        .arg(v.protocolo)
        .arg(v.carpeta)
        .toUtf8();
}

#define COMPARAR_VALORES(real, esperado)                                                                               \
    do {                                                                                                               \
        const std::optional<ValoresConexion> r_ = (real);                                                              \
        QVERIFY2(r_.has_value(), "the connection is not in the file");                                                 \
        QVERIFY2(*r_ == (esperado), describir(*r_).constData());                                                       \
    } while (false)

} // namespace

void TestNewConexion::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_ruta = m_dir->filePath(QStringLiteral("Microsip/ProgramData.xml"));
    m_avisos = std::make_unique<platform::RecordingNotifier>();
}

void TestNewConexion::cleanup()
{
    m_avisos.reset();
    m_dir.reset();
}

QByteArray TestNewConexion::contenido() const
{
    QFile f(m_ruta);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void TestNewConexion::forma()
{
    TfrmNewConexion w(m_ruta);
    QCOMPARE(w.windowTitle(), QStringLiteral("Conexión"));
    QCOMPARE(w.size(), QSize(434, 150));
    QVERIFY(w.windowFlags() & Qt::WindowCloseButtonHint);
    QVERIFY(!(w.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));

    const struct {
        const char* nombre;
        QRect geometria;
    } controles[] = {
        {"TipoConexion", {99, 8, 193, 21}}, {"edNombre", {99, 35, 193, 21}},   {"edServidor", {99, 62, 193, 21}},
        {"Protocolo", {99, 89, 193, 21}},   {"edCarpeta", {99, 116, 193, 21}}, {"btnAceptar", {298, 8, 103, 25}},
        {"Button1", {298, 39, 103, 25}},    {"Button2", {298, 70, 103, 25}},
    };
    for (const auto& c : controles)
        QCOMPARE(el<QWidget>(w, c.nombre)->geometry(), c.geometria);
    QCOMPARE(prueba::ordenDeTabulacion(w, QStringLiteral("TipoConexion"), 8),
             (QStringList{QStringLiteral("TipoConexion"), QStringLiteral("edNombre"), QStringLiteral("edServidor"),
                          QStringLiteral("Protocolo"), QStringLiteral("edCarpeta"), QStringLiteral("btnAceptar"),
                          QStringLiteral("Button1"), QStringLiteral("Button2")}));
    QCOMPARE(el<QLabel>(w, "Label1")->text(), QStringLiteral("Tipo de conexión:"));
    QCOMPARE(el<QLabel>(w, "Label5")->text(), QStringLiteral("Carpeta de datos:"));
    QCOMPARE(el<QPushButton>(w, "Button1")->text(), QStringLiteral("Cancelar"));
    QCOMPARE(el<QPushButton>(w, "Button2")->text(), QStringLiteral("Eliminar"));

    // The initial texts are no choice: the positions, which the file stores, are -1.
    auto* tipo = el<QComboBox>(w, "TipoConexion");
    auto* protocolo = el<QComboBox>(w, "Protocolo");
    QCOMPARE(tipo->currentText(), QStringLiteral("Local"));
    QCOMPARE(tipo->currentIndex(), -1);
    QCOMPARE(tipo->count(), 2);
    QCOMPARE(tipo->itemText(0), QStringLiteral("Remota"));
    QCOMPARE(protocolo->currentText(), QStringLiteral("TCP/IP"));
    QCOMPARE(protocolo->currentIndex(), -1);
    QCOMPARE(protocolo->itemText(1), QStringLiteral("NetBeui"));
    QCOMPARE(protocolo->itemText(2), QStringLiteral("SPX"));
    QVERIFY(!protocolo->isEnabled());
    QVERIFY(!el<QLineEdit>(w, "edServidor")->isEnabled());
    QCOMPARE(el<QLineEdit>(w, "edNombre")->text(), QStringLiteral("Local"));
    QCOMPARE(el<QLineEdit>(w, "edCarpeta")->text(), QStringLiteral("C:\\Microsip datos\\"));
    QVERIFY(w.modoNuevo());
}

void TestNewConexion::primerInicioSinArchivo()
{
    TfrmNewConexion w(m_ruta);
    w.show();
    clic(w, "btnAceptar");

    QVERIFY(!w.isVisible());
    QCOMPARE(w.result(), int(QDialog::Accepted));
    QCOMPARE(catalogo::LeerXML2018(m_ruta), QStringList{QStringLiteral("Local")});
    // Untouched type and protocol boxes store the choices they show, "Local" and "TCP/IP".
    COMPARAR_VALORES(catalogo::LeerXmlConexionEditor(m_ruta, QStringLiteral("Local")),
                     (ValoresConexion{1, QString(), 0, QStringLiteral("C:\\Microsip datos\\")}));
    QCOMPARE(m_avisos->messages.size(), size_t{0});
}

void TestNewConexion::nuevaConexionRemota()
{
    prueba::agregarConexion(m_ruta, QStringLiteral("Local"), prueba::local(QStringLiteral("/datos/")));
    TfrmNewConexion w(m_ruta);
    w.ModoNuevo();
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));

    auto* tipo = el<QComboBox>(w, "TipoConexion");
    auto* protocolo = el<QComboBox>(w, "Protocolo");
    QCOMPARE(tipo->currentIndex(), 1);
    QCOMPARE(protocolo->currentIndex(), 0);
    QCOMPARE(el<QLineEdit>(w, "edNombre")->text(), QString());
    QVERIFY(el<QLineEdit>(w, "edNombre")->isEnabled());

    reemplazar(el<QLineEdit>(w, "edNombre"), QStringLiteral("Oficina"));
    tipo->setFocus();
    QTest::keyClick(tipo, Qt::Key_Up); // "Local" -> "Remota"
    QVERIFY(el<QLineEdit>(w, "edServidor")->isEnabled());
    reemplazar(el<QLineEdit>(w, "edServidor"), QStringLiteral("SRV1"));
    protocolo->setFocus();
    QTest::keyClick(protocolo, Qt::Key_Down); // "TCP/IP" -> "NetBeui"
    reemplazar(el<QLineEdit>(w, "edCarpeta"), QStringLiteral("D:\\Datos\\"));
    clic(w, "btnAceptar");

    QVERIFY(!w.isVisible());
    QCOMPARE(catalogo::LeerXML2018(m_ruta), (QStringList{QStringLiteral("Local"), QStringLiteral("Oficina")}));
    COMPARAR_VALORES(catalogo::LeerXmlConexionEditor(m_ruta, QStringLiteral("Oficina")),
                     (ValoresConexion{0, QStringLiteral("SRV1"), 1, QStringLiteral("D:\\Datos\\")}));
}

void TestNewConexion::tipoHabilitaServidor_data()
{
    QTest::addColumn<QString>("como");
    QTest::addColumn<bool>("habilitados");
    QTest::newRow("Remota picked") << "pick remote" << true;
    QTest::newRow("Local picked after Remota") << "pick remote then local" << false;
    QTest::newRow("Remota typed, then Enter") << "type Remota" << true;
    QTest::newRow("remota typed in lower case, then Tab") << "type remota" << true;
    QTest::newRow("existing remote connection") << "existing remote" << true;
    QTest::newRow("existing local connection") << "existing local" << false;
    QTest::newRow("new mode after a remote one") << "new after remote" << false;
}

void TestNewConexion::tipoHabilitaServidor()
{
    QFETCH(QString, como);
    QFETCH(bool, habilitados);
    prueba::agregarConexion(m_ruta, QStringLiteral("Remota1"), {0, QStringLiteral("SRV1"), 0, QStringLiteral("D:\\")});
    prueba::agregarConexion(m_ruta, QStringLiteral("Local1"), prueba::local(QStringLiteral("/datos/")));

    TfrmNewConexion w(m_ruta);
    auto* tipo = el<QComboBox>(w, "TipoConexion");
    if (como.startsWith(QLatin1String("existing")))
        w.ModoExistente(como.endsWith(QLatin1String("remote")) ? QStringLiteral("Remota1") : QStringLiteral("Local1"));
    else if (como == QLatin1String("new after remote"))
        w.ModoExistente(QStringLiteral("Remota1"));
    else
        w.ModoNuevo();
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));

    if (como.startsWith(QLatin1String("pick"))) {
        tipo->setFocus();
        QTest::keyClick(tipo, Qt::Key_Up);
        if (como.endsWith(QLatin1String("local")))
            QTest::keyClick(tipo, Qt::Key_Down);
    } else if (como.startsWith(QLatin1String("type"))) {
        tipo->setFocus();
        tipo->lineEdit()->selectAll();
        QTest::keyClicks(tipo, como.mid(5));
        QTest::keyClick(tipo, como.endsWith(QLatin1String("Remota")) ? Qt::Key_Return : Qt::Key_Tab);
    } else if (como == QLatin1String("new after remote")) {
        QVERIFY(el<QLineEdit>(w, "edServidor")->isEnabled());
        w.hide();
        w.ModoNuevo();
        w.show();
    }
    QCOMPARE(el<QLineEdit>(w, "edServidor")->isEnabled(), habilitados);
    QCOMPARE(el<QComboBox>(w, "Protocolo")->isEnabled(), habilitados);
    QCOMPARE(tipo->currentIndex() == 0, habilitados);
}

void TestNewConexion::modoExistente()
{
    prueba::agregarConexion(m_ruta, QStringLiteral("Local"), prueba::local(QStringLiteral("/datos/")));
    prueba::agregarConexion(m_ruta, QStringLiteral("Servidor central"),
                            {0, QStringLiteral("SRV1"), 2, QStringLiteral("D:\\Datos\\")});
    TfrmNewConexion w(m_ruta);
    w.ModoExistente(QStringLiteral("Servidor central"));
    w.show();

    auto* nombre = el<QLineEdit>(w, "edNombre");
    QCOMPARE(nombre->text(), QStringLiteral("Servidor central"));
    QVERIFY(!nombre->isEnabled());
    QVERIFY(!w.modoNuevo());
    QCOMPARE(el<QComboBox>(w, "TipoConexion")->currentText(), QStringLiteral("Remota"));
    QCOMPARE(el<QComboBox>(w, "Protocolo")->currentText(), QStringLiteral("SPX"));
    QCOMPARE(el<QLineEdit>(w, "edServidor")->text(), QStringLiteral("SRV1"));
    QCOMPARE(el<QLineEdit>(w, "edCarpeta")->text(), QStringLiteral("D:\\Datos\\"));
    QVERIFY(el<QLineEdit>(w, "edServidor")->isEnabled());

    reemplazar(el<QLineEdit>(w, "edServidor"), QStringLiteral("SRV2"));
    clic(w, "btnAceptar");

    QVERIFY(!w.isVisible());
    // The same element is rewritten; nothing is added.
    QCOMPARE(catalogo::LeerXML2018(m_ruta), (QStringList{QStringLiteral("Local"), QStringLiteral("Servidor_central")}));
    COMPARAR_VALORES(catalogo::LeerXmlConexionEditor(m_ruta, QStringLiteral("Servidor central")),
                     (ValoresConexion{0, QStringLiteral("SRV2"), 2, QStringLiteral("D:\\Datos\\")}));
}

void TestNewConexion::escribeLoQueMuestra_data()
{
    QTest::addColumn<bool>("nuevo");                // opened by "Nueva Conexión" (else: first start, initial texts)
    QTest::addColumn<bool>("remota");               // "Remota" picked with the arrow keys
    QTest::addColumn<QString>("protocoloTecleado"); // typed over the protocol box's text; empty: left as it is
    QTest::addColumn<int>("tipo");
    QTest::addColumn<int>("protocolo");
    QTest::addColumn<QString>("protocoloMostrado");

    QTest::newRow("first start, remote, protocol untouched") << false << true << "" << 0 << 0 << "TCP/IP";
    QTest::newRow("first start, local untouched") << false << false << "" << 1 << 0 << "TCP/IP";
    QTest::newRow("new, remote, protocol untouched") << true << true << "" << 0 << 0 << "TCP/IP";
    QTest::newRow("remote, protocol typed in lower case") << true << true << "spx" << 0 << 2 << "SPX";
    QTest::newRow("remote, protocol that is no choice") << true << true << "IPX" << 0 << 0 << "TCP/IP";
    QTest::newRow("remote, protocol emptied") << false << true << " " << 0 << 0 << "TCP/IP";
}

// What the dialog shows when it accepts is what the catalogue gets, and opening the connection
// again shows it the same.
void TestNewConexion::escribeLoQueMuestra()
{
    QFETCH(bool, nuevo);
    QFETCH(bool, remota);
    QFETCH(QString, protocoloTecleado);
    QFETCH(int, tipo);
    QFETCH(int, protocolo);
    QFETCH(QString, protocoloMostrado);

    {
        TfrmNewConexion w(m_ruta);
        if (nuevo)
            w.ModoNuevo();
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        reemplazar(el<QLineEdit>(w, "edNombre"), QStringLiteral("Oficina"));
        auto* tipoConexion = el<QComboBox>(w, "TipoConexion");
        tipoConexion->setFocus();
        for (int i = 0; remota && tipoConexion->currentIndex() != 0 && i < 3; ++i)
            QTest::keyClick(tipoConexion, tipoConexion->currentIndex() < 0 ? Qt::Key_Down : Qt::Key_Up);
        auto* protocoloCombo = el<QComboBox>(w, "Protocolo");
        QCOMPARE(protocoloCombo->isEnabled(), remota);
        if (!protocoloTecleado.isEmpty()) {
            protocoloCombo->setFocus();
            protocoloCombo->lineEdit()->selectAll();
            QTest::keyClick(protocoloCombo->lineEdit(), Qt::Key_Delete);
            QTest::keyClicks(protocoloCombo->lineEdit(), protocoloTecleado.trimmed());
        }
        clic(w, "btnAceptar");
        QVERIFY(!w.isVisible());
        QCOMPARE(protocoloCombo->currentText(), protocoloMostrado);
    }
    COMPARAR_VALORES(catalogo::LeerXmlConexionEditor(m_ruta, QStringLiteral("Oficina")),
                     (ValoresConexion{tipo, QString(), protocolo, QStringLiteral("C:\\Microsip datos\\")}));

    TfrmNewConexion otra(m_ruta);
    otra.ModoExistente(QStringLiteral("Oficina"));
    otra.show();
    QCOMPARE(el<QComboBox>(otra, "Protocolo")->currentIndex(), protocolo);
    QCOMPARE(el<QComboBox>(otra, "Protocolo")->currentText(), protocoloMostrado);
    QCOMPARE(m_avisos->messages.size(), size_t{0});
}

// A remote connection that the file holds without a valid protocol (as an older editor wrote
// it) attaches over TCP/IP; the editor shows that and writes it back.
void TestNewConexion::remotaSinProtocoloValido_data()
{
    QTest::addColumn<int>("guardado");
    QTest::newRow("none chosen") << -1;
    QTest::newRow("unknown code") << 7;
}

void TestNewConexion::remotaSinProtocoloValido()
{
    QFETCH(int, guardado);
    prueba::agregarConexion(m_ruta, QStringLiteral("Oficina"),
                            {0, QStringLiteral("SRV1"), guardado, QStringLiteral("D:\\Datos\\")});
    TfrmNewConexion w(m_ruta);
    w.ModoExistente(QStringLiteral("Oficina"));
    w.show();
    QCOMPARE(el<QComboBox>(w, "Protocolo")->currentText(), QStringLiteral("TCP/IP"));
    clic(w, "btnAceptar");
    COMPARAR_VALORES(catalogo::LeerXmlConexionEditor(m_ruta, QStringLiteral("Oficina")),
                     (ValoresConexion{0, QStringLiteral("SRV1"), 0, QStringLiteral("D:\\Datos\\")}));
}

void TestNewConexion::eliminarYCancelar()
{
    prueba::agregarConexion(m_ruta, QStringLiteral("Caja"), prueba::local(QStringLiteral("/caja/")));
    prueba::agregarConexion(m_ruta, QStringLiteral("Bodega"), prueba::local(QStringLiteral("/bodega/")));
    TfrmNewConexion w(m_ruta);
    w.ModoExistente(QStringLiteral("Caja"));
    w.show();

    clic(w, "Button2");
    QVERIFY(w.isVisible());
    QCOMPARE(catalogo::LeerXML2018(m_ruta), QStringList{QStringLiteral("Bodega")});

    clic(w, "Button1");
    QVERIFY(!w.isVisible());
    QCOMPARE(w.result(), int(QDialog::Rejected));
    QCOMPARE(catalogo::LeerXML2018(m_ruta), QStringList{QStringLiteral("Bodega")});
}

void TestNewConexion::cerrarNoEscribe_data()
{
    QTest::addColumn<bool>("conArchivo");
    QTest::addColumn<QString>("como");
    QTest::newRow("first start, Cancelar") << false << "Cancelar";
    QTest::newRow("first start, close box") << false << "close";
    QTest::newRow("existing connection, Cancelar") << true << "Cancelar";
    QTest::newRow("existing connection, Escape") << true << "Escape";
}

void TestNewConexion::cerrarNoEscribe()
{
    QFETCH(bool, conArchivo);
    QFETCH(QString, como);
    if (conArchivo)
        prueba::agregarConexion(m_ruta, QStringLiteral("Caja"), prueba::local(QStringLiteral("/caja/")));
    const QByteArray antes = contenido();

    TfrmNewConexion w(m_ruta);
    if (conArchivo)
        w.ModoExistente(QStringLiteral("Caja"));
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    reemplazar(el<QLineEdit>(w, "edCarpeta"), QStringLiteral("/otra/"));
    if (como == QLatin1String("Cancelar"))
        clic(w, "Button1");
    else if (como == QLatin1String("close"))
        w.close();
    else
        QTest::keyClick(el<QLineEdit>(w, "edCarpeta"), Qt::Key_Escape);

    QVERIFY(!w.isVisible());
    QCOMPARE(w.result(), int(QDialog::Rejected));
    QCOMPARE(QFileInfo::exists(m_ruta), conArchivo);
    QCOMPARE(contenido(), antes);
}

void TestNewConexion::nombreInvalido_data()
{
    QTest::addColumn<QString>("nombre");
    QTest::newRow("empty") << "";
    QTest::newRow("two blanks") << "Caja de cobro";
    QTest::newRow("starts with a digit") << "1Caja";
    QTest::newRow("markup") << "Caja<1>";
}

void TestNewConexion::nombreInvalido()
{
    QFETCH(QString, nombre);
    TfrmNewConexion w(m_ruta);
    w.show();
    reemplazar(el<QLineEdit>(w, "edNombre"), nombre);
    clic(w, "btnAceptar");

    QVERIFY(w.isVisible());
    QCOMPARE(m_avisos->messages.size(), size_t{1});
    QCOMPARE(m_avisos->messages[0].text, catalogo::ErrorDeNombre(nombre));
    QCOMPARE(m_avisos->messages[0].title, QStringLiteral("Zantor"));
    QCOMPARE(m_avisos->messages[0].icon, platform::Icon::Warning);
    // Refused before the first write: a first start leaves no file behind.
    QVERIFY(!QFileInfo::exists(m_ruta));
}

void TestNewConexion::nombreRepetido()
{
    prueba::agregarConexion(m_ruta, QStringLiteral("Oficina"), prueba::local(QStringLiteral("/oficina/")));
    const QByteArray antes = contenido();
    TfrmNewConexion w(m_ruta);
    w.ModoNuevo();
    w.show();
    reemplazar(el<QLineEdit>(w, "edNombre"), QStringLiteral("Oficina"));
    clic(w, "btnAceptar");

    QVERIFY(w.isVisible());
    QCOMPARE(m_avisos->messages.size(), size_t{1});
    QVERIFY2(m_avisos->messages[0].text.contains(QStringLiteral("Ya existe")), qPrintable(m_avisos->messages[0].text));
    QCOMPARE(contenido(), antes);
}

void TestNewConexion::lecturaFallida_data()
{
    QTest::addColumn<QString>("tipo");
    QTest::addColumn<QString>("conexion");
    QTest::addColumn<QString>("aviso");
    QTest::newRow("type stored as a word") << "remota"
                                           << "Caja"
                                           << "remota";
    QTest::newRow("connection not in the file") << "1"
                                                << "Fantasma"
                                                << "Fantasma";
}

// A stored code that is not a number, or a connection that is gone, is reported and the boxes
// keep what they held.
void TestNewConexion::lecturaFallida()
{
    QFETCH(QString, tipo);
    QFETCH(QString, conexion);
    QFETCH(QString, aviso);
    catalogo::CrearArchivo(m_ruta);
    QFile f(m_ruta);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QStringLiteral("<ProgramData><LocalMachine><Software><Microsip><Conexiones><Caja>"
                           "<Tipo_de_acceso>%1</Tipo_de_acceso><Protocolo>0</Protocolo>"
                           "<Directorio_de_datos>/caja/</Directorio_de_datos>"
                           "</Caja></Conexiones></Microsip></Software></LocalMachine></ProgramData>")
                .arg(tipo)
                .toUtf8());
    f.close();

    TfrmNewConexion w(m_ruta);
    w.ModoExistente(conexion);
    w.show();

    QCOMPARE(m_avisos->messages.size(), size_t{1});
    QVERIFY2(m_avisos->messages[0].text.contains(aviso), qPrintable(m_avisos->messages[0].text));
    QCOMPARE(el<QLineEdit>(w, "edCarpeta")->text(), QStringLiteral("C:\\Microsip datos\\"));
    QCOMPARE(el<QComboBox>(w, "TipoConexion")->currentIndex(), -1);
}

LUMIVO_TEST_MAIN(TestNewConexion)
#include "tst_newconexion.moc"
