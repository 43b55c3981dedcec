// morogif info: what a GIF holds, as the GIF reader reports it (GetGifInfo, GetFrameInfo), for people or
// as JSON; or one frame exported as a BMP picture (GetGifData).
#include <cstdio>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "app/cli/ArgParser.h"
#include "app/cli/CliCommand.h"
#include "encoder/EncoderError.h"
#include "encoder/GifReader.h"
#include "encoder/OutputSink.h"

namespace app::cli {

namespace {

using encoder::AnimationInfo;
using encoder::FrameInfo;

constexpr std::int64_t kMaxFrame = std::numeric_limits<std::int32_t>::max();

// The length of the valid UTF-8 sequence at text[i], or 0 when none starts there.
std::size_t utf8SequenceAt(std::string_view text, std::size_t i) {
  const auto b = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char c = b(i);
  std::size_t n = 0;
  unsigned min = 0;
  if (c < 0x80) return 1;
  if ((c & 0xE0) == 0xC0) {
    n = 2;
    min = 0x80;
  } else if ((c & 0xF0) == 0xE0) {
    n = 3;
    min = 0x800;
  } else if ((c & 0xF8) == 0xF0) {
    n = 4;
    min = 0x10000;
  } else {
    return 0;
  }
  if (i + n > text.size()) return 0;
  unsigned cp = c & (0xFF >> (n + 1));
  for (std::size_t k = 1; k < n; ++k) {
    if ((b(i + k) & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b(i + k) & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return n;
}

// A GIF comment is any bytes: quoted, with control characters escaped and bytes that are not UTF-8
// shown as U+FFFD, so the output is always valid JSON and safe on a terminal.
std::string quoted(std::string_view text) {
  std::string out = "\"";
  for (std::size_t i = 0; i < text.size();) {
    const char c = text[i];
    const std::size_t n = utf8SequenceAt(text, i);
    if (n == 0) {
      out += "\\ufffd";
      ++i;
      continue;
    }
    if (n > 1) {
      out.append(text.substr(i, n));
    } else if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(c));
      out += buf;
    } else {
      out += c;
    }
    i += n;
  }
  return out + "\"";
}

// One member: its name and its value already formatted.
struct Field {
  std::string_view name;
  std::string value;
};

std::string boolText(bool b) { return b ? "true" : "false"; }

std::vector<Field> fieldsOf(const AnimationInfo& a) {
  return {{"Width", std::to_string(a.Width)},
          {"Depth", std::to_string(a.Depth)},
          {"LOOP", boolText(a.LOOP)},
          {"LoopCount", std::to_string(a.LoopCount)},
          {"BgColorIndex", std::to_string(a.BgColorIndex)},
          {"exposition", quoted(a.exposition)},
          {"FrameCount", std::to_string(a.FrameCount)},
          {"ColorNum", std::to_string(a.ColorNum)},
          {"Interlace", boolText(a.Interlace)}};
}

std::vector<Field> fieldsOf(const FrameInfo& f) {
  return {{"DelayTime", std::to_string(f.DelayTime)},
          {"Left", std::to_string(f.Left)},
          {"Top", std::to_string(f.Top)},
          {"DisposalMethod", std::to_string(f.DisposalMethod)},
          {"Transparency", boolText(f.Transparency)},
          {"TransparencyIndex", std::to_string(f.TransparencyIndex)},
          {"Width", std::to_string(f.Width)},
          {"Depth", std::to_string(f.Depth)},
          {"exposition", quoted(f.exposition)},
          {"ColorNum", std::to_string(f.ColorNum)},
          {"Dither", boolText(f.Dither)}};
}

std::string jsonObject(const std::vector<Field>& fields) {
  std::string out = "{";
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i) out += ", ";
    out += quoted(fields[i].name) + ": " + fields[i].value;
  }
  return out + "}";
}

// Terminal columns a UTF-8 text takes: East Asian wide characters (CJK, Hangul, full-width forms) take
// two, other characters one, continuation bytes none.
std::size_t displayWidth(std::string_view text) {
  std::size_t width = 0;
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const int length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    char32_t cp = length == 1 ? lead : lead & (0x7F >> length);
    for (int k = 1; k < length && i + std::size_t(k) < text.size(); ++k)
      cp = (cp << 6) | (static_cast<unsigned char>(text[i + std::size_t(k)]) & 0x3F);
    const bool wide = (cp >= 0x1100 && cp <= 0x115F) || (cp >= 0x2E80 && cp <= 0xA4CF) ||
                      (cp >= 0xAC00 && cp <= 0xD7A3) || (cp >= 0xF900 && cp <= 0xFAFF) ||
                      (cp >= 0xFE30 && cp <= 0xFE4F) || (cp >= 0xFF00 && cp <= 0xFF60) ||
                      (cp >= 0xFFE0 && cp <= 0xFFE6) || (cp >= 0x20000 && cp <= 0x3FFFD);
    width += wide ? 2 : 1;
    i += std::size_t(length);
  }
  return width;
}

// `text` followed by spaces up to `columns` terminal columns.
std::string padded(const std::string& text, std::size_t columns) {
  const std::size_t width = displayWidth(text);
  return width >= columns ? text : text + std::string(columns - width, ' ');
}

