// The large price, the article name and the status bar's path drawn whole in their boxes:
// real labels rendered offscreen in the real Tahoma face (fonts-wine) and measured with its metrics.

#include "firebird/values/Decimal.h"
#include "layout/AjusteTexto.h"
#include "layout/EtiquetaAjustada.h"
#include "platform/Platform.h"
#include "rules/Formato.h"
#include "tests/support/PruebaPrincipal.h"

#include <QApplication>
#include <QFile>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QTest>

// The station's own style sheet, read from its resource as the program applies it.
static QString hojaDeEstilo()
{
    Q_INIT_RESOURCE(platform);
    QFile f(QStringLiteral(":/styles/Zantor 2022.qss"));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

namespace {

constexpr QSize kCajaPrecio(469, 129);
constexpr QSize kCajaNombre(778, 135);
constexpr int kPisoPrecio = 36;
constexpr int kPisoNombre = 20;

QFont tahoma(int pixeles, int puntos = 0)
{
    QFont f(QStringLiteral("Tahoma"));
    if (puntos > 0)
        f.setPointSize(puntos);
    else
        f.setPixelSize(pixeles);
    f.setBold(true);
    return f;
}

QFont conPixeles(QFont f, int px)
{
    f.setPixelSize(px);
    return f;
}

bool cabeEnLinea(const QFont& f, QSize caja, const QString& t)
{
    const QFontMetrics m(f);
    return ajuste::anchoLinea(m, t) <= caja.width() && m.height() <= caja.height();
}

// A name of exactly `largo` characters made of the words shops use.
QString nombreDe(int largo, bool mayusculas)
{
    static const QString palabras = QStringLiteral(
        "Juego de sala modular esquinero de tres piezas en tela antimanchas color gris oxford con cojines "
        "Frijol negro Doña Lupe 500 g bolsa económica Refresco de toronja El Girasol 600 ml paquete ");
    QString t;
    while (t.size() < largo)
        t += palabras;
    t = t.left(largo);
    return mayusculas ? t.toUpper() : t;
}

// How dark a rendered widget is.
qint64 tinta(const QImage& imagen, QColor fondo)
{
    qint64 suma = 0;
    for (int y = 0; y < imagen.height(); ++y)
        for (int x = 0; x < imagen.width(); ++x)
            suma += imagen.pixelColor(x, y) != fondo ? 1 : 0;
    return suma;
}

} // namespace

class TestAjusteTexto : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void precioEntero_data();
    void precioEntero();
    void nombreEntero_data();
    void nombreEntero();
    void nombreBajoElPiso_data();
    void nombreBajoElPiso();
    void efectosVisibles_data();
    void efectosVisibles();
    void rutaEnBarraDeEstado();
};

void TestAjusteTexto::initTestCase()
{
    platform::registerFonts();
    QCOMPARE(QFontInfo(tahoma(40)).family(), QStringLiteral("Tahoma"));
    const QString hoja = hojaDeEstilo();
    QVERIFY(!hoja.isEmpty());
    qApp->setStyleSheet(hoja);
}

void TestAjusteTexto::precioEntero_data()
{
    QTest::addColumn<QFont>("fuente");
    QTest::addColumn<QString>("texto");
    const struct {
        const char* nombre;
        QFont fuente;
    } tamanos[] = {{"built-in 107 px", tahoma(107)},
                   {"installed 80 pt", tahoma(0, 80)},
                   {"45 pt", tahoma(0, 45)},
                   {"120 pt", tahoma(0, 120)},
                   {"12 pt", tahoma(0, 12)}};
    const fb::Decimal precios[] = {{1600, 2}, {123480, 2}, {30450000, 2}, {99999999999, 2}, {99999999999999, 2}};
    const QLocale locales[] = {QLocale(QLocale::Spanish, QLocale::Mexico), QLocale(QLocale::German, QLocale::Germany)};
    for (const auto& t : tamanos)
        for (const fb::Decimal& p : precios)
            for (const QLocale& l : locales) {
                const QString texto = formato::moneda(p, l);
                QTest::addRow("%s %s", t.nombre, qPrintable(texto)) << t.fuente << texto;
            }
}

