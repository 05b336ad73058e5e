#pragma once

#include <memory>

namespace fb {

class Connection;

enum class Isolation { ReadCommitted, Snapshot };
enum class Access { ReadWrite, ReadOnly };

// A transaction on one connection; several may be active on the same connection.
// ReadCommitted reads the latest committed versions (rec_version); Snapshot sees the
// database as it was at start(). Both wait for conflicting locks. commit()/rollback()
// close the cursors of its queries. Closing the connection rolls it back and leaves it
// inactive; it can be started again once the connection is open. Still active at
// destruction: rolled back.
class Transaction {
public:
    explicit Transaction(Connection& connection, Isolation isolation = Isolation::ReadCommitted,
                         Access access = Access::ReadWrite);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void start(); // throws if already active or the connection is closed
    void commit();
    void rollback();
    bool isActive() const noexcept;

    struct Impl;
    Impl& impl();

private:
    Connection& m_connection;
    std::unique_ptr<Impl> m_impl;
};

} // namespace fb
