#include "ConsultasEscaparate.h"

#include "firebird/Query.h"
#include "rules/AjustesConsulta.h"
#include "rules/Formato.h"

namespace escaparate {

const QString kSqlCombos = QStringLiteral("select first %1 o.nombre as OFERTA, a.nombre as ARTICULO,\n"
                                          "d.unidades_minimas as UNIDADES_MINIMAS,\n"
                                          "d.precio_especial as PRECIO_POR_PZ,\n"
                                          "d.unidades_minimas * d.precio_especial as IMPORTE\n"
                                          "from ofertas_mm_det d\n"
                                          "join ofertas_mm o on o.oferta_mm_id = d.oferta_mm_id\n"
                                          "join articulos a on a.articulo_id = d.articulo_id\n"
                                          "where o.habilitada = 'S'\n"
                                          "and d.tipo_dscto = 'P'\n"
                                          "order by o.nombre, a.nombre, d.unidades_minimas")
                               .arg(kTarjetasPorRonda);

// The price procedure per article keeps the net price exactly the lookup's: the same customer
// discount, the same rounding.
const QString kSqlLista = QStringLiteral("select first %1 a.nombre as ARTICULO, l.NOMBRE as LISTA, l.PRECION\n"
                                         "from articulos a\n"
                                         "join ZANTOR_LMV_LISTA(a.articulo_id, :v_CLIENTE_ID) l\n"
                                         "on l.PRECIO_EMPRESA_ID = :N_LISTA_ID\n"
                                         "where a.estatus = 'A' and l.PRECION is not null\n"
                                         "order by a.nombre")
                              .arg(kTarjetasPorRonda);

std::vector<TarjetaEscaparate> leerCombos(fb::Query& consulta, const QLocale& locale)
{
    consulta.close();
    consulta.setSql(kSqlCombos);
    consulta.open();
    std::vector<TarjetaEscaparate> tarjetas;
    while (consulta.next()) {
        TarjetaEscaparate t;
        t.encabezado = consulta.value(QStringLiteral("OFERTA")).toString().trimmed();
        t.articulo = consulta.value(QStringLiteral("ARTICULO")).toString().trimmed();
        t.precio = formato::moneda(consulta.value(QStringLiteral("PRECIO_POR_PZ")).toDecimal(), locale);
        t.detalle = QStringLiteral("Llevando %1: %2")
                        .arg(formato::numero(consulta.value(QStringLiteral("UNIDADES_MINIMAS")).toDecimal(), locale),
                             formato::moneda(consulta.value(QStringLiteral("IMPORTE")).toDecimal(), locale));
        tarjetas.push_back(std::move(t));
    }
    consulta.close();
    return tarjetas;
}

std::vector<TarjetaEscaparate> leerLista(fb::Query& consulta, const AjustesConsulta& ajustes, int listaPrecios,
                                         const QLocale& locale)
{
    std::vector<TarjetaEscaparate> tarjetas;
    if (listaPrecios <= 0)
        return tarjetas;
    consulta.close();
    consulta.setSql(kSqlLista);
    consulta.setParam(QStringLiteral("v_CLIENTE_ID"), ajustes.ClienteEventualId);
    consulta.setParam(QStringLiteral("N_LISTA_ID"), listaPrecios);
    consulta.open();
    while (consulta.next()) {
        TarjetaEscaparate t;
        t.encabezado = consulta.value(QStringLiteral("LISTA")).toString().trimmed();
        t.articulo = consulta.value(QStringLiteral("ARTICULO")).toString().trimmed();
        t.precio = formato::moneda(consulta.value(QStringLiteral("PRECION")).toDecimal(), locale);
        tarjetas.push_back(std::move(t));
    }
    consulta.close();
    return tarjetas;
}

} // namespace escaparate
