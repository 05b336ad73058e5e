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

// Installs Qt's own Spanish texts ("qtbase_es", from Qt's translations folder unless another is
// given) in the running application, so the standard dialogs and buttons Qt draws (the font
// chooser's captions, "Cancelar") read Spanish. Without the file the program goes on in English,
// having said so in one log line; returns whether the texts are installed. Once installed, a
// further call changes nothing.
bool installQtTranslations(const QString& folder = {});

// Registers the Tahoma face when the system has it (fonts-wine); harmless otherwise. Bold is drawn
// visibly heavier at every size, also where the installed bold face is not (see the source).
void registerFonts();

// The station's face. The display's built-in fonts are sized in pixels, so they look the same at
// any screen density; the dialogs' small texts are sized in points, as the desktop sizes its own.
QFont tahomaPixels(int pixels, bool bold = false);
QFont tahomaPoints(int points, bool bold = false);

} // namespace platform
