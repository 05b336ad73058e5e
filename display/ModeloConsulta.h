#pragma once

#include "firebird/Value.h"
#include "lookup/FilasLeidas.h"
#include "rules/Formato.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QFont>
#include <QHash>
#include <QLocale>
#include <functional>
#include <optional>
#include <vector>

namespace fb {
class Query;
}

// One column of a lookup grid.
struct ColumnaConsulta {
    QString campo;  // the result column, bound without regard to letter case
    QString titulo; // empty: the column's name as the server reports it
    int ancho = 64;
    Qt::Alignment alineacion = Qt::AlignLeft;
    Qt::Alignment alineacionTitulo = Qt::AlignLeft;
    formato::Tipo formato = formato::Tipo::Texto;
    std::optional<QFont> fuente; // unset: the grid's font
    QColor color;                // invalid: the grid's text colour
    QStringList muestras;        // the widest values the column must show whole; may widen `ancho`
};

// The look of a lookup grid and its columns, left to right.
struct DescripcionRejilla {
    QColor fondo;
    QFont fuente;
    QColor colorTexto;
    QFont fuenteTitulo;
    QColor colorTitulo;
    QColor fondoTitulo;
    std::vector<ColumnaConsulta> columnas;
};

// A read-only grid model over an fb::Query that fetches its rows on demand, a batch at a
// time; the first batch is fetched when the query is opened, so rowCount() > 0 tells
// whether the result has at least one row. Fetched rows are copied: the query may be
// closed (a commit closes every cursor of its transaction) and the rows stay on screen;
// nothing more is fetched until the next recargar(). The model exists before its query
// does (a grid shows its titles from the start), so it takes the query at each load; the
// query must outlive the model's use of it and be opened only through recargar().
class ModeloConsulta : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kLote = 50;

    explicit ModeloConsulta(DescripcionRejilla descripcion, QObject* parent = nullptr, int lote = kLote);

    // Empties the model, runs `abrir` (which closes the query, sets its text and parameters
    // and opens it), binds the columns by name and fetches the first batch. On failure the
    // model stays empty and the failure propagates.
    void recargar(fb::Query& consulta, const std::function<void()>& abrir);
    // Shows rows read elsewhere (another thread's attachment): binds the columns by name as
    // recargar() does and holds every row; nothing more is fetched.
    void cargar(FilasLeidas filas);
    // As cargar(), for the first rows of a result read elsewhere a batch at a time: unless
    // `completo`, fetchMore() calls `pedirMas` (once until its batch is in), and each batch
    // arrives through agregar(). The rows are never waited for here.
    void cargarPorLotes(FilasLeidas primeras, bool completo, std::function<void()> pedirMas);
    // The batch pedirMas() asked for, in the columns of the first rows; `completo` when it was the last.
    void agregar(std::vector<std::vector<fb::Value>> filas, bool completo);
    // The batch asked for will not come: the rows so far stay and nothing more is asked.
    void sinMasLotes();
    // pedirMas() was called and its batch is not in yet.
    bool loteEnCamino() const noexcept { return m_loteAPedido; }

    const QLocale& locale() const noexcept { return m_locale; }
    const DescripcionRejilla& descripcion() const noexcept { return m_descripcion; }

    // Any column of a fetched row, shown or not; a NULL value when the row or the column
    // does not exist.
    const fb::Value& valor(int fila, const QString& campo) const;
    // The first row whose column `campo` holds the integer `buscado`, fetching further
    // batches while none of the fetched rows matches; -1 when no row does.
    int localizar(const QString& campo, std::int64_t buscado);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

signals:
    // Fetching a further batch failed (for instance a lost connection); the rows fetched so
    // far stay and nothing more is fetched. The text is the failure's own.
    void falloAlLeer(const QString& texto);

private:
    friend class TestModeloConsulta;
    // The locale of the cell texts is the workstation's regional settings unless a test sets one.
    void setLocale(const QLocale& locale);
    // True once every row of the result has been fetched (or the cursor went away).
    bool completo() const noexcept { return m_fin; }

    std::vector<std::vector<fb::Value>> leerLote();
    int indiceCampo(const QString& campo) const;
    void enlazarColumnas(const fb::Query& consulta);
    void olvidarColumnas();

    fb::Query* m_consulta = nullptr;
    std::function<void()> m_pedirMas; // the batches of cargarPorLotes(); empty otherwise
    bool m_loteAPedido = false;       // pedirMas() was called and its batch is not in
    DescripcionRejilla m_descripcion;
    int m_lote;
    QLocale m_locale = QLocale::system();
    bool m_fin = true;
    std::vector<std::vector<fb::Value>> m_filas;
    QHash<QString, int> m_indices; // upper-cased result column name -> index; the first wins
    std::vector<int> m_columnas;   // result column of each shown column, -1 when absent
    QStringList m_nombres;         // the result's column names as the server reports them
    QString m_sqlColumnas;         // the statement the three above were bound from; null when none
};
