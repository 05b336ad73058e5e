#pragma once

#include "reports/Tabla.h"

#include <QByteArray>
#include <QLocale>
#include <QString>

// A report's list as a spreadsheet reads it. Dates are written as a spreadsheet set to es_MX
// takes them (day/month/year, 24-hour time), numbers with '.' as decimal separator and no
// thousands separator, so every cell opens as a date or a number, not as text.
namespace reportes {

// The file: UTF-8 with a byte-order mark (without it a spreadsheet reads the accents as Latin-1),
// comma separators, CRLF line ends, the titles first. A field holding a comma, a quote, a CR or
// a LF is quoted, its quotes doubled.
QByteArray csv(const Tabla& tabla);

// The clipboard: the same cells separated by tabs, as a spreadsheet pastes them into columns; a
// field holding a tab, a quote, a CR or a LF is quoted.
QString textoPortapapeles(const Tabla& tabla);

// A cell as the file writes it (unquoted).
QString textoArchivo(const Celda& celda);

// A cell as the window shows it: numbers grouped, money in the locale's currency format, dates
// in its short format with the time.
QString textoPantalla(const Celda& celda, const QLocale& locale = QLocale::system());

} // namespace reportes
