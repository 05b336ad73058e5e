#include "IndiceCatalogo.h"

#include "firebird/Connection.h"
#include "firebird/Error.h"
#include "firebird/Query.h"
#include "firebird/Transaction.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QMetaObject>
#include <QTimer>
#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <future>
#include <stdexcept>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace catalogo {

namespace {

// Measured against the engine: every pair of ISO8859_1 characters through LIKE under
// ES_ES_CI_AI (tests/search/tst_indicecatalogo.cpp keeps checking it). Each class falls on
// one member; every character not listed is only equal to itself.
TablaPlegado calcularTabla()
{
    TablaPlegado t{};
    for (int c = 0; c < 256; ++c)
        t[std::size_t(c)] = static_cast<unsigned char>(c);
    const auto clase = [&t](unsigned char destino, std::initializer_list<int> miembros) {
        for (int c : miembros)
            t[std::size_t(c)] = destino;
    };
    for (int c = 'A'; c <= 'Z'; ++c)
        t[std::size_t(c)] = static_cast<unsigned char>(c - 'A' + 'a');
    clase('a', {0xAA, 0xC0, 0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xE0, 0xE1, 0xE2, 0xE3, 0xE4, 0xE5, 0xE6});
    clase('c', {0xC7, 0xE7});
    clase('d', {0xD0, 0xF0});
    clase('e', {0xC8, 0xC9, 0xCA, 0xCB, 0xE8, 0xE9, 0xEA, 0xEB});
    clase('i', {0xCC, 0xCD, 0xCE, 0xCF, 0xEC, 0xED, 0xEE, 0xEF});
    clase('o', {0xBA, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 0xD8, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF8});
    clase('s', {0xDF});
    clase('t', {0xDE, 0xFE});
    clase('u', {0xD9, 0xDA, 0xDB, 0xDC, 0xF9, 0xFA, 0xFB, 0xFC});
    clase('y', {0xDD, 0xFD, 0xFF});
    clase(0xF1, {0xD1});
    clase('0', {0xBC, 0xBD, 0xBE});
    clase('1', {0xB9});
    clase('2', {0xB2});
    clase('3', {0xB3});
    clase(0xA0, {0x9F});
    return t;
}

bool igualConComodin(const unsigned char* texto, const std::string& parte) noexcept
{
    for (std::size_t i = 0; i < parte.size(); ++i) {
        const auto p = static_cast<unsigned char>(parte[i]);
        if (p != '_' && p != texto[i])
            return false;
    }
    return true;
}

} // namespace

const TablaPlegado& tablaPlegado() noexcept
{
    static const TablaPlegado tabla = calcularTabla();
    return tabla;
}

unsigned char plegar(unsigned char c) noexcept
{
    return tablaPlegado()[c];
}

// ---- patterns -----------------------------------------------------------------------------

std::optional<Patron> Patron::crear(const QString& patron, const TablaPlegado& tabla)
{
    Patron p;
    std::string parte;
    for (const QChar c : patron) {
        if (c.unicode() == 0 || c.unicode() > 0xFF)
            return std::nullopt;
        if (c == u'%') {
            p.m_partes.push_back(std::exchange(parte, {}));
            continue;
        }
        parte += static_cast<char>(c == u'_' ? '_' : tabla[c.unicode()]);
    }
    p.m_partes.push_back(parte);
    for (const std::string& s : p.m_partes) {
        std::size_t i = 0;
        while (i < s.size()) {
            const std::size_t fin = std::min(s.find('_', i), s.size());
            if (fin - i > p.m_ancla.size())
                p.m_ancla = s.substr(i, fin - i);
            i = fin + 1;
        }
    }
    return p;
}

bool Patron::coincide(const unsigned char* texto, std::size_t largo) const noexcept
{
    const std::string& primera = m_partes.front();
    if (m_partes.size() == 1)
        return largo == primera.size() && igualConComodin(texto, primera);
    const std::string& ultima = m_partes.back();
    if (largo < primera.size() + ultima.size() || !igualConComodin(texto, primera) ||
        !igualConComodin(texto + largo - ultima.size(), ultima))
        return false;
    // The parts in between, each at its leftmost place after the previous one: the leftmost
    // leaves the most room for the rest.
    std::size_t desde = primera.size();
    const std::size_t hasta = largo - ultima.size();
    for (std::size_t k = 1; k + 1 < m_partes.size(); ++k) {
        const std::string& parte = m_partes[k];
        if (parte.empty())
            continue;
        bool hallada = false;
        for (; desde + parte.size() <= hasta; ++desde) {
            if (igualConComodin(texto + desde, parte)) {
                hallada = true;
                break;
            }
        }
        if (!hallada)
            return false;
        desde += parte.size();
    }
    return true;
}

// ---- bytes --------------------------------------------------------------------------------

Bytes::Bytes(Bytes&& otro) noexcept
    : m_datos(std::exchange(otro.m_datos, nullptr))
    , m_largo(std::exchange(otro.m_largo, 0))
    , m_capacidad(std::exchange(otro.m_capacidad, 0))
{
}

Bytes& Bytes::operator=(Bytes&& otro) noexcept
{
    if (this != &otro) {
        std::free(m_datos);
        m_datos = std::exchange(otro.m_datos, nullptr);
        m_largo = std::exchange(otro.m_largo, 0);
        m_capacidad = std::exchange(otro.m_capacidad, 0);
    }
    return *this;
}

