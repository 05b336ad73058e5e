#pragma once

#include <QString>
#include <vector>

namespace fb {
class Query;
}

// The company's lists the configuration dialog offers as choices, each read through the query
// it is given (closed first and again at the end). The caller owns the query and its
// transaction; a failure propagates.
namespace listas {

struct Opcion {
    int id = 0;
    QString nombre;
};

enum class Lista {
    Clientes,
    ListasPrecios,
    ListasPreciosCliente, // only the price lists a customer is shown
    PoliticasVolumen,
    Almacenes,
};

// Every row of the list, ordered by name.
std::vector<Opcion> leer(fb::Query& consulta, Lista lista);

} // namespace listas
