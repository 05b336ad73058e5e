#pragma once

#include "platform/Registro.h"

#include <QObject>
#include <QString>
#include <QWidget>
#include <cstddef>
#include <exception>
#include <functional>
#include <tuple>
#include <type_traits>
#include <utility>

namespace platform {

// The general error report: a message box with the failure's own text, titled with the
// application title. Every entry point (slot, event override, timer tick, start-up)
// runs its body through guarded(), so no exception ever crosses a Qt frame.
void reportError(QWidget* parent, const QString& text);

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

namespace detail {

template <typename Handler, typename Receiver, typename Tuple, std::size_t... I>
constexpr bool takesFirst(std::index_sequence<I...>)
{
    if constexpr (std::is_member_function_pointer_v<Handler>)
        return std::is_invocable_v<Handler&, Receiver*, std::tuple_element_t<I, Tuple>...>;
    else
        return std::is_invocable_v<Handler&, std::tuple_element_t<I, Tuple>...>;
}

// Calls the handler with as many of the signal's leading arguments as it takes, as a slot would.
template <std::size_t N, typename Handler, typename Receiver, typename Tuple>
void invokeWithFirst(Handler& handler, Receiver* receiver, Tuple& args)
{
    if constexpr (takesFirst<Handler, Receiver, Tuple>(std::make_index_sequence<N>{})) {
        [&]<std::size_t... I>(std::index_sequence<I...>)
        {
            if constexpr (std::is_member_function_pointer_v<Handler>)
                std::invoke(handler, receiver, std::get<I>(args)...);
            else
                std::invoke(handler, std::get<I>(args)...);
        }
        (std::make_index_sequence<N>{});
    } else if constexpr (N > 0) {
        invokeWithFirst<N - 1>(handler, receiver, args);
    } else {
        static_assert(N > 0, "the handler takes none of the signal's arguments");
    }
}

} // namespace detail

// Connects a signal to a handler that runs under the general error report, with the receiving
// window as the report's parent. The handler is a member function of the receiver or any
// callable; like a slot, it takes the signal's leading arguments or none.
template <typename Sender, typename Signal, typename Receiver, typename Handler>
QMetaObject::Connection connectGuarded(const Sender* sender, Signal signal, Receiver* receiver, Handler handler,
                                       Qt::ConnectionType type = Qt::AutoConnection)
{
    static_assert(std::is_base_of_v<QWidget, Receiver>, "the receiver is the window that reports the failure");
    return QObject::connect(
        sender, signal, receiver,
        [receiver, handler](auto&&... args) mutable {
            auto arguments = std::forward_as_tuple(std::forward<decltype(args)>(args)...);
            guarded(receiver, [&] { detail::invokeWithFirst<sizeof...(args)>(handler, receiver, arguments); });
        },
        type);
}

} // namespace platform
