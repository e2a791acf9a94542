#pragma once
// A wait of the desktop's thread on another (a server call) that the user may come to notice.
// What shows the screen during it (the progress window and wait cursor, a repaint asked for
// before the call) is armed beforehand and done only once the wait has lasted NoticeAfter: a
// quick answer paints nothing, and the screen is painted once, after it; a slow one shows.

#include <chrono>
#include <functional>

namespace host::LongWait {

inline constexpr std::chrono::milliseconds NoticeAfter{100};

// How long a wait lasts before it is noticed: NoticeAfter, unless set otherwise (the benches
// under valgrind, where every call lasts that long, set it longer).
std::chrono::milliseconds NoticedAfter();
void SetNoticedAfter(std::chrono::milliseconds after);

// `show` runs at most once, on the desktop's thread, when a wait lasts past NoticeAfter,
// unless disarmed before. Arming again under the same owner replaces what it armed.
void Arm(const void* owner, std::function<void()> show);
void Disarm(const void* owner);
bool Armed();
// Called by the waiter, on the desktop's thread, once its wait has lasted past NoticeAfter:
// everything armed runs, in the order armed, and is disarmed.
void Passed();

} // namespace host::LongWait
