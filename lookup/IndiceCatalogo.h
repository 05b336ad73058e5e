#pragma once

#include <QObject>
#include <QStringList>
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

class QTimer;

// An in-memory index of the articles' names and keys for the catalogue search: it decides which
// articles match a LIKE pattern as the server's ES_ES_CI_AI collation would, without reading the
// tables. The rows themselves are still read from the database by article.
namespace catalogo {

// The ISO8859_1 character that ES_ES_CI_AI's LIKE treats as equal to c, the same for every
// member of a class: case and accents go, ª º ß æ þ ð ¹²³ ¼½¾ fall on a letter or digit, Ñ and
// ñ stay apart from N. LIKE compares character by character (ß never equals "ss").
unsigned char plegar(unsigned char c) noexcept;
// The folding of every character; a table so that a test can change one entry.
using TablaPlegado = std::array<unsigned char, 256>;
const TablaPlegado& tablaPlegado() noexcept;

// A LIKE pattern folded and split at its "%"; "_" matches any one character. No escape: a "%"
// or "_" typed by the operator is a wildcard, as in the search's statements.
class Patron {
public:
    // Empty when the text cannot be folded: a character outside ISO8859_1 (the statement then
    // reports its own error) or a NUL (which separates the index's texts).
    static std::optional<Patron> crear(const QString& patron, const TablaPlegado& tabla = tablaPlegado());
    bool coincide(const unsigned char* texto, std::size_t largo) const noexcept;
    // The longest run without wildcards, searched for in the whole text at once.
    const std::string& ancla() const noexcept { return m_ancla; }

private:
    std::vector<std::string> m_partes; // between the "%"; the first and last may be empty
    std::string m_ancla;
};

// One column of texts folded and laid end to end, each followed by a NUL, with the article of
// each text, in the order the table was read.
class Textos {
public:
    void agregar(std::int32_t articulo, const QByteArray& latin1, const TablaPlegado& tabla);
    void cerrar(); // done adding: trims the spare capacity
    // The articles of the texts that match, in table order; one per matching text.
    std::vector<std::int32_t> buscar(const Patron& patron, std::size_t maximo) const;
    std::size_t cantidad() const noexcept { return m_articulos.size(); }
    std::size_t bytes() const noexcept;

private:
    static constexpr std::size_t kPaso = 64; // one start offset kept every kPaso texts
    std::string m_texto;
    std::vector<std::int32_t> m_articulos;
    std::vector<std::uint32_t> m_inicios; // offset of text i * kPaso
};

struct DatosIndice {
    Textos nombres; // ARTICULOS.NOMBRE
    Textos claves;  // CLAVES_ARTICULOS.CLAVE_ARTICULO
    double msConstruccion = 0;
};

// Reads both columns in one snapshot through its own connection; throws fb::Error. The stop
// flag is checked while reading.
std::shared_ptr<const DatosIndice> construirIndice(const QStringList& parametros, const std::atomic<bool>& parar,
                                                   const TablaPlegado& tabla = tablaPlegado());

// The index as the search window uses it. It builds in a worker thread on a connection of its
// own once the data module's connection is open, and rebuilds periodically; matching runs on
// the caller's thread against the last finished build, so it never waits for a build.
class IndiceCatalogo : public QObject {
    Q_OBJECT
public:
    // More matches than this are left to the statement: the rows are read by article through a
    // list that must fit one text parameter, and with that many matches the statement reaches
    // its first screen after a short read anyway.
    static constexpr std::size_t kMaximoArticulos = 2500;
    // The pause between builds: at least this, and ten times the last build's time, so that
    // refreshing takes at most a tenth of a core.
    static constexpr int kPausaMinimaMs = 30000;

    // parametros is asked on this thread once a second: the connection's parameters while it
    // is open, empty otherwise. A change of parameters (another company) starts over.
    explicit IndiceCatalogo(std::function<QStringList()> parametros, QObject* parent = nullptr);
    ~IndiceCatalogo() override;

    bool listo() const;
    std::shared_ptr<const DatosIndice> datos() const;
    // The articles whose name / one of whose keys matches the pattern, in table order; empty
    // when the index cannot answer (not built yet, a text it cannot fold, too many matches).
    std::optional<std::vector<std::int32_t>> porNombre(const QString& patron) const;
    std::optional<std::vector<std::int32_t>> porClave(const QString& patron) const;

    // Checks the parameters now instead of at the next tick.
    void revisar();
    // Wakes the worker for a rebuild now (tests, and a change known to the station).
    void reconstruir();

signals:
    void construido(); // a build finished (queued to this object's thread)

private:
    void detener();
    void trabajar(QStringList parametros);

    std::function<QStringList()> m_parametros;
    QStringList m_actuales;
    QTimer* m_reloj = nullptr;
    std::thread m_hilo;
    std::atomic<bool> m_parar{false};
    mutable std::mutex m_mutex;
    std::condition_variable m_despertar;
    bool m_ahora = false;                       // guarded by m_mutex
    std::shared_ptr<const DatosIndice> m_datos; // guarded by m_mutex
};

} // namespace catalogo
