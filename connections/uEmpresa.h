#pragma once

#include "firebird/Connection.h"
#include "firebird/Query.h"
#include "firebird/Transaction.h"

#include <QDialog>

class QLabel;
class QListWidget;
class QPushButton;
class Tdm;
struct Sesion;

// The short names of the companies that the user may open, in the system database that the
// transaction reads (every company for SYSDBA and for a user with general access), unsorted.
QStringList EmpresasDelUsuario(fb::Transaction& transaccion, const QString& usuario);

// The company window: lists, from the system database, the companies that the logged-in user
// may open, sorted by name, and leaves the chosen one in the session. Its connection is its
// own, so the shared one can move on to the company database.
class TfrmEmpresa : public QDialog {
    Q_OBJECT
public:
    TfrmEmpresa(Tdm& dm, Sesion& sesion, QWidget* parent = nullptr);
    ~TfrmEmpresa() override;

    void FormShow();
    void btnAceptarClick();
    void btnCancelClick();

    // Every way of closing but an accepted company counts as "Cancelar".
    void reject() override;

    static const QString kErrorConexion;

    // Declared in dependency order: the query goes before its transaction and connection.
    fb::Connection fdConexion;
    fb::Transaction fdTrans{fdConexion};
    fb::Query fdQuery{fdTrans};

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void llenarLista();
    void agregarOrdenado(const QString& nombre);

    Tdm& m_dm;
    Sesion& m_sesion;

    QLabel* Label1 = nullptr;
    QListWidget* LT = nullptr;
    QPushButton* btnAceptar = nullptr;
    QPushButton* btnCancel = nullptr;
};
