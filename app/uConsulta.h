#pragma once

#include "data/LecturaArranque.h"
#include "layout/DisenoPantalla.h"
#include "layout/Fuentes.h"
#include "lookup/BusquedaClave.h"
#include "lookup/ConsultasEscaparate.h"
#include "rules/AjustesConsulta.h"
#include "rules/EtiquetaBascula.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QAction;
class QDialog;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QTimer;
class LinkLabel;
class Forma;
class ModeloConsulta;
class ModoKiosco;
class InicioAutomatico;
struct InicioGuardado;
struct AvisoInstalacion;
class Tdm;
class Voz;
class Escaparate;
class ServicioConsulta;
class FlujoConsulta;
class LimiteClave;
struct RespuestaConsulta;
namespace flujo {
struct Pantalla;
}
class TfrmBuscarEnCatalogo;
class TfrmReportes;
struct Sesion;

// The price display: start-up, frame, menu, lookup by key and clearing.
class TfrmConsulta : public QMainWindow {
    Q_OBJECT
public:
    // The other windows of the run are created once and reused; they are only used once the
    // event loop runs, so they may be created after this window. With arranqueAlMostrar the
    // start-up runs after the window is first shown.
    TfrmConsulta(Tdm& dm, Sesion& sesion, InicioAutomatico& inicio, QDialog& login, QDialog& empresa, QDialog& ayuda,
                 TfrmBuscarEnCatalogo& buscador, QDialog& configuracion, bool arranqueAlMostrar = true,
                 QWidget* parent = nullptr);
    ~TfrmConsulta() override;

    // Start-up sequence; any step may end the program.
    void FormShow();
    void Conexion();

    void BuscarClv();
    void Informacion(bool Mostrar);
    void Limpiar();
    void TiempoInactivoTimer();
    void edClaveKeyPress(QChar Key);
    void edClaveKeyUp(int Key);
    // The scanner's prefix and suffix and the lookup's deadline from the station's settings; the
    // start-up takes them, and again whenever they change.
    void leerEscaner();
    // F4 in the key field: the catalogue search by the text typed so far.
    void edClaveF4();
    // What the catalogue search does with an accepted row: the key box takes its key as far as
    // it fits, and exactly that article (by its id; by the key when the row has none) is shown.
    void aceptarClaveBuscador(const QString& clave, int articuloId);

    // The settings' load, on this thread: the start-up and the configuration dialog wait for it.
    void CargarInfo(const ConfigEmpresa::Tabla* leida = nullptr);
    // The same load through the service for a reload during operation: applied when it arrives,
    // the window does not wait; a failure is only logged and changes nothing.
    void recargarAjustes();
    void CargarLogEmp();

    bool modoDiseno() const;
    int articuloId() const { return ArticuloId; }
    AjustesConsulta& ajustes() { return m_ajustes; }
    ModoKiosco& kiosco() { return *m_kiosco; }
    Escaparate& escaparate() { return *m_escaparate; }

    // The voice that says each found article and its price; none keeps the station silent. Tests
    // install a recorder; the start-up installs the system's voice when config.xml asks for it.
    void setVoz(Voz* voz) { m_voz = voz; }
    // The station's "HablarPrecio" (Tdm::estacion(), off by default): when on, opens the system's voice; a
    // station without a speech service stays silent and says why once in its status bar.
    void prepararVoz();

    // A scan was asked and its answer is not on the display yet.
    bool consultaPendiente() const;
    // The lookups' own service (its thread and attachment).
    ServicioConsulta& servicio() { return *m_servicio; }

    static const QString kTitulo;
    static const QString kDireccionWeb;

signals:
    // A scan's answer is on the display (an article, a message, the not-found beep or the
    // catalogue search); the tests wait for it.
    void respuestaMostrada(int secuencia);

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // The tests of the idle clearing watch its count.
    friend class TestPresentacion;
    int segundosInactivo() const;

