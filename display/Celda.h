#pragma once

#include "rules/Formato.h"

namespace fb {
class Value;
}

namespace formato {

// A value as a grid cell shows it: NULL as empty text, text as is, numbers by `tipo`,
// dates in the short date format.
QString celda(const fb::Value& valor, Tipo tipo, const QLocale& locale = QLocale::system());

} // namespace formato
