#pragma once
// One focus move, or one lookup's answer, may write a field several times: a change handler
// clears it and the check that follows writes it again. Qt lays a line edit's text out at
// every change, so while a batch is open a control that only shows a value puts it on screen
// once, when the outermost batch closes. Batches nest.

#include <QPointer>

#include <functional>

namespace host {

class DisplayBatch {
public:
    DisplayBatch();
    ~DisplayBatch();
    DisplayBatch(const DisplayBatch&) = delete;
    DisplayBatch& operator=(const DisplayBatch&) = delete;

    // True while a batch is open.
    static bool IsOpen();
    // Runs show when the outermost batch closes, unless owner is gone by then. The owner
    // asks once per batch (it keeps its own pending flag).
    static void Defer(QObject* owner, std::function<void()> show);
    // Shows what is waiting now, the batch staying open: a message box or a modal window is
    // about to show the screen to the user.
    static void ShowPending();
};

} // namespace host
