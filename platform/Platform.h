#pragma once
// The windowing core: the small subset of the Win32 user interface that the program calls, written once
// over a Backend (X11 or in-memory). The call names and message numbers are those of Win32 so the
// rest of the program keeps its protocol; each call says where it differs from Win32.
//
// Threads: windows belong to the thread that made the Platform (the UI thread). Other threads may
// only PostMessage / SendMessage / PostQuitMessage-by-posting to it.
#include <array>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "gfx/Bitmap.h"
#include "platform/Backend.h"
#include "platform/Messages.h"
#include "platform/Region.h"
#include "platform/Types.h"

namespace platform {

using HCursor = std::uintptr_t;  // a system cursor's handle is its IDC_* number
using HIcon = std::intptr_t;     // 0 = none

struct WindowClass {
  std::u16string name;
  std::uint32_t style = 0;  // CS_DBLCLKS is the only class style looked at
  WndProc proc;             // empty: DefWindowProc
  HCursor cursor = 0;       // 0: the arrow
  // Our addition: extended styles every window of the class gets (the tooltip class makes its
  // windows layered tool windows, which Win32 decides inside its own class).
  std::uint32_t exStyle = 0;
};

struct NotifyIconData {
  Hwnd hwnd;
  std::uint32_t id = 0;
  unsigned flags = 0;  // NIF_*
  Message callbackMessage = 0;
  HIcon icon = 0;
  std::u16string tip;
};

struct PaintInfo {
  Rect update;  // client coordinates; empty when nothing was invalid
};

class Platform {
 public:
  explicit Platform(std::unique_ptr<Backend> backend);
  ~Platform();
  Platform(const Platform&) = delete;
  Platform& operator=(const Platform&) = delete;

  // The Platform of this process (the last one made and still alive); asserts that one exists.
  static Platform& current();
  static bool exists();
  Backend& backend() { return *backend_; }

  // ---- window classes and windows
  bool RegisterClass(const WindowClass& cls);
  // Children (WS_CHILD) get `parent` as parent, other windows take it as owner. Our windows have no
  // non-client area: the window rectangle is the client rectangle. WM_CREATE is followed by WM_SIZE
  // and WM_MOVE, as DefWindowProc's WM_WINDOWPOSCHANGED would send them.
  Hwnd CreateWindowEx(std::uint32_t exStyle, std::u16string_view className, std::u16string_view title,
                      std::uint32_t style, int x, int y, int width, int height, Hwnd parent);
  // Destroys owned windows and children first; each gets WM_DESTROY.
  bool DestroyWindow(Hwnd hwnd);
  bool IsWindow(Hwnd hwnd) const;
  // Returns whether the window was visible before. Windows never minimise: SW_MINIMIZE hides and
  // SW_SHOWMAXIMIZED fills the work area.
  bool ShowWindow(Hwnd hwnd, int command);
  bool IsWindowVisible(Hwnd hwnd) const;
  bool IsZoomed(Hwnd hwnd) const;
  bool IsIconic(Hwnd hwnd) const;
  bool EnableWindow(Hwnd hwnd, bool enable);
  bool IsWindowEnabled(Hwnd hwnd) const;
  bool MoveWindow(Hwnd hwnd, int x, int y, int width, int height, bool repaint = true);
  bool SetWindowPos(Hwnd hwnd, Hwnd insertAfter, int x, int y, int width, int height, std::uint32_t flags);
  // Screen rectangle. For a window of another program it includes the window manager's frame.
  bool GetWindowRect(Hwnd hwnd, Rect& out) const;
  bool GetClientRect(Hwnd hwnd, Rect& out) const;
  Point ClientToScreen(Hwnd hwnd, Point p) const;
  Point ScreenToClient(Hwnd hwnd, Point p) const;
  // Sends WM_SETTEXT with lparam pointing to a NUL-terminated UTF-16 text; DefWindowProc stores it.
  bool SetWindowText(Hwnd hwnd, std::u16string_view text);
  std::u16string GetWindowText(Hwnd hwnd) const;
  std::uint32_t GetWindowLong(Hwnd hwnd, int index) const;
  // GWL_STYLE / GWL_EXSTYLE only; sends WM_STYLECHANGING / WM_STYLECHANGED with a StyleStruct*.
  std::uint32_t SetWindowLong(Hwnd hwnd, int index, std::uint32_t value);
  // The GWL_WNDPROC role: installs a new procedure and returns the previous one.
  WndProc SetWindowProc(Hwnd hwnd, WndProc proc);
  WndProc GetWindowProc(Hwnd hwnd) const;
  LResult CallWindowProc(const WndProc& proc, Hwnd hwnd, Message msg, WParam wp, LParam lp);
  std::u16string GetClassName(Hwnd hwnd) const;
  // Parent of a child window, else its owner (as Win32's GetParent).
  Hwnd GetParent(Hwnd hwnd) const;
  // GW_HWNDNEXT / GW_HWNDPREV also walk the windows of other programs (top level only).
  Hwnd GetWindow(Hwnd hwnd, unsigned relation) const;
  Hwnd GetDesktopWindow() const { return Hwnd{kDesktopHandle}; }

