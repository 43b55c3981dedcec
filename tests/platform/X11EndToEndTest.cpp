// The core on a real X server (Xvfb), with input driven through XTest: what layered windows show and
// where the mouse goes, presses, the system-wide hot key, the tray icon and screen capture.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

#include "app/FrameCapture.h"
#include "gfx/ImageCodec.h"
#include "platform/Platform.h"
#include "platform/x11/X11Backend.h"
#include "support/TestDisplay.h"

// Xlib last: its macros (None, Bool, ...) would break the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace platform {
namespace {

using morogif::test::TestDisplay;
using morogif::test::TestDisplayOptions;

constexpr gfx::Argb kBlue = gfx::makeArgb(255, 0, 0, 255);
constexpr gfx::Argb kRed = gfx::makeArgb(255, 255, 0, 0);

struct Logged {
  Hwnd hwnd;
  Message msg;
  WParam wp;
  LParam lp;
};

// One X display with our platform on it and a second plain connection that plays the user.
class X11Session {
 public:
  explicit X11Session(const TestDisplayOptions& options) {
    display = TestDisplay::start(options);
    if (!display) return;
    std::string error;
    auto backend = X11Backend::open(display->name().c_str(), &error);
    if (!backend) return;
    ui = std::make_unique<Platform>(std::move(backend));
    user = XOpenDisplay(display->name().c_str());
    WindowClass cls;
    cls.name = u"E2E";
    cls.proc = [this](Hwnd h, Message m, WParam wp, LParam lp) -> LResult {
      log.push_back({h, m, wp, lp});
      return ui->DefWindowProc(h, m, wp, lp);
    };
    ui->RegisterClass(cls);
  }
  ~X11Session() {
    ui.reset();
    if (user) XCloseDisplay(user);
  }
  bool ready() const { return ui && user; }

  Hwnd window(Rect r, std::uint32_t exStyle, gfx::Argb fill) {
    const Hwnd h = ui->CreateWindowEx(exStyle | WS_EX_TOOLWINDOW, u"E2E", u"", WS_POPUP, r.left, r.top, r.width(),
                                      r.height(), {});
    if (exStyle & WS_EX_LAYERED) {
      ui->UpdateLayeredWindow(h, std::nullopt, gfx::Bitmap(r.width(), r.height(), fill));
    } else {
      gfx::Bitmap pixels(r.width(), r.height(), fill);
      ui->BlitToWindow(h, pixels, {0, 0, r.width(), r.height()});
    }
    ui->ShowWindow(h, SW_SHOWNA);
    return h;
  }

  // Runs our message loop until `done` holds (or a generous deadline passes).
  bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
    return TestDisplay::waitUntil(
        [&] {
          Msg m;
          while (ui->PeekMessage(m, {}, 0, 0, PM_REMOVE)) {
            ui->TranslateMessage(m);
            ui->DispatchMessage(m);
          }
          return done();
        },
        timeout);
  }
  const Logged* find(Hwnd h, Message m) const {
    for (const auto& l : log)
      if (l.hwnd == h && l.msg == m) return &l;
    return nullptr;
  }
  gfx::Argb screenPixel(int x, int y) { return ui->GrabScreen(Rect::fromXywh(x, y, 1, 1)).pixel(0, 0); }

  void click(int x, int y, unsigned button = 1) {
    // The server serves the two connections in no fixed order: a round trip on ours first makes sure
    // every window change we asked for is in place before the user acts, as it is for a real user.
    screenPixel(x, y);
    XTestFakeMotionEvent(user, -1, x, y, CurrentTime);
    XTestFakeButtonEvent(user, button, True, CurrentTime);
    XTestFakeButtonEvent(user, button, False, CurrentTime);
    XFlush(user);
  }

  std::unique_ptr<TestDisplay> display;
  std::unique_ptr<Platform> ui;
  Display* user = nullptr;
  std::vector<Logged> log;
};

