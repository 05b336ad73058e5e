#include "IndiceCatalogo.h"

#include "firebird/Connection.h"
#include "firebird/Query.h"
#include "firebird/Transaction.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QMetaObject>
#include <QTimer>
#include <algorithm>
#include <cstring>
#include <exception>

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

// ---- texts --------------------------------------------------------------------------------

void Textos::agregar(std::int32_t articulo, const QByteArray& latin1, const TablaPlegado& tabla)
{
    if (m_articulos.size() % kPaso == 0)
        m_inicios.push_back(static_cast<std::uint32_t>(m_texto.size()));
    m_articulos.push_back(articulo);
    for (const char c : latin1)
        m_texto += static_cast<char>(tabla[static_cast<unsigned char>(c)]);
    m_texto += '\0';
}

void Textos::cerrar()
{
    m_texto.shrink_to_fit();
    m_articulos.shrink_to_fit();
    m_inicios.shrink_to_fit();
}

std::size_t Textos::bytes() const noexcept
{
    return m_texto.capacity() + m_articulos.capacity() * sizeof(std::int32_t) +
           m_inicios.capacity() * sizeof(std::uint32_t);
}

std::vector<std::int32_t> Textos::buscar(const Patron& patron, std::size_t maximo) const
{
    std::vector<std::int32_t> r;
    const auto* base = reinterpret_cast<const unsigned char*>(m_texto.data());
    const std::size_t total = m_texto.size();
    const std::size_t n = m_articulos.size();
    const std::string& ancla = patron.ancla();
    const auto probar = [&](std::size_t i, std::size_t inicio, std::size_t fin) {
        if (patron.coincide(base + inicio, fin - inicio)) {
            r.push_back(m_articulos[i]);
            return r.size() <= maximo;
        }
        return true;
    };
    if (ancla.empty()) {
        // Nothing to look for: every text is tried.
        std::size_t inicio = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const auto* nul = static_cast<const unsigned char*>(std::memchr(base + inicio, 0, total - inicio));
            const std::size_t fin = std::size_t(nul - base);
            if (!probar(i, inicio, fin))
                break;
            inicio = fin + 1;
        }
        return r;
    }
    // Only texts that hold the anchor can match: find it in the whole column, then the text
    // it falls in (from the nearest kept start), try that one and go on after it.
    std::size_t pos = 0;
    std::size_t i = 0, inicio = 0; // the text at or before pos that was last located
    while (pos < total) {
        const void* hallado = memmem(base + pos, total - pos, ancla.data(), ancla.size());
        if (!hallado)
            break;
        const std::size_t en = std::size_t(static_cast<const unsigned char*>(hallado) - base);
        // The kept start at or before the hit, unless the last located text is nearer.
        const auto bloque = std::upper_bound(m_inicios.begin(), m_inicios.end(), static_cast<std::uint32_t>(en)) - 1;
        const std::size_t b = std::size_t(bloque - m_inicios.begin());
        if (b * kPaso > i) {
            i = b * kPaso;
            inicio = *bloque;
        }
        for (;;) {
            const auto* nul = static_cast<const unsigned char*>(std::memchr(base + inicio, 0, total - inicio));
            const std::size_t fin = std::size_t(nul - base);
            if (fin >= en) {
                if (!probar(i, inicio, fin))
                    return r;
                pos = fin + 1;
                inicio = fin + 1;
                ++i;
                break;
            }
            inicio = fin + 1;
            ++i;
        }
    }
    return r;
}

// ---- building -----------------------------------------------------------------------------

