#pragma once
// Reading .cur (and .ico) files held in memory into a cursor picture with its hot spot.
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "platform/Backend.h"

namespace platform {

class CursorFile {
 public:
  // Picks the largest image of the file. DIB images of 1, 4, 8, 24 and 32 bits with their AND mask
  // and PNG images are understood. nullopt (with a reason in `error`) for anything malformed.
  static std::optional<PointerShape> parse(std::span<const std::uint8_t> bytes, std::string* error = nullptr);
};

}  // namespace platform
