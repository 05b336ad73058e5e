#include "ObjetosConsulta.h"

#include "TestDatabases.h"
#include "firebird/Connection.h"
#include "firebird/ScriptRunner.h"
#include "firebird/Transaction.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <stdexcept>

namespace {

[[noreturn]] void fallar(const QString& mensaje)
{
    throw std::runtime_error(mensaje.toStdString());
}

QString leerScript(const QString& nombre)
{
    const QString ruta = QStringLiteral(LUMIVO_SOURCE_DIR "/data/sql/") + nombre;
    QFile f(ruta);
    if (!f.open(QIODevice::ReadOnly))
        fallar(QStringLiteral("Cannot read %1: %2").arg(ruta, f.errorString()));
    return QString::fromUtf8(f.readAll());
}

// As the installation does it: each DDL statement committed as it succeeds.
QString construirPlantilla()
{
    static QTemporaryDir carpeta(QDir::tempPath() + QStringLiteral("/lumivo-consulta-XXXXXX"));
    if (!carpeta.isValid())
        fallar(QStringLiteral("Cannot create a folder for the template: %1").arg(carpeta.errorString()));
    const QString ruta = testsupport::companyDatabase(carpeta.path(), QStringLiteral("plantilla.fdb"));
    fb::Connection c;
    c.setParams(testsupport::embeddedParams(ruta));
    c.open();
    fb::Transaction t(c);
    t.start();
    QString errores;
    for (const char* script : {"Metadatos.sql", "Permisos.sql"}) {
        for (const fb::ScriptFailure& f :
             fb::runScript(t, leerScript(QString::fromLatin1(script)), fb::ScriptDdl::CommitEach))
            errores += QStringLiteral("\n--- %1\n    %2").arg(f.statement.left(200), f.message);
    }
    if (!errores.isEmpty())
        fallar(QStringLiteral("The installation scripts failed:") + errores);
    t.commit();
    c.close();
    return ruta;
}

} // namespace

QString empresaConObjetos(const QString& folder, const QString& fileName)
{
    static const QString plantilla = construirPlantilla();
    const QString destino = QDir(folder).filePath(fileName);
    QDir().mkpath(folder);
    QFile::remove(destino);
    if (!QFile::copy(plantilla, destino))
        fallar(QStringLiteral("Cannot copy %1 to %2").arg(plantilla, destino));
    QFile::setPermissions(destino, QFile::ReadOwner | QFile::WriteOwner);
    return QFileInfo(destino).absoluteFilePath();
}
