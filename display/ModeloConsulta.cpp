#include "ModeloConsulta.h"

#include "Celda.h"
#include "firebird/Query.h"
#include "platform/ErrorReport.h"

#include <QBrush>

ModeloConsulta::ModeloConsulta(DescripcionRejilla descripcion, QObject* parent, int lote)
    : QAbstractTableModel(parent)
    , m_descripcion(std::move(descripcion))
    , m_lote(lote > 0 ? lote : kLote)
    , m_columnas(m_descripcion.columnas.size(), -1)
{
}

void ModeloConsulta::recargar(fb::Query& consulta, const std::function<void()>& abrir)
{
    // The view lets go of the old rows before the query is touched.
    beginResetModel();
    m_filas.clear();
    m_fin = true;
    m_pedirMas = nullptr;
    m_loteAPedido = false;
    m_consulta = &consulta;
    try {
        abrir();
        // The result's columns follow from the statement's text: a scan that runs the same
        // statement again keeps the binding.
        if (m_sqlColumnas.isNull() || consulta.sql() != m_sqlColumnas)
            enlazarColumnas(consulta);
        m_fin = false;
        m_filas = leerLote();
    } catch (...) {
        m_filas.clear();
        m_fin = true;
        olvidarColumnas();
        endResetModel();
        throw;
    }
    endResetModel();
}

void ModeloConsulta::cargarPorLotes(FilasLeidas primeras, bool completo, std::function<void()> pedirMas)
{
    cargar(std::move(primeras));
    m_fin = completo;
    m_pedirMas = completo ? std::function<void()>() : std::move(pedirMas);
}

void ModeloConsulta::agregar(std::vector<std::vector<fb::Value>> filas, bool completo)
{
    m_loteAPedido = false;
    m_fin = completo;
    if (completo)
        m_pedirMas = nullptr;
    if (filas.empty())
        return;
    beginInsertRows({}, rowCount(), rowCount() + static_cast<int>(filas.size()) - 1);
    for (auto& f : filas)
        m_filas.push_back(std::move(f));
    endInsertRows();
}

void ModeloConsulta::sinMasLotes()
{
    m_loteAPedido = false;
    m_fin = true;
    m_pedirMas = nullptr;
}

void ModeloConsulta::cargar(FilasLeidas filas)
{
    beginResetModel();
    m_consulta = nullptr;
    m_pedirMas = nullptr;
    m_loteAPedido = false;
    m_fin = true;
    olvidarColumnas();
    for (int i = 0; i < filas.columnas.size(); ++i) {
        const QString& nombre = filas.columnas[i];
        m_nombres.append(nombre);
        if (!m_indices.contains(nombre.toUpper()))
            m_indices.insert(nombre.toUpper(), i);
    }
    for (size_t c = 0; c < m_descripcion.columnas.size(); ++c)
        m_columnas[c] = indiceCampo(m_descripcion.columnas[c].campo);
    m_filas = std::move(filas.filas);
    endResetModel();
}

void ModeloConsulta::olvidarColumnas()
{
    m_sqlColumnas.clear();
    m_indices.clear();
    m_nombres.clear();
    m_columnas.assign(m_descripcion.columnas.size(), -1);
}

void ModeloConsulta::enlazarColumnas(const fb::Query& consulta)
{
    olvidarColumnas();
    for (int i = 0; i < consulta.columnCount(); ++i) {
        const QString nombre = consulta.columnName(i);
        m_nombres.append(nombre);
        if (!m_indices.contains(nombre.toUpper()))
            m_indices.insert(nombre.toUpper(), i);
    }
    for (size_t c = 0; c < m_descripcion.columnas.size(); ++c)
        m_columnas[c] = indiceCampo(m_descripcion.columnas[c].campo);
    m_sqlColumnas = consulta.sql();
}

void ModeloConsulta::setLocale(const QLocale& locale)
{
    m_locale = locale;
    if (!m_filas.empty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1), {Qt::DisplayRole});
}

std::vector<std::vector<fb::Value>> ModeloConsulta::leerLote()
{
    std::vector<std::vector<fb::Value>> lote;
    if (m_fin || !m_consulta || !m_consulta->isOpen()) {
        m_fin = true;
        return lote;
    }
    while (static_cast<int>(lote.size()) < m_lote) {
        if (!m_consulta->next()) {
            m_fin = true;
            break;
        }
        lote.push_back(m_consulta->row());
    }
    return lote;
}

