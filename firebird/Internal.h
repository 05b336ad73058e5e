#pragma once

// Shared by the .cpp files of firebird/ only: the OO API entry points, a status that
// throws fb::Error, handle holders and the Impl structs that tie connections,
// transactions and queries together.

#include "Connection.h"
#include "Error.h"
#include "FirebirdApi.h"
#include "Query.h"
#include "Transaction.h"

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <memory>
#include <vector>

namespace fb::detail {

Firebird::IMaster* master();
Firebird::IUtil* util();
Firebird::IProvider* provider();

// Firebird's formatted status (as UTF-8) and its first isc code.
Error statusError(Firebird::IStatus* status);
// An error of this layer (no isc code).
Error layerError(const QString& message);

// Like the API's ThrowStatusWrapper, but a failed call throws fb::Error.
class Status final : public Firebird::BaseStatusWrapper<Status> {
public:
    Status()
        : BaseStatusWrapper(master()->getStatus())
    {
    }
    ~Status() { status->dispose(); }
    Status(const Status&) = delete;
    Status& operator=(const Status&) = delete;

    static void checkException(Status* s)
    {
        if (s->dirty && (s->getState() & Firebird::IStatus::STATE_ERRORS))
            throw statusError(s);
    }
};

struct Releaser {
    template <typename T> void operator()(T* p) const noexcept { p->release(); }
};
struct Disposer {
    template <typename T> void operator()(T* p) const noexcept { p->dispose(); }
};
// Reference-counted interfaces (attachment, transaction, statement, cursor, blob, metadata).
// Their detach/commit/rollback/free/close release the interface on success: call release()
// on the holder after such a call succeeds.
template <typename T> using Ref = std::unique_ptr<T, Releaser>;
template <typename T> using Owned = std::unique_ptr<T, Disposer>;

// The connection character set is ISO8859_1: text that Latin-1 cannot hold would become
// '?' on the way, so it is refused instead.
QByteArray toServerText(QStringView text);

constexpr unsigned kCharsetNone = 0;
constexpr unsigned kCharsetOctets = 1;
constexpr unsigned kCharsetLatin1 = 21;

// Hooks from transactions into their queries (defined in Query.cpp).
void closeCursor(Query::Impl& query) noexcept;
void freeStatement(Query::Impl& query) noexcept;     // the attachment is going away
void forgetTransaction(Query::Impl& query) noexcept; // the Transaction object is going away
void dropStatement(Query::Impl& query) noexcept;     // the attachment is abandoned: no server call

} // namespace fb::detail

namespace fb {

struct Connection::Impl {
    detail::Ref<Firebird::IAttachment> attachment;
    unsigned dialect = 3;
    std::vector<Transaction::Impl*> transactions; // every Transaction built on this connection

    Impl() = default;
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;
    ~Impl();

    Firebird::IAttachment* attached() const; // throws when closed
    void close() noexcept;
    void abandon() noexcept;
};

struct Transaction::Impl {
    Connection::Impl* connection = nullptr; // null once its Connection is destroyed
    Isolation isolation = Isolation::ReadCommitted;
    Access access = Access::ReadWrite;
    detail::Ref<Firebird::ITransaction> handle;
    std::vector<Query::Impl*> queries;

    Impl() = default;
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;
    ~Impl();

    Firebird::IAttachment* attachment() const; // throws when the connection is closed
    Firebird::ITransaction* active() const;    // throws when not started
    void attachTo(Connection::Impl* newConnection);
    void end(bool commit);
    void abandon() noexcept; // the attachment is closing: free statements, roll back
    void forsake() noexcept; // the attachment is abandoned: drop every handle, no server call
};

} // namespace fb
