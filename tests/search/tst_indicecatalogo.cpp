#include "firebird/Connection.h"
#include "firebird/Query.h"
#include "firebird/ScriptRunner.h"
#include "firebird/Transaction.h"
#include "search/BusquedaCatalogo.h"
#include "search/ConsultaCatalogo.h"
#include "search/IndiceCatalogo.h"
#include "tests/support/PruebaPrincipal.h"
#include "tests/support/TestDatabases.h"

#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <atomic>
#include <map>
#include <set>

using catalogo::Patron;
using catalogo::TablaPlegado;

namespace {

// The station's own objects (the price procedure of the statements among them).
void instalarObjetos(const QStringList& params)
{
    fb::Connection c;
    c.setParams(params);
    c.open();
    fb::Transaction t(c);
    t.start();
    for (const char* script : {"Metadatos.sql", "Permisos.sql"}) {
        QFile f(QStringLiteral(LUMIVO_SOURCE_DIR "/data/sql/") + QLatin1String(script));
        if (!f.open(QIODevice::ReadOnly))
            throw std::runtime_error(std::string("cannot read ") + script);
        const auto fallos = fb::runScript(t, QString::fromUtf8(f.readAll()), fb::ScriptDdl::CommitEach);
        if (!fallos.empty())
            throw std::runtime_error(script + (": " + fallos.front().message.toStdString()));
    }
    t.commit();
}

QString latin1(int c)
{
    return QString(QChar(char16_t(c)));
}

// Words whose letters the generator swaps for others of their class, with the characters the
// collation treats specially and the search's wildcards among them.
const QStringList kPalabras = {
    QStringLiteral("café"),      QStringLiteral("niño"),  QStringLiteral("señor"), QStringLiteral("agua"),
    QStringLiteral("straße"),    QStringLiteral("æther"), QStringLiteral("þorn"),  QStringLiteral("ðal"),
    QStringLiteral("50%"),       QStringLiteral("a_b"),   QStringLiteral("½kg"),   QStringLiteral("m²"),
    QStringLiteral("nº3"),       QStringLiteral("1ª"),    QStringLiteral("ÿes"),   QStringLiteral("ÇA"),
    QStringLiteral("limón"),     QStringLiteral("pan"),   QStringLiteral("x×y"),   QStringLiteral("µg"),
    QStringLiteral("coca cola"), QStringLiteral("ñandú"), QStringLiteral("ÉÈËÊ"),  QStringLiteral("øre"),
};

struct Catalogo {
    QTemporaryDir carpeta;
    QString base;
    QStringList nombres, claves; // every text stored, for the patterns
};

// The ERP's widest name and key (ARTICULOS.NOMBRE, CLAVES_ARTICULOS.CLAVE_ARTICULO): the station's
// key box takes 20 characters, the ERP's keys are longer.
constexpr int kLargoNombre = 200;
constexpr int kLargoClave = 30;

class Generador {
public:
    explicit Generador(quint32 semilla, const TablaPlegado& tabla)
        : m_azar(semilla)
    {
        for (int c = 1; c < 256; ++c)
            m_clases[tabla[std::size_t(c)]].push_back(c);
    }
    int entre(int desde, int hasta) { return int(m_azar.bounded(desde, hasta + 1)); }
    bool moneda(int porCiento) { return entre(1, 100) <= porCiento; }

