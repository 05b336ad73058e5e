// The lookup of a scanned code that no key matches exactly: equivalent GTIN forms, scale labels and
// misreads, against a stand-in company whose articles store their codes in each form.

#include "data/ConfigEmpresa.h"
#include "data/uDM.h"
#include "lookup/BusquedaClave.h"
#include "lookup/BusquedaCodigo.h"
#include "rules/CodigoBarras.h"
#include "tests/support/EmpresaInstalada.h"
#include "tests/support/PruebaPrincipal.h"
#include "tests/support/TestDatabases.h"

#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <utility>

namespace {

// Article id, name (what a row expects) and the key as the ERP stores it.
struct Guardado {
    int id;
    const char* nombre;
    const char* clave;
};

constexpr Guardado kArticulos[] = {
    {9001, "UPC-A", "036000291452"},
    {9002, "EAN-13", "4006381333931"},
    {9003, "EAN-8", "96385074"},
    {9004, "UPC-E expansion", "042100005264"},
    {9005, "GTIN-14", "00012345678905"},
    {9006, "EAN-13 without check digit", "590123412345"},
    {9101, "Jamón por kilo", "2001234000000"}, // whole code with the weight zeroed
    {9102, "Queso, precio", "0042"},           // PLU as printed
    {9103, "Pollo UPC-A", "123"},              // PLU without zeros
    // One scale, two kinds of article: PLUs stored as printed and PLUs stored without zeros.
    {9104, "Chorizo, PLU tal cual", "01234"},
    {9105, "Queso Oaxaca, PLU sin ceros", "5678"},
    // Look-alikes that a scan must never reach through another code.
    {9201, "Caja de GTIN-14", "10012345678902"},
    {9202, "Orden: EAN-13", "0725272730706"},
    {9203, "Orden: GTIN-14", "00725272730706"},
};

const QString kFormatos[] = {QStringLiteral("21,22;3;4;T;P;2;V"), QStringLiteral("20-29;3;5;C;K;3;N"),
                             QStringLiteral("2;2;5;S;P;2;V")};

} // namespace

class TestBusquedaClave : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void formas_data();
    void formas();
    void dosFormatosEnUnPrefijo_data();
    void dosFormatosEnUnPrefijo();
    void sinFormatosComoAntes();
    void unaEjecucionPreparadaUnaVez();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Tdm> m_dm;
    std::vector<FormatoEtiqueta> m_formatos;
};

void TestBusquedaClave::initTestCase()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    const QString ruta = pruebas::empresaInstalada(m_dir->path());
    QString sql;
    for (const Guardado& a : kArticulos) {
        sql += QStringLiteral("INSERT INTO ARTICULOS (ARTICULO_ID, NOMBRE) VALUES (%1, '%2');\n"
                              "INSERT INTO CLAVES_ARTICULOS (CLAVE_ARTICULO_ID, CLAVE_ARTICULO, ARTICULO_ID) "
                              "VALUES (%1, '%3', %1);\n")
                   .arg(a.id)
                   .arg(QString::fromUtf8(a.nombre), QString::fromLatin1(a.clave));
    }
    testsupport::runSql(testsupport::embeddedParams(ruta), sql);

    m_dm = std::make_unique<Tdm>(m_dir->filePath(QStringLiteral("config.xml")));
    m_dm->fdConexion.setParams(testsupport::embeddedParams(ruta));
    m_dm->fdConexion.open();
    m_dm->reiniciarTransaccion();
    // The formats as the settings table keeps them.
    ConfigEmpresa config(m_dm->fdVarios);
    config.escribirEtiquetas({kFormatos[0], kFormatos[1], kFormatos[2], QString()});
    m_formatos = config.leerEtiquetas();
    QCOMPARE(m_formatos.size(), size_t{3});
}

void TestBusquedaClave::cleanupTestCase()
{
    m_dm.reset();
    m_dir.reset();
}

