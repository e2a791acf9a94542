#pragma once
// Bounds the database work of each request: a request still working on its database
// connection at its deadline has the connection broken off (Session::interrupt), so that a
// frozen database, which honours none of its own time limits, costs a request that long and
// no longer. One thread watches every request of a server.

#include <server/Database.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

namespace server {

class RequestDeadlines {
public:
    explicit RequestDeadlines(std::chrono::milliseconds limit);
    ~RequestDeadlines();
    RequestDeadlines(const RequestDeadlines&) = delete;
    RequestDeadlines& operator=(const RequestDeadlines&) = delete;

    // Held while a request works on its session.
    class Scope {
    public:
        Scope(RequestDeadlines& owner, Session& session);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;
        // Whether the deadline broke the connection off.
        bool expired() const;

    private:
        RequestDeadlines& owner_;
        quint64 id_;
    };

private:
    struct Entry {
        Session* session = nullptr;
        std::chrono::steady_clock::time_point deadline;
        bool expired = false;
    };
    void watch();

    std::chrono::milliseconds limit_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::map<quint64, Entry> entries_;
    quint64 nextId_ = 0;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace server
