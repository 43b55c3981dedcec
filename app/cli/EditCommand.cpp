// morogif edit: the GIF reader's in-place edits (SetGifInfo, SetFrameInfo, SetPalette) and SaveGif,
// through one reader object. The file is never rebuilt: only the named fields change.
#include <charconv>
#include <cstdio>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "app/cli/ArgParser.h"
#include "app/cli/CliCommand.h"
#include "encoder/GifReader.h"

namespace app::cli {

namespace {

constexpr std::int64_t kU16 = std::numeric_limits<std::uint16_t>::max();
constexpr std::int64_t kU8 = std::numeric_limits<std::uint8_t>::max();
constexpr std::int64_t kMaxFrame = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t kMaxDisposal = 7;  // the field has 3 bits

struct FrameEdit {
  int frame = 0;
  std::optional<std::uint16_t> delay, left, top;
  std::optional<std::uint8_t> disposal;
  std::optional<bool> transparent;
};

struct PaletteEdit {
  int frame = 0;  // 0 = global table
  std::uint8_t entry = 0;
  std::uint32_t rgb = 0;  // 0xRRGGBB as written on the command line
};

// FRAME:ENTRY=0xRRGGBB (or #RRGGBB).
bool parsePaletteEdit(std::string_view text, PaletteEdit& out, std::string& error) {
  error = "--palette needs FRAME:ENTRY=0xRRGGBB (FRAME 0 = global table, ENTRY 0 to 255), not '" +
          std::string(text) + "'";
  const auto colon = text.find(':');
  const auto eq = text.find('=');
  if (colon == std::string_view::npos || eq == std::string_view::npos || eq < colon) return false;
  std::int64_t frame = 0, entry = 0;
  if (!ArgParser::parseInteger(text.substr(0, colon), 0, kMaxFrame, frame) ||
      !ArgParser::parseInteger(text.substr(colon + 1, eq - colon - 1), 0, kU8, entry))
    return false;
  std::string_view colour = text.substr(eq + 1);
  if (colour.starts_with("0x") || colour.starts_with("0X")) colour.remove_prefix(2);
  else if (colour.starts_with("#")) colour.remove_prefix(1);
  else return false;
  constexpr std::size_t kHexDigits = 6;
  std::uint32_t rgb = 0;
  const auto [end, ec] = std::from_chars(colour.data(), colour.data() + colour.size(), rgb, 16);
  if (colour.empty() || colour.size() > kHexDigits || ec != std::errc() || end != colour.data() + colour.size())
    return false;
  out = {static_cast<int>(frame), static_cast<std::uint8_t>(entry), rgb};
  error.clear();
  return true;
}

// The reader stores colours as red + green*256 + blue*65536.
int readerColour(std::uint32_t rgb) {
  const std::uint32_t r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
  return static_cast<int>(r | (g << 8) | (b << 16));
}

}  // namespace

int runEdit(Args args) {
  std::string output;
  std::optional<std::uint16_t> width, height, loopCount;
  std::optional<std::uint8_t> bgIndex;
  std::vector<FrameEdit> frames;
  std::vector<PaletteEdit> palette;

  ArgParser p("morogif edit FILE.gif -o OUT.gif [options]",
              "Changes fields of a GIF in place and writes the result: the logical screen, the loop count,\n"
              "a frame's timing, position and disposal, palette entries. Everything else stays byte for byte.\n"
              "Frame options apply to the --frame before them; --frame may be given more than once.");
  p.text("--output", "OUT.gif", "the GIF to write (may be FILE.gif; replaced only when writing succeeds)", &output);
  p.alias("-o", "--output");
  p.integer("--width", "N", "logical screen width", 0, kU16, [&](auto v) { width = std::uint16_t(v); });
  p.integer("--height", "N", "logical screen height", 0, kU16, [&](auto v) { height = std::uint16_t(v); });
  p.integer("--bg-index", "N", "background colour index", 0, kU8, [&](auto v) { bgIndex = std::uint8_t(v); });
  p.integer("--loop-count", "N", "repeat count, 0 = endless (only when the GIF has a loop extension)", 0, kU16,
            [&](auto v) { loopCount = std::uint16_t(v); });
  p.integer("--frame", "N", "the frame (from 1) the following frame options change", 0, kMaxFrame,
            [&](auto v) { frames.push_back({static_cast<int>(v)}); });
  // Frame options need a --frame before them.
  auto frameOption = [&](const char* name, const char* metavar, const char* help, std::int64_t max,
                         auto FrameEdit::*member, auto convert) {
    p.custom(name, metavar, help, [&frames, name, max, member, convert](std::string_view v, std::string& error) {
      std::int64_t n = 0;
      if (frames.empty()) {
        error = std::string(name) + " needs a --frame N before it";
        return false;
      }
      if (!ArgParser::parseInteger(v, 0, max, n)) {
        error = std::string(name) + " needs a whole number from 0 to " + std::to_string(max) + ", not '" +
                std::string(v) + "'";
        return false;
      }
      frames.back().*member = convert(n);
      return true;
    });
  };
  const auto u16 = [](std::int64_t n) { return static_cast<std::uint16_t>(n); };
  frameOption("--delay", "CS", "display time in 1/100 s", kU16, &FrameEdit::delay, u16);
  frameOption("--left", "X", "x position on the logical screen", kU16, &FrameEdit::left, u16);
  frameOption("--top", "Y", "y position", kU16, &FrameEdit::top, u16);
  frameOption("--disposal", "N", "0 undefined, 1 leave, 2 restore background, 3 restore previous", kMaxDisposal,
              &FrameEdit::disposal, [](std::int64_t n) { return static_cast<std::uint8_t>(n); });
  frameOption("--transparent", "0|1", "whether the frame's transparent colour is used", 1, &FrameEdit::transparent,
              [](std::int64_t n) { return n != 0; });
  p.custom("--palette", "F:E=0xRRGGBB", "set entry E of frame F's colour table (F 0 = global table)",
           [&](std::string_view v, std::string& error) {
             PaletteEdit e;
             if (!parsePaletteEdit(v, e, error)) return false;
             palette.push_back(e);
             return true;
           });

  switch (p.parse(args)) {
    case ArgParser::Result::Help:
      std::fputs(p.helpText().c_str(), stdout);
      return 0;
    case ArgParser::Result::Error:
      std::fprintf(stderr, "morogif edit: %s\n(see morogif edit --help)\n", p.error().c_str());
      return 2;
    case ArgParser::Result::Ok:
      break;
  }
  if (output.empty() || p.positional().size() != 1) {
    std::fprintf(stderr, "morogif edit: %s\n(see morogif edit --help)\n",
                 output.empty() ? "no output file given (-o OUT.gif)" : "give exactly one GIF file");
    return 2;
  }
  const std::string& file = p.positional().front();

  encoder::GifReader reader;
  reader.Create();
  const auto fail = [&](const std::string& what) {
    std::fprintf(stderr, "morogif edit: %s: %s%s\n", file.c_str(), what.c_str(), reader.GetError().c_str());
    return 1;
  };
  if (!reader.LoadGif(file, std::nullopt)) return fail("");

  if (width || height || bgIndex || loopCount) {
    encoder::AnimationInfo info = reader.GetGifInfo();
    if (loopCount && !info.LOOP)
      std::fprintf(stderr, "morogif edit: %s has no loop extension; --loop-count is ignored\n", file.c_str());
    info.Width = width.value_or(info.Width);
    info.Depth = height.value_or(info.Depth);
    info.BgColorIndex = bgIndex.value_or(info.BgColorIndex);
    info.LoopCount = loopCount.value_or(info.LoopCount);
    if (!reader.SetGifInfo(info)) return fail("");
  }
  for (const FrameEdit& e : frames) {
    const std::string where = "frame " + std::to_string(e.frame) + ": ";
    encoder::FrameInfo info = reader.GetFrameInfo(e.frame);
    if (!reader.GetError().empty()) return fail(where);
    info.DelayTime = e.delay.value_or(info.DelayTime);
    info.Left = e.left.value_or(info.Left);
    info.Top = e.top.value_or(info.Top);
    info.DisposalMethod = e.disposal.value_or(info.DisposalMethod);
    info.Transparency = e.transparent.value_or(info.Transparency);
    if (!reader.SetFrameInfo(info, e.frame)) return fail(where);
  }
  for (const PaletteEdit& e : palette) {
    if (!reader.SetPalette(e.frame, e.entry, readerColour(e.rgb)))
      return fail("palette " + std::to_string(e.frame) + ":" + std::to_string(e.entry) + ": ");
  }
  if (!reader.SaveGif(output)) return fail("");
  std::printf("%s: written\n", output.c_str());
  return 0;
}

}  // namespace app::cli
