#pragma once
// A private X display for end-to-end tests: starts Xvfb on a free display number and, when asked, a
// compositing manager (xcompmgr), a window manager (openbox) and a system tray (trayer); waits until
// each one is really serving, and stops everything it started when it is destroyed.
//
//   auto display = morogif::test::TestDisplay::start({.compositor = true});
//   ASSERT_TRUE(display) << morogif::test::TestDisplay::lastError();
//   ... connect to display->name() (":N") ...
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace morogif::test {

struct TestDisplayOptions {
  int width = 1024;
  int height = 768;
  bool compositor = false;     // xcompmgr: real per-pixel alpha
  bool windowManager = false;  // openbox
  bool tray = false;           // trayer: a system tray (needs no window manager)
};

class TestDisplay {
 public:
  // Null when something could not be started in time; lastError() says what.
  static std::unique_ptr<TestDisplay> start(const TestDisplayOptions& options = {});
  static const std::string& lastError();
  ~TestDisplay();
  TestDisplay(const TestDisplay&) = delete;
  TestDisplay& operator=(const TestDisplay&) = delete;

  const std::string& name() const { return name_; }  // ":N", for XOpenDisplay or DISPLAY
  const TestDisplayOptions& options() const { return options_; }

  // Polls `done` until it is true or `timeout` passes; generous deadlines suit a loaded machine.
  static bool waitUntil(const std::function<bool()>& done,
                        std::chrono::milliseconds timeout = std::chrono::seconds(20));

 private:
  TestDisplay() = default;
  bool launch(const std::vector<std::string>& argv, bool withDisplay);
  bool waitForSelection(const char* selection);
  bool waitForWindowManager();
  void stopAll();

  std::string name_;
  TestDisplayOptions options_;
  std::vector<int> pids_;  // in start order; stopped in reverse
};

}  // namespace morogif::test
