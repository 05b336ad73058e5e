#pragma once

#include <QString>
#include <QTemporaryDir>
#include <QTest>

// A real, tiny file system for the file-fault tests: a tmpfs of a few pages mounted on a fresh
// folder and unmounted when the object goes. It fills up for real (a write stops part-way with
// ENOSPC, as on a full disk) and can be switched to read-only, which stops root as well as
// anyone else; permission bits do not stop root, and CI runs the tests as root.
namespace testsupport {

class DiscoPequeno {
public:
    explicit DiscoPequeno(qint64 bytes);
    ~DiscoPequeno();
    DiscoPequeno(const DiscoPequeno&) = delete;
    DiscoPequeno& operator=(const DiscoPequeno&) = delete;

    // False when mounting was not permitted; error() says why.
    bool montado() const noexcept { return m_montado; }
    const QString& error() const noexcept { return m_error; }

    const QString& ruta() const noexcept { return m_ruta; }
    QString archivo(const QString& nombre) const { return m_ruta + u'/' + nombre; }

    qint64 libres() const;
    // Writes a filler file that leaves about `bytes` free (whole pages); false on failure.
    bool llenar(qint64 bytes);
    // Removes the filler again.
    void vaciar();
    // Remounts the file system read-only, keeping what it holds.
    bool soloLectura();

private:
    QTemporaryDir m_base;
    QString m_ruta;
    bool m_montado = false;
    QString m_error;
};

} // namespace testsupport

// Skips a test that needs a mounted DiscoPequeno, or fails it when CI=true (CI runs as root).
#define LUMIVO_REQUIRE_MOUNT(disco)                                                                                    \
    do {                                                                                                               \
        if (!(disco).montado()) {                                                                                      \
            const QByteArray motivo = "cannot mount a tmpfs: " + (disco).error().toLocal8Bit();                        \
            if (qEnvironmentVariable("CI") == QLatin1String("true"))                                                   \
                QFAIL(motivo.constData());                                                                             \
            QSKIP(motivo.constData());                                                                                 \
        }                                                                                                              \
    } while (false)
