// The windowing core on the in-memory backend: queue order, nested loops, timers, mouse routing,
// capture and leave, focus and keys, layered shapes, hot keys, the notification icon and the desktop
// walk.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/Platform.h"
#include "platform/memory/MemoryBackend.h"

namespace platform {
namespace {

struct Logged {
  Hwnd hwnd;
  Message msg;
  WParam wp;
  LParam lp;
};

class CoreTest : public ::testing::Test {
 protected:
  CoreTest() {
    auto backend = std::make_unique<MemoryBackend>(Size{800, 600});
    mem = backend.get();
    ui = std::make_unique<Platform>(std::move(backend));
    WindowClass cls;
    cls.name = u"Test";
    cls.style = CS_DBLCLKS;
    cls.proc = [this](Hwnd h, Message m, WParam wp, LParam lp) -> LResult {
      log.push_back({h, m, wp, lp});
      if (auto it = handlers.find(m); it != handlers.end()) return it->second(h, wp, lp);
      return ui->DefWindowProc(h, m, wp, lp);
    };
    ui->RegisterClass(cls);
    WindowClass plain = cls;
    plain.name = u"Plain";
    plain.style = 0;
    ui->RegisterClass(plain);
  }

  Hwnd make(Rect r, std::uint32_t exStyle = 0, Hwnd parent = {}, std::uint32_t style = WS_POPUP | WS_VISIBLE,
            std::u16string_view cls = u"Test") {
    return ui->CreateWindowEx(exStyle, cls, u"", style, r.left, r.top, r.width(), r.height(), parent);
  }

  // Runs the loop until the queue is drained and every due timer has been served.
  void drain() {
    Msg m;
    while (ui->PeekMessage(m, {}, 0, 0, PM_REMOVE)) {
      ui->TranslateMessage(m);
      ui->DispatchMessage(m);
    }
  }

  std::vector<Message> messagesFor(Hwnd h, std::initializer_list<Message> only) const {
    std::vector<Message> out;
    for (const auto& l : log)
      if (l.hwnd == h && std::find(only.begin(), only.end(), l.msg) != only.end()) out.push_back(l.msg);
    return out;
  }
  const Logged* last(Hwnd h, Message m) const {
    for (auto it = log.rbegin(); it != log.rend(); ++it)
      if (it->hwnd == h && it->msg == m) return &*it;
    return nullptr;
  }

