#pragma once
// Conversion between the 8-bit Chinese code page of engine texts (GBK, of which GB2312 is a subset)
// and the UTF-8 this program uses inside.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace engine {

// GBK (or GB2312) bytes to UTF-8; nothing when the bytes are not valid GBK.
std::optional<std::string> GbkToUtf8(std::span<const std::uint8_t> gbk);
// UTF-8 to GBK; nothing when the text is not valid UTF-8 or has a character GBK cannot hold.
std::optional<std::string> Utf8ToGbk(std::string_view utf8);

// True when an encoding name (as written in an XML declaration) names GBK or one of its relatives.
bool IsGbkFamilyEncoding(std::string_view name);

}  // namespace engine
