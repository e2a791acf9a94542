#pragma once
// A fixed set of threads that run the database work of the requests, fed through a bounded
// queue: when the queue is full a new job is refused at once (the caller answers 503) instead
// of piling up without end. Each thread keeps its own database connection (thread_local).
// A job goes to the thread that became idle last: one client's calls in a row then run on the
// same thread and database connection, whose caches are warm (a SQLite connection drops its
// page cache whenever another connection has written to the file).

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace server {

class WorkerPool {
public:
    using Job = std::function<void()>;

    // `threads` threads; at most `queueLimit` jobs waiting for a thread.
    WorkerPool(int threads, std::size_t queueLimit);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // Queues the job; false when the queue is full or the pool is stopping.
    bool tryPost(Job job);
    // Runs what is queued, then joins the threads. With `dropQueued` the jobs not yet started
    // are discarded instead.
    void stop(bool dropQueued = false);

private:
    struct Worker {
        std::condition_variable wake;
        Job job; // handed over directly while the worker was idle
        bool hasJob = false;
    };
    void run(Worker& worker);

    std::mutex mutex_;
    std::deque<Job> jobs_;      // waiting for a thread
    std::vector<Worker*> idle_; // the one idle last on top
    std::size_t queueLimit_;
    bool stopping_ = false;
    std::vector<std::unique_ptr<Worker>> workers_;
    std::vector<std::thread> threads_;
};

} // namespace server
