#pragma once
// The text of the host error a client-side call raises, for comparing the server's messages.

#include <host/core/Exceptions.h>

#include <QString>

#include <functional>

namespace testsupport {

inline QString messageOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const host::EHostError& e) {
        return e.message();
    }
    return QStringLiteral("<no exception>");
}

} // namespace testsupport
