// The tooltip window on the in-memory backend: it appears after the initial delay while the pointer
// rests on a tool, follows text updates, and goes on leaving, on TTM_POP and after the automatic pop.
#include <gtest/gtest.h>

#include "platform/TooltipWindow.h"
#include "platform/memory/MemoryBackend.h"

namespace platform {
namespace {

class TooltipTest : public ::testing::Test {
 protected:
  TooltipTest() {
    auto backend = std::make_unique<MemoryBackend>(Size{800, 600});
    mem = backend.get();
    ui = std::make_unique<Platform>(std::move(backend));
    ui->RegisterClass({u"Host", 0, {}, 0});
    EXPECT_TRUE(TooltipWindow::registerClass(*ui));
    host = ui->CreateWindowEx(0, u"Host", u"", WS_POPUP | WS_VISIBLE, 100, 100, 200, 100, {});
    tip = ui->CreateWindowEx(WS_EX_TOPMOST, TooltipWindow::kClassName, u"", WS_POPUP, 0, 0, 0, 0, host);
    ToolInfo tool{0, host, 7, Rect::fromXywh(10, 10, 50, 30), "开始录制(F1)"};
    ui->SendMessage(tip, TTM_ADDTOOLA, 0, reinterpret_cast<LParam>(&tool));
  }
  // Lets `ms` of virtual time pass with the message loop running.
  void runFor(std::uint32_t ms) {
    for (std::uint32_t t = 0; t < ms; t += 10) {
      Msg m;
      while (ui->PeekMessage(m, {}, 0, 0, PM_REMOVE)) ui->DispatchMessage(m);
      mem->advance(10);
    }
  }
  Rect tipRect() {
    Rect r;
    ui->GetWindowRect(tip, r);
    return r;
  }

  MemoryBackend* mem = nullptr;
  std::unique_ptr<Platform> ui;
  Hwnd host;
  Hwnd tip;
};

TEST_F(TooltipTest, ShowsAfterTheInitialDelayBelowThePointerWithTheTextDrawn) {
  mem->moveMouse({120, 120});
  runFor(300);
  EXPECT_FALSE(ui->IsWindowVisible(tip));
  runFor(400);
  ASSERT_TRUE(ui->IsWindowVisible(tip));
  EXPECT_EQ(tipRect().left, 120);
  EXPECT_GT(tipRect().top, 120);
  // Dark text pixels on the light background.
  const MemoryWindow* shown = mem->window(mem->windowAt({tipRect().left + 2, tipRect().top + 2}));
  ASSERT_NE(shown, nullptr);
  int dark = 0;
  for (int y = 0; y < shown->pixels.height(); ++y)
    for (int x = 0; x < shown->pixels.width(); ++x) dark += gfx::redOf(shown->pixels.pixel(x, y)) < 64 ? 1 : 0;
  EXPECT_GT(dark, 10);

  // A longer text while shown widens the tip at once.
  const int before = tipRect().width();
  ToolInfo longer{0, host, 7, {}, "开始录制(F1) 开始录制(F1) 开始录制(F1)"};
  ui->SendMessage(tip, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LParam>(&longer));
  EXPECT_GT(tipRect().width(), before);
}

TEST_F(TooltipTest, HidesOnLeavingOnPopAndAfterTheAutomaticPop) {
  mem->moveMouse({120, 120});
  runFor(700);
  ASSERT_TRUE(ui->IsWindowVisible(tip));
  mem->moveMouse({250, 180});  // on the host, outside the tool
  runFor(100);
  EXPECT_FALSE(ui->IsWindowVisible(tip));

  mem->moveMouse({120, 120});
  runFor(700);
  ASSERT_TRUE(ui->IsWindowVisible(tip));
  ui->SendMessage(tip, TTM_POP, 0, 0);
  EXPECT_FALSE(ui->IsWindowVisible(tip));
  runFor(1000);
  EXPECT_FALSE(ui->IsWindowVisible(tip));  // popped stays popped while the pointer rests

  mem->moveMouse({250, 180});
  runFor(100);
  mem->moveMouse({121, 121});
  ui->SendMessage(tip, TTM_SETDELAYTIME, TTDT_AUTOPOP, 1000);
  runFor(700);
  ASSERT_TRUE(ui->IsWindowVisible(tip));
  runFor(1100);
  EXPECT_FALSE(ui->IsWindowVisible(tip));
}

TEST_F(TooltipTest, ToolsOfCoveredWindowsStayQuiet) {
  ui->RegisterClass({u"Cover", 0, {}, 0});
  ui->CreateWindowEx(0, u"Cover", u"", WS_POPUP | WS_VISIBLE, 100, 100, 100, 100, {});
  mem->moveMouse({120, 120});
  runFor(1000);
  EXPECT_FALSE(ui->IsWindowVisible(tip));
}

}  // namespace
}  // namespace platform
