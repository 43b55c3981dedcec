#include "platform/Platform.h"

#include <algorithm>
#include <cassert>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "platform/CursorFile.h"

namespace platform {

namespace {

Platform* g_current = nullptr;

constexpr std::uint8_t kVisibleAlpha = 128;  // without compositing, pixels below this are cut away
constexpr std::uint8_t kHitAlpha = 1;        // pixels of alpha 0 let the mouse through
constexpr LParam kKeyRepeatBit = LParam{1} << 30;
constexpr LParam kKeyUpBit = LParam{1} << 31;
constexpr LParam kKeyAltBit = LParam{1} << 29;
constexpr unsigned VK_F10 = 0x79;

bool startsWithNoCase(std::string_view s, std::string_view prefix) {
  if (s.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(s[i])) != prefix[i]) return false;
  return true;
}

void appendUtf16(std::u16string& out, char32_t c) {
  if (c >= 0x10000 && c <= 0x10FFFF) {
    c -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
  } else if (c < 0xD800 || (c > 0xDFFF && c < 0x10000)) {
    out.push_back(static_cast<char16_t>(c));
  }
}

// The pixels as the screen must show them: opaque windows ignore alpha (as GDI does); a layered window
// without a compositing manager shows its kept pixels at full opacity.
gfx::Bitmap displayPixels(const gfx::Bitmap& pixels, bool layered, bool compositing) {
  if (layered && compositing) return pixels;
  gfx::Bitmap out = pixels;
  std::uint32_t* p = out.data();
  const std::size_t n = static_cast<std::size_t>(out.width()) * out.height();
  for (std::size_t i = 0; i < n; ++i) {
    if (layered) {
      const std::uint8_t a = gfx::alphaOf(p[i]);
      p[i] = a >= kVisibleAlpha ? (gfx::unpremultiply(p[i]) | 0xFF000000u) : 0;
    } else {
      p[i] |= 0xFF000000u;
    }
  }
  return out;
}

}  // namespace

struct Platform::Window {
  Hwnd hwnd;
  std::u16string className;
  std::uint32_t classStyle = 0;
  HCursor classCursor = 0;
  WndProc proc;
  std::uint32_t style = 0;
  std::uint32_t exStyle = 0;
  Hwnd parent;  // children only
  Hwnd owner;   // top-level only
  std::vector<Hwnd> children;  // topmost first
  Rect rect;                   // screen rectangle, or relative to the parent's client area
  Rect restoreRect;
  bool zoomed = false;
  bool visible = false;
  bool destroying = false;
  std::u16string title;
  NativeId native = 0;
  std::map<std::string, std::intptr_t, std::less<>> props;
  HIcon iconSmall = 0;
  HIcon iconBig = 0;
  std::optional<Region> region;
  gfx::Bitmap layeredPixels;
  std::optional<std::vector<Rect>> shownBounding;
  std::optional<std::vector<Rect>> shownInput;
  bool shapeSent = false;
  Rect invalid;

  bool isChild() const { return (style & WS_CHILD) != 0; }
  bool layered() const { return (exStyle & WS_EX_LAYERED) != 0; }
  bool enabled() const { return (style & WS_DISABLED) == 0; }
};

struct Platform::Timer {
  Hwnd hwnd;
  std::uintptr_t id = 0;
  std::uint32_t interval = 0;
  std::uint32_t due = 0;
  TimerProc proc;
  bool pending = false;
};

struct Platform::HotKey {
  Hwnd hwnd;
  int id = 0;
  unsigned modifiers = 0;
  unsigned vk = 0;
};

struct Platform::SentRequest {
  Msg msg;
  std::mutex mutex;
  std::condition_variable done;
  bool finished = false;
  LResult result = 0;
};

struct Platform::TrayIcon {
  NotifyIconData data;
  std::uint32_t trayId = 0;
};

// ---------------------------------------------------------------------------------------------------
// Construction

Platform::Platform(std::unique_ptr<Backend> backend)
    : backend_(std::move(backend)), uiThread_(std::this_thread::get_id()), previousCurrent_(g_current) {
  g_current = this;
}

Platform::~Platform() {
  // Nobody will answer any more: release waiting senders.
  {
    std::lock_guard lock(inboxMutex_);
    for (auto& req : sentInbox_) {
      std::lock_guard l(req->mutex);
      req->finished = true;
      req->done.notify_all();
    }
    sentInbox_.clear();
  }
  for (const auto& hk : hotKeys_) backend_->ungrabHotKey(hk.modifiers, hk.vk);
  for (const auto& t : trayIcons_) backend_->trayRemove(t.trayId);
  if (capture_) backend_->grabPointer(0);
  for (const auto& [id, w] : windows_) backend_->destroyWindow(w->native);
  if (g_current == this) g_current = previousCurrent_;
}

Platform& Platform::current() {
  assert(g_current && "no Platform exists");
  return *g_current;
}

bool Platform::exists() { return g_current != nullptr; }

// ---------------------------------------------------------------------------------------------------
// Windows

Platform::Window* Platform::find(Hwnd hwnd) {
  auto it = windows_.find(hwnd.value);
  return it == windows_.end() || hwnd.foreign() ? nullptr : it->second.get();
}

const Platform::Window* Platform::find(Hwnd hwnd) const {
  auto it = windows_.find(hwnd.value);
  return it == windows_.end() || hwnd.foreign() ? nullptr : it->second.get();
}

Platform::Window* Platform::findNative(NativeId id) {
  auto it = byNative_.find(id);
  return it == byNative_.end() ? nullptr : find(Hwnd{it->second});
}

Point Platform::clientOrigin(const Window& w) const {
  Point p{w.rect.left, w.rect.top};
  for (const Window* parent = w.isChild() ? find(w.parent) : nullptr; parent;
       parent = parent->isChild() ? find(parent->parent) : nullptr) {
    p.x += parent->rect.left;
    p.y += parent->rect.top;
  }
  return p;
}

bool Platform::RegisterClass(const WindowClass& cls) {
  if (cls.name.empty() || classes_.contains(cls.name)) return false;
  classes_.emplace(cls.name, cls);
  return true;
}

Hwnd Platform::CreateWindowEx(std::uint32_t exStyle, std::u16string_view className, std::u16string_view title,
                              std::uint32_t style, int x, int y, int width, int height, Hwnd parent) {
  auto cls = classes_.find(std::u16string(className));
  if (cls == classes_.end()) return {};
  const bool child = (style & WS_CHILD) != 0;
  Window* parentWindow = find(parent);
  if (child && !parentWindow) return {};
  if (parent && !parentWindow) return {};

  auto w = std::make_unique<Window>();
  w->hwnd = Hwnd{nextHandle_++};
  w->className = cls->second.name;
  w->classStyle = cls->second.style;
  w->classCursor = cls->second.cursor;
  w->proc = cls->second.proc;
  w->style = style & ~WS_VISIBLE;
  exStyle |= cls->second.exStyle;
  w->exStyle = exStyle;
  w->rect = Rect::fromXywh(x, y, std::max(width, 0), std::max(height, 0));
  w->title = title;
  if (child) {
    w->parent = parent;
  } else if (parentWindow) {
    // Win32 makes the top-level ancestor the owner.
    Window* top = parentWindow;
    while (top->isChild()) top = find(top->parent);
    w->owner = top->hwnd;
  }

  NativeWindowParams params;
  params.rect = w->rect;
  if (child) params.parent = parentWindow->native;
  if (w->owner) params.owner = find(w->owner)->native;
  params.layered = w->layered();
  params.topmost = (exStyle & WS_EX_TOPMOST) != 0;
  params.toolWindow = (exStyle & WS_EX_TOOLWINDOW) != 0;
  params.popup = (style & WS_POPUP) != 0 || (style & WS_CAPTION) != WS_CAPTION;
  params.title = w->title;
  w->native = backend_->createWindow(params);

  const Hwnd hwnd = w->hwnd;
  byNative_[w->native] = hwnd.value;
  Window& ref = *w;
  windows_.emplace(hwnd.value, std::move(w));
  if (child) {
    parentWindow->children.insert(parentWindow->children.begin(), hwnd);
  } else {
    zOrder_.insert(zOrder_.begin(), hwnd);
    moveInZOrder(ref, (exStyle & WS_EX_TOPMOST) ? HWND_TOPMOST : HWND_TOP);
  }

  if (dispatchTo(hwnd, WM_CREATE, 0, 0) == -1) {
    DestroyWindow(hwnd);
    return {};
  }
  Window* created = find(hwnd);
  if (!created) return {};
  dispatchTo(hwnd, WM_SIZE, SIZE_RESTORED, makeLParam(created->rect.width(), created->rect.height()));
  if (!(created = find(hwnd))) return {};
  dispatchTo(hwnd, WM_MOVE, 0, makeLParam(created->rect.left, created->rect.top));
  if (!find(hwnd)) return {};
  if (style & WS_VISIBLE) ShowWindow(hwnd, SW_SHOW);
  return find(hwnd) ? hwnd : Hwnd{};
}

