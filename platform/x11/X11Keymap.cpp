#include "platform/x11/X11Keymap.h"

#include <X11/keysym.h>

#include <array>

#include "platform/Messages.h"

namespace platform {
namespace {

struct Pair {
  unsigned long keysym;
  unsigned vk;
};

// Keys whose virtual code is not their ASCII letter or digit.
constexpr std::array kTable{
    Pair{XK_BackSpace, VK_BACK}, Pair{XK_Tab, VK_TAB}, Pair{XK_ISO_Left_Tab, VK_TAB}, Pair{XK_Return, VK_RETURN},
    Pair{XK_KP_Enter, VK_RETURN}, Pair{XK_Shift_L, VK_SHIFT}, Pair{XK_Shift_R, VK_SHIFT},
    Pair{XK_Control_L, VK_CONTROL}, Pair{XK_Control_R, VK_CONTROL}, Pair{XK_Alt_L, VK_MENU},
    Pair{XK_Alt_R, VK_MENU}, Pair{XK_Meta_L, VK_MENU}, Pair{XK_Pause, VK_PAUSE}, Pair{XK_Caps_Lock, VK_CAPITAL},
    Pair{XK_Escape, VK_ESCAPE}, Pair{XK_space, VK_SPACE}, Pair{XK_Prior, VK_PRIOR}, Pair{XK_Next, VK_NEXT},
    Pair{XK_End, VK_END}, Pair{XK_Home, VK_HOME}, Pair{XK_Left, VK_LEFT}, Pair{XK_Up, VK_UP},
    Pair{XK_Right, VK_RIGHT}, Pair{XK_Down, VK_DOWN}, Pair{XK_Insert, VK_INSERT}, Pair{XK_Delete, VK_DELETE},
    Pair{XK_Super_L, VK_LWIN}, Pair{XK_Num_Lock, VK_NUMLOCK}, Pair{XK_semicolon, 0xBA}, Pair{XK_equal, 0xBB},
    Pair{XK_comma, 0xBC}, Pair{XK_minus, 0xBD}, Pair{XK_period, 0xBE}, Pair{XK_slash, 0xBF},
    Pair{XK_grave, 0xC0}, Pair{XK_bracketleft, 0xDB}, Pair{XK_backslash, 0xDC}, Pair{XK_bracketright, 0xDD},
    Pair{XK_apostrophe, 0xDE},
};
constexpr unsigned kFunctionKeys = 24;
constexpr unsigned long kUnicodeKeysymBase = 0x01000000;

}  // namespace

unsigned X11Keymap::vkFromKeysym(unsigned long keysym) {
  if (keysym >= XK_a && keysym <= XK_z) return static_cast<unsigned>('A' + (keysym - XK_a));
  if (keysym >= XK_A && keysym <= XK_Z) return static_cast<unsigned>(keysym);
  if (keysym >= XK_0 && keysym <= XK_9) return static_cast<unsigned>(keysym);
  if (keysym >= XK_F1 && keysym < XK_F1 + kFunctionKeys) return static_cast<unsigned>(VK_F1 + (keysym - XK_F1));
  if (keysym >= XK_KP_0 && keysym <= XK_KP_9) return static_cast<unsigned>(VK_NUMPAD0 + (keysym - XK_KP_0));
  for (const auto& p : kTable)
    if (p.keysym == keysym) return p.vk;
  return 0;
}

unsigned long X11Keymap::keysymFromVk(unsigned vk) {
  if (vk >= 'A' && vk <= 'Z') return XK_a + (vk - 'A');
  if (vk >= '0' && vk <= '9') return vk;
  if (vk >= VK_F1 && vk < VK_F1 + kFunctionKeys) return XK_F1 + (vk - VK_F1);
  if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD0 + 9) return XK_KP_0 + (vk - VK_NUMPAD0);
  for (const auto& p : kTable)
    if (p.vk == vk) return p.keysym;
  return 0;
}

char32_t X11Keymap::characterFromKeysym(unsigned long keysym) {
  switch (keysym) {
    case XK_BackSpace: return U'\b';
    case XK_Tab: case XK_ISO_Left_Tab: return U'\t';
    case XK_Return: case XK_KP_Enter: return U'\r';
    case XK_Escape: return 0x1B;
    default: break;
  }
  if ((keysym >= 0x20 && keysym <= 0x7E) || (keysym >= 0xA0 && keysym <= 0xFF)) return static_cast<char32_t>(keysym);
  if ((keysym & 0xFF000000UL) == kUnicodeKeysymBase) return static_cast<char32_t>(keysym & 0x00FFFFFFUL);
  if (keysym >= XK_KP_0 && keysym <= XK_KP_9) return static_cast<char32_t>(U'0' + (keysym - XK_KP_0));
  return 0;
}

}  // namespace platform
