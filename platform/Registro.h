#pragma once

#include <QString>
#include <exception>

namespace platform {

// The station's log: one line on stderr with the local time to the millisecond. What the customer
// must not read (the database engine's own text, a failure's details) goes here and to the
// operator's tool tips, never onto the display.
void logLine(const QString& text);

// A failure's text (UTF-8 for the station's own exceptions), for the log or a tool tip.
QString describe(const std::exception_ptr& error);

} // namespace platform
