#pragma once
// TScreen: the screen as the forms see it: its cursor, the active form and control, the
// forms alive and the display size (which a test may override to try other resolutions).

#include <host/core/HostTypes.h>

#include <QSize>
#include <QWidget>

namespace host {

class TForm;

class TScreen {
public:
    static TScreen& Instance();

    TCursor Cursor() const { return cursor_; }
    // Sets the cursor over the whole application (crDefault restores the normal one).
    void SetCursor(TCursor cursor);

    // The form the user works in: the innermost modal form, else the active window's form,
    // else the main window's active child form.
    TForm* ActiveForm() const;
    QWidget* ActiveControl() const;

    int Width() const;
    int Height() const;
    // Pretends a display of this size (an empty size returns to the real display).
    void SetDisplaySize(const QSize& size) { override_ = size; }

private:
    TScreen() = default;
    TCursor cursor_ = crDefault;
    QSize override_;
};

struct ScreenAccess {
    TScreen* operator->() const { return &TScreen::Instance(); }
};
inline constexpr ScreenAccess Screen{};

} // namespace host
