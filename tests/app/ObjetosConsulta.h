#pragma once

#include <QDialog>
#include <QObject>
#include <QString>
#include <QtGlobal>

// A fresh stand-in company database (testdata/microsip) at folder/fileName with the
// station's own objects installed by the program's installation scripts (Metadatos, Permisos):
// the settings table with its default rows and the procedures ZANTOR_LMV_LISTA and
// ZANTOR_LMV_POL_VOL. Built once per process, then copied (tests/support/EmpresaInstalada.h).
// Throws std::runtime_error when a script statement fails.
QString empresaConObjetos(const QString& folder, const QString& fileName = QStringLiteral("DEMO.fdb"));

class TfrmConsulta;

// The lookup runs on the station's service thread: waits (processing events) until the main
// window has shown the answer to the scan it asked last. False when none came within `ms`.
bool esperarRespuesta(const TfrmConsulta& ventana, int ms = 10000);

// Leaves one of the run's windows out of a test: asked for, it closes at once without running
// anything of its own (neither its showing nor its closing steps). Owned by the window.
class VentanaOmitida : public QObject {
public:
    explicit VentanaOmitida(QDialog& ventana);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QDialog& m_ventana;
};

// The child of `raiz` with that object name and type; a test that names an element the window
// does not have stops at once.
template <typename T> T* elemento(const QObject& raiz, const char* nombre)
{
    auto* w = raiz.findChild<T*>(QString::fromLatin1(nombre));
    if (!w)
        qFatal("no element %s", nombre);
    return w;
}
