#include "AjusteTexto.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QTextLayout>
#include <QTextOption>
#include <algorithm>
#include <functional>
#include <optional>

namespace ajuste {

namespace {

QFont conPixeles(const QFont& fuente, int pixeles)
{
    QFont f = fuente;
    f.setPixelSize(pixeles);
    return f;
}

// The largest pixel size in [piso, tope] for which `cabe` holds, on the understanding that `piso`
// has been seen to hold. A wrapped text is not strictly monotonic in the size, so the answer is
// always one that was tried and held.
int mayorQueCabe(int piso, int tope, const std::function<bool(int)>& cabe)
{
    int bajo = piso;
    int alto = tope;
    while (bajo < alto) {
        const int medio = bajo + (alto - bajo + 1) / 2;
        if (cabe(medio))
            bajo = medio;
        else
            alto = medio - 1;
    }
    return bajo;
}

QString sinBlancosFinales(QString texto)
{
    qsizetype n = texto.size();
    while (n > 0 && texto.at(n - 1).isSpace())
        --n;
    texto.truncate(n);
    return texto;
}

// Line breaks in the text stay line breaks, as a plain-text label draws them.
QString conSaltos(QString texto)
{
    texto.replace(QStringLiteral("\r\n"), QString(QChar::LineSeparator));
    texto.replace(u'\n', QChar::LineSeparator);
    texto.replace(u'\r', QChar::LineSeparator);
    return texto;
}

struct Particion {
    QStringList lineas;
    QList<qsizetype> inicios; // where each line starts in the text
    bool caben = true;        // every line fits the width
};

Particion partir(const QFont& fuente, int ancho, const QString& texto, QTextOption::WrapMode modo)
{
    Particion p;
    const QFontMetrics metricas(fuente);
    QTextLayout disposicion(texto, fuente);
    QTextOption opcion;
    opcion.setWrapMode(modo);
    disposicion.setTextOption(opcion);
    disposicion.beginLayout();
    for (QTextLine linea = disposicion.createLine(); linea.isValid(); linea = disposicion.createLine()) {
        linea.setLineWidth(ancho);
        const QString t = sinBlancosFinales(texto.mid(linea.textStart(), linea.textLength()));
        if (anchoLinea(metricas, t) > ancho)
            p.caben = false;
        p.lineas << t;
        p.inicios << linea.textStart();
    }
    disposicion.endLayout();
    return p;
}

std::optional<Particion> siCabe(const QFont& fuente, QSize caja, const QString& texto, QTextOption::WrapMode modo)
{
    Particion p = partir(fuente, caja.width(), texto, modo);
    if (!p.caben || altoLineas(QFontMetrics(fuente), static_cast<int>(p.lineas.size())) > caja.height())
        return std::nullopt;
    return p;
}

} // namespace

int anchoLinea(const QFontMetrics& metricas, const QString& texto)
{
    if (texto.isEmpty())
        return 0;
    const QRect tinta = metricas.boundingRect(texto);
    return std::max(metricas.horizontalAdvance(texto), tinta.right() + 1) - std::min(0, tinta.left());
}

int altoLineas(const QFontMetrics& metricas, int lineas)
{
    return lineas <= 0 ? 0 : metricas.height() + (lineas - 1) * metricas.lineSpacing();
}

Linea ajustarLinea(const QFont& fuente, QSize caja, const QString& texto, int pisoPixeles)
{
    const auto cabe = [&](const QFont& f) {
        const QFontMetrics m(f);
        return anchoLinea(m, texto) <= caja.width() && m.height() <= caja.height();
    };
    if (texto.isEmpty() || cabe(fuente))
        return {fuente, texto};
    const int actual = QFontInfo(fuente).pixelSize();
    const int piso = std::max(1, std::min(pisoPixeles, actual));
    if (piso < actual && cabe(conPixeles(fuente, piso))) {
        const int px = mayorQueCabe(piso, actual - 1, [&](int p) { return cabe(conPixeles(fuente, p)); });
        return {conPixeles(fuente, px), texto};
    }
    const QFont f = piso < actual ? conPixeles(fuente, piso) : fuente;
    return {f, QFontMetrics(f).elidedText(texto, Qt::ElideRight, caja.width())};
}

Parrafo ajustarParrafo(const QFont& fuente, QSize caja, const QString& texto, int pisoPixeles)
{
    if (texto.isEmpty())
        return {fuente, {}, true};
    const QString t = conSaltos(texto);
    if (caja.width() <= 0 || caja.height() <= 0)
        return {fuente, {t}, false};
    if (std::optional<Particion> p = siCabe(fuente, caja, t, QTextOption::WordWrap))
        return {fuente, p->lineas, true};

    const int actual = QFontInfo(fuente).pixelSize();
    const int piso = std::max(1, std::min(pisoPixeles, actual));
    const QFont enPiso = piso < actual ? conPixeles(fuente, piso) : fuente;
    if (piso < actual && siCabe(enPiso, caja, t, QTextOption::WordWrap)) {
        const int px = mayorQueCabe(piso, actual - 1, [&](int p) {
            return siCabe(conPixeles(fuente, p), caja, t, QTextOption::WordWrap).has_value();
        });
        const QFont f = conPixeles(fuente, px);
        return {f, siCabe(f, caja, t, QTextOption::WordWrap)->lineas, true};
    }

    // At the floor: a word wider than the box is broken inside; what still does not fit ends in "…".
    Particion p = partir(enPiso, caja.width(), t, QTextOption::WrapAtWordBoundaryOrAnywhere);
    const QFontMetrics m(enPiso);
    const int caben = caja.height() < m.height() ? 1 : 1 + (caja.height() - m.height()) / m.lineSpacing();
    if (p.lineas.size() <= caben)
        return {enPiso, p.lineas, true};
    QStringList lineas = p.lineas.mid(0, caben - 1);
    QString resto = t.mid(p.inicios.at(caben - 1));
    resto.replace(QChar::LineSeparator, u' ');
    lineas << m.elidedText(resto, Qt::ElideRight, caja.width());
    return {enPiso, lineas, false};
}

int anchoColumna(const QFont& fuente, const QStringList& muestras, int margen, int extra, int minimo)
{
    const QFontMetrics m(fuente);
    int ancho = minimo;
    for (const QString& muestra : muestras)
        ancho = std::max(ancho, anchoLinea(m, muestra) + 2 * margen + extra);
    return ancho;
}

} // namespace ajuste
