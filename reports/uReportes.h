#pragma once

#include "reports/ConsultasReportes.h"

#include <QDialog>
#include <array>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>

class QChart;
class QChartView;
class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QTabWidget;
class QTableView;
class ModeloTabla;
class ServicioConsulta;
class Tdm;

// The reports on the stations' scan log and health: the keys not found, the articles looked up
// most, the lookups per hour of the day and each station's last signs of life. Each is read when
// its tab is shown or the period changes, on a thread and an attachment of its own (a
// ServicioConsulta opened with the data module's parameters) within a deadline, so the window
// keeps painting while the server works; a server that does not answer, a lost connection and a
// company without the log's tables are said in the window itself. Each list copies to the
// clipboard and exports to a CSV file.
class TfrmReportes : public QDialog {
    Q_OBJECT
public:
    enum Pestana { NoEncontrados, MasConsultados, PorHora, Estaciones, NumPestanas };

    // The data module's connection says which database; it is read at each report.
    explicit TfrmReportes(Tdm& dm, QWidget* parent = nullptr);
    ~TfrmReportes() override;

    // The time the server has for one report, in milliseconds.
    void setPlazo(int milisegundos);
    // The shown tab's report, read again.
    void actualizar();
    // The shown tab's list into a file as CSV; false with the reason in the window.
    bool exportarA(const QString& ruta);
    // The shown tab's list as the CSV file and the clipboard hold it.
    reportes::Tabla tablaActual() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    struct Leido;
    void crearControles();
    reportes::Periodo periodoElegido() const;
    void pedir(int pestana);
    void mostrar(int pestana, const Leido& leido);
    void mostrarFallo(std::exception_ptr fallo);
    void mostrarAviso(const QString& texto, const QString& detalle = {});
    void dibujarGrafica();
    ServicioConsulta& servicio();
    void cbPeriodoChange();
    void pbsCopiarClick();
    void pbsExportarClick();

    Tdm& m_dm;
    ServicioConsulta* m_servicio = nullptr;
    int m_plazoMs;
    // Each tab's report is read for a period once; a new period or "Actualizar" reads it again.
    std::array<bool, NumPestanas> m_leida{};
    std::uint64_t m_peticion = 0; // the newest report asked; older answers are dropped
    reportes::PorHora m_porHora;

    QComboBox* cbPeriodo = nullptr;
    QDateEdit* deDesde = nullptr;
    QDateEdit* deHasta = nullptr;
    QPushButton* pbsActualizar = nullptr;
    QLabel* lblAviso = nullptr;
    QTabWidget* pcReportes = nullptr;
    QTableView* tvNoEncontrados = nullptr;
    QTableView* tvMasConsultados = nullptr;
    QTableView* tvEstaciones = nullptr;
    QComboBox* cbSeries = nullptr;
    QChartView* gvPorHora = nullptr;
    std::array<ModeloTabla*, NumPestanas> m_modelos{};
    QPushButton* pbsCopiar = nullptr;
    QPushButton* pbsExportar = nullptr;
    QPushButton* pbsCerrar = nullptr;
};
