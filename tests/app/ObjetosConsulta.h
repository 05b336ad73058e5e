#pragma once

#include <QString>

// A fresh stand-in company database (testdata/microsip) at folder/fileName with the
// station's own objects installed from the installation scripts data/sql/Metadatos.sql and
// data/sql/Permisos.sql: the settings table with its default rows and the procedures
// ZANTOR_LMV_LISTA and ZANTOR_LMV_POL_VOL. Built once per process, then copied. Throws
// std::runtime_error when a script statement fails.
QString empresaConObjetos(const QString& folder, const QString& fileName = QStringLiteral("DEMO.fdb"));
