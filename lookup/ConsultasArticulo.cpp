#include "ConsultasArticulo.h"

namespace consultas {

const QString kSqlPrecios = QStringLiteral("SELECT * FROM ZANTOR_LMV_LISTA (:V_ARTICULO_ID,:v_CLIENTE_ID)");

const QString kSqlVolumen =
    QStringLiteral("SELECT CANTIDAD, DESCUENTO, '$' || PRECIO_UNIT AS PRE_UNIT, "
                   "'$' || MONTO AS MONTO FROM ZANTOR_LMV_POL_VOL(:N_AID,:N_POLITICA_ID,:N_PRECIO)");

// The offer lines of the article whose offer is enabled and whose discount is a special
// price per piece ('P').
const QString kSqlCombos = QStringLiteral("select 'POR CAJA' as CONCEPTO, d.unidades_minimas as UNIDADES_MINIMAS,\n"
                                          "d.precio_especial as PRECIO_POR_PZ,\n"
                                          "d.unidades_minimas * d.precio_especial as IMPORTE\n"
                                          "from ofertas_mm_det d\n"
                                          "left join ofertas_mm o on o.oferta_mm_id = d.oferta_mm_id\n"
                                          "left join articulos a on a.articulo_id = d.articulo_id\n"
                                          "where d.articulo_id = :N_ARTICULO_ID\n"
                                          "and o.habilitada = 'S'\n"
                                          "and d.tipo_dscto = 'P'");

const QString kSqlAlmacen =
    QStringLiteral("select a.nombre, e.existencia,n.localizacion from exival_alms_art (:n_Articulo_id,'Today','N') e "
                   "left join almacenes a on a.almacen_id =e.almacen_id left join niveles_articulos n on "
                   "n.articulo_id =e.articulo_id and n.almacen_id =e.almacen_id");

const QString kSqlClaves = QStringLiteral("select r.nombre,c.clave_articulo as Clave  from claves_articulos c\n"
                                          "left join roles_claves_articulos r\n"
                                          "on r.rol_clave_art_id =c.rol_clave_art_id \n"
                                          "where c.articulo_id =:n_articulo_id\n"
                                          "/*and c.rol_clave_art_id =18*/\n"
                                          "order by r.nombre ");

const QString& sqlPrecios(int ordenPrecio)
{
    // Built once: every scan asks for it.
    static const QString porNeto = kSqlPrecios + QStringLiteral(" Order by PRECION");
    static const QString porNetoDesc = kSqlPrecios + QStringLiteral(" Order by PRECION DESC");
    static const QString porNombre = kSqlPrecios + QStringLiteral(" Order by NOMBRE");
    switch (ordenPrecio) {
    case 0:
        return porNeto;
    case 1:
        return porNetoDesc;
    case 2:
        return porNombre;
    default:
        return kSqlPrecios;
    }
}

} // namespace consultas
