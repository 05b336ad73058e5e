#include "ConsultaUnica.h"

#include "firebird/Query.h"
#include "lookup/BusquedaCodigo.h"
#include "lookup/ConsultasArticulo.h"
#include "rules/AjustesConsulta.h"
#include "rules/CodigoBarras.h"

#include <QRegularExpression>
#include <array>

namespace {

// The block's columns, shared by the kinds of row. The article's and the grids' texts from the
// ERP's tables take the type of their columns: a width written here would fail the whole lookup
// with a string truncation on the first longer value. Each decimal keeps the scale its grid's
// statement gives it, which the display's values carry.
enum Columna {
    cTipo,
    cEntero,
    cNombre,
    cClave,
    cLinea,
    cFecha,
    cAlmacen,
    cLocalizacion,
    cRol,
    cTexto1,
    cTexto2,
    cTexto3,
    cDecimal1,
    cDecimal2,
    cDecimal3,
    cDecimal4,
    cDecimal5,
    cUnidades,
    cPrecioPieza,
    cImporte,
    cColumnas
};

struct Declaracion {
    const char* nombre;
    const char* tipo;
};

constexpr std::array<Declaracion, cColumnas> kColumnas{{
    {"tipo", "char(1)"},
    {"entero", "integer"},
    {"nombre", "type of column articulos.nombre"},
    {"clave", "type of column claves_articulos.clave_articulo"},
    {"linea", "type of column lineas_articulos.nombre"},
    {"fecha", "date"},
    {"almacen", "type of column almacenes.nombre"},
    {"localizacion", "type of column niveles_articulos.localizacion"},
    {"rol", "type of column roles_claves_articulos.nombre"},
    {"texto1", "varchar(30)"}, // a price list's name, a unit, a volume step's amount, the combo's concept
    {"texto2", "varchar(30)"},
    {"texto3", "varchar(30)"},
    {"decimal1", "numeric(18,6)"},
    {"decimal2", "numeric(18,6)"},
    {"decimal3", "numeric(18,6)"},
    {"decimal4", "numeric(18,6)"},
    {"decimal5", "numeric(18,6)"},
    {"unidades", "type of column ofertas_mm_det.unidades_minimas"},
    {"precio_pieza", "type of column ofertas_mm_det.precio_especial"},
    {"importe", "numeric(18,11)"}, // units times the special price: both scales added
}};

// A grid's rows: their kind, where they go, the column names its own statement reports and the
// block's columns that carry them.
struct Rejilla {
    char tipo;
    FilasLeidas FilasArticulo::*filas;
    QStringList columnas;
    std::vector<int> origen;
};

const std::array<Rejilla, 5>& rejillas()
{
    static const std::array<Rejilla, 5> r{{
        {'P',
         &FilasArticulo::precios,
         {"NOMBRE", "PRECIO", "DSCTO", "PRECION", "PRECIO_EMPRESA_ID", "PRECIO_UC", "CONTENIDO", "UNIDAD_VENTA",
          "UNIDAD_COMPRA"},
         {cTexto1, cDecimal1, cDecimal2, cDecimal3, cEntero, cDecimal4, cDecimal5, cTexto2, cTexto3}},
        {'E', &FilasArticulo::existe, {"NOMBRE", "EXISTENCIA", "LOCALIZACION"}, {cAlmacen, cDecimal1, cLocalizacion}},
        {'V',
         &FilasArticulo::volumen,
         {"CANTIDAD", "DESCUENTO", "PRE_UNIT", "MONTO"},
         {cDecimal1, cDecimal2, cTexto1, cTexto2}},
        {'C', &FilasArticulo::claves, {"NOMBRE", "CLAVE"}, {cRol, cClave}},
        {'O',
         &FilasArticulo::combos,
         {"CONCEPTO", "UNIDADES_MINIMAS", "PRECIO_POR_PZ", "IMPORTE"},
         {cTexto1, cUnidades, cPrecioPieza, cImporte}},
    }};
    return r;
}

QString nombre(int columna)
{
    return QString::fromLatin1(kColumnas[static_cast<size_t>(columna)].nombre);
}

// The block's variables are written ": name" (the firebird layer takes ":name" for a parameter of
// the statement), so a grid's statement goes into the block as it is, its parameters becoming the
// block's variables of the same names.
QString enBloque(const QString& sql)
{
    static const QRegularExpression marca(QStringLiteral(":(?=[A-Za-z_])"));
    return QString(sql).replace(marca, QStringLiteral(": "));
}

QString hacia(std::initializer_list<int> columnas)
{
    QStringList v;
    for (const int c : columnas)
        v.append(QStringLiteral(": ") + nombre(c));
    return v.join(QStringLiteral(", "));
}

// The grid's rows, the same kind each, after the previous kind's values are cleared; at most
// kMaxFilasRejilla of them, as the display reads. `antes` runs for each row before it is sent.
QString filasDe(char tipo, const QString& sql, std::initializer_list<int> columnas, const QString& antes = {})
{
    QString limpiar;
    for (int c = cEntero; c < cColumnas; ++c)
        limpiar += QStringLiteral("  %1 = null;\n").arg(nombre(c));
    return limpiar + QStringLiteral("  tipo = '%1';\n  n = 0;\n  for %2\n  into %3\n  do\n  begin\n%4"
                                    "    suspend;\n    n = n + 1;\n    if (n >= %5) then leave;\n  end\n")
                         .arg(QChar::fromLatin1(tipo), enBloque(sql), hacia(columnas), antes)
                         .arg(kMaxFilasRejilla);
}

QString construir(int ordenPrecio)
{
    QString entradas = QStringLiteral("p_articulo_id integer = :p_articulo_id,\n"
                                      "  p_clave type of column claves_articulos.clave_articulo = :p_clave,\n");
    QString casos;
    for (int i = 1; i <= gtin::kMaxFormas; ++i) {
        entradas += QStringLiteral("  c%1 type of column claves_articulos.clave_articulo = :c%1,\n").arg(i);
        casos += QStringLiteral(" when %1 then c%1").arg(i);
    }
    entradas += QStringLiteral("  v_cliente_id integer = :v_cliente_id, n_politica_id integer = :n_politica_id,\n"
                               "  p_lista integer = :p_lista");
    QStringList salidas;
    for (const Declaracion& d : kColumnas)
        salidas.append(QStringLiteral("%1 %2").arg(QString::fromLatin1(d.nombre), QString::fromLatin1(d.tipo)));

    const QString articuloPorClave =
        enBloque(kSqlBuscarClave) + QStringLiteral("\n    into ") + hacia({cEntero, cNombre, cClave, cFecha, cLinea});
    QString sql = QStringLiteral("execute block (") + entradas + QStringLiteral(")\nreturns (") +
                  salidas.join(QStringLiteral(", ")) +
                  QStringLiteral(")\nas\n"
                                 "declare c_clave type of column claves_articulos.clave_articulo;\n"
                                 "declare n_articulo_id integer;\n"
                                 "declare v_articulo_id integer;\n"
                                 "declare n_aid integer;\n"
                                 "declare n_precio numeric(18,6) = 0;\n"
                                 "declare i integer = 1;\n"
                                 "declare n integer;\n"
                                 "declare hallado boolean = false;\n"
                                 "declare lista boolean = false;\n"
                                 "begin\n"
                                 "  tipo = 'A';\n"
                                 "  if (p_articulo_id is not null) then\n"
                                 "  begin\n"
                                 "    n_articulo_id = p_articulo_id;\n"
                                 "    for ");
    sql += enBloque(kSqlBuscarId) + QStringLiteral("\n    into ") + hacia({cEntero, cNombre, cFecha, cLinea});
    // The exact key's first row counts, whatever its key; a candidate's only when the key is the
    // candidate itself, character for character, as the station compares them.
    sql += QStringLiteral("\n    do\n    begin\n      hallado = true;\n      leave;\n    end\n"
                          "  end\n"
                          "  else\n"
                          "  begin\n"
                          "    c_clave = p_clave;\n"
                          "    for ") +
           articuloPorClave +
           QStringLiteral("\n    do\n    begin\n      hallado = true;\n      leave;\n    end\n"
                          "    while (not hallado and i <= %1) do\n"
                          "    begin\n"
                          "      c_clave = case i%2 end;\n"
                          "      if (c_clave is not null) then\n"
                          "        for ")
               .arg(gtin::kMaxFormas)
               .arg(casos) +
           articuloPorClave +
           QStringLiteral("\n        do\n"
                          "          if (clave = c_clave and char_length(clave) = char_length(c_clave)) then\n"
                          "          begin\n            hallado = true;\n            tipo = 'F';\n"
                          "            leave;\n          end\n"
                          "      i = i + 1;\n"
                          "    end\n"
                          "  end\n"
                          "  if (not hallado) then\n    exit;\n"
                          "  suspend;\n"
                          // An article key whose article is gone has no id: its grids are read for 0.
                          "  v_articulo_id = coalesce(entero, 0);\n"
                          "  n_articulo_id = v_articulo_id;\n"
                          "  n_aid = v_articulo_id;\n");
    // The volume steps are priced from the configured list's net price, else the first row's.
    sql += filasDe('P', consultas::sqlPrecios(ordenPrecio),
                   {cTexto1, cDecimal1, cDecimal2, cDecimal3, cEntero, cDecimal4, cDecimal5, cTexto2, cTexto3},
                   QStringLiteral("    if (not lista and entero = p_lista) then\n"
                                  "    begin\n      lista = true;\n      n_precio = coalesce(decimal3, 0);\n    end\n"
                                  "    else if (n = 0) then\n      n_precio = coalesce(decimal3, 0);\n"));
    sql += filasDe('E', consultas::kSqlAlmacen, {cAlmacen, cDecimal1, cLocalizacion});
    sql += filasDe('V', consultas::kSqlVolumen, {cDecimal1, cDecimal2, cTexto1, cTexto2});
    sql += filasDe('C', consultas::kSqlClaves, {cRol, cClave});
    sql += filasDe('O', consultas::kSqlCombos, {cTexto1, cUnidades, cPrecioPieza, cImporte});
    sql += QStringLiteral("end");
    return sql;
}

ArticuloEncontrado articulo(const fb::Query& q)
{
    ArticuloEncontrado a;
    a.articuloId = q.value(cEntero).toInt();
    a.nombre = q.value(cNombre).toString();
    a.clave = q.value(cClave).toString();
    a.linea = q.value(cLinea).toString();
    const fb::Value& fecha = q.value(cFecha);
    if (!fecha.isNull())
        a.fechaUltimaCompra = fecha.toDate();
    return a;
}

} // namespace