void TestBusquedaClave::formas_data()
{
    QTest::addColumn<QString>("escaneada");
    QTest::addColumn<QString>("resultado"); // the article's name, "misread" or "nothing"
    QTest::addColumn<QString>("guardada");
    QTest::addColumn<QString>("etiqueta"); // what the label says, if it named the article

    const auto fila = [](const char* nombre, const char* escaneada, const char* resultado, const char* guardada,
                         const char* etiqueta = "") {
        QTest::newRow(nombre) << QString::fromLatin1(escaneada) << QString::fromUtf8(resultado)
                              << QString::fromLatin1(guardada) << QString::fromLatin1(etiqueta);
    };
    fila("UPC-A stored, EAN-13 scanned", "0036000291452", "UPC-A", "036000291452");
    fila("UPC-A stored, GTIN-14 scanned", "00036000291452", "UPC-A", "036000291452");
    fila("UPC-A stored, typed without check digit", "03600029145", "UPC-A", "036000291452");
    fila("EAN-13 stored, GTIN-14 scanned", "04006381333931", "EAN-13", "4006381333931");
    fila("EAN-13 stored, typed without check digit", "400638133393", "EAN-13", "4006381333931");
    fila("EAN-8 stored, GTIN-14 scanned", "00000096385074", "EAN-8", "96385074");
    fila("EAN-8 stored, typed without check digit", "9638507", "EAN-8", "96385074");
    fila("UPC-E scanned, expansion stored", "04252614", "UPC-E expansion", "042100005264");
    fila("expansion stored, its EAN-13 scanned", "0042100005264", "UPC-E expansion", "042100005264");
    fila("GTIN-14 stored, UPC-A scanned", "012345678905", "GTIN-14", "00012345678905");
    fila("GTIN-14 stored, EAN-13 scanned", "0012345678905", "GTIN-14", "00012345678905");
    fila("stored without check digit", "5901234123457", "EAN-13 without check digit", "590123412345");
    fila("order: 13 digits before 14", "725272730706", "Orden: EAN-13", "0725272730706");

    fila("weight label", "2001234007504", "Jamón por kilo", "2001234000000", "K 0.750");
    fila("price label with verifier", "2100426146851", "Queso, precio", "0042", "P 146.85");
    fila("UPC-A price label", "200123928759", "Pollo UPC-A", "123", "P 28.75");
    fila("UPC-A price label as 13 digits", "0200123928759", "Pollo UPC-A", "123", "P 28.75");

    fila("misread UPC-A", "036000291453", "misread", "");
    fila("misread EAN-13", "4006381333932", "misread", "");
    fila("misread UPC-E", "04252615", "misread", "");
    fila("misread EAN-8", "96385075", "misread", "");
    fila("misread GTIN-14", "00012345678906", "misread", "");
    fila("label verifier wrong", "2100425146852", "misread", "");

    // Valid codes whose look-alikes are stored.
    fila("EAN-13 whose first 12 digits are a stored UPC-A", "0360002914522", "nothing", "");
    fila("UPC-A without its leading zero, new check digit", "360002914522", "nothing", "");
    fila("one digit off a stored EAN-13", "4006381333948", "nothing", "");
    fila("EAN-8 one digit off", "96385081", "nothing", "");
    fila("a label whose PLU has no article", "2009999007500", "nothing", "");
    fila("not a code", "ABA-9999", "nothing", "");
}

void TestBusquedaClave::formas()
{
    QFETCH(QString, escaneada);
    QFETCH(QString, resultado);
    QFETCH(QString, guardada);
    QFETCH(QString, etiqueta);

    // The exact lookup comes first and finds nothing for every row.
    QVERIFY(!buscarArticulo(*m_dm, escaneada));
    const ResultadoCodigo r = buscarCodigo(*m_dm, escaneada, m_formatos);
    QString obtenido = QStringLiteral("nothing");
    if (r.tipo == ResultadoCodigo::Tipo::CodigoNoValido)
        obtenido = QStringLiteral("misread");
    else if (r.tipo == ResultadoCodigo::Tipo::Encontrado)
        obtenido = r.articulo->nombre;
    QCOMPARE(obtenido, resultado);
    QCOMPARE(r.articulo.has_value(), r.tipo == ResultadoCodigo::Tipo::Encontrado);
    if (r.articulo)
        QCOMPARE(r.articulo->clave, guardada);
    QString dice;
    if (r.etiqueta) {
        dice =
            (r.etiqueta->formato.valor == FormatoEtiqueta::Valor::Peso ? QStringLiteral("K ") : QStringLiteral("P ")) +
            r.etiqueta->valor.toString();
    }
    QCOMPARE(dice, etiqueta);
}