  MemoryBackend* mem = nullptr;
  std::unique_ptr<Platform> ui;
  std::vector<Logged> log;
  std::map<Message, std::function<LResult(Hwnd, WParam, LParam)>> handlers;
};

TEST_F(CoreTest, PostedMessagesComeBeforeInputAndQuitComesAfterPosted) {
  const Hwnd w = make(Rect::fromXywh(10, 10, 100, 100));
  mem->click({20, 20});
  drain();  // settle what show and create produced
  log.clear();
  mem->click({30, 30});
  ui->PostMessage(w, 20103, 1, 2);
  ui->PostQuitMessage(7);
  ui->PostMessage(w, 20608, 3, 4);

  std::vector<Message> order;
  Msg m;
  while (ui->GetMessage(m)) order.push_back(m.message);
  EXPECT_EQ(m.wParam, 7u);
  EXPECT_EQ(order, (std::vector<Message>{20103, 20608}));
  // The click waits behind the quit; a following loop gets it.
  ASSERT_TRUE(ui->GetMessage(m));
  EXPECT_EQ(m.message, WM_MOUSEMOVE);
}

TEST_F(CoreTest, NestedLoopServesTimersAndMessagesThenOuterLoopResumes) {
  const Hwnd w = make(Rect::fromXywh(0, 0, 50, 50));
  int ticks = 0;
  std::vector<std::string> trace;
  // A thread timer with a callback, like the recording timer, keeps firing inside a modal loop.
  const auto timer = ui->SetTimer({}, 0, 50, [&](Hwnd, Message, std::uintptr_t, std::uint32_t) { ++ticks; });
  ASSERT_NE(timer, 0u);
  handlers[WM_USER] = [&](Hwnd, WParam, LParam) -> LResult {
    trace.push_back("modal in");
    ui->PostMessage(w, WM_USER + 1, 0, 0);
    Msg m;
    while (ticks < 3 && ui->GetMessage(m)) {
      ui->TranslateMessage(m);
      ui->DispatchMessage(m);
    }
    trace.push_back("modal out");
    ui->PostMessage(w, WM_USER + 2, 0, 0);
    return 0;
  };
  handlers[WM_USER + 1] = [&](Hwnd, WParam, LParam) -> LResult {
    trace.push_back("inner message");
    return 0;
  };
  handlers[WM_USER + 2] = [&](Hwnd, WParam, LParam) -> LResult {
    trace.push_back("after");
    ui->PostQuitMessage(0);
    return 0;
  };
  ui->PostMessage(w, WM_USER, 0, 0);
  const std::uint32_t start = mem->nowMs();
  EXPECT_EQ(ui->RunMessageLoop(), 0);
  EXPECT_EQ(trace, (std::vector<std::string>{"modal in", "inner message", "modal out", "after"}));
  EXPECT_EQ(ticks, 3);
  EXPECT_GE(mem->nowMs() - start, 150u);  // the virtual clock ran three intervals
  EXPECT_TRUE(ui->KillTimer({}, timer));
  EXPECT_FALSE(ui->KillTimer({}, timer));
}

TEST_F(CoreTest, TimersRearmStopAndDoNotPileUp) {
  const Hwnd w = make(Rect::fromXywh(0, 0, 50, 50));
  ASSERT_EQ(ui->SetTimer(w, 42, 100), 42u);
  mem->advance(1000);  // ten periods late: still one WM_TIMER, as Win32 does
  drain();
  EXPECT_EQ(messagesFor(w, {WM_TIMER}).size(), 1u);
  EXPECT_EQ(last(w, WM_TIMER)->wp, 42u);

  // Re-arming a thread timer keeps its id and takes the new interval.
  int fired = 0;
  const auto id = ui->SetTimer({}, 0, 500, [&](Hwnd, Message, std::uintptr_t, std::uint32_t) { ++fired; });
  EXPECT_EQ(ui->SetTimer({}, id, 50, [&](Hwnd, Message, std::uintptr_t, std::uint32_t) { fired += 10; }), id);
  mem->advance(60);
  drain();
  EXPECT_EQ(fired, 10);
  ui->KillTimer({}, id);
  mem->advance(600);
  drain();
  EXPECT_EQ(fired, 10);
  // Timers die with their window.
  ui->DestroyWindow(w);
  EXPECT_FALSE(ui->KillTimer(w, 42));
}

TEST_F(CoreTest, MousePressCarriesClientCoordinatesAndKeyState) {
  const Hwnd parent = make(Rect::fromXywh(100, 50, 300, 200));
  const Hwnd child = make(Rect::fromXywh(10, 20, 50, 50), 0, parent, WS_CHILD | WS_VISIBLE);
  mem->key(VK_SHIFT, 0, true);
  mem->press({200, 80});  // inside the parent, outside the child
  mem->press({115, 75});  // inside the child at (5, 5)
  drain();
  const Logged* p = last(parent, WM_LBUTTONDOWN);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(xFromLParam(p->lp), 100);
  EXPECT_EQ(yFromLParam(p->lp), 30);
  EXPECT_EQ(p->wp, MK_LBUTTON | MK_SHIFT);
  const Logged* c = last(child, WM_LBUTTONDOWN);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(xFromLParam(c->lp), 5);
  EXPECT_EQ(yFromLParam(c->lp), 5);
}

TEST_F(CoreTest, DoubleClickNeedsTheClassStyleAndNearbyQuickPresses) {
  struct Case {
    const char16_t* cls;
    Point second;
    std::uint32_t gapMs;
    bool doubleClick;
  };
  const Case cases[] = {
      {u"Test", {12, 12}, 100, true},
      {u"Plain", {12, 12}, 100, false},  // no CS_DBLCLKS
      {u"Test", {30, 12}, 100, false},   // moved too far
      {u"Test", {12, 12}, 900, false},   // too slow
  };
  for (const auto& c : cases) {
    const Hwnd w = make(Rect::fromXywh(0, 0, 100, 100), 0, {}, WS_POPUP | WS_VISIBLE, c.cls);
    log.clear();
    mem->click({10, 10});
    mem->advance(c.gapMs);
    drain();
    mem->click(c.second);
    drain();
    EXPECT_EQ(last(w, WM_LBUTTONDBLCLK) != nullptr, c.doubleClick) << "gap " << c.gapMs;
    ui->DestroyWindow(w);
  }
}

TEST_F(CoreTest, CaptureTakesTheMouseOutsideAndLeaveWaitsForItsRelease) {
  const Hwnd a = make(Rect::fromXywh(0, 0, 100, 100));
  const Hwnd b = make(Rect::fromXywh(200, 0, 100, 100));
  mem->moveMouse({50, 50});
  drain();
  ASSERT_TRUE(ui->TrackMouseEvent(TME_LEAVE, a));
  ui->SetCapture(a);
  mem->moveMouse({250, 50});  // over b, but a holds the capture
  drain();
  const Logged* move = last(a, WM_MOUSEMOVE);
  ASSERT_NE(move, nullptr);
  EXPECT_EQ(xFromLParam(move->lp), 250);
  EXPECT_EQ(last(b, WM_MOUSEMOVE), nullptr);
  EXPECT_EQ(last(a, WM_MOUSELEAVE), nullptr);

  ui->ReleaseCapture();
  drain();
  EXPECT_NE(last(a, WM_CAPTURECHANGED), nullptr);
  EXPECT_NE(last(a, WM_MOUSELEAVE), nullptr);
  // The leave notification fires once; it has to be armed again.
  log.clear();
  mem->moveMouse({50, 50});
  mem->moveMouse({250, 50});
  drain();
  EXPECT_EQ(last(a, WM_MOUSELEAVE), nullptr);
  ui->TrackMouseEvent(TME_LEAVE, b);
  mem->moveMouse({50, 50});
  drain();
  EXPECT_NE(last(b, WM_MOUSELEAVE), nullptr);
}

TEST_F(CoreTest, FocusMovesWithKillBeforeSetAndKeysFollowIt) {
  const Hwnd top = make(Rect::fromXywh(0, 0, 200, 200));
  const Hwnd c1 = make(Rect::fromXywh(0, 0, 50, 50), 0, top, WS_CHILD | WS_VISIBLE);
  const Hwnd c2 = make(Rect::fromXywh(60, 0, 50, 50), 0, top, WS_CHILD | WS_VISIBLE);
  EXPECT_EQ(ui->GetActiveWindow(), top);
  ui->SetFocus(c1);
  log.clear();
  EXPECT_EQ(ui->SetFocus(c2), c1);
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].hwnd, c1);
  EXPECT_EQ(log[0].msg, WM_KILLFOCUS);
  EXPECT_EQ(log[1].hwnd, c2);
  EXPECT_EQ(log[1].msg, WM_SETFOCUS);