Bytes::~Bytes()
{
    std::free(m_datos);
}

unsigned char* Bytes::agregar(std::size_t n)
{
    if (m_largo + n > m_capacidad) {
        const std::size_t capacidad = std::max({m_largo + n, m_capacidad * 2, std::size_t(4096)});
        void* nuevos = std::realloc(m_datos, capacidad);
        if (!nuevos)
            throw std::bad_alloc();
        m_datos = static_cast<unsigned char*>(nuevos);
        m_capacidad = capacidad;
    }
    unsigned char* r = m_datos + m_largo;
    m_largo += n;
    return r;
}

void Bytes::recortar() noexcept
{
    if (m_largo == m_capacidad)
        return;
    if (m_largo == 0) {
        std::free(std::exchange(m_datos, nullptr));
        m_capacidad = 0;
        return;
    }
    if (void* menos = std::realloc(m_datos, m_largo)) {
        m_datos = static_cast<unsigned char*>(menos);
        m_capacidad = m_largo;
    }
}

// ---- texts --------------------------------------------------------------------------------

namespace {

constexpr std::size_t kFin = std::size_t(-1);

// w bits (at most 64) of a packed stream at bit p.
std::uint64_t leerBits(const std::uint64_t* palabras, std::uint64_t p, unsigned w) noexcept
{
    if (w == 0)
        return 0;
    const std::uint64_t palabra = p / 64;
    const unsigned desplazamiento = unsigned(p % 64);
    std::uint64_t v = palabras[palabra] >> desplazamiento;
    if (desplazamiento + w > 64)
        v |= palabras[palabra + 1] << (64 - desplazamiento);
    return w == 64 ? v : v & ((std::uint64_t(1) << w) - 1);
}

} // namespace

// A run of texts folded and laid end to end, with the article of each text, in the order they
// were added. Nothing is kept per text but its characters and a few bits: the texts' lengths and
// articles are packed by blocks.
class Tramo {
public:
    void agregar(std::int32_t articulo, QStringView latin1, const TablaPlegado& plegado);
    void agregar(std::int32_t articulo, QByteArrayView latin1, const TablaPlegado& plegado);
    void cerrar();
    std::vector<std::int32_t> buscar(const Patron& patron, std::size_t maximo) const;
    std::size_t cantidad() const noexcept { return m_cantidad; }
    std::size_t bytes() const noexcept;
    void contenido(std::vector<std::pair<std::int32_t, std::string>>& r) const;

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
    // The block being filled: only while adding.
    struct Pendientes {
        std::array<std::uint32_t, kPaso> articulos{};
        std::array<std::uint16_t, kPaso> largos{};
    };
    void agregarArticulo(std::int32_t articulo, std::size_t largo);
    void escribirBits(std::uint64_t v, unsigned ancho);
    void cerrarBloque();
    std::size_t hallar(const Ancla& ancla, std::size_t desde) const noexcept;

    Bytes m_texto;
    std::vector<std::uint64_t> m_saltos; // the packed differences and lengths
    std::uint64_t m_bits = 0;            // bits used in m_saltos
    std::vector<Bloque> m_bloques;
    std::size_t m_cantidad = 0;
    std::unique_ptr<Pendientes> m_pendientes;
    std::array<std::uint32_t, 256> m_frecuencia{}; // of each folded byte: the rarest are looked for first
};

void Tramo::agregarArticulo(std::int32_t articulo, std::size_t largo)
{
    const std::size_t enBloque = m_cantidad % kPaso;
    if (enBloque == 0) {
        if (m_texto.size() > UINT32_MAX || m_bits > UINT32_MAX)
            throw std::length_error("catalogue index: a column of more than 4 GB");
        m_bloques.push_back({std::uint32_t(m_texto.size()), std::uint32_t(m_bits), 0, 0, 0, 0, 0});
    }
    if (largo > UINT16_MAX)
        throw std::length_error("catalogue index: a text of more than 65,535 characters");
    if (!m_pendientes)
        m_pendientes = std::make_unique<Pendientes>();
    m_pendientes->articulos[enBloque] = static_cast<std::uint32_t>(articulo);
    m_pendientes->largos[enBloque] = static_cast<std::uint16_t>(largo);
    ++m_cantidad;
}

void Tramo::agregar(std::int32_t articulo, QStringView latin1, const TablaPlegado& plegado)
{
    agregarArticulo(articulo, std::size_t(latin1.size()));
    unsigned char* d = m_texto.agregar(std::size_t(latin1.size()));
    for (const QChar c : latin1) {
        // The connection's character set is ISO8859_1: nothing wider arrives.
        const unsigned char f = plegado[c.unicode() <= 0xFF ? c.unicode() : '?'];
        ++m_frecuencia[f];
        *d++ = f;
    }
    if (m_cantidad % kPaso == 0)
        cerrarBloque();
}

void Tramo::agregar(std::int32_t articulo, QByteArrayView latin1, const TablaPlegado& plegado)
{
    agregarArticulo(articulo, std::size_t(latin1.size()));
    unsigned char* d = m_texto.agregar(std::size_t(latin1.size()));
    for (const char c : latin1) {
        const unsigned char f = plegado[static_cast<unsigned char>(c)];
        ++m_frecuencia[f];
        *d++ = f;
    }
    if (m_cantidad % kPaso == 0)
        cerrarBloque();
}

