#pragma once

#include <QDialog>
#include <QFont>

class QComboBox;
class QFontDialog;

// The font chooser of the configuration dialog: face, size, bold and italic, underline and
// strike-out (the platform's font chooser, embedded) and a colour, one of the sixteen named ones or
// the element's own.
class DialogoFuente : public QDialog {
    Q_OBJECT
public:
    explicit DialogoFuente(QWidget* parent = nullptr);

    // Shows the chooser modally, opened on the element's font (face, size in points and the four
    // effects) and colour (0x00BBGGRR); a colour that is not one of the sixteen is listed as an entry
    // of its own. True when the operator confirmed it: fuente() and color() then hold the choice,
    // in which whatever the operator left alone is exactly what was given, also a face the system
    // does not have (the chooser can only show one it lists).
    bool elegir(const QFont& actual, quint32 color);

    const QFont& fuente() const noexcept { return m_fuente; }
    quint32 color() const noexcept { return m_color; }

private:
    void mostrar(const QFont& actual, quint32 color);
    QFont eleccion(const QFont& actual) const;

    QFontDialog* m_selector = nullptr;
    QComboBox* m_colores = nullptr;
    QFont m_mostrada; // what the chooser showed on opening
    QFont m_fuente;
    quint32 m_color = 0;
};
