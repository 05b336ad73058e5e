#pragma once

#include <QIdentityProxyModel>
#include <QStringList>

// The search result as the grid shows it: the titles the operator's stored layout gives the
// columns, and the row indicator beside the current row. Rows, cells and fetching on demand
// are the source model's.
class TitulosBusqueda : public QIdentityProxyModel {
    Q_OBJECT
public:
    explicit TitulosBusqueda(QObject* parent = nullptr);

    // The title of a column; an empty one falls back to the source's.
    QString titulo(int columna) const;
    void setTitulo(int columna, const QString& titulo);

    // The row the indicator points at; -1 for none.
    int filaActual() const noexcept { return m_filaActual; }
    void setFilaActual(int fila);

    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QStringList m_titulos;
    int m_filaActual = -1;
};
