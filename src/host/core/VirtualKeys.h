#pragma once
// Virtual-key codes, the key numbers the suite's handlers and message hook speak, and their
// translation to and from Qt's keys.

#include <QKeyEvent>
#include <QString>

namespace host {

inline constexpr int VK_BACK = 8;
inline constexpr int VK_TAB = 9;
inline constexpr int VK_RETURN = 13;
inline constexpr int VK_SHIFT = 16;
inline constexpr int VK_CONTROL = 17;
inline constexpr int VK_MENU = 18;
inline constexpr int VK_ESCAPE = 27;
inline constexpr int VK_SPACE = 32;
inline constexpr int VK_PRIOR = 33; // Page Up
inline constexpr int VK_NEXT = 34;  // Page Down
inline constexpr int VK_END = 35;
inline constexpr int VK_HOME = 36;
inline constexpr int VK_LEFT = 37;
inline constexpr int VK_UP = 38;
inline constexpr int VK_RIGHT = 39;
inline constexpr int VK_DOWN = 40;
inline constexpr int VK_INSERT = 45;
inline constexpr int VK_DELETE = 46;
inline constexpr int VK_NUMPAD0 = 96;
inline constexpr int VK_MULTIPLY = 106;
inline constexpr int VK_ADD = 107;
inline constexpr int VK_SUBTRACT = 109;
inline constexpr int VK_DECIMAL = 110; // the numeric keypad's decimal key
inline constexpr int VK_DIVIDE = 111;
inline constexpr int VK_F1 = 112;
inline constexpr int VK_OEM_PLUS = 187;
inline constexpr int VK_OEM_COMMA = 188;
inline constexpr int VK_OEM_MINUS = 189;
inline constexpr int VK_OEM_PERIOD = 190; // the full stop of the main keyboard

// The virtual-key code of a Qt key event (0 when it has none).
int virtualKeyOf(const QKeyEvent& event);
// Qt's key and text for a virtual-key code; Shift turns Tab into Backtab.
struct QtKey {
    int key = 0;
    QString text;
    Qt::KeyboardModifiers modifiers;
};
QtKey qtKeyOf(int virtualKey, Qt::KeyboardModifiers modifiers);

} // namespace host
