#include "app/Lumivo.h"
#include "platform/FinPorSenal.h"
#include "platform/Platform.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    platform::registerFonts();
    platform::applyStyle(app, QStringLiteral("Zantor 2022")); // a missing style is not a reason to stop
    QApplication::setApplicationName(QStringLiteral("Lumivo"));
    QApplication::setApplicationVersion(platform::programVersion());

    Lumivo lumivo;
    // After the data module: a handler of the database client installed on the way must not
    // take these signals over.
    platform::terminarConSenales();
    lumivo.frmConsulta.show();
    return app.exec();
}
