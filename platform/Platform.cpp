#include "Platform.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QStandardPaths>
#include <QUrl>

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

void registerFonts()
{
    static const char* const candidates[] = {
        "/usr/share/fonts/truetype/wine/tahoma.ttf",
        "/usr/share/fonts/truetype/wine/tahomabd.ttf",
        "/usr/share/wine/fonts/tahoma.ttf",
        "/usr/share/wine/fonts/tahomabd.ttf",
    };
    for (const char* path : candidates) {
        if (QFile::exists(QString::fromLatin1(path)))
            QFontDatabase::addApplicationFont(QString::fromLatin1(path));
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
