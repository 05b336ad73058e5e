#pragma once

// A service manager's SIGTERM, a shutdown or an operator's Ctrl+C ends the station as "Salir"
// does: every event loop of the window thread stops, nested modal ones included, and the
// program's exec() returns, so nothing is cut half-way and no window's closing steps run.
namespace platform {

// Installs the SIGTERM and SIGINT handlers. The handlers only write to a pipe; the event loop
// reads it and asks the application to end. Call once, after the application object exists.
// False when the pipe or a handler cannot be set up (the signals then keep their old action).
bool terminarConSenales();

} // namespace platform
