#pragma once
// The one seam between the portable windowing core and the system underneath it. The core keeps every
// piece of Win32-like state (window tree, queue, timers, capture, focus, hot-key table); a backend
// only shows native windows, reports raw input and answers questions about the screen. Two exist:
// platform/x11 (a real X server) and platform/memory (deterministic, scripted, for unit tests).
//
// Threading: every hook runs on the UI thread except wake(), which any thread may call.
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "gfx/Bitmap.h"
#include "platform/Types.h"

namespace platform {

using NativeId = std::uint64_t;  // a backend's own window id; 0 = none

struct NativeWindowParams {
  Rect rect;               // screen rectangle (for a child: relative to the parent's client area)
  NativeId parent = 0;     // native parent of a child window, else 0
  NativeId owner = 0;      // native owner of an owned top-level window, else 0
  bool layered = false;    // shows per-pixel alpha (WS_EX_LAYERED)
  bool topmost = false;
  bool toolWindow = false; // kept off the task bar
  bool popup = false;      // no frame of the window manager
  std::u16string title;
};

// What a backend reports. Positions are screen coordinates.
struct BackendEvent {
  enum class Kind {
    MouseMove,
    ButtonDown,   // button: 1 left, 2 middle, 3 right
    ButtonUp,
    Wheel,        // delta: multiples of WHEEL_DELTA, positive away from the user
    PointerLeft,  // the pointer left `window`
    KeyDown,      // vk, character (0 when the key makes no text), repeat
    KeyUp,
    FocusGained,  // the window system gave `window` the keyboard focus
    FocusLost,
    Exposed,      // part of `window` must be drawn again
    Configure,    // the window system moved or resized `window` (rect = new screen rectangle)
    CloseRequest, // the user asked the window manager to close `window`
    HotKey,       // a grabbed key combination: vk, modifiers (MOD_*)
    TrayMouse,    // mouse message (WM_*) on the tray icon `trayId`
  };
  Kind kind = Kind::MouseMove;
  NativeId window = 0;
  std::uint32_t time = 0;  // when it happened, on the nowMs() clock; 0 = when it is handled
  Point pos;
  int button = 0;
  int delta = 0;
  unsigned vk = 0;
  unsigned modifiers = 0;
  char32_t character = 0;
  bool repeat = false;
  Rect rect;
  std::uint32_t trayId = 0;
  Message trayMessage = 0;
};

// The picture of a cursor: a system cursor by its IDC_* number, or a bitmap with a hot spot.
struct PointerShape {
  unsigned systemId = 0;  // non-zero: a system cursor
  gfx::Bitmap image;      // otherwise this picture (straight alpha through Bitmap::pixel)
  Point hotSpot;
};

// A window of the whole desktop as the window system stacks it (ours included).
struct DesktopWindow {
  NativeId id = 0;
  Rect rect;        // outer rectangle including any frame the window manager drew
  bool visible = false;
};

class Backend {
 public:
  virtual ~Backend() = default;

  // --- native windows
  virtual NativeId createWindow(const NativeWindowParams& params) = 0;
  virtual void destroyWindow(NativeId id) = 0;
  virtual void setWindowRect(NativeId id, const Rect& rect) = 0;
  virtual void setWindowVisible(NativeId id, bool visible) = 0;
  virtual void setWindowTitle(NativeId id, const std::u16string& title) = 0;
  // Top-level windows in z-order, topmost first (ours only).
  virtual void restack(const std::vector<NativeId>& topFirst) = 0;
  // Shows the window's content: a premultiplied ARGB picture of the window's size.
  virtual void present(NativeId id, const gfx::Bitmap& pixels, const Rect& dirty) = 0;
  // Visible shape and input shape as lists of rectangles in window coordinates; nullopt = whole window.
  virtual void setShape(NativeId id, const std::optional<std::vector<Rect>>& bounding,
                        const std::optional<std::vector<Rect>>& input) = 0;
  virtual void setIcon(NativeId id, const gfx::Bitmap& icon) = 0;
  virtual void setCursor(NativeId id, const PointerShape& shape) = 0;
  // True when windows show real per-pixel alpha (a compositing manager runs).
  virtual bool compositing() const = 0;

  // --- input
  // Collects what happened; waits up to `timeout` (nullopt: until something happens or wake()).
  virtual void pollEvents(std::vector<BackendEvent>& out, std::optional<std::chrono::milliseconds> timeout) = 0;
  virtual void wake() = 0;
  virtual std::uint32_t nowMs() const = 0;
  virtual void grabPointer(NativeId id) = 0;  // 0 releases
  virtual void setInputFocus(NativeId id) = 0;
  virtual Point cursorPos() const = 0;
  virtual void setCursorPos(Point p) = 0;
  virtual bool keyDown(unsigned vk) const = 0;
  virtual bool grabHotKey(unsigned modifiers, unsigned vk) = 0;
  virtual void ungrabHotKey(unsigned modifiers, unsigned vk) = 0;

  // --- screen and desktop
  virtual Size screenSize() const = 0;
  virtual Rect workArea() const = 0;
  virtual gfx::Bitmap grabScreen(const Rect& rect) = 0;  // opaque pixels; empty on failure
  virtual std::vector<DesktopWindow> desktopWindows() const = 0;  // topmost first

  // --- shell services
  virtual bool trayAdd(std::uint32_t trayId, const gfx::Bitmap& icon, const std::u16string& tip) = 0;
  virtual bool trayModify(std::uint32_t trayId, const gfx::Bitmap& icon, const std::u16string& tip) = 0;
  virtual void trayRemove(std::uint32_t trayId) = 0;
  virtual void setClipboardText(const std::u16string& text) = 0;
  virtual std::optional<std::u16string> clipboardText() = 0;
  virtual void beep() = 0;
  virtual bool openExternal(const std::string& target) = 0;  // already validated by the core
};

}  // namespace platform
