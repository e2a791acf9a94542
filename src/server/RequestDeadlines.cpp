#include <server/RequestDeadlines.h>

namespace server {

RequestDeadlines::RequestDeadlines(std::chrono::milliseconds limit)
    : limit_(limit), thread_([this] { watch(); }) {}

RequestDeadlines::~RequestDeadlines() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

RequestDeadlines::Scope::Scope(RequestDeadlines& owner, Session& session) : owner_(owner) {
    {
        std::lock_guard lock(owner_.mutex_);
        id_ = ++owner_.nextId_;
        owner_.entries_.emplace(
            id_, Entry{&session, std::chrono::steady_clock::now() + owner_.limit_, false});
    }
    owner_.changed_.notify_all();
}

// Under the lock, so the watcher never breaks off a connection whose request has ended.
RequestDeadlines::Scope::~Scope() {
    std::lock_guard lock(owner_.mutex_);
    owner_.entries_.erase(id_);
}

bool RequestDeadlines::Scope::expired() const {
    std::lock_guard lock(owner_.mutex_);
    const auto it = owner_.entries_.find(id_);
    return it != owner_.entries_.end() && it->second.expired;
}

void RequestDeadlines::watch() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        auto next = std::chrono::steady_clock::time_point::max();
        const auto now = std::chrono::steady_clock::now();
        for (auto& [id, entry] : entries_) {
            if (entry.expired)
                continue;
            if (entry.deadline <= now) {
                entry.expired = true;
                entry.session->interrupt();
            } else {
                next = std::min(next, entry.deadline);
            }
        }
        if (next == std::chrono::steady_clock::time_point::max())
            changed_.wait(lock);
        else
            changed_.wait_until(lock, next);
    }
}

} // namespace server
