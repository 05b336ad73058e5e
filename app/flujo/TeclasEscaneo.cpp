#include "TeclasEscaneo.h"

bool TeclasEscaneo::terminaEscaneo(int tecla, const QString& texto)
{
    return tecla == Qt::Key_Return || tecla == Qt::Key_Enter || tecla == Qt::Key_Tab || texto == u"\r" ||
           texto == u"\n" || texto == u"\t";
}

TeclasEscaneo::Accion TeclasEscaneo::pulsada(int tecla, const QString& texto, Qt::KeyboardModifiers modificadores,
                                             bool campoClave)
{
    Accion a;
    const bool tras = m_trasTerminador;
    m_trasTerminador = terminaEscaneo(tecla, texto);
    if (m_trasTerminador) {
        // The LF of a scanner's CR LF ends nothing more; a Tab must not move the focus.
        const bool lf = texto == u"\n";
        a.buscar = !(lf && tras);
        a.consumir = lf || tecla == Qt::Key_Tab;
    } else if (campoClave && tecla == Qt::Key_F4 && modificadores != Qt::AltModifier) {
        a.catalogo = true;
    }
    return a;
}
