#pragma once

#include <QString>
#include <vector>

namespace fb {

class Connection;
class Transaction;

struct ScriptStatement {
    QString text; // without its terminator
    int line = 0; // 1-based line where it starts
};

struct ScriptFailure {
    QString statement;
    QString message; // Firebird's own message
};

// Splits a script at the current terminator, following "SET TERM x ;" and skipping
// "SET SQL DIALECT n;" (dialect 3 is the only one we speak), blank text and comments.
// Terminators inside string literals, quoted identifiers and comments do not split.
std::vector<ScriptStatement> splitScript(const QString& script);

// How the DDL statements of a script meet the caller's transaction.
enum class ScriptDdl {
    // Everything waits for the caller's commit. Firebird cannot use an object before the
    // transaction that created it commits: an INSERT into a table created earlier in the
    // same script fails with "Table unknown".
    InTransaction,
    // Like isql's AUTODDL: each DDL statement that succeeds is committed at once (commit
    // retaining, so the transaction stays active and its queries keep working) and later
    // statements can use the new objects. Everything the transaction did up to that point
    // is committed with it and can no longer be rolled back. Installation scripts that
    // create a table and then grant on it or insert into it need this.
    CommitEach,
};

// Runs each statement in the transaction, which must be active; a failing statement does
// not stop the script. Returns the failures in order (empty when everything ran). A
// COMMIT or ROLLBACK in the script commits or rolls back retaining, so the transaction
// stays usable. A lost connection is not a statement failure: it throws fb::Error.
std::vector<ScriptFailure> runScript(Transaction& transaction, const QString& script,
                                     ScriptDdl ddl = ScriptDdl::InTransaction);

// Runs a script whose lines "COMMIT;" divide it into phases, each in a transaction of its own
// that is committed when the phase ends, so later phases see what earlier ones created. Stops
// after the first phase with failures and returns them (that phase is not committed).
std::vector<ScriptFailure> runScriptPhases(Connection& connection, const QString& script,
                                           ScriptDdl ddl = ScriptDdl::InTransaction);

} // namespace fb
