#pragma once

#include <QByteArrayView>
#include <QObject>
#include <QStringList>
#include <QStringView>
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
    // reports its own error) or a NUL (left to the statement too).
    static std::optional<Patron> crear(const QString& patron, const TablaPlegado& tabla = tablaPlegado());
    bool coincide(const unsigned char* texto, std::size_t largo) const noexcept;
    // The longest run without wildcards, searched for in the whole text at once.
    const std::string& ancla() const noexcept { return m_ancla; }

private:
    std::vector<std::string> m_partes; // between the "%"; the first and last may be empty
    std::string m_ancla;
};

// Bytes grown and trimmed with realloc: a large block grows and shrinks in place (the C
// library remaps its pages) instead of being copied, so a build never holds a column twice.
class Bytes {
public:
    Bytes() = default;
    Bytes(Bytes&& otro) noexcept;
    Bytes& operator=(Bytes&& otro) noexcept;
    Bytes(const Bytes&) = delete;
    Bytes& operator=(const Bytes&) = delete;
    ~Bytes();

    unsigned char* agregar(std::size_t n); // n more bytes at the end; throws std::bad_alloc
    void recortar() noexcept;              // capacity down to the size
    const unsigned char* data() const noexcept { return m_datos; }
    std::size_t size() const noexcept { return m_largo; }
    std::size_t capacity() const noexcept { return m_capacidad; }

private:
    unsigned char* m_datos = nullptr;
    std::size_t m_largo = 0;
    std::size_t m_capacidad = 0;
};

// One column of texts folded and laid end to end, with the article of each text, in the order
// the table was read. Nothing is kept per text but its characters and a few bits: the texts'
// lengths and articles are packed by blocks.
class Textos {
public:
    explicit Textos(const TablaPlegado& tabla = tablaPlegado());
    // latin1 holds ISO8859_1 characters (one per QChar, as the connection delivers them).
    void agregar(std::int32_t articulo, QStringView latin1);
    void agregar(std::int32_t articulo, QByteArrayView latin1);
    void cerrar(); // done adding: trims the spare capacity
    // The articles of the texts that match, in table order; one per matching text. Stops after
    // maximo + 1 (the caller then knows there are more than maximo).
    std::vector<std::int32_t> buscar(const Patron& patron, std::size_t maximo) const;
    std::size_t cantidad() const noexcept { return m_cantidad; }
    std::size_t bytes() const noexcept;

private:
    class Recorrido;
    struct Ancla;
    static constexpr std::size_t kPaso = 128; // texts per block
    // Every kPaso texts: where the block starts and the article of its first text. The others
    // are each the difference from the previous article, less the block's smallest, in `ancho`
    // bits: none when the articles go up one by one (names in table order), one when two or
    // three keys share an article, wider only where the table is out of order. Then each
    // text's length less the block's shortest, in `anchoLargo` bits.
    struct Bloque {
        std::uint32_t texto;   // offset in m_texto
        std::uint32_t bit;     // offset in m_saltos
        std::uint32_t primero; // the article of its first text (as unsigned: differences wrap)
        std::uint32_t minimo;  // the smallest difference
        std::uint16_t largoMinimo;
        std::uint8_t ancho;
        std::uint8_t anchoLargo;
    };
    void agregarArticulo(std::int32_t articulo, std::size_t largo);
    void escribirBits(std::uint64_t v, unsigned ancho);
    void cerrarBloque();
    std::size_t hallar(const Ancla& ancla, std::size_t desde) const noexcept;

    TablaPlegado m_plegado;
    Bytes m_texto;
    std::vector<std::uint64_t> m_saltos; // the packed differences and lengths
    std::uint64_t m_bits = 0;            // bits used in m_saltos
    std::vector<Bloque> m_bloques;
    std::size_t m_cantidad = 0;
    std::array<std::uint32_t, kPaso> m_pendientes{}; // the block being filled: its articles
    std::array<std::uint16_t, kPaso> m_largos{};     // and its texts' lengths
    std::array<std::uint32_t, 256> m_frecuencia{};   // of each folded byte: the rarest are looked for first
};

struct DatosIndice {
    explicit DatosIndice(const TablaPlegado& tabla = tablaPlegado())
        : nombres(tabla)
        , claves(tabla)
    {
    }
    Textos nombres; // ARTICULOS.NOMBRE
    Textos claves;  // CLAVES_ARTICULOS.CLAVE_ARTICULO
    double msConstruccion = 0;
    double msNombres = 0; // each column's read, at the same time on two connections
    double msClaves = 0;
};

// Reads the two columns at the same time, each through a connection and transaction of its own
// (the caller's thread reads the names, another one the keys); throws fb::Error. The stop flag
// is checked while reading; a failure of one column stops the other.
std::shared_ptr<const DatosIndice> construirIndice(const QStringList& parametros, const std::atomic<bool>& parar,
                                                   const TablaPlegado& tabla = tablaPlegado());

// The index as the search window uses it. It builds in a worker thread (with a second one for
// the keys), on connections of its own, once the data module's connection is open, and
// rebuilds periodically; matching runs on the caller's thread against the last finished build,
// so it never waits for a build.
class IndiceCatalogo : public QObject {
    Q_OBJECT
public:
    // More matches than this are left to the statement: the rows are read by article through a
    // list that must fit one text parameter, and with that many matches the statement reaches
    // its first screen after a short read anyway.
    static constexpr std::size_t kMaximoArticulos = 2500;
    // The pause between builds: at least this, and ten times the last build's reading time
    // (both columns' added: they are read at once), so that refreshing takes at most a tenth of
    // a core.
    static constexpr int kPausaMinimaMs = 30000;

    // parametros gives the database to index: the connection's parameters while the company is
    // open, empty otherwise. It is asked on this thread once the event loop runs and then at each
    // revisar(), which the owner calls when the company changes (Tdm::empresaCambiada); nothing
    // polls. A change of parameters (another company) starts over; the same list keeps the build.
    explicit IndiceCatalogo(std::function<QStringList()> parametros, QObject* parent = nullptr);
    ~IndiceCatalogo() override;

    bool listo() const;
    // The parameters of the database it indexes (built or being built); empty until it starts.
    const QStringList& indexada() const noexcept { return m_actuales; }
    std::shared_ptr<const DatosIndice> datos() const;
    // The articles whose name / one of whose keys matches the pattern, in table order; empty
    // when the index cannot answer (not built yet, a text it cannot fold, too many matches).
    std::optional<std::vector<std::int32_t>> porNombre(const QString& patron) const;
    std::optional<std::vector<std::int32_t>> porClave(const QString& patron) const;

    // Asks the parameters again: the company may have changed.
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
    std::thread m_hilo;
    std::atomic<bool> m_parar{false};
    mutable std::mutex m_mutex;
    std::condition_variable m_despertar;
    bool m_ahora = false;                       // guarded by m_mutex
    std::shared_ptr<const DatosIndice> m_datos; // guarded by m_mutex
};

} // namespace catalogo
