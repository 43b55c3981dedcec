#pragma once
// Windows virtual-key codes for X keysyms and back, and the text a key press makes.
#include <cstdint>

namespace platform {

class X11Keymap {
 public:
  // The virtual key of an unshifted keysym; 0 when it has none.
  static unsigned vkFromKeysym(unsigned long keysym);
  // The keysym that types a virtual key without modifiers; 0 when unknown.
  static unsigned long keysymFromVk(unsigned vk);
  // The Unicode character of a keysym (as XLookupString resolved it); 0 for keys without text.
  static char32_t characterFromKeysym(unsigned long keysym);
};

}  // namespace platform
