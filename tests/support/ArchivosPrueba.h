#pragma once

// Small file helpers shared by the tests of the local settings file.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTest>
#include <optional>
#include <sys/stat.h>

namespace pruebas {

// The station's settings file in the test's working folder.
inline const QString kArchivoConfig = QStringLiteral("config.xml");

inline void escribirArchivo(const QString& ruta, const QByteArray& datos)
{
    QFile archivo(ruta);
    QVERIFY(archivo.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(archivo.write(datos), datos.size());
}

inline QByteArray contenido(const QString& ruta = kArchivoConfig)
{
    QFile archivo(ruta);
    return archivo.open(QIODevice::ReadOnly) ? archivo.readAll() : QByteArray();
}

// A save replaces the file by a rename, so a rewrite shows as a new inode even when the bytes are
// the same.
inline ino_t inodo(const QString& ruta = kArchivoConfig)
{
    struct stat datos {};
    return ::stat(QFile::encodeName(ruta).constData(), &datos) == 0 ? datos.st_ino : 0;
}

// The message of the exception that the call throws, or nothing when it throws none.
template <typename Excepcion, typename F> std::optional<QString> fallo(F&& llamada)
{
    try {
        llamada();
    } catch (const Excepcion& e) {
        return QString::fromUtf8(e.what());
    }
    return std::nullopt;
}

} // namespace pruebas
