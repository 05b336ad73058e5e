#pragma once

#include "reports/Tabla.h"

#include <QAbstractTableModel>
#include <QLocale>
#include <vector>

// A report's list in a grid: each cell as the window shows it, numbers to the right. Column 0 may
// carry a green or red mark per row (the stations' health).
class ModeloTabla : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ModeloTabla(QObject* parent = nullptr);

    void cargar(reportes::Tabla tabla, std::vector<bool> marcas = {});
    const reportes::Tabla& tabla() const noexcept { return m_tabla; }

    int rowCount(const QModelIndex& padre = {}) const override;
    int columnCount(const QModelIndex& padre = {}) const override;
    QVariant data(const QModelIndex& indice, int rol) const override;
    QVariant headerData(int seccion, Qt::Orientation orientacion, int rol) const override;

private:
    reportes::Tabla m_tabla;
    std::vector<bool> m_marcas;
    QLocale m_locale;
};