void Tramo::escribirBits(std::uint64_t v, unsigned ancho)
{
    if (ancho == 0)
        return;
    const std::size_t palabras = std::size_t((m_bits + ancho + 63) / 64);
    if (m_saltos.size() < palabras)
        m_saltos.resize(palabras);
    const std::uint64_t palabra = m_bits / 64;
    const unsigned desplazamiento = unsigned(m_bits % 64);
    m_saltos[palabra] |= v << desplazamiento;
    if (desplazamiento + ancho > 64)
        m_saltos[palabra + 1] |= v >> (64 - desplazamiento);
    m_bits += ancho;
}

void Tramo::cerrarBloque()
{
    const std::size_t n = (m_cantidad - 1) % kPaso + 1;
    Bloque& b = m_bloques.back();
    const auto& articulos = m_pendientes->articulos;
    const auto& largos = m_pendientes->largos;
    b.primero = articulos[0];
    // The differences wrap as unsigned: a table out of order only widens its block.
    std::array<std::uint32_t, kPaso> diferencias{};
    std::uint32_t minimo = n > 1 ? UINT32_MAX : 0;
    for (std::size_t j = 1; j < n; ++j) {
        diferencias[j] = articulos[j] - articulos[j - 1];
        minimo = std::min(minimo, diferencias[j]);
    }
    std::uint32_t mayor = 0;
    for (std::size_t j = 1; j < n; ++j)
        mayor = std::max(mayor, diferencias[j] - minimo);
    const auto [menor, largoMayor] = std::minmax_element(largos.begin(), largos.begin() + std::ptrdiff_t(n));
    b.minimo = minimo;
    b.ancho = static_cast<std::uint8_t>(std::bit_width(mayor));
    b.largoMinimo = *menor;
    b.anchoLargo = static_cast<std::uint8_t>(std::bit_width(unsigned(*largoMayor - *menor)));
    for (std::size_t j = 1; j < n; ++j)
        escribirBits(diferencias[j] - minimo, b.ancho);
    for (std::size_t j = 0; j < n; ++j)
        escribirBits(unsigned(largos[j] - b.largoMinimo), b.anchoLargo);
}

void Tramo::cerrar()
{
    if (m_cantidad % kPaso != 0)
        cerrarBloque();
    m_pendientes.reset();
    m_texto.recortar();
    m_saltos.shrink_to_fit();
    m_bloques.shrink_to_fit();
}

std::size_t Tramo::bytes() const noexcept
{
    return m_texto.capacity() + m_saltos.capacity() * sizeof(std::uint64_t) + m_bloques.capacity() * sizeof(Bloque);
}

// Walks the texts in table order from any block's start, with each text's place and article.
class Tramo::Recorrido {
public:
    explicit Recorrido(const Tramo& t)
        : m_t(t)
    {
        cargar(0);
    }
    std::size_t inicio() const noexcept { return m_inicio; }
    std::size_t fin() const noexcept { return m_inicio + m_largo; }
    std::int32_t articulo() const noexcept { return static_cast<std::int32_t>(m_articulo); }
    bool alFinal() const noexcept { return m_i >= m_t.m_cantidad; } // past the last text

    void siguiente() noexcept
    {
        ++m_i;
        if (alFinal())
            return;
        if (m_i % kPaso == 0) {
            cargar(m_i / kPaso);
            return;
        }
        const Bloque& b = *m_bloque;
        m_articulo += b.minimo + std::uint32_t(leerBits(m_t.m_saltos.data(), m_bitArticulo, b.ancho));
        m_bitArticulo += b.ancho;
        m_inicio += m_largo;
        leerLargo();
    }
    // To the text that holds byte p, from the block it falls in unless the current text is
    // nearer. p lies inside the column.
    void ir(std::size_t p) noexcept
    {
        if (p < fin())
            return;
        const auto bloque = std::upper_bound(m_t.m_bloques.begin(), m_t.m_bloques.end(), p,
                                             [](std::size_t v, const Bloque& b) { return v < b.texto; }) -
                            1;
        const auto b = std::size_t(bloque - m_t.m_bloques.begin());
        if (b > m_i / kPaso)
            cargar(b);
        while (fin() <= p)
            siguiente();
    }

private:
    void cargar(std::size_t b) noexcept
    {
        m_i = b * kPaso;
        if (alFinal())
            return;
        m_bloque = &m_t.m_bloques[b];
        const std::size_t enBloque = std::min(kPaso, m_t.m_cantidad - m_i);
        m_inicio = m_bloque->texto;
        m_articulo = m_bloque->primero;
        m_bitArticulo = m_bloque->bit;
        m_bitLargo = m_bloque->bit + std::uint64_t(enBloque - 1) * m_bloque->ancho;
        m_largo = 0;
        leerLargo();
    }
    void leerLargo() noexcept
    {
        m_largo = m_bloque->largoMinimo + std::size_t(leerBits(m_t.m_saltos.data(), m_bitLargo, m_bloque->anchoLargo));
        m_bitLargo += m_bloque->anchoLargo;
    }

    const Tramo& m_t;
    const Bloque* m_bloque = nullptr;
    std::size_t m_i = 0; // the text
    std::size_t m_inicio = 0;
    std::size_t m_largo = 0;
    std::uint32_t m_articulo = 0;
    std::uint64_t m_bitArticulo = 0; // the next text's difference
    std::uint64_t m_bitLargo = 0;    // the next text's length
};

// The anchor and the two of its bytes that are rarest in the column, looked for together.
struct Tramo::Ancla {
    const std::string& texto;
    std::size_t i1 = 0, i2 = 0;
};

