#pragma once

#include "connections/CatalogoConexiones.h"

#include <QDialog>
#include <QEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <deque>
#include <functional>

// Helpers shared by the window tests of this folder.
namespace prueba {

// The window's child of that type and object name; a missing one ends the run, since every step
// after it would only report the same absence.
template <typename T> T* el(QWidget& ventana, const char* nombre)
{
    auto* w = ventana.findChild<T*>(QString::fromLatin1(nombre));
    if (!w)
        qFatal("no element %s", nombre);
    return w;
}

// Replaces the box's text as the operator would: select all, erase, type.
inline void reemplazar(QLineEdit* caja, const QString& texto)
{
    caja->setFocus();
    caja->selectAll();
    QTest::keyClick(caja, Qt::Key_Backspace);
    QTest::keyClicks(caja, texto);
}

inline void clic(QWidget& ventana, const char* boton)
{
    QTest::mouseClick(el<QPushButton>(ventana, boton), Qt::LeftButton);
}

// Plays one planned action each time `dialogo` is shown, right after it appears (inside its
// modal loop). If the dialog is still open after the action, for instance because a check in
// it failed, or if it is shown with no action left, it is rejected: a test never blocks on it,
// and veces() tells how often it appeared.
class AlMostrarse : public QObject {
public:
    explicit AlMostrarse(QDialog& dialogo, std::function<void()> accion = nullptr)
        : m_dialogo(&dialogo)
    {
        if (accion)
            m_acciones.push_back(std::move(accion));
        dialogo.installEventFilter(this);
    }

    void luego(std::function<void()> accion) { m_acciones.push_back(std::move(accion)); }
    int veces() const { return m_veces; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_dialogo && event->type() == QEvent::Show) {
            ++m_veces;
            std::function<void()> accion;
            if (!m_acciones.empty()) {
                accion = std::move(m_acciones.front());
                m_acciones.pop_front();
            }
            QTimer::singleShot(0, this, [this, accion] {
                if (accion)
                    accion();
                if (m_dialogo && m_dialogo->isVisible())
                    m_dialogo->reject();
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QPointer<QDialog> m_dialogo;
    std::deque<std::function<void()>> m_acciones;
    int m_veces = 0;
};

// The window's own controls in tab order, starting at `primero`: the internal parts of a control
// (a combo box's line edit) and the controls that take no focus (labels) are left out.
inline QStringList ordenDeTabulacion(QWidget& ventana, const QString& primero, qsizetype cuantos)
{
    QStringList orden{primero};
    QWidget* actual = ventana.findChild<QWidget*>(primero);
    while (actual && orden.size() < cuantos) {
        actual = actual->nextInFocusChain();
        if (actual == &ventana)
            break;
        if (actual->parentWidget() == &ventana && (actual->focusPolicy() & Qt::TabFocus))
            orden << actual->objectName();
    }
    return orden;
}

// Adds a connection, creating the catalogue file when it is missing.
inline void agregarConexion(const QString& archivo, const QString& nombre, const catalogo::ValoresConexion& valores)
{
    if (!QFileInfo::exists(archivo))
        catalogo::CrearArchivo(archivo);
    catalogo::GrabarXmlConexion(archivo, nombre, valores);
}

inline catalogo::ValoresConexion local(const QString& carpeta)
{
    return {1, QString(), 0, carpeta};
}

} // namespace prueba
