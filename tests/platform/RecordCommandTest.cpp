// `morogif record` as a user runs it: against a private X display whose pattern changes while it
// records, stopped by frame count or by Ctrl+C, without a display, and with bad arguments.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "gfx/ImageCodec.h"
#include "platform/Platform.h"
#include "platform/x11/X11Backend.h"
#include "support/TestDisplay.h"

extern char** environ;

namespace {

using morogif::test::TestDisplay;
namespace fs = std::filesystem;

const char* const kMorogif = MOROGIF_BINARY_DIR "/app/morogif";

// The tool as a child process with its output collected; DISPLAY set to `display` (none when empty).
class Child {
 public:
  Child(const std::vector<std::string>& args, const std::string& display) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
      if (std::string_view(*e).substr(0, 8) != "DISPLAY=") env.emplace_back(*e);
    if (!display.empty()) env.push_back("DISPLAY=" + display);
    std::vector<char*> envp;
    for (auto& s : env) envp.push_back(s.data());
    envp.push_back(nullptr);
    std::vector<std::string> argStore{kMorogif};
    argStore.insert(argStore.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : argStore) argv.push_back(a.data());
    argv.push_back(nullptr);
    int fds[2];
    if (pipe(fds) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    if (posix_spawn(&pid_, kMorogif, &actions, nullptr, argv.data(), envp.data()) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    out_ = fds[0];
    fcntl(out_, F_SETFL, O_NONBLOCK);
  }
  ~Child() {
    if (pid_ > 0 && !done_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) close(out_);
  }
  // Collects output; true once the child has exited.
  bool finished() {
    char buf[4096];
    ssize_t n = 0;
    while ((n = read(out_, buf, sizeof buf)) > 0) output.append(buf, static_cast<std::size_t>(n));
    if (done_) return true;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      done_ = true;
      exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      while ((n = read(out_, buf, sizeof buf)) > 0) output.append(buf, static_cast<std::size_t>(n));
    }
    return done_;
  }
  bool started() const { return pid_ > 0; }
  void interrupt() { kill(pid_, SIGINT); }

  std::string output;
  int exitCode = -1;

 private:
  pid_t pid_ = -1;
  int out_ = -1;
  bool done_ = false;
};

std::vector<std::uint8_t> readFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class RecordCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("morogif-record-" + std::to_string(getpid()) + "-" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }
  fs::path dir;
};

TEST_F(RecordCommand, RecordingOfAChangingPatternGivesFramesThatShowTheChange) {
  auto display = TestDisplay::start({.width = 320, .height = 240});
  ASSERT_TRUE(display) << TestDisplay::lastError();
  auto backend = platform::X11Backend::open(display->name().c_str(), nullptr);
  ASSERT_TRUE(backend);
  platform::Platform ui(std::move(backend));
  ui.RegisterClass({u"Pattern", 0, {}, 0});
  const platform::Hwnd w = ui.CreateWindowEx(platform::WS_EX_TOOLWINDOW, u"Pattern", u"", platform::WS_POPUP, 0, 0, 64,
                                             48, {});
  const std::array<gfx::Argb, 3> colours{gfx::makeArgb(255, 255, 0, 0), gfx::makeArgb(255, 0, 255, 0),
                                         gfx::makeArgb(255, 0, 0, 255)};
  ui.BlitToWindow(w, gfx::Bitmap(64, 48, colours[0]), {0, 0, 64, 48});
  ui.ShowWindow(w, platform::SW_SHOWNA);

  const fs::path out = dir / "changing.gif";
  Child rec({"record", "--region", "0,0,64,48", "--rate", "10", "--delay", "20", "--frames", "8", "-o", out.string()},
            display->name());
  ASSERT_TRUE(rec.started());
  std::size_t next = 1;
  auto lastChange = std::chrono::steady_clock::now();
  ASSERT_TRUE(TestDisplay::waitUntil(
      [&] {
        // The pattern changes about every 150 ms while the recorder runs.
        if (std::chrono::steady_clock::now() - lastChange > std::chrono::milliseconds(150)) {
          ui.BlitToWindow(w, gfx::Bitmap(64, 48, colours[next++ % colours.size()]), {0, 0, 64, 48});
          lastChange = std::chrono::steady_clock::now();
        }
        platform::Msg m;
        while (ui.PeekMessage(m, {}, 0, 0, platform::PM_REMOVE)) ui.DispatchMessage(m);
        return rec.finished();
      },
      std::chrono::seconds(60)));
  ASSERT_EQ(rec.exitCode, 0) << rec.output;
  EXPECT_NE(rec.output.find("帧数 8"), std::string::npos) << rec.output;

  std::string error;
  const auto frames = gfx::decodeAnimation(readFile(out), &error);
  ASSERT_EQ(frames.size(), 8u) << error;
  std::set<int> seen;
  for (const auto& f : frames) {
    EXPECT_EQ(f.bitmap.width(), 64);
    EXPECT_EQ(f.bitmap.height(), 48);
    EXPECT_EQ(f.delayCs, 20);
    const gfx::Argb c = f.bitmap.pixel(32, 24);
    // Each frame shows one of the colours, nearly pure after JPEG and colour reduction.
    int which = -1;
    for (int i = 0; i < 3; ++i) {
      const gfx::Argb want = colours[static_cast<std::size_t>(i)];
      if (std::abs(int(gfx::redOf(c)) - gfx::redOf(want)) < 40 && std::abs(int(gfx::greenOf(c)) - gfx::greenOf(want)) < 40 &&
          std::abs(int(gfx::blueOf(c)) - gfx::blueOf(want)) < 40)
        which = i;
    }
    EXPECT_NE(which, -1) << std::hex << c;
    seen.insert(which);
  }
  EXPECT_GE(seen.size(), 2u) << "the frames do not show the change";
}

