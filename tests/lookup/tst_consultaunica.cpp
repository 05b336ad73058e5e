// The lookup service's one statement against the statements it replaced, run one by one as the
// reference: for every key and every article of the stand-in company under several settings, and
// for the scanned codes that reach an article through another form or a scale label, the answer is
// the same to the last row, value, type and decimal. And a lookup reads through a transaction that
// it keeps, yet sees what another connection has just committed.

#include "data/uDM.h"
#include "firebird/Query.h"
#include "lookup/BusquedaClave.h"
#include "lookup/BusquedaCodigo.h"
#include "lookup/ConsultaUnica.h"
#include "lookup/ConsultasArticulo.h"
#include "lookup/ServicioConsulta.h"
#include "rules/AjustesConsulta.h"
#include "tests/support/EmpresaInstalada.h"
#include "tests/support/PrivateServer.h"
#include "tests/support/PruebaPrincipal.h"
#include "tests/support/TestDatabases.h"

#include <QDir>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <memory>
#include <thread>

namespace {

using Estado = RespuestaConsulta::Estado;

// ---- The reference: the article's statements one by one, each with its own round trips -----

int columna(const FilasLeidas& f, const QString& nombre)
{
    for (int i = 0; i < f.columnas.size(); ++i)
        if (f.columnas[i].compare(nombre, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

// The statements one by one, each prepared once on a query of its own (as the service kept them
// before), on the data module's shared transaction, restarted for every lookup.
class PorSentencias {
public:
    explicit PorSentencias(Tdm& dm)
        : m_dm(dm)
    {
    }
    RespuestaConsulta consultar(int articuloId, const QString& clave, const AjustesConsulta& ajustes);

private:
    FilasLeidas leer(fb::Query& q, const QString& sql, const testsupport::QueryParams& parametros)
    {
        q.close();
        q.setSql(sql);
        for (const auto& [nombre, valor] : parametros)
            q.setParam(nombre, valor);
        q.open();
        FilasLeidas f = leerFilas(q, kMaxFilasRejilla);
        q.close();
        return f;
    }

    Tdm& m_dm;
    fb::Query m_precios{m_dm.fdTrans}, m_existe{m_dm.fdTrans}, m_volumen{m_dm.fdTrans}, m_claves{m_dm.fdTrans},
        m_combos{m_dm.fdTrans};
};

RespuestaConsulta PorSentencias::consultar(int articuloId, const QString& clave, const AjustesConsulta& ajustes)
{
    Tdm& dm = m_dm;
    RespuestaConsulta r;
    r.clave = clave;
    std::optional<ArticuloEncontrado> articulo =
        articuloId != 0 ? buscarArticuloPorId(dm, articuloId, clave) : buscarArticulo(dm, clave);
    std::optional<etiqueta::Lectura> lectura;
    if (!articulo && articuloId == 0) {
        ResultadoCodigo c = buscarCodigo(dm, clave, ajustes.Etiquetas);
        if (c.tipo == ResultadoCodigo::Tipo::CodigoNoValido) {
            r.estado = Estado::CodigoNoValido;
            return r;
        }
        articulo = std::move(c.articulo);
        lectura = std::move(c.etiqueta);
    }
    if (!articulo) {
        r.estado = Estado::NoEncontrado;
        return r;
    }
    const int id = articulo->articuloId;
    r.precios = leer(m_precios, consultas::sqlPrecios(ajustes.OrdenPrecio),
                     {{"V_ARTICULO_ID", id}, {"V_CLIENTE_ID", ajustes.ClienteEventualId}});
    // The configured list's row, else the first.
    r.filaPrecio = r.precios.filas.empty() ? -1 : 0;
    const int lista = columna(r.precios, QStringLiteral("PRECIO_EMPRESA_ID"));
    for (size_t i = 0; i < r.precios.filas.size(); ++i) {
        const fb::Value& v = r.precios.filas[i][static_cast<size_t>(lista)];
        if (!v.isNull() && v.toInt64() == ajustes.PrecioEmpresaId) {
            r.filaPrecio = static_cast<int>(i);
            break;
        }
    }
    if (r.filaPrecio >= 0) {
        const fb::Value& neto = r.precios.filas[static_cast<size_t>(r.filaPrecio)]
                                               [static_cast<size_t>(columna(r.precios, QStringLiteral("PRECION")))];
        r.precioNeto = neto.isNull() ? fb::Decimal{0, 0} : neto.toDecimal();
    }
    r.existe = leer(m_existe, consultas::kSqlAlmacen, {{"N_ARTICULO_ID", id}});
    r.volumen = leer(m_volumen, consultas::kSqlVolumen,
                     {{"N_AID", id}, {"N_POLITICA_ID", ajustes.PoliticaVolId}, {"N_PRECIO", r.precioNeto}});
    r.claves = leer(m_claves, consultas::kSqlClaves, {{"N_ARTICULO_ID", id}});
    r.combos = leer(m_combos, consultas::kSqlCombos, {{"N_ARTICULO_ID", id}});
    r.etiqueta = lectura ? etiqueta::texto(*lectura, r.precioNeto) : QString();
    r.articulo = std::move(*articulo);
    r.estado = Estado::Encontrado;
    return r;
}

// ---- An answer as text: every value with its type, decimals at their own scale -----------------

QString valor(const fb::Value& v)
{
    return QStringLiteral("%1:%2").arg(v.storage().index()).arg(v.toString());
}

QStringList texto(const RespuestaConsulta& r)
{
    QStringList t;
    const ArticuloEncontrado& a = r.articulo;
    t << QStringLiteral("estado %1").arg(int(r.estado))
      << QStringLiteral("articulo %1|%2|%3|%4|%5")
             .arg(a.articuloId)
             .arg(a.nombre, a.clave, a.linea, a.fechaUltimaCompra.toString(Qt::ISODate))
      << QStringLiteral("etiqueta ") + r.etiqueta
      << QStringLiteral("neto %1 (%2 decimales), fila %3")
             .arg(r.precioNeto.toString())
             .arg(r.precioNeto.scale)
             .arg(r.filaPrecio);
    const std::pair<const char*, const FilasLeidas*> rejillas[] = {
        {"precios", &r.precios}, {"existe", &r.existe}, {"volumen", &r.volumen},
        {"claves", &r.claves},   {"combos", &r.combos},
    };
    for (const auto& [nombre, filas] : rejillas) {
        t << QStringLiteral("%1 columnas %2").arg(QLatin1StringView(nombre), filas->columnas.join(u','));
        for (const std::vector<fb::Value>& fila : filas->filas) {
            QStringList valores;
            for (const fb::Value& v : fila)
                valores << valor(v);
            t << QStringLiteral("%1 fila %2").arg(QLatin1StringView(nombre), valores.join(u'|'));
        }
    }
    return t;
}

// Forwards the connections made to it to a server's port and counts the round trips: each time a
// client speaks again after the server has answered.
class Intermediario : public QObject {
public:
    explicit Intermediario(quint16 destino)
    {
        m_escucha.listen(QHostAddress::LocalHost);
        connect(&m_escucha, &QTcpServer::newConnection, this, [this, destino] {
            while (QTcpSocket* cliente = m_escucha.nextPendingConnection()) {
                auto* servidor = new QTcpSocket(cliente);
                servidor->connectToHost(QHostAddress::LocalHost, destino);
                connect(cliente, &QTcpSocket::readyRead, this, [this, cliente, servidor] {
                    if (m_habloServidor.exchange(false))
                        ++m_idas;
                    servidor->write(cliente->readAll());
                });
                connect(servidor, &QTcpSocket::readyRead, this, [this, cliente, servidor] {
                    m_habloServidor = true;
                    cliente->write(servidor->readAll());
                });
                connect(cliente, &QTcpSocket::disconnected, cliente, &QObject::deleteLater);
                connect(servidor, &QTcpSocket::disconnected, cliente, &QTcpSocket::disconnectFromHost);
            }
        });
    }
    QString servidor() const { return QStringLiteral("127.0.0.1/%1").arg(m_escucha.serverPort()); }
    int idas() const { return m_idas; }
    void empezar()
    {
        m_idas = 0;
        m_habloServidor = true;
    }

private:
    QTcpServer m_escucha;
    std::atomic<int> m_idas{0};
    std::atomic<bool> m_habloServidor{true};
};

QStringList atraves(QStringList parametros, const Intermediario& intermediario)
{
    for (QString& p : parametros)
        if (p.startsWith(QStringLiteral("Server=")))
            p = QStringLiteral("Server=") + intermediario.servidor();
    return parametros;
}

} // namespace

class TestConsultaUnica : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void cadaArticulo_data();
    void cadaArticulo();
    void codigos_data();
    void codigos();
    void veLoConfirmado();
    void idasYVueltas_data();
    void idasYVueltas();

private:
    // The service's answer to a scan (articuloId 0) or to an article chosen by id.
    void preguntar(int articuloId, const QString& clave, const AjustesConsulta& ajustes, RespuestaConsulta& salida);
    void comparar(int articuloId, const QString& clave, const AjustesConsulta& ajustes);
    // The service's own read transaction's number, asked on the worker between scans.
    qint64 transaccionDelServicio();

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_ruta;
    std::unique_ptr<Tdm> m_dm;         // the service's data module (its parameters)
    std::unique_ptr<Tdm> m_referencia; // the statements one by one, on an attachment of their own
    std::unique_ptr<PorSentencias> m_porSentencias;
    std::unique_ptr<ServicioConsulta> m_servicio;
};

void TestConsultaUnica::initTestCase()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QDir::setCurrent(m_dir->path());
    m_ruta = pruebas::empresaInstalada(m_dir->path());
    // Codes stored in one form and scanned in another, and scale labels' articles, with a price
    // and stock so a label's line and the grids have something to show.
    testsupport::runSql(testsupport::embeddedParams(m_ruta), QStringLiteral(R"(
INSERT INTO ARTICULOS (ARTICULO_ID, NOMBRE, LINEA_ARTICULO_ID) VALUES (9001, 'UPC-A', 2);
INSERT INTO ARTICULOS (ARTICULO_ID, NOMBRE) VALUES (9003, 'EAN-8');
INSERT INTO ARTICULOS (ARTICULO_ID, NOMBRE) VALUES (9004, 'UPC-E expansion');
INSERT INTO ARTICULOS (ARTICULO_ID, NOMBRE) VALUES (9005, 'GTIN-14');
INSERT INTO ARTICULOS (ARTICULO_ID, NOMBRE, UNIDAD_VENTA) VALUES (9101, 'Jamón por kilo', 'KG');
INSERT INTO ARTICULOS (ARTICULO_ID, NOMBRE) VALUES (9102, 'Queso, precio');
INSERT INTO ARTICULOS (ARTICULO_ID, NOMBRE) VALUES (9103, 'Pollo UPC-A');
INSERT INTO CLAVES_ARTICULOS (CLAVE_ARTICULO_ID, CLAVE_ARTICULO, ARTICULO_ID, ROL_CLAVE_ART_ID) VALUES (9001, '036000291452', 9001, 17);
INSERT INTO CLAVES_ARTICULOS (CLAVE_ARTICULO_ID, CLAVE_ARTICULO, ARTICULO_ID) VALUES (9003, '96385074', 9003);
INSERT INTO CLAVES_ARTICULOS (CLAVE_ARTICULO_ID, CLAVE_ARTICULO, ARTICULO_ID) VALUES (9004, '042100005264', 9004);
INSERT INTO CLAVES_ARTICULOS (CLAVE_ARTICULO_ID, CLAVE_ARTICULO, ARTICULO_ID) VALUES (9005, '00012345678905', 9005);
INSERT INTO CLAVES_ARTICULOS (CLAVE_ARTICULO_ID, CLAVE_ARTICULO, ARTICULO_ID, ROL_CLAVE_ART_ID) VALUES (9101, '2001234000000', 9101, 17);
INSERT INTO CLAVES_ARTICULOS (CLAVE_ARTICULO_ID, CLAVE_ARTICULO, ARTICULO_ID) VALUES (9102, '0042', 9102);
INSERT INTO CLAVES_ARTICULOS (CLAVE_ARTICULO_ID, CLAVE_ARTICULO, ARTICULO_ID) VALUES (9103, '123', 9103);
INSERT INTO CLAVES_ARTICULOS (CLAVE_ARTICULO_ID, CLAVE_ARTICULO, ARTICULO_ID) VALUES (9104, 'JAMON', 9101);
INSERT INTO STANDIN_PRECIOS (ARTICULO_ID, PRECIO_EMPRESA_ID, PRECIO_CON_IMPTO) VALUES (9101, 42, 189.90);
INSERT INTO STANDIN_PRECIOS (ARTICULO_ID, PRECIO_EMPRESA_ID, PRECIO_CON_IMPTO) VALUES (9101, 450, 172.35);
INSERT INTO STANDIN_PRECIOS (ARTICULO_ID, PRECIO_EMPRESA_ID, PRECIO_CON_IMPTO) VALUES (9001, 450, 21.00);
INSERT INTO STANDIN_EXISTENCIAS (ARTICULO_ID, ALMACEN_ID, EXISTENCIA) VALUES (9101, 19, 12.345);
INSERT INTO STANDIN_POL_VOL_DET (POLITICA_ID, ARTICULO_ID, UNIDADES, DESCUENTO) VALUES (11, 9101, 5, 2.5);
INSERT INTO OFERTAS_MM_DET (OFERTA_MM_DET_ID, OFERTA_MM_ID, ARTICULO_ID, UNIDADES_MINIMAS, PRECIO_ESPECIAL, TIPO_DSCTO) VALUES (90, 1, 9101, 2.5, 160.123456, 'P');
)"));

    m_referencia = std::make_unique<Tdm>(m_dir->filePath(QStringLiteral("referencia.xml")));
    m_referencia->conectarEmpresa(testsupport::embeddedParams(m_ruta));
    m_porSentencias = std::make_unique<PorSentencias>(*m_referencia);
    m_dm = std::make_unique<Tdm>();
    m_dm->conectarEmpresa(testsupport::embeddedParams(m_ruta));
    m_servicio = std::make_unique<ServicioConsulta>(*m_dm, [](int) { return 50; });
    m_servicio->abrir();
}

void TestConsultaUnica::cleanupTestCase()
{
    m_servicio.reset();
    m_dm.reset();
    m_porSentencias.reset();
    m_referencia.reset();
    m_dir.reset();
}

void TestConsultaUnica::preguntar(int articuloId, const QString& clave, const AjustesConsulta& ajustes,
                                  RespuestaConsulta& salida)
{
    bool respondida = false;
    const QMetaObject::Connection c =
        connect(m_servicio.get(), &ServicioConsulta::respuesta, this, [&](const RespuestaConsulta& r) {
            salida = r;
            respondida = true;
        });
    m_servicio->buscarPorId(articuloId, clave, ajustes);
    QTRY_VERIFY(respondida);
    disconnect(c);
}

void TestConsultaUnica::comparar(int articuloId, const QString& clave, const AjustesConsulta& ajustes)
{
    RespuestaConsulta unaVez;
    preguntar(articuloId, clave, ajustes, unaVez);
    if (QTest::currentTestFailed())
        return;
    QVERIFY2(unaVez.detalle.isEmpty(), qPrintable(unaVez.detalle));
    const RespuestaConsulta referencia = m_porSentencias->consultar(articuloId, clave, ajustes);
    const QStringList obtenido = texto(unaVez);
    const QStringList esperado = texto(referencia);
    for (qsizetype i = 0; i < std::max(obtenido.size(), esperado.size()); ++i)
        QCOMPARE(obtenido.value(i), esperado.value(i));
}

void TestConsultaUnica::cadaArticulo_data()
{
    QTest::addColumn<int>("orden");
    QTest::addColumn<int>("cliente");
    QTest::addColumn<int>("lista");
    QTest::addColumn<int>("politica");
    QTest::newRow("walk-in, by net price, default list, first enabled policy") << 0 << 465 << 450 << 0;
    QTest::newRow("12.5 % customer, net price descending, list 42, policy 11") << 1 << 466 << 42 << 11;
    QTest::newRow("100 % customer, by name, a list no article has, policy 12") << 2 << 467 << 999 << 12;
    QTest::newRow("NULL discount, the procedure's order, disabled policy") << 3 << 468 << 451 << 10;
    QTest::newRow("customer without a discount row, no list") << 0 << 469 << 0 << 0;
}

// Every key of the company as scanned, and every article (one without keys too) chosen by id.
void TestConsultaUnica::cadaArticulo()
{
    QFETCH(int, orden);
    QFETCH(int, cliente);
    QFETCH(int, lista);
    QFETCH(int, politica);
    AjustesConsulta ajustes;
    ajustes.OrdenPrecio = orden;
    ajustes.ClienteEventualId = cliente;
    ajustes.PrecioEmpresaId = lista;
    ajustes.PoliticaVolId = politica;

    const QStringList claves = testsupport::queryRows(
        testsupport::embeddedParams(m_ruta),
        QStringLiteral("SELECT DISTINCT CLAVE_ARTICULO FROM CLAVES_ARTICULOS ORDER BY CLAVE_ARTICULO"));
    QVERIFY(claves.size() > 30);
    for (const QString& clave : claves) {
        comparar(0, clave, ajustes);
        if (QTest::currentTestFailed()) {
            qWarning("Key %s", qPrintable(clave));
            return;
        }
    }
    const QStringList articulos = testsupport::queryRows(
        testsupport::embeddedParams(m_ruta), QStringLiteral("SELECT ARTICULO_ID FROM ARTICULOS ORDER BY 1"));
    QVERIFY(articulos.size() > 25);
    for (const QString& id : articulos) {
        comparar(id.toInt(), QStringLiteral("CLAVE-ELEGIDA"), ajustes);
        if (QTest::currentTestFailed()) {
            qWarning("Article %s", qPrintable(id));
            return;
        }
    }
}

void TestConsultaUnica::codigos_data()
{
    QTest::addColumn<QString>("escaneada");
    QTest::addColumn<int>("estado");
    QTest::addColumn<QString>("nombre");
    const auto fila = [](const char* caso, const char* escaneada, Estado estado, const char* nombre) {
        QTest::newRow(caso) << QString::fromUtf8(escaneada) << int(estado) << QString::fromUtf8(nombre);
    };
    fila("UPC-A stored, EAN-13 scanned", "0036000291452", Estado::Encontrado, "UPC-A");
    fila("UPC-A stored, typed without check digit", "03600029145", Estado::Encontrado, "UPC-A");
    fila("EAN-8 stored, GTIN-14 scanned", "00000096385074", Estado::Encontrado, "EAN-8");
    fila("UPC-E scanned, expansion stored", "04252614", Estado::Encontrado, "UPC-E expansion");
    fila("GTIN-14 stored, UPC-A scanned", "012345678905", Estado::Encontrado, "GTIN-14");
    fila("EAN-13 stored, GTIN-14 scanned", "07501055300075", Estado::Encontrado, "COCA COLA LIGHT 600ML");
    // Stored with a wrong check digit: found exactly, and any other form of it is a misread.
    fila("a stored code's other form, its check digit wrong", "07502223330001", Estado::CodigoNoValido, "");
    fila("one barcode on two articles, exact", "7502223330001", Estado::Encontrado, "Paleta de tamarindo");
    fila("weight label", "2001234007504", Estado::Encontrado, "Jamón por kilo");
    fila("price label with verifier", "2100426146851", Estado::Encontrado, "Queso, precio");
    fila("UPC-A price label", "200123928759", Estado::Encontrado, "Pollo UPC-A");
    fila("UPC-A price label as 13 digits", "0200123928759", Estado::Encontrado, "Pollo UPC-A");
    fila("label stored whole, scanned as it is", "2001234000000", Estado::Encontrado, "Jamón por kilo");
    fila("longer than the key box: its first 20", "ABCDEFGHIJ0123456789XYZ", Estado::Encontrado, "Agua 750 ml");
    fila("key whose article is gone", "HUERFANA", Estado::Encontrado, "");
    fila("letter case counts", "ccl600", Estado::NoEncontrado, "");
    fila("misread UPC-A", "036000291453", Estado::CodigoNoValido, "");
    fila("misread EAN-13", "7501055300076", Estado::CodigoNoValido, "");
    fila("label verifier wrong", "2100425146852", Estado::CodigoNoValido, "");
    fila("a label whose PLU has no article", "2009999007500", Estado::NoEncontrado, "");
    fila("not a code", "ABA-9999", Estado::NoEncontrado, "");
}

// Scanned codes that reach an article through another form or a scale label, misreads and unknown
// keys: the answer, its label line and its grids as the statements one by one give them.
void TestConsultaUnica::codigos()
{
    QFETCH(QString, escaneada);
    QFETCH(int, estado);
    QFETCH(QString, nombre);
    AjustesConsulta ajustes;
    ajustes.ClienteEventualId = 465;
    ajustes.PrecioEmpresaId = 450;
    for (const char* f : {"21,22;3;4;T;P;2;V", "20-29;3;5;C;K;3;N", "2;2;5;S;P;2;V"})
        ajustes.Etiquetas.push_back(*FormatoEtiqueta::deTexto(QString::fromLatin1(f)));

    comparar(0, escaneada, ajustes);
    if (QTest::currentTestFailed())
        return;
    RespuestaConsulta r;
    preguntar(0, escaneada, ajustes, r);
    QCOMPARE(int(r.estado), estado);
    QCOMPARE(r.articulo.nombre, nombre);
}

// No commit and no new transaction around a lookup, and still a price changed and committed by
// another connection shows at the next scan.
void TestConsultaUnica::veLoConfirmado()
{
    AjustesConsulta ajustes;
    ajustes.ClienteEventualId = 465;
    ajustes.PrecioEmpresaId = 450;
    RespuestaConsulta antes;
    preguntar(0, QStringLiteral("CCL600"), ajustes, antes);
    QCOMPARE(antes.precioNeto, (fb::Decimal{16, 0}));
    const qint64 transaccion = transaccionDelServicio();
    QVERIFY(transaccion > 0);

    testsupport::runSql(testsupport::embeddedParams(m_ruta),
                        QStringLiteral("UPDATE STANDIN_PRECIOS SET PRECIO_CON_IMPTO = 16.75 "
                                       "WHERE ARTICULO_ID = 1001 AND PRECIO_EMPRESA_ID = 450;"));
    RespuestaConsulta despues;
    preguntar(0, QStringLiteral("CCL600"), ajustes, despues);
    QCOMPARE(despues.precioNeto.toString(), QStringLiteral("16.750000"));
    QCOMPARE(transaccionDelServicio(), transaccion);

    // The idle clearing leaves it be.
    m_servicio->confirmar();
    QCOMPARE(transaccionDelServicio(), transaccion);
    testsupport::runSql(testsupport::embeddedParams(m_ruta),
                        QStringLiteral("UPDATE STANDIN_PRECIOS SET PRECIO_CON_IMPTO = 16.00 "
                                       "WHERE ARTICULO_ID = 1001 AND PRECIO_EMPRESA_ID = 450;"));
    preguntar(0, QStringLiteral("CCL600"), ajustes, despues);
    QCOMPARE(despues.precioNeto, (fb::Decimal{16, 0}));
}

void TestConsultaUnica::idasYVueltas_data()
{
    QTest::addColumn<QString>("clave");
    QTest::addColumn<int>("estado");
    QTest::addColumn<int>("antes"); // the statements one by one
    QTest::newRow("found, every grid") << "7501055300075" << int(Estado::Encontrado) << 8;
    QTest::newRow("unknown") << "NO-EXISTE" << int(Estado::NoEncontrado) << 3;
    QTest::newRow("found by another form") << "07501055300075" << int(Estado::Encontrado) << 9;
}

// Through a server over TCP: a lookup costs one round trip, found or not, where the statements one
// by one (with the commit and start before them) cost several.
void TestConsultaUnica::idasYVueltas()
{
    QFETCH(QString, clave);
    QFETCH(int, estado);
    QFETCH(int, antes);
    testsupport::PrivateServer servidor;
    LUMIVO_REQUIRE_PRIVATE_SERVER(servidor);
    const QStringList parametros = servidor.params(pruebas::empresaInstalada(servidor.dataFolder()));
    AjustesConsulta ajustes;
    ajustes.ClienteEventualId = 465;
    ajustes.PrecioEmpresaId = 450;

    Intermediario alServicio(servidor.port());
    Tdm dm;
    // Only its parameters: the service attaches on its own thread (the forwarding runs on this one).
    dm.fdConexion.setParams(atraves(parametros, alServicio));
    ServicioConsulta servicio(dm, [](int) { return 50; });
    servicio.abrir();
    RespuestaConsulta r;
    QObject::connect(&servicio, &ServicioConsulta::respuesta, [&](const RespuestaConsulta& a) { r = a; });
    // The first lookup prepares the statement; the next ones are what a scan costs.
    servicio.buscar(clave, ajustes);
    QTRY_VERIFY(!servicio.ocupado());
    alServicio.empezar();
    servicio.buscar(clave, ajustes);
    QTRY_VERIFY(!servicio.ocupado());
    QCOMPARE(int(r.estado), estado);
    const int ahora = alServicio.idas();

    // The same, one statement at a time, on a thread of its own (the forwarding runs on this one).
    Intermediario alaReferencia(servidor.port());
    std::atomic<bool> hecho{false};
    std::atomic<int> porSentencia{0};
    std::thread hilo([&] {
        Tdm referencia(QDir::current().filePath(QStringLiteral("referencia-servidor.xml")));
        referencia.conectarEmpresa(atraves(parametros, alaReferencia));
        {
            PorSentencias sentencias(referencia);
            sentencias.consultar(0, clave, ajustes);
            alaReferencia.empezar();
            sentencias.consultar(0, clave, ajustes);
        }
        porSentencia = alaReferencia.idas();
        referencia.desconectar();
        hecho = true;
    });
    const bool terminado = QTest::qWaitFor([&] { return hecho.load(); }, 30000);
    hilo.join();
    QVERIFY(terminado);
    qInfo("%s: %d round trip(s), %d one statement at a time", qPrintable(clave), ahora, porSentencia.load());
    QCOMPARE(ahora, 1);
    QCOMPARE(porSentencia.load(), antes);
}

qint64 TestConsultaUnica::transaccionDelServicio()
{
    auto numero = std::make_shared<qint64>(-1);
    bool hecho = false;
    m_servicio->ejecutar(
        [numero](Tdm& dm, const ServicioConsulta::Latido&) {
            if (!dm.fdLectura.isActive())
                return;
            fb::Query q(dm.fdLectura);
            q.setSql(QStringLiteral("SELECT CURRENT_TRANSACTION FROM RDB$DATABASE"));
            q.open();
            if (q.next())
                *numero = q.value(0).toInt64();
            q.close();
        },
        [&](std::exception_ptr) { hecho = true; });
    if (!QTest::qWaitFor([&] { return hecho; }, 5000))
        return -2;
    return *numero;
}

LUMIVO_TEST_GUILESS_MAIN(TestConsultaUnica)
#include "tst_consultaunica.moc"
