#pragma once

#include <QObject>
#include <QTemporaryDir>
#include <memory>

class TestCatalogoConexiones : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void rutaCatalogo();
    void crearArchivo();
    void crearArchivoNoReemplaza();

    void nombres_data();
    void nombres();
    void nombreInvalidoNoEscribe_data();
    void nombreInvalidoNoEscribe();

    void listado_data();
    void listado();

    void lecturaLogin_data();
    void lecturaLogin();
    void declaracionInvertida_data();
    void declaracionInvertida();

    void lecturaEditor_data();
    void lecturaEditor();
    void codigoNoNumerico_data();
    void codigoNoNumerico();

    void grabar();
    void grabarSinConexiones_data();
    void grabarSinConexiones();
    void grabarNombreRepetido_data();
    void grabarNombreRepetido();

    void modificar_data();
    void modificar();
    void eliminar_data();
    void eliminar();

    void archivoRoto_data();
    void archivoRoto();
    void archivoFaltante_data();
    void archivoFaltante();
    void entidadesNoSeExpanden();
    void discoLleno_data();
    void discoLleno();
    void sinPermisoDeEscritura_data();
    void sinPermisoDeEscritura();

private:
    QString escribirCatalogo(const QByteArray& contenido);

    std::unique_ptr<QTemporaryDir> m_carpeta;
    QString m_archivo;
};