TEST_F(RecordCommand, CtrlCStopsAndSavesWhatWasRecorded) {
  auto display = TestDisplay::start({.width = 320, .height = 240});
  ASSERT_TRUE(display) << TestDisplay::lastError();
  const fs::path out = dir / "interrupted.gif";
  Child rec({"record", "--region", "10,10,40,30", "--rate", "20", "--seconds", "120", "-o", out.string()},
            display->name());
  ASSERT_TRUE(rec.started());
  ASSERT_TRUE(TestDisplay::waitUntil([&] {
    rec.finished();
    return rec.output.find("帧数 3") != std::string::npos;
  })) << rec.output;
  rec.interrupt();
  ASSERT_TRUE(TestDisplay::waitUntil([&] { return rec.finished(); }));
  EXPECT_EQ(rec.exitCode, 0) << rec.output;
  const auto frames = gfx::decodeAnimation(readFile(out));
  EXPECT_GE(frames.size(), 3u);
}

TEST_F(RecordCommand, WithoutADisplayItSaysSoAndFails) {
  Child rec({"record", "--region", "0,0,10,10", "--frames", "1", "-o", (dir / "x.gif").string()}, "");
  ASSERT_TRUE(TestDisplay::waitUntil([&] { return rec.finished(); }));
  EXPECT_EQ(rec.exitCode, 1);
  EXPECT_NE(rec.output.find("display"), std::string::npos) << rec.output;
  EXPECT_FALSE(fs::exists(dir / "x.gif"));
}

TEST_F(RecordCommand, BadArgumentsAreUsageErrors) {
  const std::string out = (dir / "x.gif").string();
  const std::vector<std::vector<std::string>> cases{
      {"record", "--frames", "1", "-o", out},                                         // no region
      {"record", "--region", "0,0,10", "--frames", "1", "-o", out},                   // three numbers
      {"record", "--region", "0,0,0,10", "--frames", "1", "-o", out},                 // zero width
      {"record", "--region", "a,0,10,10", "--frames", "1", "-o", out},                // not a number
      {"record", "--region", "0,0,10,10", "--rate", "9", "--frames", "1", "-o", out}, // not an offered rate
      {"record", "--region", "0,0,10,10", "-o", out},                                 // no stop condition
      {"record", "--region", "0,0,10,10", "--frames", "1", "--seconds", "1", "-o", out},
      {"record", "--region", "0,0,10,10", "--frames", "1"},                           // no output
  };
  for (const auto& args : cases) {
    Child rec(args, "");
    ASSERT_TRUE(TestDisplay::waitUntil([&] { return rec.finished(); }));
    EXPECT_EQ(rec.exitCode, 2) << args[2] << " " << rec.output;
  }
}

}  // namespace
