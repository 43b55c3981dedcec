#pragma once
// A strict little JSON reader for checking what the command-line tool prints: any syntax error, and any
// text after the value, makes parsing fail.
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cli_test {

struct JsonValue {
  enum class Kind { Null, Bool, Number, String, Array, Object } kind = Kind::Null;
  bool boolean = false;
  double number = 0;
  std::string text;
  std::vector<JsonValue> items;
  std::map<std::string, JsonValue> members;
  std::vector<std::string> order;  // member names in the order they were written

  const JsonValue& operator[](const std::string& key) const {
    static const JsonValue missing;
    const auto it = members.find(key);
    return it == members.end() ? missing : it->second;
  }
  std::int64_t integer() const { return static_cast<std::int64_t>(number); }
};

class JsonParser {
 public:
  static std::optional<JsonValue> parse(std::string_view text) {
    JsonParser p(text);
    JsonValue v;
    if (!p.value(v)) return std::nullopt;
    p.space();
    if (p.pos_ != text.size()) return std::nullopt;
    return v;
  }

 private:
  explicit JsonParser(std::string_view t) : t_(t) {}

  void space() {
    while (pos_ < t_.size() && (t_[pos_] == ' ' || t_[pos_] == '\n' || t_[pos_] == '\t' || t_[pos_] == '\r')) ++pos_;
  }
  bool eat(char c) {
    space();
    if (pos_ < t_.size() && t_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }
  bool word(std::string_view w) {
    if (t_.substr(pos_, w.size()) != w) return false;
    pos_ += w.size();
    return true;
  }
  bool string(std::string& out) {
    if (!eat('"')) return false;
    while (pos_ < t_.size()) {
      const char c = t_[pos_++];
      if (c == '"') return true;
      if (static_cast<unsigned char>(c) < 0x20) return false;
      if (c != '\\') {
        out += c;
        continue;
      }
      if (pos_ >= t_.size()) return false;
      const char e = t_[pos_++];
      const std::string_view simple = "\"\\/bfnrt", meaning = "\"\\/\b\f\n\r\t";
      if (const auto k = simple.find(e); k != std::string_view::npos) {
        out += meaning[k];
      } else if (e == 'u' && pos_ + 4 <= t_.size()) {
        unsigned cp = 0;
        for (int i = 0; i < 4; ++i) {
          const char h = t_[pos_++];
          const int d = h >= '0' && h <= '9' ? h - '0' : h >= 'a' && h <= 'f' ? h - 'a' + 10 : h >= 'A' && h <= 'F' ? h - 'A' + 10 : -1;
          if (d < 0) return false;
          cp = cp * 16 + unsigned(d);
        }
        if (cp < 0x80) {
          out += char(cp);
        } else if (cp < 0x800) {
          out += char(0xC0 | cp >> 6);
          out += char(0x80 | (cp & 0x3F));
        } else {
          out += char(0xE0 | cp >> 12);
          out += char(0x80 | (cp >> 6 & 0x3F));
          out += char(0x80 | (cp & 0x3F));
        }
      } else {
        return false;
      }
    }
    return false;
  }
  bool value(JsonValue& v) {
    space();
    if (pos_ >= t_.size()) return false;
    const char c = t_[pos_];
    if (c == '{') {
      ++pos_;
      v.kind = JsonValue::Kind::Object;
      if (eat('}')) return true;
      do {
        std::string key;
        JsonValue member;
        if (!string(key) || !eat(':') || !value(member) || v.members.count(key)) return false;
        v.order.push_back(key);
        v.members.emplace(key, std::move(member));
      } while (eat(','));
      return eat('}');
    }
    if (c == '[') {
      ++pos_;
      v.kind = JsonValue::Kind::Array;
      if (eat(']')) return true;
      do {
        JsonValue item;
        if (!value(item)) return false;
        v.items.push_back(std::move(item));
      } while (eat(','));
      return eat(']');
    }
    if (c == '"') {
      v.kind = JsonValue::Kind::String;
      return string(v.text);
    }
    if (word("true") || word("false")) {
      v.kind = JsonValue::Kind::Bool;
      v.boolean = t_[pos_ - 1] == 'e' && t_[pos_ - 2] == 'u';
      return true;
    }
    if (word("null")) return true;
    const std::size_t start = pos_;
    if (pos_ < t_.size() && t_[pos_] == '-') ++pos_;
    while (pos_ < t_.size() && t_[pos_] >= '0' && t_[pos_] <= '9') ++pos_;
    if (pos_ == start) return false;
    v.kind = JsonValue::Kind::Number;
    v.number = std::stod(std::string(t_.substr(start, pos_ - start)));
    return true;
  }

  std::string_view t_;
  std::size_t pos_ = 0;
};

}  // namespace cli_test
