#pragma once

#include "connections/DatosConexion.h"
#include "platform/MessageBox.h"

#include <QObject>
#include <QTemporaryDir>
#include <memory>

class Tdm;
class TfrmLogear;
class TfrmNewConexion;

class TestLogear : public QObject {
    Q_OBJECT
public:
    TestLogear();
    ~TestLogear() override;

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void forma();
    void versionMostrada_data();
    void versionMostrada();
    void usuarioRecordado_data();
    void usuarioRecordado();
    void posicionRecordada_data();
    void posicionRecordada();
    void loginConTeclado();
    void inicioModal();
    void carpetaSinSeparadorFinal();
    void conexionFallida_data();
    void conexionFallida();
    void falloYLuegoExito();
    void errorAntesDeConectar_data();
    void errorAntesDeConectar();
    void cancelar_data();
    void cancelar();
    void primerInicioAbreElEditor();
    void editorCanceladoNoSeReabre();
    void editorRecargaLaLista();
    void abrirEliminarYCancelar();
    void servidorUsuarioDelErp();

private:
    void crear();
    void mostrar();
    void escribirConfig(const QString& atributos);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<platform::RecordingNotifier> m_avisos;
    QString m_ruta;
    QString m_datos; // data folder with System/Config.fdb, ending in "/"
    std::unique_ptr<Tdm> m_dm;
    std::unique_ptr<Sesion> m_sesion;
    std::unique_ptr<TfrmNewConexion> m_editor;
    std::unique_ptr<TfrmLogear> m_login;
};
