#pragma once

#include "reports/Tabla.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <map>
#include <vector>

namespace fb {
class Transaction;
}

// The reports' statements on the scan log and the stations' health, each beside the function
// that runs it in the transaction it is given and reads it whole. No widgets: the report window
// runs them on a thread of its own. A failure propagates.
namespace reportes {

// A period of the log: from `desde` (included) to `hasta` (excluded), in the stations' clock,
// which is what the log's times are written in.
struct Periodo {
    QDateTime desde;
    QDateTime hasta;
};

enum class OpcionPeriodo { Hoy, Semana, Mes, Rango };

// Whole days ending today: today alone, the last 7 or the last 30 days (today included); a range
// takes both of its days whole, in whichever order they are given.
Periodo periodo(OpcionPeriodo opcion, QDate hoy, QDate inicio = {}, QDate fin = {});

// Which of the log's two tables the company database lacks (an older installation): empty when
// it has both.
QStringList tablasFaltantes(fb::Transaction& transaccion);

// The lists' column titles, as the functions below fill them.
QStringList titulosNoEncontrados();
QStringList titulosMasConsultados();
QStringList titulosEstaciones();

// Keys not found or misread in the period: key, count, first and last time seen, the stations that
// saw it (by name, comma-separated), by count (most first), then by key.
Tabla noEncontrados(fb::Transaction& transaccion, const Periodo& periodo);

// The articles shown most often in the period: the article's main key (the key of the role the
// ERP marks as main, else its first key), its name, the count and today's net price (list and
// customer of the company's settings, as the lookup computes it), by count; at most `limite`.
inline constexpr int kMasConsultados = 100;
Tabla masConsultados(fb::Transaction& transaccion, const Periodo& periodo, int clienteId, int listaId,
                     int limite = kMasConsultados);

// Lookups per hour of the day (0-23) in the period, per station (by name).
struct PorHora {
    std::map<QString, std::array<std::int64_t, 24>> estaciones;
    std::array<std::int64_t, 24> total() const;
};
PorHora porHora(fb::Transaction& transaccion, const Periodo& periodo);

// A station is alive while its last heartbeat is within this many seconds of the server's clock.
inline constexpr int kSegundosVivo = 90;
// One row per station by name: whether it is alive, the station, its host, program version, last
// heartbeat, last lookup and last error.
struct Estaciones {
    std::vector<bool> vivas; // one per row of `tabla`
    Tabla tabla;
};
Estaciones estaciones(fb::Transaction& transaccion);

} // namespace reportes
