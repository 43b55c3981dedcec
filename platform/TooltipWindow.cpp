#include "platform/TooltipWindow.h"

#include <algorithm>
#include <map>
#include <memory>
#include <vector>

#include "gfx/Font.h"
#include "gfx/Graphics.h"
#include "gfx/Pen.h"
#include "gfx/SolidBrush.h"

namespace platform {
namespace {

constexpr std::uintptr_t kWatchTimer = 1;
constexpr std::uint32_t kWatchMs = 50;
constexpr std::uint32_t kDefaultInitialMs = 500;
constexpr std::uint32_t kAutoPopFactor = 10;  // Win32: automatic pop after ten initial delays
constexpr int kPadding = 4;
constexpr int kOffsetBelowPointer = 20;
constexpr float kFontPx = 12.0f;
constexpr int kDefaultMaxWidth = 1024;
constexpr gfx::Argb kBackground = gfx::makeArgb(255, 0xFF, 0xFF, 0xE1);
constexpr gfx::Argb kBorder = gfx::makeArgb(255, 0x76, 0x76, 0x76);
constexpr gfx::Argb kText = gfx::makeArgb(255, 0, 0, 0);

struct TipState {
  std::vector<ToolInfo> tools;
  std::string title;
  int maxWidth = kDefaultMaxWidth;
  std::uint32_t initialMs = kDefaultInitialMs;
  std::uint32_t autoPopMs = kDefaultInitialMs * kAutoPopFactor;
  bool active = true;
  // The tool under the pointer and since when; whether its tip is shown or was popped.
  std::optional<std::size_t> hovered;
  std::uint32_t hoverSince = 0;
  std::uint32_t shownSince = 0;
  bool shown = false;
  bool popped = false;
};

class TooltipClass {
 public:
  LResult proc(Platform& ui, Hwnd h, Message m, WParam wp, LParam lp) {
    switch (m) {
      case WM_CREATE:
        states_[h.value] = std::make_unique<TipState>();
        ui.SetTimer(h, kWatchTimer, kWatchMs);
        return 0;
      case WM_DESTROY:
        states_.erase(h.value);
        return 0;
      default:
        break;
    }
    auto it = states_.find(h.value);
    if (it == states_.end()) return ui.DefWindowProc(h, m, wp, lp);
    TipState& s = *it->second;
    const auto* info = reinterpret_cast<const ToolInfo*>(lp);
    auto findTool = [&](const ToolInfo* t) {
      return std::find_if(s.tools.begin(), s.tools.end(),
                          [&](const ToolInfo& x) { return t && x.hwnd == t->hwnd && x.id == t->id; });
    };
    switch (m) {
      case TTM_ADDTOOLA:
        if (!info) return 0;
        if (auto t = findTool(info); t != s.tools.end()) *t = *info;
        else s.tools.push_back(*info);
        return 1;
      case TTM_DELTOOLA:
        if (auto t = findTool(info); t != s.tools.end()) {
          hide(ui, h, s);
          s.tools.erase(t);
          s.hovered.reset();
        }
        return 0;
      case TTM_NEWTOOLRECTA:
        if (auto t = findTool(info); t != s.tools.end()) t->rect = info->rect;
        return 0;
      case TTM_UPDATETIPTEXTA:
        if (auto t = findTool(info); t != s.tools.end()) {
          t->text = info->text;
          s.popped = false;
          if (s.shown && s.hovered && *s.hovered == static_cast<std::size_t>(t - s.tools.begin())) show(ui, h, s);
        }
        return 0;
      case TTM_SETTITLEA:
        s.title = lp ? reinterpret_cast<const char*>(lp) : "";
        return 1;
      case TTM_SETMAXTIPWIDTH: {
        const int old = s.maxWidth;
        s.maxWidth = lp > 0 ? static_cast<int>(lp) : kDefaultMaxWidth;
        return old;
      }
      case TTM_SETDELAYTIME: {
        const bool reset = lp < 0;
        const auto ms = static_cast<std::uint32_t>(reset ? kDefaultInitialMs : lp);
        if (wp == TTDT_AUTOMATIC) {
          s.initialMs = ms;
          s.autoPopMs = ms * kAutoPopFactor;
        } else if (wp == TTDT_INITIAL) {
          s.initialMs = ms;
        } else if (wp == TTDT_AUTOPOP) {
          s.autoPopMs = reset ? s.initialMs * kAutoPopFactor : ms;
        }
        return 0;
      }
      case TTM_POP:
        hide(ui, h, s);
        s.popped = true;
        return 0;
      case TTM_ACTIVATE:
        s.active = wp != 0;
        if (!s.active) hide(ui, h, s);
        return 0;
      case WM_TIMER:
        if (wp == kWatchTimer) watch(ui, h, s);
        return 0;
      default:
        return ui.DefWindowProc(h, m, wp, lp);
    }
  }