    // Each character becomes some member of its class (case, accents, ¼ for 0 ...).
    QString disfrazar(const QString& s, int porCiento)
    {
        QString r;
        for (const QChar c : s) {
            const auto& clase = m_clases[catalogo::plegar(static_cast<unsigned char>(c.unicode()))];
            r += moneda(porCiento) && !clase.empty() ? latin1(clase[std::size_t(entre(0, int(clase.size()) - 1))]) : c;
        }
        return r;
    }
    QString texto(int largoMaximo)
    {
        QString r;
        const int palabras = entre(1, 4);
        for (int i = 0; i < palabras; ++i) {
            if (i > 0)
                r += moneda(15) ? QStringLiteral("  ") : QStringLiteral(" ");
            r += moneda(85) ? kPalabras[entre(0, int(kPalabras.size()) - 1)] : latin1(entre(32, 255));
        }
        if (moneda(10))
            r.prepend(u' ');
        if (moneda(10))
            r += QStringLiteral("  "); // trailing blanks are kept by the column and by LIKE
        return disfrazar(r, 40).left(largoMaximo);
    }
    // A text as an operator types it: a piece of a stored one, disguised, sometimes with a
    // wildcard, a blank or a character of its own.
    QString tecleado(const QString& de)
    {
        if (moneda(5))
            return {};
        const int desde = entre(0, int(de.size()));
        QString r = disfrazar(de.mid(desde, entre(1, 8)), 50);
        if (moneda(15) && !r.isEmpty())
            r[entre(0, int(r.size()) - 1)] = u'_';
        if (moneda(10))
            r.insert(entre(0, int(r.size())), u'%');
        if (moneda(10))
            r.insert(entre(0, int(r.size())), u' ');
        if (moneda(5))
            r += latin1(entre(32, 255));
        return r;
    }

private:
    QRandomGenerator m_azar;
    std::map<unsigned char, std::vector<int>> m_clases;
};

std::vector<std::int32_t> ordenada(std::vector<std::int32_t> v)
{
    std::sort(v.begin(), v.end());
    return v;
}

// One of the search's statements, as the window gives it: the article of every row.
std::vector<std::int32_t> articulosDe(fb::Transaction& t, const QString& sql, const QString& parametro,
                                      const QString& valor)
{
    fb::Query q(t);
    q.setSql(sql);
    q.setParam(QStringLiteral("n_cliente_id"), 1);
    q.setParam(QStringLiteral("n_precio_id"), 1);
    q.setParam(QStringLiteral("n_almacen_id"), 1);
    q.setParam(parametro, valor);
    q.open();
    std::vector<std::int32_t> r;
    // A key whose article is gone gives a row without one: the index leaves such keys out, as it
    // leaves out every article that the database no longer has.
    while (q.next()) {
        if (!q.value(QStringLiteral("articulo_id")).isNull())
            r.push_back(static_cast<std::int32_t>(q.value(QStringLiteral("articulo_id")).toInt64()));
    }
    return r;
}

// LIKE as the collation compares, character by character, straight from the definition: the
// reference for the index's own search.
bool comoLike(QStringView texto, QStringView patron)
{
    const auto igual = [](QChar t, QChar p) {
        return p == u'_' || (t.unicode() <= 0xFF && catalogo::plegar(static_cast<unsigned char>(t.unicode())) ==
                                                        catalogo::plegar(static_cast<unsigned char>(p.unicode())));
    };
    qsizetype t = 0, p = 0, estrella = -1, desde = 0;
    while (t < texto.size()) {
        if (p < patron.size() && patron[p] != u'%' && igual(texto[t], patron[p])) {
            ++t;
            ++p;
        } else if (p < patron.size() && patron[p] == u'%') {
            estrella = p++;
            desde = t;
        } else if (estrella >= 0) {
            p = estrella + 1;
            t = ++desde;
        } else {
            return false;
        }
    }
    while (p < patron.size() && patron[p] == u'%')
        ++p;
    return p == patron.size();
}

// Article numbers in the orders a table gives them.
std::vector<std::int32_t> articulosEnOrden(const QString& orden, int cantidad, QRandomGenerator& azar)
{
    std::vector<std::int32_t> r;
    for (int i = 0; i < cantidad; ++i) {
        if (orden == u"nombres")
            r.push_back(500 + i);
        else if (orden == u"claves") // two or three keys an article
            r.push_back(500 + i * 2 / 5);
        else if (orden == u"descendentes")
            r.push_back(1000000 - 7 * i);
        else if (orden == u"extremos")
            r.push_back(i % 3 == 0 ? INT32_MIN : i % 3 == 1 ? INT32_MAX : 0);
        else
            r.push_back(static_cast<std::int32_t>(azar.generate()));
    }
    return r;
}

struct Caso {
    bool porClave;
    QString patron;
    std::vector<std::int32_t> motor; // sorted
};

} // namespace

class TestIndiceCatalogo : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void buscarComoLike_data();
    void buscarComoLike();
    void plegadoComoElMotor();
    void mismasFilasQueElMotor();
    void plegadoAlteradoSeNota_data();
    void plegadoAlteradoSeNota();
    void filasPorArticulo();
    void seConstruyeYRefresca();
    void refrescoComoLecturaEntera_data();
    void refrescoComoLecturaEntera();
    void refrescoTrasPerderLaConexion();

private:
    std::size_t diferencias(const TablaPlegado& tabla, QStringList* ejemplos = nullptr);
    QStringList copiaParaRefrescos(const QTemporaryDir& carpeta);

    Catalogo m_catalogo;
    std::vector<Caso> m_casos;
    std::set<std::int32_t> m_existentes; // ARTICULOS.ARTICULO_ID
};

