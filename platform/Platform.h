#pragma once

#include <QFont>
#include <QString>

class QApplication;

namespace platform {

// The common application-data folder, created if missing.
QString commonAppDataFolder();

// Opens a web address with the desktop's default handler.
bool openUrl(const QString& address);

// The program file's version as "a.b.c.d".
QString programVersion();

// Applies the carried visual style; returns false when it could not be loaded.
bool applyStyle(QApplication& app, const QString& name);

// Registers the Tahoma face when the system has it (fonts-wine); harmless otherwise. Bold is drawn
// visibly heavier at every size, also where the installed bold face is not (see the source).
void registerFonts();

// The station's face. The display's built-in fonts are sized in pixels, so they look the same at
// any screen density; the dialogs' small texts are sized in points, as the desktop sizes its own.
QFont tahomaPixels(int pixels, bool bold = false);
QFont tahomaPoints(int points, bool bold = false);

} // namespace platform
