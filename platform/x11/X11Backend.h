#pragma once
// The X11 backend: Xlib windows on a 32-bit ARGB visual (real alpha under a compositing manager,
// shapes without one), XShm screen grabs, XShape, Xcursor, XRandR, key grabs on the root for hot keys
// and the XEmbed system tray.
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/Backend.h"

// Xlib's headers define macros (FocusIn, Expose, None, ...) that clash with ordinary names, so they
// stay out of our headers; X ids are unsigned longs.
struct _XDisplay;
struct _XGC;
union _XEvent;

namespace platform {

class X11Tray;
using XId = unsigned long;

class X11Backend : public Backend {
 public:
  // Connects to `display` (nullptr: $DISPLAY). Null with a reason when there is no X server.
  static std::unique_ptr<X11Backend> open(const char* display, std::string* error);
  ~X11Backend() override;
  X11Backend(const X11Backend&) = delete;
  X11Backend& operator=(const X11Backend&) = delete;

  _XDisplay* display() const { return dpy_; }
  // The X window of a native id (they are the same number); for tests that inspect the server.
  static XId xwindow(NativeId id) { return static_cast<XId>(id); }

  NativeId createWindow(const NativeWindowParams& params) override;
  void destroyWindow(NativeId id) override;
  void setWindowRect(NativeId id, const Rect& rect) override;
  void setWindowVisible(NativeId id, bool visible) override;
  void setWindowTitle(NativeId id, const std::u16string& title) override;
  void restack(const std::vector<NativeId>& topFirst) override;
  void present(NativeId id, const gfx::Bitmap& pixels, const Rect& dirty) override;
  void setShape(NativeId id, const std::optional<std::vector<Rect>>& bounding,
                const std::optional<std::vector<Rect>>& input) override;
  void setIcon(NativeId id, const gfx::Bitmap& icon) override;
  void setCursor(NativeId id, const PointerShape& shape) override;
  bool compositing() const override;

  void pollEvents(std::vector<BackendEvent>& out, std::optional<std::chrono::milliseconds> timeout) override;
  void wake() override;
  std::uint32_t nowMs() const override;
  void grabPointer(NativeId id) override;
  void setInputFocus(NativeId id) override;
  Point cursorPos() const override;
  void setCursorPos(Point p) override;
  bool keyDown(unsigned vk) const override;
  bool grabHotKey(unsigned modifiers, unsigned vk) override;
  void ungrabHotKey(unsigned modifiers, unsigned vk) override;

  Size screenSize() const override;
  Rect workArea() const override;
  gfx::Bitmap grabScreen(const Rect& rect) override;
  std::vector<DesktopWindow> desktopWindows() const override;

  bool trayAdd(std::uint32_t trayId, const gfx::Bitmap& icon, const std::u16string& tip) override;
  bool trayModify(std::uint32_t trayId, const gfx::Bitmap& icon, const std::u16string& tip) override;
  void trayRemove(std::uint32_t trayId) override;
  void setClipboardText(const std::u16string& text) override;
  std::optional<std::u16string> clipboardText() override;
  void beep() override;
  bool openExternal(const std::string& target) override;

 private:
  struct NativeWindow {
    XId window = 0;
    XId backing = 0;  // the window's background: the server repaints exposures from it
    Size size;
    bool managed = false;  // handed to the window manager (else override-redirect)
    bool mapped = false;
    bool topLevel = true;
    XId cursor = 0;
    // Without a compositing manager a cut-away shape also cuts the input shape, so an invisible
    // window could not catch the mouse; an input-only window just above it catches it instead.
    XId inputProxy = 0;
    Rect rect;
  };
  struct ShmGrab;

  explicit X11Backend(_XDisplay* dpy);
  void translate(_XEvent& ev, std::vector<BackendEvent>& out);
  void answerSelectionRequest(const _XEvent& request);
  XId cursorFor(const PointerShape& shape);
  void resizeBacking(NativeWindow& w, Size size);
  unsigned modifiersFromState(unsigned state) const;
  void reapChildren();
  void setInputProxy(NativeWindow& w, bool wanted);
  XId atom(const char* name) const;
  bool sync();  // XSync; false when an X error came back since the last call
  struct PointerState {
    Point pos;
    unsigned mask = 0;  // X button and modifier state
  };
  PointerState queryPointer() const;

  _XDisplay* dpy_ = nullptr;
  int screen_ = 0;
  XId root_ = 0;
  void* visual_ = nullptr;  // the 32-bit ARGB Visual
  XId colormap_ = 0;
  int depth_ = 32;
  int randrEvent_ = -1;
  _XGC* gc_ = nullptr;
  int wakePipe_[2] = {-1, -1};
  std::map<NativeId, NativeWindow> windows_;
  std::map<XId, NativeId> proxies_;  // input proxy -> the window it serves
  std::map<unsigned, XId> systemCursors_;
  std::map<std::size_t, XId> imageCursors_;
  std::set<std::pair<unsigned, unsigned>> hotKeys_;
  std::unique_ptr<ShmGrab> shm_;
  std::unique_ptr<X11Tray> tray_;
  XId clipboardOwner_ = 0;
  std::optional<std::string> clipboardUtf8_;
  std::vector<int> children_;  // processes started by openExternal, reaped later
  XId grabbed_ = 0;
};

}  // namespace platform