bool Platform::DestroyWindow(Hwnd hwnd) {
  Window* w = find(hwnd);
  if (!w || w->destroying) return false;
  // Owned windows go first, as in Win32.
  std::vector<Hwnd> owned;
  for (const auto& [id, other] : windows_)
    if (other->owner == hwnd && !other->destroying) owned.push_back(other->hwnd);
  for (Hwnd o : owned) DestroyWindow(o);
  if (!(w = find(hwnd))) return true;
  w->destroying = true;
  if (w->visible) {
    w->visible = false;
    backend_->setWindowVisible(w->native, false);
  }

  auto isSelfOrChild = [&](Hwnd h) {
    for (const Window* x = find(h); x; x = x->isChild() ? find(x->parent) : nullptr)
      if (x->hwnd == hwnd) return true;
    return false;
  };
  if (capture_ && isSelfOrChild(capture_)) ReleaseCapture();
  if (active_ == hwnd) {
    deactivate();
    if (Window* owner = find(w->owner); owner && owner->visible && !owner->destroying) activate(owner->hwnd, false);
  }
  if (focus_ && isSelfOrChild(focus_)) focus_ = {};

  // WM_DESTROY to the window, then to its children.
  std::vector<Hwnd> order{hwnd};
  for (std::size_t i = 0; i < order.size(); ++i)
    if (Window* x = find(order[i])) {
      x->destroying = true;
      for (Hwnd c : x->children) order.push_back(c);
    }
  for (Hwnd h : order)
    if (find(h)) dispatchTo(h, WM_DESTROY, 0, 0);
  for (auto it = order.rbegin(); it != order.rend(); ++it) destroyOne(*it);
  return true;
}

void Platform::destroyOne(Hwnd hwnd) {
  Window* w = find(hwnd);
  if (!w) return;
  std::erase_if(timers_, [&](const Timer& t) { return t.hwnd == hwnd; });
  for (auto it = hotKeys_.begin(); it != hotKeys_.end();) {
    if (it->hwnd == hwnd) {
      backend_->ungrabHotKey(it->modifiers, it->vk);
      it = hotKeys_.erase(it);
    } else {
      ++it;
    }
  }
  // Win32 leaves the icon of a dead window behind until the mouse touches it; we take it away.
  for (auto it = trayIcons_.begin(); it != trayIcons_.end();) {
    if (it->data.hwnd == hwnd) {
      backend_->trayRemove(it->trayId);
      it = trayIcons_.erase(it);
    } else {
      ++it;
    }
  }
  std::erase(leaveTracked_, hwnd);
  if (hover_ == hwnd) hover_ = {};
  if (focus_ == hwnd) focus_ = {};
  if (capture_ == hwnd) {
    capture_ = {};
    backend_->grabPointer(0);
  }
  if (active_ == hwnd) active_ = {};
  if (w->isChild()) {
    if (Window* p = find(w->parent)) std::erase(p->children, hwnd);
  } else {
    std::erase(zOrder_, hwnd);
  }
  backend_->destroyWindow(w->native);
  byNative_.erase(w->native);
  windows_.erase(hwnd.value);
}

bool Platform::IsWindow(Hwnd hwnd) const {
  if (hwnd.foreign()) {
    const NativeId id = hwnd.value & ~Hwnd::kForeignBit;
    for (const auto& d : backend_->desktopWindows())
      if (d.id == id) return true;
    return false;
  }
  const Window* w = find(hwnd);
  return w && !w->destroying;
}

void Platform::setVisible(Window& w, bool visible) {
  if (w.visible == visible) return;
  w.visible = visible;
  backend_->setWindowVisible(w.native, visible);
  if (visible) syncStacking();
}

bool Platform::ShowWindow(Hwnd hwnd, int command) {
  Window* w = find(hwnd);
  if (!w) return false;
  const bool wasVisible = w->visible;
  const bool show = command != SW_HIDE && command != SW_MINIMIZE;
  if (command == SW_SHOWMAXIMIZED && !w->zoomed && !w->isChild()) {
    w->restoreRect = w->rect;
    w->zoomed = true;
    MinMaxInfo info;
    const Rect work = GetWorkArea();
    info.maxSize = {work.width(), work.height()};
    info.maxPosition = {work.left, work.top};
    dispatchTo(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LParam>(&info));
    if (!(w = find(hwnd))) return wasVisible;
    applyGeometry(*w, Rect::fromXywh(info.maxPosition.x, info.maxPosition.y, info.maxSize.x, info.maxSize.y), true);
  } else if ((command == SW_RESTORE || command == SW_SHOWNORMAL) && w->zoomed) {
    w->zoomed = false;
    applyGeometry(*w, w->restoreRect, true);
  }
  if (!(w = find(hwnd))) return wasVisible;
  if (show != wasVisible) {
    dispatchTo(hwnd, WM_SHOWWINDOW, show ? 1 : 0, 0);
    if (!(w = find(hwnd))) return wasVisible;
    setVisible(*w, show);
  }
  const bool activates = command == SW_SHOW || command == SW_SHOWNORMAL || command == SW_SHOWMAXIMIZED ||
                         command == SW_RESTORE;
  if (show && activates && !w->isChild() && !(w->exStyle & WS_EX_NOACTIVATE)) {
    moveInZOrder(*w, HWND_TOP);
    syncStacking();
    activate(hwnd, false);
  } else if (!show && active_ == hwnd) {
    deactivate();
    if (Window* owner = find(w->owner); owner && owner->visible) activate(owner->hwnd, false);
  }
  return wasVisible;
}

bool Platform::IsWindowVisible(Hwnd hwnd) const {
  if (hwnd.foreign()) {
    const NativeId id = hwnd.value & ~Hwnd::kForeignBit;
    for (const auto& d : backend_->desktopWindows())
      if (d.id == id) return d.visible;
    return false;
  }
  for (const Window* w = find(hwnd); w; w = w->isChild() ? find(w->parent) : nullptr)
    if (!w->visible) return false;
  return find(hwnd) != nullptr;
}

bool Platform::IsZoomed(Hwnd hwnd) const {
  const Window* w = find(hwnd);
  return w && w->zoomed;
}

bool Platform::IsIconic(Hwnd) const { return false; }

bool Platform::EnableWindow(Hwnd hwnd, bool enable) {
  Window* w = find(hwnd);
  if (!w) return false;
  const bool wasDisabled = !w->enabled();
  if (wasDisabled == !enable) return wasDisabled;
  if (enable) w->style &= ~WS_DISABLED;
  else w->style |= WS_DISABLED;
  if (!enable && capture_ == hwnd) ReleaseCapture();
  if (!enable && focus_ == hwnd) SetFocus({});
  if (find(hwnd)) dispatchTo(hwnd, WM_ENABLE, enable ? 1 : 0, 0);
  return wasDisabled;
}

bool Platform::IsWindowEnabled(Hwnd hwnd) const {
  const Window* w = find(hwnd);
  return w && w->enabled();
}

void Platform::applyGeometry(Window& w, const Rect& rect, bool notify) {
  const Rect old = w.rect;
  if (old == rect) return;
  w.rect = Rect{rect.left, rect.top, rect.left + std::max(rect.width(), 0), rect.top + std::max(rect.height(), 0)};
  backend_->setWindowRect(w.native, w.rect);
  const bool moved = old.left != w.rect.left || old.top != w.rect.top;
  const bool sized = old.width() != w.rect.width() || old.height() != w.rect.height();
  if (sized && w.region) updateShape(w);
  if (!notify) return;
  const Hwnd hwnd = w.hwnd;
  if (moved) dispatchTo(hwnd, WM_MOVE, 0, makeLParam(w.rect.left, w.rect.top));
  Window* still = find(hwnd);
  if (sized && still)
    dispatchTo(hwnd, WM_SIZE, still->zoomed ? SIZE_MAXIMIZED : SIZE_RESTORED,
               makeLParam(still->rect.width(), still->rect.height()));
}