// For people: one member a line, with the component's caption and, for disposal methods, the name.
void printFields(const std::vector<Field>& fields, std::span<const encoder::MemberCaption> captions) {
  for (std::size_t i = 0; i < fields.size(); ++i) {
    std::string value = fields[i].value;
    if (fields[i].name == "DisposalMethod") {
      const auto method = static_cast<std::size_t>(std::stoi(value));
      if (method < encoder::kDisposalCaptions.size())
        value += " (" + std::string(encoder::kDisposalCaptions[method].member) + ", " +
                 std::string(encoder::kDisposalCaptions[method].caption) + ")";
    }
    const std::string name(fields[i].name);
    const std::string caption(captions[i].caption);
    std::printf("  %s %s %s\n", padded(name, 18).c_str(), padded(value, 36).c_str(), caption.c_str());
  }
}

int fail(const std::string& file, const std::string& error) {
  std::fprintf(stderr, "morogif info: %s: %s\n", file.c_str(), error.c_str());
  return 1;
}

int exportFrame(encoder::GifReader& reader, const std::string& file, int frame, const std::string& bmpPath) {
  const std::vector<std::uint8_t> bmp = reader.GetGifData(frame);
  if (bmp.empty()) return fail(file, reader.GetError());
  try {
    encoder::AtomicFileSink sink(bmpPath);
    sink.write(bmp);
    sink.commit();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "morogif info: %s\n", e.what());
    return 1;
  }
  const FrameInfo info = reader.GetFrameInfo(frame);
  std::printf("%s: frame %d of %s, %ux%u\n", bmpPath.c_str(), frame, file.c_str(), unsigned(info.Width),
              unsigned(info.Depth));
  return 0;
}

}  // namespace

int runInfo(Args args) {
  bool json = false;
  std::int64_t frame = 0;
  std::string bmpPath;
  ArgParser p("morogif info [--json] [--frame N [--bmp OUT.bmp]] FILE.gif",
              "Shows what a GIF holds: the animation record and every frame's record, by member name.\n"
              "With --frame only that frame is listed; with --bmp that frame is written as a BMP picture\n"
              "(1, 4 or 8 bits, the frame's colour table).");
  p.flag("--json", "print one JSON object {\"animation\": {...}, \"frames\": [{...}, ...]}", &json);
  p.integer("--frame", "N", "only frame N (from 1)", 1, kMaxFrame, [&](auto v) { frame = v; });
  p.text("--bmp", "OUT.bmp", "write frame N (needs --frame) as a BMP picture", &bmpPath);
  switch (p.parse(args)) {
    case ArgParser::Result::Help:
      std::fputs(p.helpText().c_str(), stdout);
      return 0;
    case ArgParser::Result::Error:
      std::fprintf(stderr, "morogif info: %s\n(see morogif info --help)\n", p.error().c_str());
      return 2;
    case ArgParser::Result::Ok:
      break;
  }
  std::string usage;
  if (p.positional().size() != 1) usage = p.positional().empty() ? "no GIF file given" : "give exactly one GIF file";
  else if (!bmpPath.empty() && frame == 0) usage = "--bmp needs --frame N";
  else if (!bmpPath.empty() && json) usage = "--bmp and --json do not go together";
  if (!usage.empty()) {
    std::fprintf(stderr, "morogif info: %s\n(see morogif info --help)\n", usage.c_str());
    return 2;
  }
  const std::string& file = p.positional().front();

  encoder::GifReader reader;
  reader.Create();
  if (!reader.LoadGif(file, std::nullopt)) return fail(file, reader.GetError());
  if (!bmpPath.empty()) return exportFrame(reader, file, static_cast<int>(frame), bmpPath);

  const AnimationInfo animation = reader.GetGifInfo();
  std::vector<int> frames;
  if (frame) frames.push_back(static_cast<int>(frame));
  else
    for (int n = 1; n <= animation.FrameCount; ++n) frames.push_back(n);

  if (json) {
    // Everything is read first: a damaged frame gives an error and no half-written JSON.
    std::string out = "{\"animation\": " + jsonObject(fieldsOf(animation)) + ", \"frames\": [";
    for (std::size_t i = 0; i < frames.size(); ++i) {
      const FrameInfo info = reader.GetFrameInfo(frames[i]);
      if (!reader.GetError().empty()) return fail(file, "frame " + std::to_string(frames[i]) + ": " + reader.GetError());
      out += (i ? ", " : "") + jsonObject(fieldsOf(info));
    }
    std::printf("%s]}\n", out.c_str());
    return 0;
  }

  std::printf("%s\nanimation\n", file.c_str());
  printFields(fieldsOf(animation), encoder::kAnimationInfoCaptions);
  for (const int n : frames) {
    const FrameInfo info = reader.GetFrameInfo(n);
    if (!reader.GetError().empty()) {
      std::fflush(stdout);
      return fail(file, "frame " + std::to_string(n) + ": " + reader.GetError());
    }
    std::printf("frame %d\n", n);
    printFields(fieldsOf(info), encoder::kFrameInfoCaptions);
  }
  return 0;
}

}  // namespace app::cli
