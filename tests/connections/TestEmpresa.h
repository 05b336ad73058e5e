#pragma once

#include "data/DatosConexion.h"
#include "platform/MessageBox.h"

#include <QObject>
#include <QTemporaryDir>
#include <memory>

class Tdm;
class TfrmEmpresa;

class TestEmpresa : public QObject {
    Q_OBJECT
public:
    TestEmpresa();
    ~TestEmpresa() override;

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void forma();
    void empresasDelUsuario_data();
    void empresasDelUsuario();
    void posicionRecordada_data();
    void posicionRecordada();
    void aceptar_data();
    void aceptar();
    void modal();
    void eleccionVaciaPita_data();
    void eleccionVaciaPita();
    void cancelar_data();
    void cancelar();
    void falloAlLlenar_data();
    void falloAlLlenar();

private:
    void entrar(const QString& usuario);
    QStringList lista() const;

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<platform::RecordingNotifier> m_avisos;
    QString m_sistema;
    std::unique_ptr<Tdm> m_dm;
    std::unique_ptr<Sesion> m_sesion;
    std::unique_ptr<TfrmEmpresa> m_ventana;
};
