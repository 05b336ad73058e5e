// The connection catalogue readers on a whole ProgramData.xml: an unreadable file fails with
// ErrorCatalogo only, reading never writes, the warning comes only with an empty list, and the
// login and editor readers agree on every connection the list names.

#include "Fuzz.h"
#include "connections/CatalogoConexiones.h"
#include "connections/ParametrosConexion.h"
#include "data/DatosConexion.h"
#include "platform/MessageBox.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const QString ruta = fuzz::archivoTemporal(QStringLiteral("ProgramData.xml"));
    // The warning of a file without the Microsip path would open a modal box.
    static platform::RecordingNotifier avisos;
    avisos.clear();
    const QByteArray contenido = fuzz::bytes(data, size);
    fuzz::escribir(ruta, contenido);

    QStringList nombres;
    try {
        nombres = catalogo::LeerXML2018(ruta);
    } catch (const catalogo::ErrorCatalogo&) {
        DatosConexion datos;
        bool fallo = false;
        try {
            catalogo::LeerXmlConexion(ruta, QStringLiteral("Servidor central"), datos);
        } catch (const catalogo::ErrorCatalogo&) {
            fallo = true;
        }
        FUZZ_REQUIRE(fallo);
        FUZZ_REQUIRE(fuzz::leer(ruta) == contenido);
        return 0;
    }
    FUZZ_REQUIRE(avisos.messages.size() <= 1);
    FUZZ_REQUIRE(avisos.messages.empty() || nombres.isEmpty());

    constexpr qsizetype kMaximo = 6; // each read parses the whole file again
    for (qsizetype k = 0; k < nombres.size() && k < kMaximo; ++k) {
        const QString conexion = catalogo::NombreParaEditar(nombres[k]);
        DatosConexion datos;
        datos.RutaSistema = QStringLiteral("sistema");
        datos.Usuario = QStringLiteral("SYSDBA");
        datos.Empresa = QStringLiteral("EMPRESA");
        try {
            catalogo::LeerXmlConexion(ruta, conexion, datos);
        } catch (const catalogo::ErrorCatalogo&) {
            // Only a name the catalogue could not have written is refused.
            FUZZ_REQUIRE(!catalogo::ErrorDeNombre(conexion).isEmpty());
            continue;
        }
        FUZZ_REQUIRE(catalogo::ErrorDeNombre(conexion).isEmpty());
        FUZZ_REQUIRE(catalogo::NombreElemento(conexion) == nombres[k]);
        FUZZ_REQUIRE(datos.RutaSistema == QStringLiteral("sistema") && datos.Usuario == QStringLiteral("SYSDBA") &&
                     datos.Empresa == QStringLiteral("EMPRESA"));
        FUZZ_REQUIRE(datos.RutaMostrada == (datos.TipoAcceso == QStringLiteral("0")
                                                ? datos.Servidor + QLatin1Char(':') + datos.CarpetaDatos
                                                : datos.CarpetaDatos));
        try {
            const std::optional<catalogo::ValoresConexion> valores = catalogo::LeerXmlConexionEditor(ruta, conexion);
            FUZZ_REQUIRE(valores.has_value());
            FUZZ_REQUIRE(valores->servidor == datos.Servidor && valores->carpeta == datos.CarpetaDatos);
            FUZZ_REQUIRE(valores->tipoAcceso == EnteroDecimal(datos.TipoAcceso, QString()));
            FUZZ_REQUIRE(valores->protocolo == EnteroDecimal(datos.ProtocoloRed, QString()));
        } catch (const ErrorConversion&) {
            // A code that is no decimal integer; the login reader takes it as text.
        }
    }
    FUZZ_REQUIRE(fuzz::leer(ruta) == contenido);
    return 0;
}
