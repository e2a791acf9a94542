#pragma once
// The checks of a request's start line and headers, made before any byte of its body is read.
// Pure functions of the texts, so that a fuzzer can drive them with the HTTP parser.

#include <string>
#include <string_view>
#include <vector>

namespace server {

// Compares without an early exit, so the time taken tells nothing about the token.
bool sameSecret(std::string_view a, std::string_view b);

// The Host header names this server: an IP literal, "localhost" or one of `names` (lower
// case), with or without a port. A web page reaching the port through a name of its own (DNS
// rebinding) sends that name and is refused.
bool hostAccepted(std::string_view host, const std::vector<std::string>& names);

// "application/json", in any letter case, with or without parameters.
bool isJsonContentType(std::string_view contentType);

// An Idempotency-Key header: absent (empty), or 1 to 64 ASCII letters, digits, '-' or '_'.
bool validRequestKey(std::string_view key);

// "/rpc/<object>/<method>" (a query is ignored); false for any other target.
bool rpcTarget(std::string_view target, std::string& object, std::string& method);

// "/auth/login" or "/auth/logout" (a query is ignored): the action; false for any other target.
bool authTarget(std::string_view target, std::string& action);

} // namespace server
