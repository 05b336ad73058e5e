// The scan flow's rules without a window or a database: which keys end a scan, what the display
// does with each answer and with a refused scan, and the lookup's deadline from the station's file.

#include "app/flujo/ReglasFlujo.h"
#include "app/flujo/TeclasEscaneo.h"
#include "tests/support/PruebaPrincipal.h"

#include <QTest>

namespace {

using Pantalla = flujo::Pantalla;
using Vista = Pantalla::Vista;
using Sonido = Pantalla::Sonido;
using Estado = RespuestaConsulta::Estado;

// One key: its code and text, and whether it was typed in the key box.
struct Tecla {
    int codigo;
    QString texto;
    Qt::KeyboardModifiers modificadores = Qt::NoModifier;
    bool campoClave = true;
};

// What each key of a sequence did: B a scan, C the catalogue search, '-' nothing; a '!' after
// it when the key went no further.
QString acciones(const std::vector<Tecla>& teclas)
{
    TeclasEscaneo t;
    QString r;
    for (const Tecla& k : teclas) {
        const TeclasEscaneo::Accion a = t.pulsada(k.codigo, k.texto, k.modificadores, k.campoClave);
        r += a.buscar ? u'B' : a.catalogo ? u'C' : u'-';
        if (a.consumir)
            r += u'!';
    }
    return r;
}

const Tecla k7{Qt::Key_7, QStringLiteral("7")};
const Tecla kEnter{Qt::Key_Return, QStringLiteral("\r")};
const Tecla kCR{0, QStringLiteral("\r")};
const Tecla kLF{0, QStringLiteral("\n")};
const Tecla kTab{Qt::Key_Tab, QStringLiteral("\t")};

} // namespace

Q_DECLARE_METATYPE(std::vector<Tecla>)

class TestReglasFlujo : public QObject {
    Q_OBJECT
private slots:
    void teclas_data();
    void teclas();
    void respuestas_data();
    void respuestas();
    void rechazos_data();
    void rechazos();
    void plazo_data();
    void plazo();
    void limiteClave_data();
    void limiteClave();
};

void TestReglasFlujo::teclas_data()
{
    QTest::addColumn<std::vector<Tecla>>("teclas");
    QTest::addColumn<QString>("esperado");
    QTest::newRow("digits then Enter") << std::vector<Tecla>{k7, k7, kEnter} << "--B";
    QTest::newRow("keypad Enter") << std::vector<Tecla>{k7, {Qt::Key_Enter, QStringLiteral("\r")}} << "-B";
    QTest::newRow("CR LF: the LF ends nothing more and goes no further") << std::vector<Tecla>{k7, kCR, kLF} << "-B-!";
    QTest::newRow("a lone LF ends a scan") << std::vector<Tecla>{k7, kLF} << "-B!";
    QTest::newRow("two scans each ended by CR LF") << std::vector<Tecla>{k7, kCR, kLF, k7, kCR, kLF} << "-B-!-B-!";
    QTest::newRow("LF after LF ends nothing more") << std::vector<Tecla>{k7, kLF, kLF} << "-B!-!";
    QTest::newRow("Tab ends a scan and keeps the focus") << std::vector<Tecla>{k7, kTab} << "-B!";
    QTest::newRow("Enter twice: two scans") << std::vector<Tecla>{k7, kEnter, kEnter} << "-BB";
    QTest::newRow("F4 in the key box") << std::vector<Tecla>{{Qt::Key_F4, QString()}} << "C";
    QTest::newRow("Alt+F4 is the window's") << std::vector<Tecla>{{Qt::Key_F4, QString(), Qt::AltModifier}} << "-";
    QTest::newRow("Shift+F4 still searches") << std::vector<Tecla>{{Qt::Key_F4, QString(), Qt::ShiftModifier}} << "C";
    QTest::newRow("F4 in the last purchase's box")
        << std::vector<Tecla>{{Qt::Key_F4, QString(), Qt::NoModifier, false}} << "-";
    QTest::newRow("Enter in the last purchase's box scans")
        << std::vector<Tecla>{{Qt::Key_Return, QStringLiteral("\r"), Qt::NoModifier, false}} << "B";
}

void TestReglasFlujo::teclas()
{
    QFETCH(std::vector<Tecla>, teclas);
    QFETCH(QString, esperado);
    QCOMPARE(acciones(teclas), esperado);
}

