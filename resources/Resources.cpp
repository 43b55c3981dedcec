#include "resources/Resources.h"

#include <cstddef>

namespace resources {
namespace embedded {
extern const std::uint8_t default_theme_pack[];
extern const std::size_t default_theme_pack_size;
}  // namespace embedded

std::span<const std::uint8_t> defaultThemePack() {
  return {embedded::default_theme_pack, embedded::default_theme_pack_size};
}

}  // namespace resources
