#include "TitulosBusqueda.h"

namespace {

const QString kIndicador = QStringLiteral("\u25B6");

} // namespace

TitulosBusqueda::TitulosBusqueda(QObject* parent)
    : QIdentityProxyModel(parent)
{
    // A new result has no current row yet.
    connect(this, &QAbstractItemModel::modelReset, this, [this] { m_filaActual = -1; });
}

QString TitulosBusqueda::titulo(int columna) const
{
    const QString propio = m_titulos.value(columna);
    if (!propio.isEmpty() || !sourceModel())
        return propio;
    return sourceModel()->headerData(columna, Qt::Horizontal).toString();
}

void TitulosBusqueda::setTitulo(int columna, const QString& titulo)
{
    if (columna < 0)
        return;
    while (m_titulos.size() <= columna)
        m_titulos.append(QString());
    if (m_titulos[columna] == titulo)
        return;
    m_titulos[columna] = titulo;
    emit headerDataChanged(Qt::Horizontal, columna, columna);
}

void TitulosBusqueda::setFilaActual(int fila)
{
    if (fila == m_filaActual)
        return;
    const int anterior = m_filaActual;
    m_filaActual = fila;
    if (anterior >= 0 && anterior < rowCount())
        emit headerDataChanged(Qt::Vertical, anterior, anterior);
    if (fila >= 0 && fila < rowCount())
        emit headerDataChanged(Qt::Vertical, fila, fila);
}

QVariant TitulosBusqueda::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role == Qt::DisplayRole) {
        if (orientation == Qt::Horizontal)
            return titulo(section);
        return section == m_filaActual ? kIndicador : QString();
    }
    if (orientation == Qt::Vertical)
        return {};
    return QIdentityProxyModel::headerData(section, orientation, role);
}