void TestIndiceCatalogo::initTestCase()
{
    QVERIFY(m_catalogo.carpeta.isValid());
    m_catalogo.base = testsupport::companyDatabase(m_catalogo.carpeta.path());
    const QStringList params = testsupport::embeddedParams(m_catalogo.base);
    instalarObjetos(params);
    testsupport::runSql(params,
                        QStringLiteral("create table t_car (n integer, c varchar(1) character set ISO8859_1);"));

    fb::Connection c;
    c.setParams(params);
    c.open();
    fb::Transaction t(c);
    t.start();
    fb::Query car(t), articulo(t), clave(t);
    car.setSql(QStringLiteral("insert into t_car values (:n, :c)"));
    for (int n = 1; n < 256; ++n) {
        car.setParam(QStringLiteral("n"), n);
        car.setParam(QStringLiteral("c"), latin1(n));
        car.execute();
    }
    articulo.setSql(QStringLiteral("insert into articulos (articulo_id, nombre) values (:id, :nombre)"));
    clave.setSql(QStringLiteral("insert into claves_articulos (clave_articulo_id, clave_articulo, articulo_id, "
                                "rol_clave_art_id) values (:id, :clave, :articulo, null)"));
    Generador g(18, catalogo::tablaPlegado());
    int idClave = 900000;
    const auto agregarClave = [&](const QString& texto, int articuloId) {
        clave.setParam(QStringLiteral("id"), ++idClave);
        clave.setParam(QStringLiteral("clave"), texto);
        clave.setParam(QStringLiteral("articulo"), articuloId);
        clave.execute();
        m_catalogo.claves << texto;
    };
    // Texts of exactly that length.
    const auto deLargo = [&g](int largo) {
        QString r = g.texto(largo);
        while (r.size() < largo)
            r += u' ' + g.texto(largo);
        return r.left(largo);
    };
    for (int n = 0; n < 1560; ++n) {
        const int id = 800000 + n;
        // The last ones: names as long as the column takes (every third), every key length from
        // just past the key box's 20 characters to the column's 30.
        const bool largos = n >= 1500;
        const QString nombre = largos && n % 3 == 0 ? deLargo(kLargoNombre) : g.texto(kLargoNombre);
        articulo.setParam(QStringLiteral("id"), id);
        articulo.setParam(QStringLiteral("nombre"), nombre);
        articulo.execute();
        m_catalogo.nombres << nombre;
        if (largos) {
            agregarClave(deLargo(21 + n % 10), id);
            if (n % 2 == 0)
                agregarClave(deLargo(kLargoClave), id);
            continue;
        }
        for (int k = g.entre(0, 3); k > 0; --k) {
            const QString texto = g.texto(kLargoClave);
            agregarClave(texto, g.moneda(5) ? 800000 + g.entre(0, n) : id);
        }
    }
    t.commit();

    // The patterns of every kind the search builds, and what the engine's statement gives.
    t.start();
    for (const QString& id : testsupport::queryRows(t, QStringLiteral("select articulo_id from articulos")))
        m_existentes.insert(id.toInt());
    for (int i = 0; i < 700; ++i) {
        const bool porClave = i % 2 == 1;
        const QString texto = g.tecleado(porClave ? m_catalogo.claves[g.entre(0, int(m_catalogo.claves.size()) - 1)]
                                                  : m_catalogo.nombres[g.entre(0, int(m_catalogo.nombres.size()) - 1)]);
        const bool cualquiera = (i / 2) % 2 == 0;
        Caso caso{porClave,
                  porClave ? catalogo::patronClave(texto, cualquiera) : catalogo::patronNombre(texto, cualquiera),
                  {}};
        caso.motor =
            ordenada(porClave ? articulosDe(t, catalogo::kSqlBuscarClave, QStringLiteral("c_clave"), caso.patron)
                              : articulosDe(t, catalogo::kSqlBuscarNombre, QStringLiteral("c_nombre"), caso.patron));
        m_casos.push_back(std::move(caso));
    }
    t.commit();
}

// The packed column against LIKE applied to each text: the right articles, in table order, across
// block boundaries and every order of articles; a NUL inside a text does not split it.
void TestIndiceCatalogo::buscarComoLike_data()
{
    QTest::addColumn<QString>("orden");
    QTest::addColumn<int>("cantidad");
    QTest::newRow("un texto") << QStringLiteral("nombres") << 1;
    QTest::newRow("un bloque justo") << QStringLiteral("nombres") << 64;
    QTest::newRow("un bloque y uno") << QStringLiteral("claves") << 65;
    QTest::newRow("nombres en orden") << QStringLiteral("nombres") << 3000;
    QTest::newRow("claves en orden") << QStringLiteral("claves") << 1000;
    QTest::newRow("descendentes") << QStringLiteral("descendentes") << 700;
    QTest::newRow("extremos de integer") << QStringLiteral("extremos") << 200;
    QTest::newRow("al azar") << QStringLiteral("azar") << 1000;
}

