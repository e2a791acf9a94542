#include <host/core/LongWait.h>

#include <utility>
#include <vector>

namespace host::LongWait {

namespace {
struct Notice {
    const void* owner;
    std::function<void()> show;
};
std::vector<Notice> gArmed; // the desktop's thread only
std::chrono::milliseconds gNoticedAfter = NoticeAfter;
} // namespace

std::chrono::milliseconds NoticedAfter() {
    return gNoticedAfter;
}

void SetNoticedAfter(std::chrono::milliseconds after) {
    gNoticedAfter = after;
}

void Arm(const void* owner, std::function<void()> show) {
    Disarm(owner);
    gArmed.push_back({owner, std::move(show)});
}

void Disarm(const void* owner) {
    std::erase_if(gArmed, [owner](const Notice& n) { return n.owner == owner; });
}

bool Armed() {
    return !gArmed.empty();
}

void Passed() {
    for (Notice& notice : std::exchange(gArmed, {}))
        notice.show();
}

} // namespace host::LongWait
