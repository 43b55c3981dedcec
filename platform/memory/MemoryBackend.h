#pragma once
// An in-memory backend for unit tests: a virtual screen, a virtual clock that jumps instead of
// sleeping, and input that tests script. Mouse input goes where an X server would send it: to the
// pointer grab, else to the topmost visible window whose input shape holds the point.
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <vector>

#include "platform/Backend.h"

namespace platform {

struct MemoryWindow {
  NativeWindowParams params;
  Rect rect;
  bool visible = false;
  gfx::Bitmap pixels;  // the window's content as last presented
  std::optional<std::vector<Rect>> bounding;
  std::optional<std::vector<Rect>> input;
  PointerShape cursor;
  std::u16string title;
  int presents = 0;
};

class MemoryBackend : public Backend {
 public:
  explicit MemoryBackend(Size screen = {800, 600});

  // ---- scripting (tests)
  void inject(const BackendEvent& e);
  void moveMouse(Point p);
  void press(Point p, int button = 1);
  void release(Point p, int button = 1);
  void click(Point p, int button = 1);
  void wheel(Point p, int delta);
  // A key as the window system reports it: vk plus the text it makes (0 for none).
  void key(unsigned vk, char32_t character, bool down);
  // A grabbed combination becomes a HotKey event; anything else goes to the focus as a key.
  void pressHotKey(unsigned modifiers, unsigned vk);
  void focusIn(NativeId id);
  void focusOut(NativeId id);
  void clickTray(std::uint32_t trayId, Message mouseMessage);
  // Called when the loop would wait and nothing is scripted; it may inject more input.
  void setIdleHook(std::function<void()> hook) { idleHook_ = std::move(hook); }
  void advance(std::uint32_t ms) { now_ += ms; }
  void refuseHotKey(unsigned modifiers, unsigned vk) { refused_.insert({modifiers, vk}); }
  void setTrayAvailable(bool available) { trayAvailable_ = available; }
  void setCompositing(bool on) { compositing_ = on; }
  // Windows of other programs, stacked below ours (topmost first).
  NativeId addForeignWindow(const Rect& rect, bool visible = true);

  // ---- inspection
  gfx::Bitmap& screen() { return screen_; }
  const MemoryWindow* window(NativeId id) const;
  NativeId windowAt(Point p) const;
  NativeId pointerGrab() const { return grab_; }
  NativeId inputFocus() const { return focus_; }
  const std::vector<NativeId>& stacking() const { return stacking_; }
  bool hotKeyGrabbed(unsigned modifiers, unsigned vk) const { return grabbed_.contains({modifiers, vk}); }
  struct TrayEntry {
    gfx::Bitmap icon;
    std::u16string tip;
  };
  const std::map<std::uint32_t, TrayEntry>& trayIcons() const { return tray_; }
  const std::vector<std::string>& opened() const { return opened_; }
  int beeps() const { return beeps_; }

  // ---- Backend
  NativeId createWindow(const NativeWindowParams& params) override;
  void destroyWindow(NativeId id) override;
  void setWindowRect(NativeId id, const Rect& rect) override;
  void setWindowVisible(NativeId id, bool visible) override;
  void setWindowTitle(NativeId id, const std::u16string& title) override;
  void restack(const std::vector<NativeId>& topFirst) override;
  void present(NativeId id, const gfx::Bitmap& pixels, const Rect& dirty) override;
  void setShape(NativeId id, const std::optional<std::vector<Rect>>& bounding,
                const std::optional<std::vector<Rect>>& input) override;
  void setIcon(NativeId, const gfx::Bitmap&) override {}
  void setCursor(NativeId id, const PointerShape& shape) override;
  bool compositing() const override { return compositing_; }
  void pollEvents(std::vector<BackendEvent>& out, std::optional<std::chrono::milliseconds> timeout) override;
  void wake() override;
  std::uint32_t nowMs() const override { return now_; }
  void grabPointer(NativeId id) override { grab_ = id; }
  void setInputFocus(NativeId id) override { focus_ = id; }
  Point cursorPos() const override { return pointer_; }
  void setCursorPos(Point p) override { pointer_ = p; }
  bool keyDown(unsigned vk) const override { return down_.contains(vk); }
  bool grabHotKey(unsigned modifiers, unsigned vk) override;
  void ungrabHotKey(unsigned modifiers, unsigned vk) override { grabbed_.erase({modifiers, vk}); }
  Size screenSize() const override { return {screen_.width(), screen_.height()}; }
  Rect workArea() const override { return {0, 0, screen_.width(), screen_.height()}; }
  gfx::Bitmap grabScreen(const Rect& rect) override;
  std::vector<DesktopWindow> desktopWindows() const override;
  bool trayAdd(std::uint32_t trayId, const gfx::Bitmap& icon, const std::u16string& tip) override;
  bool trayModify(std::uint32_t trayId, const gfx::Bitmap& icon, const std::u16string& tip) override;
  void trayRemove(std::uint32_t trayId) override { tray_.erase(trayId); }
  void setClipboardText(const std::u16string& text) override { clipboard_ = text; }
  std::optional<std::u16string> clipboardText() override { return clipboard_; }
  void beep() override { ++beeps_; }
  bool openExternal(const std::string& target) override;

 private:
  static constexpr std::uint32_t kStartTime = 1000;
  bool inInputShape(const MemoryWindow& w, Point p) const;

  gfx::Bitmap screen_;
  std::map<NativeId, MemoryWindow> windows_;
  std::vector<NativeId> stacking_;  // ours, topmost first
  std::vector<std::pair<NativeId, DesktopWindow>> foreign_;
  NativeId nextId_ = 100;
  std::uint32_t now_ = kStartTime;
  NativeId grab_ = 0;
  NativeId focus_ = 0;
  Point pointer_;
  std::set<unsigned> down_;
  std::set<std::pair<unsigned, unsigned>> grabbed_;
  std::set<std::pair<unsigned, unsigned>> refused_;
  unsigned modifiers_ = 0;
  bool trayAvailable_ = true;
  bool compositing_ = true;
  std::map<std::uint32_t, TrayEntry> tray_;
  std::optional<std::u16string> clipboard_;
  std::vector<std::string> opened_;
  int beeps_ = 0;
  std::function<void()> idleHook_;

  std::mutex mutex_;
  std::condition_variable wakeup_;
  std::deque<BackendEvent> pending_;
  bool woken_ = false;
};

}  // namespace platform