  // Window properties by name (SetProp/GetProp/RemoveProp); names are 8-bit texts here.
  bool SetProp(Hwnd hwnd, std::string_view name, std::intptr_t value);
  std::intptr_t GetProp(Hwnd hwnd, std::string_view name) const;
  std::intptr_t RemoveProp(Hwnd hwnd, std::string_view name);

  // ---- showing content
  // The UpdateLayeredWindow role: `pixels` is premultiplied ARGB of the window's size; a position
  // moves the window first. With a compositing manager the alpha is shown as it is; without one the
  // pixels with alpha below half are cut away and the rest shown opaque. In both cases the mouse
  // passes through pixels of alpha 0 only. A picture of another size resizes the window.
  bool UpdateLayeredWindow(Hwnd hwnd, std::optional<Point> position, const gfx::Bitmap& pixels);
  // The BitBlt-to-the-window role for opaque windows: copies `pixels` (window-sized) to the screen.
  bool BlitToWindow(Hwnd hwnd, const gfx::Bitmap& pixels, const Rect& dirty);
  // The window's region (nullopt removes it). Applies to opaque windows; layered windows take their
  // shape from their alpha.
  bool SetWindowRgn(Hwnd hwnd, std::optional<Region> region);
  bool InvalidateRect(Hwnd hwnd, const Rect* rect);
  // BeginPaint/EndPaint in one: returns and validates the invalid part of the client area.
  PaintInfo BeginPaint(Hwnd hwnd);

  // ---- messages
  // Safe from any thread. A message for a window that is gone when it comes up is dropped.
  bool PostMessage(Hwnd hwnd, Message msg, WParam wp, LParam lp);
  // From another thread: queued for the UI thread, which handles it before its posted messages;
  // the caller waits for the result (0 when the window is gone).
  LResult SendMessage(Hwnd hwnd, Message msg, WParam wp, LParam lp);
  void PostQuitMessage(int exitCode);
  // Returns false on WM_QUIT. Waits for messages; timers and input are produced while waiting.
  bool GetMessage(Msg& out, Hwnd filter = {}, Message min = 0, Message max = 0);
  bool PeekMessage(Msg& out, Hwnd filter, Message min, Message max, unsigned removeFlags);
  // Posts WM_CHAR (or WM_SYSCHAR with Alt) for a key press that produced text; UTF-16 code units,
  // so a character beyond the BMP gives two messages (a surrogate pair).
  bool TranslateMessage(const Msg& msg);
  LResult DispatchMessage(const Msg& msg);
  LResult DefWindowProc(Hwnd hwnd, Message msg, WParam wp, LParam lp);
  // Runs GetMessage / TranslateMessage / DispatchMessage until WM_QUIT; returns its wparam.
  int RunMessageLoop();

