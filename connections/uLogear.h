#pragma once

#include <QDialog>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QWidget;
class Tdm;
class TfrmNewConexion;
struct DatosConexion;
struct Sesion;

// "3.3.0.0" -> "3.3.0": the first three numbers of a program file version; missing or
// unreadable numbers count as 0, so a file without version information gives "0.0.0".
QString VersionMostrada(const QString& versionArchivo);

// The last line of the failed-login box: the shown path of the connection followed by the
// system database below it, separated as the folder itself separates ("D:\Datos\" gives
// D:\Datos\System\Config.fdb, "/srv/datos/" gives /srv/datos/System/Config.fdb).
QString RutaSistemaMostrada(const DatosConexion& datos);

// The login window: lists the connections of the catalogue file, attaches the shared
// connection to the chosen connection's system database and leaves the connection data of
// the run in the session. Closing it any way but a successful login leaves LoginCorrecto
// false, which ends the start-up.
class TfrmLogear : public QDialog {
    Q_OBJECT
public:
    // An empty rutaCatalogo means the catalogue in the common application-data folder. The
    // editor is opened from the connection box's menu and when the catalogue file is missing;
    // it is only used once the window runs, so it may be created after this window.
    TfrmLogear(Tdm& dm, Sesion& sesion, TfrmNewConexion& editor, const QString& rutaCatalogo = QString(),
               QWidget* parent = nullptr);
    ~TfrmLogear() override;

    QString rutaCatalogo() const;

    void FormShow();
    // Reloads the connection list and selects the remembered position again. Runs when the
    // window is first activated after being shown and whenever the connection editor closes.
    void FormActivate();
    void EstableceConexion();
    void NuevaConexin1Click();
    void AbrirConexin1Click();
    void btnCancelClick();

    static const QString kSinCatalogo;

protected:
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void mostrarEditor();
    int posicionElegida() const;

    Tdm& m_dm;
    Sesion& m_sesion;
    TfrmNewConexion& m_editor;
    QString m_rutaFija;
    bool m_activacionPendiente = false;
    bool m_editorAbierto = false;
    bool m_activando = false;
    // The user closed the editor without creating the catalogue file: it is not offered again
    // on its own, which would trap the user in the editor.
    bool m_sinCatalogo = false;

    QWidget* pTitulo = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* edUsuario = nullptr;
    QLabel* Label2 = nullptr;
    QComboBox* cboConexion = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* edPass = nullptr;
    QPushButton* btnAceptar = nullptr;
    QPushButton* btnCancel = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblAviso = nullptr; // shown only with the session's AvisoLogin
    QMenu* PopupMenu1 = nullptr;
    QAction* NuevaConexin1 = nullptr;
    QAction* AbrirConexin1 = nullptr;
};
