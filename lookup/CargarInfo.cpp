#include "CargarInfo.h"

#include "data/uDM.h"
#include "layout/Colores.h"
#include "lookup/AjustesConsulta.h"

namespace {

const QString kSqlConfig = QStringLiteral("select * from ZANTOR_LMV_CONFIG a \nwhere a.configuracion = :c_config");

// Runs the reading query for one key; true when it returned a row, which is then current.
bool leerClave(Tdm& dm, const QString& clave)
{
    fb::Query& q = dm.fdVarios;
    q.close();
    q.setSql(kSqlConfig);
    q.setParam(QStringLiteral("c_config"), clave);
    q.open();
    return q.next();
}

int entero(Tdm& dm, const QString& clave)
{
    return leerClave(dm, clave) ? dm.fdVarios.value(QStringLiteral("VALOR_INT")).toInt() : 0;
}

int enteroNoNegativo(Tdm& dm, const QString& clave)
{
    const int valor = entero(dm, clave);
    return valor > 0 ? valor : 0;
}

bool interruptor(Tdm& dm, const QString& clave)
{
    return leerClave(dm, clave) && dm.fdVarios.value(QStringLiteral("VALOR_CHR")).toString() == QLatin1StringView("S");
}

void filaFuente(Tdm& dm, const QString& clave, FuenteConColor& destino)
{
    if (!leerClave(dm, clave))
        return;
    const fb::Value& tamano = dm.fdVarios.value(QStringLiteral("VALOR_INT"));
    const QString cara = dm.fdVarios.value(QStringLiteral("VALOR_STR")).toString();
    // Qt ignores a size of 0 or less and an empty face would pick an arbitrary font: keep what was there.
    if (!tamano.isNull() && tamano.toInt() > 0)
        destino.fuente.setPointSize(tamano.toInt());
    if (!cara.isEmpty())
        destino.fuente.setFamily(cara);
}

void filaColor(Tdm& dm, const QString& clave, FuenteConColor& destino)
{
    if (leerClave(dm, clave))
        destino.color = aQColor(TextoAColor(dm.fdVarios.value(QStringLiteral("VALOR_STR")).toString()));
}

void filaEstilo(Tdm& dm, const QString& clave, FuenteConColor& destino)
{
    if (leerClave(dm, clave))
        aplicarEstilo(destino.fuente, TextoAEstilo(dm.fdVarios.value(QStringLiteral("VALOR_STR")).toString()));
}

} // namespace

void CargarInfo(Tdm& dm, AjustesConsulta& ajustes, FuenteConColor& nombre, FuenteConColor& precio)
{
    dm.reiniciarTransaccion();

    ajustes.ClienteEventualId = entero(dm, QStringLiteral("CLIENTE_EVENTUAL_ID"));
    ajustes.PrecioEmpresaId = enteroNoNegativo(dm, QStringLiteral("PRECIO_EMPRESA_ID"));
    ajustes.PoliticaVolId = enteroNoNegativo(dm, QStringLiteral("POLITICA_VOL_ID"));
    ajustes.AlmacenId = entero(dm, QStringLiteral("ALMACEN_ID"));
    ajustes.MostrarExistencia = interruptor(dm, QStringLiteral("MOSTRAR_EXISTENCIA"));
    ajustes.MostrarLstPrecios = interruptor(dm, QStringLiteral("MOSTRAR_LST_PRECIOS"));
    ajustes.OrdenPrecio = entero(dm, QStringLiteral("ORDEN_PRECIO"));
    ajustes.MostrarPolVol = interruptor(dm, QStringLiteral("MOSTRAR_POL_VOL"));
    ajustes.MostrarClave = interruptor(dm, QStringLiteral("MOSTRAR_CLAVE"));
    ajustes.SegundosEspera = entero(dm, QStringLiteral("SEGUNDOS_ESPERA"));
    ajustes.DsctosCombo = interruptor(dm, QStringLiteral("DSCTOS_COMBO"));
    ajustes.MostrarBuscador = interruptor(dm, QStringLiteral("MOSTRAR_BUSCADOR"));
    ajustes.MostrarImagenEmpresa = interruptor(dm, QStringLiteral("MOSTRAR_IMAGEN_EMPRESA"));

    filaFuente(dm, QStringLiteral("FONT_NOM_ART"), nombre);
    filaColor(dm, QStringLiteral("COLOR_NOM_ART"), nombre);
    filaEstilo(dm, QStringLiteral("ESTILO_NOM_ART"), nombre);
    filaFuente(dm, QStringLiteral("FONT_PRE_ART"), precio);
    filaColor(dm, QStringLiteral("COLOR_PRE_ART"), precio);
    filaEstilo(dm, QStringLiteral("ESTILO_PRE_ART"), precio);
    dm.fdVarios.close();
}
