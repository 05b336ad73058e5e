#pragma once

// The scan log's tables on a test company: the log's script as the program carries it, the
// reports' indexes, and rows written as the stations write them. Header only; its users link
// lumivo_data and lumivo_reportes.

#include "TestDatabases.h"
#include "firebird/Connection.h"
#include "firebird/Query.h"
#include "firebird/ScriptRunner.h"
#include "firebird/Transaction.h"
#include "reports/IndicesReportes.h"

#include <QDateTime>
#include <QFile>
#include <optional>
#include <stdexcept>
#include <vector>

// Outside any namespace, as Q_INIT_RESOURCE wants: the script is a resource of the data library.
inline QString scriptRegistroConsultas()
{
    static const bool iniciados = [] {
        Q_INIT_RESOURCE(instalacion);
        return true;
    }();
    Q_UNUSED(iniciados);
    QFile archivo(QStringLiteral(":/sql/Registro.sql"));
    if (!archivo.open(QIODevice::ReadOnly))
        throw std::runtime_error("Cannot read the scan log's script");
    return QString::fromUtf8(archivo.readAll());
}

namespace pruebas {

struct Consulta {
    QDateTime fechaHora;
    QString estacion;
    QString clave;
    char resultado;
    std::optional<int> articulo;
};

struct Estacion {
    QString nombre;
    std::optional<int> segundosDesdeLatido; // before the server's clock; none: never beat
    QString ultimoError;
    QDateTime ultimaConsulta;
};

// Creates the log's tables and the reports' indexes on the company database.
inline void crearRegistro(const QStringList& parametros)
{
    fb::Connection c;
    c.setParams(parametros);
    c.open();
    fb::Transaction t(c);
    t.start();
    QString errores;
    for (const QString& script : {scriptRegistroConsultas(), scriptIndicesReportes()}) {
        for (const fb::ScriptFailure& f : fb::runScript(t, script, fb::ScriptDdl::CommitEach))
            errores += QStringLiteral("\n%1\n  %2").arg(f.statement.left(120), f.message);
    }
    if (!errores.isEmpty())
        throw std::runtime_error(("The scan log's scripts failed:" + errores).toStdString());
    t.commit();
}

inline void escribirRegistro(const QStringList& parametros, const std::vector<Consulta>& consultas,
                             const std::vector<Estacion>& estaciones = {})
{
    fb::Connection c;
    c.setParams(parametros);
    c.open();
    fb::Transaction t(c);
    t.start();
    fb::Query q(t);
    q.setSql(QStringLiteral("insert into ZANTOR_LMV_CONSULTAS (FECHA_HORA, ESTACION, CLAVE, RESULTADO, ARTICULO_ID)"
                            " values (:f, :e, :c, :r, :a)"));
    for (const Consulta& k : consultas) {
        q.setParam(QStringLiteral("f"), k.fechaHora);
        q.setParam(QStringLiteral("e"), k.estacion);
        q.setParam(QStringLiteral("c"), k.clave);
        q.setParam(QStringLiteral("r"), QString(QLatin1Char(k.resultado)));
        q.setParam(QStringLiteral("a"), k.articulo ? fb::Value(*k.articulo) : fb::Value());
        q.execute();
    }
    fb::Query e(t);
    e.setSql(
        QStringLiteral("insert into ZANTOR_LMV_ESTACIONES (ESTACION, HOST, VERSION_PROGRAMA, EMPRESA, INICIO, LATIDO,"
                       " ULTIMA_CONSULTA, ULTIMO_ERROR, KIOSCO, INDICE_LISTO)"
                       " values (:e, lower(cast(:e as varchar(60))), '3.3.0.0', 'DEMO', current_timestamp,"
                       " dateadd(-cast(:s as integer) second to current_timestamp), :u, :x, 'S', 'S')"));
    for (const Estacion& s : estaciones) {
        e.setParam(QStringLiteral("e"), s.nombre);
        e.setParam(QStringLiteral("s"), s.segundosDesdeLatido ? fb::Value(*s.segundosDesdeLatido) : fb::Value());
        e.setParam(QStringLiteral("u"), s.ultimaConsulta);
        e.setParam(QStringLiteral("x"), s.ultimoError.isEmpty() ? fb::Value() : fb::Value(s.ultimoError));
        e.execute();
    }
    t.commit();
}

// A small log around `hoy` with known counts in every period, its edges on the periods' bounds:
// keys not found and misread, a key holding a comma and a quote, a station named with a comma, a
// row at midnight that starts a period and one at the midnight that ends it, found articles (one
// without price lists, one whose only key has no role); three stations, one alive, one whose
// heartbeat is stale and one that never beat.
inline std::vector<Consulta> registroConocido(QDate hoy)
{
    auto a = [hoy](int dias, int h, int m, int s = 0, int ms = 0) {
        return QDateTime(hoy.addDays(dias), QTime(h, m, s, ms));
    };
    const QString caja1 = QStringLiteral("Caja 1");
    const QString caja2 = QStringLiteral("Caja 2");
    const QString pasillo = QStringLiteral("Pasillo, norte");
    const QString rara = QStringLiteral("ABC,\"12\"");
    return {
        {a(0, 9, 15), caja1, QStringLiteral("7500000000001"), 'N', {}},
        {a(0, 11, 40), caja2, QStringLiteral("7500000000001"), 'N', {}},
        {a(0, 0, 0), caja1, rara, 'N', {}},
        {a(-1, 23, 59, 59, 999), caja1, QStringLiteral("7500000000001"), 'N', {}},
        {a(-6, 0, 0), pasillo, QStringLiteral("999"), 'M', {}},
        {a(-7, 23, 59, 59, 999), caja2, QStringLiteral("999"), 'M', {}},
        {a(-29, 0, 0), caja1, QStringLiteral("OLD"), 'N', {}},
        {a(-30, 12, 0), caja1, QStringLiteral("OLDER"), 'N', {}},
        {a(1, 0, 0), caja1, QStringLiteral("MAÑANA"), 'N', {}},
        {a(0, 10, 0), caja1, QStringLiteral("7501055300075"), 'E', 1001},
        {a(0, 10, 5), caja2, QStringLiteral("CCL600"), 'E', 1001},
        {a(0, 10, 30), caja1, QStringLiteral("07501055300075"), 'Q', 1001},
        {a(0, 12, 0), caja2, QStringLiteral("JALAPEÑO-GR"), 'E', 1006},
        {a(0, 13, 0), caja1, QStringLiteral("2000123001250"), 'B', 1006},
        {a(-3, 10, 0), caja2, QStringLiteral("cafe"), 'C', 1005},
        {a(-2, 18, 0), pasillo, QStringLiteral("BOLSA-ECO"), 'E', 1011},
        {a(-2, 18, 30), pasillo, QStringLiteral("TORN-14X2"), 'E', 1012},
    };
}

inline std::vector<Estacion> estacionesConocidas(QDate hoy)
{
    return {
        {QStringLiteral("Caja 1"), 10, {}, QDateTime(hoy, QTime(13, 0))},
        {QStringLiteral("Caja 2"), 600, QStringLiteral("Sin respuesta del servidor"), QDateTime(hoy, QTime(12, 0))},
        {QStringLiteral("Pasillo, norte"), std::nullopt, {}, {}},
    };
}

} // namespace pruebas