  // ---- timers
  // A window timer is keyed by (window, id); a thread timer (no window) gets a new id unless `id`
  // names an existing thread timer, which is re-armed. With a callback, dispatching WM_TIMER calls it
  // instead of the window procedure. Intervals below 10 ms count as 10 ms, as in Win32.
  std::uintptr_t SetTimer(Hwnd hwnd, std::uintptr_t id, std::uint32_t intervalMs, TimerProc proc = {});
  bool KillTimer(Hwnd hwnd, std::uintptr_t id);

  // ---- input
  Hwnd SetCapture(Hwnd hwnd);
  bool ReleaseCapture();
  Hwnd GetCapture() const { return capture_; }
  // The TrackMouseEvent(TME_LEAVE) role: one WM_MOUSELEAVE when the pointer leaves the window. While
  // the window holds the mouse capture the leave waits until the capture is released.
  bool TrackMouseEvent(std::uint32_t flags, Hwnd hwnd);
  Hwnd SetFocus(Hwnd hwnd);
  Hwnd GetFocus() const { return focus_; }
  bool SetForegroundWindow(Hwnd hwnd);
  Hwnd GetForegroundWindow() const { return active_; }
  Hwnd SetActiveWindow(Hwnd hwnd);
  Hwnd GetActiveWindow() const { return active_; }
  bool GetCursorPos(Point& out) const;
  bool SetCursorPos(int x, int y);
  // 0x8000 while the key or button is down, asked of the window system at the time of the call.
  std::int16_t GetAsyncKeyState(unsigned vk) const;
  // The key state as the core last heard it from the window system; Win32 keeps it as of the last
  // message taken from the queue, which differs only while input waits in the queue.
  std::int16_t GetKeyState(unsigned vk) const;
  unsigned GetDoubleClickTime() const { return kDoubleClickMs; }

  // ---- cursors and icons
  // System cursors by IDC_* number (the handle is the number); unknown numbers give 0.
  HCursor LoadCursor(unsigned id);
  // A cursor from .cur file bytes (hot spot from the file); 0 for a malformed file.
  HCursor CreateCursorFromFile(std::span<const std::uint8_t> bytes);
  HCursor SetCursor(HCursor cursor);
  HCursor GetCursor() const { return cursor_; }
  bool DestroyCursor(HCursor cursor);
  HIcon CreateIcon(const gfx::Bitmap& image);
  bool DestroyIcon(HIcon icon);
  const gfx::Bitmap* IconImage(HIcon icon) const;

  // ---- hot keys
  // A system-wide key; grabbed regardless of Caps Lock and Num Lock. False when the id is taken on
  // that window or the window system refuses the key (another program holds it).
  bool RegisterHotKey(Hwnd hwnd, int id, unsigned modifiers, unsigned vk);
  bool UnregisterHotKey(Hwnd hwnd, int id);

  // ---- shell services
  // NIM_ADD fails when the desktop has no notification area. Mouse messages on the icon reach the
  // window as (callbackMessage, wparam id, lparam mouse message).
  bool Shell_NotifyIcon(unsigned operation, const NotifyIconData& data);
  bool MessageBeep(unsigned type);
  bool SetClipboardText(std::u16string_view text);
  std::optional<std::u16string> GetClipboardText();
  // The ShellExecute "open" role: http(s) and mailto: addresses and existing local files only.
  bool ShellOpen(std::string_view target);

  // ---- screen and desktop
  int GetSystemMetrics(int index) const;
  Rect GetWorkArea() const;  // SystemParametersInfo(SPI_GETWORKAREA)
  // The topmost visible window of the whole desktop under the point; ours are resolved to the
  // deepest visible, enabled child. Null when none.
  Hwnd WindowFromPoint(Point p) const;
  gfx::Bitmap GrabScreen(const Rect& rect);