std::size_t Tramo::hallar(const Ancla& a, std::size_t desde) const noexcept
{
    const unsigned char* base = m_texto.data();
    const std::size_t total = m_texto.size();
    const std::size_t m = a.texto.size();
    if (total < m)
        return kFin;
    const std::size_t ultimo = total - m; // the last place it can start
    const auto* aguja = reinterpret_cast<const unsigned char*>(a.texto.data());
    const unsigned char b1 = aguja[a.i1], b2 = aguja[a.i2];
    std::size_t p = desde;
#if defined(__SSE2__)
    // Sixteen places at once: where both rare bytes sit at their distance; only those are
    // compared whole.
    const __m128i v1 = _mm_set1_epi8(static_cast<char>(b1));
    const __m128i v2 = _mm_set1_epi8(static_cast<char>(b2));
    const std::size_t lejos = std::max(a.i1, a.i2) + 16;
    for (; p + lejos <= total; p += 16) {
        const __m128i c1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + p + a.i1));
        const __m128i c2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + p + a.i2));
        auto mascara =
            static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(c1, v1), _mm_cmpeq_epi8(c2, v2))));
        while (mascara) {
            const std::size_t q = p + std::size_t(std::countr_zero(mascara));
            if (q <= ultimo && std::memcmp(base + q, aguja, m) == 0)
                return q;
            mascara &= mascara - 1;
        }
    }
#endif
    for (; p <= ultimo; ++p) {
        if (base[p + a.i1] == b1 && base[p + a.i2] == b2 && std::memcmp(base + p, aguja, m) == 0)
            return p;
    }
    return kFin;
}

std::vector<std::int32_t> Tramo::buscar(const Patron& patron, std::size_t maximo) const
{
    std::vector<std::int32_t> r;
    if (m_cantidad == 0)
        return r;
    const auto* base = m_texto.data();
    Recorrido t(*this);
    const auto probar = [&] {
        if (patron.coincide(base + t.inicio(), t.fin() - t.inicio())) {
            r.push_back(t.articulo());
            return r.size() <= maximo;
        }
        return true;
    };
    const std::string& texto = patron.ancla();
    if (texto.empty()) {
        // Nothing to look for: every text is tried.
        for (; !t.alFinal(); t.siguiente()) {
            if (!probar())
                break;
        }
        return r;
    }
    // Only texts that hold the anchor can match: find it in the whole column, try the text it
    // falls in and go on after that text.
    Ancla ancla{texto};
    const auto frecuencia = [&](std::size_t i) { return m_frecuencia[static_cast<unsigned char>(texto[i])]; };
    for (std::size_t i = 1; i < texto.size(); ++i) {
        if (frecuencia(i) < frecuencia(ancla.i1))
            ancla.i1 = i;
    }
    // The second: the rarest other byte, or another place of the same byte.
    ancla.i2 = ancla.i1;
    for (std::size_t i = 0; i < texto.size(); ++i) {
        if (i == ancla.i1)
            continue;
        const bool otro = texto[i] != texto[ancla.i1];
        const bool segundoOtro = ancla.i2 != ancla.i1 && texto[ancla.i2] != texto[ancla.i1];
        if (ancla.i2 == ancla.i1 || (otro && !segundoOtro) || (otro && frecuencia(i) < frecuencia(ancla.i2)))
            ancla.i2 = i;
    }
    for (std::size_t pos = hallar(ancla, 0); pos != kFin;) {
        // A hit across the end of a text is tried on the text it starts in, which fails (it would
        // hold the anchor earlier, and the first hit is the one found); the scan goes on after it.
        t.ir(pos);
        if (!probar())
            break;
        const std::size_t despues = t.fin();
        t.siguiente();
        if (t.alFinal())
            break;
        pos = hallar(ancla, despues);
    }
    return r;
}

void Tramo::contenido(std::vector<std::pair<std::int32_t, std::string>>& r) const
{
    if (m_cantidad == 0)
        return;
    const auto* base = reinterpret_cast<const char*>(m_texto.data());
    for (Recorrido t(*this); !t.alFinal(); t.siguiente())
        r.emplace_back(t.articulo(), std::string(base + t.inicio(), t.fin() - t.inicio()));
}

// ---- columns ------------------------------------------------------------------------------

Textos::Textos(const TablaPlegado& tabla, int desplazamiento)
    : m_plegado(tabla)
    , m_desplazamiento(desplazamiento)
{
}

Tramo& Textos::tramo(std::int32_t articulo)
{
    std::shared_ptr<Tramo>& t = m_tramos[bloqueDe(articulo)];
    if (!t)
        t = std::make_shared<Tramo>();
    return *t;
}

void Textos::agregar(std::int32_t articulo, QStringView latin1)
{
    tramo(articulo).agregar(articulo, latin1, m_plegado);
}

void Textos::agregar(std::int32_t articulo, QByteArrayView latin1)
{
    tramo(articulo).agregar(articulo, latin1, m_plegado);
}

void Textos::cerrar()
{
    for (auto& [bloque, t] : m_tramos)
        t->cerrar();
}

std::vector<std::int32_t> Textos::buscar(const Patron& patron, std::size_t maximo) const
{
    std::vector<std::int32_t> r;
    for (const auto& [bloque, t] : m_tramos) {
        const std::vector<std::int32_t> aqui = t->buscar(patron, maximo - r.size());
        r.insert(r.end(), aqui.begin(), aqui.end());
        if (r.size() > maximo)
            break;
    }
    return r;
}

