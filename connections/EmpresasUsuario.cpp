#include "EmpresasUsuario.h"

#include "firebird/Query.h"

namespace empresas {

namespace {

// A LIKE pattern would let "A_MIN" match ADMIN's row and inherit its access to every company.
// The cast keeps a name longer than the column from failing the statement: it simply matches
// nobody.
const QString kSqlUsuario = QStringLiteral(
    "select ACCESO_EMPRESAS,USUARIO_ID from USUARIOS where upper(nombre) = upper(cast(:C_Usuario as varchar(255)))");
const QString kSqlTodas = QStringLiteral("select nombre_corto from empresas");
const QString kSqlDelUsuario = QStringLiteral("select e.nombre_corto from empresas_usuarios eu left join empresas e "
                                              "on(e.empresa_id =eu.empresa_id) where eu.usuario_id = :N_UsuarioID");

} // namespace

void abrirUsuario(fb::Query& consulta, const QString& usuario)
{
    consulta.close();
    consulta.setSql(kSqlUsuario);
    consulta.setParam(QStringLiteral("C_Usuario"), usuario);
    consulta.open();
}

void abrirTodas(fb::Query& consulta)
{
    consulta.close();
    consulta.setSql(kSqlTodas);
    consulta.open();
}

void abrirDelUsuario(fb::Query& consulta, int usuarioId)
{
    consulta.close();
    consulta.setSql(kSqlDelUsuario);
    consulta.setParam(QStringLiteral("N_UsuarioID"), usuarioId);
    consulta.open();
}

} // namespace empresas
