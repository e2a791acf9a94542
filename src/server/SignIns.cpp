#include <server/SignIns.h>

#include <sodium.h>

#include <stdexcept>

namespace server {

SignIns::SignIns(std::chrono::seconds life, std::function<WallClock::time_point()> now)
    : life_(life), now_(std::move(now)) {
    if (sodium_init() < 0)
        throw std::runtime_error("libsodium não pôde ser iniciada");
}

std::string SignIns::digest(std::string_view token) {
    unsigned char out[crypto_generichash_BYTES];
    crypto_generichash(out, sizeof out, reinterpret_cast<const unsigned char*>(token.data()),
                       token.size(), nullptr, 0);
    return std::string(reinterpret_cast<const char*>(out), sizeof out);
}

SignIns::Opened SignIns::open(const QString& user) {
    unsigned char random[32];
    randombytes_buf(random, sizeof random);
    char text[2 * sizeof random + 1];
    sodium_bin2hex(text, sizeof text, random, sizeof random);
    Opened opened{text, now_() + life_};
    std::lock_guard lock(mutex_);
    // Forget the sessions long past their end, so that the table stays the size of a shift.
    const auto now = now_();
    for (auto it = sessions_.begin(); it != sessions_.end();)
        it = it->second.expires + life_ < now ? sessions_.erase(it) : std::next(it);
    sessions_.insert_or_assign(digest(opened.token), Entry{user, opened.expires});
    return opened;
}

SignIns::State SignIns::check(std::string_view token, QString* user) {
    const std::string key = digest(token);
    std::lock_guard lock(mutex_);
    const auto it = sessions_.find(key);
    if (it == sessions_.end())
        return State::Unknown;
    if (it->second.expires <= now_()) {
        sessions_.erase(it);
        return State::Expired;
    }
    if (user)
        *user = it->second.user;
    return State::Valid;
}

void SignIns::close(std::string_view token) {
    const std::string key = digest(token);
    std::lock_guard lock(mutex_);
    sessions_.erase(key);
}

void SignIns::closeAll(const QString& user) {
    std::lock_guard lock(mutex_);
    for (auto it = sessions_.begin(); it != sessions_.end();)
        it = it->second.user == user ? sessions_.erase(it) : std::next(it);
}

bool SignIns::lockedOut(const QString& name) {
    std::lock_guard lock(mutex_);
    const auto it = failures_.find(name.toStdString());
    return it != failures_.end() && now_() < it->second.lockedUntil;
}

void SignIns::failed(const QString& name) {
    const auto now = now_();
    std::lock_guard lock(mutex_);
    // Names tried at random must not grow the table without end.
    if (failures_.size() > 10000)
        for (auto it = failures_.begin(); it != failures_.end();)
            it = it->second.lockedUntil <= now && (it->second.times.empty() ||
                                                   it->second.times.back() + kFailureWindow <= now)
                     ? failures_.erase(it)
                     : std::next(it);
    Failures& f = failures_[name.toStdString()];
    f.times.push_back(now);
    while (!f.times.empty() && f.times.front() + kFailureWindow <= now)
        f.times.pop_front();
    if (static_cast<int>(f.times.size()) >= kMaxFailures) {
        f.lockedUntil = now + kFailureWindow;
        f.times.clear();
    }
}

void SignIns::succeeded(const QString& name) {
    std::lock_guard lock(mutex_);
    failures_.erase(name.toStdString());
}

} // namespace server
