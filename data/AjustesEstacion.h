#pragma once

#include <QObject>
#include <QString>
#include <optional>

class ConfigIni;

// The station's own choices in config.xml, read once and kept for the run:
//   "Estacion": Kiosco (kiosk mode from the next start), HablarPrecio (the found price is said
//               aloud), SegundosRespuesta (a lookup's deadline, over 0 and up to 600 seconds);
//   "Escaner":  Prefijo, Sufijo (what the scanner sends around a code);
//   "Ventana":  Restaurada (the built-in layout applies at the next start);
//   "BUSQUEDA": X_POSICION, X_AL_ESCRIBIR, Width, Height (the catalogue search window).
// Reading never writes: a key the file lacks reads as its default and stays absent, so a station
// keeps its file as it is. A file that cannot be read gives every default and is not touched (its
// writes then fail as ConfigIni's do); a value that does not read as its type gives that key's
// default. aviso() says which, in Spanish.
//
// Each change writes its one key as ConfigIni writes it (same section, key and text, the rest of
// the file kept), then keeps the value and sends cambiado(); a write that fails throws
// ErrorConfigIni and keeps the old value. Writing the keys behind its back (another ConfigIni on
// the same file) is not seen until releer().
class AjustesEstacion : public QObject {
    Q_OBJECT
public:
    static constexpr int kPlazoPorDefectoMs = 2000;

    struct Valores {
        bool kiosco = false;
        bool hablarPrecio = false;
        int plazoMs = kPlazoPorDefectoMs;
        QString prefijoEscaner;
        QString sufijoEscaner;
        bool restaurada = true;
        bool busquedaCualquierPosicion = true;
        bool busquedaAlEscribir = false;
        // The search window's outer size as stored (any number, the window bounds it); none when absent.
        std::optional<int> busquedaAncho;
        std::optional<int> busquedaAlto;
        bool operator==(const Valores&) const = default;
    };

    // Reads the file now. The store must outlive this object.
    explicit AjustesEstacion(ConfigIni& config, QObject* parent = nullptr);

    const Valores& valores() const noexcept { return m_valores; }
    bool kiosco() const noexcept { return m_valores.kiosco; }
    bool hablarPrecio() const noexcept { return m_valores.hablarPrecio; }
    int plazoMs() const noexcept { return m_valores.plazoMs; }
    const QString& prefijoEscaner() const noexcept { return m_valores.prefijoEscaner; }
    const QString& sufijoEscaner() const noexcept { return m_valores.sufijoEscaner; }
    bool restaurada() const noexcept { return m_valores.restaurada; }
    // Empty when every key read as stored (or was absent).
    const QString& aviso() const noexcept { return m_aviso; }

    void setKiosco(bool activo);
    void setHablarPrecio(bool hablar);
    void setEscaner(const QString& prefijo, const QString& sufijo);
    void setRestaurada(bool restaurada);
    // The search window's choices and outer size, as it leaves them on closing.
    void setBusqueda(bool cualquierPosicion, bool alEscribir, int ancho, int alto);

    // Reads the file again; cambiado() when something differs.
    void releer();

signals:
    void cambiado();

private:
    Valores leer();
    // Writes through `escribir`, then takes `nuevos` and tells when they differ.
    template <typename F> void cambiar(const Valores& nuevos, F&& escribir);

    ConfigIni& m_config;
    Valores m_valores;
    QString m_aviso;
};
