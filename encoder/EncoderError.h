#pragma once
// The failure that ends an encoder command. Commands catch it and keep its text for GetError.
#include <stdexcept>
#include <string>
#include <string_view>

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

}  // namespace encoder