  mem->key('A', U'a', true);
  mem->key('A', 0, false);
  mem->key(0xE7, U'\U0001F600', true);  // a character beyond the BMP
  drain();
  EXPECT_EQ(messagesFor(c2, {WM_KEYDOWN, WM_CHAR, WM_KEYUP}),
            (std::vector<Message>{WM_KEYDOWN, WM_CHAR, WM_KEYUP, WM_KEYDOWN, WM_CHAR, WM_CHAR}));
  std::vector<WParam> chars;
  for (const auto& l : log)
    if (l.msg == WM_CHAR) chars.push_back(l.wp);
  EXPECT_EQ(chars, (std::vector<WParam>{u'a', 0xD83D, 0xDE00}));

  // Alt+key is a system key and its text a WM_SYSCHAR.
  log.clear();
  mem->key(VK_MENU, 0, true);
  mem->key('F', U'f', true);
  drain();
  EXPECT_EQ(messagesFor(c2, {WM_SYSKEYDOWN, WM_SYSCHAR, WM_CHAR}),
            (std::vector<Message>{WM_SYSKEYDOWN, WM_SYSKEYDOWN, WM_SYSCHAR}));

  // Deactivation takes the focus away.
  const Hwnd other = make(Rect::fromXywh(300, 0, 50, 50));
  EXPECT_EQ(ui->GetActiveWindow(), other);
  EXPECT_EQ(ui->GetFocus(), other);
  EXPECT_NE(last(c2, WM_KILLFOCUS), nullptr);
  EXPECT_EQ(last(top, WM_ACTIVATE)->wp, WA_INACTIVE);
}

