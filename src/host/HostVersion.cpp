// The host library's version, for the About box and the log.
namespace host {
const char* version() { return "0.1"; }
} // namespace host
