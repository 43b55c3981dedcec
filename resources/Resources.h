#pragma once
// Files stored inside the program at build time.
#include <cstdint>
#include <span>

namespace resources {

// The packed default theme (container of the theme pack format, no password).
std::span<const std::uint8_t> defaultThemePack();

}  // namespace resources
