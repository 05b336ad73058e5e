#pragma once

#include "firebird/Value.h"

#include <QStringList>
#include <vector>

namespace fb {
class Query;
}

// A result read whole on the thread that ran the statement, to be shown on another: the column
// names as the server reports them and the rows, each a plain copy of its values.
struct FilasLeidas {
    QStringList columnas;
    std::vector<std::vector<fb::Value>> filas;
};

// Reads the open query's rows, at most `maximo` of them (a grid of an article's prices, keys or
// stock has a handful; the cap keeps a runaway result from filling memory). A failure propagates.
FilasLeidas leerFilas(fb::Query& consulta, int maximo);
