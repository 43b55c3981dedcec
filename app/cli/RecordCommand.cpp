// morogif record: records a screen rectangle into a GIF exactly as the recorder's tick does: a
// window-less timer run by the platform's message loop grabs the rectangle as a JPEG at quality 100
// and hands it to GifMaker::AddFrame; SaveGif writes the file at the end.
#include <pthread.h>
#include <signal.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>

#include "app/FrameCapture.h"
#include "app/cli/ArgParser.h"
#include "app/cli/CliCommand.h"
#include "encoder/GifMaker.h"
#include "platform/Platform.h"
#include "platform/x11/X11Backend.h"

namespace app::cli {
namespace {

// Frames per second offered by the recorder and the timer interval each one uses (taken as they stand:
// 65 ms for 15 per second, 130 ms for 7).
struct Rate {
  int perSecond;
  std::uint32_t intervalMs;
};
constexpr std::array<Rate, 8> kRates{{{20, 50}, {15, 65}, {12, 80}, {10, 100}, {7, 130}, {5, 200}, {2, 500}, {1, 1000}}};

constexpr int kJpegQuality = 100;
constexpr std::uint16_t kDefaultDelayCs = 10;  // the first speed item: 0.1 s per frame
constexpr std::uint16_t kColorNum = 256;
constexpr std::uint8_t kTransparencyIndex = 252;
constexpr int kMaxSeconds = 24 * 60 * 60;
constexpr int kExitUsage = 2;
constexpr int kExitFailure = 1;

struct Region {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

bool parseRegion(std::string_view text, Region& out, std::string& error) {
  std::array<std::int64_t, 4> v{};
  std::size_t start = 0;
  for (std::size_t i = 0; i < v.size(); ++i) {
    const std::size_t comma = text.find(',', start);
    const bool last = i + 1 == v.size();
    if ((comma == std::string_view::npos) != last) {
      error = "--region wants X,Y,W,H";
      return false;
    }
    const auto part = text.substr(start, last ? std::string_view::npos : comma - start);
    if (!ArgParser::parseInteger(part, -(1 << 20), 1 << 20, v[i])) {
      error = "--region wants four whole numbers X,Y,W,H";
      return false;
    }
    start = comma + 1;
  }
  if (v[2] <= 0 || v[3] <= 0) {
    error = "--region needs a width and height of at least 1";
    return false;
  }
  out = {int(v[0]), int(v[1]), int(v[2]), int(v[3])};
  return true;
}

// Ctrl+C (and SIGTERM) end the recording through the message loop: a thread waits for the signal and
// posts the quit, so the frames taken so far are saved.
class StopOnSignal {
 public:
  explicit StopOnSignal(platform::Platform& ui) {
    sigemptyset(&set_);
    sigaddset(&set_, SIGINT);
    sigaddset(&set_, SIGTERM);
    sigaddset(&set_, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &set_, &previous_);
    waiter_ = std::thread([this, &ui] {
      int sig = 0;
      sigwait(&set_, &sig);
      if (sig != SIGUSR1) {
        interrupted_ = true;
        ui.PostQuitMessage(0);
      }
    });
  }
  ~StopOnSignal() {
    pthread_kill(waiter_.native_handle(), SIGUSR1);
    waiter_.join();
    pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
  }
  StopOnSignal(const StopOnSignal&) = delete;
  StopOnSignal& operator=(const StopOnSignal&) = delete;
  bool interrupted() const { return interrupted_; }

