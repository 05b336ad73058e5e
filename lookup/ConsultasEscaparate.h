#pragma once

#include <QLocale>
#include <QString>
#include <vector>

struct AjustesConsulta;

namespace fb {
class Query;
}

// One card of the idle showcase: a heading (the offer or the price list), the article and its
// price in the display's formats.
struct TarjetaEscaparate {
    QString encabezado;
    QString articulo;
    QString precio;
    QString detalle; // the combo's terms ("Llevando 24: $372.00"); empty for a price list card
};

// The statements of the idle showcase, each beside the function that reads one round of cards
// from it on the query it is given. A query that keeps its text keeps its prepared statement, so
// a caller that gives each statement a query of its own prepares each once. A failure propagates.
namespace escaparate {

// At most this many cards of each kind make one round.
inline constexpr int kTarjetasPorRonda = 40;

// The lines of enabled combo offers with a special price per piece (the lines the lookup's combo
// grid shows), with their article, by offer and article name.
extern const QString kSqlCombos;
// The articles of one price list with the net price for a customer, as the lookup's price
// procedure computes it, by article name.
extern const QString kSqlLista;

std::vector<TarjetaEscaparate> leerCombos(fb::Query& consulta, const QLocale& locale = QLocale::system());
// Nothing when listaPrecios is 0.
std::vector<TarjetaEscaparate> leerLista(fb::Query& consulta, const AjustesConsulta& ajustes, int listaPrecios,
                                         const QLocale& locale = QLocale::system());

} // namespace escaparate