void TestAjusteTexto::precioEntero()
{
    QFETCH(QFont, fuente);
    QFETCH(QString, texto);
    EtiquetaAjustada precio(EtiquetaAjustada::Modo::Linea, kPisoPrecio);
    precio.resize(kCajaPrecio);
    precio.setFont(fuente);
    precio.setText(texto);
    QVERIFY(!precio.grab().isNull());

    // Whole, never elided, inside the box; the configured font when it fits, else shrunk just enough.
    QCOMPARE(precio.lineasDibujadas(), QStringList{texto});
    const QFont dibujada = precio.fuenteDibujada();
    QVERIFY(cabeEnLinea(dibujada, kCajaPrecio, texto));
    QCOMPARE(dibujada.bold(), true);
    QCOMPARE(precio.font(), fuente); // what the settings gave stays the label's font
    if (cabeEnLinea(fuente, kCajaPrecio, texto)) {
        QCOMPARE(dibujada, fuente);
    } else {
        const int px = QFontInfo(dibujada).pixelSize();
        QVERIFY2(px >= kPisoPrecio, qPrintable(QString::number(px)));
        QVERIFY(!cabeEnLinea(conPixeles(fuente, px + 1), kCajaPrecio, texto));
    }
}

void TestAjusteTexto::nombreEntero_data()
{
    QTest::addColumn<QFont>("fuente");
    QTest::addColumn<QString>("texto");
    for (const auto& [nombreFuente, fuente] :
         {std::pair{"installed 45 pt", tahoma(0, 45)}, {"built-in 60 px", tahoma(60)}})
        for (int largo : {10, 22, 45, 90, 135, 200})
            for (bool mayusculas : {false, true})
                QTest::addRow("%s, %d characters%s", nombreFuente, largo, mayusculas ? ", capitals" : "")
                    << fuente << nombreDe(largo, mayusculas);
    QTest::newRow("line breaks of its own") << tahoma(0, 45) << QStringLiteral("Café de olla\n500 g");
}

void TestAjusteTexto::nombreEntero()
{
    QFETCH(QFont, fuente);
    QFETCH(QString, texto);
    EtiquetaAjustada nombre(EtiquetaAjustada::Modo::Parrafo, kPisoNombre);
    nombre.resize(kCajaNombre);
    nombre.setFont(fuente);
    nombre.setText(texto);
    QVERIFY(!nombre.grab().isNull());

    const QStringList lineas = nombre.lineasDibujadas();
    const QFontMetrics m(nombre.fuenteDibujada());
    QVERIFY(QFontInfo(nombre.fuenteDibujada()).pixelSize() >= kPisoNombre);
    QVERIFY(nombre.fuenteDibujada().bold());
    QVERIFY2(ajuste::altoLineas(m, static_cast<int>(lineas.size())) <= kCajaNombre.height(),
             qPrintable(lineas.join(u'|')));
    for (const QString& l : lineas)
        QVERIFY2(ajuste::anchoLinea(m, l) <= kCajaNombre.width(), qPrintable(l));
    // Every word, in order, from the first line on; nothing elided.
    QCOMPARE(lineas.join(u' ').simplified(), texto.simplified());
    QVERIFY(texto.startsWith(lineas.first()));
    if (lineas.size() == 1 && cabeEnLinea(fuente, kCajaNombre, texto))
        QCOMPARE(nombre.fuenteDibujada(), fuente);
}

void TestAjusteTexto::nombreBajoElPiso_data()
{
    QTest::addColumn<QSize>("caja");
    QTest::addColumn<QString>("texto");
    QTest::newRow("600 wide capitals without a blank") << kCajaNombre << QString(600, u'W');
    QTest::newRow("1000 characters") << kCajaNombre << nombreDe(1000, true);
    QTest::newRow("a box dragged narrow") << QSize(300, 135) << nombreDe(200, false);
}

