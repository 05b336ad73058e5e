#pragma once

#include "firebird/values/Decimal.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <variant>
#include <vector>

namespace reportes {

// One cell of a report as read, before any formatting: the screen, the clipboard and the CSV file
// each write it their own way. Empty is a NULL (an article without key or price).
using Celda = std::variant<std::monostate, QString, std::int64_t, fb::Decimal, QDateTime>;

// A report's list: its column titles and its rows, each as wide as the titles.
struct Tabla {
    QStringList titulos;
    std::vector<std::vector<Celda>> filas;
};

} // namespace reportes
