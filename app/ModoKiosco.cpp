#include "ModoKiosco.h"

#include "connections/InicioAutomatico.h"
#include "data/DatosConexion.h"
#include "data/uDM.h"
#include "platform/MessageBox.h"
#include "rules/AjustesConsulta.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGraphicsProxyWidget>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <algorithm>

const int ModoKiosco::kTeclaOperador = Qt::Key_M;

namespace {

constexpr Qt::KeyboardModifiers kAcorde = Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier;

class VistaEscalada : public QGraphicsView {
public:
    using QGraphicsView::QGraphicsView;
    std::function<void()> alCambiarTamano;

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QGraphicsView::resizeEvent(event);
        if (alCambiarTamano)
            alCambiarTamano();
    }
};

} // namespace

ModoKiosco::ModoKiosco(QMainWindow& ventana, Tdm& dm, Sesion& sesion, AjustesConsulta& ajustes)
    : QObject(&ventana)
    , m_ventana(ventana)
    , m_dm(dm)
    , m_sesion(sesion)
    , m_ajustes(ajustes)
{
    // An unreadable file reads as no kiosk; the login reports it.
    m_activo = m_dm.estacion().kiosco();
    if (m_activo)
        preparar();
}

void ModoKiosco::guardarAjuste(bool activo)
{
    m_dm.estacion().setKiosco(activo);
}

void ModoKiosco::preparar()
{
    m_ventana.menuBar()->hide();
    // The fixed size of the window would keep it from filling the screen.
    m_ventana.setMinimumSize(0, 0);
    m_ventana.setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);

    m_display = m_ventana.takeCentralWidget();
    auto* vista = new VistaEscalada(&m_ventana);
    m_vista = vista;
    vista->setObjectName(QStringLiteral("vistaKiosco"));
    vista->setFrameShape(QFrame::NoFrame);
    vista->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    vista->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    vista->setAlignment(Qt::AlignCenter);
    vista->setBackgroundBrush(m_display->palette().color(QPalette::Window));
    vista->setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
    auto* escena = new QGraphicsScene(vista);
    QGraphicsProxyWidget* proxy = escena->addWidget(m_display);
    escena->setSceneRect(proxy->boundingRect());
    vista->setScene(escena);
    vista->alCambiarTamano = [this] { ajustarEscala(); };
    m_ventana.setCentralWidget(vista);
    // A kiosk session may run no window manager: nobody would act on the full-screen request,
    // frame the window or give it the keyboard. The window covers its screen and takes the focus
    // itself; with a manager, the request below still rules.
    m_ventana.setWindowFlag(Qt::FramelessWindowHint, true);
    m_ventana.setWindowState(m_ventana.windowState() | Qt::WindowFullScreen);

    // Checked every second: a window the station opened has closed, or something took the
    // keyboard while the display was idle.
    m_foco = new QTimer(this);
    m_foco->setObjectName(QStringLiteral("FocoKiosco"));
    m_foco->setInterval(1000);
    connect(m_foco, &QTimer::timeout, this, [this] { reclamarFoco(); });

    m_ocultarMenu = new QTimer(this);
    m_ocultarMenu->setObjectName(QStringLiteral("OcultarMenuKiosco"));
    m_ocultarMenu->setSingleShot(true);
    connect(m_ocultarMenu, &QTimer::timeout, this, [this] {
        // Not behind an open window of the operator's: that is no idle display.
        if (QApplication::activeModalWidget()) {
            m_ocultarMenu->start();
            return;
        }
        m_ventana.menuBar()->hide();
    });

    m_ventana.installEventFilter(this);
    qApp->installEventFilter(this);
}

void ModoKiosco::cubrirPantalla()
{
    QScreen* pantalla = m_ventana.screen();
    if (!pantalla)
        return;
    if (pantalla != m_pantalla) {
        if (m_pantalla)
            disconnect(m_pantalla, nullptr, this, nullptr);
        m_pantalla = pantalla;
        connect(pantalla, &QScreen::geometryChanged, this, [this] { cubrirPantalla(); });
    }
    if (m_ventana.geometry() != pantalla->geometry())
        m_ventana.setGeometry(pantalla->geometry());
}

