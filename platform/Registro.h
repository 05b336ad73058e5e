#pragma once

#include <QString>

namespace platform {

// The station's log: one line on stderr with the local time to the millisecond. What the customer
// must not read (the database engine's own text, a failure's details) goes here and to the
// operator's tool tips, never onto the display.
void logLine(const QString& text);

} // namespace platform