void TestReglasFlujo::respuestas_data()
{
    QTest::addColumn<int>("estado");
    QTest::addColumn<bool>("buscador");
    QTest::addColumn<QString>("mensajePropio");
    QTest::addColumn<int>("vista");
    QTest::addColumn<QString>("mensaje");
    QTest::addColumn<int>("sonido");
    QTest::addColumn<bool>("conDetalle");

    const QString nada;
    QTest::newRow("found") << int(Estado::Encontrado) << true << nada << int(Vista::Articulo) << nada
                           << int(Sonido::Ninguno) << false;
    QTest::newRow("not found, catalogue search on")
        << int(Estado::NoEncontrado) << true << nada << int(Vista::Buscador) << nada << int(Sonido::Ninguno) << false;
    QTest::newRow("not found, catalogue search off")
        << int(Estado::NoEncontrado) << false << nada << int(Vista::Vacia) << nada << int(Sonido::Pitido) << false;
    QTest::newRow("misread code") << int(Estado::CodigoNoValido) << true << nada << int(Vista::Mensaje)
                                  << QStringLiteral("Código no válido, escanee de nuevo") << int(Sonido::DoblePitido)
                                  << false;
    QTest::newRow("no answer") << int(Estado::SinRespuesta) << false << nada << int(Vista::Mensaje)
                               << QStringLiteral("Sin respuesta del servidor, intente en unos momentos")
                               << int(Sonido::Ninguno) << true;
    QTest::newRow("lost server") << int(Estado::SinServidor) << false << nada << int(Vista::Mensaje)
                                 << QStringLiteral("Se perdió la conexión con el servidor de la base de datos. Intente "
                                                   "de nuevo en unos momentos.")
                                 << int(Sonido::Ninguno) << true;
    QTest::newRow("failure") << int(Estado::Fallo) << false << nada << int(Vista::Mensaje)
                             << QStringLiteral("No fue posible consultar el artículo, intente de nuevo")
                             << int(Sonido::Ninguno) << true;
    QTest::newRow("failure with a text for the customer")
        << int(Estado::Fallo) << false << QStringLiteral("La clave tiene caracteres no válidos") << int(Vista::Mensaje)
        << QStringLiteral("La clave tiene caracteres no válidos") << int(Sonido::Ninguno) << true;
}

void TestReglasFlujo::respuestas()
{
    QFETCH(int, estado);
    QFETCH(bool, buscador);
    QFETCH(QString, mensajePropio);
    QFETCH(int, vista);
    QFETCH(QString, mensaje);
    QFETCH(int, sonido);
    QFETCH(bool, conDetalle);

    RespuestaConsulta r;
    r.estado = static_cast<Estado>(estado);
    r.clave = QStringLiteral("cafe");
    r.detalle = QStringLiteral("Error reading data from the connection.");
    r.mensaje = mensajePropio;
    const Pantalla p = flujo::pantallaDeRespuesta(r, buscador);
    QCOMPARE(int(p.vista), vista);
    QCOMPARE(p.mensaje, mensaje);
    QCOMPARE(int(p.sonido), sonido);
    // The engine's words reach the operator only; the customer reads the message.
    QCOMPARE(p.detalle, conDetalle ? r.detalle : QString());
    QCOMPARE(p.clave, p.vista == Vista::Buscador ? r.clave : QString());
    QVERIFY(p.barraEstado.isEmpty());
}

void TestReglasFlujo::rechazos_data()
{
    QTest::addColumn<bool>("conectando");
    QTest::addColumn<bool>("empresa");
    QTest::addColumn<bool>("diseno");
    QTest::addColumn<QString>("mensaje");
    QTest::addColumn<bool>("enBarra");

    const QString sinEmpresa = QStringLiteral("No hay una empresa abierta: no es posible buscar artículos. Para abrir "
                                              "una, salga con Archivo › Salir e inicie el programa de nuevo.");
    const QString diseno = QStringLiteral("No es posible buscar cuando esta en modo diseño");
    const QString conectando = QStringLiteral("Conectando con el servidor…");
    QTest::newRow("ready") << false << true << false << QString() << false;
    QTest::newRow("design mode") << false << true << true << diseno << true;
    QTest::newRow("no company") << false << false << false << sinEmpresa << true;
    QTest::newRow("no company wins over the built-in design mode") << false << false << true << sinEmpresa << true;
    QTest::newRow("waiting for the server, before anything else") << true << false << true << conectando << false;
}

