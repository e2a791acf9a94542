#include <server/RequestChecks.h>

#include <boost/asio/ip/address.hpp>

#include <algorithm>
#include <cctype>

namespace server {
namespace {

std::string lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

} // namespace

bool sameSecret(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    unsigned char diff = 0;
    for (size_t i = 0; i < a.size(); ++i)
        diff |= static_cast<unsigned char>(a[i] ^ b[i]);
    return diff == 0;
}

bool hostAccepted(std::string_view host, const std::vector<std::string>& names) {
    if (host.empty())
        return false;
    boost::system::error_code ec;
    if (host.front() == '[') {
        const size_t end = host.find(']');
        if (end == std::string_view::npos)
            return false;
        boost::asio::ip::make_address_v6(std::string(host.substr(1, end - 1)), ec);
        return !ec;
    }
    const size_t colon = host.rfind(':');
    if (colon != std::string_view::npos) {
        const std::string_view port = host.substr(colon + 1);
        if (port.empty() ||
            !std::all_of(port.begin(), port.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return false;
        host = host.substr(0, colon);
    }
    std::string name = lower(host);
    if (!name.empty() && name.back() == '.')
        name.pop_back();
    boost::asio::ip::make_address_v4(name, ec);
    if (!ec || name == "localhost")
        return true;
    return std::find(names.begin(), names.end(), name) != names.end();
}

bool isJsonContentType(std::string_view contentType) {
    const std::string type = lower(contentType.substr(0, contentType.find(';')));
    const size_t first = type.find_first_not_of(" \t");
    const size_t last = type.find_last_not_of(" \t");
    return first != std::string::npos && type.substr(first, last - first + 1) == "application/json";
}

bool validRequestKey(std::string_view key) {
    const auto allowed = [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '-' || c == '_';
    };
    return key.size() <= 64 && std::all_of(key.begin(), key.end(), allowed);
}

bool rpcTarget(std::string_view target, std::string& object, std::string& method) {
    target = target.substr(0, target.find('?'));
    constexpr std::string_view prefix = "/rpc/";
    if (target.substr(0, prefix.size()) != prefix)
        return false;
    target.remove_prefix(prefix.size());
    const size_t slash = target.find('/');
    if (slash == std::string_view::npos || slash == 0 || slash + 1 == target.size() ||
        target.find('/', slash + 1) != std::string_view::npos)
        return false;
    object = target.substr(0, slash);
    method = target.substr(slash + 1);
    return true;
}

bool authTarget(std::string_view target, std::string& action) {
    target = target.substr(0, target.find('?'));
    if (target != "/auth/login" && target != "/auth/logout")
        return false;
    action = target.substr(6);
    return true;
}

} // namespace server