std::size_t Textos::cantidad() const noexcept
{
    std::size_t n = 0;
    for (const auto& [bloque, t] : m_tramos)
        n += t->cantidad();
    return n;
}

std::size_t Textos::bytes() const noexcept
{
    std::size_t n = 0;
    for (const auto& [bloque, t] : m_tramos)
        n += t->bytes();
    return n;
}

Textos Textos::conBloques(const Textos& nuevos, const std::vector<std::int64_t>& bloques) const
{
    Textos r = *this;
    for (const std::int64_t b : bloques) {
        const auto nuevo = nuevos.m_tramos.find(b);
        if (nuevo == nuevos.m_tramos.end())
            r.m_tramos.erase(b);
        else
            r.m_tramos[b] = nuevo->second;
    }
    return r;
}

std::vector<std::pair<std::int32_t, std::string>> Textos::contenido() const
{
    std::vector<std::pair<std::int32_t, std::string>> r;
    for (const auto& [bloque, t] : m_tramos)
        t->contenido(r);
    return r;
}

// ---- building -----------------------------------------------------------------------------

namespace {

// The fingerprint of a text: HASH() of the column's letter, the article and the text, so that a
// text moved to another article, two names swapped or a name and a key alike all change it.
// A NULL (left out of the index) hashes to NULL, which count() and sum() skip.
const QString kHashNombre = QStringLiteral("hash('N' || articulo_id || ':' || nombre)");
const QString kHashClave = QStringLiteral("hash('C' || articulo_id || ':' || clave_articulo)");

// Per block of ids: the texts counted and the sums of the high and low parts of their hashes
// (HASH() gives 60 bits: summed whole they would overflow a BIGINT after 8 texts).
QString sqlHuellas(const QString& filas)
{
    return QStringLiteral("select bloque, count(h), sum(bin_shr(h, 30)), sum(bin_and(h, 1073741823))\n"
                          "from (%1) group by bloque")
        .arg(filas);
}

QString filasHuella(const QString& hash, const QString& tabla, int desplazamiento)
{
    return QStringLiteral("select bin_shr(articulo_id, %1) as bloque, %2 as h from %3")
        .arg(desplazamiento)
        .arg(hash, tabla);
}

// Both columns at once: what a refresh asks at each pause.
QString sqlHuellasAmbas(int desplazamiento)
{
    return sqlHuellas(filasHuella(kHashNombre, QStringLiteral("articulos"), desplazamiento) +
                      QStringLiteral("\nunion all\n") +
                      filasHuella(kHashClave, QStringLiteral("claves_articulos"), desplazamiento));
}

// Adds the statement's rows to `huellas`; the number of rows.
std::size_t leerHuellas(fb::Query& q, Huellas& huellas)
{
    q.open();
    std::size_t filas = 0;
    while (q.next()) {
        ++filas;
        if (q.value(0).isNull())
            continue;
        const Huella h{q.value(1).toInt64(), q.value(2).isNull() ? 0 : q.value(2).toInt64(),
                       q.value(3).isNull() ? 0 : q.value(3).toInt64()};
        if (h.textos > 0)
            huellas[q.value(0).toInt64()] += h;
    }
    q.close();
    return filas;
}

// Adds the rows (article, text) of an open statement to the column; the rows read, or nothing
// when stopped.
std::optional<std::size_t> agregarFilas(fb::Query& q, Textos& destino, const std::function<bool()>& parar)
{
    std::size_t filas = 0;
    while (q.next()) {
        if ((filas++ & 0xFFF) == 0 && parar())
            return std::nullopt;
        const fb::Value& texto = q.value(1);
        // A NULL matches no LIKE: it is left out (and so is a text without an article, which
        // no row could show).
        if (q.value(0).isNull())
            continue;
        const auto articulo = static_cast<std::int32_t>(q.value(0).toInt64());
        if (const auto* s = std::get_if<QString>(&texto.storage()))
            destino.agregar(articulo, QStringView(*s));
        else if (const auto* b = std::get_if<QByteArray>(&texto.storage()))
            destino.agregar(articulo, QByteArrayView(*b));
        else if (!texto.isNull())
            destino.agregar(articulo, QStringView(texto.toString()));
    }
    return filas;
}

// The block size for this catalogue: the smallest power of two that puts about
// articulosPorBloque articles in a block, given the span of the ids.
int desplazamientoPara(std::int64_t articulos, std::int64_t minimo, std::int64_t maximo, int articulosPorBloque)
{
    if (articulos <= 0)
        return 16;
    const double ancho = double(maximo - minimo + 1) * articulosPorBloque / double(articulos);
    int d = 0;
    while (d < 31 && double(std::int64_t(1) << d) < ancho)
        ++d;
    return d;
}

struct Columna {
    QString sql;
    QString hash;
    QString tabla;
};

// One column through a connection and snapshot of its own, with its fingerprints in the same
// snapshot when there is a block size; false when stopped. A failure of the fingerprints'
// statement (an engine without HASH(), say) leaves huellas empty: the index works without them.
// `columnaEn` gives the column to fill, once the snapshot has started.
bool leerColumna(const QStringList& parametros, const Columna& columna,
                 const std::function<Textos&(fb::Transaction&)>& columnaEn, std::optional<Huellas>& huellas,
                 const std::function<bool()>& parar, double& ms)
{
    QElapsedTimer reloj;
    reloj.start();
    fb::Connection conexion;
    conexion.setParams(parametros);
    conexion.open();
    fb::Transaction transaccion(conexion, fb::Isolation::Snapshot, fb::Access::ReadOnly);
    transaccion.start();
    Textos& destino = columnaEn(transaccion);
    fb::Query q(transaccion);
    q.setSql(columna.sql);
    q.open();
    const bool completo = agregarFilas(q, destino, parar).has_value();
    q.close();
    if (completo && destino.desplazamiento() >= 0) {
        try {
            fb::Query h(transaccion);
            h.setSql(sqlHuellas(filasHuella(columna.hash, columna.tabla, destino.desplazamiento())));
            huellas.emplace();
            leerHuellas(h, *huellas);
        } catch (const fb::Error& e) {
            if (e.isConnectionLost())
                throw;
            qWarning("Índice del catálogo: sin huellas, se leerá entero cada vez: %s", e.what());
            huellas.reset();
        }
    }
    transaccion.commit();
    conexion.close();
    destino.cerrar();
    ms = double(reloj.nsecsElapsed()) / 1e6;
    return completo;
}

const Columna kNombres{QStringLiteral("select articulo_id, nombre from articulos"), kHashNombre,
                       QStringLiteral("articulos")};
const Columna kClaves{QStringLiteral("select articulo_id, clave_articulo from claves_articulos"), kHashClave,
                      QStringLiteral("claves_articulos")};

} // namespace

