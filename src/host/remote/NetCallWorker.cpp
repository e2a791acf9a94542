#include <host/remote/NetCallWorker.h>

namespace host::detail {

std::unique_ptr<httplib::Client> makeClient(const std::string& host, int port, int timeout,
                                            const std::string& caFile) {
    std::unique_ptr<httplib::Client> client;
    if (caFile.empty()) {
        client = std::make_unique<httplib::Client>(host, port);
    } else {
        client = std::make_unique<httplib::Client>("https://" + host + ":" + std::to_string(port));
        client->set_ca_cert_path(caFile.c_str());
        client->enable_server_certificate_verification(true);
    }
    // Without TCP_NODELAY a keep-alive call waits for the peer's delayed ACK.
    client->set_tcp_nodelay(true);
    client->set_keep_alive(true);
    client->set_connection_timeout(5);
    client->set_read_timeout(timeout);
    client->set_write_timeout(timeout);
    return client;
}

NetCallWorker::~NetCallWorker() {
    std::unique_lock lock(mutex_);
    quit_ = true;
    abortLocked(lock);
    changed_.notify_all();
    lock.unlock();
    if (thread_.joinable())
        thread_.join();
}

void NetCallWorker::start(HttpCall call) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !busy_; });
    answer_.reset();
    call_ = std::move(call);
    busy_ = true;
    if (!thread_.joinable())
        thread_ = std::thread([this] { run(); });
    changed_.notify_all();
}

bool NetCallWorker::answeredWithin(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [this] { return !busy_; });
}

httplib::Result NetCallWorker::wait() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !busy_; });
    if (!answer_) // nothing started, or aborted before it was sent
        return httplib::Result(nullptr, httplib::Error::Canceled, {});
    httplib::Result answer = std::move(*answer_);
    answer_.reset();
    return answer;
}

void NetCallWorker::close() {
    std::unique_lock lock(mutex_);
    abortLocked(lock);
    client_.reset();
}

// A call not taken yet is never sent. A call in flight has its socket shut (the client allows
// that from another thread) and fails at once; the thread is then waited for.
void NetCallWorker::abortLocked(std::unique_lock<std::mutex>& lock) {
    if (call_) {
        call_.reset();
        busy_ = false;
        changed_.notify_all();
        return;
    }
    if (busy_ && client_)
        client_->stop();
    changed_.wait(lock, [this] { return !busy_; });
}

void NetCallWorker::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return quit_ || call_; });
        if (quit_)
            return;
        HttpCall call = std::move(*call_);
        call_.reset();
        if (!client_ || clientHost_ != call.host || clientPort_ != call.port ||
            clientTimeout_ != call.timeout || clientCaFile_ != call.caFile) {
            client_ = makeClient(call.host, call.port, call.timeout, call.caFile);
            clientHost_ = call.host;
            clientPort_ = call.port;
            clientTimeout_ = call.timeout;
            clientCaFile_ = call.caFile;
        }
        httplib::Client* client = client_.get();
        lock.unlock();
        httplib::Result answer = client->Post(call.path, call.headers, call.body.data(),
                                              call.body.size(), "application/json");
        lock.lock();
        answer_ = std::move(answer);
        busy_ = false;
        changed_.notify_all();
    }
}

} // namespace host::detail