 private:
  // Which tool the pointer rests on: its window must be the one under the pointer.
  std::optional<std::size_t> toolAt(Platform& ui, const TipState& s, Point p) {
    const Hwnd under = ui.WindowFromPoint(p);
    for (std::size_t i = 0; i < s.tools.size(); ++i) {
      const ToolInfo& t = s.tools[i];
      if (t.text.empty() || t.hwnd != under) continue;
      if (t.rect.contains(ui.ScreenToClient(t.hwnd, p))) return i;
    }
    return std::nullopt;
  }

  void watch(Platform& ui, Hwnd h, TipState& s) {
    if (!s.active) return;
    Point p;
    ui.GetCursorPos(p);
    const std::uint32_t now = ui.backend().nowMs();
    const auto tool = toolAt(ui, s, p);
    if (tool != s.hovered) {
      hide(ui, h, s);
      s.hovered = tool;
      s.hoverSince = now;
      s.popped = false;
      return;
    }
    if (!tool) return;
    if (!s.shown && !s.popped && now - s.hoverSince >= s.initialMs) {
      show(ui, h, s);
      s.shownSince = now;
    } else if (s.shown && now - s.shownSince >= s.autoPopMs) {
      hide(ui, h, s);
      s.popped = true;
    }
  }

  void show(Platform& ui, Hwnd h, TipState& s) {
    const ToolInfo& t = s.tools[*s.hovered];
    const gfx::Font font("宋体", kFontPx);
    const gfx::Font bold("宋体", kFontPx, gfx::FontStyle::Bold);
    gfx::Bitmap probe(1, 1);
    gfx::RectF textBox;
    gfx::RectF titleBox;
    {
      gfx::Graphics g(probe);
      const gfx::RectF layout{0, 0, static_cast<float>(s.maxWidth), 4096};
      textBox = g.measureString(t.text, font, layout, nullptr);
      if (!s.title.empty()) titleBox = g.measureString(s.title, bold, layout, nullptr);
    }
    const int width = static_cast<int>(std::max(textBox.width, titleBox.width)) + 2 * kPadding + 1;
    const int height = static_cast<int>(textBox.height + titleBox.height) + 2 * kPadding + 1;
    gfx::Bitmap tip(width, height, kBackground);
    {
      gfx::Graphics g(tip);
      g.drawRectangle(gfx::Pen(kBorder, 1.0f), {0, 0, static_cast<float>(width - 1), static_cast<float>(height - 1)});
      const gfx::SolidBrush ink(kText);
      float y = kPadding;
      if (!s.title.empty()) {
        g.drawString(s.title, bold, {float(kPadding), y, titleBox.width + 1, titleBox.height + 1}, nullptr, ink);
        y += titleBox.height;
      }
      g.drawString(t.text, font, {float(kPadding), y, textBox.width + 1, textBox.height + 1}, nullptr, ink);
    }
    Point p;
    ui.GetCursorPos(p);
    ui.UpdateLayeredWindow(h, Point{p.x, p.y + kOffsetBelowPointer}, tip);
    ui.SetWindowPos(h, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ui.ShowWindow(h, SW_SHOWNA);
    s.shown = true;
  }

  void hide(Platform& ui, Hwnd h, TipState& s) {
    if (!s.shown) return;
    ui.ShowWindow(h, SW_HIDE);
    s.shown = false;
  }

  std::map<std::uint64_t, std::unique_ptr<TipState>> states_;
};

}  // namespace

bool TooltipWindow::registerClass(Platform& ui) {
  WindowClass cls;
  cls.name = std::u16string(kClassName);
  cls.exStyle = WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE;
  auto tips = std::make_shared<TooltipClass>();
  Platform* owner = &ui;
  cls.proc = [tips, owner](Hwnd h, Message m, WParam wp, LParam lp) { return tips->proc(*owner, h, m, wp, lp); };
  return ui.RegisterClass(cls);
}

}  // namespace platform