std::shared_ptr<const DatosIndice> construirIndice(const QStringList& parametros, const std::atomic<bool>& parar,
                                                   const TablaPlegado& tabla, int articulosPorBloque)
{
    QElapsedTimer reloj;
    reloj.start();
    std::shared_ptr<DatosIndice> datos;
    std::atomic<bool> fallo{false};
    const std::function<bool()> detener = [&] {
        return parar.load(std::memory_order_relaxed) || fallo.load(std::memory_order_relaxed);
    };
    // The keys (the longer table) on a thread of their own, the names on this one: each read is
    // mostly the engine's work, so the two go at once on two cores. Each column is read in a
    // snapshot of its own, with its fingerprints: two snapshots a moment apart do no harm, as
    // each block's fingerprint says what was read of it. The block size comes first, from the
    // names' snapshot; the keys wait for it.
    std::optional<Huellas> huellasNombres, huellasClaves;
    std::future<bool> claves;
    double msNombres = 0;
    bool completo = false;
    const auto nombres = [&](fb::Transaction& t) -> Textos& {
        fb::Query q(t);
        q.setSql(QStringLiteral("select count(*), min(articulo_id), max(articulo_id) from articulos"));
        q.open();
        q.next();
        const int d = desplazamientoPara(q.value(0).toInt64(), q.value(1).isNull() ? 0 : q.value(1).toInt64(),
                                         q.value(2).isNull() ? 0 : q.value(2).toInt64(), articulosPorBloque);
        q.close();
        datos = std::make_shared<DatosIndice>(tabla, d);
        claves = std::async(std::launch::async, [&] {
            try {
                return leerColumna(
                    parametros, kClaves, [&](fb::Transaction&) -> Textos& { return datos->claves; }, huellasClaves,
                    detener, datos->msClaves);
            } catch (...) {
                fallo = true;
                throw;
            }
        });
        return datos->nombres;
    };
    try {
        completo = leerColumna(parametros, kNombres, nombres, huellasNombres, detener, msNombres);
    } catch (...) {
        fallo = true;
        if (claves.valid())
            claves.wait();
        throw;
    }
    completo = claves.get() && completo;
#if defined(__GLIBC__)
    // The rows' temporaries and the columns' growth leave free pages in the heaps of both
    // threads: give them back, so that what the process holds is the index.
    malloc_trim(0);
#endif
    if (!completo)
        return nullptr;
    datos->msNombres = msNombres;
    if (huellasNombres && huellasClaves) {
        datos->huellas = std::move(huellasNombres);
        for (const auto& [bloque, h] : *huellasClaves)
            (*datos->huellas)[bloque] += h;
    }
    datos->msConstruccion = double(reloj.nsecsElapsed()) / 1e6;
    return datos;
}

// ---- the window's index ---------------------------------------------------------------------

struct IndiceCatalogo::Compartido {
    std::atomic<bool> parar{false};
    std::mutex mutex;
    std::condition_variable despertar;
    bool ahora = false;                       // guarded by mutex
    bool suelto = false;                      // the owner let the worker go: nothing is sent to it any more
    bool terminado = false;                   // the worker has ended; guarded by mutex
    std::shared_ptr<const DatosIndice> datos; // guarded by mutex
    Actividad actividad;                      // guarded by mutex

    // Queued to the owner's thread, unless the owner has let the worker go (it may be gone).
    void avisar(IndiceCatalogo* dueno, void (IndiceCatalogo::*senal)())
    {
        const std::lock_guard bloqueo(mutex);
        if (!suelto)
            QMetaObject::invokeMethod(dueno, senal, Qt::QueuedConnection);
    }
};

namespace {
// A healthy worker sees the stop within a batch of rows; longer means a call the server holds.
constexpr auto kEsperaAlDetener = std::chrono::milliseconds(300);
} // namespace

