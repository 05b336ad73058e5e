#pragma once

// A fresh stand-in company database with the station's own objects installed by the program's
// installation scripts, as a first start by SYSDBA leaves it. The scripts run once per test process
// into a template, which each call copies.

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

namespace pruebas {

inline QString plantillaInstalada()
{
    static QTemporaryDir carpeta(QDir::tempPath() + QStringLiteral("/lumivo-instalada-XXXXXX"));
    static const QString ruta = [] {
        if (!carpeta.isValid())
            throw std::runtime_error("Cannot create a folder for the installed template");
        const QString archivo = testsupport::companyDatabase(carpeta.path(), QStringLiteral("plantilla.fdb"));
        fb::Connection c;
        c.setParams(testsupport::embeddedParams(archivo));
        c.open();
        fb::Transaction t(c);
        t.start();
        QString errores;
        for (const QString& script : {scriptMetadatos(), scriptPermisos()}) {
            for (const fb::ScriptFailure& f : fb::runScript(t, script, fb::ScriptDdl::CommitEach))
                errores += QStringLiteral("\n%1\n  %2").arg(f.statement.left(120), f.message);
        }
        if (!errores.isEmpty())
            throw std::runtime_error(("The installation scripts failed:" + errores).toStdString());
        t.commit();
        c.close();
        return archivo;
    }();
    return ruta;
}

// carpeta/archivo (DEMO.fdb unless named), with the settings table and its seventeen default rows.
inline QString empresaInstalada(const QString& carpeta, const QString& archivo = QStringLiteral("DEMO.fdb"))
{
    const QString destino = QDir(carpeta).filePath(archivo);
    QDir().mkpath(carpeta);
    QFile::remove(destino);
    if (!QFile::copy(plantillaInstalada(), destino))
        throw std::runtime_error(("Cannot copy the installed template to " + destino).toStdString());
    QFile::setPermissions(destino, QFile::ReadOwner | QFile::WriteOwner);
    return QFileInfo(destino).absoluteFilePath();
}

} // namespace pruebas
