#include "Internal.h"

#include <QStringDecoder>

namespace fb::detail {

Firebird::IMaster* master()
{
    static Firebird::IMaster* const instance = Firebird::fb_get_master_interface();
    return instance;
}

Firebird::IUtil* util()
{
    static Firebird::IUtil* const instance = master()->getUtilInterface();
    return instance;
}

Firebird::IProvider* provider()
{
    // Held for the life of the process; the client library tears it down at exit.
    static Firebird::IProvider* const instance = master()->getDispatcher();
    return instance;
}

Error statusError(Firebird::IStatus* status)
{
    char buffer[8192];
    const unsigned length = util()->formatStatus(buffer, sizeof buffer, status);
    const QByteArray raw(buffer, static_cast<qsizetype>(qMin<unsigned>(length, sizeof buffer)));

    // Names and values quoted in server messages arrive in the connection character set
    // (ISO8859_1) while the rest is ASCII or UTF-8; what() is UTF-8 either way.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(raw);
    if (utf8.hasError())
        text = QString::fromLatin1(raw);

    const intptr_t* vector = status->getErrors();
    const long code = vector[0] == isc_arg_gds ? static_cast<long>(vector[1]) : 0;
    return Error(text.trimmed().toStdString(), code);
}

Error layerError(const QString& message)
{
    return Error(message.toStdString());
}

QByteArray toServerText(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].unicode() > 0xFF) {
            const qsizetype width = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
            throw layerError(QStringLiteral("El texto contiene caracteres que no se pueden enviar a la base de "
                                            "datos (ISO8859_1): «%1»")
                                 .arg(text.mid(i, width)));
        }
    }
    return text.toLatin1();
}

} // namespace fb::detail
