#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <optional>

class Tdm;

// What the lookup by key finds for the display.
struct ArticuloEncontrado {
    int articuloId = 0;
    QString clave;
    QString nombre;
    QString linea;
    QDate fechaUltimaCompra; // null when the article was never bought
};

// The statement that turns a key into an article; exact match on the stored key.
extern const QString kSqlBuscarClave;

// The longest key the lookup uses, and the most the key field takes from typing or pasting.
constexpr int kLongitudClave = 20;

// The statement that finds one article by its id, with the same columns but the key.
extern const QString kSqlBuscarId;

// Restarts the shared transaction, then looks the key up by its first kLongitudClave characters
// through fdQVarios. Only the first row counts. Database failures propagate.
std::optional<ArticuloEncontrado> buscarArticulo(Tdm& dm, const QString& clave);

// Restarts the shared transaction, then finds the article by its id through fdQVarios; its key
// is the one given (the one the operator chose among the article's keys). Database failures
// propagate.
std::optional<ArticuloEncontrado> buscarArticuloPorId(Tdm& dm, int articuloId, const QString& clave);

// The statement that tries every equivalent form of a scanned code in one execution: the candidates
// as parameters C1 to C16 (unused ones NULL, which match nothing).
extern const QString kSqlBuscarFormas;

// Looks up the first of the candidates, in their order, that some article has, through fdQFormas
// in the running transaction (the exact lookup has started it). At most gtin::kMaxFormas
// candidates; keys longer than kLongitudClave cannot be stored and are left out.
std::optional<ArticuloEncontrado> buscarPrimeraForma(Tdm& dm, const QStringList& candidatos);

// The date as the display shows it: the system's short date format, blank for no date.
QString textoFecha(const QDate& fecha);
