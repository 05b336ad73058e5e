#pragma once

#include "firebird/Query.h"
#include "firebird/Transaction.h"

#include <QDialog>
#include <cstdint>
#include <functional>
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

// The catalogue search: articles by name or by key, with one of their keys, the net price in
// the station's price list and the stock in the station's warehouse. Created once, hidden
// between uses; its result stays open meanwhile. It reads through the data module's
// connection with a transaction of its own.
class TfrmBuscarEnCatalogo : public QDialog {
    Q_OBJECT
public:
    // Hands an accepted row to the main window: its key and its article's id (0 when the row
    // has no article), so that exactly that article is shown. The lookup runs while this window
    // is still open; when it finds nothing and turns to the catalogue search again, that search
    // runs in this window.
    using AceptarClave = std::function<void(const QString& clave, int articuloId)>;

    // ajustes is read at each search, so it follows every later load of the settings. The data
    // module's connection must exist; it need not be open before the first search.
    TfrmBuscarEnCatalogo(Tdm& dm, const AjustesConsulta& ajustes, AceptarClave aceptarClave = {},
                         QWidget* parent = nullptr);
    ~TfrmBuscarEnCatalogo() override;

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
    // Opens one of the search's statements (lookup/BusquedaCatalogo) on the window's query.
    using Abrir = std::function<void(fb::Query& consulta)>;
    void abrirResultado(const Abrir& abrir);
    // Through the index when it has the answer, otherwise through the statement with the pattern.
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

    // The transaction is declared first so that it outlives its query.
    fb::Transaction fdTrans;
    fb::Query fdConsulta{fdTrans};
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
