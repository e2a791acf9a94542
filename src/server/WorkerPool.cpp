#include "WorkerPool.h"

#include <algorithm>

namespace server {

WorkerPool::WorkerPool(int threads, std::size_t queueLimit) : queueLimit_(queueLimit) {
    for (int i = 0; i < std::max(1, threads); ++i)
        threads_.emplace_back([this] { run(); });
}

WorkerPool::~WorkerPool() {
    stop(true);
}

bool WorkerPool::tryPost(Job job) {
    {
        std::lock_guard lock(mutex_);
        if (stopping_ || jobs_.size() >= queueLimit_)
            return false;
        jobs_.push_back(std::move(job));
    }
    ready_.notify_one();
    return true;
}

void WorkerPool::stop(bool dropQueued) {
    std::deque<Job> dropped;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        if (dropQueued)
            dropped.swap(jobs_);
    }
    ready_.notify_all();
    for (std::thread& thread : threads_)
        if (thread.joinable())
            thread.join();
    threads_.clear();
}

void WorkerPool::run() {
    for (;;) {
        Job job;
        {
            std::unique_lock lock(mutex_);
            ready_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
            if (jobs_.empty())
                return; // stopping, nothing left
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        job();
    }
}

} // namespace server