void TestBusquedaClave::dosFormatosEnUnPrefijo_data()
{
    QTest::addColumn<bool>("sinCerosPrimero");
    QTest::addColumn<QString>("escaneada");
    QTest::addColumn<QString>("resultado"); // the article's name or "nothing"
    for (const bool sinCerosPrimero : {false, true}) {
        const char* orden = sinCerosPrimero ? "without zeros first: " : "as printed first: ";
        const auto fila = [&](const char* nombre, const char* escaneada, const char* resultado) {
            QTest::addRow("%s%s", orden, nombre)
                << sinCerosPrimero << QString::fromLatin1(escaneada) << QString::fromUtf8(resultado);
        };
        fila("PLU kept as printed", "2001234007504", "Chorizo, PLU tal cual");
        fila("PLU kept without zeros", "2005678007502", "Queso Oaxaca, PLU sin ceros");
        fila("a PLU neither finds", "2009999007500", "nothing");
    }
}

// "20;3;5;T;K;3;N" and "20;3;5;S;K;3;N" together: a label of either kind finds its article whichever
// format is listed first, with its weight read; one that neither finds is an unknown key.
void TestBusquedaClave::dosFormatosEnUnPrefijo()
{
    QFETCH(bool, sinCerosPrimero);
    QFETCH(QString, escaneada);
    QFETCH(QString, resultado);
    std::vector<FormatoEtiqueta> formatos{*FormatoEtiqueta::deTexto(QStringLiteral("20;3;5;T;K;3;N")),
                                          *FormatoEtiqueta::deTexto(QStringLiteral("20;3;5;S;K;3;N"))};
    if (sinCerosPrimero)
        std::swap(formatos[0], formatos[1]);

    QVERIFY(!buscarArticulo(*m_dm, escaneada));
    const ResultadoCodigo r = buscarCodigo(*m_dm, escaneada, formatos);
    if (resultado == u"nothing") {
        QCOMPARE(int(r.tipo), int(ResultadoCodigo::Tipo::NoEncontrado));
        QVERIFY(!r.articulo);
        QVERIFY(!r.etiqueta);
        return;
    }
    QCOMPARE(int(r.tipo), int(ResultadoCodigo::Tipo::Encontrado));
    QCOMPARE(r.articulo->nombre, resultado);
    QVERIFY(r.etiqueta);
    QCOMPARE(r.etiqueta->claveErp, r.articulo->clave);
    QCOMPARE(r.etiqueta->valor.toString(), QStringLiteral("0.750"));
}

// A company without label rows: a label is just an unknown code.
void TestBusquedaClave::sinFormatosComoAntes()
{
    QCOMPARE(int(buscarCodigo(*m_dm, QStringLiteral("2001234007504"), {}).tipo),
             int(ResultadoCodigo::Tipo::NoEncontrado));
    // Its verifier is not looked at either: the code's own check digit is right.
    QCOMPARE(int(buscarCodigo(*m_dm, QStringLiteral("2100425146852"), {}).tipo),
             int(ResultadoCodigo::Tipo::NoEncontrado));
}

void TestBusquedaClave::unaEjecucionPreparadaUnaVez()
{
    buscarCodigo(*m_dm, QStringLiteral("0036000291452"), m_formatos);
    QCOMPARE(m_dm->fdQFormas.sql(), kSqlBuscarFormas);
    QVERIFY(m_dm->fdQFormas.isPrepared());
    QCOMPARE(m_dm->fdQFormas.paramNames().size(), gtin::kMaxFormas);
    QVERIFY(!m_dm->fdQFormas.isOpen());
    // The exact statement stays prepared on its own query: neither replaces the other's text.
    QCOMPARE(m_dm->fdQVarios.sql(), kSqlBuscarClave);
}

LUMIVO_TEST_GUILESS_MAIN(TestBusquedaClave)
#include "tst_busquedaclave.moc"