IndiceCatalogo::IndiceCatalogo(std::function<QStringList()> parametros, QObject* parent, int articulosPorBloque)
    : QObject(parent)
    , m_parametros(std::move(parametros))
    , m_articulosPorBloque(articulosPorBloque)
    , m_c(std::make_shared<Compartido>())
{
    // Not from here: the owner may not be ready to answer while it is being built.
    QTimer::singleShot(0, this, &IndiceCatalogo::revisar);
}

IndiceCatalogo::~IndiceCatalogo()
{
    detener();
}

void IndiceCatalogo::detener()
{
    if (!m_hilo.joinable())
        return;
    std::unique_lock bloqueo(m_c->mutex);
    m_c->parar = true;
    m_c->despertar.notify_all();
    if (m_c->despertar.wait_for(bloqueo, kEsperaAlDetener, [this] { return m_c->terminado; })) {
        bloqueo.unlock();
        m_hilo.join();
    } else {
        // The exit and a company change do not wait on a server that stopped answering: the
        // worker ends by itself if the server ever answers, with only what it shares.
        m_c->suelto = true;
        bloqueo.unlock();
        m_hilo.detach();
    }
    m_c = std::make_shared<Compartido>();
}

void IndiceCatalogo::revisar()
{
    QStringList actuales;
    try {
        actuales = m_parametros ? m_parametros() : QStringList();
    } catch (...) {
        return; // asked again at the next change
    }
    if (actuales.isEmpty() || actuales == m_actuales)
        return;
    // Another database: the old index answers nothing about it.
    detener();
    m_actuales = actuales;
    m_hilo =
        std::thread([c = m_c, this, actuales, bloque = m_articulosPorBloque] { trabajar(c, this, actuales, bloque); });
}

void IndiceCatalogo::reconstruir()
{
    {
        const std::lock_guard bloqueo(m_c->mutex);
        m_c->ahora = true;
    }
    m_c->despertar.notify_all();
}

namespace {

// The refreshes' attachment, kept between them with its statements prepared: a refresh that
// finds nothing changed costs the fingerprints' statement and its transaction.
class Revision {
public:
    Revision(const QStringList& parametros, int desplazamiento)
        : m_desplazamiento(desplazamiento)
    {
        m_conexion.setParams(parametros);
        m_conexion.open();
        m_huellas.setSql(sqlHuellasAmbas(desplazamiento));
        m_nombres.setSql(QStringLiteral("select articulo_id, nombre from articulos\n"
                                        "where articulo_id between :desde and :hasta"));
        m_claves.setSql(QStringLiteral("select articulo_id, clave_articulo from claves_articulos\n"
                                       "where articulo_id between :desde and :hasta"));
    }
    int desplazamiento() const noexcept { return m_desplazamiento; }

    struct Resultado {
        std::shared_ptr<const DatosIndice> datos; // null: nothing changed
        bool completa = false;                    // the fingerprints cannot be followed: read everything
        bool detenido = false;
        std::size_t bloques = 0;
        std::size_t filas = 0;
    };

    // Everything in one snapshot: the fingerprints and the blocks read again, so that what is
    // kept of each block is what its fingerprint says.
    Resultado refrescar(const DatosIndice& actuales, const std::atomic<bool>& parar)
    {
        Resultado r;
        m_transaccion.start();
        Huellas servidor;
        r.filas = leerHuellas(m_huellas, servidor);
        const Huellas& conocidas = *actuales.huellas;
        std::vector<std::int64_t> cambiados;
        for (const auto& [bloque, h] : servidor) {
            const auto c = conocidas.find(bloque);
            if (c == conocidas.end() || !(c->second == h))
                cambiados.push_back(bloque);
        }
        for (const auto& [bloque, h] : conocidas) {
            if (!servidor.count(bloque))
                cambiados.push_back(bloque);
        }
        // Read whole again: when the ids have spread so far that the blocks are many more than
        // the block size was chosen for (the next read chooses it again), and when so many blocks
        // changed that reading them one by one would cost more round trips than the whole read.
        const std::size_t muchos = std::max<std::size_t>(8, conocidas.size() / 4);
        if (servidor.size() > 2 * conocidas.size() + 8 || cambiados.size() > muchos) {
            m_transaccion.commit();
            r.completa = true;
            return r;
        }
        if (cambiados.empty()) {
            m_transaccion.commit();
            return r;
        }
        std::sort(cambiados.begin(), cambiados.end());
        Textos nombres(tablaPlegado(), m_desplazamiento), claves(tablaPlegado(), m_desplazamiento);
        const std::function<bool()> detener = [&parar] { return parar.load(std::memory_order_relaxed); };
        for (const std::int64_t bloque : cambiados) {
            // The ids of the block, within INTEGER's range (the column's type).
            const std::int64_t desde =
                std::max<std::int64_t>(bloque * (std::int64_t(1) << m_desplazamiento), INT32_MIN);
            const std::int64_t hasta =
                std::min<std::int64_t>((bloque + 1) * (std::int64_t(1) << m_desplazamiento) - 1, INT32_MAX);
            for (auto [q, destino] : {std::pair{&m_nombres, &nombres}, std::pair{&m_claves, &claves}}) {
                q->setParam(QStringLiteral("desde"), desde);
                q->setParam(QStringLiteral("hasta"), hasta);
                q->open();
                const std::optional<std::size_t> filas = agregarFilas(*q, *destino, detener);
                q->close();
                if (!filas) {
                    m_transaccion.rollback();
                    r.detenido = true;
                    return r;
                }
                r.filas += *filas;
            }
        }
        m_transaccion.commit();
        nombres.cerrar();
        claves.cerrar();
        auto datos = std::make_shared<DatosIndice>(tablaPlegado(), m_desplazamiento);
        datos->nombres = actuales.nombres.conBloques(nombres, cambiados);
        datos->claves = actuales.claves.conBloques(claves, cambiados);
        datos->huellas = std::move(servidor);
        r.bloques = cambiados.size();
        r.datos = std::move(datos);
        return r;
    }

private:
    int m_desplazamiento;
    fb::Connection m_conexion;
    fb::Transaction m_transaccion{m_conexion, fb::Isolation::Snapshot, fb::Access::ReadOnly};
    fb::Query m_huellas{m_transaccion};
    fb::Query m_nombres{m_transaccion};
    fb::Query m_claves{m_transaccion};
};

} // namespace

