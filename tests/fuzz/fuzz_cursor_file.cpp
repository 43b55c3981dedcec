// Cursor files come with themes and resources; a malformed one must give an error, never a crash.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "platform/CursorFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string error;
  auto shape = platform::CursorFile::parse(std::span<const std::uint8_t>(data, size), &error);
  if (shape && (shape->image.empty() || !shape->image.crop(shape->hotSpot.x, shape->hotSpot.y, 1, 1).width())) __builtin_trap();
  return 0;
}
