#pragma once

#include <chrono>

namespace fb {

// Ends the client library's work in this process before it exits: attachments still open are
// detached and the embedded engine's threads stop. Left to the library's own finalizers, those
// threads race the program's static destructors at exit (a crash in __cxa_finalize, a leak
// checker's tracer dying while it stops them), so every program and test calls this last.
// Waits at most `limit` (a hung server can hold a detach for minutes); returns false when the
// library had not finished by then, and the caller should leave with std::_Exit, since the
// library's threads are still running. No call into the library may follow.
bool shutdownClient(std::chrono::milliseconds limit) noexcept;

// For a program that ends on SIGINT and SIGTERM by itself (its event loop returns, its objects go,
// then shutdownClient): the client library catches those signals too, from its first attachment
// on, and would shut every attachment down on a thread of its own, racing the program's own end
// and its exit. After this call the library leaves those signals to the program. False when the
// library refused.
bool leaveSignalsToProgram() noexcept;

} // namespace fb
