#include "Platform.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QImage>
#include <QLibraryInfo>
#include <QPainter>
#include <QPointer>
#include <QStandardPaths>
#include <QTranslator>
#include <QUrl>
#include <memory>

// Outside any namespace: the style sheet sits in a static library's resource, and only this
// reference keeps its initialiser in the program (without it the sheet is silently missing).
static void initStyleResources()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(platform);
        return true;
    }();
    Q_UNUSED(done);
}

namespace {

// The ink a text leaves in a font: how dark it draws, independent of how wide.
qint64 tinta(const QFont& fuente)
{
    QImage imagen(400, 60, QImage::Format_Grayscale8);
    imagen.fill(Qt::white);
    QPainter p(&imagen);
    p.setFont(fuente);
    p.setPen(Qt::black);
    p.drawText(4, 48, QStringLiteral("$1,234.80 Il"));
    p.end();
    qint64 suma = 0;
    for (int y = 0; y < imagen.height(); ++y) {
        const uchar* fila = imagen.constScanLine(y);
        for (int x = 0; x < imagen.width(); ++x)
            suma += 255 - fila[x];
    }
    return suma;
}

} // namespace

namespace platform {

QString commonAppDataFolder()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    QDir().mkpath(folder);
    return folder;
}

bool openUrl(const QString& address)
{
    return QDesktopServices::openUrl(QUrl(address));
}

QString programVersion()
{
    return QStringLiteral(LUMIVO_VERSION);
}

bool applyStyle(QApplication& app, const QString& name)
{
    initStyleResources();
    QFile sheet(QStringLiteral(":/styles/%1.qss").arg(name));
    if (!sheet.open(QIODevice::ReadOnly))
        return false;
    app.setStyleSheet(QString::fromUtf8(sheet.readAll()));
    return true;
}

bool installQtTranslations(const QString& folder)
{
    static QPointer<QTranslator> instalada;
    if (instalada)
        return true;
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return false;
    auto traduccion = std::make_unique<QTranslator>();
    const QString carpeta = folder.isEmpty() ? QLibraryInfo::path(QLibraryInfo::TranslationsPath) : folder;
    if (!traduccion->load(QStringLiteral("qtbase_es"), carpeta)) {
        qWarning("Lumivo: no se encontró la traducción de Qt «qtbase_es» en %s; los diálogos estándar se "
                 "muestran en inglés",
                 qUtf8Printable(carpeta));
        return false;
    }
    instalada = traduccion.release();
    instalada->setParent(app);
    QCoreApplication::installTranslator(instalada);
    return true;
}

void registerFonts()
{
    static const char* const regulares[] = {
        "/usr/share/fonts/truetype/wine/tahoma.ttf",
        "/usr/share/wine/fonts/tahoma.ttf",
    };
    static const char* const negritas[] = {
        "/usr/share/fonts/truetype/wine/tahomabd.ttf",
        "/usr/share/wine/fonts/tahomabd.ttf",
    };
    for (const char* path : regulares) {
        if (QFile::exists(QString::fromLatin1(path)))
            QFontDatabase::addApplicationFont(QString::fromLatin1(path));
    }
    QFont regular(QStringLiteral("Tahoma"));
    regular.setPixelSize(40);
    QFont negrita = regular;
    negrita.setBold(true);
    // Without a bold face Qt draws bold by thickening the regular one, but by default only below
    // 64 pixels; the large price is larger than that.
    if (!qEnvironmentVariableIsSet("QT_NO_SYNTHESIZED_BOLD_LIMIT"))
        qputenv("QT_NO_SYNTHESIZED_BOLD_LIMIT", "1");
    const qint64 tintaRegular = tinta(regular);
    for (const char* path : negritas) {
        if (!QFile::exists(QString::fromLatin1(path)))
            continue;
        // The bold face that fonts-wine ships carries the regular outlines on wider advances: with
        // it, every bold Tahoma text (the article name, the price, titles, buttons) drew in regular
        // weight. A bold face that draws hardly darker than the regular one (a real bold is a third
        // darker or more) is dropped again, so Qt thickens the regular face instead.
        const int id = QFontDatabase::addApplicationFont(QString::fromLatin1(path));
        if (id >= 0 && tinta(negrita) * 10 < tintaRegular * 11)
            QFontDatabase::removeApplicationFont(id);
    }
}

QFont tahomaPixels(int pixels, bool bold)
{
    QFont f(QStringLiteral("Tahoma"));
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

QFont tahomaPoints(int points, bool bold)
{
    QFont f(QStringLiteral("Tahoma"), points);
    f.setBold(bold);
    return f;
}

} // namespace platform