void ModoKiosco::reclamarFoco()
{
    // An operator's window, the menu or a customer's catalogue search keeps the keyboard.
    if (!m_ventana.isVisible() || QApplication::activeModalWidget() || QApplication::activePopupWidget())
        return;
    if (QGuiApplication::focusWindow() != m_ventana.windowHandle()) {
        m_ventana.raise();
        m_ventana.activateWindow();
    }
    if (auto* clave = m_display ? m_display->findChild<QLineEdit*>(QStringLiteral("edClave")) : nullptr;
        clave && !clave->hasFocus() &&
        (!QApplication::focusWidget() || QApplication::focusWidget() == &m_ventana ||
         QApplication::focusWidget() == m_vista))
        clave->setFocus();
}

void ModoKiosco::ajustarEscala()
{
    if (!m_vista || !m_vista->scene())
        return;
    const QRectF escena = m_vista->scene()->sceneRect();
    const QSize area = m_vista->viewport()->size();
    if (escena.isEmpty() || area.isEmpty())
        return;
    const qreal factor = std::min(area.width() / escena.width(), area.height() / escena.height());
    m_vista->setTransform(QTransform::fromScale(factor, factor));
    m_vista->centerOn(escena.center());
}

bool ModoKiosco::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &m_ventana) {
        if (event->type() == QEvent::Close) {
            // Only "Salir" (or the service manager's signal) ends a kiosk station.
            event->ignore();
            return true;
        }
        if (event->type() == QEvent::WindowStateChange && !(m_ventana.windowState() & Qt::WindowFullScreen))
            QTimer::singleShot(0, &m_ventana,
                               [this] { m_ventana.setWindowState(m_ventana.windowState() | Qt::WindowFullScreen); });
        if (event->type() == QEvent::Show) {
            QTimer::singleShot(0, this, [this] {
                if (QWindow* w = m_ventana.windowHandle(); w && !m_sigueVentana) {
                    m_sigueVentana = true;
                    connect(w, &QWindow::screenChanged, this, [this] { cubrirPantalla(); });
                }
                cubrirPantalla();
                reclamarFoco();
                m_foco->start();
            });
        }
        if (event->type() == QEvent::Resize && m_ventana.screen()) {
            // In the log, so an installer (and the session tests) can see what the compositor gave.
            const QSize pantalla = m_ventana.screen()->size();
            qInfo("Modo quiosco: ventana de %dx%d en una pantalla de %dx%d", m_ventana.width(), m_ventana.height(),
                  pantalla.width(), pantalla.height());
        }
        if (event->type() == QEvent::WindowUnblocked) // a window it opened has closed
            QTimer::singleShot(0, this, [this] { reclamarFoco(); });
        return false;
    }
    switch (event->type()) {
    case QEvent::KeyPress: {
        auto* k = static_cast<QKeyEvent*>(event);
        if (k->key() == kTeclaOperador && (k->modifiers() & kAcorde) == kAcorde && !m_pidiendo &&
            !QApplication::activeModalWidget()) {
            QTimer::singleShot(0, this, [this] { pedirClave(); });
            return true;
        }
        [[fallthrough]];
    }
    case QEvent::MouseButtonPress:
        if (m_ventana.menuBar()->isVisible())
            m_ocultarMenu->start();
        break;
    default:
        break;
    }
    return false;
}

void ModoKiosco::pedirClave()
{
    m_pidiendo = true;
    QInputDialog dialogo(&m_ventana);
    dialogo.setObjectName(QStringLiteral("dlgOperador"));
    dialogo.setWindowTitle(QStringLiteral("Operador"));
    const QString usuario = m_sesion.datos.Usuario;
    dialogo.setLabelText(usuario.compare(QStringLiteral("SYSDBA"), Qt::CaseInsensitive) == 0
                             ? QStringLiteral("Contraseña del usuario SYSDBA:")
                             : QStringLiteral("Contraseña del usuario %1 o de SYSDBA:").arg(usuario));
    dialogo.setTextEchoMode(QLineEdit::Password);
    const bool aceptado = dialogo.exec() == QDialog::Accepted;
    const QString clave = dialogo.textValue();
    m_pidiendo = false;
    if (!aceptado)
        return;
    if (!ClaveDeOperadorValida(m_sesion.datos, clave)) {
        platform::showMessage(&m_ventana, QStringLiteral("Contraseña incorrecta."), platform::kMessageTitle,
                              platform::Icon::Warning);
        return;
    }
    m_ventana.menuBar()->show();
    m_ocultarMenu->start((std::max(0, m_ajustes.SegundosEspera) + 1) * 1000);
}
