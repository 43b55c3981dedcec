#include "engine/theme/ThemeValues.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <limits>

namespace engine {
namespace {

constexpr std::size_t kRectParts = 4;
constexpr char kSeparator = ',';

std::string_view Trim(std::string_view text) {
  constexpr std::string_view kSpace = " \t\r\n";
  const std::size_t first = text.find_first_not_of(kSpace);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kSpace) - first + 1);
}

std::string_view WithoutPlus(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  return text;
}

// The leading number of a part; 0 when there is none or it is not finite as a float (a double beyond
// the float range would turn into an infinity).
float ToFloat(std::string_view part) {
  part = WithoutPlus(Trim(part));
  double value = 0;
  const auto [end, ec] = std::from_chars(part.data(), part.data() + part.size(), value);
  (void)end;
  if (ec != std::errc() || !(std::abs(value) <= std::numeric_limits<float>::max())) return 0;
  return static_cast<float>(value);
}

template <typename Fn>
void ForEachPart(std::string_view text, Fn&& fn) {
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = text.find(kSeparator, start);
    fn(text.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
    if (comma == std::string_view::npos) return;
    start = comma + 1;
  }
}

}  // namespace

bool ParseRect(std::string_view text, gfx::RectF& dest) {
  std::array<float, kRectParts> values{};
  std::size_t count = 0;
  ForEachPart(text, [&](std::string_view part) {
    if (count < kRectParts) values[count] = ToFloat(part);
    ++count;
  });
  if (count != kRectParts) return false;
  dest = {values[0], values[1], values[2], values[3]};
  return true;
}

std::int32_t ParseThemeInt(std::string_view text) {
  text = WithoutPlus(Trim(text));
  std::int64_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  (void)end;
  if (ec != std::errc()) return 0;
  // Keep the low 32 bits: "4278190080" and "-16777216" are the same ARGB colour.
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

std::vector<std::int32_t> ParseIntList(std::string_view text) {
  std::vector<std::int32_t> values;
  if (Trim(text).empty()) return values;
  ForEachPart(text, [&](std::string_view part) { values.push_back(ParseThemeInt(part)); });
  return values;
}

}  // namespace engine