void TestAjusteTexto::nombreBajoElPiso()
{
    QFETCH(QSize, caja);
    QFETCH(QString, texto);
    const ajuste::Parrafo p = ajuste::ajustarParrafo(tahoma(0, 45), caja, texto, kPisoNombre);
    QVERIFY(!p.completo);
    QCOMPARE(QFontInfo(p.fuente).pixelSize(), kPisoNombre);
    QVERIFY(p.lineas.size() >= 2);
    QVERIFY(p.lineas.last().endsWith(QChar(0x2026)));
    // The lines before the last are whole and start the name.
    QVERIFY(!p.lineas.first().contains(QChar(0x2026)));
    QVERIFY(texto.startsWith(p.lineas.first()));
    const QFontMetrics m(p.fuente);
    QVERIFY(ajuste::altoLineas(m, static_cast<int>(p.lineas.size())) <= caja.height());
    for (const QString& l : p.lineas)
        QVERIFY(ajuste::anchoLinea(m, l) <= caja.width());
}

void TestAjusteTexto::efectosVisibles_data()
{
    QTest::addColumn<QString>("efecto");
    for (const char* e : {"bold", "italic", "underline", "strikeout"})
        QTest::newRow(e) << QString::fromLatin1(e);
}

// Drawn, not read back: the effect must change the pixels on screen against the regular weight,
// with the station's style sheet applied.
void TestAjusteTexto::efectosVisibles()
{
    QFETCH(QString, efecto);
    for (auto [modo, texto, caja] :
         {std::tuple{EtiquetaAjustada::Modo::Linea, QStringLiteral("$1,234.80"), kCajaPrecio},
          std::tuple{EtiquetaAjustada::Modo::Parrafo, QStringLiteral("Frijol negro Doña Lupe 500 g"), kCajaNombre}}) {
        QFont regular(QStringLiteral("Tahoma"));
        regular.setPointSize(modo == EtiquetaAjustada::Modo::Linea ? 60 : 40);
        QFont conEfecto = regular;
        conEfecto.setBold(efecto == QLatin1String("bold"));
        conEfecto.setItalic(efecto == QLatin1String("italic"));
        conEfecto.setUnderline(efecto == QLatin1String("underline"));
        conEfecto.setStrikeOut(efecto == QLatin1String("strikeout"));
        const auto dibujar = [&](const QFont& f) {
            EtiquetaAjustada l(modo, 20);
            l.resize(caja);
            QPalette p = l.palette();
            p.setColor(QPalette::Window, Qt::white);
            p.setColor(QPalette::WindowText, Qt::black);
            l.setPalette(p);
            l.setAutoFillBackground(true);
            l.setFont(f);
            l.setText(texto);
            return l.grab().toImage();
        };
        const QImage a = dibujar(regular);
        const QImage b = dibujar(conEfecto);
        QVERIFY(a != b);
        const qint64 tintaRegular = tinta(a, Qt::white);
        const qint64 tintaEfecto = tinta(b, Qt::white);
        QVERIFY(tintaRegular > 0);
        // Bold, underline and strike-out add ink; bold by a fifth at least. Italic slants the same ink.
        if (efecto == QLatin1String("bold"))
            QVERIFY2(tintaEfecto * 5 > tintaRegular * 6,
                     qPrintable(QStringLiteral("%1 %2").arg(tintaEfecto).arg(tintaRegular)));
        else if (efecto != QLatin1String("italic"))
            QVERIFY(tintaEfecto > tintaRegular);
    }
}

void TestAjusteTexto::rutaEnBarraDeEstado()
{
    EtiquetaElidida panel(Qt::ElideMiddle);
    panel.setFixedWidth(170);
    const QString corta = QStringLiteral("/datos/DEMO.fdb");
    panel.setText(corta);
    QCOMPARE(panel.textoDibujado(), corta);

    const QString larga = QStringLiteral("/home/tienda/.local/share/lumivo-demo/datos/sucursal-centro/DEMO.fdb");
    panel.setText(larga);
    QVERIFY(!panel.grab().isNull());
    const QString dibujado = panel.textoDibujado();
    QCOMPARE(panel.text(), larga);
    QVERIFY(dibujado.contains(QChar(0x2026)));
    QVERIFY(dibujado.startsWith(QStringLiteral("/h")));
    QVERIFY(dibujado.endsWith(QStringLiteral(".fdb")));
    QVERIFY(ajuste::anchoLinea(panel.fontMetrics(), dibujado) <= panel.contentsRect().width());
}

LUMIVO_TEST_MAIN(TestAjusteTexto)
#include "tst_ajustetexto.moc"
