#pragma once

#include "data/ConfigEmpresa.h"

#include <optional>

class Tdm;

// What the start-up reads from a company before the display is ready, in one statement: the ERP's
// schema version (the highest VERSION_DB), whether the station's objects are installed (a user
// table whose name starts with ZANTOR_LMV_CONFIG) and, when the settings table is there, all its
// rows. Over a slow link that is one round trip where the checks and the settings' load, one
// statement each, took a dozen.
struct LecturaArranque {
    int versionBD = 0; // 0 for an empty VERSIONES_DB, as the check reads it
    bool instalada = false;
    std::optional<ConfigEmpresa::Tabla> ajustes;
};

// Read in the shared transaction (started when it is not active). Nothing when the statement
// cannot run on this company (an object it names is missing, a value does not fit): each step
// then reads on its own as it always has, and says what fails its own way.
std::optional<LecturaArranque> leerArranque(Tdm& dm);