// Channels within a small distance, to allow for blending arithmetic.
bool near(gfx::Argb a, gfx::Argb b, int tolerance = 8) {
  auto d = [&](std::uint8_t x, std::uint8_t y) { return std::abs(int(x) - int(y)) <= tolerance; };
  return d(gfx::redOf(a), gfx::redOf(b)) && d(gfx::greenOf(a), gfx::greenOf(b)) && d(gfx::blueOf(a), gfx::blueOf(b));
}

class LayeredOnScreen : public ::testing::TestWithParam<bool> {};

TEST_P(LayeredOnScreen, OutlineWithTransparentInsideShowsOnlyTheOutlineAndLetsTheMouseThrough) {
  const bool compositor = GetParam();
  X11Session s({.width = 640, .height = 480, .compositor = compositor});
  ASSERT_TRUE(s.ready()) << TestDisplay::lastError();
  const Hwnd back = s.window({0, 0, 640, 480}, 0, kBlue);

  // A red outline 6 px wide at alpha 200 with a fully transparent inside, as the selection frame.
  const Rect frameRect = Rect::fromXywh(100, 100, 200, 150);
  gfx::Bitmap frame(200, 150);
  for (int y = 0; y < 150; ++y)
    for (int x = 0; x < 200; ++x)
      if (x < 6 || y < 6 || x >= 194 || y >= 144) frame.setPixel(x, y, gfx::makeArgb(200, 255, 0, 0));
  const Hwnd outline = s.ui->CreateWindowEx(WS_EX_LAYERED | WS_EX_TOPMOST | WS_EX_TOOLWINDOW, u"E2E", u"", WS_POPUP,
                                            frameRect.left, frameRect.top, 200, 150, {});
  ASSERT_TRUE(s.ui->UpdateLayeredWindow(outline, std::nullopt, frame));
  s.ui->ShowWindow(outline, SW_SHOWNA);

  // Straight red on blue at 200/255 under a compositor; the outline at full opacity without one.
  const gfx::Argb expectedEdge = compositor ? gfx::makeArgb(255, 200, 0, 55) : kRed;
  EXPECT_TRUE(s.pumpUntil([&] { return near(s.screenPixel(102, 102), expectedEdge); }))
      << std::hex << s.screenPixel(102, 102);
  EXPECT_TRUE(near(s.screenPixel(200, 175), kBlue)) << std::hex << s.screenPixel(200, 175);
  EXPECT_TRUE(near(s.screenPixel(50, 50), kBlue));

  // The inside lets the press through to the window below; the outline catches it.
  s.click(200, 175);
  ASSERT_TRUE(s.pumpUntil([&] { return s.find(back, WM_LBUTTONDOWN) != nullptr; }));
  EXPECT_EQ(s.find(outline, WM_LBUTTONDOWN), nullptr);
  s.click(103, 140);
  ASSERT_TRUE(s.pumpUntil([&] { return s.find(outline, WM_LBUTTONDOWN) != nullptr; }));
  const Logged* press = s.find(outline, WM_LBUTTONDOWN);
  EXPECT_EQ(xFromLParam(press->lp), 3);
  EXPECT_EQ(yFromLParam(press->lp), 40);
}

TEST_P(LayeredOnScreen, NearlyInvisibleOverlayLeavesTheDesktopVisibleAndCatchesTheMouse) {
  const bool compositor = GetParam();
  X11Session s({.width = 640, .height = 480, .compositor = compositor});
  ASSERT_TRUE(s.ready()) << TestDisplay::lastError();
  s.window({0, 0, 640, 480}, 0, kBlue);
  // White at alpha 1, as the region selector's overlay.
  const Hwnd overlay = s.window({0, 0, 640, 480}, WS_EX_LAYERED | WS_EX_TOPMOST, gfx::makeArgb(1, 255, 255, 255));
  s.click(320, 200);
  ASSERT_TRUE(s.pumpUntil([&] { return s.find(overlay, WM_LBUTTONDOWN) != nullptr; }));
  const Logged* press = s.find(overlay, WM_LBUTTONDOWN);
  EXPECT_EQ(xFromLParam(press->lp), 320);
  EXPECT_EQ(yFromLParam(press->lp), 200);
  EXPECT_TRUE(near(s.screenPixel(320, 200), kBlue)) << std::hex << s.screenPixel(320, 200);
}

