#include "Catalogo.h"

#include "Generador.h"
#include "Medidas.h"
#include "firebird/Connection.h"
#include "firebird/Query.h"
#include "firebird/Transaction.h"
#include "platform/MessageBox.h"
#include "rules/AjustesConsulta.h"
#include "search/BusquedaCatalogo.h"
#include "search/ConsultaCatalogo.h"
#include "search/IndiceCatalogo.h"
#include "tests/support/ArranqueManual.h"

#include <QAbstractItemModel>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <functional>
#include <stdexcept>

namespace bench {
namespace {

using Textos = TextosBusqueda;

int contar(fb::Query& q, const QString& patron)
{
    q.close();
    q.setParam(QStringLiteral("p"), patron);
    q.open();
    const int n = q.next() ? q.value(QStringLiteral("n")).toInt() : 0;
    q.close();
    return n;
}

} // namespace

Textos elegirTextos(const QString& ruta, int articulos)
{
    Textos r;
    fb::Connection c;
    c.setParams(parametros(ruta));
    c.open();
    fb::Transaction t(c);
    t.start();
    fb::Query nombre(t), porNombre(t), porClave(t);
    nombre.setSql(QStringLiteral("select nombre from articulos where articulo_id = :id"));
    porNombre.setSql(QStringLiteral("select count(*) as n from articulos a where a.nombre collate ES_ES_CI_AI "
                                    "LIKE cast(:p as varchar(202) character set ISO8859_1)"));
    porClave.setSql(QStringLiteral("select count(*) as n from claves_articulos c where c.clave_articulo "
                                   "collate ES_ES_CI_AI LIKE cast(:p as varchar(202) character set ISO8859_1)"));
    const auto nombreDe = [&](int n) {
        nombre.close();
        nombre.setParam(QStringLiteral("id"), kPrimerArticulo + n);
        nombre.open();
        const QString texto = nombre.next() ? nombre.value(QStringLiteral("nombre")).toString() : QString();
        nombre.close();
        return texto;
    };
    // The last articles carry the highest number after their name: one of them is unique.
    for (int n = articulos - 1; n >= std::max(0, articulos - 50) && r.filasUno != 1; --n) {
        r.unArticulo = nombreDe(n);
        r.filasUno = contar(porNombre, catalogo::patronNombre(r.unArticulo, true));
    }
    // What an operator types: the start of the first article's name, as long as it still matches
    // a hundred articles or more (a longer text matches a subset, so a binary search finds it),
    // or one character longer when that comes nearer to a hundred.
    const QString primero = nombreDe(0);
    const auto filasDe = [&](qsizetype largo) {
        return contar(porNombre, catalogo::patronNombre(primero.left(largo), true));
    };
    qsizetype bajo = 1, alto = primero.size(); // filasDe(bajo) >= 100 is assumed; found below
    while (bajo < alto) {
        const qsizetype medio = (bajo + alto + 1) / 2;
        if (filasDe(medio) >= 100)
            bajo = medio;
        else
            alto = medio - 1;
    }
    r.cien = primero.left(bajo);
    r.filasCien = filasDe(bajo);
    if (bajo < primero.size()) {
        const int siguiente = filasDe(bajo + 1);
        if (std::abs(std::log(double(std::max(siguiente, 1)) / 100.0)) < std::abs(std::log(r.filasCien / 100.0))) {
            r.cien = primero.left(bajo + 1);
            r.filasCien = siguiente;
        }
    }
    r.clave = clavesDe(articulos / 2).value(0);
    r.filasClave = contar(porClave, catalogo::patronClave(r.clave, true));
    t.commit();
    c.close();
    if (r.filasUno != 1)
        throw std::runtime_error("no article name of the benchmark database matches only itself");
    return r;
}

namespace {

// The window's two statements through the firebird layer alone, each opened in a new transaction
// and read to its first screen (50 rows), as the window does.
struct SoloSql {
    std::vector<double> uno, cien, clave;
};

SoloSql medirSql(const QString& ruta, const Textos& textos, int repeticiones, const AjustesConsulta& ajustes)
{
    SoloSql r;
    fb::Connection c;
    c.setParams(parametros(ruta));
    c.open();
    fb::Transaction t(c);
    fb::Query porNombre(t), porClave(t);
    const auto abrir = [&t, &ajustes](fb::Query& q, auto abrirBusqueda, const QString& patron) {
        QElapsedTimer reloj;
        reloj.start();
        q.close();
        if (t.isActive())
            t.commit();
        t.start();
        abrirBusqueda(q, ajustes, patron);
        for (int i = 0; i < 50 && q.next(); ++i) {
        }
        return msDesde(reloj);
    };
    for (int i = 0; i < repeticiones; ++i) {
        r.uno.push_back(abrir(porNombre, catalogo::abrirPorNombre, catalogo::patronNombre(textos.unArticulo, true)));
        r.cien.push_back(abrir(porNombre, catalogo::abrirPorNombre, catalogo::patronNombre(textos.cien, true)));
        r.clave.push_back(abrir(porClave, catalogo::abrirPorClave, catalogo::patronClave(textos.clave, true)));
    }
    porNombre.close();
    porClave.close();
    if (t.isActive())
        t.commit();
    c.close();
    return r;
}

// The same searches through the index: the articles from the index, then the rows read by article
// to the first screen (50 rows) in a new transaction, as the window does. Also the build.
struct PorIndice {
    std::vector<double> uno, cien, clave;
    std::vector<double> soloUno, soloCien, soloClave; // the index's part alone
    double msConstruccion = 0, msNombres = 0, msClaves = 0;
    double mbIndice = 0;  // what the index holds
    double mbProceso = 0; // growth of the process's resident memory while building
    double mbPico = 0;    // growth of its peak (VmHWM) while building
};

PorIndice medirIndice(const QString& ruta, const Textos& textos, int repeticiones, const AjustesConsulta& ajustes)
{
    PorIndice r;
    const long antes = memoria("VmRSS");
    const long picoAntes = memoria("VmHWM");
    std::atomic<bool> parar{false};
    const auto datos = catalogo::construirIndice(parametros(ruta), parar);
    r.msConstruccion = datos->msConstruccion;
    r.msNombres = datos->msNombres;
    r.msClaves = datos->msClaves;
    r.mbIndice = double(datos->nombres.bytes() + datos->claves.bytes()) / 1048576.0;
    r.mbProceso = double(memoria("VmRSS") - antes) / 1024.0;
    r.mbPico = double(memoria("VmHWM") - picoAntes) / 1024.0;

    fb::Connection c;
    c.setParams(parametros(ruta));
    c.open();
    fb::Transaction t(c);
    fb::Query q(t);
    const auto abrir = [&](const catalogo::Textos& columna, const QString& patron, std::vector<double>& solo) {
        QElapsedTimer reloj;
        reloj.start();
        const auto articulos =
            columna.buscar(*catalogo::Patron::crear(patron), catalogo::IndiceCatalogo::kMaximoArticulos);
        solo.push_back(msDesde(reloj));
        if (t.isActive())
            t.commit();
        t.start();
        catalogo::abrirPorArticulos(q, ajustes, articulos);
        for (int i = 0; i < 50 && q.next(); ++i) {
        }
        return msDesde(reloj);
    };
    for (int i = 0; i < repeticiones; ++i) {
        r.uno.push_back(abrir(datos->nombres, catalogo::patronNombre(textos.unArticulo, true), r.soloUno));
        r.cien.push_back(abrir(datos->nombres, catalogo::patronNombre(textos.cien, true), r.soloCien));
        r.clave.push_back(abrir(datos->claves, catalogo::patronClave(textos.clave, true), r.soloClave));
    }
    q.close();
    if (t.isActive())
        t.commit();
    c.close();
    return r;
}

} // namespace

int medirCatalogo(const QString& carpeta, int articulos, int repeticiones)
{
    const QString ruta = asegurarEmpresa(carpeta, articulos);
    QElapsedTimer total;
    total.start();
    const Textos textos = elegirTextos(ruta, articulos);
    const QString carga = cargaDelSistema();

    int errores = 0;
    platform::RecordingNotifier avisos;
    Lumivo app(ArranqueManual::llave());
    auto* indiceVentana = app.frmBuscarEnCatalogo.findChild<catalogo::IndiceCatalogo*>();
    QSignalSpy construido(indiceVentana, &catalogo::IndiceCatalogo::construido);
    // The window's own index builds in the background once the connection is open; the time
    // to ready runs from before the connection is opened (so it also holds the opening and the
    // main window's start-up). The searches below are timed once it is ready, so they go
    // through it.
    QElapsedTimer listo;
    listo.start();
    double msListo = -1;
    const QMetaObject::Connection alConstruir =
        QObject::connect(indiceVentana, &catalogo::IndiceCatalogo::construido, indiceVentana, [&msListo, &listo] {
            if (msListo < 0)
                msListo = msDesde(listo);
        });
    abrirEstacionLocal(app, carpeta, QStringLiteral("empresa-%1").arg(articulos));
    TfrmConsulta& w = app.frmConsulta;
    if (msListo < 0 && !construido.wait(60000) && ++errores <= 5) // counted below with the others
        std::fprintf(stderr, "  inesperado: el índice no estuvo listo en 60 s\n");
    QObject::disconnect(alConstruir);

    TfrmBuscarEnCatalogo& b = app.frmBuscarEnCatalogo;
    auto* edClavePrincipal = w.findChild<QLineEdit*>(QStringLiteral("edClave"));
    auto* edClave = b.findChild<QLineEdit*>(QStringLiteral("edClave"));
    auto* edNombre = b.findChild<QLineEdit*>(QStringLiteral("edNombre"));
    auto* buscar = b.findChild<QPushButton*>(QStringLiteral("pbsBuscar"));
    auto* tabla = b.findChild<QTableView*>(QStringLiteral("wdbTabla"));
    ContadorPintado pintado(tabla->viewport());
    const auto revisar = [&](const char* caso, int filasEsperadas, bool pintada) {
        const int filas = tabla->model()->rowCount();
        const int esperadas = std::min(filasEsperadas, 50);
        if ((filas != esperadas || !pintada) && ++errores <= 5)
            std::fprintf(stderr, "  inesperado: %s: %d filas (se esperaban %d)%s\n", caso, filas, esperadas,
                         pintada ? "" : ", sin pintar");
    };

    std::vector<double> todos, uno, cien, clave;
    // In the open window: Enter in a box or the "Buscar" button runs the search in place; the
    // time ends when the event loop has painted the rows.
    const auto enLaVentana = [&] {
        const auto medir = [&](std::vector<double>& destino, const char* caso, int esperadas,
                               const std::function<void()>& empezar) {
            const PrimeraPantalla p = primeraPantalla(pintado, empezar);
            destino.push_back(p.ms);
            revisar(caso, esperadas, p.pintada);
        };
        for (int i = 0; i < repeticiones; ++i) {
            edClave->clear();
            edNombre->setText(textos.unArticulo);
            medir(uno, "nombre, un artículo", textos.filasUno, [&] { QTest::keyClick(edNombre, Qt::Key_Return); });
            edNombre->setText(textos.cien);
            medir(cien, "nombre, cien", textos.filasCien, [&] { QTest::keyClick(edNombre, Qt::Key_Return); });
            edNombre->clear();
            edClave->setText(textos.clave);
            medir(clave, "clave", textos.filasClave, [&] { QTest::mouseClick(buscar, Qt::LeftButton); });
        }
    };

    // F4 with an empty key box in the main window: the window opens with every article. The
    // first opening also runs the in-place searches before it closes.
    for (int i = 0; i <= repeticiones; ++i) {
        edClavePrincipal->clear();
        edClavePrincipal->setFocus();
        const int antes = pintado.veces;
        QElapsedTimer t;
        t.start();
        double ms = -1;
        pintado.alPintar = [&] {
            ms = msDesde(t);
            revisar("nombre vacío (F4)", articulos, pintado.veces != antes);
            if (i == 0)
                enLaVentana();
            b.reject();
        };
        QTimer guardia; // a search that never paints must not hang the run
        guardia.setSingleShot(true);
        QObject::connect(&guardia, &QTimer::timeout, &b, [&b] { b.reject(); });
        guardia.start(120000);
        QTest::keyClick(edClavePrincipal, Qt::Key_F4);
        if (ms < 0) {
            ++errores;
            std::fprintf(stderr, "  inesperado: F4 no mostró la búsqueda\n");
        } else if (i > 0) {
            todos.push_back(ms); // the first opening also builds the window's statement
        }
    }
    for (const platform::RecordingNotifier::Message& m : avisos.messages) {
        ++errores;
        std::fprintf(stderr, "  mensaje inesperado: %s\n", qPrintable(m.text));
    }
    w.hide();

    std::printf("\nBúsqueda en catálogo, %d artículos, %d repeticiones, carga %s -> %s, %.0f s\n", articulos,
                repeticiones, qPrintable(carga), qPrintable(cargaDelSistema()), double(total.elapsed()) / 1000.0);
    linea("nombre, 1 fila (Enter)", percentiles(uno));
    linea(qPrintable(QStringLiteral("nombre, %1 filas (Enter)").arg(textos.filasCien)), percentiles(cien));
    linea(qPrintable(QStringLiteral("nombre vacío, %1 filas (F4)").arg(articulos)), percentiles(todos));
    linea(qPrintable(QStringLiteral("clave, %1 fila(s) (botón Buscar)").arg(textos.filasClave)), percentiles(clave));
    const SoloSql sql = medirSql(ruta, textos, repeticiones, w.ajustes());
    linea("mismo SQL, capa firebird sola: 1 fila", percentiles(sql.uno));
    linea(qPrintable(QStringLiteral("  %1 filas").arg(textos.filasCien)), percentiles(sql.cien));
    linea(qPrintable(QStringLiteral("  clave, %1 fila(s)").arg(textos.filasClave)), percentiles(sql.clave));
    std::printf("  textos: \"%s\" (1 fila), \"%s\", clave \"%s\"; \"cualquier posición\" marcada\n",
                qPrintable(textos.unArticulo), qPrintable(textos.cien), qPrintable(textos.clave));
    const PorIndice indice = medirIndice(ruta, textos, std::max(repeticiones, 20), w.ajustes());
    std::printf("  índice: construido en %.0f ms (nombres %.0f ms y claves %.0f ms a la vez), %.1f MB; el proceso "
                "creció %.1f MB (pico +%.1f MB); listo en la ventana %.0f ms desde antes de abrir la conexión\n",
                indice.msConstruccion, indice.msNombres, indice.msClaves, indice.mbIndice, indice.mbProceso,
                indice.mbPico, msListo);
    const auto comparar = [](const char* titulo, const std::vector<double>& porIndice,
                             const std::vector<double>& motor) {
        linea(titulo, percentiles(porIndice));
        std::printf("    %.0f veces más rápido que el SQL (mediana)\n",
                    percentiles(motor).p50 / std::max(percentiles(porIndice).p50, 0.001));
    };
    comparar("índice + filas por artículo: 1 fila", indice.uno, sql.uno);
    comparar(qPrintable(QStringLiteral("  %1 filas").arg(textos.filasCien)), indice.cien, sql.cien);
    comparar(qPrintable(QStringLiteral("  clave, %1 fila(s)").arg(textos.filasClave)), indice.clave, sql.clave);
    linea("  de ello, el índice solo: 1 fila", percentiles(indice.soloUno));
    linea(qPrintable(QStringLiteral("    %1 filas").arg(textos.filasCien)), percentiles(indice.soloCien));
    linea(qPrintable(QStringLiteral("    clave, %1 fila(s)").arg(textos.filasClave)), percentiles(indice.soloClave));
    if (errores)
        std::printf("  ERRORES: %d búsquedas no dieron lo esperado\n", errores);
    std::fflush(stdout);
    return errores;
}

} // namespace bench