void TestIndiceCatalogo::buscarComoLike()
{
    QFETCH(QString, orden);
    QFETCH(int, cantidad);
    QRandomGenerator azar(7);
    Generador g(29, catalogo::tablaPlegado());
    const std::vector<std::int32_t> articulos = articulosEnOrden(orden, cantidad, azar);
    QStringList textos;
    catalogo::Textos columna;
    std::size_t bytesTexto = 0;
    for (const std::int32_t articulo : articulos) {
        QString texto = g.moneda(3) ? QString() : g.texto(60);
        if (g.moneda(3))
            texto.insert(g.entre(0, int(texto.size())), QChar(0));
        textos << texto;
        bytesTexto += std::size_t(texto.size()) + 1;
        columna.agregar(articulo, QStringView(texto));
    }
    columna.cerrar();
    QCOMPARE(columna.cantidad(), articulos.size());
    if (orden == u"nombres" || orden == u"claves") {
        // In table order a text costs its characters and less than a byte and a half besides its
        // article and its length (an int32 article alone would be four).
        QVERIFY2(columna.bytes() <= bytesTexto + articulos.size() / 2 + 64,
                 qPrintable(QStringLiteral("%1 bytes for %2 of text").arg(columna.bytes()).arg(bytesTexto)));
    }

    int conVarios = 0;
    for (int n = 0; n < 300; ++n) {
        const QString tecleado = g.tecleado(textos[g.entre(0, int(textos.size()) - 1)]);
        QString patron = n % 3 == 0   ? catalogo::patronNombre(tecleado, true)
                         : n % 3 == 1 ? catalogo::patronClave(tecleado, false)
                                      : tecleado + u'%' + g.tecleado(textos[g.entre(0, int(textos.size()) - 1)]);
        const auto p = Patron::crear(patron);
        if (!p) {
            QVERIFY(patron.contains(QChar(0)) ||
                    std::any_of(patron.begin(), patron.end(), [](QChar c) { return c.unicode() > 0xFF; }));
            continue;
        }
        std::vector<std::int32_t> esperados;
        for (qsizetype i = 0; i < textos.size(); ++i) {
            if (comoLike(textos[i], patron))
                esperados.push_back(articulos[std::size_t(i)]);
        }
        conVarios += esperados.size() > 1;
        const auto todos = columna.buscar(*p, std::size_t(-1) - 1);
        QVERIFY2(todos == esperados,
                 qPrintable(QStringLiteral("«%1»: %2, LIKE %3")
                                .arg(patron, QString::number(todos.size()), QString::number(esperados.size()))));
        // Stopped after maximo + 1: the first ones, in the same order.
        const auto primeros = columna.buscar(*p, 2);
        QVERIFY(primeros.size() == std::min<std::size_t>(esperados.size(), 3) &&
                std::equal(primeros.begin(), primeros.end(), esperados.begin()));
    }
    QVERIFY(cantidad < 64 || conVarios > 20);
}

// Every pair of characters through the engine's LIKE and "=" under the collation.
void TestIndiceCatalogo::plegadoComoElMotor()
{
    fb::Connection c;
    c.setParams(testsupport::embeddedParams(m_catalogo.base));
    c.open();
    fb::Transaction t(c);
    t.start();
    const auto pares = [&](const QString& comparacion) {
        std::set<std::pair<int, int>> r;
        fb::Query q(t);
        q.setSql(QStringLiteral("select a.n, b.n from t_car a, t_car b where b.c not in ('%', '_') and ") +
                 comparacion);
        q.open();
        while (q.next())
            r.emplace(q.value(0).toInt(), q.value(1).toInt());
        return r;
    };
    const auto like =
        pares(QStringLiteral("a.c collate ES_ES_CI_AI like cast(b.c as varchar(202) character set ISO8859_1)"));
    const auto igual = pares(QStringLiteral("a.c collate ES_ES_CI_AI = b.c"));
    t.commit();

    QStringList distintos;
    for (int a = 1; a < 256; ++a) {
        for (int b = 1; b < 256; ++b) {
            if (b == '%' || b == '_')
                continue;
            const bool iguales =
                catalogo::plegar(static_cast<unsigned char>(a)) == catalogo::plegar(static_cast<unsigned char>(b));
            if (iguales != like.count({a, b}))
                distintos << QStringLiteral("%1/%2").arg(latin1(a), latin1(b));
        }
    }
    QVERIFY2(distintos.isEmpty(), qPrintable(distintos.mid(0, 20).join(u' ')));
    // "=" expands Æ, ß and Þ, LIKE does not: the index follows LIKE, and "=" never equates
    // what LIKE keeps apart.
    for (const auto& par : igual)
        QVERIFY(like.count(par));
    QVERIFY(!igual.count({0xDF, 's'}));
    QVERIFY(like.count({0xDF, 's'}));
    QVERIFY(!like.count({0xF1, 'n'}));
}

