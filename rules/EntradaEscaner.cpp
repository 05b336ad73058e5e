#include "EntradaEscaner.h"

const QString EntradaEscaner::kSeccion = QStringLiteral("Escaner");
const QString EntradaEscaner::kPrefijo = QStringLiteral("Prefijo");
const QString EntradaEscaner::kSufijo = QStringLiteral("Sufijo");

QString EntradaEscaner::limpiar(const QString& texto) const
{
    QString limpio;
    limpio.reserve(texto.size());
    for (QChar c : texto) {
        // Cc, plus the format characters (Cf) some scanners send as separators.
        if (c.category() != QChar::Other_Control && c.category() != QChar::Other_Format)
            limpio.append(c);
    }
    if (!prefijo.isEmpty() && limpio.startsWith(prefijo))
        limpio.remove(0, prefijo.size());
    if (!sufijo.isEmpty() && limpio.endsWith(sufijo))
        limpio.chop(sufijo.size());
    return limpio;
}
