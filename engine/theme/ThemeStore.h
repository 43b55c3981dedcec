#pragma once
// The engine's global theme and the attribute lookup every control and window uses.
//
// A host window that applies a pack of its own keeps it in its own Theme object and passes it to
// GetThemeAttribute; its answers come first and an empty answer falls back to the global theme.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "engine/theme/Theme.h"

namespace engine {

struct ThemeAttribute {
  std::string text;  // empty when neither theme has it
  ThemeImage image;  // the image of the theme that answered (the global one when none did)
};

class ThemeStore {
 public:
  // Loads a packed theme as the global theme; on failure the global theme stays as it was.
  int LoadTheme(std::span<const std::uint8_t> packed, std::string_view password);
  // The start-up load of the pack stored in the program (no password). A failure is reported with
  // kDefaultPackLoadFailedMessage and the engine carries on with an empty theme.
  int LoadDefaultTheme(std::span<const std::uint8_t> stored);

  // `window` is the window's own theme, or null for none (then only the global theme is asked).
  ThemeAttribute GetThemeAttribute(const Theme* window, std::string_view element, std::string_view attribute) const;

  const Theme& global() const { return global_; }

 private:
  Theme global_;
};

}  // namespace engine