TEST_F(CoreTest, LayeredWindowShapesFollowAlpha) {
  // A red outline with a transparent inside, as the selection frame draws it.
  gfx::Bitmap frame(40, 30);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x)
      if (x < 5 || y < 5 || x >= 35 || y >= 25) frame.setPixel(x, y, gfx::makeArgb(200, 255, 0, 0));
  frame.setPixel(20, 15, gfx::makeArgb(100, 0, 0, 255));  // faint pixel: catches the mouse, cut without compositing

  for (bool compositing : {true, false}) {
    mem->setCompositing(compositing);
    const Hwnd w = make(Rect::fromXywh(100, 100, 10, 10), WS_EX_LAYERED | WS_EX_TOPMOST);
    const Hwnd below = make(Rect::fromXywh(0, 0, 400, 400), 0, {}, WS_POPUP | WS_VISIBLE);
    ui->SetWindowPos(w, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ASSERT_TRUE(ui->UpdateLayeredWindow(w, Point{100, 100}, frame));
    Rect r;
    ui->GetWindowRect(w, r);
    EXPECT_EQ(r, Rect::fromXywh(100, 100, 40, 30));  // the picture sizes the window

    EXPECT_EQ(ui->WindowFromPoint({102, 102}), w);
    EXPECT_EQ(ui->WindowFromPoint({115, 112}), below);  // transparent inside
    EXPECT_EQ(ui->WindowFromPoint({120, 115}), w);      // alpha 100 still catches the mouse
    log.clear();
    mem->press({115, 112});
    mem->press({120, 115});
    drain();
    EXPECT_NE(last(below, WM_LBUTTONDOWN), nullptr);
    EXPECT_NE(last(w, WM_LBUTTONDOWN), nullptr);

    const MemoryWindow* shown = mem->window(mem->windowAt({102, 102}));
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->bounding.has_value(), !compositing);
    if (!compositing) {
      // Kept pixels are shown opaque; the faint one is cut.
      EXPECT_EQ(shown->pixels.pixel(2, 2), gfx::makeArgb(255, 255, 0, 0));
      bool faintShown = false;
      for (const auto& b : *shown->bounding) faintShown = faintShown || b.contains({20, 15});
      EXPECT_FALSE(faintShown);
    } else {
      EXPECT_EQ(gfx::alphaOf(shown->pixels.data()[2 * 40 + 2]), 200);
    }
    mem->release({120, 115});
    drain();
    ui->DestroyWindow(w);
    ui->DestroyWindow(below);
  }
}

TEST_F(CoreTest, OpaqueWindowRegionCutsCornersForShapeAndHits) {
  const Hwnd w = make(Rect::fromXywh(0, 0, 100, 60));
  ASSERT_TRUE(ui->SetWindowRgn(w, Region::roundRect(0, 0, 100, 60, 20, 20)));
  EXPECT_EQ(ui->WindowFromPoint({1, 1}), Hwnd{});
  EXPECT_EQ(ui->WindowFromPoint({50, 1}), w);
  const MemoryWindow* shown = mem->window(mem->windowAt({50, 30}));
  ASSERT_NE(shown, nullptr);
  ASSERT_TRUE(shown->bounding.has_value());
  int area = 0;
  for (const auto& r : *shown->bounding) area += r.width() * r.height();
  EXPECT_LT(area, 100 * 60);
  EXPECT_GT(area, 100 * 60 - 4 * 100);  // four corners of at most 10x10 each
}

