#include "Instalacion.h"

#include "data/ConfigEmpresa.h"
#include "data/DatosConexion.h"
#include "data/LecturaArranque.h"
#include "data/uDM.h"

#include <QFile>
#include <stdexcept>

namespace {

const QString kSqlVersion = QStringLiteral("Select max(VERSION_DB) verBD\nFrom VERSIONES_DB");
const QString kSqlTablas =
    QStringLiteral("SELECT RDB$RELATION_NAME AS TABLA FROM RDB$RELATIONS WHERE RDB$SYSTEM_FLAG = 0");

constexpr int kVersionMinima = 1256;
constexpr int kVersionMaxima = 1260;

const QString kVersionNoCompatible = QStringLiteral("Versión no compatible con esta versión.");
const QString kEntrarComoSysdba = QStringLiteral("Es necesario entrar con el usuario SYSDBA antes.");
const QString kMetadatosCargado = QStringLiteral("Metadatos cargado, el sistema se cerrara para aplicar el cambio.");
const QString kInstruccionesFallidas = QStringLiteral("\n\nAlgunas instrucciones fallaron:");

QString leerRecurso(const QString& ruta)
{
    QFile archivo(ruta);
    if (!archivo.open(QIODevice::ReadOnly))
        throw std::runtime_error(QStringLiteral("No se puede leer %1").arg(ruta).toStdString());
    return QString::fromUtf8(archivo.readAll());
}

// Each failure as the first line of its statement (without the opening parenthesis of a
// parameter list) and the server's message under it.
QString describirFallas(const std::vector<fb::ScriptFailure>& fallas)
{
    QString texto = kInstruccionesFallidas;
    for (const fb::ScriptFailure& f : fallas) {
        QString primeraLinea = f.statement.section(u'\n', 0, 0).trimmed();
        if (primeraLinea.endsWith(u'('))
            primeraLinea = primeraLinea.chopped(1).trimmed();
        texto += QStringLiteral("\n\n") + primeraLinea + u'\n' + f.message.trimmed();
    }
    return texto;
}

} // namespace

// Outside any namespace: the resource sits in a static library, and this reference is what keeps
// its initialiser in the program.
static void iniciarRecursos()
{
    static const bool iniciados = [] {
        Q_INIT_RESOURCE(instalacion);
        return true;
    }();
    Q_UNUSED(iniciados);
}

QString scriptMetadatos()
{
    iniciarRecursos();
    return leerRecurso(QStringLiteral(":/sql/Metadatos.sql"));
}

QString scriptPermisos()
{
    iniciarRecursos();
    return leerRecurso(QStringLiteral(":/sql/Permisos.sql"));
}

std::vector<fb::ScriptFailure> InstalarObjetos(fb::Transaction& transaccion)
{
    std::vector<fb::ScriptFailure> fallas = fb::runScript(transaccion, scriptMetadatos(), fb::ScriptDdl::CommitEach);
    const std::vector<fb::ScriptFailure> permisos =
        fb::runScript(transaccion, scriptPermisos(), fb::ScriptDdl::CommitEach);
    fallas.insert(fallas.end(), permisos.begin(), permisos.end());
    return fallas;
}

std::optional<AvisoInstalacion> ValidarVersion(Tdm& dm, const LecturaArranque* leido)
{
    int version = 0;
    if (leido) {
        version = leido->versionBD;
    } else {
        dm.asegurarTransaccion();
        dm.fdVarios.close();
        dm.fdVarios.setSql(kSqlVersion);
        dm.fdVarios.open();
        version = dm.fdVarios.next() ? dm.fdVarios.value(QStringLiteral("verBD")).toInt() : 0;
        dm.fdVarios.close();
    }
    if (version >= kVersionMinima && version <= kVersionMaxima)
        return std::nullopt;
    return AvisoInstalacion{AvisoInstalacion::Tipo::Advertencia, kVersionNoCompatible};
}

std::optional<AvisoInstalacion> ValidarMetadatos(Tdm& dm, const DatosConexion& datos, const LecturaArranque* leido)
{
    bool instalado = false;
    if (leido) {
        instalado = leido->instalada;
    } else {
        dm.asegurarTransaccion();
        dm.fdVarios.close();
        dm.fdVarios.setSql(kSqlTablas);
        dm.fdVarios.open();
        while (!instalado && dm.fdVarios.next())
            instalado = dm.fdVarios.value(QStringLiteral("TABLA"))
                            .toString()
                            .startsWith(ConfigEmpresa::kTabla, Qt::CaseInsensitive);
        dm.fdVarios.close();
    }
    if (instalado)
        return std::nullopt;

    if (datos.Usuario.toUpper() != QLatin1StringView("SYSDBA"))
        return AvisoInstalacion{AvisoInstalacion::Tipo::Informacion, kEntrarComoSysdba};

    dm.asegurarTransaccion();
    const std::vector<fb::ScriptFailure> fallas = InstalarObjetos(dm.fdTrans);
    dm.fdTrans.commit();
    // A partial installation must not read as a plain success: the user sees what failed.
    if (fallas.empty())
        return AvisoInstalacion{AvisoInstalacion::Tipo::Informacion, kMetadatosCargado};
    return AvisoInstalacion{AvisoInstalacion::Tipo::Advertencia, kMetadatosCargado + describirFallas(fallas)};
}