const QString& sqlConsultaUnica(int ordenPrecio)
{
    // Built once each: every scan asks for one.
    static const std::array<QString, 4> textos{construir(0), construir(1), construir(2), construir(3)};
    return textos[static_cast<size_t>(ordenPrecio >= 0 && ordenPrecio <= 2 ? ordenPrecio : 3)];
}

FilasArticulo consultarArticulo(fb::Query& consulta, int articuloId, const QString& clave,
                                const QStringList& candidatos, const AjustesConsulta& ajustes)
{
    consulta.close();
    consulta.setSql(sqlConsultaUnica(ajustes.OrdenPrecio));
    const bool porId = articuloId != 0;
    consulta.setParam(QStringLiteral("P_ARTICULO_ID"), porId ? fb::Value(articuloId) : fb::Value());
    consulta.setParam(QStringLiteral("P_CLAVE"), porId ? fb::Value() : fb::Value(clave.left(kLongitudClave)));
    const QStringList utiles = porId ? QStringList() : candidatosUtiles(candidatos);
    for (int i = 0; i < gtin::kMaxFormas; ++i)
        consulta.setParam(QStringLiteral("C%1").arg(i + 1), i < utiles.size() ? fb::Value(utiles[i]) : fb::Value());
    consulta.setParam(QStringLiteral("V_CLIENTE_ID"), ajustes.ClienteEventualId);
    consulta.setParam(QStringLiteral("N_POLITICA_ID"), ajustes.PoliticaVolId);
    consulta.setParam(QStringLiteral("P_LISTA"), ajustes.PrecioEmpresaId);
    consulta.open();

    FilasArticulo f;
    while (consulta.next()) {
        const QString tipo = consulta.value(cTipo).toString();
        if (tipo == u"A" || tipo == u"F") {
            f.articulo = articulo(consulta);
            f.porCandidato = tipo == u"F";
            if (porId)
                f.articulo->clave = clave;
            for (const Rejilla& r : rejillas())
                (f.*r.filas).columnas = r.columnas;
            continue;
        }
        for (const Rejilla& r : rejillas()) {
            if (tipo != QChar::fromLatin1(r.tipo))
                continue;
            FilasLeidas& destino = f.*r.filas;
            if (static_cast<int>(destino.filas.size()) >= kMaxFilasRejilla)
                break;
            std::vector<fb::Value> fila;
            fila.reserve(r.origen.size());
            for (const int c : r.origen)
                fila.push_back(consulta.value(c));
            destino.filas.push_back(std::move(fila));
            break;
        }
    }
    consulta.close();
    return f;
}
