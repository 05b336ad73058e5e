#include "ObjetosConsulta.h"

#include "app/uConsulta.h"
#include "tests/support/EmpresaInstalada.h"

#include <QEvent>
#include <QTest>
#include <QTimer>

QString empresaConObjetos(const QString& folder, const QString& fileName)
{
    return pruebas::empresaInstalada(folder, fileName);
}

bool esperarRespuesta(const TfrmConsulta& ventana, int ms)
{
    return QTest::qWaitFor([&] { return !ventana.consultaPendiente(); }, ms);
}

VentanaOmitida::VentanaOmitida(QDialog& ventana)
    : QObject(&ventana)
    , m_ventana(ventana)
{
    m_ventana.installEventFilter(this);
    // Its closing step is connected to its own signals.
    m_ventana.blockSignals(true);
}

bool VentanaOmitida::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != &m_ventana || event->type() != QEvent::Show)
        return QObject::eventFilter(watched, event);
    // Closed once its modal loop runs; closed now, the loop would never end.
    QTimer::singleShot(0, this, [this] { m_ventana.done(QDialog::Accepted); });
    return true;
}
