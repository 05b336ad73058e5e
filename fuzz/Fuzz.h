#pragma once

// Shared by the libFuzzer targets: a failed property aborts, so libFuzzer stores the input that
// broke it like any crash.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#define FUZZ_REQUIRE(condition)                                                                                        \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #condition);                      \
            std::abort();                                                                                              \
        }                                                                                                              \
    } while (false)

namespace fuzz {

inline QByteArray bytes(const std::uint8_t* data, std::size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

inline QString utf8(const std::uint8_t* data, std::size_t size)
{
    return QString::fromUtf8(bytes(data, size));
}

// A file in a folder of its own for the whole run. The folder lives in RAM when it can, because
// the settings store and the catalogue sync each save to disk.
inline QString archivoTemporal(const QString& nombre)
{
    static QTemporaryDir carpeta(QDir(QStringLiteral("/dev/shm")).exists()
                                     ? QStringLiteral("/dev/shm/lumivo-fuzz-XXXXXX")
                                     : QDir::tempPath() + QStringLiteral("/lumivo-fuzz-XXXXXX"));
    if (!carpeta.isValid()) {
        std::fprintf(stderr, "cannot create a temporary folder\n");
        std::abort();
    }
    return carpeta.filePath(nombre);
}

inline void escribir(const QString& ruta, const QByteArray& contenido)
{
    QFile archivo(ruta);
    if (!archivo.open(QIODevice::WriteOnly | QIODevice::Truncate) || archivo.write(contenido) != contenido.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(ruta));
        std::abort();
    }
}

// A lexer of SQL text written apart from the ones under test. Comments ("--" to the end of the
// line, "/* */") are skipped; `literal(desde, hasta)` receives each string literal or quoted
// identifier, quotes included (a doubled quote stays inside); `codigo(i)` receives every other
// character's position.
template <typename Codigo, typename Literal> void recorrerSql(const QString& s, Codigo codigo, Literal literal)
{
    const qsizetype n = s.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = s[i];
        const QChar siguiente = i + 1 < n ? s[i + 1] : QChar();
        if (c == u'\'' || c == u'"') {
            qsizetype j = i + 1;
            for (;;) {
                j = s.indexOf(c, j);
                if (j < 0) {
                    j = n;
                    break;
                }
                if (j + 1 < n && s[j + 1] == c) {
                    j += 2;
                    continue;
                }
                ++j;
                break;
            }
            literal(i, j);
            i = j;
        } else if (c == u'-' && siguiente == u'-') {
            const qsizetype fin = s.indexOf(u'\n', i);
            i = fin < 0 ? n : fin;
        } else if (c == u'/' && siguiente == u'*') {
            const qsizetype fin = s.indexOf(QStringLiteral("*/"), i + 2);
            i = fin < 0 ? n : fin + 2;
        } else {
            codigo(i);
            ++i;
        }
    }
}

inline QByteArray leer(const QString& ruta)
{
    QFile archivo(ruta);
    return archivo.open(QIODevice::ReadOnly) ? archivo.readAll() : QByteArray();
}

} // namespace fuzz
