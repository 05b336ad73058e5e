#include "ModeloTabla.h"

#include "reports/Csv.h"

#include <QColor>

ModeloTabla::ModeloTabla(QObject* parent)
    : QAbstractTableModel(parent)
{
}

void ModeloTabla::cargar(reportes::Tabla tabla, std::vector<bool> marcas)
{
    beginResetModel();
    m_tabla = std::move(tabla);
    m_marcas = std::move(marcas);
    endResetModel();
}

int ModeloTabla::rowCount(const QModelIndex& padre) const
{
    return padre.isValid() ? 0 : int(m_tabla.filas.size());
}

int ModeloTabla::columnCount(const QModelIndex& padre) const
{
    return padre.isValid() ? 0 : int(m_tabla.titulos.size());
}

QVariant ModeloTabla::data(const QModelIndex& indice, int rol) const
{
    if (!indice.isValid() || std::size_t(indice.row()) >= m_tabla.filas.size())
        return {};
    const auto& fila = m_tabla.filas[std::size_t(indice.row())];
    if (std::size_t(indice.column()) >= fila.size())
        return {};
    const reportes::Celda& celda = fila[std::size_t(indice.column())];
    switch (rol) {
    case Qt::DisplayRole:
        return reportes::textoPantalla(celda, m_locale);
    case Qt::TextAlignmentRole:
        if (std::holds_alternative<std::int64_t>(celda) || std::holds_alternative<fb::Decimal>(celda))
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    case Qt::DecorationRole:
        if (indice.column() == 0 && std::size_t(indice.row()) < m_marcas.size())
            return m_marcas[std::size_t(indice.row())] ? QColor(0, 170, 60) : QColor(210, 30, 30);
        return {};
    case Qt::ToolTipRole:
        return reportes::textoPantalla(celda, m_locale);
    default:
        return {};
    }
}

QVariant ModeloTabla::headerData(int seccion, Qt::Orientation orientacion, int rol) const
{
    if (orientacion == Qt::Horizontal && rol == Qt::DisplayRole && seccion >= 0 && seccion < m_tabla.titulos.size())
        return m_tabla.titulos[seccion];
    return QAbstractTableModel::headerData(seccion, orientacion, rol);
}
