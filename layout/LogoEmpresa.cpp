#include "LogoEmpresa.h"

#include "data/uDM.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>

namespace {

const QString kSqlImagen = QStringLiteral("select VALOR_BLOB from registry where nombre like 'IMAGEN_EMPRESA'");

std::optional<QImage> decodificar(const QByteArray& datos, const char* formato)
{
    QImage imagen;
    if (!imagen.loadFromData(datos, formato))
        return std::nullopt;
    return imagen;
}

} // namespace

LogoEmpresa CargarLogEmp(Tdm& dm, bool mostrarImagenEmpresa, const QString& carpetaPrograma)
{
    if (!mostrarImagenEmpresa)
        return {LogoEmpresa::Accion::Ocultar, {}};

    const QString archivo = QDir(carpetaPrograma).filePath(QStringLiteral("Logo.jpg"));
    if (QFile::exists(archivo)) {
        QFile f(archivo);
        if (!f.open(QIODevice::ReadOnly))
            throw ImagenIlegible(QStringLiteral("No se pudo abrir la imagen «%1»: %2")
                                     .arg(QDir::toNativeSeparators(archivo), f.errorString())
                                     .toStdString());
        const std::optional<QImage> jpeg = decodificar(f.readAll(), "JPG");
        if (!jpeg)
            throw ImagenIlegible(QStringLiteral("La imagen «%1» no es una imagen JPEG válida")
                                     .arg(QDir::toNativeSeparators(archivo))
                                     .toStdString());
        return {LogoEmpresa::Accion::Mostrar, QPixmap::fromImage(*jpeg)};
    }

    dm.asegurarTransaccion();
    fb::Query& q = dm.fdVarios;
    q.close();
    q.setSql(kSqlImagen);
    q.open();
    if (!q.next())
        return {LogoEmpresa::Accion::Conservar, {}};
    const fb::Value& blob = q.value(QStringLiteral("VALOR_BLOB"));
    if (blob.isNull())
        return {LogoEmpresa::Accion::Conservar, {}};
    const QByteArray datos = blob.toBytes();
    std::optional<QImage> imagen = decodificar(datos, "JPG");
    if (!imagen)
        imagen = decodificar(datos, "BMP");
    if (!imagen)
        throw ImagenIlegible(
            "La imagen de la empresa guardada en la base de datos no es una imagen JPEG ni BMP válida");
    return {LogoEmpresa::Accion::Mostrar, QPixmap::fromImage(*imagen)};
}

void aplicarLogo(QLabel& imagen, const LogoEmpresa& logo)
{
    if (logo.accion == LogoEmpresa::Accion::Ocultar) {
        imagen.hide();
        return;
    }
    imagen.setAlignment(Qt::AlignCenter);
    if (logo.accion == LogoEmpresa::Accion::Mostrar && !logo.imagen.isNull())
        imagen.setPixmap(logo.imagen.scaled(imagen.size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    imagen.show();
}
