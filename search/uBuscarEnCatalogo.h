#pragma once

#include <QDialog>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class QTableView;
class ModeloConsulta;
class TitulosBusqueda;
class Tdm;
struct AjustesConsulta;

namespace catalogo {
class IndiceCatalogo;
}
namespace fb {
class Query;
class Transaction;
} // namespace fb

// The catalogue search: articles by name or by key, with one of their keys, the net price in
// the station's price list and the stock in the station's warehouse. Created once, hidden
// between uses; its result stays open meanwhile. It reads through the data module's
// connection with a transaction of its own.
class TfrmBuscarEnCatalogo : public QDialog {
    Q_OBJECT
public:
    // Hands an accepted key to the main window: write it into the key box and look it up.
    // The lookup runs while this window is still open; when it finds nothing and turns to
    // the catalogue search again, that search runs in this window.
    using AceptarClave = std::function<void(const QString& clave)>;

    // ajustes is read at each search, so it follows every later load of the settings. The
    // data module may still be under construction: nothing of it is touched before the
    // first search.
    TfrmBuscarEnCatalogo(Tdm& dm, const AjustesConsulta& ajustes, AceptarClave aceptarClave = {},
                         QWidget* parent = nullptr);
    ~TfrmBuscarEnCatalogo() override;

    void setAceptarClave(AceptarClave aceptarClave);

    // The main window's way in (a key that matched nothing, F4): the text goes into the name
    // box and the search by name runs; the window then shows modally, unless it is already
    // open, in which case the search simply runs in it. Database failures propagate.
    void buscarNombreModal(const QString& nombre);

    // Search by the name box / by the key box; each shows the window modally when it is not
    // open yet and returns when it closes. Database failures propagate.
    void BuscarNombre();
    void BuscarClave();

    // Every way of closing (Cancelar, Escape, accepting, the close box) ends here.
    void done(int resultado) override;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void crearControles();
    void anclar();
    void asegurarConsulta();
    // With the articles the index found, the rows are read by article instead of by pattern.
    void abrirResultado(const QString& sql, const QString& parametroPatron, const QString& patron,
                        const std::optional<std::vector<std::int32_t>>& articulos);
    void abrirPorNombre();
    void abrirPorClave();
    void buscarAlEscribir();
    void mostrarSiCerrada();
    void enfocarSiguiente(QWidget* desde);
    void irAPrimeraFila();

    void FormShow();
    void FormClose();
    void pbsAceptarClick();
    void pbsBuscarClick();
    void pbsCancelarClick();
    void edClaveKeyPress();
    void edNombreKeyPress();
    void wdbTablaKeyPress();

    void restaurarColumnas();
    void guardarColumnas();
    void columnasIniciales();
    void menuColumnas(const QPoint& posicion);

    Tdm& m_dm;
    const AjustesConsulta& m_ajustes;
    AceptarClave m_aceptarClave;

    // Built at the first search; the transaction is declared first so that it outlives its query.
    std::unique_ptr<fb::Transaction> fdTrans;
    std::unique_ptr<fb::Query> fdConsulta;
    ModeloConsulta* m_resultado = nullptr;
    TitulosBusqueda* m_vista = nullptr; // what the grid shows of m_resultado
    bool m_abierto = false;             // a result has been opened since the program started
    catalogo::IndiceCatalogo* m_indice = nullptr;
    QTimer* m_alEscribir = nullptr;     // one search for the newest text once the typed keys are in
    QLineEdit* m_cajaEscrita = nullptr; // the box typed in last

    QLabel* Label1 = nullptr;
    QLineEdit* edClave = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* edNombre = nullptr;
    QCheckBox* chePCP = nullptr;
    QCheckBox* cheAlEscribir = nullptr;
    QTableView* wdbTabla = nullptr;
    QPushButton* pbsAceptar = nullptr;
    QPushButton* pbsBuscar = nullptr;
    QPushButton* pbsCancelar = nullptr;
};
