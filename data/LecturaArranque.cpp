#include "LecturaArranque.h"

#include "data/uDM.h"
#include "firebird/Error.h"

namespace {

// One row per fact, told apart by TIPO: V the version, I installed, C a settings row. The
// settings are read through EXECUTE STATEMENT so that the block prepares on a company without
// the table. The widths are those the installation creates; a wider column in some company
// fails the block, and the steps read one by one instead. No colons before the variables: the
// query layer would take them for parameters.
const QString kSqlArranque = QStringLiteral(
    "execute block returns (tipo char(1), entero integer, configuracion varchar(50), valor_int integer,\n"
    "  valor_str varchar(25), valor_chr char(1))\n"
    "as\n"
    "begin\n"
    "  tipo = 'V';\n"
    "  select max(VERSION_DB) from VERSIONES_DB into entero;\n"
    "  suspend;\n"
    "  entero = null;\n"
    "  if (exists(select 1 from RDB$RELATIONS where RDB$SYSTEM_FLAG = 0\n"
    "      and upper(RDB$RELATION_NAME) starting with 'ZANTOR_LMV_CONFIG')) then\n"
    "  begin\n"
    "    tipo = 'I';\n"
    "    suspend;\n"
    "    if (exists(select 1 from RDB$RELATIONS where RDB$RELATION_NAME = 'ZANTOR_LMV_CONFIG')) then\n"
    "    begin\n"
    "      tipo = 'A';\n"
    "      suspend;\n"
    "      tipo = 'C';\n"
    "      for execute statement\n"
    "        'select CONFIGURACION, VALOR_INT, VALOR_STR, VALOR_CHR from ZANTOR_LMV_CONFIG'\n"
    "        into configuracion, valor_int, valor_str, valor_chr\n"
    "      do\n"
    "        suspend;\n"
    "    end\n"
    "  end\n"
    "end");

} // namespace

std::optional<LecturaArranque> leerArranque(Tdm& dm)
{
    dm.asegurarTransaccion();
    fb::Query& q = dm.fdVarios;
    q.close();
    q.setSql(kSqlArranque);
    LecturaArranque r;
    try {
        q.open();
        while (q.next()) {
            const QString tipo = q.value(0).toString();
            if (tipo == QLatin1String("V")) {
                r.versionBD = q.value(1).isNull() ? 0 : q.value(1).toInt();
            } else if (tipo == QLatin1String("I")) {
                r.instalada = true;
            } else if (tipo == QLatin1String("A")) {
                r.ajustes.emplace();
            } else if (tipo == QLatin1String("C") && r.ajustes) {
                ConfigEmpresa::agregarFila(*r.ajustes, q.value(2),
                                           ConfigEmpresa::Fila{q.value(3), q.value(4), q.value(5)});
            }
        }
        q.close();
    } catch (const fb::Error& e) {
        q.close();
        // A lost server is the caller's to handle; anything else is this company's shape, which
        // the steps read one by one will meet again and say in their own words.
        if (e.isConnectionLost())
            throw;
        qInfo("La lectura de arranque en una sentencia no corre en esta empresa: %s", e.what());
        return std::nullopt;
    }
    return r;
}