void IndiceCatalogo::trabajar(const std::shared_ptr<Compartido>& c, IndiceCatalogo* dueno, QStringList parametros,
                              int articulosPorBloque)
{
    // A whole read at the start (there is no index yet; a company change starts another worker),
    // when the last build gave no fingerprints, and after a refresh that could not follow them:
    // its statement failed on a working attachment, the blocks spread too far, too many changed.
    // A lost attachment only asks for another one: the fingerprints still say what the index
    // holds.
    bool completa = true;
    std::unique_ptr<Revision> revision;
    while (!c->parar) {
        int pausa = kPausaMinimaMs;
        try {
            std::shared_ptr<const DatosIndice> actuales;
            {
                const std::lock_guard bloqueo(c->mutex);
                actuales = c->datos;
            }
            if (!completa && actuales && actuales->huellas) {
                QElapsedTimer reloj;
                reloj.start();
                if (!revision || revision->desplazamiento() != actuales->nombres.desplazamiento())
                    revision = std::make_unique<Revision>(parametros, actuales->nombres.desplazamiento());
                Revision::Resultado r = revision->refrescar(*actuales, c->parar);
                pausa = std::max(kPausaMinimaMs, int(double(reloj.nsecsElapsed()) / 1e6 * 10));
                completa = r.completa;
                if (!completa && !r.detenido) {
                    const bool cambio = r.datos != nullptr;
                    {
                        const std::lock_guard bloqueo(c->mutex);
                        if (cambio)
                            c->datos = std::move(r.datos);
                        ++c->actividad.revisiones;
                        c->actividad.bloquesReleidos += r.bloques;
                        c->actividad.filasLeidas += r.filas;
                    }
                    if (cambio)
                        c->avisar(dueno, &IndiceCatalogo::construido);
                    c->avisar(dueno, &IndiceCatalogo::revisado);
                }
            }
            if (completa && !c->parar) {
                revision.reset();
                auto nuevos = construirIndice(parametros, c->parar, tablaPlegado(), articulosPorBloque);
                if (nuevos) {
                    pausa = std::max(kPausaMinimaMs, int((nuevos->msNombres + nuevos->msClaves) * 10));
                    completa = !nuevos->huellas;
                    {
                        const std::lock_guard bloqueo(c->mutex);
                        c->datos = std::move(nuevos);
                        ++c->actividad.lecturasCompletas;
                    }
                    c->avisar(dueno, &IndiceCatalogo::construido);
                    c->avisar(dueno, &IndiceCatalogo::revisado);
                }
            }
        } catch (const std::exception& e) {
            // The last build (or the statement, while there is none) goes on serving; the next
            // attempt comes after the pause.
            qWarning("Índice del catálogo: %s", e.what());
            const auto* error = dynamic_cast<const fb::Error*>(&e);
            if (!(error && error->isConnectionLost()))
                completa = true;
            revision.reset();
        }
        std::unique_lock bloqueo(c->mutex);
        c->despertar.wait_for(bloqueo, std::chrono::milliseconds(pausa), [&c] { return c->parar || c->ahora; });
        c->ahora = false;
    }
    {
        const std::lock_guard bloqueo(c->mutex);
        c->terminado = true;
    }
    c->despertar.notify_all();
}
IndiceCatalogo::Actividad IndiceCatalogo::actividad() const
{
    const std::lock_guard bloqueo(m_c->mutex);
    return m_c->actividad;
}

bool IndiceCatalogo::listo() const
{
    return datos() != nullptr;
}

std::shared_ptr<const DatosIndice> IndiceCatalogo::datos() const
{
    const std::lock_guard bloqueo(m_c->mutex);
    return m_c->datos;
}

namespace {
std::optional<std::vector<std::int32_t>> buscarEn(const std::shared_ptr<const DatosIndice>& datos,
                                                  const Textos DatosIndice::*columna, const QString& texto)
{
    if (!datos)
        return std::nullopt;
    const std::optional<Patron> patron = Patron::crear(texto);
    if (!patron)
        return std::nullopt;
    std::vector<std::int32_t> r = ((*datos).*columna).buscar(*patron, IndiceCatalogo::kMaximoArticulos);
    if (r.size() > IndiceCatalogo::kMaximoArticulos)
        return std::nullopt;
    return r;
}
} // namespace

std::optional<std::vector<std::int32_t>> IndiceCatalogo::porNombre(const QString& patron) const
{
    return buscarEn(datos(), &DatosIndice::nombres, patron);
}

std::optional<std::vector<std::int32_t>> IndiceCatalogo::porClave(const QString& patron) const
{
    return buscarEn(datos(), &DatosIndice::claves, patron);
}

} // namespace catalogo