INSTANTIATE_TEST_SUITE_P(CompositorOnAndOff, LayeredOnScreen, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Compositor" : "Shapes"; });

TEST(X11EndToEnd, HotKeyReachesTheRegisteringWindowWhileAnotherProgramHasTheFocus) {
  X11Session s({.width = 640, .height = 480, .windowManager = true});
  ASSERT_TRUE(s.ready()) << TestDisplay::lastError();
  const Hwnd main = s.window({0, 0, 200, 200}, 0, kBlue);
  ASSERT_TRUE(s.ui->RegisterHotKey(main, 1, 0, VK_F1));

  // Another client's window takes the keyboard focus.
  const Window other = XCreateSimpleWindow(s.user, DefaultRootWindow(s.user), 300, 100, 200, 200, 0, 0, 0xFFFFFF);
  XSelectInput(s.user, other, KeyPressMask);
  XMapRaised(s.user, other);
  XSync(s.user, False);
  ASSERT_TRUE(TestDisplay::waitUntil([&] {
    XWindowAttributes wa;
    XGetWindowAttributes(s.user, other, &wa);
    if (wa.map_state != IsViewable) return false;
    XSetInputFocus(s.user, other, RevertToParent, CurrentTime);
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(s.user, &focus, &revert);
    return focus == other;
  })) << "focus stayed elsewhere";

  // Caps Lock on must not matter.
  const KeyCode caps = XKeysymToKeycode(s.user, XK_Caps_Lock);
  XTestFakeKeyEvent(s.user, caps, True, CurrentTime);
  XTestFakeKeyEvent(s.user, caps, False, CurrentTime);
  const KeyCode f1 = XKeysymToKeycode(s.user, XK_F1);
  XTestFakeKeyEvent(s.user, f1, True, CurrentTime);
  XTestFakeKeyEvent(s.user, f1, False, CurrentTime);
  XFlush(s.user);
  ASSERT_TRUE(s.pumpUntil([&] { return s.find(main, WM_HOTKEY) != nullptr; }));
  EXPECT_EQ(s.find(main, WM_HOTKEY)->wp, 1u);
  EXPECT_EQ(hiWord(static_cast<std::uintptr_t>(s.find(main, WM_HOTKEY)->lp)), static_cast<int>(VK_F1));

  // A second program cannot take the same key.
  auto rival = X11Backend::open(s.display->name().c_str(), nullptr);
  ASSERT_TRUE(rival);
  EXPECT_FALSE(rival->grabHotKey(0, VK_F1));
}

// The window whose name is `name`, anywhere in the tree below `w`.
Window findNamed(Display* dpy, Window w, const char* name) {
  char* wname = nullptr;
  if (XFetchName(dpy, w, &wname) && wname) {
    const bool match = std::string_view(wname) == name;
    XFree(wname);
    if (match) return w;
  }
  Window root = 0;
  Window parent = 0;
  Window* kids = nullptr;
  unsigned n = 0;
  Window found = 0;
  if (XQueryTree(dpy, w, &root, &parent, &kids, &n)) {
    for (unsigned i = 0; i < n && !found; ++i) found = findNamed(dpy, kids[i], name);
    if (kids) XFree(kids);
  }
  return found;
}

TEST(X11EndToEnd, TrayIconIsDockedAndItsClickReachesTheWindow) {
  X11Session s({.width = 640, .height = 480, .tray = true});
  ASSERT_TRUE(s.ready()) << TestDisplay::lastError();
  const Hwnd main = s.window({0, 200, 100, 100}, 0, kBlue);
  NotifyIconData nid{main, 1, NIF_MESSAGE | NIF_ICON | NIF_TIP, 20105,
                     s.ui->CreateIcon(gfx::Bitmap(16, 16, kRed)), u"MoroGIF"};
  ASSERT_TRUE(s.ui->Shell_NotifyIcon(NIM_ADD, nid));

  // Docked: the icon window lives inside the tray and is viewable.
  Window icon = 0;
  int x = 0;
  int y = 0;
  ASSERT_TRUE(s.pumpUntil([&] {
    icon = findNamed(s.user, DefaultRootWindow(s.user), "MoroGIF");
    if (!icon) return false;
    XWindowAttributes wa;
    XGetWindowAttributes(s.user, icon, &wa);
    Window child = 0;
    XTranslateCoordinates(s.user, icon, DefaultRootWindow(s.user), wa.width / 2, wa.height / 2, &x, &y, &child);
    Window root = 0;
    Window parent = 0;
    Window* kids = nullptr;
    unsigned n = 0;
    XQueryTree(s.user, icon, &root, &parent, &kids, &n);
    if (kids) XFree(kids);
    return wa.map_state == IsViewable && parent != root;
  })) << "the icon was not docked";
  EXPECT_TRUE(s.pumpUntil([&] { return near(s.screenPixel(x, y), kRed); }));

  s.click(x, y);
  ASSERT_TRUE(s.pumpUntil([&] { return s.find(main, 20105) != nullptr; }));
  EXPECT_EQ(s.find(main, 20105)->lp, static_cast<LParam>(WM_LBUTTONDOWN));
  EXPECT_EQ(s.find(main, 20105)->wp, 1u);
}

TEST(X11EndToEnd, TrayIconIsRefusedWithoutATray) {
  X11Session s({.width = 320, .height = 240});
  ASSERT_TRUE(s.ready()) << TestDisplay::lastError();
  const Hwnd main = s.window({0, 0, 50, 50}, 0, kBlue);
  EXPECT_FALSE(s.ui->Shell_NotifyIcon(NIM_ADD, NotifyIconData{main, 1, NIF_MESSAGE | NIF_TIP, 20105, 0, u"MoroGIF"}));
}

TEST(X11EndToEnd, CaptureScreenReturnsTheShownPatternExactly) {
  X11Session s({.width = 640, .height = 480});
  ASSERT_TRUE(s.ready()) << TestDisplay::lastError();
  // A pattern every pixel of which differs from its neighbours.
  gfx::Bitmap pattern(300, 200);
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 300; ++x) pattern.setPixel(x, y, gfx::makeArgb(255, x & 0xFF, y & 0xFF, (x * 7 + y * 13) & 0xFF));
  const Hwnd w = s.window(Rect::fromXywh(50, 40, 300, 200), 0, 0);
  s.ui->BlitToWindow(w, pattern, {0, 0, 300, 200});
  ASSERT_TRUE(s.pumpUntil([&] { return s.screenPixel(50 + 299, 40 + 199) == pattern.pixel(299, 199); }));

  // PNG is lossless: the rectangle (10, 20, 200, 100) of the window comes back pixel for pixel, without
  // the mouse pointer resting in the middle of it.
  s.ui->SetCursorPos(160, 110);
  XTestFakeMotionEvent(s.user, -1, 160, 110, CurrentTime);
  XSync(s.user, False);
  const auto png = app::CaptureScreen(*s.ui, 60, 60, 200, 100, static_cast<int>(app::CaptureFormat::Png), 0);
  auto decoded = gfx::decodeImage(png);
  ASSERT_TRUE(decoded.ok()) << decoded.error;
  EXPECT_EQ(decoded.bitmap, pattern.crop(10, 20, 200, 100));

  // JPEG at quality 100 is close; BMP is exact; a 1 x 1 rectangle is a valid picture.
  const auto jpeg = app::CaptureScreen(*s.ui, 60, 60, 200, 100, static_cast<int>(app::CaptureFormat::Jpeg), 100);
  auto fromJpeg = gfx::decodeImage(jpeg);
  ASSERT_TRUE(fromJpeg.ok());
  EXPECT_EQ(fromJpeg.format, gfx::ImageFormat::Jpeg);
  EXPECT_TRUE(near(fromJpeg.bitmap.pixel(100, 50), pattern.pixel(110, 70), 24));
  auto one = gfx::decodeImage(app::CaptureScreen(*s.ui, 50, 40, 1, 1, static_cast<int>(app::CaptureFormat::Bmp), 0));
  ASSERT_TRUE(one.ok());
  EXPECT_EQ(one.bitmap.pixel(0, 0), pattern.pixel(0, 0));

  // Partly off the screen: clipped to what is on it.
  auto clipped = gfx::decodeImage(app::CaptureScreen(*s.ui, 600, 400, 100, 100, 1, 0));
  ASSERT_TRUE(clipped.ok());
  EXPECT_EQ(clipped.bitmap.width(), 40);
  EXPECT_EQ(clipped.bitmap.height(), 80);
}

