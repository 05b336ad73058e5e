#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The connection editor: adds, changes or removes one connection of the catalogue file.
// It works in "new" mode while the name box is enabled and in "existing" mode while it is
// disabled. Created once and reused: the fields keep their contents between uses except where
// a mode sets them.
class TfrmNewConexion : public QDialog {
    Q_OBJECT
public:
    // An empty rutaCatalogo means the catalogue in the common application-data folder, derived
    // again at every showing.
    explicit TfrmNewConexion(const QString& rutaCatalogo = QString(), QWidget* parent = nullptr);
    ~TfrmNewConexion() override;

    // New mode: type "Local", protocol "TCP/IP", empty name and server, the proposed folder.
    void ModoNuevo();
    // Existing mode for the connection shown under `nombre` (blank form, not the element name);
    // its values are read when the dialog is shown.
    void ModoExistente(const QString& nombre);

    // The catalogue file that the buttons work on.
    QString rutaCatalogo() const;

    void FormShow();
    void TipoConexionChange();
    void btnAceptarClick();
    void Button1Click();
    void Button2Click();

    static const QString kCarpetaPropuesta;

protected:
    void showEvent(QShowEvent* event) override;

private:
    // The tests of the editor and of the login that opens it check the mode it is in.
    friend class TestNewConexion;
    friend class TestLogear;
    bool modoNuevo() const;

    QString m_rutaFija;

    QLabel* Label1 = nullptr;
    QComboBox* TipoConexion = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* edNombre = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* edServidor = nullptr;
    QLabel* Label4 = nullptr;
    QComboBox* Protocolo = nullptr;
    QLabel* Label5 = nullptr;
    QLineEdit* edCarpeta = nullptr;
    QPushButton* btnAceptar = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
};