TEST_F(CoreTest, HotKeysAreDeliveredRefusedAndReleased) {
  const Hwnd w = make(Rect::fromXywh(0, 0, 50, 50));
  const Hwnd other = make(Rect::fromXywh(100, 0, 50, 50));
  ASSERT_TRUE(ui->RegisterHotKey(w, 1, 0, VK_F1));
  EXPECT_FALSE(ui->RegisterHotKey(w, 1, MOD_CONTROL, 'X'));   // id taken on that window
  EXPECT_FALSE(ui->RegisterHotKey(other, 5, 0, VK_F1));       // key taken
  mem->refuseHotKey(MOD_ALT, VK_F12);
  EXPECT_FALSE(ui->RegisterHotKey(w, 2, MOD_ALT, VK_F12));    // held by another program

  ui->SetFocus(other);
  mem->pressHotKey(0, VK_F1);
  drain();
  const Logged* hk = last(w, WM_HOTKEY);
  ASSERT_NE(hk, nullptr);
  EXPECT_EQ(hk->wp, 1u);
  EXPECT_EQ(hiWord(static_cast<std::uintptr_t>(hk->lp)), static_cast<int>(VK_F1));
  EXPECT_EQ(last(other, WM_KEYDOWN), nullptr);

  ui->DestroyWindow(w);  // registrations die with the window
  EXPECT_FALSE(mem->hotKeyGrabbed(0, VK_F1));
  EXPECT_TRUE(ui->RegisterHotKey(other, 1, 0, VK_F1));
}

TEST_F(CoreTest, NotifyIconNeedsATrayAndReportsMouseToItsWindow) {
  const Hwnd w = make(Rect::fromXywh(0, 0, 50, 50));
  NotifyIconData nid{w, 1, NIF_MESSAGE | NIF_ICON | NIF_TIP, 20105, ui->CreateIcon(gfx::Bitmap(16, 16, 0xFF00FF00)),
                     u"MoroGIF"};
  mem->setTrayAvailable(false);
  EXPECT_FALSE(ui->Shell_NotifyIcon(NIM_ADD, nid));
  mem->setTrayAvailable(true);
  ASSERT_TRUE(ui->Shell_NotifyIcon(NIM_ADD, nid));
  EXPECT_FALSE(ui->Shell_NotifyIcon(NIM_ADD, nid));
  ASSERT_EQ(mem->trayIcons().size(), 1u);
  const auto trayId = mem->trayIcons().begin()->first;
  EXPECT_EQ(mem->trayIcons().begin()->second.tip, u"MoroGIF");

  mem->clickTray(trayId, WM_LBUTTONDOWN);
  drain();
  const Logged* n = last(w, 20105);
  ASSERT_NE(n, nullptr);
  EXPECT_EQ(n->lp, static_cast<LParam>(WM_LBUTTONDOWN));

  EXPECT_TRUE(ui->Shell_NotifyIcon(NIM_DELETE, nid));
  EXPECT_TRUE(mem->trayIcons().empty());
}

TEST_F(CoreTest, DestroyTakesOwnedWindowsFirstAndParentsBeforeChildren) {
  const Hwnd main = make(Rect::fromXywh(0, 0, 100, 100));
  const Hwnd child = make(Rect::fromXywh(0, 0, 10, 10), 0, main, WS_CHILD | WS_VISIBLE);
  const Hwnd owned = make(Rect::fromXywh(200, 0, 10, 10), 0, main);
  EXPECT_EQ(ui->GetParent(owned), main);
  EXPECT_EQ(ui->GetWindow(owned, GW_OWNER), main);
  ui->SetProp(main, "Qw_Wnd_Control", 1234);
  EXPECT_EQ(ui->GetProp(main, "Qw_Wnd_Control"), 1234);
  log.clear();
  ASSERT_TRUE(ui->DestroyWindow(main));
  std::vector<Hwnd> destroyed;
  for (const auto& l : log)
    if (l.msg == WM_DESTROY) destroyed.push_back(l.hwnd);
  EXPECT_EQ(destroyed, (std::vector<Hwnd>{owned, main, child}));
  for (Hwnd h : {main, child, owned}) EXPECT_FALSE(ui->IsWindow(h));
  EXPECT_EQ(ui->GetProp(main, "Qw_Wnd_Control"), 0);
  EXPECT_FALSE(ui->PostMessage(main, WM_USER, 0, 0));
}

