#pragma once
// The thread that carries TNetConnection's split calls to the application server, one at a
// time, with an HTTP client of its own: the connection's client is never used from two
// threads. Everything the call needs is resolved by the connection before it is handed over.

#include <httplib.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace host::detail {

struct HttpCall {
    std::string host;
    int port = 0;
    int timeout = 0;    // seconds
    std::string caFile; // not empty: TLS, the server's certificate verified against it
    std::string path;
    httplib::Headers headers;
    std::string body;
};

// A keep-alive client for the application server: plain HTTP, or TLS verifying the server's
// certificate against caFile when one is given.
std::unique_ptr<httplib::Client> makeClient(const std::string& host, int port, int timeout,
                                            const std::string& caFile);

class NetCallWorker {
public:
    NetCallWorker() = default;
    ~NetCallWorker(); // aborts a call in flight and joins the thread
    NetCallWorker(const NetCallWorker&) = delete;
    NetCallWorker& operator=(const NetCallWorker&) = delete;

    // Starts the call at once. A call still running is waited for first and its answer
    // dropped.
    void start(HttpCall call);
    // Waits for the answer of the call started last (once per start).
    httplib::Result wait();
    // Whether that answer came within `timeout`; wait() then takes it at once.
    bool answeredWithin(std::chrono::milliseconds timeout);
    // Aborts the call in flight, if any, waits for the thread to let it go and closes the
    // client: the next call opens a new one.
    void close();

private:
    void run();
    void abortLocked(std::unique_lock<std::mutex>& lock);

    std::mutex mutex_;
    std::condition_variable changed_;
    std::optional<HttpCall> call_; // handed over, not yet taken by the thread
    bool busy_ = false;            // a call was handed over and has no answer yet
    bool quit_ = false;
    std::optional<httplib::Result> answer_;
    // Replaced only while idle, under mutex_; stopped from other threads under mutex_.
    std::unique_ptr<httplib::Client> client_;
    std::string clientHost_;
    int clientPort_ = 0;
    int clientTimeout_ = 0;
    std::string clientCaFile_;
    std::thread thread_;
};

} // namespace host::detail
