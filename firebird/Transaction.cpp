#include "Transaction.h"

#include "Internal.h"

#include <algorithm>

namespace fb {

namespace {

template <typename T> void erase(std::vector<T*>& list, T* item)
{
    list.erase(std::remove(list.begin(), list.end(), item), list.end());
}

// For the ways out that cannot report a failure: a transaction whose connection is gone has
// already been rolled back by the server, so only our end is dropped.
void rollbackQuietly(detail::Ref<Firebird::ITransaction>& handle) noexcept
{
    if (!handle)
        return;
    try {
        detail::Status st;
        handle->rollback(&st);
        handle.release();
    } catch (const Error&) {
        handle.reset();
    }
}

} // namespace

Transaction::Impl::~Impl()
{
    for (Query::Impl* q : queries)
        detail::forgetTransaction(*q);
    rollbackQuietly(handle);
    if (connection)
        erase(connection->transactions, this);
}

Firebird::IAttachment* Transaction::Impl::attachment() const
{
    if (!connection)
        throw detail::layerError(QStringLiteral("La conexión de la transacción ya no existe"));
    return connection->attached();
}

Firebird::ITransaction* Transaction::Impl::active() const
{
    if (!handle)
        throw detail::layerError(QStringLiteral("La transacción no está activa"));
    return handle.get();
}

void Transaction::Impl::attachTo(Connection::Impl* newConnection)
{
    if (connection == newConnection)
        return;
    if (connection)
        erase(connection->transactions, this);
    connection = newConnection;
    connection->transactions.push_back(this);
}

void Transaction::Impl::end(bool commit)
{
    auto* tra = active();
    // A cursor does not survive the end of its transaction.
    for (Query::Impl* q : queries)
        detail::closeCursor(*q);
    detail::Status st;
    try {
        if (commit)
            tra->commit(&st);
        else
            tra->rollback(&st);
    } catch (const Error& e) {
        // The server has already rolled back a transaction whose connection is gone; keeping it
        // "active" would make every later commit fail the same way.
        if (e.isConnectionLost())
            handle.reset();
        throw;
    }
    handle.release();
}

void Transaction::Impl::abandon() noexcept
{
    for (Query::Impl* q : queries)
        detail::freeStatement(*q);
    rollbackQuietly(handle);
}

void Transaction::Impl::forsake() noexcept
{
    for (Query::Impl* q : queries)
        detail::dropStatement(*q);
    (void)handle.release();
}

Transaction::Transaction(Connection& connection, Isolation isolation, Access access)
    : m_connection(connection)
    , m_impl(std::make_unique<Impl>())
{
    m_impl->isolation = isolation;
    m_impl->access = access;
    m_impl->attachTo(&connection.impl());
}

Transaction::~Transaction() = default;

Transaction::Impl& Transaction::impl()
{
    return *m_impl;
}

void Transaction::start()
{
    if (m_impl->handle)
        throw detail::layerError(QStringLiteral("La transacción ya está activa"));
    // Follow the Connection object even if another attachment was moved into it.
    m_impl->attachTo(&m_connection.impl());
    auto* att = m_impl->attachment();

    detail::Status st;
    detail::Owned<Firebird::IXpbBuilder> tpb(
        detail::util()->getXpbBuilder(&st, Firebird::IXpbBuilder::TPB, nullptr, 0));
    if (m_impl->isolation == Isolation::ReadCommitted) {
        tpb->insertTag(&st, isc_tpb_read_committed);
        tpb->insertTag(&st, isc_tpb_rec_version);
    } else {
        tpb->insertTag(&st, isc_tpb_concurrency);
    }
    tpb->insertTag(&st, isc_tpb_wait);
    tpb->insertTag(&st, m_impl->access == Access::ReadWrite ? isc_tpb_write : isc_tpb_read);
    m_impl->handle.reset(att->startTransaction(&st, tpb->getBufferLength(&st), tpb->getBuffer(&st)));
}

void Transaction::commit()
{
    m_impl->end(true);
}

void Transaction::rollback()
{
    m_impl->end(false);
}

bool Transaction::isActive() const noexcept
{
    return m_impl->handle != nullptr;
}

} // namespace fb
