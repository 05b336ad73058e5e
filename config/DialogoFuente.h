#pragma once

#include <QDialog>
#include <QFont>

class QComboBox;
class QFontDialog;

// The font chooser of the configuration dialog: face, size, bold and italic, underline and
// strike-out (the platform's font chooser, embedded) and one of the sixteen named colours.
//
// It is not primed with the font being edited: it opens with what it held when last confirmed, and
// at its first use that is the system's face, bold, 16 points (21 pixels at 96 pixels per inch), in
// maroon.
class DialogoFuente : public QDialog {
    Q_OBJECT
public:
    explicit DialogoFuente(QWidget* parent = nullptr);

    // Shows the chooser modally; true when the operator confirmed it, and then fuente() and color()
    // hold the choice. Cancelling keeps the previous choice.
    bool elegir();

    const QFont& fuente() const noexcept { return m_fuente; }
    // 0x00BBGGRR, one of the sixteen named colours.
    quint32 color() const noexcept { return m_color; }

private:
    void mostrarEleccion();

    QFontDialog* m_selector = nullptr;
    QComboBox* m_colores = nullptr;
    QFont m_fuente;
    quint32 m_color;
};