std::size_t TestIndiceCatalogo::diferencias(const TablaPlegado& tabla, QStringList* ejemplos)
{
    std::atomic<bool> parar{false};
    const auto datos = catalogo::construirIndice(testsupport::embeddedParams(m_catalogo.base), parar, tabla);
    if (!datos)
        return m_casos.size();
    std::size_t n = 0;
    for (const Caso& caso : m_casos) {
        const auto patron = Patron::crear(caso.patron, tabla);
        auto indice =
            ordenada(patron ? (caso.porClave ? datos->claves : datos->nombres).buscar(*patron, std::size_t(-1) - 1)
                            : std::vector<std::int32_t>{});
        // The rows are read by article: a key whose article is gone shows nothing.
        std::erase_if(indice, [this](std::int32_t id) { return !m_existentes.count(id); });
        if (!patron || indice != caso.motor) {
            ++n;
            if (ejemplos && ejemplos->size() < 10)
                *ejemplos << QStringLiteral("%1 «%2»: índice %3, motor %4")
                                 .arg(caso.porClave ? QStringLiteral("clave") : QStringLiteral("nombre"), caso.patron)
                                 .arg(indice.size())
                                 .arg(caso.motor.size());
        }
    }
    return n;
}

void TestIndiceCatalogo::mismasFilasQueElMotor()
{
    QStringList ejemplos;
    const std::size_t distintos = diferencias(catalogo::tablaPlegado(), &ejemplos);
    QVERIFY2(distintos == 0, qPrintable(ejemplos.join(u'\n')));
    // The patterns are not trivial: some match nothing, some many, of both kinds.
    const auto vacios = std::count_if(m_casos.begin(), m_casos.end(), [](const Caso& c) { return c.motor.empty(); });
    const auto varios = std::count_if(m_casos.begin(), m_casos.end(), [](const Caso& c) { return c.motor.size() > 1; });
    QVERIFY2(vacios > 20 && varios > 100, qPrintable(QStringLiteral("%1 empty, %2 several").arg(vacios).arg(varios)));
}

// A folding wrong in any one way must show as a difference from the engine.
void TestIndiceCatalogo::plegadoAlteradoSeNota_data()
{
    QTest::addColumn<int>("caracter");
    QTest::addColumn<int>("comoSi");
    QTest::newRow("mayúscula aparte") << int('C') << int('C');
    QTest::newRow("acento aparte") << 0xE9 << 0xE9;
    QTest::newRow("mayúscula acentuada aparte") << 0xC1 << 0xC1;
    QTest::newRow("ñ como n") << 0xF1 << int('n');
    QTest::newRow("Ñ aparte de ñ") << 0xD1 << 0xD1;
    QTest::newRow("ß aparte de s") << 0xDF << 0xDF;
    QTest::newRow("æ aparte de a") << 0xE6 << 0xE6;
    QTest::newRow("þ aparte de t") << 0xFE << 0xFE;
    QTest::newRow("½ aparte de 0") << 0xBD << 0xBD;
    QTest::newRow("² aparte de 2") << 0xB2 << 0xB2;
    QTest::newRow("ª aparte de a") << 0xAA << 0xAA;
    QTest::newRow("º aparte de o") << 0xBA << 0xBA;
    QTest::newRow("ð aparte de d") << 0xF0 << 0xF0;
    QTest::newRow("ÿ aparte de y") << 0xFF << 0xFF;
    QTest::newRow("ç aparte de c") << 0xE7 << 0xE7;
    QTest::newRow("µ como u") << 0xB5 << int('u');
    QTest::newRow("× como x") << 0xD7 << int('x');
    QTest::newRow("blanco ignorado") << int(' ') << int('_');
}

void TestIndiceCatalogo::plegadoAlteradoSeNota()
{
    QFETCH(int, caracter);
    QFETCH(int, comoSi);
    TablaPlegado tabla = catalogo::tablaPlegado();
    tabla[std::size_t(caracter)] = static_cast<unsigned char>(comoSi);
    QVERIFY(tabla != catalogo::tablaPlegado());
    const std::size_t distintos = diferencias(tabla);
    qInfo("%zu of %zu patterns differ", distintos, m_casos.size());
    QVERIFY(distintos > 0);
}

