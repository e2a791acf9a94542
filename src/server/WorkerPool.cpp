#include <server/WorkerPool.h>

#include <algorithm>

namespace server {

WorkerPool::WorkerPool(int threads, std::size_t queueLimit) : queueLimit_(queueLimit) {
    for (int i = 0; i < std::max(1, threads); ++i)
        workers_.push_back(std::make_unique<Worker>());
    for (auto& worker : workers_)
        threads_.emplace_back([this, w = worker.get()] { run(*w); });
}

WorkerPool::~WorkerPool() {
    stop(true);
}

bool WorkerPool::tryPost(Job job) {
    std::lock_guard lock(mutex_);
    if (stopping_)
        return false;
    if (!idle_.empty()) {
        Worker* worker = idle_.back();
        idle_.pop_back();
        worker->job = std::move(job);
        worker->hasJob = true;
        worker->wake.notify_one();
        return true;
    }
    if (jobs_.size() >= queueLimit_)
        return false;
    jobs_.push_back(std::move(job));
    return true;
}

void WorkerPool::stop(bool dropQueued) {
    std::deque<Job> dropped;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        if (dropQueued)
            dropped.swap(jobs_);
        for (auto& worker : workers_)
            worker->wake.notify_all();
    }
    for (std::thread& thread : threads_)
        if (thread.joinable())
            thread.join();
    threads_.clear();
}

void WorkerPool::run(Worker& worker) {
    std::unique_lock lock(mutex_);
    for (;;) {
        Job job;
        if (worker.hasJob) {
            job = std::move(worker.job);
            worker.hasJob = false;
        } else if (!jobs_.empty()) {
            job = std::move(jobs_.front());
            jobs_.pop_front();
        } else if (stopping_) {
            return;
        } else {
            idle_.push_back(&worker);
            worker.wake.wait(lock, [&] { return worker.hasJob || stopping_; });
            if (!worker.hasJob)
                idle_.erase(std::find(idle_.begin(), idle_.end(), &worker));
            continue;
        }
        lock.unlock();
        job();
        job = nullptr; // what the job holds goes before the next wait
        lock.lock();
    }
}

} // namespace server