void TestReglasFlujo::rechazos()
{
    QFETCH(bool, conectando);
    QFETCH(bool, empresa);
    QFETCH(bool, diseno);
    QFETCH(QString, mensaje);
    QFETCH(bool, enBarra);

    const std::optional<Pantalla> p = flujo::rechazoDeBusqueda(conectando, empresa, diseno);
    QCOMPARE(p.has_value(), !mensaje.isEmpty());
    if (!p)
        return;
    QCOMPARE(int(p->vista), int(Vista::Mensaje));
    QCOMPARE(p->mensaje, mensaje);
    QCOMPARE(p->barraEstado, enBarra ? mensaje : QString());
    QCOMPARE(int(p->sonido), int(Sonido::Ninguno));
}

void TestReglasFlujo::plazo_data()
{
    QTest::addColumn<std::optional<QString>>("texto");
    QTest::addColumn<int>("ms");
    QTest::newRow("missing") << std::optional<QString>() << 2000;
    QTest::newRow("whole seconds") << std::optional<QString>(QStringLiteral("5")) << 5000;
    QTest::newRow("fraction, blanks around") << std::optional<QString>(QStringLiteral(" 0.5 ")) << 500;
    QTest::newRow("zero") << std::optional<QString>(QStringLiteral("0")) << 2000;
    QTest::newRow("negative") << std::optional<QString>(QStringLiteral("-3")) << 2000;
    QTest::newRow("the top") << std::optional<QString>(QStringLiteral("600")) << 600000;
    QTest::newRow("above the top") << std::optional<QString>(QStringLiteral("601")) << 2000;
    QTest::newRow("a decimal comma") << std::optional<QString>(QStringLiteral("1,5")) << 2000;
    QTest::newRow("not a number") << std::optional<QString>(QStringLiteral("dos")) << 2000;
}

void TestReglasFlujo::plazo()
{
    QFETCH(std::optional<QString>, texto);
    QFETCH(int, ms);
    QCOMPARE(flujo::plazoRespuestaMs(texto), ms);
}

void TestReglasFlujo::limiteClave_data()
{
    QTest::addColumn<QString>("antes");
    QTest::addColumn<QString>("despues");
    QTest::addColumn<QString>("texto"); // "-" when the change is refused
    QTest::addColumn<int>("cursor");
    QTest::newRow("a paste into an empty box keeps the first ten") << ""
                                                                   << "ABCDEFGHIJKLMNO"
                                                                   << "ABCDEFGHIJ" << 10;
    QTest::newRow("pasted in the middle: the text around it stays") << "AAAAZZZZ"
                                                                    << "AAAA1234567ZZZZ"
                                                                    << "AAAA12ZZZZ" << 6;
    QTest::newRow("a key typed into a full box") << "ABCDEFGHIJ"
                                                 << "ABCDEFGHIJK"
                                                 << "ABCDEFGHIJ" << 10;
    QTest::newRow("a paste over a selection that is replaced") << "AAAAxxZZZZ"
                                                               << "AAAA123456ZZZZ"
                                                               << "AAAA12ZZZZ" << 6;
    QTest::newRow("repeated characters: the insertion is at the first difference") << "AAAAAAAA"
                                                                                   << "AAAAAAAAAAAAAA"
                                                                                   << "AAAAAAAAAA" << 10;
    QTest::newRow("a text before that is already too long") << "ABCDEFGHIJKL"
                                                            << "ABCDEFGHIJKLM"
                                                            << "-" << 0;
}

// With a limit of ten characters.
void TestReglasFlujo::limiteClave()
{
    QFETCH(QString, antes);
    QFETCH(QString, despues);
    QFETCH(QString, texto);
    QFETCH(int, cursor);
    const std::optional<flujo::TextoRecortado> r = flujo::recortarInsercion(antes, despues, 10);
    QCOMPARE(r.has_value(), texto != u"-");
    if (!r)
        return;
    QCOMPARE(r->texto, texto);
    QCOMPARE(r->cursor, cursor);
}

LUMIVO_TEST_MAIN(TestReglasFlujo)
#include "tst_reglasflujo.moc"
