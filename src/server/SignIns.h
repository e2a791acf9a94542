#pragma once
// The sessions of signed-in users, kept in the server's memory only: a random token given at
// sign-in, known here only by its digest (a copy of this table gives nobody a way in), valid
// for a shift. And the failed sign-ins by name: five within a minute lock the name for a minute.

#include <QString>

#include <chrono>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace server {

using WallClock = std::chrono::system_clock;

class SignIns {
public:
    SignIns(std::chrono::seconds life, std::function<WallClock::time_point()> now);

    struct Opened {
        std::string token;
        WallClock::time_point expires;
    };
    Opened open(const QString& user);

    enum class State { Unknown, Expired, Valid };
    // The user of a valid token; an expired one is forgotten once told.
    State check(std::string_view token, QString* user = nullptr);
    void close(std::string_view token);
    // Ends every session of the user (a disabled account).
    void closeAll(const QString& user);

    bool lockedOut(const QString& name);
    void failed(const QString& name);
    void succeeded(const QString& name);

    WallClock::time_point now() const { return now_(); }

    static constexpr int kMaxFailures = 5;
    static constexpr std::chrono::seconds kFailureWindow{60};

private:
    static std::string digest(std::string_view token);
    struct Entry {
        QString user;
        WallClock::time_point expires;
    };
    struct Failures {
        std::deque<WallClock::time_point> times;
        WallClock::time_point lockedUntil{};
    };
    std::chrono::seconds life_;
    std::function<WallClock::time_point()> now_;
    std::mutex mutex_;
    std::unordered_map<std::string, Entry> sessions_;    // by digest of the token
    std::unordered_map<std::string, Failures> failures_; // by account key
};

} // namespace server