TEST_F(CoreTest, CloseDestroysUnlessTheProcedureKeepsTheWindow) {
  const Hwnd w = make(Rect::fromXywh(0, 0, 10, 10));
  handlers[WM_CLOSE] = [](Hwnd, WParam, LParam) -> LResult { return 1; };
  ui->SendMessage(w, WM_CLOSE, 0, 0);
  EXPECT_TRUE(ui->IsWindow(w));
  handlers.erase(WM_CLOSE);
  ui->SendMessage(w, WM_CLOSE, 0, 0);
  EXPECT_FALSE(ui->IsWindow(w));
}

TEST_F(CoreTest, OtherThreadsPostAndSendThroughTheQueue) {
  const Hwnd w = make(Rect::fromXywh(0, 0, 10, 10));
  std::thread::id handledOn;
  handlers[20103] = [&](Hwnd, WParam wp, LParam) -> LResult {
    handledOn = std::this_thread::get_id();
    return static_cast<LResult>(wp * 2);
  };
  handlers[WM_USER] = [&](Hwnd, WParam, LParam) -> LResult {
    ui->PostQuitMessage(0);
    return 0;
  };
  std::atomic<LResult> sent{0};
  std::thread worker([&] {
    sent = ui->SendMessage(w, 20103, 21, 0);
    ui->PostMessage(w, WM_USER, 0, 0);
  });
  ui->RunMessageLoop();
  worker.join();
  EXPECT_EQ(sent.load(), 42);
  EXPECT_EQ(handledOn, std::this_thread::get_id());
}

