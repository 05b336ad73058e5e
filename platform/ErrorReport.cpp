#include "ErrorReport.h"

#include "MessageBox.h"

#include <QCoreApplication>
#include <stdexcept>

namespace platform {

void reportError(QWidget* parent, const QString& text)
{
    // The application title ("Lumivo") is the report's title.
    showMessage(parent, text, QCoreApplication::applicationName(), Icon::Error);
}

} // namespace platform