    // A station setting changed (the kiosk item, the configuration dialog): the scanner, the
    // deadline, the voice and the kiosk item follow it.
    void seguirEstacion();
    // Builds the display and returns the elements the operator can drag.
    std::vector<ElementoArrastrable> crearMarco();
    void crearMenu();
    void crearBarraEstado();
    void anclarAlCambiarTamano(QSize anterior, QSize nuevo);
    // The display size that holds every element of the frame at its built-in place.
    QSize tamanoDelMarco() const;
    // The window (menu and status bar included) around a display of that size.
    QSize ventanaParaDisplay(QSize display) const;
    // Centres the window on its screen's available area, shrunk to it when larger; a kiosk is left
    // to fill its screen.
    void colocarEnPantalla();
    void terminar();
    // The stored automatic start: Listo when the display is ready, Login when it no longer works
    // (its message has been shown once) and the windows take over.
    enum class Arranque { Listo, Login, Terminar };
    Arranque arranqueGuardado(const InicioGuardado& inicio);
    // Steps 4 and 5: what the user must read when the company database cannot be used.
    std::optional<AvisoInstalacion> validarEmpresa();
    // Steps 6 to 13, once the company database is open and accepted.
    void prepararPantalla();
    // Maps the display state of the newest scan's answer (or of a refused scan) to the widgets.
    void mostrarPantalla(const flujo::Pantalla& pantalla, const RespuestaConsulta* respuesta = nullptr);
    void mostrarArticulo(const RespuestaConsulta& respuesta);
    void CargarPrecio(const RespuestaConsulta& respuesta);
    // The article name's and the net price's fonts of a settings' load.
    void aplicarFuentes(const FuenteConColor& nombre, const FuenteConColor& precio);
    // A message in the display's own message element, where the article's name goes; the
    // engine's text (`detalle`) only reaches the status line's tool tip.
    void mostrarMensaje(const QString& texto, const QString& detalle = QString());
    // The service's attempts to open its attachment again, on the status line.
    void mostrarConexion(int intento, const QString& detalle);
    // A scan or a search refused before any lookup: no company open, or design mode.
    bool busquedaRechazada();
    void buscarEscaneoDelArranque();
    void seleccionarClave();

    void Salir1Click();
    void Acercade1Click();
    void Reportes1Click();
    void Configuracin1Click();
    void Disear1Click();
    void Restaurar1Click();
    void Label5Click();
    void pbsLimpiarClick();
    void smLimpiarClick();
    void InicioAutomatico1Click();
    void ModoQuiosco1Click();

    // The large price follows the current row of the price grid.
    void mostrarPrecioActual();
    int filaPrecioActual() const;

    Tdm& m_dm;
    Sesion& m_sesion;
    InicioAutomatico& m_inicio;
    QDialog& m_login;
    QDialog& m_empresa;
    QDialog& m_ayuda;
    TfrmBuscarEnCatalogo& m_buscador;
    QDialog& m_configuracion;
    AjustesConsulta m_ajustes;
    bool m_arranqueAlMostrar;
    bool m_mostrada = false;
    QSize m_tamanoDisplay;
    QSize m_tamanoMarco; // see tamanoDelMarco
    int ArticuloId = 0;

    QWidget* m_cliente = nullptr;
    Escaparate* m_escaparate = nullptr;
    ServicioConsulta* m_servicio = nullptr;
    FlujoConsulta* m_flujo = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* edClave = nullptr;
    LimiteClave* m_limiteClave = nullptr; // edClave's bound
    // The last scan refused while the automatic start waited, and when.
    QString m_escaneoDelArranque;
    // What validarEmpresa read in one statement, for the settings' first load.
    std::optional<LecturaArranque> m_lecturaArranque;
    QElapsedTimer m_relojEscaneoDelArranque;
    QPushButton* pbsLimpiar = nullptr;
    Forma* sUnidaCompra = nullptr;
    QLabel* lblUniCompra = nullptr;
    QLabel* lblLinea = nullptr;
    QLabel* lblTexto = nullptr;
    QLineEdit* edUltimaCompra = nullptr;
    LinkLabel* Label5 = nullptr;
    Forma* Shape1 = nullptr;
    QLabel* imgFondo = nullptr;
    QLabel* Imagen = nullptr;
    QLabel* lblNombreArticulo = nullptr;
    QLabel* dbPrecio = nullptr;
    QLabel* lblEtiqueta = nullptr;
    QLabel* lblCodigoNoValido = nullptr;
    QTableView* dbListaClaves = nullptr;
    QTableView* dbPrecios = nullptr;
    QTableView* dbVolumen = nullptr;
    QTableView* dbCombos = nullptr;
    QTableView* dbExiste = nullptr;
    ModeloConsulta* m_precios = nullptr;
    ModeloConsulta* m_volumen = nullptr;
    ModeloConsulta* m_combos = nullptr;
    ModeloConsulta* m_existe = nullptr;
    ModeloConsulta* m_claves = nullptr;
    QLabel* m_panel0 = nullptr;
    QLabel* m_panel1 = nullptr;
    QLabel* m_panel2 = nullptr;
    QLabel* m_panelVoz = nullptr;
    std::unique_ptr<Voz> m_vozSistema;
    Voz* m_voz = nullptr;

    QAction* Configuracin1 = nullptr;
    QAction* Disear1 = nullptr;
    QAction* Restaurar1 = nullptr;
    QAction* smLimpiar = nullptr;
    QAction* InicioAutomatico1 = nullptr;
    QAction* ModoQuiosco1 = nullptr;
    QAction* Salir1 = nullptr;
    QAction* Reportes1 = nullptr;
    QAction* Acercade1 = nullptr;

    QTimer* TiempoInactivo = nullptr;
    ModoKiosco* m_kiosco = nullptr;
    TfrmReportes* m_reportes = nullptr; // made at its first opening
    // Last: it is built from the elements that crearMarco makes, which sets the members above.
    DisenoPantalla m_diseno;
};
