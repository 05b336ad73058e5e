#pragma once

#include <QObject>

class QGraphicsView;
class QMainWindow;
class QScreen;
class QTimer;
class Tdm;
struct AjustesConsulta;
struct Sesion;

// Kiosk mode, a station setting (config.xml: section "Estacion", key "Kiosco", true): the main
// window fills the screen with its display scaled uniformly and centred, its menu hidden, and a
// customer cannot close it (close box, Alt+F4 and the window manager's close request do nothing;
// Escape still clears). Without a window manager (a kiosk session runs none) it covers its screen
// and takes the keyboard itself, at start, when a window it opened closes and whenever it lost the
// focus while idle. The operator chord Ctrl+Alt+Shift+M, which a scanner typing as a
// keyboard never sends, asks for the password of the logged-in ERP user or SYSDBA and shows the
// menu until the display has been idle as long as the idle clearing waits.
//
// Scaling: the display is a fixed-size widget whose elements sit at absolute coordinates that
// the stored layout moves. It is put, as it is, into a QGraphicsView through a proxy widget and
// the view scales the scene to the screen. The widgets stay real (focus, keys, timers, painting
// and the layout's positions in the display's own coordinates all work unchanged), which scaling
// each element's geometry and fonts by hand would not keep.
class ModoKiosco : public QObject {
public:
    static const int kTeclaOperador; // Qt::Key_M with Ctrl+Alt+Shift

    // Reads the setting; a station without it (or whose file cannot be read) is not a kiosk, and
    // nothing is changed. The main window must not be shown yet.
    ModoKiosco(QMainWindow& ventana, Tdm& dm, Sesion& sesion, AjustesConsulta& ajustes);

    bool activo() const { return m_activo; }
    // Stores the setting (Tdm::estacion()); it applies from the next start.
    void guardarAjuste(bool activo);
    // The display inside the view (its elements are found there, not under the window).
    QWidget* display() const { return m_display; }
    QGraphicsView* vista() const { return m_vista; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void preparar();
    void ajustarEscala();
    void cubrirPantalla();
    void reclamarFoco();
    void pedirClave();

    QMainWindow& m_ventana;
    Tdm& m_dm;
    Sesion& m_sesion;
    AjustesConsulta& m_ajustes;
    bool m_activo = false;
    bool m_pidiendo = false;
    bool m_sigueVentana = false;
    QWidget* m_display = nullptr;
    QGraphicsView* m_vista = nullptr;
    QTimer* m_ocultarMenu = nullptr;
    QTimer* m_foco = nullptr;
    QScreen* m_pantalla = nullptr;
};
