#pragma once
// The failure that ends an encoder command. Commands catch it and keep its text for GetError.
#include <exception>
#include <stdexcept>
#include <string>
#include <string_view>

#include "encoder/GifRecords.h"

namespace encoder {

class EncoderError : public std::runtime_error {
 public:
  // The encoder's own failures carry this private code; failures of the file system carry 0.
  static constexpr int kOwnFailure = 9527;

  explicit EncoderError(std::string_view text, int code = kOwnFailure)
      : std::runtime_error(std::string(text)), code_(code) {}
  int code() const { return code_; }

 private:
  int code_;
};

// The text a command keeps for GetError when a failure ends it: the failure's own description cut to
// 255 bytes (without splitting a UTF-8 sequence), or "未知错误" when it has none.
inline std::string errorTextOf(const std::exception& e) {
  constexpr std::size_t kMaxErrorLength = 255;
  std::string text = e.what();
  if (text.empty()) return std::string(errors::kUnknown);
  if (text.size() > kMaxErrorLength) {
    std::size_t n = kMaxErrorLength;
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
    text.resize(n);
  }
  return text;
}

}  // namespace encoder
