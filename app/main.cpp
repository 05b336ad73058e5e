#include "app/Lumivo.h"
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
    lumivo.frmConsulta.show();
    return app.exec();
}