TEST(X11EndToEnd, WindowFromPointSeesOtherProgramsWindowsWithTheirFrames) {
  X11Session s({.width = 640, .height = 480, .windowManager = true});
  ASSERT_TRUE(s.ready()) << TestDisplay::lastError();
  const Hwnd ours = s.window({0, 0, 100, 100}, 0, kBlue);
  const Window other = XCreateSimpleWindow(s.user, DefaultRootWindow(s.user), 300, 150, 200, 150, 0, 0, 0xFFFFFF);
  XMapWindow(s.user, other);
  XSync(s.user, False);
  Rect client;
  ASSERT_TRUE(TestDisplay::waitUntil([&] {
    XWindowAttributes wa;
    XGetWindowAttributes(s.user, other, &wa);
    int x = 0;
    int y = 0;
    Window child = 0;
    XTranslateCoordinates(s.user, other, DefaultRootWindow(s.user), 0, 0, &x, &y, &child);
    client = Rect::fromXywh(x, y, wa.width, wa.height);
    return wa.map_state == IsViewable;
  }));
  EXPECT_TRUE(s.pumpUntil([&] { return s.ui->WindowFromPoint({50, 50}) == ours; }));
  const Point centre{(client.left + client.right) / 2, (client.top + client.bottom) / 2};
  const Hwnd found = s.ui->WindowFromPoint(centre);
  ASSERT_TRUE(found.foreign());
  EXPECT_TRUE(s.ui->IsWindowVisible(found));
  Rect outer;
  ASSERT_TRUE(s.ui->GetWindowRect(found, outer));
  // The rectangle includes the decoration the window manager put around the client.
  EXPECT_LE(outer.left, client.left);
  EXPECT_LE(outer.top, client.top);
  EXPECT_GE(outer.right, client.right);
  EXPECT_GE(outer.bottom, client.bottom);
  EXPECT_GT(outer.height(), client.height());
}

TEST(X11EndToEnd, ClipboardTextTravelsToAnotherProgram) {
  X11Session s({.width = 320, .height = 240});
  ASSERT_TRUE(s.ready()) << TestDisplay::lastError();
  ASSERT_TRUE(s.ui->SetClipboardText(u"录制区域 \U0001F600"));
  EXPECT_EQ(s.ui->GetClipboardText(), std::optional<std::u16string>(u"录制区域 \U0001F600"));
  // The other program asks while we keep serving our queue.
  std::optional<std::u16string> seen;
  std::atomic<bool> done{false};
  std::thread reader([&] {
    auto other = X11Backend::open(s.display->name().c_str(), nullptr);
    for (int attempt = 0; other && !seen && attempt < 20; ++attempt) seen = other->clipboardText();
    done = true;
  });
  s.pumpUntil([&] { return done.load(); });
  reader.join();
  EXPECT_EQ(seen, std::optional<std::u16string>(u"录制区域 \U0001F600"));
}

}  // namespace
}  // namespace platform
