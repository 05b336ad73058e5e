#pragma once

#include "data/ConfigEmpresa.h"
#include "firebird/Query.h"
#include "firebird/Transaction.h"
#include "firebird/Value.h"
#include "lookup/ListasEleccion.h"

#include <QDialog>
#include <functional>
#include <optional>

class QCheckBox;
class QSpinBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class DialogoFuente;
class Tdm;

// The configuration dialog: the company-wide settings of the settings table, and below them this
// station's own (the spoken price, the scanner's prefix and suffix), kept in config.xml through
// Tdm::estacion().
//
// Every showing reloads the controls from the database and inserts the rows it needs that are
// missing (then loads once more, so the controls show what the table holds). "Guardar" writes every
// row in one transaction: a failure rolls all of it back, reports, and leaves the dialog open with
// the operator's choices. The close button saves nothing. However it closes, the main window's
// settings are reloaded through the callback given at construction.
//
// Its queries and transactions live on the data module's company connection, which must exist
// before the dialog is built; it need not be open until the first showing.
class TfrmConfiguracion : public QDialog {
    Q_OBJECT
public:
    // terminarPrograma is what "end the program" means when the company has no customer.
    TfrmConfiguracion(Tdm& dm, std::function<void()> alCerrar, std::function<void()> terminarPrograma,
                      QWidget* parent = nullptr);
    ~TfrmConfiguracion() override;

    void CargarInfo();
    void GuardarInfo();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class TestConfiguracion;
    // The font sizes in points chosen for the article name and the price; they live as long as the
    // dialog (0 until a load or a font choice sets them).
    int tamanoNombre() const noexcept { return m_tamanoNombre; }
    int tamanoPrecio() const noexcept { return m_tamanoPrecio; }
    // The scale label formats as the dialog will save them (row texts, empty for none).
    const ConfigEmpresa::TextosEtiquetas& etiquetas() const noexcept { return m_etiquetas; }

    // A choice box fed by a list: the id loaded from the settings row is kept, so a stored id that
    // is not in the list (shown blank) is written back unchanged.
    struct Lista {
        Lista(listas::Lista cual, fb::Query& q)
            : lista(cual)
            , consulta(q)
        {
        }
        listas::Lista lista;
        fb::Query& consulta;
        QComboBox* caja = nullptr;
        fb::Value cargado;
    };

    void crearControles();
    bool cargarUnaVez();
    void guardarFilas(int segundos); // every row in one transaction, committed at the end
    int llenar(Lista& lista);
    void mostrarId(Lista& lista, const fb::Value& id);
    void cargarLista(Lista& lista, ConfigEmpresa::Ajuste ajuste, bool& insertado);
    void cargarSwitch(QCheckBox* caja, ConfigEmpresa::Ajuste ajuste, bool& insertado);
    void cargarFuentes();
    // The element's colour: the loaded value while the preview still shows it, else the preview's.
    static quint32 colorDe(const QLabel* vista, const std::optional<QString>& colorCargado);
    static ConfigEmpresa::FilasFuente filasFuente(const QLabel* vista, int tamano,
                                                  const std::optional<QString>& colorCargado);
    fb::Value idElegido(const Lista& lista) const;
    void elegirFuente(QLabel* vista, int& tamano, std::optional<QString>& colorCargado);
    void cheListPreciosClick();
    void UpDown1Click(int paso);
    void FormClose();

    Tdm& m_dm;
    std::function<void()> m_alCerrar;
    std::function<void()> m_terminar;

    // The lists read in a read-only snapshot; the settings rows in a transaction of their own.
    fb::Transaction fdTrans;
    fb::Transaction fdTransConfig;
    fb::Query fdConfig{fdTransConfig};
    fb::Query fdClientes{fdTrans};
    fb::Query fdPrecios{fdTrans};
    fb::Query fdPolitica{fdTrans};
    fb::Query fdAlmacen{fdTrans};
    fb::Query fdPreciosCliente{fdTrans};
    ConfigEmpresa m_tabla{fdConfig};

    Lista m_clientes{listas::Lista::Clientes, fdClientes};
    Lista m_precios{listas::Lista::ListasPrecios, fdPrecios};
    Lista m_politicas{listas::Lista::PoliticasVolumen, fdPolitica};
    Lista m_almacenes{listas::Lista::Almacenes, fdAlmacen};
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
    // The idle showcase: switch, idle seconds, seconds per card and its offer price list (the
    // first entry, id 0, shows the combo offers only; then the lists a customer may see). A stored list that is not
    // among the lists is written back unchanged. Its rows are written only when the choice differs from what was
    // loaded, so a company that never turns it on gets no rows.
    QCheckBox* cheEscaparate = nullptr;
    QSpinBox* sbEscaparateSegundos = nullptr;
    QSpinBox* sbEscaparateTarjeta = nullptr;
    QComboBox* cboEscaparateLista = nullptr;
    ConfigEmpresa::Escaparate m_escaparateCargado;
    void cargarEscaparate();
    ConfigEmpresa::Escaparate escaparateElegido() const;
    DialogoFuente* dFont = nullptr;
    // The scale label formats: a button opens a small window with one box per row.
    QPushButton* pbsEtiquetas = nullptr;
    QDialog* dlgEtiquetas = nullptr;
    std::array<QLineEdit*, ConfigEmpresa::kEtiquetas> edEtiquetas{};
    ConfigEmpresa::TextosEtiquetas m_etiquetas;
    void crearEtiquetas();
    void aceptarEtiquetas();

    // This station's settings: shown as kept at each showing; saved after the company's rows,
    // only those the operator changed, so a station that never set them keeps its file as it is.
    QCheckBox* cheHablarPrecio = nullptr;
    QLineEdit* edPrefijoEscaner = nullptr;
    QLineEdit* edSufijoEscaner = nullptr;
    void crearEstacion();
    void cargarEstacion();
    void guardarEstacion();

    int m_tamanoNombre = 0;
    int m_tamanoPrecio = 0;
    // The colour texts as loaded, kept while the element keeps that colour, so that a colour the
    // operator did not change is saved as it was written.
    std::optional<QString> m_colorNombre;
    std::optional<QString> m_colorPrecio;
};
