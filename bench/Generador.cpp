#include "Generador.h"

#include "firebird/Connection.h"
#include "firebird/Query.h"
#include "firebird/Transaction.h"
#include "tools/lumivo-demo/Articulos.h"
#include "tools/lumivo-demo/EscritorArticulos.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <array>
#include <cstdio>
#include <random>
#include <stdexcept>

namespace bench {
namespace {

[[noreturn]] void fallar(const QString& mensaje)
{
    throw std::runtime_error(mensaje.toStdString());
}

void avisar(const QString& texto)
{
    std::fprintf(stderr, "%s\n", qPrintable(texto));
    std::fflush(stderr);
}

QString leerScript(const QString& nombre)
{
    QFile archivo(QStringLiteral(LUMIVO_SOURCE_DIR "/testdata/microsip/") + nombre);
    if (!archivo.open(QIODevice::ReadOnly))
        fallar(QStringLiteral("No se puede leer %1").arg(archivo.fileName()));
    return QString::fromUtf8(archivo.readAll());
}

// Forced writes make every page write of a bulk load synchronous; the load runs without them and
// the finished database gets them back, as a shop's server database has them.
void escrituraForzada(const QString& ruta, bool activa)
{
    const QString gfix = QStandardPaths::findExecutable(QStringLiteral("gfix"));
    if (gfix.isEmpty())
        return;
    QProcess p;
    p.start(gfix, {QStringLiteral("-write"), activa ? QStringLiteral("sync") : QStringLiteral("async"), ruta,
                   QStringLiteral("-user"), QStringLiteral("SYSDBA")});
    if (!p.waitForFinished(120000) || p.exitCode() != 0)
        avisar(QStringLiteral("aviso: gfix -write no se pudo aplicar: %1")
                   .arg(QString::fromLocal8Bit(p.readAllStandardError()).trimmed()));
}

const std::array<const char*, 32> kVariedades = {
    "edición económica",  "presentación familiar",
    "sabor original",     "bajo en sodio",
    "sin azúcar añadida", "receta de la abuela",
    "empaque ahorrador",  "tamaño jumbo",
    "estilo casero",      "con chile piquín",
    "sabor limón",        "reducido en grasa",
    "edición limitada",   "versión clásica",
    "marca propia",       "de temporada",
    "importado",          "orgánico",
    "extra fino",         "línea premium",
    "para llevar",        "cosecha selecta",
    "tradicional",        "sabor vainilla",
    "con canela",         "natural",
    "integral",           "light",
    "paquete escolar",    "línea hogar",
    "de la región",       "con piña",
};

struct Almacen {
    int id;
    const char* nombre;
    const char* abrev;
};
// The stand-in database has 19, 20 and 21.
const std::array<Almacen, 7> kAlmacenesNuevos = {{{22, "Sucursal Centro", "CENTRO"},
                                                  {23, "Sucursal Poniente", "PONIENTE"},
                                                  {24, "Bodega de temporada", "TEMPORADA"},
                                                  {25, "Sucursal Jardín", "JARDIN"},
                                                  {26, "Cámara fría", "FRIO"},
                                                  {27, "Sucursal Pénjamo", "PENJAMO"},
                                                  {28, "Devoluciones y mermas", "MERMAS"}}};
constexpr std::array<int, 10> kAlmacenes = {19, 20, 21, 22, 23, 24, 25, 26, 27, 28};

// List id and percentage of the list price; 42, 450 and 451 are the stand-in's, 450 the station's.
struct Lista {
    int id;
    int porCiento;
};
constexpr std::array<Lista, 5> kListas = {{{42, 100}, {450, 92}, {451, 95}, {452, 96}, {453, 85}}};

constexpr std::array<const char*, 9> kPrefijos = {"ABA", "BEB", "DUL", "PAP", "FIE", "LAC", "LIM", "BOT", "HIG"};

constexpr int kPoliticaVolumen = 11; // the first enabled policy: POLITICA_VOL_ID 0 means it
constexpr int kOfertaBench = 4;
constexpr int kArticulosPorTransaccion = 5000;

QString codigoBarras(int id)
{
    const QString doce = QStringLiteral("7505%1").arg(id, 8, 10, QLatin1Char('0'));
    return doce + QString::number(demo::DigitoVerificador(doce));
}

void insertarReferencias(fb::Transaction& t)
{
    demo::EscritorArticulos filas(t);
    for (const demo::Linea& l : demo::LineasNuevas())
        filas.linea(l.id, QString::fromUtf8(l.nombre));
    for (const Almacen& a : kAlmacenesNuevos)
        filas.almacen(a.id, QString::fromUtf8(a.nombre), QString::fromLatin1(a.abrev));
    filas.listaPrecios(452, QStringLiteral("Medio mayoreo"), 4);
    filas.listaPrecios(453, QStringLiteral("Precio empleados"), 5);
    filas.oferta(kOfertaBench, QStringLiteral("Promociones de temporada"));
}

void insertarArticulos(fb::Connection& conexion, int cuantos)
{
    std::vector<QString> nombresBase;
    for (const demo::Articulo& a : demo::GenerarArticulos(1))
        nombresBase.push_back(a.nombre);
    const int base = int(nombresBase.size());
    const int combinaciones = base * int(kVariedades.size());

    std::mt19937 azar(4242);
    const auto entre = [&azar](int desde, int hasta) { return std::uniform_int_distribution<int>(desde, hasta)(azar); };

    fb::Transaction t(conexion);
    t.start();
    demo::EscritorArticulos filas(t);

    int claveId = 100000;
    int nivelId = 100000;
    int comboId = 100000;
    QElapsedTimer reloj;
    reloj.start();
    for (int n = 0; n < cuantos; ++n) {
        const int id = kPrimerArticulo + n;
        QString nombre = nombresBase[size_t(n % base)] + QLatin1Char(' ') +
                         QString::fromUtf8(kVariedades[size_t((n / base) % int(kVariedades.size()))]);
        if (n >= combinaciones)
            nombre += QStringLiteral(" %1").arg(n / combinaciones + 1);
        const int linea = 1 + n % int(kPrefijos.size());
        static constexpr int kContenidos[] = {1, 6, 12, 24};
        filas.articulo(id, nombre, linea, QStringLiteral("PZA"), QStringLiteral("CAJA"),
                       fb::Decimal{kContenidos[entre(0, 3)], 0});

        const QStringList claves = clavesDe(n);
        static constexpr int kRoles[] = {17, 18, 19};
        for (int k = 0; k < claves.size(); ++k)
            filas.clave(++claveId, claves[k], id, kRoles[k]);

        // List prices end in 0 or 50 cents.
        const std::int64_t lista = std::int64_t(entre(10, 1000)) * 50;
        for (const Lista& l : kListas)
            filas.precio(id, l.id, fb::Decimal{(lista * l.porCiento + 50) / 100, 2});

        // Three distinct warehouses of ten, each with a shelf location.
        std::array<int, 10> orden = kAlmacenes;
        for (int i = 0; i < 3; ++i)
            std::swap(orden[size_t(i)], orden[size_t(entre(i, 9))]);
        for (int i = 0; i < 3; ++i) {
            const int almacen = orden[size_t(i)];
            filas.existencia(id, almacen, fb::Decimal{entre(0, 500), 0});
            filas.localizacion(++nivelId, id, almacen,
                               QStringLiteral("%1-%2-%3")
                                   .arg(QChar(u'A' + entre(0, 7)))
                                   .arg(entre(1, 30), 2, 10, QLatin1Char('0'))
                                   .arg(entre(1, 6), 2, 10, QLatin1Char('0')));
        }

        const int compras = entre(0, 3);
        for (int c = 0; c < compras; ++c)
            filas.compra(id, QDate(2024, 1, 1).addDays(entre(0, 700)));

        if (n % 4 == 0) {
            for (const auto& [unidades, descuento] : {std::pair{6, 3}, std::pair{12, 5}, std::pair{24, 8}})
                filas.pasoVolumen(kPoliticaVolumen, id, unidades, descuento);
        }
        if (n % 10 == 0) {
            for (int unidades : {6, 12})
                filas.combo(++comboId, kOfertaBench, id, unidades, fb::Decimal{lista * (100 - unidades) / 100, 2});
        }

        if ((n + 1) % kArticulosPorTransaccion == 0) {
            t.commit();
            t.start();
            if ((n + 1) % 50000 == 0)
                avisar(QStringLiteral("  %1 artículos (%2 s)")
                           .arg(n + 1)
                           .arg(double(reloj.elapsed()) / 1000.0, 0, 'f', 1));
        }
    }
    t.commit();
}

void ejecutar(fb::Connection& conexion, const QStringList& sentencias)
{
    for (const QString& s : sentencias) {
        fb::Transaction t(conexion);
        t.start();
        fb::Query q(t);
        q.setSql(s);
        q.execute();
        t.commit();
    }
}

void construir(const QString& ruta, int articulos)
{
    fb::Connection conexion;
    conexion.setParams(parametros(ruta));
    conexion.create();
    demo::EjecutarFases(conexion, leerScript(QStringLiteral("company.sql")), fb::ScriptDdl::CommitEach);
    demo::InstalarObjetosEstacion(conexion);
    conexion.close();
    escrituraForzada(ruta, false);
    conexion.open();

    // The key indexes are rebuilt once at the end instead of being kept up row by row.
    const QStringList indices = {QStringLiteral("IX_CLAVES_ARTICULOS_CLAVE"),
                                 QStringLiteral("IX_CLAVES_ARTICULOS_ART")};
    QStringList desactivar, activar;
    for (const QString& i : indices) {
        desactivar << QStringLiteral("ALTER INDEX %1 INACTIVE").arg(i);
        activar << QStringLiteral("ALTER INDEX %1 ACTIVE").arg(i);
    }
    ejecutar(conexion, desactivar);
    {
        fb::Transaction t(conexion);
        t.start();
        insertarReferencias(t);
        // The catalogue search off, so an unknown key beeps.
        demo::AjustarConfiguracion(t, false);
        t.commit();
    }
    insertarArticulos(conexion, articulos);
    ejecutar(conexion, activar);
    // The ERP indexes the article of its detail tables; the stand-in schema, built for a few
    // dozen rows, does not, and every lookup would read these tables whole.
    ejecutar(conexion, {QStringLiteral("CREATE INDEX IX_BENCH_COMPRAS_ART ON STANDIN_COMPRAS (ARTICULO_ID)"),
                        QStringLiteral("CREATE INDEX IX_BENCH_POL_VOL_ART ON STANDIN_POL_VOL_DET (POLITICA_ID, "
                                       "ARTICULO_ID)"),
                        QStringLiteral("CREATE INDEX IX_BENCH_OFERTAS_DET_ART ON OFERTAS_MM_DET (ARTICULO_ID)")});
    conexion.close();
    escrituraForzada(ruta, true);
}

} // namespace

QString carpetaCache()
{
    QString raiz = qEnvironmentVariable("XDG_CACHE_HOME");
    if (raiz.isEmpty())
        raiz = QDir::homePath() + QStringLiteral("/.cache");
    const QString carpeta = raiz + QStringLiteral("/lumivo-bench");
    if (!QDir().mkpath(carpeta))
        fallar(QStringLiteral("No se puede crear %1").arg(carpeta));
    return carpeta;
}

QStringList parametros(const QString& ruta)
{
    return demo::ParametrosEmbebidos(ruta);
}

QStringList clavesDe(int n)
{
    const int id = kPrimerArticulo + n;
    QStringList claves{
        codigoBarras(id),
        QStringLiteral("%1-%2").arg(QString::fromLatin1(kPrefijos[size_t(n % int(kPrefijos.size()))])).arg(id)};
    if (n % 2 == 0)
        claves << QStringLiteral("PRV-%1").arg(id);
    return claves;
}

QString asegurarEmpresa(const QString& carpeta, int articulos)
{
    const QString ruta = QDir(carpeta).filePath(QStringLiteral("empresa-%1.fdb").arg(articulos));
    if (QFileInfo::exists(ruta))
        return ruta;
    const QString obra = ruta + QStringLiteral(".tmp");
    QFile::remove(obra);
    avisar(QStringLiteral("Generando %1 con %2 artículos ...").arg(ruta).arg(articulos));
    QElapsedTimer reloj;
    reloj.start();
    construir(obra, articulos);
    if (!QFile::rename(obra, ruta))
        fallar(QStringLiteral("No se pudo mover %1 a %2").arg(obra, ruta));
    avisar(QStringLiteral("  listo en %1 s, %2 MB")
               .arg(double(reloj.elapsed()) / 1000.0, 0, 'f', 1)
               .arg(double(QFileInfo(ruta).size()) / 1048576.0, 0, 'f', 0));
    return ruta;
}

QString copiarAlServidor(const QString& carpeta, int articulos, const QString& carpetaServidor)
{
    const QString origen = asegurarEmpresa(carpeta, articulos);
    const QString empresa = QStringLiteral("empresa-%1").arg(articulos);
    const QString ruta = QDir(carpetaServidor).filePath(empresa + QStringLiteral(".fdb"));
    if (!QFile::copy(origen, ruta))
        throw std::runtime_error("cannot copy the company database for the server");
    QFile::setPermissions(ruta, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return empresa;
}

} // namespace bench
