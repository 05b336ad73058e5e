#pragma once

#include "firebird/values/Decimal.h"

#include <QDate>
#include <QString>
#include <vector>

namespace demo {

struct Existencia {
    int almacenId = 0;
    fb::Decimal cantidad;
    QString localizacion; // empty: no shelf location
};

struct Clave {
    QString clave;
    int rolId = 0;
};

// One article of the demo company with everything the station shows for it.
struct Articulo {
    int id = 0;
    QString nombre;
    int lineaId = 0;
    QString unidadVenta;
    QString unidadCompra;
    fb::Decimal contenido;
    std::vector<Clave> claves;
    fb::Decimal precioLista;        // list 42
    fb::Decimal precioMayoreo;      // list 450, the station's list in the demo
    fb::Decimal precioDistribuidor; // list 451
    std::vector<Existencia> existencias;
    std::vector<QDate> compras;
    bool politicaVolumen = false; // steps 6, 12 and 24 pieces in the enabled policy 11
    bool enCombo = false;         // special price from 6 pieces in the combo offer
};

// Product lines added to the five of the stand-in company database.
struct Linea {
    int id;
    const char* nombre;
};
const std::vector<Linea>& LineasNuevas();

// A few hundred articles with Spanish names, from primerId on; the same every time.
std::vector<Articulo> GenerarArticulos(int primerId);

// The EAN-13 check digit of twelve digits.
int DigitoVerificador(const QString& doceDigitos);

} // namespace demo