int ModeloConsulta::indiceCampo(const QString& campo) const
{
    return m_indices.value(campo.trimmed().toUpper(), -1);
}

const fb::Value& ModeloConsulta::valor(int fila, const QString& campo) const
{
    static const fb::Value nulo;
    const int c = indiceCampo(campo);
    if (fila < 0 || fila >= rowCount() || c < 0)
        return nulo;
    return m_filas[static_cast<size_t>(fila)][static_cast<size_t>(c)];
}

int ModeloConsulta::localizar(const QString& campo, std::int64_t buscado)
{
    const int c = indiceCampo(campo);
    if (c < 0)
        return -1;
    for (int fila = 0;; ++fila) {
        if (fila == rowCount()) {
            // Batches read elsewhere come later, never here.
            if (!canFetchMore({}) || m_pedirMas)
                return -1;
            // Inside an operation the failure goes to the caller, not to falloAlLeer.
            std::vector<std::vector<fb::Value>> lote = leerLote();
            if (lote.empty())
                return -1;
            beginInsertRows({}, rowCount(), rowCount() + static_cast<int>(lote.size()) - 1);
            for (auto& f : lote)
                m_filas.push_back(std::move(f));
            endInsertRows();
        }
        const fb::Value& v = m_filas[static_cast<size_t>(fila)][static_cast<size_t>(c)];
        if (!v.isNull() && std::holds_alternative<std::int64_t>(v.storage()) && v.toInt64() == buscado)
            return fila;
    }
}

int ModeloConsulta::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_filas.size());
}

int ModeloConsulta::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_descripcion.columnas.size());
}

QVariant ModeloConsulta::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return {};
    const auto c = static_cast<size_t>(index.column());
    const ColumnaConsulta& col = m_descripcion.columnas[c];
    switch (role) {
    case Qt::DisplayRole: {
        const int campo = m_columnas[c];
        if (campo < 0)
            return QString();
        return formato::celda(m_filas[static_cast<size_t>(index.row())][static_cast<size_t>(campo)], col.formato,
                              m_locale);
    }
    case Qt::TextAlignmentRole:
        return static_cast<int>(col.alineacion | Qt::AlignVCenter);
    case Qt::FontRole:
        return col.fuente ? QVariant(*col.fuente) : QVariant(m_descripcion.fuente);
    case Qt::ForegroundRole:
        return QBrush(col.color.isValid() ? col.color : m_descripcion.colorTexto);
    default:
        return {};
    }
}

QVariant ModeloConsulta::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return QAbstractTableModel::headerData(section, orientation, role);
    const auto c = static_cast<size_t>(section);
    const ColumnaConsulta& col = m_descripcion.columnas[c];
    switch (role) {
    case Qt::DisplayRole:
        if (!col.titulo.isEmpty())
            return col.titulo;
        return m_columnas[c] >= 0 ? m_nombres[m_columnas[c]] : col.campo;
    case Qt::TextAlignmentRole:
        return static_cast<int>(col.alineacionTitulo | Qt::AlignVCenter);
    case Qt::FontRole:
        return m_descripcion.fuenteTitulo;
    case Qt::ForegroundRole:
        return QBrush(m_descripcion.colorTitulo);
    case Qt::BackgroundRole:
        return m_descripcion.fondoTitulo.isValid() ? QVariant(QBrush(m_descripcion.fondoTitulo)) : QVariant();
    default:
        return {};
    }
}

Qt::ItemFlags ModeloConsulta::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

bool ModeloConsulta::canFetchMore(const QModelIndex& parent) const
{
    if (parent.isValid() || m_fin)
        return false;
    if (m_pedirMas)
        return !m_loteAPedido;
    return m_consulta && m_consulta->isOpen();
}

void ModeloConsulta::fetchMore(const QModelIndex& parent)
{
    if (!canFetchMore(parent))
        return;
    if (m_pedirMas) {
        m_loteAPedido = true;
        m_pedirMas();
        return;
    }
    // Called by the view from inside Qt: a failure must not cross it.
    std::vector<std::vector<fb::Value>> lote;
    try {
        lote = leerLote();
    } catch (...) {
        m_fin = true;
        emit falloAlLeer(platform::describe(std::current_exception()));
        return;
    }
    if (lote.empty())
        return;
    beginInsertRows({}, rowCount(), rowCount() + static_cast<int>(lote.size()) - 1);
    for (auto& f : lote)
        m_filas.push_back(std::move(f));
    endInsertRows();
}
