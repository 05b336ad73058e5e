#include "Connection.h"

#include "Internal.h"

#include <algorithm>
#include <csignal>

namespace fb {

namespace {

constexpr unsigned kPageSize = 8192;

// The client library installs SIGINT and SIGTERM handlers of its own at its first attachment; they
// start a shutdown of the library on a thread of its own, which races the program's own way out
// (its objects detaching, then fb::shutdownClient). The program decides how it ends: the handlers
// that were in place before the attachment (the program's, or the defaults) are put back.
class SenalesDelPrograma {
public:
    SenalesDelPrograma()
    {
        ::sigaction(SIGINT, nullptr, &m_int);
        ::sigaction(SIGTERM, nullptr, &m_term);
    }
    ~SenalesDelPrograma()
    {
        restaurar(SIGINT, m_int);
        restaurar(SIGTERM, m_term);
    }
    SenalesDelPrograma(const SenalesDelPrograma&) = delete;
    SenalesDelPrograma& operator=(const SenalesDelPrograma&) = delete;

private:
    static void restaurar(int senal, const struct sigaction& antes)
    {
        struct sigaction ahora = {};
        ::sigaction(senal, nullptr, &ahora);
        if (ahora.sa_handler != antes.sa_handler)
            ::sigaction(senal, &antes, nullptr);
    }
    struct sigaction m_int = {};
    struct sigaction m_term = {};
};
const char* const kDefaultCharset = "ISO8859_1";

// Value of the first "name=value" line with that name (case-insensitive), trimmed.
QString param(const QStringList& params, QStringView name)
{
    for (const QString& line : params) {
        const qsizetype eq = line.indexOf(u'=');
        if (eq >= 0 && QStringView(line).left(eq).trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return line.mid(eq + 1).trimmed();
    }
    return {};
}

struct Dpb {
    detail::Owned<Firebird::IXpbBuilder> builder;
    unsigned dialect = 3;
};

Dpb buildDpb(detail::Status& st, const QStringList& params)
{
    Dpb dpb;
    dpb.builder.reset(detail::util()->getXpbBuilder(&st, Firebird::IXpbBuilder::DPB, nullptr, 0));
    auto* b = dpb.builder.get();

    const auto insert = [&](unsigned char tag, const QString& value) {
        if (!value.isEmpty())
            b->insertString(&st, tag, value.toUtf8().constData());
    };
    insert(isc_dpb_user_name, param(params, u"user_name"));
    insert(isc_dpb_password, param(params, u"password"));
    insert(isc_dpb_sql_role_name, param(params, u"RoleName"));

    const QString charset = param(params, u"CharacterSet");
    b->insertString(&st, isc_dpb_lc_ctype, charset.isEmpty() ? kDefaultCharset : charset.toUtf8().constData());

    const QString dialectText = param(params, u"SQLDialect");
    if (!dialectText.isEmpty()) {
        bool ok = false;
        dpb.dialect = dialectText.toUInt(&ok);
        if (!ok || (dpb.dialect != 1 && dpb.dialect != 3))
            throw detail::layerError(QStringLiteral("Dialecto SQL no válido: %1").arg(dialectText));
    }
    b->insertInt(&st, isc_dpb_sql_dialect, static_cast<int>(dpb.dialect));
    return dpb;
}

} // namespace

Connection::Impl::~Impl()
{
    close();
    for (Transaction::Impl* t : transactions)
        t->connection = nullptr;
}

Firebird::IAttachment* Connection::Impl::attached() const
{
    if (!attachment)
        throw detail::layerError(QStringLiteral("La conexión a la base de datos no está abierta"));
    return attachment.get();
}

void Connection::Impl::close() noexcept
{
    if (!attachment)
        return;
    // Detaching with statements or transactions still open fails, so end them first.
    for (Transaction::Impl* t : transactions)
        t->abandon();
    try {
        detail::Status st;
        attachment->detach(&st);
        attachment.release();
    } catch (const Error&) {
        attachment.reset(); // connection lost: drop our end
    }
}

void Connection::Impl::abandon() noexcept
{
    if (!attachment)
        return;
    for (Transaction::Impl* t : transactions)
        t->forsake();
    // Released without detaching: the handle stays with the client library until its shutdown.
    (void)attachment.release();
}

Connection::Connection()
    : m_impl(std::make_unique<Impl>())
{
}

Connection::~Connection() = default;

Connection::Connection(Connection&&) noexcept = default;

Connection& Connection::operator=(Connection&& other) noexcept
{
    if (this != &other) {
        close();
        m_params = std::move(other.m_params);
        m_impl = std::move(other.m_impl);
    }
    return *this;
}

Connection::Impl& Connection::impl()
{
    if (!m_impl) // moved-from: usable again, like a new object
        m_impl = std::make_unique<Impl>();
    return *m_impl;
}

void Connection::setParams(const QStringList& params)
{
    close();
    m_params = params;
}

QString Connection::attachmentString(const QStringList& params)
{
    const QString database = param(params, u"Database");
    const QString server = param(params, u"Server");
    if (server.isEmpty())
        return database;
    const QString protocol = param(params, u"Protocol");
    if (protocol.compare(u"NetBEUI", Qt::CaseInsensitive) == 0)
        return QStringLiteral("\\\\") + server + u'\\' + database;
    if (protocol.compare(u"SPX", Qt::CaseInsensitive) == 0)
        return server + u'@' + database;
    return server + u':' + database;
}

void Connection::open()
{
    Impl& d = impl();
    if (d.attachment)
        return;
    detail::Status st;
    const Dpb dpb = buildDpb(st, m_params);
    auto* b = dpb.builder.get();
    const QByteArray target = attachmentString(m_params).toUtf8();
    const SenalesDelPrograma senales;
    d.attachment.reset(
        detail::provider()->attachDatabase(&st, target.constData(), b->getBufferLength(&st), b->getBuffer(&st)));
    d.dialect = dpb.dialect;
}

void Connection::create()
{
    Impl& d = impl();
    close();
    detail::Status st;
    const Dpb dpb = buildDpb(st, m_params);
    auto* b = dpb.builder.get();
    b->insertInt(&st, isc_dpb_page_size, kPageSize);
    b->insertString(&st, isc_dpb_set_db_charset, kDefaultCharset);
    const QByteArray target = attachmentString(m_params).toUtf8();
    const SenalesDelPrograma senales;
    d.attachment.reset(
        detail::provider()->createDatabase(&st, target.constData(), b->getBufferLength(&st), b->getBuffer(&st)));
    d.dialect = dpb.dialect;
}

void Connection::close() noexcept
{
    if (m_impl)
        m_impl->close();
}

void Connection::abandon() noexcept
{
    if (m_impl)
        m_impl->abandon();
}

bool Connection::isOpen() const noexcept
{
    return m_impl && m_impl->attachment;
}

} // namespace fb
