#include "app/Lumivo.h"
#include "firebird/Shutdown.h"
#include "platform/FinPorSenal.h"
#include "platform/Platform.h"
#include "speech/VozSistema.h"

#include <QApplication>
#include <chrono>
#include <cstdlib>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    platform::installQtTranslations(); // a missing file leaves Qt's own texts in English
    platform::registerFonts();
    platform::applyStyle(app, QStringLiteral("Zantor 2022")); // a missing style is not a reason to stop
    QApplication::setApplicationName(QStringLiteral("Lumivo"));
    QApplication::setApplicationVersion(platform::programVersion());

    int codigo = 0;
    {
        Lumivo lumivo;
        // After the data module: a handler of the database client installed on the way must not
        // take these signals over.
        platform::terminarConSenales();
        fb::leaveSignalsToProgram();
        lumivo.frmConsulta.show();
        codigo = app.exec();
    }
    // The station's threads and attachments are gone; the client library's own threads end here,
    // before the static finalizers run, so the exit is the same every time. A voice left inside a
    // speech service that does not answer keeps its thread: the finalizers must not run under it.
    if (!fb::shutdownClient(std::chrono::seconds(1)) || VozSistema::hiloSuelto())
        std::_Exit(codigo);
    return codigo;
}