// The rows the window shows through the index: one per listed article, in the list's order,
// none for an article that is gone; every column as the search's statement gives it, for names
// and keys as long as the ERP's columns take.
void TestIndiceCatalogo::filasPorArticulo()
{
    fb::Connection c;
    c.setParams(testsupport::embeddedParams(m_catalogo.base));
    c.open();
    fb::Transaction t(c);
    t.start();
    const std::vector<std::int32_t> lista{800007, 800003, 7777777, 800007, 800001};
    const auto filas =
        articulosDe(t, catalogo::kSqlPorArticulos, QStringLiteral("c_ids"), catalogo::listaArticulos(lista));
    QCOMPARE(filas, (std::vector<std::int32_t>{800007, 800003, 800007, 800001}));
    // The columns are those of the search's statement for the same article.
    // Every article at once.
    QStringList porId = testsupport::queryRows(
        t, catalogo::kSqlPorArticulos,
        {{QStringLiteral("c_ids"),
          catalogo::listaArticulos(std::vector<std::int32_t>(m_existentes.begin(), m_existentes.end()))},
         {QStringLiteral("n_cliente_id"), 1},
         {QStringLiteral("n_precio_id"), 1},
         {QStringLiteral("n_almacen_id"), 1}});
    QStringList porNombre = testsupport::queryRows(t, catalogo::kSqlBuscarNombre,
                                                   {{QStringLiteral("c_nombre"), QStringLiteral("%")},
                                                    {QStringLiteral("n_cliente_id"), 1},
                                                    {QStringLiteral("n_precio_id"), 1},
                                                    {QStringLiteral("n_almacen_id"), 1}});
    QCOMPARE(porId.size(), qsizetype(m_existentes.size()));
    porId.sort();
    porNombre.sort();
    QCOMPARE(porId, porNombre);
    // The data holds what is compared: names and first keys as long as the columns take.
    const auto conLargo = [&porId](int columna, int largo) {
        return std::count_if(porId.begin(), porId.end(),
                             [&](const QString& fila) { return fila.split(u'|').value(columna).size() == largo; });
    };
    QVERIFY(conLargo(1, kLargoNombre) >= 10);
    for (int largo = 21; largo <= kLargoClave; ++largo)
        QVERIFY2(conLargo(2, largo) > 0, qPrintable(QString::number(largo)));
    t.commit();
}

// Built in the background once the connection is known; a change reaches it at the next build.
void TestIndiceCatalogo::seConstruyeYRefresca()
{
    const QStringList params = testsupport::embeddedParams(m_catalogo.base);
    catalogo::IndiceCatalogo indice([&params] { return params; });
    QVERIFY(!indice.listo());
    QVERIFY(!indice.porNombre(QStringLiteral("%")).has_value());
    QSignalSpy construido(&indice, &catalogo::IndiceCatalogo::construido);
    QVERIFY(construido.wait(20000));
    QVERIFY(indice.listo());
    QCOMPARE(indice.porNombre(QStringLiteral("%zzqq nuevo%"))->size(), std::size_t(0));
    // Outside ISO8859_1: the statement answers (with its own message).
    QVERIFY(!indice.porNombre(QStringLiteral("%€%")).has_value());

    testsupport::runSql(params,
                        QStringLiteral("insert into articulos (articulo_id, nombre) values (799999, 'ZZQQ Nuevo');\n"
                                       "update articulos set nombre = 'renombrado zzqq' where articulo_id = 800002;\n"
                                       "delete from claves_articulos where articulo_id = 800005;\n"
                                       "delete from articulos where articulo_id = 800005;"));
    indice.reconstruir();
    QVERIFY(construido.wait(20000));
    QCOMPARE(ordenada(*indice.porNombre(QStringLiteral("%zzqq%"))), (std::vector<std::int32_t>{799999, 800002}));
    const auto borrado = indice.porNombre(catalogo::patronNombre(m_catalogo.nombres[5], true));
    QVERIFY(borrado.has_value());
    QVERIFY(std::find(borrado->begin(), borrado->end(), 800005) == borrado->end());
    testsupport::runSql(params, QStringLiteral("delete from articulos where articulo_id = 799999;"));
}

// A copy of the catalogue with only the generated articles (the company's own have ids far
// below: the blocks would be sized for that span), less the two at an edge.
QStringList TestIndiceCatalogo::copiaParaRefrescos(const QTemporaryDir& carpeta)
{
    const QString base = carpeta.filePath(QStringLiteral("copia.fdb"));
    if (!carpeta.isValid() || !QFile::copy(m_catalogo.base, base))
        return {};
    const QStringList params = testsupport::embeddedParams(base);
    testsupport::runSql(params, QStringLiteral("delete from claves_articulos where articulo_id < 800000 "
                                               "or articulo_id in (800383, 800384);\n"
                                               "delete from articulos where articulo_id < 800000 "
                                               "or articulo_id in (800383, 800384);"));
    return params;
}

