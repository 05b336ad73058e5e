#pragma once

#include "connections/CatalogoConexiones.h"

#include <QDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>
#include <QTest>
#include <QWidget>
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
