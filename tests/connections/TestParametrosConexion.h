#pragma once

#include <QObject>

class TestParametrosConexion : public QObject {
    Q_OBJECT

private slots:
    void lista_data();
    void lista();
    void protocoloNoNumerico_data();
    void protocoloNoNumerico();
    void rutas_data();
    void rutas();
    void carpetaConSeparador_data();
    void carpetaConSeparador();
};
