#include "ConsultasReportes.h"

#include "firebird/Query.h"
#include "firebird/Transaction.h"

#include <algorithm>

namespace reportes {

namespace {

const QString kSqlTablas =
    QStringLiteral("select trim(RDB$RELATION_NAME) from RDB$RELATIONS\n"
                   "where RDB$RELATION_NAME in ('ZANTOR_LMV_CONSULTAS', 'ZANTOR_LMV_ESTACIONES')");

// The stations are listed with a separator no station name holds, so they can be sorted and
// joined here whatever their names carry (a comma included). The list comes back as a text, not
// the blob LIST makes: a blob is one more call per row (thousands of keys); the width holds more
// than a hundred stations' names.
constexpr char16_t kSeparador = u'\x1f';
const QString kSqlNoEncontrados =
    QStringLiteral("select c.CLAVE, count(*) as VECES, min(c.FECHA_HORA) as PRIMERA, max(c.FECHA_HORA) as ULTIMA,\n"
                   "  cast(list(distinct c.ESTACION, ascii_char(31)) as varchar(8000)) as ESTACIONES\n"
                   "from ZANTOR_LMV_CONSULTAS c\n"
                   "where c.RESULTADO in ('N', 'M') and c.FECHA_HORA >= :desde and c.FECHA_HORA < :hasta\n"
                   "group by c.CLAVE\n"
                   "order by 2 desc, 1");

// The counts are taken first and only the top rows meet the catalogue and the price procedure.
const QString kSqlMasConsultados =
    QStringLiteral("select t.ARTICULO_ID,\n"
                   "  coalesce((select first 1 k.CLAVE_ARTICULO from CLAVES_ARTICULOS k\n"
                   "            join ROLES_CLAVES_ARTICULOS r on r.ROL_CLAVE_ART_ID = k.ROL_CLAVE_ART_ID\n"
                   "            where k.ARTICULO_ID = t.ARTICULO_ID and r.ES_PPAL = 'S' order by k.CLAVE_ARTICULO),\n"
                   "           (select first 1 k.CLAVE_ARTICULO from CLAVES_ARTICULOS k\n"
                   "            where k.ARTICULO_ID = t.ARTICULO_ID order by k.CLAVE_ARTICULO)) as CLAVE,\n"
                   "  a.NOMBRE, t.VECES, p.PRECION\n"
                   "from (select first :limite c.ARTICULO_ID, count(*) as VECES from ZANTOR_LMV_CONSULTAS c\n"
                   "      where c.ARTICULO_ID is not null and c.FECHA_HORA >= :desde and c.FECHA_HORA < :hasta\n"
                   "      group by c.ARTICULO_ID order by 2 desc, 1) t\n"
                   "left join ARTICULOS a on a.ARTICULO_ID = t.ARTICULO_ID\n"
                   "left join ZANTOR_LMV_LISTA(t.ARTICULO_ID, :cliente) p on p.PRECIO_EMPRESA_ID = :lista\n"
                   "order by t.VECES desc, t.ARTICULO_ID");

const QString kSqlPorHora =
    QStringLiteral("select extract(hour from c.FECHA_HORA) as HORA, c.ESTACION, count(*) as VECES\n"
                   "from ZANTOR_LMV_CONSULTAS c\n"
                   "where c.FECHA_HORA >= :desde and c.FECHA_HORA < :hasta\n"
                   "group by 1, 2");

const QString kSqlEstaciones =
    QStringLiteral("select e.ESTACION, e.HOST, e.VERSION_PROGRAMA, e.LATIDO, e.ULTIMA_CONSULTA, e.ULTIMO_ERROR,\n"
                   "  iif(e.LATIDO is not null and abs(datediff(millisecond from e.LATIDO to current_timestamp))\n"
                   "      <= %1 * 1000, 1, 0) as VIVA\n"
                   "from ZANTOR_LMV_ESTACIONES e\n"
                   "order by e.ESTACION")
        .arg(kSegundosVivo);

const QString kViva = QStringLiteral("En línea");
const QString kSinSenal = QStringLiteral("Sin señal");

Celda texto(const fb::Value& v)
{
    if (v.isNull())
        return {};
    return v.toString().trimmed();
}

Celda fecha(const fb::Value& v)
{
    if (const auto* f = std::get_if<QDateTime>(&v.storage()))
        return *f;
    return {};
}

void periodoEn(fb::Query& q, const Periodo& p)
{
    q.setParam(QStringLiteral("desde"), p.desde);
    q.setParam(QStringLiteral("hasta"), p.hasta);
}

} // namespace

QStringList titulosNoEncontrados()
{
    return {QStringLiteral("Clave"), QStringLiteral("Veces"), QStringLiteral("Primera vez"),
            QStringLiteral("Última vez"), QStringLiteral("Estaciones")};
}

QStringList titulosMasConsultados()
{
    return {QStringLiteral("Clave"), QStringLiteral("Artículo"), QStringLiteral("Veces"),
            QStringLiteral("Precio neto")};
}

QStringList titulosEstaciones()
{
    return {QStringLiteral("Estado"),      QStringLiteral("Estación"),      QStringLiteral("Equipo"),
            QStringLiteral("Versión"),     QStringLiteral("Último latido"), QStringLiteral("Última consulta"),
            QStringLiteral("Último error")};
}

Periodo periodo(OpcionPeriodo opcion, QDate hoy, QDate inicio, QDate fin)
{
    auto dias = [](QDate primero, QDate ultimo) {
        return Periodo{QDateTime(primero, QTime(0, 0)), QDateTime(ultimo.addDays(1), QTime(0, 0))};
    };
    switch (opcion) {
    case OpcionPeriodo::Hoy:
        return dias(hoy, hoy);
    case OpcionPeriodo::Semana:
        return dias(hoy.addDays(-6), hoy);
    case OpcionPeriodo::Mes:
        return dias(hoy.addDays(-29), hoy);
    case OpcionPeriodo::Rango:
        break;
    }
    return dias(std::min(inicio, fin), std::max(inicio, fin));
}

QStringList tablasFaltantes(fb::Transaction& transaccion)
{
    QStringList faltan{QStringLiteral("ZANTOR_LMV_CONSULTAS"), QStringLiteral("ZANTOR_LMV_ESTACIONES")};
    fb::Query q(transaccion);
    q.setSql(kSqlTablas);
    q.open();
    while (q.next())
        faltan.removeAll(q.value(0).toString());
    return faltan;
}

Tabla noEncontrados(fb::Transaction& transaccion, const Periodo& periodo)
{
    Tabla t;
    t.titulos = titulosNoEncontrados();
    fb::Query q(transaccion);
    q.setSql(kSqlNoEncontrados);
    periodoEn(q, periodo);
    q.open();
    while (q.next()) {
        QStringList estaciones = q.value(4).toString().split(kSeparador, Qt::SkipEmptyParts);
        for (QString& e : estaciones)
            e = e.trimmed();
        estaciones.sort(Qt::CaseInsensitive);
        t.filas.push_back({texto(q.value(0)), q.value(1).toInt64(), fecha(q.value(2)), fecha(q.value(3)),
                           estaciones.join(QStringLiteral(", "))});
    }
    return t;
}

Tabla masConsultados(fb::Transaction& transaccion, const Periodo& periodo, int clienteId, int listaId, int limite)
{
    Tabla t;
    t.titulos = titulosMasConsultados();
    fb::Query q(transaccion);
    q.setSql(kSqlMasConsultados);
    periodoEn(q, periodo);
    q.setParam(QStringLiteral("limite"), limite);
    q.setParam(QStringLiteral("cliente"), clienteId);
    q.setParam(QStringLiteral("lista"), listaId);
    q.open();
    while (q.next()) {
        const fb::Value& precio = q.value(4);
        Celda neto;
        if (!precio.isNull())
            neto = precio.toDecimal().rescaled(2);
        Celda nombre = texto(q.value(2));
        if (std::holds_alternative<std::monostate>(nombre))
            nombre = QStringLiteral("(artículo %1 ya no existe)").arg(q.value(0).toInt64());
        t.filas.push_back({texto(q.value(1)), nombre, q.value(3).toInt64(), neto});
    }
    return t;
}

std::array<std::int64_t, 24> PorHora::total() const
{
    std::array<std::int64_t, 24> suma{};
    for (const auto& [estacion, horas] : estaciones) {
        for (int h = 0; h < 24; ++h)
            suma[std::size_t(h)] += horas[std::size_t(h)];
    }
    return suma;
}

PorHora porHora(fb::Transaction& transaccion, const Periodo& periodo)
{
    PorHora r;
    fb::Query q(transaccion);
    q.setSql(kSqlPorHora);
    periodoEn(q, periodo);
    q.open();
    while (q.next()) {
        const int hora = q.value(0).toInt();
        if (hora < 0 || hora > 23)
            continue;
        auto [pos, nueva] = r.estaciones.try_emplace(q.value(1).toString().trimmed());
        if (nueva)
            pos->second.fill(0);
        pos->second[std::size_t(hora)] += q.value(2).toInt64();
    }
    return r;
}

Estaciones estaciones(fb::Transaction& transaccion)
{
    Estaciones r;
    r.tabla.titulos = titulosEstaciones();
    fb::Query q(transaccion);
    q.setSql(kSqlEstaciones);
    q.open();
    while (q.next()) {
        const bool viva = q.value(6).toInt() == 1;
        r.vivas.push_back(viva);
        r.tabla.filas.push_back({viva ? kViva : kSinSenal, texto(q.value(0)), texto(q.value(1)), texto(q.value(2)),
                                 fecha(q.value(3)), fecha(q.value(4)), texto(q.value(5))});
    }
    return r;
}

} // namespace reportes