// Blocks of 128 ids in the test's catalogue (800000 starts one): edges at 800000 + 128 k.
constexpr int kArticulosPorBloqueDePrueba = 100;
constexpr int kDesplazamientoDePrueba = 7;

// A change made by another connection reaches the index through the fingerprints of its blocks
// alone: the blocks that changed are read again, and what the index then holds is what a whole
// read of the same data holds, text by text and fingerprint by fingerprint. The catalogue has
// articles 800000 to 801559 but 800383 and 800384 (the last of one block and the first of the
// next).
void TestIndiceCatalogo::refrescoComoLecturaEntera_data()
{
    QTest::addColumn<QString>("cambios"); // {n}: the name of article n, quoted
    QTest::addColumn<int>("bloques");     // read again; -1: a whole read instead
    QTest::newRow("sin cambios") << QString() << 0;
    QTest::newRow("renombrado") << QStringLiteral("update articulos set nombre = 'Renombrado ÁRBOL' "
                                                  "where articulo_id = 800010;")
                                << 1;
    QTest::newRow("solo mayúsculas") << QStringLiteral("update articulos set nombre = upper(nombre) "
                                                       "where articulo_id = 800011;")
                                     << 1;
    QTest::newRow("nuevos a ambos lados de un borde")
        << QStringLiteral("insert into articulos (articulo_id, nombre) values (800383, 'Último del bloque');\n"
                          "insert into articulos (articulo_id, nombre) values (800384, 'Primero del siguiente');\n"
                          "insert into claves_articulos values (990001, 'BORDE-A', 800383, null);\n"
                          "insert into claves_articulos values (990002, 'BORDE-B', 800384, null);")
        << 2;
    QTest::newRow("bloque nuevo tras el último")
        << QStringLiteral("insert into articulos (articulo_id, nombre) values (801920, 'Lejos ñandú');\n"
                          "insert into claves_articulos values (990003, 'LEJOS', 801920, null);")
        << 1;
    QTest::newRow("bloque vaciado") << QStringLiteral(
                                           "delete from claves_articulos where articulo_id between 800128 and 800255;\n"
                                           "delete from articulos where articulo_id between 800128 and 800255;")
                                    << 1;
    QTest::newRow("clave añadida, cambiada y borrada, en tres bloques")
        << QStringLiteral("insert into claves_articulos values (990004, 'AÑADIDA', 800500, null);\n"
                          "update claves_articulos set clave_articulo = 'CAMBIADA' where clave_articulo_id = "
                          "(select min(clave_articulo_id) from claves_articulos where articulo_id between 800640 "
                          "and 800767);\n"
                          "delete from claves_articulos where clave_articulo_id = (select min(clave_articulo_id) "
                          "from claves_articulos where articulo_id between 800896 and 801023);")
        << 3;
    QTest::newRow("clave pasada al artículo de al lado")
        << QStringLiteral("update claves_articulos set articulo_id = articulo_id + 1 where clave_articulo_id = "
                          "(select min(clave_articulo_id) from claves_articulos where articulo_id between 800640 "
                          "and 800766);")
        << 1;
    QTest::newRow("nombres intercambiados")
        << QStringLiteral("update articulos set nombre = {800021} where articulo_id = 800020;\n"
                          "update articulos set nombre = {800020} where articulo_id = 800021;")
        << 1;
    QTest::newRow("artículo borrado con sus claves")
        << QStringLiteral("delete from claves_articulos where articulo_id = 801000;\n"
                          "delete from articulos where articulo_id = 801000;")
        << 1;
    QTest::newRow("clave de un artículo que no existe, donde no hay artículos")
        << QStringLiteral("insert into claves_articulos values (990005, 'HUERFANA', 802500, null);") << 1;
    QTest::newRow("casi todo renombrado") << QStringLiteral("update articulos set nombre = nombre || '.' "
                                                            "where articulo_id < 801400;")
                                          << -1;
}