  bool isUiThread() const { return std::this_thread::get_id() == uiThread_; }

 private:
  struct Window;
  struct Timer;
  struct HotKey;
  struct SentRequest;
  struct TrayIcon;

  static constexpr std::uint64_t kDesktopHandle = 0x7FFFFFF0;
  static constexpr unsigned kDoubleClickMs = 500;
  static constexpr int kDoubleClickDistance = 4;
  static constexpr std::uint32_t kMinTimerMs = 10;

  Window* find(Hwnd hwnd);
  const Window* find(Hwnd hwnd) const;
  Window* findNative(NativeId id);
  Point clientOrigin(const Window& w) const;
  void destroyOne(Hwnd hwnd);
  void applyGeometry(Window& w, const Rect& rect, bool notify);
  void setVisible(Window& w, bool visible);
  void moveInZOrder(Window& w, Hwnd insertAfter);
  void syncStacking();
  void updateShape(Window& w);
  std::vector<Hwnd>& siblingsOf(const Window& w);
  void activate(Hwnd hwnd, bool fromSystem);
  void deactivate();
  LResult dispatchTo(Hwnd hwnd, Message msg, WParam wp, LParam lp);

  void pump(std::optional<std::chrono::milliseconds> timeout);
  void drainInbox();
  void handleEvent(const BackendEvent& e);
  void handleMouse(const BackendEvent& e);
  void handleKey(const BackendEvent& e);
  void postInput(Msg msg);
  void noteHover(Hwnd target);
  void checkTimers();
  bool takeMessage(Msg& out, Hwnd filter, Message min, Message max, bool remove);
  std::optional<std::chrono::milliseconds> nextTimerWait() const;
  WParam mouseKeyState() const;
  void runDragLoop(Hwnd hwnd, const std::function<void(Point)>& onMove);
  void runMoveLoop(Hwnd hwnd, Point grabOffset);
  void runSizeLoop(Hwnd hwnd, int edge);
  void applyCursorTo(NativeId native);

  std::unique_ptr<Backend> backend_;
  std::thread::id uiThread_;
  Platform* previousCurrent_ = nullptr;

  std::map<std::uint64_t, std::unique_ptr<Window>> windows_;
  std::map<NativeId, std::uint64_t> byNative_;
  std::vector<Hwnd> zOrder_;  // top-level windows, topmost first
  std::map<std::u16string, WindowClass> classes_;
  std::uint64_t nextHandle_ = 0x10;

  std::deque<Msg> posted_;
  std::deque<Msg> input_;
  std::mutex inboxMutex_;
  std::deque<Msg> inbox_;                               // posted from other threads
  std::deque<std::shared_ptr<SentRequest>> sentInbox_;  // sent from other threads
  bool quitPosted_ = false;
  int quitCode_ = 0;

  std::vector<Timer> timers_;
  std::uintptr_t nextThreadTimerId_ = 1;
  std::vector<HotKey> hotKeys_;
  std::vector<TrayIcon> trayIcons_;
  std::uint32_t nextTrayId_ = 1;

  Hwnd capture_;
  Hwnd focus_;
  Hwnd active_;
  Hwnd hover_;               // window under the pointer at the last mouse event
  std::vector<Hwnd> leaveTracked_;
  bool leavePendingOnRelease_ = false;
  struct Click {
    Hwnd hwnd;
    int button = 0;
    std::uint32_t time = 0;
    Point pos;
  } lastClick_;
  std::array<bool, 256> keys_{};
  Point lastPointer_;
  std::uint32_t lastMessageTime_ = 0;

  HCursor cursor_ = IDC_ARROW;
  std::map<HCursor, PointerShape> customCursors_;
  HCursor nextCursor_ = 0x10000;
  std::map<HIcon, gfx::Bitmap> icons_;
  HIcon nextIcon_ = 1;

  std::vector<BackendEvent> eventScratch_;
};

}  // namespace platform
