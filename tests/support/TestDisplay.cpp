#include "support/TestDisplay.h"

#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

extern char** environ;

namespace morogif::test {
namespace {

std::string g_lastError;
constexpr auto kPollStep = std::chrono::milliseconds(25);
constexpr auto kStartTimeout = std::chrono::seconds(30);
constexpr auto kStopGrace = std::chrono::seconds(5);
constexpr auto kProbeTimeout = std::chrono::seconds(2);

bool exited(int pid) {
  int status = 0;
  return waitpid(pid, &status, WNOHANG) == pid;
}

}  // namespace

const std::string& TestDisplay::lastError() { return g_lastError; }

bool TestDisplay::waitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(kPollStep);
  }
  return true;
}

std::unique_ptr<TestDisplay> TestDisplay::start(const TestDisplayOptions& options) {
  XInitThreads();  // tests talk to the display from more than one thread; it must precede any Xlib call
  std::unique_ptr<TestDisplay> d(new TestDisplay());
  d->options_ = options;

  // Xvfb picks a free display number itself and writes it to the pipe once it accepts connections.
  int fds[2];
  if (pipe(fds) != 0) {
    g_lastError = "pipe failed";
    return nullptr;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 3);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  const std::string screen = std::to_string(options.width) + "x" + std::to_string(options.height) + "x24";
  std::vector<std::string> args{"Xvfb", "-displayfd", "3", "-screen", "0", screen, "-nolisten", "tcp",
                                "+extension", "Composite", "-noreset"};
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, "Xvfb", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(fds[1]);
  if (rc != 0) {
    close(fds[0]);
    g_lastError = "cannot run Xvfb";
    return nullptr;
  }
  d->pids_.push_back(pid);

  std::string number;
  const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
  while (std::chrono::steady_clock::now() < deadline) {
    pollfd p{fds[0], POLLIN, 0};
    if (poll(&p, 1, 100) > 0) {
      char buf[16];
      const auto n = read(fds[0], buf, sizeof buf);
      if (n <= 0) break;
      number.append(buf, static_cast<std::size_t>(n));
      if (number.find('\n') != std::string::npos) break;
    }
    if (exited(pid)) break;
  }
  close(fds[0]);
  while (!number.empty() && (number.back() == '\n' || number.back() == ' ')) number.pop_back();
  if (number.empty()) {
    g_lastError = "Xvfb did not report a display";
    return nullptr;
  }
  d->name_ = ":" + number;

  if (options.compositor) {
    if (!d->launch({"xcompmgr"}, true) || !d->waitForSelection("_NET_WM_CM_S0")) {
      g_lastError = "xcompmgr did not start";
      return nullptr;
    }
  }
  if (options.windowManager) {
    if (!d->launch({"openbox", "--sm-disable"}, true) || !d->waitForSelection("WM_S0") || !d->waitForWindowManager()) {
      g_lastError = "openbox did not start";
      return nullptr;
    }
  }
  if (options.tray) {
    if (!d->launch({"trayer", "--edge", "top", "--align", "right", "--widthtype", "request", "--height", "24",
                    "--SetDockType", "true", "--transparent", "false"},
                   true) ||
        !d->waitForSelection("_NET_SYSTEM_TRAY_S0")) {
      g_lastError = "trayer did not start";
      return nullptr;
    }
  }
  return d;
}

bool TestDisplay::launch(const std::vector<std::string>& args, bool withDisplay) {
  std::vector<std::string> envStrings;
  for (char** e = environ; *e; ++e)
    if (std::string_view(*e).substr(0, 8) != "DISPLAY=") envStrings.emplace_back(*e);
  if (withDisplay) envStrings.push_back("DISPLAY=" + name_);
  std::vector<char*> env;
  for (auto& s : envStrings) env.push_back(s.data());
  env.push_back(nullptr);
  std::vector<std::string> copy = args;
  std::vector<char*> argv;
  for (auto& a : copy) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), env.data());
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return false;
  pids_.push_back(pid);
  return true;
}

bool TestDisplay::waitForSelection(const char* selection) {
  Display* dpy = XOpenDisplay(name_.c_str());
  if (!dpy) return false;
  const Atom a = XInternAtom(dpy, selection, False);
  const bool ok = waitUntil([&] { return XGetSelectionOwner(dpy, a) != None; }, kStartTimeout);
  XCloseDisplay(dpy);
  return ok;
}

// The window manager owns its selection before it is done starting, and may drop what arrives in
// between; it is ready once it really maps (manages) a new window.
bool TestDisplay::waitForWindowManager() {
  Display* dpy = XOpenDisplay(name_.c_str());
  if (!dpy) return false;
  const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
  bool managed = false;
  while (!managed && std::chrono::steady_clock::now() < deadline) {
    const Window probe = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, 10, 10, 0, 0, 0);
    XMapWindow(dpy, probe);
    XSync(dpy, False);
    managed = waitUntil(
        [&] {
          XWindowAttributes wa;
          XGetWindowAttributes(dpy, probe, &wa);
          return wa.map_state == IsViewable;
        },
        kProbeTimeout);
    XDestroyWindow(dpy, probe);
    XSync(dpy, False);
  }
  XCloseDisplay(dpy);
  return managed;
}

void TestDisplay::stopAll() {
  for (auto it = pids_.rbegin(); it != pids_.rend(); ++it) {
    const int pid = *it;
    kill(pid, SIGTERM);
    if (!waitUntil([&] { return exited(pid); }, kStopGrace)) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
  }
  pids_.clear();
}

TestDisplay::~TestDisplay() { stopAll(); }

}  // namespace morogif::test
