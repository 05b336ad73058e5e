#pragma once

#include <QString>
#include <optional>
#include <stdexcept>

// The local settings file cannot be used: it cannot be opened, read or saved, it is not
// well-formed XML, or a name or value cannot be stored in it. what() is the Spanish message
// (UTF-8) that names the file.
class ErrorConfigIni : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A stored value does not convert to the type asked for (a boolean that reads "yes").
class ErrorConversionConfigIni : public ErrorConfigIni {
public:
    using ErrorConfigIni::ErrorConfigIni;
};

// The station's local settings file ("config.xml" in the working directory). Each section is
// a child element of the root and each key an attribute of it, stored as text.
//
// There is no cache: every call reads the whole file again, and every write, as well as every
// read that has to supply its default, saves the whole file at once. A save replaces the file
// atomically, so a crash or a full disk leaves the old file, and waits until the disk holds the
// new one (a drag may put that wait off, see SincronizacionAplazada); a file that cannot be read
// is never overwritten. Section and key names are compared exactly; two sections of the same
// name read as one, a later attribute winning, and are merged into the first when the file is
// next saved; nothing else is ever removed or reordered. The file is always saved
// as UTF-8. Files over 1 MiB, nested deeper than 256 elements or declaring entities are refused
// as unreadable.
class ConfigIni {
public:
    // A relative path is resolved against the working directory at each call.
    explicit ConfigIni(const QString& ruta = QStringLiteral("config.xml"));

    const QString& ruta() const noexcept { return m_ruta; }

    // Reads return the stored value; a missing file, section or key is not an error: the default
    // is written into the file and returned.
    QString ConfigIni_str(const QString& seccion, const QString& clave, const QString& porDefecto);
    // The stored text as EnteroIni (data/ConversionIni.h) reads it: any text that is no number reads
    // as 0, not as the default, and the file is not corrected.
    int ConfigIni_int(const QString& seccion, const QString& clave, int porDefecto);
    // The stored text as LogicoIni (data/ConversionIni.h) reads it: "true"/"false" in any letter
    // case, or a number (0 is false). Anything else throws ErrorConversionConfigIni.
    bool ConfigIni_bool(const QString& seccion, const QString& clave, bool porDefecto);

    // The stored text of a key that only some stations set (kiosk mode, the automatic start): nothing
    // when the file, the section or the key is missing, and the file is never written, so a station
    // without them keeps its file as it is. An unreadable file throws ErrorConfigIni.
    std::optional<QString> consultar(const QString& seccion, const QString& clave);

    // Writes always save the file, even when the value is already stored.
    void ConfigIni_strW(const QString& seccion, const QString& clave, const QString& valor);
    void ConfigIni_intW(const QString& seccion, const QString& clave, int valor);
    void ConfigIni_boolW(const QString& seccion, const QString& clave, bool valor);

    // A drag saves the file on every mouse movement, and on a busy disk waiting for it takes longer
    // than the movement. While one of these lives, saves are as atomic as ever (the old file or the
    // whole new one, never a cut one) but do not wait for the disk; sincronizar() at the end of the
    // drag does, once.
    class SincronizacionAplazada {
    public:
        explicit SincronizacionAplazada(ConfigIni& config) noexcept;
        ~SincronizacionAplazada();
        SincronizacionAplazada(const SincronizacionAplazada&) = delete;
        SincronizacionAplazada& operator=(const SincronizacionAplazada&) = delete;

    private:
        ConfigIni& m_config;
    };

    // Waits until the disk holds the file as the last save left it; nothing to do unless a save since
    // the last one that waited did not wait, or failed part-way. Throws ErrorConfigIni.
    void sincronizar();

    // A save left unsynced is synced here; a failure has nobody to tell.
    ~ConfigIni();
    ConfigIni(const ConfigIni&) = delete;
    ConfigIni& operator=(const ConfigIni&) = delete;

private:
    // The tests of the saves and of the design-mode drag watch when a sync is owed.
    friend class TestGuardado;
    friend class TestDiseno;
    // True while the disk may not yet hold the file as the last save left it.
    bool sinSincronizar() const noexcept { return m_sinSincronizar; }

    // The stored text, or nothing when the default had to be written.
    std::optional<QString> leer(const QString& seccion, const QString& clave, const QString& porDefecto);
    void escribir(const QString& seccion, const QString& clave, const QString& valor);
    // Replaces the file with the saved document.
    void guardar(const QByteArray& datos);

    QString m_ruta;
    int m_aplazadas = 0;
    bool m_sinSincronizar = false;
};
