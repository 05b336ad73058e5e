#pragma once

// A fresh stand-in company database with the station's own objects installed by the program's
// installation scripts, as a first start by SYSDBA leaves it (or as an earlier program left it:
// the settings table and the procedures only, without the scan log's objects). The scripts run
// once per test process into a template, which each call copies.

#include "TestDatabases.h"
#include "data/Instalacion.h"
#include "firebird/Connection.h"
#include "firebird/ScriptRunner.h"
#include "firebird/Transaction.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <stdexcept>
#include <vector>

namespace pruebas {

// antigua: only Metadatos and Permisos, as the objects of version 0 were installed.
inline QString crearPlantilla(QTemporaryDir& carpeta, bool antigua)
{
    if (!carpeta.isValid())
        throw std::runtime_error("Cannot create a folder for the installed template");
    const QString archivo = testsupport::companyDatabase(carpeta.path(), QStringLiteral("plantilla.fdb"));
    fb::Connection c;
    c.setParams(testsupport::embeddedParams(archivo));
    c.open();
    fb::Transaction t(c);
    t.start();
    std::vector<fb::ScriptFailure> fallas;
    if (antigua) {
        for (const QString& script : {scriptMetadatos(), scriptPermisos()}) {
            const std::vector<fb::ScriptFailure> f = fb::runScript(t, script, fb::ScriptDdl::CommitEach);
            fallas.insert(fallas.end(), f.begin(), f.end());
        }
    } else {
        fallas = InstalarObjetos(t);
    }
    QString errores;
    for (const fb::ScriptFailure& f : fallas)
        errores += QStringLiteral("\n%1\n  %2").arg(f.statement.left(120), f.message);
    if (!errores.isEmpty())
        throw std::runtime_error(("The installation scripts failed:" + errores).toStdString());
    t.commit();
    c.close();
    return archivo;
}

inline QString plantillaInstalada(bool antigua = false)
{
    static QTemporaryDir carpeta(QDir::tempPath() + QStringLiteral("/lumivo-instalada-XXXXXX"));
    static QTemporaryDir carpetaAntigua(QDir::tempPath() + QStringLiteral("/lumivo-instalada-XXXXXX"));
    if (antigua) {
        static const QString ruta = crearPlantilla(carpetaAntigua, true);
        return ruta;
    }
    static const QString ruta = crearPlantilla(carpeta, false);
    return ruta;
}

// carpeta/archivo (DEMO.fdb unless named), with the settings table and its default rows (the
// seventeen of the first installation and VERSION_OBJETOS), the procedures and the scan log's
// tables; `antigua`: without what came after the first installation.
inline QString empresaInstalada(const QString& carpeta, const QString& archivo = QStringLiteral("DEMO.fdb"),
                                bool antigua = false)
{
    const QString destino = QDir(carpeta).filePath(archivo);
    QDir().mkpath(carpeta);
    QFile::remove(destino);
    if (!QFile::copy(plantillaInstalada(antigua), destino))
        throw std::runtime_error(("Cannot copy the installed template to " + destino).toStdString());
    QFile::setPermissions(destino, QFile::ReadOwner | QFile::WriteOwner);
    return QFileInfo(destino).absoluteFilePath();
}

} // namespace pruebas