 private:
  sigset_t set_{};
  sigset_t previous_{};
  std::thread waiter_;
  std::atomic<bool> interrupted_{false};
};

}  // namespace

int runRecord(Args args) {
  std::string regionText;
  std::string output;
  std::int64_t rate = kRates.front().perSecond;
  std::optional<std::int64_t> seconds;
  std::optional<std::int64_t> frames;
  encoder::FrameInfo frame;
  frame.DelayTime = kDefaultDelayCs;
  bool dither = false;
  bool transparent = false;

  ArgParser p("morogif record --region X,Y,W,H [options] (--seconds S | --frames N) -o OUT.gif",
              "Records a rectangle of the X screen into an animated GIF, frame by frame as the recorder\n"
              "does: each tick grabs the rectangle (without the mouse pointer) as a JPEG at quality 100 and\n"
              "adds it to the animation. Ctrl+C stops early and saves what was recorded. Needs DISPLAY.");
  p.text("--region", "X,Y,W,H", "the screen rectangle to record", &regionText);
  p.integer("--rate", "N", "frames per second: 20, 15, 12, 10, 7, 5, 2 or 1 (default 20)", 1, 20,
            [&](auto v) { rate = v; });
  p.integer("--delay", "CS", "display time of each frame in 1/100 s (default 10)", 0, 65535,
            [&](auto v) { frame.DelayTime = std::uint16_t(v); });
  p.flag("--dither", "ordered dithering to a fixed colour cube", &dither);
  p.flag("--transparent", "make the most frequent colour of each frame transparent", &transparent);
  p.integer("--seconds", "S", "stop after S seconds", 1, kMaxSeconds, [&](auto v) { seconds = v; });
  p.integer("--frames", "N", "stop after N frames", 1, 1 << 20, [&](auto v) { frames = v; });
  p.text("--output", "OUT.gif", "the GIF to write", &output);
  p.alias("-o", "--output");

  auto usage = [](const std::string& why) {
    std::fprintf(stderr, "morogif record: %s\n(see morogif record --help)\n", why.c_str());
    return kExitUsage;
  };
  switch (p.parse(args)) {
    case ArgParser::Result::Help:
      std::fputs(p.helpText().c_str(), stdout);
      return 0;
    case ArgParser::Result::Error:
      return usage(p.error());
    case ArgParser::Result::Ok:
      break;
  }
  if (!p.positional().empty()) return usage("unexpected argument '" + p.positional().front() + "'");
  Region region;
  std::string error;
  if (regionText.empty()) return usage("no region given (--region X,Y,W,H)");
  if (!parseRegion(regionText, region, error)) return usage(error);
  if (output.empty()) return usage("no output file given (-o OUT.gif)");
  if (seconds.has_value() == frames.has_value()) return usage("give either --seconds or --frames");
  const auto chosen = std::find_if(kRates.begin(), kRates.end(), [&](const Rate& r) { return r.perSecond == rate; });
  if (chosen == kRates.end()) return usage("--rate must be one of 20, 15, 12, 10, 7, 5, 2, 1");

  auto backend = platform::X11Backend::open(nullptr, &error);
  if (!backend) {
    std::fprintf(stderr, "morogif record: needs an X display (%s%s)\n", error.c_str(),
                 std::getenv("DISPLAY") ? "" : "; DISPLAY is not set");
    return kExitFailure;
  }
  platform::Platform ui(std::move(backend));
  const int screenWidth = ui.GetSystemMetrics(platform::SM_CXSCREEN);
  const int screenHeight = ui.GetSystemMetrics(platform::SM_CYSCREEN);
  if (platform::Rect::fromXywh(region.x, region.y, region.width, region.height)
          .intersect({0, 0, screenWidth, screenHeight})
          .empty()) {
    std::fprintf(stderr, "morogif record: the region lies outside the %dx%d screen\n", screenWidth, screenHeight);
    return kExitFailure;
  }

  // The records the main window fills at the start of a recording.
  encoder::AnimationInfo animation;
  animation.LOOP = true;
  animation.ColorNum = kColorNum;
  frame.Dither = dither;
  frame.DisposalMethod = encoder::DisposalRestoreBackground;
  frame.Transparency = transparent;
  frame.TransparencyIndex = kTransparencyIndex;
  encoder::GifMaker maker;
  maker.Create(animation);

  StopOnSignal stop(ui);
  int frameCounter = 0;
  std::uintptr_t recordTimer = 0;
  // The recording tick: count, show, let pending messages run, grab, add.
  recordTimer = ui.SetTimer({}, 0, chosen->intervalMs, [&](platform::Hwnd, platform::Message, std::uintptr_t, std::uint32_t) {
    if (frames && frameCounter >= *frames) return;
    ++frameCounter;
    std::printf("\r正在录制：帧数 %d", frameCounter);
    std::fflush(stdout);
    platform::Msg m;
    while (ui.PeekMessage(m, {}, 0, 0, platform::PM_NOREMOVE) && m.message != platform::WM_QUIT &&
           ui.PeekMessage(m, {}, 0, 0, platform::PM_REMOVE)) {
      ui.TranslateMessage(m);
      ui.DispatchMessage(m);
    }
    const auto bytes = CaptureScreen(ui, region.x, region.y, region.width, region.height,
                                     static_cast<int>(CaptureFormat::Jpeg), kJpegQuality);
    maker.AddFrame(frame, std::nullopt, std::span<const std::uint8_t>(bytes));
    if (frames && frameCounter >= *frames) ui.PostQuitMessage(0);
  });
  if (seconds)
    ui.SetTimer({}, 0, static_cast<std::uint32_t>(*seconds * 1000),
                [&](platform::Hwnd, platform::Message, std::uintptr_t, std::uint32_t) { ui.PostQuitMessage(0); });
  ui.RunMessageLoop();
  ui.KillTimer({}, recordTimer);
  std::printf("\n");

  if (frameCounter == 0) {
    std::fprintf(stderr, "morogif record: stopped before the first frame; nothing saved\n");
    return kExitFailure;
  }
  if (!maker.SaveGif(output)) {
    std::fprintf(stderr, "morogif record: cannot save %s: %s\n", output.c_str(), maker.GetError().c_str());
    return kExitFailure;
  }
  std::printf("%s%d frames saved to %s\n", stop.interrupted() ? "interrupted; " : "", frameCounter, output.c_str());
  return 0;
}

}  // namespace app::cli
