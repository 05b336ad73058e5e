#pragma once

#include <QString>
#include <QStringList>

// Large stand-in company databases for the benchmarks: the stand-in ERP schema and its small
// reference data, the station's own objects and settings, then `articulos` generated articles
// (about 2.5 keys each, 5 price lists, stock in 3 of 10 warehouses with a shelf location,
// volume steps, combo offers, last purchases). The same database every time for one count.
namespace bench {

inline constexpr int kPrimerArticulo = 100001;

// ~/.cache/lumivo-bench (XDG_CACHE_HOME respected), created when missing.
QString carpetaCache();

// The database for `articulos` in `carpeta` ("empresa-<n>.fdb"); built only when missing (into a
// temporary file renamed at the end, so an interrupted build leaves nothing behind). Progress
// goes to stderr. Throws std::runtime_error or fb::Error.
QString asegurarEmpresa(const QString& carpeta, int articulos);

// The database for `articulos` copied into a server's data folder as "empresa-<n>.fdb", its
// owner's alone (as the server runs as the same user); returns the company name, "empresa-<n>".
QString copiarAlServidor(const QString& carpeta, int articulos, const QString& carpetaServidor);

// The keys of article number `n` (0-based): its barcode, its main key and, for every other
// article, a supplier key, exactly as the generator stores them.
QStringList clavesDe(int n);

// The embedded connection's parameter list for a database file (SYSDBA).
QStringList parametros(const QString& ruta);

} // namespace bench
