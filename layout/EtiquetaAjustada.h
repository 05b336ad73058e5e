#pragma once

#include "AjusteTexto.h"

#include <QLabel>

// A label whose text is always drawn whole inside its fixed box (see AjusteTexto.h): in the
// label's own font when it fits, else in a smaller size of the same font. font() stays what the
// settings gave, so reading the font back (the font reset, the next settings load) never picks up
// a size that only one long text needed.
class EtiquetaAjustada : public QLabel {
public:
    enum class Modo {
        Linea,   // one line, shrunk to the box's width and height
        Parrafo, // wrapped at word boundaries, shrunk until every line fits the box
    };

    EtiquetaAjustada(Modo modo, int pisoPixeles, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // The tests of the fitting and of the display read what is drawn.
    friend class TestAjusteTexto;
    friend class TestPresentacion;
    friend class TestEscaparatePantalla;
    // The font and lines that the current text is drawn with.
    QFont fuenteDibujada() const;
    QStringList lineasDibujadas() const;

    struct Dibujo {
        QFont fuente;
        QStringList lineas;
    };
    const Dibujo& dibujo() const;

    Modo m_modo;
    int m_piso;
    // The last fitting and what it was computed from: a repaint of the same text costs nothing.
    mutable QString m_texto;
    mutable QFont m_fuente;
    mutable QSize m_caja;
    mutable bool m_valido = false;
    mutable Dibujo m_dibujo;
};

// A one-line label that keeps its font and, when its box is too narrow for the text, draws the text
// elided (in the middle for a path, whose beginning and file name both matter). text() stays whole.
class EtiquetaElidida : public QLabel {
public:
    explicit EtiquetaElidida(Qt::TextElideMode modo, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    friend class TestAjusteTexto;
    // The text as drawn in the current box.
    QString textoDibujado() const;

    QRect caja() const;

    Qt::TextElideMode m_modo;
};
