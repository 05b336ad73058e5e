#pragma once

#include <QString>
#include <QStringList>
#include <memory>

namespace fb {

// One attachment, described by the ordered parameter list of "Name=value" lines
// (Database, user_name, password, RoleName, CharacterSet, SQLDialect, Protocol, Server,
// DriverID). Names are case-insensitive, the first line of a name counts, values are
// trimmed. CharacterSet defaults to ISO8859_1, SQLDialect to 3; DriverID is ignored.
// The connection never prompts for anything.
class Connection {
public:
    Connection();
    ~Connection();
    Connection(Connection&&) noexcept;
    Connection& operator=(Connection&&) noexcept;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void setParams(const QStringList& params); // closes first if open
    const QStringList& params() const noexcept { return m_params; }
    void clearParams() { setParams({}); }

    // Attachment string from the Database, Protocol and Server entries:
    // TCPIP "srv:path", NetBEUI "\\srv\path", SPX "srv@path", a server without a known
    // protocol "srv:path", no server: the path unchanged.
    static QString attachmentString(const QStringList& params);

    void open(); // attach; throws fb::Error with Firebird's message
    // Creates the database the params name (default character set ISO8859_1, the params'
    // dialect, page size 8192), then stays attached.
    void create();
    // Detaches; rolls back active transactions and unprepares their queries, whose objects
    // stay valid (inactive). Also safe on a lost connection. No-op when closed.
    void close() noexcept;
    // Lets go of the attachment without a word to the server, for a server that no longer answers:
    // detaching would wait on it for as long as it stays silent. Its transactions and statements
    // become inactive as after close(); the client library's handles are left to its shutdown.
    void abandon() noexcept;
    bool isOpen() const noexcept;

    // Implementation detail for Transaction/Query (opaque outside firebird/).
    struct Impl;
    Impl& impl();

private:
    QStringList m_params;
    std::unique_ptr<Impl> m_impl;
};

} // namespace fb
