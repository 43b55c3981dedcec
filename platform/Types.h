#pragma once
// Value types shared by the windowing core, its backends and its callers: window handles, message
// parameters, points and rectangles, the message record and the procedure types.
#include <compare>
#include <cstdint>
#include <functional>

namespace platform {

using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using LResult = std::intptr_t;
using Message = std::uint32_t;

// A window handle. Our own windows get small numbers from the core; windows of other programs on the
// desktop (returned by WindowFromPoint and the z-order walk) carry kForeignBit and the backend's id.
struct Hwnd {
  std::uint64_t value = 0;
  static constexpr std::uint64_t kForeignBit = 1ULL << 63;

  constexpr explicit operator bool() const { return value != 0; }
  constexpr bool foreign() const { return (value & kForeignBit) != 0; }
  friend constexpr auto operator<=>(const Hwnd&, const Hwnd&) = default;
};

struct Point {
  int x = 0;
  int y = 0;
  friend constexpr bool operator==(const Point&, const Point&) = default;
};

struct Size {
  int width = 0;
  int height = 0;
  friend constexpr bool operator==(const Size&, const Size&) = default;
};

// right and bottom are exclusive, as everywhere in the program.
struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  static constexpr Rect fromXywh(int x, int y, int w, int h) { return {x, y, x + w, y + h}; }
  constexpr int width() const { return right - left; }
  constexpr int height() const { return bottom - top; }
  constexpr bool empty() const { return right <= left || bottom <= top; }
  constexpr bool contains(Point p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
  constexpr Rect intersect(const Rect& o) const {
    Rect r{left > o.left ? left : o.left, top > o.top ? top : o.top, right < o.right ? right : o.right,
           bottom < o.bottom ? bottom : o.bottom};
    return r.empty() ? Rect{} : r;
  }
  constexpr Rect offset(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
  friend constexpr bool operator==(const Rect&, const Rect&) = default;
};

// One queued message. `character` is our addition: the text a key press produced (a Unicode code
// point, 0 for none); TranslateMessage turns it into WM_CHAR / WM_SYSCHAR. Win32 asks the keyboard
// layout instead.
struct Msg {
  Hwnd hwnd;
  Message message = 0;
  WParam wParam = 0;
  LParam lParam = 0;
  std::uint32_t time = 0;  // milliseconds of the platform clock
  Point pt;                // cursor position in screen coordinates when the message was queued
  char32_t character = 0;
};

using WndProc = std::function<LResult(Hwnd, Message, WParam, LParam)>;
// Timer callback: (window or null, WM_TIMER, timer id, time in ms).
using TimerProc = std::function<void(Hwnd, Message, std::uintptr_t, std::uint32_t)>;

// Word packing as Win32 does it for mouse coordinates and hot-key parameters.
constexpr LParam makeLParam(int low, int high) {
  return static_cast<LParam>(static_cast<std::uint32_t>((static_cast<std::uint32_t>(low) & 0xFFFFu) |
                                                        (static_cast<std::uint32_t>(high) & 0xFFFFu) << 16));
}
constexpr int loWord(std::uintptr_t v) { return static_cast<int>(v & 0xFFFFu); }
constexpr int hiWord(std::uintptr_t v) { return static_cast<int>((v >> 16) & 0xFFFFu); }
// Signed coordinates out of a mouse message's lparam (GET_X_LPARAM / GET_Y_LPARAM).
constexpr int xFromLParam(LParam lp) { return static_cast<std::int16_t>(lp & 0xFFFF); }
constexpr int yFromLParam(LParam lp) { return static_cast<std::int16_t>((lp >> 16) & 0xFFFF); }

}  // namespace platform
