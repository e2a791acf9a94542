#pragma once
// The event boundary: Qt does not let exceptions cross its event loop, so every handler the
// host calls from a Qt event runs inside Guard, which shows what escapes (a silent abort
// shows nothing) and returns normally. Code called directly sees the exceptions.

#include <exception>
#include <utility>

namespace host {

// Shows an exception the way the host's default error display does.
void HandleException(std::exception_ptr error) noexcept;

template <class F> bool Guard(F&& handler) noexcept {
    try {
        std::forward<F>(handler)();
        return true;
    } catch (...) {
        HandleException(std::current_exception());
        return false;
    }
}

} // namespace host
