#include "ConsultaCatalogo.h"

#include "search/BusquedaCatalogo.h"

namespace catalogo {

static_assert(kLargoTexto + 2 <= kLargoPatron, "the statements must take the longest text and two wildcards");

QString patronNombre(const QString& texto, bool cualquierPosicion)
{
    QString patron = texto;
    const qsizetype blanco = patron.indexOf(u' ');
    if (blanco >= 0)
        patron[blanco] = u'%';
    return cualquierPosicion ? u'%' + patron + u'%' : patron + u'%';
}

QString patronClave(const QString& texto, bool cualquierPosicion)
{
    return cualquierPosicion ? u'%' + texto + u'%' : texto + u'%';
}

} // namespace catalogo