TEST_F(CoreTest, WindowFromPointAndZOrderWalkSeeOtherProgramsWindows) {
  const NativeId foreign = mem->addForeignWindow(Rect::fromXywh(0, 0, 500, 500));
  const Hwnd small = make(Rect::fromXywh(10, 10, 50, 50));
  const Hwnd big = make(Rect::fromXywh(0, 0, 200, 200));
  ui->SetWindowPos(small, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(ui->WindowFromPoint({20, 20}), small);
  EXPECT_EQ(ui->WindowFromPoint({100, 100}), big);
  const Hwnd f = ui->WindowFromPoint({300, 300});
  EXPECT_TRUE(f.foreign());
  Rect r;
  ASSERT_TRUE(ui->GetWindowRect(f, r));
  EXPECT_EQ(r, Rect::fromXywh(0, 0, 500, 500));
  EXPECT_EQ(ui->GetWindow(small, GW_HWNDNEXT), big);
  EXPECT_EQ(ui->GetWindow(big, GW_HWNDNEXT), (Hwnd{foreign | Hwnd::kForeignBit}));
  EXPECT_EQ(ui->GetWindow(f, GW_HWNDNEXT), Hwnd{});
  EXPECT_TRUE(ui->IsWindowVisible(f));
  EXPECT_EQ(ui->GetParent(f), Hwnd{});
  // Topmost windows stay above normal ones brought to the top.
  const Hwnd pinned = make(Rect::fromXywh(0, 0, 30, 30), WS_EX_TOPMOST);
  ui->SetWindowPos(big, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(ui->WindowFromPoint({5, 5}), pinned);
}

TEST_F(CoreTest, MoveAndSizeReportOnlyChanges) {
  const Hwnd w = make(Rect::fromXywh(0, 0, 100, 100));
  log.clear();
  ui->MoveWindow(w, 10, 0, 100, 100);
  ui->MoveWindow(w, 10, 0, 120, 90);
  ui->MoveWindow(w, 10, 0, 120, 90);
  EXPECT_EQ(messagesFor(w, {WM_MOVE, WM_SIZE}), (std::vector<Message>{WM_MOVE, WM_SIZE}));
  EXPECT_EQ(loWord(static_cast<std::uintptr_t>(last(w, WM_SIZE)->lp)), 120);
  EXPECT_EQ(ui->ClientToScreen(w, {5, 5}), (Point{15, 5}));
}

TEST_F(CoreTest, ShellOpenAcceptsOnlyWebAddressesMailAndExistingFiles) {
  struct Case {
    std::string target;
    bool accepted;
  };
  const Case cases[] = {
      {"https://example.org/download", true},
      {"HTTP://example.org", true},
      {"mailto:someone@example.org", true},
      {MOROGIF_SOURCE_DIR "/CMakeLists.txt", true},
      {"ftp://example.org", false},
      {"javascript:alert(1)", false},
      {"https://example.org/a b", false},
      {"/no/such/file/anywhere", false},
      {"--help", false},
      {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(ui->ShellOpen(c.target), c.accepted) << c.target;
  EXPECT_EQ(mem->opened().size(), 4u);
}

}  // namespace
}  // namespace platform

namespace platform {
namespace {

TEST_F(CoreTest, CaptionDragMovesTheWindowUntilTheButtonComesUp) {
  const Hwnd w = make(Rect::fromXywh(100, 100, 200, 100));
  // As the engine starts a drag: a press on empty background becomes WM_NCLBUTTONDOWN with HTCAPTION.
  handlers[WM_LBUTTONDOWN] = [&](Hwnd h, WParam, LParam) -> LResult {
    ui->SendMessage(h, WM_NCLBUTTONDOWN, HTCAPTION, 0);
    return 0;
  };
  int ticks = 0;
  ui->SetTimer({}, 0, 20, [&](Hwnd, Message, std::uintptr_t, std::uint32_t) { ++ticks; });
  std::vector<Point> path{{160, 130}, {200, 180}, {260, 230}};
  std::size_t step = 0;
  mem->setIdleHook([&] {
    // The user moves while the modal move loop runs, taking a while, then lets go.
    mem->advance(30);
    if (step < path.size()) mem->moveMouse(path[step++]);
    else if (step++ == path.size()) mem->release(path.back());
  });
  mem->press({150, 120});
  drain();
  Msg m;
  while (ui->GetCapture() == w || step <= path.size()) {
    if (!ui->GetMessage(m)) break;
    ui->DispatchMessage(m);
  }
  mem->setIdleHook({});
  Rect r;
  ui->GetWindowRect(w, r);
  EXPECT_EQ(r, Rect::fromXywh(210, 210, 200, 100));  // grabbed 50,20 into the window
  EXPECT_EQ(ui->GetCapture(), Hwnd{});
  EXPECT_NE(last(w, WM_MOVE), nullptr);
  EXPECT_GT(ticks, 0);  // timers kept running inside the move loop
}

TEST_F(CoreTest, SizingFromTheBottomRightEdgeHonoursTheMinimumTrackSize) {
  const Hwnd w = make(Rect::fromXywh(100, 100, 200, 100));
  handlers[WM_GETMINMAXINFO] = [](Hwnd, WParam, LParam lp) -> LResult {
    reinterpret_cast<MinMaxInfo*>(lp)->minTrackSize = {150, 80};
    return 0;
  };
  std::vector<Point> path{{320, 220}, {150, 150}};
  std::size_t step = 0;
  mem->setIdleHook([&] {
    if (step < path.size()) mem->moveMouse(path[step++]);
    else if (step++ == path.size()) mem->release(path.back());
  });
  mem->moveMouse({299, 199});
  drain();
  constexpr WParam kBottomRight = 8;
  ui->SendMessage(w, WM_SYSCOMMAND, SC_SIZE | kBottomRight, 0);
  mem->setIdleHook({});
  Rect r;
  ui->GetWindowRect(w, r);
  EXPECT_EQ(r, Rect::fromXywh(100, 100, 150, 80));
  ASSERT_NE(last(w, WM_SIZE), nullptr);
}

TEST_F(CoreTest, WheelCarriesDeltaAndScreenPosition) {
  const Hwnd w = make(Rect::fromXywh(100, 100, 200, 100));
  mem->wheel({150, 130}, -WHEEL_DELTA);
  drain();
  const Logged* wheel = last(w, WM_MOUSEWHEEL);
  ASSERT_NE(wheel, nullptr);
  EXPECT_EQ(static_cast<std::int16_t>(hiWord(wheel->wp)), -WHEEL_DELTA);
  EXPECT_EQ(xFromLParam(wheel->lp), 150);  // screen coordinates, as Win32 gives them
  EXPECT_EQ(yFromLParam(wheel->lp), 130);
}

}  // namespace
}  // namespace platform
