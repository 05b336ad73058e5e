#pragma once

#include <QString>
#include <exception>
#include <utility>

class QWidget;

namespace platform {

// The general error report: a message box with the failure's own text, titled with the
// application title. Every entry point (slot, event override, timer tick, start-up)
// runs its body through guarded(), so no exception ever crosses a Qt frame.
void reportError(QWidget* parent, const QString& text);
QString describe(const std::exception_ptr& error);

template <typename F> bool guarded(QWidget* parent, F&& body) noexcept
{
    try {
        std::forward<F>(body)();
        return true;
    } catch (...) {
        reportError(parent, describe(std::current_exception()));
        return false;
    }
}

} // namespace platform
