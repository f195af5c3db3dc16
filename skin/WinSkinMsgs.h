// The skin engine's private window messages, and the messages of the form class library the
// skinned window procedures answer. The manager, the form skinners, the control skinners and
// the program talk through them; each line says who sends it, to whom, and what comes back.
#pragma once

#include <QtGlobal>

namespace orvane::skin {

// Marks the engine's own requests and answers (lParam of a request, the result of an answer).
inline constexpr qintptr SkinNotifyKey = 0x41A2;

enum : quint32 {
  // Program -> skinned form: re-apply the skin's colours. Not passed on.
  WM_SKINAPPLYCOLORS = 0x3401,
  // Program -> skinned window: repaint the skinned frame now.
  WM_SKINPAINTFRAME = 0x3502,
  // Manager -> window, posted after attaching (wParam 0, lParam 1000): deferred activation.
  WM_SKINACTIVATE = 0x3503,
  // Program -> control with a control skinner: its skinning on (wParam > 0) or off.
  WM_SKINCONTROL = 0x3506,
  // Tab skinner -> form window when a tab's close mark is clicked (wParam the tab control,
  // lParam the tab index): an answer of 0 lets the skinner free the page. The engine does not
  // answer it itself.
  WM_SKINTABCLOSE = 0x3507,
  // Caption button -> its window, posted: a button whose action the program defines (wParam
  // the action). For the program; the engine does not handle it.
  WM_SKINBUTTONACTION = 0x3514,
  // Caption button -> its window, sent: should the button with this rule (wParam Visibility,
  // lParam Action) show? The program answers > 0 to show it.
  WM_SKINACTIONQUERY = 0x3515,
  // Maximised MDI child -> MDI client (wParam the child), at activation and on a new title:
  // redraw the client with its frame and children. Not passed on.
  WM_SKINMDIMAXIMIZE = 0x3516,
  // Scroll-bar skinner -> form window after its control's window was made anew (wParam the
  // control): rebuild that control's scroll-bar skinner.
  WM_SKINREBUILDSCROLL = 0x3517,
  // Anyone -> skinned window (lParam a screen point): open the menu-bar item under the point.
  // Result 0.
  WM_SKINMENUAT = 0x3518,
  // Manager, popup skinner, control chooser -> any window, sent: a skinned window answers 1 and
  // posts itself WM_SKINNOTIFY.
  WM_SKINQUERY = 0x3523,
  // Program -> skinned edit (lParam SkinNotifyKey): paint the edit, skin included, into the
  // painter in wParam; answer SkinNotifyKey.
  WM_SKINPRINTEDIT = 0xBC4A,
  // Program -> skinned form or scroll bar (lParam SkinNotifyKey): paint the skinned frame into
  // the painter in wParam when it is not 0; answer SkinNotifyKey. Another lParam is swallowed.
  WM_SKINPRINTFRAME = 0xBC4B,
  // Program -> skinned form: a presence test, answered SkinNotifyKey when lParam is
  // SkinNotifyKey, else 1.
  WM_SKINPRESENT = 0xBC4D,
  // Form skinner -> its window, when the skin has been put on (lParam SkinNotifyKey). Nothing
  // in the engine handles it.
  WM_SKINNOTIFY = 0xBC4E,
};

// Messages of the form class library.
enum : quint32 {
  // A key typed in a form that no control took: the menu bar's accelerators get their chance
  // (wParam the character, lParam the key data; lParam bit 29 set: Alt held).
  CM_DIALOGCHAR = 0xB006,
  // The form's window is made anew (its style changed).
  CM_RECREATEWND = 0xB015,
};

}  // namespace orvane::skin
