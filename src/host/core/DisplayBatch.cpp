#include <host/core/DisplayBatch.h>

#include <host/core/EventBoundary.h>

#include <utility>
#include <vector>

namespace host {

namespace {

int gDepth = 0;
std::vector<std::pair<QPointer<QObject>, std::function<void()>>> gPending;

} // namespace

DisplayBatch::DisplayBatch() {
    ++gDepth;
}

DisplayBatch::~DisplayBatch() {
    if (--gDepth == 0)
        ShowPending();
}

void DisplayBatch::ShowPending() {
    for (auto& [owner, show] : std::exchange(gPending, {}))
        if (owner)
            Guard(show);
}

bool DisplayBatch::IsOpen() {
    return gDepth > 0;
}

void DisplayBatch::Defer(QObject* owner, std::function<void()> show) {
    gPending.emplace_back(owner, std::move(show));
}

} // namespace host
