#pragma once

#include <stdexcept>
#include <string>

namespace fb {

// A failure reported by Firebird (or by this layer). what() is the server's own
// formatted message in UTF-8, e.g. "Your user name and password are not defined...".
class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message, long gdsCode = 0)
        : std::runtime_error(message)
        , m_gdsCode(gdsCode)
    {
    }

    // The first isc_* code of the status vector, 0 when the error did not come from Firebird.
    long gdsCode() const noexcept { return m_gdsCode; }

    // True when the attachment itself is gone (server shut down, network lost).
    bool isConnectionLost() const noexcept;

private:
    long m_gdsCode;
};

} // namespace fb
