// morogif encode: pictures in, one GIF out, through exactly the GifMaker calls the recorder makes
// (Create, AddFrame per picture, SaveGif).
#include <cstdio>
#include <string>

#include "app/cli/ArgParser.h"
#include "app/cli/CliCommand.h"
#include "encoder/GifMaker.h"

namespace app::cli {

int runEncode(Args args) {
  encoder::AnimationInfo animation;
  encoder::FrameInfo frame;
  std::string output;
  bool noLoop = false, interlace = false, transparent = false, dither = false;
  constexpr std::int64_t kU16 = 65535;

  ArgParser p("morogif encode [options] -o OUT.gif PICTURE...",
              "Makes an animated GIF from pictures (BMP, JPEG, GIF, PNG), one frame per picture, in order.\n"
              "Without dithering each frame gets a palette of its 256 most frequent colours; with\n"
              "--dither a fixed 216-colour cube and ordered dithering. A single picture gives a still GIF.");
  p.text("--output", "OUT.gif", "the GIF to write (replaced only when writing succeeds)", &output);
  p.alias("-o", "--output");
  p.integer("--width", "N", "logical screen width, 0 = the first picture's (default 0)", 0, kU16,
            [&](auto v) { animation.Width = std::uint16_t(v); });
  p.integer("--height", "N", "logical screen height, 0 = the first picture's (default 0)", 0, kU16,
            [&](auto v) { animation.Depth = std::uint16_t(v); });
  p.flag("--no-loop", "play once: write no looping extension", &noLoop);
  p.integer("--loop-count", "N", "repeat count of the looping extension, 0 = endless (default 0)", 0, kU16,
            [&](auto v) { animation.LoopCount = std::uint16_t(v); });
  p.text("--comment", "TEXT", "comment for the whole animation (first 255 bytes)", &animation.exposition);
  p.flag("--interlace", "store every frame interlaced", &interlace);
  p.integer("--delay", "CS", "display time of each frame in 1/100 s (default 60)", 0, kU16,
            [&](auto v) { frame.DelayTime = std::uint16_t(v); });
  p.integer("--left", "X", "x position of each frame on the logical screen (default 0)", 0, kU16,
            [&](auto v) { frame.Left = std::uint16_t(v); });
  p.integer("--top", "Y", "y position of each frame (default 0)", 0, kU16,
            [&](auto v) { frame.Top = std::uint16_t(v); });
  p.integer("--disposal", "N",
            "what a viewer does with a frame when it ends: 0 undefined, 1 leave, 2 restore background,\n"
            "                            3 restore previous (default 0)",
            0, 7, [&](auto v) { frame.DisposalMethod = std::uint8_t(v); });
  p.flag("--transparent", "make palette index 0 (the most frequent colour) transparent", &transparent);
  p.flag("--dither", "ordered dithering to a fixed colour cube instead of the popularity palette", &dither);
  p.text("--frame-comment", "TEXT", "comment stored with every frame (first 255 bytes)", &frame.exposition);

  switch (p.parse(args)) {
    case ArgParser::Result::Help:
      std::fputs(p.helpText().c_str(), stdout);
      return 0;
    case ArgParser::Result::Error:
      std::fprintf(stderr, "morogif encode: %s\n(see morogif encode --help)\n", p.error().c_str());
      return 2;
    case ArgParser::Result::Ok:
      break;
  }
  if (output.empty() || p.positional().empty()) {
    std::fprintf(stderr, "morogif encode: %s\n(see morogif encode --help)\n",
                 output.empty() ? "no output file given (-o OUT.gif)" : "no pictures given");
    return 2;
  }
  animation.LOOP = !noLoop;
  animation.Interlace = interlace;
  frame.Transparency = transparent;
  frame.Dither = dither;

  encoder::GifMaker maker;
  maker.Create(animation);
  for (const std::string& picture : p.positional()) {
    if (!maker.AddFrame(frame, picture, std::nullopt)) {
      std::fprintf(stderr, "morogif encode: %s: %s\n", picture.c_str(), maker.GetError().c_str());
      return 1;
    }
  }
  if (!maker.SaveGif(output)) {
    std::fprintf(stderr, "morogif encode: %s: %s\n", output.c_str(), maker.GetError().c_str());
    return 1;
  }
  std::printf("%s: %u frame%s, %ux%u\n", output.c_str(), maker.frameCount(), maker.frameCount() == 1 ? "" : "s",
              unsigned(maker.width()), unsigned(maker.height()));
  return 0;
}

}  // namespace app::cli
