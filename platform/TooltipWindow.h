#pragma once
// The "tooltips_class32" role: a window class whose windows show a short text near the pointer when it
// rests on a registered tool (a rectangle of a window), hide it when the pointer leaves, after the
// automatic-pop delay or on TTM_POP. Understood messages: TTM_ADDTOOLA / TTM_DELTOOLA /
// TTM_NEWTOOLRECTA (lparam: ToolInfo*), TTM_UPDATETIPTEXTA (ToolInfo* with the new text),
// TTM_SETDELAYTIME, TTM_SETMAXTIPWIDTH, TTM_SETTITLEA (lparam: UTF-8 text), TTM_POP, TTM_ACTIVATE.
//
// Unlike Win32 the tooltip does not subclass the tool's window: it watches the pointer with a timer of
// its own, which also works for the engine's windowless controls.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Platform.h"

namespace platform {

// The TTTOOLINFO role; texts are UTF-8.
struct ToolInfo {
  std::uint32_t flags = 0;
  Hwnd hwnd;               // the window the rectangle belongs to
  std::uintptr_t id = 0;   // the caller's id of the tool (the engine uses the control handle)
  Rect rect;               // client coordinates of hwnd
  std::string text;
};

class TooltipWindow {
 public:
  static constexpr std::u16string_view kClassName = u"tooltips_class32";
  // Registers the class on `ui`; false when it is registered already.
  static bool registerClass(Platform& ui);
};

}  // namespace platform
