#include "engine/xml/GbkCodec.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>

namespace engine {
namespace {

// GB18030 is a strict superset of GBK and GB2312, so decoding through it accepts everything a
// GB2312-declared text may really contain; encoding goes to plain GBK so old readers understand it.
constexpr const char* kDecodeCharset = "GB18030";
constexpr const char* kEncodeCharset = "GBK";
constexpr const char* kUtf8 = "UTF-8";

class IconvHandle {
 public:
  IconvHandle(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
  ~IconvHandle() {
    if (valid()) iconv_close(handle_);
  }
  IconvHandle(const IconvHandle&) = delete;
  IconvHandle& operator=(const IconvHandle&) = delete;

  bool valid() const { return handle_ != reinterpret_cast<iconv_t>(-1); }

  // Converts all of `input`; nothing on an invalid or incomplete sequence.
  std::optional<std::string> convert(std::string_view input) {
    if (!valid()) return std::nullopt;
    std::string out;
    std::array<char, 4096> chunk{};
    char* in = const_cast<char*>(input.data());  // iconv's signature is not const-correct
    std::size_t inLeft = input.size();
    while (inLeft > 0) {
      char* outPtr = chunk.data();
      std::size_t outLeft = chunk.size();
      const std::size_t rc = iconv(handle_, &in, &inLeft, &outPtr, &outLeft);
      out.append(chunk.data(), chunk.size() - outLeft);
      if (rc == static_cast<std::size_t>(-1) && errno != E2BIG) return std::nullopt;
    }
    return out;
  }

 private:
  iconv_t handle_;
};

}  // namespace

std::optional<std::string> GbkToUtf8(std::span<const std::uint8_t> gbk) {
  IconvHandle cd(kUtf8, kDecodeCharset);
  return cd.convert(std::string_view(reinterpret_cast<const char*>(gbk.data()), gbk.size()));
}

std::optional<std::string> Utf8ToGbk(std::string_view utf8) {
  IconvHandle cd(kEncodeCharset, kUtf8);
  return cd.convert(utf8);
}

bool IsGbkFamilyEncoding(std::string_view name) {
  std::string lower(name);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  for (std::string_view known : {"gbk", "gb2312", "gb18030", "cp936", "x-gbk", "ms936", "windows-936",
                                 "euc-cn", "x-euc-cn"}) {
    if (lower == known) return true;
  }
  return false;
}

}  // namespace engine
