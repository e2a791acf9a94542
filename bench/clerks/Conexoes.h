#pragma once
// Counts, on a thread of its own, the PostgreSQL connections held on the bench's database
// (pg_stat_activity, every 200 ms) and keeps the most seen at once, with how many of them
// came through the pooler (its application name) at that moment.

#include <atomic>
#include <string>
#include <thread>

namespace clerks {

class ContaConexoes {
public:
    // url: a database of the cluster other than the counted one (its own connection is not
    // counted).
    ContaConexoes(const std::string& url, const std::string& banco);
    ~ContaConexoes();
    int maximo() const { return maximo_.load(); }
    int doPoolerNoMaximo() const { return doPooler_.load(); }

private:
    std::atomic<bool> parar_{false};
    std::atomic<int> maximo_{0};
    std::atomic<int> doPooler_{0};
    std::thread thread_;
};

} // namespace clerks