std::shared_ptr<const DatosIndice> construirIndice(const QStringList& parametros, const std::atomic<bool>& parar,
                                                   const TablaPlegado& tabla)
{
    QElapsedTimer reloj;
    reloj.start();
    auto datos = std::make_shared<DatosIndice>();
    fb::Connection conexion;
    conexion.setParams(parametros);
    conexion.open();
    fb::Transaction transaccion(conexion);
    transaccion.start(); // one snapshot for both tables
    const auto leer = [&](const QString& sql, Textos& destino) {
        fb::Query q(transaccion);
        q.setSql(sql);
        q.open();
        while (q.next()) {
            if ((destino.cantidad() & 0xFFF) == 0 && parar.load(std::memory_order_relaxed))
                return false;
            const fb::Value& texto = q.value(1);
            destino.agregar(static_cast<std::int32_t>(q.value(0).toInt64()),
                            std::get_if<QString>(&texto.storage()) ? std::get<QString>(texto.storage()).toLatin1()
                                                                   : texto.toBytes(),
                            tabla);
        }
        destino.cerrar();
        return true;
    };
    const bool completo =
        leer(QStringLiteral("select articulo_id, nombre from articulos"), datos->nombres) &&
        leer(QStringLiteral("select articulo_id, clave_articulo from claves_articulos"), datos->claves);
    transaccion.commit();
    conexion.close();
    if (!completo)
        return nullptr;
    datos->msConstruccion = double(reloj.nsecsElapsed()) / 1e6;
    return datos;
}

// ---- the window's index ---------------------------------------------------------------------

IndiceCatalogo::IndiceCatalogo(std::function<QStringList()> parametros, QObject* parent)
    : QObject(parent)
    , m_parametros(std::move(parametros))
{
    m_reloj = new QTimer(this);
    m_reloj->setInterval(1000);
    connect(m_reloj, &QTimer::timeout, this, &IndiceCatalogo::revisar);
    m_reloj->start();
}

IndiceCatalogo::~IndiceCatalogo()
{
    detener();
}

void IndiceCatalogo::detener()
{
    if (!m_hilo.joinable())
        return;
    {
        const std::lock_guard bloqueo(m_mutex);
        m_parar = true;
    }
    m_despertar.notify_all();
    m_hilo.join();
    m_parar = false;
}

void IndiceCatalogo::revisar()
{
    QStringList actuales;
    try {
        actuales = m_parametros ? m_parametros() : QStringList();
    } catch (...) {
        return; // asked again at the next tick
    }
    if (actuales.isEmpty() || actuales == m_actuales)
        return;
    detener();
    {
        const std::lock_guard bloqueo(m_mutex);
        m_datos.reset(); // another database: the old index answers nothing about it
        m_ahora = false;
    }
    m_actuales = actuales;
    m_hilo = std::thread([this, actuales] { trabajar(actuales); });
}

void IndiceCatalogo::reconstruir()
{
    {
        const std::lock_guard bloqueo(m_mutex);
        m_ahora = true;
    }
    m_despertar.notify_all();
}

void IndiceCatalogo::trabajar(QStringList parametros)
{
    while (!m_parar) {
        int pausa = kPausaMinimaMs;
        try {
            auto nuevos = construirIndice(parametros, m_parar);
            if (nuevos) {
                pausa = std::max(kPausaMinimaMs, int(nuevos->msConstruccion * 10));
                {
                    const std::lock_guard bloqueo(m_mutex);
                    m_datos = std::move(nuevos);
                }
                QMetaObject::invokeMethod(this, &IndiceCatalogo::construido, Qt::QueuedConnection);
            }
        } catch (const std::exception& e) {
            // The last build (or the statement, while there is none) goes on serving; the next
            // attempt comes after the pause.
            qWarning("Índice del catálogo: %s", e.what());
        }
        std::unique_lock bloqueo(m_mutex);
        m_despertar.wait_for(bloqueo, std::chrono::milliseconds(pausa), [this] { return m_parar || m_ahora; });
        m_ahora = false;
    }
}

bool IndiceCatalogo::listo() const
{
    return datos() != nullptr;
}

std::shared_ptr<const DatosIndice> IndiceCatalogo::datos() const
{
    const std::lock_guard bloqueo(m_mutex);
    return m_datos;
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
