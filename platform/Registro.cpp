#include "Registro.h"

#include <QDateTime>
#include <QtGlobal>

namespace platform {

void logLine(const QString& text)
{
    const QString hora = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
    // One line per event: the engine's texts carry line breaks.
    qWarning("%s %s", qPrintable(hora), qPrintable(text.simplified()));
}

QString describe(const std::exception_ptr& error)
{
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        // Our failures carry UTF-8 texts.
        return QString::fromUtf8(e.what());
    } catch (...) {
        return QStringLiteral("Error desconocido");
    }
}

} // namespace platform
