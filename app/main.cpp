#include "app/Lumivo.h"
#include "firebird/Shutdown.h"
#include "lookup/ServicioConsulta.h"
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
    bool colgado = false;
    {
        Lumivo lumivo;
        // After the data module: a handler of the database client installed on the way must not
        // take these signals over.
        platform::terminarConSenales();
        fb::leaveSignalsToProgram();
        lumivo.frmConsulta.show();
        codigo = app.exec();
        colgado = lumivo.frmConsulta.servicio().sinRespuesta();
    }
    // The station's threads and attachments are gone; the client library's own threads end here,
    // before the static finalizers run, so the exit is the same every time. A server that left a
    // call unanswered will not let the library finish: the wait is kept short then. A voice left
    // inside a speech service that does not answer keeps its thread: the finalizers must not run
    // under it.
    using namespace std::chrono_literals;
    if (!fb::shutdownClient(colgado ? 500ms : 1000ms) || VozSistema::hiloSuelto())
        std::_Exit(codigo);
    return codigo;
}
