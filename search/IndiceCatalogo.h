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
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
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

class Tramo;

// One column of texts folded, with the article of each text. Without a block size the texts stay
// in the order they were added; with one (desplazamiento: a block holds the ids whose value
// shifted right by it is the same) they are kept by block of ids, blocks in ascending order and
// each in the order its texts were added, so that a block can be replaced on its own and the
// blocks nobody changed are shared with the previous build.
class Textos {
public:
    explicit Textos(const TablaPlegado& tabla = tablaPlegado(), int desplazamiento = -1);
    // latin1 holds ISO8859_1 characters (one per QChar, as the connection delivers them).
    void agregar(std::int32_t articulo, QStringView latin1);
    void agregar(std::int32_t articulo, QByteArrayView latin1);
    void cerrar(); // done adding: trims the spare capacity
    // The articles of the texts that match, in the column's order; one per matching text. Stops
    // after maximo + 1 (the caller then knows there are more than maximo).
    std::vector<std::int32_t> buscar(const Patron& patron, std::size_t maximo) const;
    std::size_t cantidad() const noexcept;
    // What the texts take (characters, packed lengths and articles); about 1 KB per block of
    // ids besides.
    std::size_t bytes() const noexcept;

    int desplazamiento() const noexcept { return m_desplazamiento; }
    std::int64_t bloqueDe(std::int32_t articulo) const noexcept
    {
        return m_desplazamiento < 0 ? 0 : std::int64_t(articulo) >> m_desplazamiento;
    }
    // This column with the given blocks taken from `nuevos` (closed, same block size): a block
    // that `nuevos` lacks is dropped. The other blocks are shared, not copied.
    Textos conBloques(const Textos& nuevos, const std::vector<std::int64_t>& bloques) const;
    // Every text folded, with its article, in the column's order: two columns compared whole.
    std::vector<std::pair<std::int32_t, std::string>> contenido() const;

private:
    Tramo& tramo(std::int32_t articulo);

    TablaPlegado m_plegado;
    int m_desplazamiento;
    std::map<std::int64_t, std::shared_ptr<Tramo>> m_tramos; // by block; not changed once closed
};

// What the server says of a block of ids: its names and keys counted, and the sum of HASH() of
// each one with its article, split in two so that the sums never overflow a BIGINT.
struct Huella {
    std::int64_t textos = 0;
    std::int64_t alta = 0; // HASH() >> 30
    std::int64_t baja = 0; // HASH() & (2^30 - 1)
    bool operator==(const Huella&) const = default;
    Huella& operator+=(const Huella& o)
    {
        textos += o.textos;
        alta += o.alta;
        baja += o.baja;
        return *this;
    }
};
using Huellas = std::map<std::int64_t, Huella>; // by block; an empty block has none

struct DatosIndice {
    explicit DatosIndice(const TablaPlegado& tabla = tablaPlegado())
        : nombres(tabla)
        , claves(tabla)
    {
    }
    DatosIndice(const TablaPlegado& tabla, int desplazamiento)
        : nombres(tabla, desplazamiento)
        , claves(tabla, desplazamiento)
    {
    }
    Textos nombres; // ARTICULOS.NOMBRE
    Textos claves;  // CLAVES_ARTICULOS.CLAVE_ARTICULO
    // Of both columns as they were read (each in the snapshot it was read in); empty when the
    // server could not give them: the next refresh then reads everything again.
    std::optional<Huellas> huellas;
    double msConstruccion = 0;
    double msNombres = 0; // each column's read, at the same time on two connections
    double msClaves = 0;
};

// Ids per block of the fingerprints, aimed at this many articles a block: the blocks' size is a
// power of two chosen from the count and the span of the ids at each whole read.
inline constexpr int kArticulosPorBloque = 2000;

// Reads the two columns at the same time, each through a connection and snapshot of its own
// (the caller's thread reads the names, another one the keys), with each block's fingerprint in
// the same snapshot; throws fb::Error. The stop flag is checked while reading; a failure of one
// column stops the other.
std::shared_ptr<const DatosIndice> construirIndice(const QStringList& parametros, const std::atomic<bool>& parar,
                                                   const TablaPlegado& tabla = tablaPlegado(),
                                                   int articulosPorBloque = kArticulosPorBloque);

// The index as the search window uses it. It builds in a worker thread (with a second one for
// the keys), on connections of its own, once the data module's connection is open; then, at
// each pause, it asks the server for the fingerprints of the blocks of ids (one statement of a
// few kilobytes, on an attachment it keeps) and reads again only the blocks whose fingerprint
// changed. Matching runs on the caller's thread against the last finished build, so it never
// waits for one.
class IndiceCatalogo : public QObject {
    Q_OBJECT
public:
    // More matches than this are left to the statement: the rows are read by article through a
    // list that must fit one text parameter, and with that many matches the statement reaches
    // its first screen after a short read anyway.
    static constexpr std::size_t kMaximoArticulos = 2500;
    // The pause between refreshes: at least this, and ten times the last one's reading time
    // (both columns' added when read at once), so that refreshing takes at most a tenth of a
    // core.
    static constexpr int kPausaMinimaMs = 30000;

    // What the worker has done since it started on this database.
    struct Actividad {
        int lecturasCompletas = 0; // whole reads of both columns
        int revisiones = 0;        // refreshes by fingerprints that ended (changed or not)
        std::size_t bloquesReleidos = 0;
        std::size_t filasLeidas = 0; // rows read by the refreshes: fingerprints, names and keys
    };

    // parametros gives the database to index: the connection's parameters while the company is
    // open, empty otherwise. It is asked on this thread once the event loop runs and then at each
    // revisar(), which the owner calls when the company changes (Tdm::empresaCambiada); nothing
    // polls. A change of parameters (another company) starts over; the same list keeps the build.
    // articulosPorBloque: the size of the fingerprints' blocks (tests use small ones).
    explicit IndiceCatalogo(std::function<QStringList()> parametros, QObject* parent = nullptr,
                            int articulosPorBloque = kArticulosPorBloque);
    ~IndiceCatalogo() override;

    bool listo() const;
    // The parameters of the database it indexes (built or being built); empty until it starts.
    const QStringList& indexada() const noexcept { return m_actuales; }
    std::shared_ptr<const DatosIndice> datos() const;
    // The articles whose name / one of whose keys matches the pattern, by block of ids and in
    // table order within each (in id order where the table is); empty
    // when the index cannot answer (not built yet, a text it cannot fold, too many matches).
    std::optional<std::vector<std::int32_t>> porNombre(const QString& patron) const;
    std::optional<std::vector<std::int32_t>> porClave(const QString& patron) const;

    // Asks the parameters again: the company may have changed.
    void revisar();
    // Wakes the worker for a refresh now (tests, and a change known to the station).
    void reconstruir();
    Actividad actividad() const;

signals:
    void construido(); // a build or a refresh that changed something finished (queued to this object's thread)
    void revisado();   // a refresh or a whole read finished, changed or not (queued too)

private:
    // What the worker shares with this object. It outlives this object when a worker held by a
    // server that stopped answering is let go: the worker then touches nothing else.
    struct Compartido;
    // Stops the worker: one that does not end within a short time (inside a call the server
    // does not answer) is let go, never waited for.
    void detener();
    static void trabajar(const std::shared_ptr<Compartido>& c, IndiceCatalogo* dueno, QStringList parametros,
                         int articulosPorBloque);

    std::function<QStringList()> m_parametros;
    const int m_articulosPorBloque;
    QStringList m_actuales;
    std::thread m_hilo;
    std::shared_ptr<Compartido> m_c;
};

} // namespace catalogo
