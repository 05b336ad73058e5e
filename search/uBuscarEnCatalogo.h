#pragma once

#include <QDialog>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QCheckBox;
class QEventLoop;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class QTableView;
class ModeloConsulta;
class ServicioConsulta;
class TitulosBusqueda;
class Tdm;
struct AjustesConsulta;

namespace catalogo {
class IndiceCatalogo;
}

namespace fb {
class Query;
}

// The catalogue search: articles by name or by key, with one of their keys, the net price in
// the station's price list and the stock in the station's warehouse. Created once, hidden
// between uses; its result stays meanwhile. The rows are read on a thread and an attachment of
// its own (a ServicioConsulta opened with the data module's parameters), within the lookup's
// deadline: meanwhile the window keeps painting and Escape closes it, and a server that does not
// answer or is lost is said in the window itself.
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
    // open, in which case the search simply runs in it. Failures other than a silent or lost
    // server propagate.
    void buscarNombreModal(const QString& nombre);

    // Search by the name box / by the key box; each shows the window modally when it is not
    // open yet and returns when it closes. Failures as above.
    void BuscarNombre();
    void BuscarClave();

    // The time the server has to answer a search, in milliseconds (the lookup's deadline).
    void setPlazo(int milisegundos);

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
    // Opens one of the search's statements (search/BusquedaCatalogo) on the query it is given, on
    // the service's thread: it must hold copies of what it reads.
    using Abrir = std::function<void(fb::Query& consulta)>;
    // Runs the search and waits for its rows in an event loop (user input held back while the
    // window is not shown yet). False when nothing was shown: the window was closed meanwhile,
    // or another search is under way.
    bool abrirResultado(Abrir abrir);
    ServicioConsulta& servicio();
    void mostrarAviso(const QString& texto, const QString& detalle);
    // Through the index when it has the answer, otherwise through the statement with the pattern.
    bool abrirPorNombre();
    bool abrirPorClave();
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

    struct Cursor;
    // Reads the open result's next batch into the grid, off this thread.
    void pedirLote();
    // Lets go of the open result on the service's thread (the cursor's statement and transaction).
    void soltarCursor();

    ServicioConsulta* m_servicio = nullptr; // made at the first search
    std::shared_ptr<Cursor> m_cursor;       // the shown result's open cursor, while it has more rows
    int m_plazoMs = 2000;
    QEventLoop* m_espera = nullptr;   // the search under way's wait
    bool m_repetirAlEscribir = false; // keys typed during a search: search again after it
    Abrir m_siguiente;                // a search asked for during another: run after it
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
    QLabel* lblAviso = nullptr; // a server that did not answer, in Spanish; its own words in the tool tip
    QPushButton* pbsAceptar = nullptr;
    QPushButton* pbsBuscar = nullptr;
    QPushButton* pbsCancelar = nullptr;
};
