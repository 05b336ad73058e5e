#pragma once

#include <QCoreApplication>
#include <QPixmap>
#include <QString>
#include <stdexcept>

class QLabel;
class Tdm;

// A company picture that cannot be decoded. what() (UTF-8) says which picture.
class ImagenIlegible : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What the window does with its company image.
struct LogoEmpresa {
    enum class Accion {
        Ocultar,   // the company does not want it shown
        Conservar, // show it with the picture it already has (none was found)
        Mostrar,   // show it with `imagen`
    };
    Accion accion = Accion::Conservar;
    QPixmap imagen;
};

// The company image: hidden when the company does not want it; otherwise "Logo.jpg" in the
// program's folder (not the working directory) read as JPEG; otherwise the picture that the ERP
// keeps in its registry table, read as JPEG and, failing that, as BMP. No registry row or a NULL
// picture keeps the current one. A "Logo.jpg" that is not a JPEG is an error (the registry is not
// tried), as is a registry picture that is neither JPEG nor BMP; the image query's failures go
// through as they are. The query runs through the shared query, starting the shared transaction
// when it is not active.
LogoEmpresa CargarLogEmp(Tdm& dm, bool mostrarImagenEmpresa,
                         const QString& carpetaPrograma = QCoreApplication::applicationDirPath());

// Shows, hides or fills the image element: the picture centred, scaled to fit the element with its
// proportions kept.
void aplicarLogo(QLabel& imagen, const LogoEmpresa& logo);
