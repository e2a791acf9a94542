// The HTTP request parser as the server drives it, on arbitrary bytes: the headers first (no
// body limit yet), the checks made on them, an announced length over the limit refused before
// the body starts (as the server answers 413), then the body under the limit.
#include <server/RequestChecks.h>

#include <boost/beast/http.hpp>

#include <cstdint>
#include <string>

namespace http = boost::beast::http;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    http::request_parser<http::string_body> parser;
    parser.header_limit(16 * 1024);
    parser.body_limit(boost::none);
    boost::asio::const_buffer input(data, size);
    boost::beast::error_code ec;
    bool limited = false;
    while (input.size() > 0 && !parser.is_done()) {
        const size_t used = parser.put(input, ec);
        if (ec == http::error::need_more) {
            ec = {};
            if (used == 0)
                break;
        }
        if (ec)
            return 0;
        input += used;
        if (parser.is_header_done() && !limited) {
            limited = true;
            const auto& request = parser.get();
            const auto text = [](boost::beast::string_view v) { return std::string(v); };
            server::hostAccepted(text(request[http::field::host]), {"servidor"});
            server::isJsonContentType(text(request[http::field::content_type]));
            server::validRequestKey(text(request["Idempotency-Key"]));
            server::sameSecret(text(request[http::field::authorization]), "Bearer segredo");
            std::string object, method;
            server::rpcTarget(text(request.target()), object, method);
            constexpr std::uint64_t limit = 8 * 1024 * 1024;
            if (parser.content_length() && *parser.content_length() > limit)
                return 0;
            parser.body_limit(limit);
            parser.eager(true);
        }
    }
    return 0;
}
