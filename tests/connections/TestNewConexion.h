#pragma once

#include "platform/MessageBox.h"

#include <QObject>
#include <QTemporaryDir>
#include <memory>

class TfrmNewConexion;

class TestNewConexion : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void forma();
    void primerInicioSinArchivo();
    void nuevaConexionRemota();
    void tipoHabilitaServidor_data();
    void tipoHabilitaServidor();
    void modoExistente();
    void escribeLoQueMuestra_data();
    void escribeLoQueMuestra();
    void remotaSinProtocoloValido_data();
    void remotaSinProtocoloValido();
    void eliminarYCancelar();
    void cerrarNoEscribe_data();
    void cerrarNoEscribe();
    void nombreInvalido_data();
    void nombreInvalido();
    void nombreRepetido();
    void lecturaFallida_data();
    void lecturaFallida();

private:
    QByteArray contenido() const;

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<platform::RecordingNotifier> m_avisos;
    QString m_ruta;
};
