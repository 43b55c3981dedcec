#pragma once
// Layout settings of drawn text, with the GDI+ values: alignment, line alignment, trimming, format flags
// and hot-key prefix handling.

namespace gfx {

enum class StringAlignment { Near = 0, Center = 1, Far = 2 };
enum class StringTrimming { None = 0, Character = 1, Word = 2, EllipsisCharacter = 3, EllipsisWord = 4, EllipsisPath = 5 };
enum class HotkeyPrefix { None = 0, Show = 1, Hide = 2 };

namespace StringFormatFlags {
constexpr int NoFontFallback = 0x400;
constexpr int MeasureTrailingSpaces = 0x800;
constexpr int NoWrap = 0x1000;
constexpr int LineLimit = 0x2000;
constexpr int NoClip = 0x4000;
}  // namespace StringFormatFlags

class StringFormat {
 public:
  StringFormat() = default;
  explicit StringFormat(int flags) : flags_(flags) {}

  StringAlignment alignment() const { return align_; }
  void setAlignment(StringAlignment a) { align_ = a; }
  StringAlignment lineAlignment() const { return lineAlign_; }
  void setLineAlignment(StringAlignment a) { lineAlign_ = a; }
  StringTrimming trimming() const { return trimming_; }
  void setTrimming(StringTrimming t) { trimming_ = t; }
  int flags() const { return flags_; }
  void setFlags(int f) { flags_ = f; }
  bool hasFlag(int f) const { return (flags_ & f) != 0; }
  HotkeyPrefix hotkeyPrefix() const { return prefix_; }
  void setHotkeyPrefix(HotkeyPrefix p) { prefix_ = p; }

 private:
  StringAlignment align_ = StringAlignment::Near;
  StringAlignment lineAlign_ = StringAlignment::Near;
  StringTrimming trimming_ = StringTrimming::Character;
  int flags_ = 0;
  HotkeyPrefix prefix_ = HotkeyPrefix::None;
};

}  // namespace gfx
