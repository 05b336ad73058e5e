#include "Voz.h"

QStringList VozGrabadora::dichos() const
{
    QStringList textos;
    const QString prefijo = QStringLiteral("decir: ");
    for (const QString& linea : registro) {
        if (linea.startsWith(prefijo))
            textos << linea.mid(prefijo.size());
    }
    return textos;
}