bool Platform::MoveWindow(Hwnd hwnd, int x, int y, int width, int height, bool) {
  return SetWindowPos(hwnd, {}, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

std::vector<Hwnd>& Platform::siblingsOf(const Window& w) {
  if (w.isChild()) return find(w.parent)->children;
  return zOrder_;
}

void Platform::moveInZOrder(Window& w, Hwnd insertAfter) {
  auto& list = siblingsOf(w);
  std::erase(list, w.hwnd);
  auto topmostCount = [&] {
    return static_cast<std::size_t>(std::count_if(list.begin(), list.end(), [&](Hwnd h) {
      const Window* x = find(h);
      return x && (x->exStyle & WS_EX_TOPMOST);
    }));
  };
  if (w.isChild()) {
    if (insertAfter == HWND_BOTTOM) list.push_back(w.hwnd);
    else if (auto it = std::find(list.begin(), list.end(), insertAfter); it != list.end() && insertAfter != HWND_TOP)
      list.insert(it + 1, w.hwnd);
    else list.insert(list.begin(), w.hwnd);
    return;
  }
  if (insertAfter == HWND_TOPMOST) {
    w.exStyle |= WS_EX_TOPMOST;
    list.insert(list.begin(), w.hwnd);
  } else if (insertAfter == HWND_NOTOPMOST) {
    w.exStyle &= ~WS_EX_TOPMOST;
    list.insert(list.begin() + static_cast<std::ptrdiff_t>(topmostCount()), w.hwnd);
  } else if (insertAfter == HWND_BOTTOM) {
    w.exStyle &= ~WS_EX_TOPMOST;  // as in Win32, the bottom loses topmost
    list.push_back(w.hwnd);
  } else if (auto it = std::find(list.begin(), list.end(), insertAfter); it != list.end() && insertAfter != HWND_TOP) {
    list.insert(it + 1, w.hwnd);
  } else {
    const std::size_t band = (w.exStyle & WS_EX_TOPMOST) ? 0 : topmostCount();
    list.insert(list.begin() + static_cast<std::ptrdiff_t>(band), w.hwnd);
  }
}

void Platform::syncStacking() {
  std::vector<NativeId> natives;
  for (Hwnd h : zOrder_)
    if (const Window* w = find(h); w && w->visible) natives.push_back(w->native);
  backend_->restack(natives);
}

bool Platform::SetWindowPos(Hwnd hwnd, Hwnd insertAfter, int x, int y, int width, int height,
                            std::uint32_t flags) {
  Window* w = find(hwnd);
  if (!w) return false;
  Rect r = w->rect;
  if (!(flags & SWP_NOMOVE)) r = r.offset(x - r.left, y - r.top);
  if (!(flags & SWP_NOSIZE)) r = Rect::fromXywh(r.left, r.top, width, height);
  applyGeometry(*w, r, true);
  if (!(w = find(hwnd))) return true;
  if (!(flags & SWP_NOZORDER)) {
    moveInZOrder(*w, insertAfter);
    syncStacking();
  }
  if (flags & SWP_SHOWWINDOW) setVisible(*w, true);
  if (flags & SWP_HIDEWINDOW) setVisible(*w, false);
  if (!(flags & SWP_NOACTIVATE) && w->visible && !w->isChild() && !(w->exStyle & WS_EX_NOACTIVATE))
    activate(hwnd, false);
  return true;
}

bool Platform::GetWindowRect(Hwnd hwnd, Rect& out) const {
  if (hwnd == GetDesktopWindow()) {
    const Size s = backend_->screenSize();
    out = {0, 0, s.width, s.height};
    return true;
  }
  if (hwnd.foreign()) {
    const NativeId id = hwnd.value & ~Hwnd::kForeignBit;
    for (const auto& d : backend_->desktopWindows())
      if (d.id == id) {
        out = d.rect;
        return true;
      }
    return false;
  }
  const Window* w = find(hwnd);
  if (!w) return false;
  const Point o = clientOrigin(*w);
  out = Rect::fromXywh(o.x, o.y, w->rect.width(), w->rect.height());
  return true;
}

bool Platform::GetClientRect(Hwnd hwnd, Rect& out) const {
  const Window* w = find(hwnd);
  if (!w) return false;
  out = {0, 0, w->rect.width(), w->rect.height()};
  return true;
}

Point Platform::ClientToScreen(Hwnd hwnd, Point p) const {
  const Window* w = find(hwnd);
  if (!w) return p;
  const Point o = clientOrigin(*w);
  return {p.x + o.x, p.y + o.y};
}

Point Platform::ScreenToClient(Hwnd hwnd, Point p) const {
  const Window* w = find(hwnd);
  if (!w) return p;
  const Point o = clientOrigin(*w);
  return {p.x - o.x, p.y - o.y};
}

bool Platform::SetWindowText(Hwnd hwnd, std::u16string_view text) {
  if (!find(hwnd)) return false;
  const std::u16string copy(text);
  return dispatchTo(hwnd, WM_SETTEXT, 0, reinterpret_cast<LParam>(copy.c_str())) != 0;
}

std::u16string Platform::GetWindowText(Hwnd hwnd) const {
  const Window* w = find(hwnd);
  return w ? w->title : std::u16string();
}

std::uint32_t Platform::GetWindowLong(Hwnd hwnd, int index) const {
  const Window* w = find(hwnd);
  if (!w) return 0;
  if (index == GWL_STYLE) return w->style | (w->visible ? WS_VISIBLE : 0);
  if (index == GWL_EXSTYLE) return w->exStyle;
  return 0;
}

std::uint32_t Platform::SetWindowLong(Hwnd hwnd, int index, std::uint32_t value) {
  Window* w = find(hwnd);
  if (!w || (index != GWL_STYLE && index != GWL_EXSTYLE)) return 0;
  const std::uint32_t old = GetWindowLong(hwnd, index);
  StyleStruct ss{old, value};
  dispatchTo(hwnd, WM_STYLECHANGING, static_cast<WParam>(index), reinterpret_cast<LParam>(&ss));
  if (!(w = find(hwnd))) return old;
  if (index == GWL_STYLE) {
    // Visibility is changed through ShowWindow only; keep the child bit as created.
    w->style = (ss.newStyle & ~(WS_VISIBLE | WS_CHILD)) | (w->style & WS_CHILD);
  } else {
    const bool wasLayered = w->layered();
    w->exStyle = ss.newStyle;
    if (wasLayered != w->layered()) {
      w->layeredPixels = {};
      updateShape(*w);
    }
  }
  dispatchTo(hwnd, WM_STYLECHANGED, static_cast<WParam>(index), reinterpret_cast<LParam>(&ss));
  return old;
}

WndProc Platform::SetWindowProc(Hwnd hwnd, WndProc proc) {
  Window* w = find(hwnd);
  if (!w) return {};
  std::swap(w->proc, proc);
  return proc;
}

WndProc Platform::GetWindowProc(Hwnd hwnd) const {
  const Window* w = find(hwnd);
  return w ? w->proc : WndProc{};
}

LResult Platform::CallWindowProc(const WndProc& proc, Hwnd hwnd, Message msg, WParam wp, LParam lp) {
  return proc ? proc(hwnd, msg, wp, lp) : DefWindowProc(hwnd, msg, wp, lp);
}

std::u16string Platform::GetClassName(Hwnd hwnd) const {
  const Window* w = find(hwnd);
  return w ? w->className : std::u16string();
}

Hwnd Platform::GetParent(Hwnd hwnd) const {
  const Window* w = find(hwnd);
  if (!w) return {};
  return w->isChild() ? w->parent : w->owner;
}

Hwnd Platform::GetWindow(Hwnd hwnd, unsigned relation) const {
  const Window* w = find(hwnd);
  if (relation == GW_OWNER) return w ? w->owner : Hwnd{};
  if (relation == GW_CHILD) return w && !w->children.empty() ? w->children.front() : Hwnd{};
  if (w && w->isChild()) {
    const auto& list = find(w->parent)->children;
    auto it = std::find(list.begin(), list.end(), hwnd);
    switch (relation) {
      case GW_HWNDFIRST: return list.front();
      case GW_HWNDLAST: return list.back();
      case GW_HWNDNEXT: return it + 1 < list.end() ? *(it + 1) : Hwnd{};
      case GW_HWNDPREV: return it != list.begin() ? *(it - 1) : Hwnd{};
      default: return {};
    }
  }
  // Top-level windows: the desktop's own stacking, other programs' windows included.
  const auto desktop = backend_->desktopWindows();
  auto toHwnd = [&](NativeId id) {
    auto it = byNative_.find(id);
    return it != byNative_.end() ? Hwnd{it->second} : Hwnd{id | Hwnd::kForeignBit};
  };
  const NativeId self = w ? w->native : (hwnd.foreign() ? hwnd.value & ~Hwnd::kForeignBit : 0);
  if (desktop.empty()) return {};
  if (relation == GW_HWNDFIRST) return toHwnd(desktop.front().id);
  if (relation == GW_HWNDLAST) return toHwnd(desktop.back().id);
  for (std::size_t i = 0; i < desktop.size(); ++i) {
    if (desktop[i].id != self) continue;
    if (relation == GW_HWNDNEXT) return i + 1 < desktop.size() ? toHwnd(desktop[i + 1].id) : Hwnd{};
    if (relation == GW_HWNDPREV) return i > 0 ? toHwnd(desktop[i - 1].id) : Hwnd{};
  }
  return {};
}

bool Platform::SetProp(Hwnd hwnd, std::string_view name, std::intptr_t value) {
  Window* w = find(hwnd);
  if (!w) return false;
  w->props[std::string(name)] = value;
  return true;
}

std::intptr_t Platform::GetProp(Hwnd hwnd, std::string_view name) const {
  const Window* w = find(hwnd);
  if (!w) return 0;
  auto it = w->props.find(name);
  return it == w->props.end() ? 0 : it->second;
}

std::intptr_t Platform::RemoveProp(Hwnd hwnd, std::string_view name) {
  Window* w = find(hwnd);
  if (!w) return 0;
  auto it = w->props.find(name);
  if (it == w->props.end()) return 0;
  const std::intptr_t v = it->second;
  w->props.erase(it);
  return v;
}

// ---------------------------------------------------------------------------------------------------
// Content and shape

void Platform::updateShape(Window& w) {
  std::optional<std::vector<Rect>> bounding;
  std::optional<std::vector<Rect>> input;
  if (w.layered()) {
    if (!w.layeredPixels.empty()) {
      input = rectanglesWhereAlpha(w.layeredPixels, kHitAlpha);
      if (!backend_->compositing()) bounding = rectanglesWhereAlpha(w.layeredPixels, kVisibleAlpha);
    }
  } else if (w.region) {
    bounding = w.region->rectangles(w.rect.width(), w.rect.height());
    input = bounding;
  }
  if (w.shapeSent && bounding == w.shownBounding && input == w.shownInput) return;
  w.shapeSent = true;
  w.shownBounding = bounding;
  w.shownInput = input;
  backend_->setShape(w.native, bounding, input);
}

bool Platform::UpdateLayeredWindow(Hwnd hwnd, std::optional<Point> position, const gfx::Bitmap& pixels) {
  Window* w = find(hwnd);
  if (!w || !w->layered() || pixels.empty()) return false;
  Rect r = w->rect;
  if (position) r = r.offset(position->x - r.left, position->y - r.top);
  r = Rect::fromXywh(r.left, r.top, pixels.width(), pixels.height());
  applyGeometry(*w, r, true);
  if (!(w = find(hwnd))) return false;
  w->layeredPixels = pixels;
  backend_->present(w->native, displayPixels(pixels, true, backend_->compositing()),
                    {0, 0, pixels.width(), pixels.height()});
  updateShape(*w);
  return true;
}

bool Platform::BlitToWindow(Hwnd hwnd, const gfx::Bitmap& pixels, const Rect& dirty) {
  Window* w = find(hwnd);
  if (!w || w->layered() || pixels.width() != w->rect.width() || pixels.height() != w->rect.height()) return false;
  const Rect area = dirty.intersect({0, 0, pixels.width(), pixels.height()});
  if (area.empty()) return true;
  backend_->present(w->native, displayPixels(pixels, false, false), area);
  return true;
}

bool Platform::SetWindowRgn(Hwnd hwnd, std::optional<Region> region) {
  Window* w = find(hwnd);
  if (!w) return false;
  w->region = std::move(region);
  updateShape(*w);
  return true;
}

bool Platform::InvalidateRect(Hwnd hwnd, const Rect* rect) {
  Window* w = find(hwnd);
  if (!w) return false;
  const Rect client{0, 0, w->rect.width(), w->rect.height()};
  Rect add = rect ? rect->intersect(client) : client;
  if (add.empty()) return true;
  if (w->invalid.empty()) w->invalid = add;
  else
    w->invalid = {std::min(w->invalid.left, add.left), std::min(w->invalid.top, add.top),
                  std::max(w->invalid.right, add.right), std::max(w->invalid.bottom, add.bottom)};
  return true;
}

PaintInfo Platform::BeginPaint(Hwnd hwnd) {
  Window* w = find(hwnd);
  if (!w) return {};
  PaintInfo info{w->invalid};
  w->invalid = {};
  return info;
}

// ---------------------------------------------------------------------------------------------------
// Messages

LResult Platform::dispatchTo(Hwnd hwnd, Message msg, WParam wp, LParam lp) {
  Window* w = find(hwnd);
  if (!w) return 0;
  const WndProc proc = w->proc;  // the procedure may replace itself or destroy the window
  return proc ? proc(hwnd, msg, wp, lp) : DefWindowProc(hwnd, msg, wp, lp);
}

bool Platform::PostMessage(Hwnd hwnd, Message msg, WParam wp, LParam lp) {
  Msg m{hwnd, msg, wp, lp, 0, {}, 0};
  if (!isUiThread()) {
    {
      std::lock_guard lock(inboxMutex_);
      inbox_.push_back(m);
    }
    backend_->wake();
    return true;
  }
  if (hwnd && !find(hwnd)) return false;
  m.time = backend_->nowMs();
  m.pt = lastPointer_;
  posted_.push_back(m);
  return true;
}

LResult Platform::SendMessage(Hwnd hwnd, Message msg, WParam wp, LParam lp) {
  if (isUiThread()) return dispatchTo(hwnd, msg, wp, lp);
  auto req = std::make_shared<SentRequest>();
  req->msg = Msg{hwnd, msg, wp, lp, 0, {}, 0};
  {
    std::lock_guard lock(inboxMutex_);
    sentInbox_.push_back(req);
  }
  backend_->wake();
  std::unique_lock lock(req->mutex);
  req->done.wait(lock, [&] { return req->finished; });
  return req->result;
}

void Platform::PostQuitMessage(int exitCode) {
  if (!isUiThread()) {
    // Another thread cannot quit our loop directly; the UI thread turns this into its own quit.
    PostMessage({}, WM_QUIT, static_cast<WParam>(exitCode), 0);
    return;
  }
  quitPosted_ = true;
  quitCode_ = exitCode;
}

void Platform::drainInbox() {
  std::deque<Msg> posted;
  std::deque<std::shared_ptr<SentRequest>> sent;
  {
    std::lock_guard lock(inboxMutex_);
    posted.swap(inbox_);
    sent.swap(sentInbox_);
  }
  for (auto& m : posted) {
    if (m.message == WM_QUIT && !m.hwnd) {
      quitPosted_ = true;
      quitCode_ = static_cast<int>(m.wParam);
      continue;
    }
    m.time = backend_->nowMs();
    m.pt = lastPointer_;
    posted_.push_back(m);
  }
  for (auto& req : sent) {
    const LResult r = dispatchTo(req->msg.hwnd, req->msg.message, req->msg.wParam, req->msg.lParam);
    std::lock_guard l(req->mutex);
    req->result = r;
    req->finished = true;
    req->done.notify_all();
  }
}

void Platform::checkTimers() {
  const std::uint32_t now = backend_->nowMs();
  for (auto& t : timers_)
    if (!t.pending && static_cast<std::int32_t>(now - t.due) >= 0) t.pending = true;
}

std::optional<std::chrono::milliseconds> Platform::nextTimerWait() const {
  std::optional<std::chrono::milliseconds> wait;
  const std::uint32_t now = backend_->nowMs();
  for (const auto& t : timers_) {
    if (t.pending) return std::chrono::milliseconds(0);
    const auto left = std::chrono::milliseconds(std::max<std::int32_t>(0, static_cast<std::int32_t>(t.due - now)));
    if (!wait || left < *wait) wait = left;
  }
  return wait;
}

bool Platform::takeMessage(Msg& out, Hwnd filter, Message min, Message max, bool remove) {
  drainInbox();
  auto matches = [&](const Msg& m) {
    if (filter && m.hwnd != filter) return false;
    if (min == 0 && max == 0) return true;
    return m.message >= min && m.message <= max;
  };
  for (auto it = posted_.begin(); it != posted_.end(); ++it) {
    if (!matches(*it)) continue;
    out = *it;
    if (remove) posted_.erase(it);
    return true;
  }
  if (quitPosted_ && !filter && ((min == 0 && max == 0) || (WM_QUIT >= min && WM_QUIT <= max))) {
    out = Msg{{}, WM_QUIT, static_cast<WParam>(quitCode_), 0, backend_->nowMs(), lastPointer_, 0};
    if (remove) quitPosted_ = false;
    return true;
  }
  for (auto it = input_.begin(); it != input_.end(); ++it) {
    if (!matches(*it)) continue;
    out = *it;
    if (remove) input_.erase(it);
    lastMessageTime_ = out.time;
    return true;
  }
  for (const auto& [id, w] : windows_) {
    Msg paint{w->hwnd, WM_PAINT, 0, 0, backend_->nowMs(), lastPointer_, 0};
    if (!w->invalid.empty() && w->visible && matches(paint)) {
      out = paint;
      return true;  // stays until the window validates itself
    }
  }
  checkTimers();
  for (auto& t : timers_) {
    Msg tm{t.hwnd, WM_TIMER, t.id, 0, backend_->nowMs(), lastPointer_, 0};
    if (!t.pending || !matches(tm)) continue;
    out = tm;
    if (remove) {
      t.pending = false;
      t.due = backend_->nowMs() + t.interval;
    }
    return true;
  }
  return false;
}

void Platform::pump(std::optional<std::chrono::milliseconds> timeout) {
  std::vector<BackendEvent> events;
  backend_->pollEvents(events, timeout);
  for (const auto& e : events) handleEvent(e);
}

bool Platform::GetMessage(Msg& out, Hwnd filter, Message min, Message max) {
  for (;;) {
    pump(std::chrono::milliseconds(0));
    if (takeMessage(out, filter, min, max, true)) return out.message != WM_QUIT;
    pump(nextTimerWait());
  }
}

bool Platform::PeekMessage(Msg& out, Hwnd filter, Message min, Message max, unsigned removeFlags) {
  pump(std::chrono::milliseconds(0));
  return takeMessage(out, filter, min, max, (removeFlags & PM_REMOVE) != 0);
}

bool Platform::TranslateMessage(const Msg& msg) {
  if ((msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) || msg.character == 0) return false;
  std::u16string units;
  appendUtf16(units, msg.character);
  const Message charMsg = msg.message == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR;
  for (char16_t u : units) posted_.push_back(Msg{msg.hwnd, charMsg, u, msg.lParam, msg.time, msg.pt, 0});
  return !units.empty();
}

LResult Platform::DispatchMessage(const Msg& msg) {
  if (msg.message == WM_TIMER) {
    auto it = std::find_if(timers_.begin(), timers_.end(),
                           [&](const Timer& t) { return t.hwnd == msg.hwnd && t.id == msg.wParam; });
    if (it != timers_.end() && it->proc) {
      const TimerProc proc = it->proc;  // the callback may kill or re-arm its own timer
      proc(msg.hwnd, WM_TIMER, msg.wParam, msg.time);
      return 0;
    }
  }
  if (!msg.hwnd) return 0;
  return dispatchTo(msg.hwnd, msg.message, msg.wParam, msg.lParam);
}

int Platform::RunMessageLoop() {
  Msg msg;
  while (GetMessage(msg)) {
    TranslateMessage(msg);
    DispatchMessage(msg);
  }
  return static_cast<int>(msg.wParam);
}

LResult Platform::DefWindowProc(Hwnd hwnd, Message msg, WParam wp, LParam lp) {
  Window* w = find(hwnd);
  if (!w) return 0;
  switch (msg) {
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    case WM_SETTEXT: {
      const auto* text = reinterpret_cast<const char16_t*>(lp);
      w->title = text ? std::u16string(text) : std::u16string();
      backend_->setWindowTitle(w->native, w->title);
      return 1;
    }
    case WM_SETICON: {
      HIcon& slot = wp == ICON_SMALL ? w->iconSmall : w->iconBig;
      const HIcon old = slot;
      slot = static_cast<HIcon>(lp);
      if (const gfx::Bitmap* img = IconImage(w->iconBig ? w->iconBig : w->iconSmall))
        backend_->setIcon(w->native, *img);
      return old;
    }
    case WM_GETICON:
      return wp == ICON_SMALL ? w->iconSmall : w->iconBig;
    case WM_PAINT:
      w->invalid = {};
      return 0;
    case WM_SETCURSOR:
      if (loWord(static_cast<std::uintptr_t>(lp)) == HTCLIENT) SetCursor(w->classCursor ? w->classCursor : IDC_ARROW);
      return 0;
    case WM_NCHITTEST:
      return HTCLIENT;
    case WM_ACTIVATE:
      if (loWord(wp) != WA_INACTIVE) {
        bool inside = false;
        for (const Window* f = find(focus_); f; f = f->isChild() ? find(f->parent) : nullptr)
          inside = inside || f->hwnd == hwnd;
        if (!inside) SetFocus(hwnd);
      }
      return 0;
    case WM_NCLBUTTONDOWN:
      if (wp == HTCAPTION) {
        Point p = lastPointer_;
        runMoveLoop(hwnd, {p.x - clientOrigin(*w).x, p.y - clientOrigin(*w).y});
      }
      return 0;
    case WM_SYSCOMMAND: {
      const WParam cmd = wp & 0xFFF0;
      if (cmd == SC_CLOSE) SendMessage(hwnd, WM_CLOSE, 0, 0);
      else if (cmd == SC_MAXIMIZE) ShowWindow(hwnd, SW_SHOWMAXIMIZED);
      else if (cmd == SC_MINIMIZE) ShowWindow(hwnd, SW_MINIMIZE);
      else if (cmd == SC_RESTORE) ShowWindow(hwnd, SW_RESTORE);
      else if (cmd == SC_MOVE) runMoveLoop(hwnd, {w->rect.width() / 2, w->rect.height() / 2});
      else if (cmd == SC_SIZE) runSizeLoop(hwnd, static_cast<int>(wp & 0xF));
      return 0;
    }
    default:
      return 0;
  }
}

// The modal loop of a caption drag or a sizing drag (Win32 runs them inside DefWindowProc): the window
// holds the capture, each of its mouse moves goes to `onMove`, the left button coming up ends the
// loop, and every other message keeps being dispatched.
void Platform::runDragLoop(Hwnd hwnd, const std::function<void(Point)>& onMove) {
  SetCapture(hwnd);
  Msg msg;
  while (GetCapture() == hwnd && IsWindow(hwnd)) {
    if (!GetMessage(msg)) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (msg.hwnd == hwnd && msg.message == WM_MOUSEMOVE) {
      onMove(msg.pt);
    } else if (msg.hwnd == hwnd && msg.message == WM_LBUTTONUP) {
      break;
    } else {
      TranslateMessage(msg);
      DispatchMessage(msg);
    }
  }
  if (GetCapture() == hwnd) ReleaseCapture();
}

// Caption drag: the window follows the pointer.
void Platform::runMoveLoop(Hwnd hwnd, Point grabOffset) {
  runDragLoop(hwnd, [&](Point pt) {
    SetWindowPos(hwnd, {}, pt.x - grabOffset.x, pt.y - grabOffset.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  });
}

// The sizing loop of SC_SIZE; `edge` is the WMSZ_* code (1 left, 2 right, 3 top, 4 top-left,
// 5 top-right, 6 bottom, 7 bottom-left, 8 bottom-right).
void Platform::runSizeLoop(Hwnd hwnd, int edge) {
  constexpr int kMinSide = 1;
  Window* w = find(hwnd);
  if (!w || edge < 1 || edge > 8) return;
  const Rect start = w->rect;
  const Point from = lastPointer_;
  const bool left = edge == 1 || edge == 4 || edge == 7;
  const bool right = edge == 2 || edge == 5 || edge == 8;
  const bool top = edge == 3 || edge == 4 || edge == 5;
  const bool bottom = edge == 6 || edge == 7 || edge == 8;
  runDragLoop(hwnd, [&](Point pt) {
    const int dx = pt.x - from.x;
    const int dy = pt.y - from.y;
    Rect r = start;
    if (left) r.left = std::min(start.left + dx, start.right - kMinSide);
    if (right) r.right = std::max(start.right + dx, start.left + kMinSide);
    if (top) r.top = std::min(start.top + dy, start.bottom - kMinSide);
    if (bottom) r.bottom = std::max(start.bottom + dy, start.top + kMinSide);
    MinMaxInfo info;
    info.minTrackSize = {kMinSide, kMinSide};
    info.maxTrackSize = {1 << 15, 1 << 15};
    dispatchTo(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LParam>(&info));
    const int width = std::clamp(r.width(), info.minTrackSize.x, info.maxTrackSize.x);
    const int height = std::clamp(r.height(), info.minTrackSize.y, info.maxTrackSize.y);
    if (left) r.left = r.right - width;
    else r.right = r.left + width;
    if (top) r.top = r.bottom - height;
    else r.bottom = r.top + height;
    SetWindowPos(hwnd, {}, r.left, r.top, r.width(), r.height(), SWP_NOZORDER | SWP_NOACTIVATE);
  });
}

// ---------------------------------------------------------------------------------------------------
// Timers

std::uintptr_t Platform::SetTimer(Hwnd hwnd, std::uintptr_t id, std::uint32_t intervalMs, TimerProc proc) {
  if (hwnd && !find(hwnd)) return 0;
  const std::uint32_t interval = std::max(intervalMs, kMinTimerMs);
  const std::uint32_t due = backend_->nowMs() + interval;
  auto it = std::find_if(timers_.begin(), timers_.end(), [&](const Timer& t) {
    return t.hwnd == hwnd && t.id == id && (hwnd || id != 0);
  });
  if (it != timers_.end()) {
    it->interval = interval;
    it->due = due;
    it->proc = std::move(proc);
    it->pending = false;
    return id;
  }
  if (!hwnd) {
    do id = nextThreadTimerId_++;
    while (id == 0 || std::any_of(timers_.begin(), timers_.end(), [&](const Timer& t) { return !t.hwnd && t.id == id; }));
  }
  timers_.push_back(Timer{hwnd, id, interval, due, std::move(proc), false});
  return hwnd ? (id ? id : 1) : id;
}

bool Platform::KillTimer(Hwnd hwnd, std::uintptr_t id) {
  return std::erase_if(timers_, [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; }) > 0;
}

// ---------------------------------------------------------------------------------------------------
// Input

WParam Platform::mouseKeyState() const {
  WParam s = 0;
  if (keys_[VK_LBUTTON]) s |= MK_LBUTTON;
  if (keys_[VK_RBUTTON]) s |= MK_RBUTTON;
  if (keys_[VK_MBUTTON]) s |= MK_MBUTTON;
  if (keys_[VK_SHIFT]) s |= MK_SHIFT;
  if (keys_[VK_CONTROL]) s |= MK_CONTROL;
  return s;
}

void Platform::postInput(Msg msg) {
  if (msg.message == WM_MOUSEMOVE && !input_.empty() && input_.back().message == WM_MOUSEMOVE &&
      input_.back().hwnd == msg.hwnd && input_.back().wParam == msg.wParam) {
    input_.back() = msg;  // moves are coalesced, as Win32 does
    return;
  }
  input_.push_back(msg);
}

void Platform::noteHover(Hwnd target) {
  if (hover_ == target) return;
  const Hwnd old = hover_;
  hover_ = target;
  if (!old || std::find(leaveTracked_.begin(), leaveTracked_.end(), old) == leaveTracked_.end()) return;
  if (capture_ == old) return;  // delivered when the capture ends
  std::erase(leaveTracked_, old);
  postInput(Msg{old, WM_MOUSELEAVE, 0, 0, backend_->nowMs(), lastPointer_, 0});
}

void Platform::applyCursorTo(NativeId native) {
  PointerShape shape;
  if (auto it = customCursors_.find(cursor_); it != customCursors_.end()) shape = it->second;
  else shape.systemId = static_cast<unsigned>(cursor_);
  backend_->setCursor(native, shape);
}

void Platform::handleMouse(const BackendEvent& e) {
  using K = BackendEvent::Kind;
  lastPointer_ = e.pos;
  static constexpr std::array<unsigned, 4> kButtonVk{0, VK_LBUTTON, VK_MBUTTON, VK_RBUTTON};
  const bool knownButton = e.button >= 1 && e.button <= 3;
  if (e.kind == K::ButtonDown && knownButton) keys_[kButtonVk[e.button]] = true;
  if (e.kind == K::ButtonUp && knownButton) keys_[kButtonVk[e.button]] = false;

  Window* source = findNative(e.window);
  Hwnd under;
  if (source) {
    Rect r;
    GetWindowRect(source->hwnd, r);
    if (r.contains(e.pos)) under = source->hwnd;
  }
  // The backend names the top-level window; a visible, enabled child under the point takes the input.
  for (bool descended = under && !source->isChild(); descended;) {
    descended = false;
    for (Hwnd c : find(under)->children) {
      const Window* cw = find(c);
      Rect cr;
      if (cw && cw->visible && cw->enabled() && GetWindowRect(c, cr) && cr.contains(e.pos)) {
        under = c;
        descended = true;
        break;
      }
    }
  }
  noteHover(under);
  Window* target = capture_ ? find(capture_) : (under ? find(under) : nullptr);
  if (!target || (!capture_ && !target->enabled())) return;
  if ((e.kind == K::ButtonDown || e.kind == K::ButtonUp) && !knownButton) return;

  Message msg = WM_MOUSEMOVE;
  WParam wp = mouseKeyState();
  if (e.kind == K::ButtonDown) {
    static constexpr std::array<Message, 4> kDown{0, WM_LBUTTONDOWN, WM_MBUTTONDOWN, WM_RBUTTONDOWN};
    static constexpr std::array<Message, 4> kDbl{0, WM_LBUTTONDBLCLK, WM_MBUTTONDBLCLK, WM_RBUTTONDBLCLK};
    msg = kDown[e.button];
    const std::uint32_t now = e.time ? e.time : backend_->nowMs();
    const bool dbl = (target->classStyle & CS_DBLCLKS) && lastClick_.hwnd == target->hwnd &&
                     lastClick_.button == e.button && now - lastClick_.time <= kDoubleClickMs &&
                     std::abs(e.pos.x - lastClick_.pos.x) <= kDoubleClickDistance &&
                     std::abs(e.pos.y - lastClick_.pos.y) <= kDoubleClickDistance;
    if (dbl) {
      msg = kDbl[e.button];
      lastClick_ = {};
    } else {
      lastClick_ = {target->hwnd, e.button, now, e.pos};
    }
  } else if (e.kind == K::ButtonUp) {
    static constexpr std::array<Message, 4> kUp{0, WM_LBUTTONUP, WM_MBUTTONUP, WM_RBUTTONUP};
    msg = kUp[e.button];
  } else if (e.kind == K::Wheel) {
    msg = WM_MOUSEWHEEL;
    wp |= static_cast<WParam>(static_cast<std::uint16_t>(e.delta)) << 16;
  }
  if (!capture_) {
    dispatchTo(target->hwnd, WM_SETCURSOR, static_cast<WParam>(target->hwnd.value), makeLParam(HTCLIENT, static_cast<int>(msg)));
    if (!(target = find(target->hwnd))) return;
  }
  Window* top = target;
  while (top && top->isChild()) top = find(top->parent);
  if (top) applyCursorTo(top->native);
  // Wheel positions are screen coordinates in Win32; the others are client coordinates.
  const Point client = ScreenToClient(target->hwnd, e.pos);
  const LParam lp = msg == WM_MOUSEWHEEL ? makeLParam(e.pos.x, e.pos.y) : makeLParam(client.x, client.y);
  postInput(Msg{target->hwnd, msg, wp, lp, e.time ? e.time : backend_->nowMs(), e.pos, 0});
}

void Platform::handleKey(const BackendEvent& e) {
  const bool down = e.kind == BackendEvent::Kind::KeyDown;
  if (e.vk < keys_.size()) keys_[e.vk] = down;
  const Hwnd target = focus_ ? focus_ : active_;
  if (!find(target)) return;
  const bool alt = keys_[VK_MENU] && !keys_[VK_CONTROL];
  const bool sys = alt || e.vk == VK_F10 || e.vk == VK_MENU;
  Message msg = down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
  LParam lp = 1;
  if (alt) lp |= kKeyAltBit;
  if (!down) lp |= kKeyRepeatBit | kKeyUpBit;
  else if (e.repeat) lp |= kKeyRepeatBit;
  postInput(Msg{target, msg, e.vk, lp, backend_->nowMs(), lastPointer_, down ? e.character : 0});
}

void Platform::handleEvent(const BackendEvent& e) {
  using K = BackendEvent::Kind;
  switch (e.kind) {
    case K::MouseMove:
    case K::ButtonDown:
    case K::ButtonUp:
    case K::Wheel:
      handleMouse(e);
      break;
    case K::PointerLeft:
      if (Window* w = findNative(e.window); w && hover_ == w->hwnd) noteHover({});
      break;
    case K::KeyDown:
    case K::KeyUp:
      handleKey(e);
      break;
    case K::FocusGained:
      if (Window* w = findNative(e.window); w && !w->isChild() && active_ != w->hwnd) activate(w->hwnd, true);
      break;
    case K::FocusLost:
      if (Window* w = findNative(e.window); w && active_ == w->hwnd) deactivate();
      break;
    case K::Exposed:
      if (Window* w = findNative(e.window); w && !w->layered()) InvalidateRect(w->hwnd, nullptr);
      break;
    case K::Configure:
      if (Window* w = findNative(e.window); w && !w->isChild() && w->rect != e.rect) {
        const Rect old = w->rect;
        w->rect = e.rect;
        const Hwnd h = w->hwnd;
        if (old.left != e.rect.left || old.top != e.rect.top) dispatchTo(h, WM_MOVE, 0, makeLParam(e.rect.left, e.rect.top));
        if ((old.width() != e.rect.width() || old.height() != e.rect.height()) && find(h))
          dispatchTo(h, WM_SIZE, SIZE_RESTORED, makeLParam(e.rect.width(), e.rect.height()));
      }
      break;
    case K::CloseRequest:
      if (Window* w = findNative(e.window)) PostMessage(w->hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
      break;
    case K::HotKey:
      for (const auto& hk : hotKeys_)
        if (hk.vk == e.vk && hk.modifiers == e.modifiers)
          posted_.push_back(Msg{hk.hwnd, WM_HOTKEY, static_cast<WParam>(hk.id),
                                makeLParam(static_cast<int>(hk.modifiers), static_cast<int>(hk.vk)),
                                backend_->nowMs(), lastPointer_, 0});
      break;
    case K::TrayMouse:
      for (const auto& t : trayIcons_)
        if (t.trayId == e.trayId && (t.data.flags & NIF_MESSAGE))
          posted_.push_back(Msg{t.data.hwnd, t.data.callbackMessage, t.data.id, static_cast<LParam>(e.trayMessage),
                                backend_->nowMs(), lastPointer_, 0});
      break;
  }
}

Hwnd Platform::SetCapture(Hwnd hwnd) {
  Window* w = find(hwnd);
  const Hwnd previous = capture_;
  if (!w) return previous;
  capture_ = hwnd;
  Window* top = w;
  while (top->isChild()) top = find(top->parent);
  backend_->grabPointer(top->native);
  if (previous && previous != hwnd) dispatchTo(previous, WM_CAPTURECHANGED, 0, static_cast<LParam>(hwnd.value));
  return previous;
}

bool Platform::ReleaseCapture() {
  if (!capture_) return true;
  const Hwnd old = capture_;
  capture_ = {};
  backend_->grabPointer(0);
  dispatchTo(old, WM_CAPTURECHANGED, 0, 0);
  // A leave that waited for the capture to end.
  if (hover_ != old && std::find(leaveTracked_.begin(), leaveTracked_.end(), old) != leaveTracked_.end()) {
    std::erase(leaveTracked_, old);
    postInput(Msg{old, WM_MOUSELEAVE, 0, 0, backend_->nowMs(), lastPointer_, 0});
  }
  return true;
}

bool Platform::TrackMouseEvent(std::uint32_t flags, Hwnd hwnd) {
  if (!find(hwnd)) return false;
  std::erase(leaveTracked_, hwnd);
  if (flags & TME_CANCEL) return true;
  if (!(flags & TME_LEAVE)) return true;
  if (hover_ != hwnd && capture_ != hwnd) {
    // Win32 answers at once when the pointer is not over the window.
    postInput(Msg{hwnd, WM_MOUSELEAVE, 0, 0, backend_->nowMs(), lastPointer_, 0});
    return true;
  }
  leaveTracked_.push_back(hwnd);
  return true;
}

void Platform::deactivate() {
  const Hwnd old = active_;
  if (!old) return;
  active_ = {};
  if (focus_) {
    const Hwnd f = focus_;
    focus_ = {};
    dispatchTo(f, WM_KILLFOCUS, 0, 0);
  }
  dispatchTo(old, WM_ACTIVATE, WA_INACTIVE, 0);
}

void Platform::activate(Hwnd hwnd, bool fromSystem) {
  Window* w = find(hwnd);
  if (!w || w->destroying) return;
  if (active_ == hwnd) {
    if (!fromSystem) backend_->setInputFocus(w->native);
    return;
  }
  const Hwnd old = active_;
  if (old) {
    active_ = {};
    if (focus_) {
      const Hwnd f = focus_;
      focus_ = {};
      dispatchTo(f, WM_KILLFOCUS, static_cast<WParam>(hwnd.value), 0);
    }
    dispatchTo(old, WM_ACTIVATE, WA_INACTIVE, static_cast<LParam>(hwnd.value));
  }
  if (!(w = find(hwnd))) return;
  active_ = hwnd;
  if (!fromSystem) backend_->setInputFocus(w->native);
  dispatchTo(hwnd, WM_ACTIVATE, WA_ACTIVE, static_cast<LParam>(old.value));
}

Hwnd Platform::SetActiveWindow(Hwnd hwnd) {
  const Hwnd old = active_;
  Window* w = find(hwnd);
  if (!w || w->isChild()) return {};
  activate(hwnd, false);
  return old;
}

bool Platform::SetForegroundWindow(Hwnd hwnd) {
  Window* w = find(hwnd);
  if (!w || w->isChild()) return false;
  moveInZOrder(*w, HWND_TOP);
  syncStacking();
  activate(hwnd, false);
  return true;
}

Hwnd Platform::SetFocus(Hwnd hwnd) {
  const Hwnd old = focus_;
  if (!hwnd) {
    if (old) {
      focus_ = {};
      dispatchTo(old, WM_KILLFOCUS, 0, 0);
    }
    return old;
  }
  Window* w = find(hwnd);
  if (!w || !w->enabled()) return {};
  Window* top = w;
  while (top->isChild()) top = find(top->parent);
  if (active_ != top->hwnd) {
    activate(top->hwnd, false);
    if (!find(hwnd)) return old;
  }
  if (focus_ == hwnd) return focus_;
  const Hwnd before = focus_;
  focus_ = hwnd;
  if (before) dispatchTo(before, WM_KILLFOCUS, static_cast<WParam>(hwnd.value), 0);
  if (focus_ == hwnd && find(hwnd)) dispatchTo(hwnd, WM_SETFOCUS, static_cast<WParam>(before.value), 0);
  return before;
}

bool Platform::GetCursorPos(Point& out) const {
  out = backend_->cursorPos();
  return true;
}

bool Platform::SetCursorPos(int x, int y) {
  backend_->setCursorPos({x, y});
  return true;
}

std::int16_t Platform::GetAsyncKeyState(unsigned vk) const {
  return backend_->keyDown(vk) ? static_cast<std::int16_t>(0x8000) : 0;
}

std::int16_t Platform::GetKeyState(unsigned vk) const {
  return vk < keys_.size() && keys_[vk] ? static_cast<std::int16_t>(0x8000) : 0;
}

// ---------------------------------------------------------------------------------------------------
// Cursors and icons

HCursor Platform::LoadCursor(unsigned id) {
  switch (id) {
    case IDC_ARROW: case IDC_IBEAM: case IDC_WAIT: case IDC_CROSS: case IDC_UPARROW: case IDC_SIZENWSE:
    case IDC_SIZENESW: case IDC_SIZEWE: case IDC_SIZENS: case IDC_SIZEALL: case IDC_NO: case IDC_HAND:
      return id;
    default:
      return 0;
  }
}

HCursor Platform::CreateCursorFromFile(std::span<const std::uint8_t> bytes) {
  auto shape = CursorFile::parse(bytes);
  if (!shape) return 0;
  const HCursor h = nextCursor_++;
  customCursors_.emplace(h, std::move(*shape));
  return h;
}

HCursor Platform::SetCursor(HCursor cursor) {
  const HCursor old = cursor_;
  if (cursor != 0 && LoadCursor(static_cast<unsigned>(cursor)) == 0 && !customCursors_.contains(cursor)) return old;
  cursor_ = cursor ? cursor : IDC_ARROW;
  // Win32's cursor is global; an X cursor belongs to a window: set it on the one under the pointer.
  Hwnd where = capture_ ? capture_ : hover_;
  Window* w = find(where);
  while (w && w->isChild()) w = find(w->parent);
  if (w && cursor_ != old) applyCursorTo(w->native);
  return old;
}

bool Platform::DestroyCursor(HCursor cursor) { return customCursors_.erase(cursor) > 0; }

HIcon Platform::CreateIcon(const gfx::Bitmap& image) {
  if (image.empty()) return 0;
  const HIcon h = nextIcon_++;
  icons_.emplace(h, image);
  return h;
}

bool Platform::DestroyIcon(HIcon icon) { return icons_.erase(icon) > 0; }

const gfx::Bitmap* Platform::IconImage(HIcon icon) const {
  auto it = icons_.find(icon);
  return it == icons_.end() ? nullptr : &it->second;
}

// ---------------------------------------------------------------------------------------------------
// Hot keys and shell services

bool Platform::RegisterHotKey(Hwnd hwnd, int id, unsigned modifiers, unsigned vk) {
  if (!find(hwnd)) return false;
  for (const auto& hk : hotKeys_)
    if ((hk.hwnd == hwnd && hk.id == id) || (hk.modifiers == modifiers && hk.vk == vk)) return false;
  if (!backend_->grabHotKey(modifiers, vk)) return false;
  hotKeys_.push_back({hwnd, id, modifiers, vk});
  return true;
}

bool Platform::UnregisterHotKey(Hwnd hwnd, int id) {
  auto it = std::find_if(hotKeys_.begin(), hotKeys_.end(), [&](const HotKey& hk) { return hk.hwnd == hwnd && hk.id == id; });
  if (it == hotKeys_.end()) return false;
  backend_->ungrabHotKey(it->modifiers, it->vk);
  hotKeys_.erase(it);
  return true;
}

bool Platform::Shell_NotifyIcon(unsigned operation, const NotifyIconData& data) {
  auto it = std::find_if(trayIcons_.begin(), trayIcons_.end(),
                         [&](const TrayIcon& t) { return t.data.hwnd == data.hwnd && t.data.id == data.id; });
  const gfx::Bitmap noIcon;
  auto iconOf = [&](HIcon h) -> const gfx::Bitmap& {
    const gfx::Bitmap* img = IconImage(h);
    return img ? *img : noIcon;
  };
  switch (operation) {
    case NIM_ADD: {
      if (it != trayIcons_.end() || !find(data.hwnd)) return false;
      TrayIcon t{data, nextTrayId_++};
      if (!backend_->trayAdd(t.trayId, iconOf(data.icon), data.tip)) return false;
      trayIcons_.push_back(std::move(t));
      return true;
    }
    case NIM_MODIFY: {
      if (it == trayIcons_.end()) return false;
      if (data.flags & NIF_MESSAGE) it->data.callbackMessage = data.callbackMessage;
      if (data.flags & NIF_ICON) it->data.icon = data.icon;
      if (data.flags & NIF_TIP) it->data.tip = data.tip;
      it->data.flags |= data.flags;
      return backend_->trayModify(it->trayId, iconOf(it->data.icon), it->data.tip);
    }
    case NIM_DELETE:
      if (it == trayIcons_.end()) return false;
      backend_->trayRemove(it->trayId);
      trayIcons_.erase(it);
      return true;
    default:
      return false;
  }
}

bool Platform::MessageBeep(unsigned) {
  backend_->beep();
  return true;
}

bool Platform::SetClipboardText(std::u16string_view text) {
  backend_->setClipboardText(std::u16string(text));
  return true;
}

std::optional<std::u16string> Platform::GetClipboardText() { return backend_->clipboardText(); }

bool Platform::ShellOpen(std::string_view target) {
  if (target.empty() || target.find('\0') != std::string_view::npos) return false;
  const bool address = startsWithNoCase(target, "http://") || startsWithNoCase(target, "https://") ||
                       startsWithNoCase(target, "mailto:");
  if (address) {
    for (unsigned char c : target)
      if (c <= ' ' || c == 0x7F) return false;  // one address, nothing a handler could split
    return backend_->openExternal(std::string(target));
  }
  std::error_code ec;
  const std::filesystem::path path(target);
  if (!std::filesystem::exists(path, ec) || ec) return false;
  // An absolute path never starts with '-', so a handler cannot take it for an option.
  const auto absolute = std::filesystem::absolute(path, ec);
  if (ec) return false;
  return backend_->openExternal(absolute.string());
}

int Platform::GetSystemMetrics(int index) const {
  const Size s = backend_->screenSize();
  switch (index) {
    case SM_CXSCREEN: case SM_CXVIRTUALSCREEN: return s.width;
    case SM_CYSCREEN: case SM_CYVIRTUALSCREEN: return s.height;
    case SM_CXDOUBLECLK: case SM_CYDOUBLECLK: return kDoubleClickDistance;
    default: return 0;
  }
}

Rect Platform::GetWorkArea() const { return backend_->workArea(); }

Hwnd Platform::WindowFromPoint(Point p) const {
  for (const auto& d : backend_->desktopWindows()) {
    if (!d.visible || !d.rect.contains(p)) continue;
    auto it = byNative_.find(d.id);
    if (it == byNative_.end()) return Hwnd{d.id | Hwnd::kForeignBit};
    const Window* w = find(Hwnd{it->second});
    if (!w || !w->visible) continue;
    const Point local{p.x - w->rect.left, p.y - w->rect.top};
    // The mouse and WindowFromPoint pass through what the window does not show.
    if (w->layered()) {
      if (gfx::alphaOf(w->layeredPixels.pixel(local.x, local.y)) < kHitAlpha) continue;
    } else if (w->region && !w->region->contains(local)) {
      continue;
    }
    // Descend to the deepest visible, enabled child under the point.
    for (bool descended = true; descended;) {
      descended = false;
      for (Hwnd c : w->children) {
        const Window* cw = find(c);
        Rect r;
        if (cw && cw->visible && cw->enabled() && GetWindowRect(c, r) && r.contains(p)) {
          w = cw;
          descended = true;
          break;
        }
      }
    }
    return w->hwnd;
  }
  return {};
}

gfx::Bitmap Platform::GrabScreen(const Rect& rect) {
  const Size s = backend_->screenSize();
  const Rect clipped = rect.intersect({0, 0, s.width, s.height});
  if (clipped.empty()) return {};
  return backend_->grabScreen(clipped);
}

}  // namespace platform
