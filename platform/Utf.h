#pragma once
// UTF-8 <-> UTF-16 for window texts (UTF-16) crossing to the system (UTF-8). Malformed input is
// replaced by U+FFFD, never rejected.
#include <string>
#include <string_view>

namespace platform {

std::string toUtf8(std::u16string_view text);
std::u16string toUtf16(std::string_view text);

}  // namespace platform
