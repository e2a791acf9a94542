#include <host/core/VirtualKeys.h>

namespace host {

namespace {
struct Pair {
    int qt;
    int vk;
};
constexpr Pair kNamed[] = {
    {Qt::Key_Backspace, VK_BACK},  {Qt::Key_Tab, VK_TAB},       {Qt::Key_Backtab, VK_TAB},
    {Qt::Key_Return, VK_RETURN},   {Qt::Key_Enter, VK_RETURN},  {Qt::Key_Shift, VK_SHIFT},
    {Qt::Key_Control, VK_CONTROL}, {Qt::Key_Alt, VK_MENU},      {Qt::Key_Escape, VK_ESCAPE},
    {Qt::Key_Space, VK_SPACE},     {Qt::Key_PageUp, VK_PRIOR},  {Qt::Key_PageDown, VK_NEXT},
    {Qt::Key_End, VK_END},         {Qt::Key_Home, VK_HOME},     {Qt::Key_Left, VK_LEFT},
    {Qt::Key_Up, VK_UP},           {Qt::Key_Right, VK_RIGHT},   {Qt::Key_Down, VK_DOWN},
    {Qt::Key_Insert, VK_INSERT},   {Qt::Key_Delete, VK_DELETE}, {Qt::Key_Comma, VK_OEM_COMMA},
    {Qt::Key_Minus, VK_OEM_MINUS}, {Qt::Key_Plus, VK_OEM_PLUS}, {Qt::Key_Period, VK_OEM_PERIOD},
};
} // namespace

int virtualKeyOf(const QKeyEvent& event) {
    const int key = event.key();
    const bool keypad = event.modifiers().testFlag(Qt::KeypadModifier);
    if (keypad) {
        if (key >= Qt::Key_0 && key <= Qt::Key_9)
            return VK_NUMPAD0 + (key - Qt::Key_0);
        switch (key) {
        case Qt::Key_Period:
        case Qt::Key_Comma:
            return VK_DECIMAL;
        case Qt::Key_Asterisk:
            return VK_MULTIPLY;
        case Qt::Key_Plus:
            return VK_ADD;
        case Qt::Key_Minus:
            return VK_SUBTRACT;
        case Qt::Key_Slash:
            return VK_DIVIDE;
        default:
            break;
        }
    }
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return 'A' + (key - Qt::Key_A);
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return '0' + (key - Qt::Key_0);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return VK_F1 + (key - Qt::Key_F1);
    for (const Pair& p : kNamed)
        if (p.qt == key)
            return p.vk;
    return 0;
}

QtKey qtKeyOf(int vk, Qt::KeyboardModifiers modifiers) {
    QtKey out;
    out.modifiers = modifiers;
    const bool shift = modifiers.testFlag(Qt::ShiftModifier);
    if (vk == VK_TAB) {
        out.key = shift ? Qt::Key_Backtab : Qt::Key_Tab;
        out.text = shift ? QString() : QStringLiteral("\t");
        return out;
    }
    if (vk == VK_RETURN) {
        out.key = Qt::Key_Return;
        out.text = QStringLiteral("\r");
        return out;
    }
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD0 + 9) {
        out.key = Qt::Key_0 + (vk - VK_NUMPAD0);
        out.text = QString(QChar('0' + (vk - VK_NUMPAD0)));
        out.modifiers |= Qt::KeypadModifier;
        return out;
    }
    if (vk == VK_DECIMAL) {
        out.key = Qt::Key_Period;
        out.text = QStringLiteral(".");
        out.modifiers |= Qt::KeypadModifier;
        return out;
    }
    if (vk >= 'A' && vk <= 'Z') {
        out.key = Qt::Key_A + (vk - 'A');
        out.text = QString(QChar(shift ? vk : vk + 32));
        return out;
    }
    if (vk >= '0' && vk <= '9') {
        out.key = Qt::Key_0 + (vk - '0');
        out.text = QString(QChar(vk));
        return out;
    }
    if (vk >= VK_F1 && vk < VK_F1 + 24) {
        out.key = Qt::Key_F1 + (vk - VK_F1);
        return out;
    }
    // A rewritten key leaves the keypad behind: the comma key is a main-keyboard key.
    out.modifiers &= ~Qt::KeypadModifier;
    switch (vk) {
    case VK_OEM_COMMA:
        out.key = Qt::Key_Comma;
        out.text = QStringLiteral(",");
        return out;
    case VK_OEM_PERIOD:
        out.key = Qt::Key_Period;
        out.text = QStringLiteral(".");
        return out;
    case VK_OEM_MINUS:
        out.key = Qt::Key_Minus;
        out.text = QStringLiteral("-");
        return out;
    case VK_OEM_PLUS:
        out.key = Qt::Key_Plus;
        out.text = QStringLiteral("+");
        return out;
    case VK_SPACE:
        out.key = Qt::Key_Space;
        out.text = QStringLiteral(" ");
        return out;
    default:
        break;
    }
    for (const Pair& p : kNamed)
        if (p.vk == vk) {
            out.key = p.qt;
            return out;
        }
    return out;
}

} // namespace host
