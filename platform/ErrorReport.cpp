#include "ErrorReport.h"

#include "MessageBox.h"

#include <QCoreApplication>
#include <stdexcept>

namespace platform {

QString describe(const std::exception_ptr& error)
{
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        // Our failures carry UTF-8 texts.
        return QString::fromUtf8(e.what());
    } catch (...) {
        return QStringLiteral("Error desconocido");
    }
}

void reportError(QWidget* parent, const QString& text)
{
    // The application title ("Lumivo") is the report's title.
    showMessage(parent, text, QCoreApplication::applicationName(), Icon::Error);
}

} // namespace platform
