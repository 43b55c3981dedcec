#include "engine/theme/ThemeStore.h"

#include "engine/core/ReportError.h"

namespace engine {

int ThemeStore::LoadTheme(std::span<const std::uint8_t> packed, std::string_view password) {
  return global_.Load(packed, password);
}

int ThemeStore::LoadDefaultTheme(std::span<const std::uint8_t> stored) {
  const int code = LoadTheme(stored, {});
  if (code != kThemeLoaded) ReportError(kDefaultPackLoadFailedMessage, code);
  return code;
}

ThemeAttribute ThemeStore::GetThemeAttribute(const Theme* window, std::string_view element,
                                             std::string_view attribute) const {
  if (window != nullptr && !window->empty()) {
    std::string own = window->Attribute(element, attribute);
    if (!own.empty()) return {std::move(own), window->image()};
  }
  return {global_.Attribute(element, attribute), global_.image()};
}

}  // namespace engine
