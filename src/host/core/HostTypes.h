#pragma once
// The vocabulary shared by the host's forms and controls: handler shapes, modal results,
// close actions, window states, colour roles and cursors, named as the suite's forms use them.

#include <QColor>
#include <QObject>
#include <QRect>

#include <functional>

namespace host {

class TForm;

// Every handler takes its sender first, as the forms' event wiring expects.
using TNotifyEvent = std::function<void(QObject* Sender)>;

// Keys are virtual-key codes (VirtualKeys.h); a handler may change Key, 0 consumes it.
using TShiftState = Qt::KeyboardModifiers;
using TKeyEvent = std::function<void(QObject* Sender, int& Key, TShiftState Shift)>;

// Modal results, with the values the message boxes return (Yes = 6).
enum TModalResult : int {
    mrNone = 0,
    mrOk = 1,
    mrCancel = 2,
    mrAbort = 3,
    mrRetry = 4,
    mrIgnore = 5,
    mrYes = 6,
    mrNo = 7,
    mrAll = 8,
};

enum class TCloseAction { caNone, caHide, caFree, caMinimize };
using TCloseEvent = std::function<void(QObject* Sender, TCloseAction& Action)>;

enum class TWindowState { wsNormal, wsMinimized, wsMaximized };
enum class TFormStyle { fsNormal, fsMDIChild };
enum class TBorderStyle { bsSizeable, bsSingle, bsDialog, bsNone };
// Where a form that is not a child window appears when shown.
enum class TPosition { poDesigned, poMainFormCenter };

enum TBorderIcon { biSystemMenu = 1, biMinimize = 2, biMaximize = 4, biHelp = 8 };
using TBorderIcons = int;

enum class TAlignment { taLeftJustify, taRightJustify, taCenter };

// Colour roles of the desktop palette the forms are drawn with.
inline const QColor clWindow{0xFF, 0xFF, 0xFF};
inline const QColor clInfoBk{0xFF, 0xFF, 0xE1};
inline const QColor clBtnFace{0xF0, 0xF0, 0xF0};
inline const QColor clBtnHighlight{0xFF, 0xFF, 0xFF};
inline const QColor clWindowText{0x00, 0x00, 0x00};
inline const QColor clHighlight{0x00, 0x78, 0xD7};
inline const QColor clHighlightText{0xFF, 0xFF, 0xFF};

// Screen cursors.
enum TCursor : int { crDefault = 0, crHourGlass = -11, crArrow = -2 };

} // namespace host