void TestIndiceCatalogo::refrescoComoLecturaEntera()
{
    QFETCH(QString, cambios);
    QFETCH(int, bloques);
    QTemporaryDir carpeta;
    const QStringList params = copiaParaRefrescos(carpeta);
    QVERIFY(!params.isEmpty());
    // {n}: the name article n had when the catalogue was made.
    static const QRegularExpression nombreDe(QStringLiteral("\\{(\\d+)\\}"));
    for (QRegularExpressionMatch m = nombreDe.match(cambios); m.hasMatch(); m = nombreDe.match(cambios)) {
        QString nombre = m_catalogo.nombres[m.captured(1).toInt() - 800000];
        cambios.replace(m.capturedStart(), m.capturedLength(),
                        u'\'' + nombre.replace(u'\'', QStringLiteral("''")) + u'\'');
    }

    catalogo::IndiceCatalogo indice([&params] { return params; }, nullptr, kArticulosPorBloqueDePrueba);
    QSignalSpy revisado(&indice, &catalogo::IndiceCatalogo::revisado);
    QVERIFY(revisado.wait(20000));
    const auto antes = indice.datos();
    QCOMPARE(antes->nombres.desplazamiento(), kDesplazamientoDePrueba);
    QVERIFY(antes->huellas.has_value());
    QVERIFY(antes->huellas->size() > 10);

    if (!cambios.isEmpty())
        testsupport::runSql(params, cambios);
    indice.reconstruir();
    QTRY_COMPARE_WITH_TIMEOUT(revisado.count(), 2, 20000);
    const catalogo::IndiceCatalogo::Actividad hecho = indice.actividad();
    const auto despues = indice.datos();
    if (bloques < 0) {
        QCOMPARE(hecho.lecturasCompletas, 2);
    } else {
        QCOMPARE(hecho.lecturasCompletas, 1);
        QCOMPARE(hecho.revisiones, 1);
        QCOMPARE(hecho.bloquesReleidos, std::size_t(bloques));
        if (bloques == 0) {
            // Nothing changed: the fingerprints' rows were all it read, and the build stays.
            QCOMPARE(hecho.filasLeidas, antes->huellas->size());
            QCOMPARE(despues, antes);
        }
    }

    std::atomic<bool> parar{false};
    const auto entero = catalogo::construirIndice(params, parar, catalogo::tablaPlegado(), kArticulosPorBloqueDePrueba);
    QVERIFY(entero);
    QCOMPARE(entero->nombres.desplazamiento(), kDesplazamientoDePrueba);
    for (const auto columna : {&catalogo::DatosIndice::nombres, &catalogo::DatosIndice::claves}) {
        const auto refrescado = ((*despues).*columna).contenido();
        const auto leido = ((*entero).*columna).contenido();
        const auto diferencia = std::mismatch(refrescado.begin(), refrescado.end(), leido.begin(), leido.end());
        QVERIFY2(diferencia.first == refrescado.end() && diferencia.second == leido.end(),
                 qPrintable(QStringLiteral("%1 texts refreshed, %2 read; first difference at %3")
                                .arg(refrescado.size())
                                .arg(leido.size())
                                .arg(diferencia.first - refrescado.begin())));
    }
    QVERIFY(despues->huellas == entero->huellas);
    if (!cambios.isEmpty())
        QVERIFY(antes->huellas != entero->huellas);

    // The next refresh finds nothing to read again.
    indice.reconstruir();
    QTRY_COMPARE_WITH_TIMEOUT(revisado.count(), 3, 20000);
    QCOMPARE(indice.actividad().bloquesReleidos, hecho.bloquesReleidos);
    QCOMPARE(indice.datos(), despues);
}

// The refreshes' attachment killed: the refresh that finds it gone fails, the next one attaches
// again and still follows the fingerprints, with no whole read.
void TestIndiceCatalogo::refrescoTrasPerderLaConexion()
{
    QTemporaryDir carpeta;
    const QStringList params = copiaParaRefrescos(carpeta);
    QVERIFY(!params.isEmpty());
    catalogo::IndiceCatalogo indice([&params] { return params; }, nullptr, kArticulosPorBloqueDePrueba);
    QSignalSpy revisado(&indice, &catalogo::IndiceCatalogo::revisado);
    QVERIFY(revisado.wait(20000));
    indice.reconstruir();
    QTRY_COMPARE_WITH_TIMEOUT(revisado.count(), 2, 20000);

    testsupport::runSql(params, QStringLiteral("delete from mon$attachments where mon$attachment_id <> "
                                               "current_connection and mon$system_flag = 0;\n"
                                               "update articulos set nombre = 'Tras la caída' "
                                               "where articulo_id = 800700;"));
    QTRY_VERIFY_WITH_TIMEOUT((indice.reconstruir(), revisado.count() >= 3), 20000);
    const auto hecho = indice.actividad();
    QCOMPARE(hecho.lecturasCompletas, 1);
    QVERIFY(hecho.revisiones >= 2); // more when a wake-up came during a refresh
    QCOMPARE(hecho.bloquesReleidos, std::size_t(1));
    QCOMPARE(*indice.porNombre(QStringLiteral("tras la caida")), std::vector<std::int32_t>{800700});
}

LUMIVO_TEST_GUILESS_MAIN(TestIndiceCatalogo)
#include "tst_indicecatalogo.moc"
