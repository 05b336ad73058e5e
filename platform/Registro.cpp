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

} // namespace platform
