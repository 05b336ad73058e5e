#pragma once

#include "firebird/Value.h"

#include <QDialog>
#include <functional>
#include <memory>
#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class DialogoFuente;
class Tdm;

namespace fb {
class Query;
class Transaction;
} // namespace fb

// The configuration dialog: the company-wide settings of the settings table.
//
// Every showing reloads the controls from the database and inserts the rows it needs that are
// missing (then loads once more, so the controls show what the table holds). "Guardar" writes every
// row in one transaction: a failure rolls all of it back, reports, and leaves the dialog open with
// the operator's choices. The close button saves nothing. However it closes, the main window's
// settings are reloaded through the callback given at construction.
//
// Its queries and transactions live on the data module's company connection and are created at the
// first showing, so the dialog may be built before the data module.
class TfrmConfiguracion : public QDialog {
    Q_OBJECT
public:
    // terminarPrograma is what "end the program" means when the company has no customer.
    TfrmConfiguracion(Tdm& dm, std::function<void()> alCerrar, std::function<void()> terminarPrograma,
                      QWidget* parent = nullptr);
    ~TfrmConfiguracion() override;

    void CargarInfo();
    void GuardarInfo();

    // The font sizes in points chosen for the article name and the price; they live as long as the
    // dialog (0 until a load or a font choice sets them).
    int tamanoNombre() const noexcept { return m_tamanoNombre; }
    int tamanoPrecio() const noexcept { return m_tamanoPrecio; }

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // A choice box fed by a list: the id loaded from the settings row is kept, so a stored id that
    // is not in the list (shown blank) is written back unchanged.
    struct Lista {
        QComboBox* caja = nullptr;
        fb::Query* consulta = nullptr;
        fb::Value cargado;
    };
    struct Fila {
        fb::Value entero;
        fb::Value texto;
        fb::Value caracter;
    };

    void crearControles();
    void crearObjetosBase();
    bool cargarUnaVez();
    void guardarFilas(int segundos); // every row in one transaction, committed at the end
    int llenar(Lista& lista);
    void mostrarId(Lista& lista, const fb::Value& id);
    void cargarLista(Lista& lista, const QString& clave, int alInsertar, bool& insertado);
    void cargarSwitch(QCheckBox* caja, const QString& clave, bool& insertado);
    void cargarFuentes();
    std::optional<Fila> leer(const QString& clave);
    void insertar(const QString& columna, const QString& clave, const QString& valor);
    void actualizarEntero(const QString& clave, const fb::Value& valor);
    void actualizarSwitch(const QString& clave, const QCheckBox* caja, const QString& sql);
    void actualizarFuente(const QString& sufijo, const QLabel* vista, int tamano);
    fb::Value idElegido(const Lista& lista) const;
    void elegirFuente(QLabel* vista, int& tamano);
    void cheListPreciosClick();
    void UpDown1Click(int paso);
    void FormClose();

    Tdm& m_dm;
    std::function<void()> m_alCerrar;
    std::function<void()> m_terminar;

    std::unique_ptr<fb::Transaction> fdTrans;
    std::unique_ptr<fb::Transaction> fdTransConfig;
    std::unique_ptr<fb::Query> fdConfig;
    std::unique_ptr<fb::Query> fdClientes;
    std::unique_ptr<fb::Query> fdPrecios;
    std::unique_ptr<fb::Query> fdPolitica;
    std::unique_ptr<fb::Query> fdAlmacen;

    Lista m_clientes;
    Lista m_precios;
    Lista m_politicas;
    Lista m_almacenes;
    QCheckBox* cheExistencia = nullptr;
    QCheckBox* cheListPrecios = nullptr;
    QCheckBox* chePolVolumen = nullptr;
    QCheckBox* cheClaves = nullptr;
    QCheckBox* cheImagenEmpresa = nullptr;
    QCheckBox* cheDsctoCombo = nullptr;
    QCheckBox* cheBuscador = nullptr;
    QComboBox* cboOrdenPrecios = nullptr;
    QLineEdit* edSegundos = nullptr;
    QLabel* lblNombre = nullptr;
    QLabel* lblPrecio = nullptr;
    QPushButton* pbsGuardar = nullptr;
    DialogoFuente* dFont = nullptr;

    int m_tamanoNombre = 0;
    int m_tamanoPrecio = 0;
};
