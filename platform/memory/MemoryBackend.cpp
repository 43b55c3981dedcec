#include "platform/memory/MemoryBackend.h"

#include <algorithm>
#include <stdexcept>

#include "platform/Messages.h"

namespace platform {

namespace {
// How long a loop that waits with no timer may sit before the test is told it would hang.
constexpr std::chrono::seconds kForeverGuard{5};
}  // namespace

MemoryBackend::MemoryBackend(Size screen) : screen_(screen.width, screen.height, 0xFF000000u) {}

// ---- scripting

void MemoryBackend::inject(const BackendEvent& e) {
  {
    std::lock_guard lock(mutex_);
    pending_.push_back(e);
    if (pending_.back().time == 0) pending_.back().time = now_;
  }
  wakeup_.notify_all();
}

NativeId MemoryBackend::windowAt(Point p) const {
  if (grab_) return grab_;
  for (NativeId id : stacking_) {
    const MemoryWindow& w = windows_.at(id);
    if (w.visible && w.rect.contains(p) && inInputShape(w, p)) return id;
  }
  return 0;
}

bool MemoryBackend::inInputShape(const MemoryWindow& w, Point p) const {
  if (!w.input) return true;
  const Point local{p.x - w.rect.left, p.y - w.rect.top};
  return std::any_of(w.input->begin(), w.input->end(), [&](const Rect& r) { return r.contains(local); });
}

void MemoryBackend::moveMouse(Point p) {
  const NativeId before = windowAt(pointer_);
  pointer_ = p;
  const NativeId after = windowAt(p);
  if (before && before != after && !grab_) inject({.kind = BackendEvent::Kind::PointerLeft, .window = before, .pos = p});
  inject({.kind = BackendEvent::Kind::MouseMove, .window = after, .pos = p});
}

void MemoryBackend::press(Point p, int button) {
  moveMouse(p);
  down_.insert(button == 1 ? VK_LBUTTON : button == 3 ? VK_RBUTTON : VK_MBUTTON);
  inject({.kind = BackendEvent::Kind::ButtonDown, .window = windowAt(p), .pos = p, .button = button});
}

void MemoryBackend::release(Point p, int button) {
  moveMouse(p);
  down_.erase(button == 1 ? VK_LBUTTON : button == 3 ? VK_RBUTTON : VK_MBUTTON);
  inject({.kind = BackendEvent::Kind::ButtonUp, .window = windowAt(p), .pos = p, .button = button});
}

void MemoryBackend::click(Point p, int button) {
  press(p, button);
  release(p, button);
}

void MemoryBackend::wheel(Point p, int delta) {
  moveMouse(p);
  inject({.kind = BackendEvent::Kind::Wheel, .window = windowAt(p), .pos = p, .delta = delta});
}

void MemoryBackend::key(unsigned vk, char32_t character, bool down) {
  if (down) down_.insert(vk);
  else down_.erase(vk);
  inject({.kind = down ? BackendEvent::Kind::KeyDown : BackendEvent::Kind::KeyUp, .window = focus_, .pos = pointer_,
          .vk = vk, .character = down ? character : 0});
}

void MemoryBackend::pressHotKey(unsigned modifiers, unsigned vk) {
  if (grabbed_.contains({modifiers, vk})) {
    inject({.kind = BackendEvent::Kind::HotKey, .pos = pointer_, .vk = vk, .modifiers = modifiers});
    return;
  }
  key(vk, 0, true);
  key(vk, 0, false);
}

void MemoryBackend::focusIn(NativeId id) {
  focus_ = id;
  inject({.kind = BackendEvent::Kind::FocusGained, .window = id});
}

void MemoryBackend::focusOut(NativeId id) {
  if (focus_ == id) focus_ = 0;
  inject({.kind = BackendEvent::Kind::FocusLost, .window = id});
}

void MemoryBackend::clickTray(std::uint32_t trayId, Message mouseMessage) {
  if (!tray_.contains(trayId)) return;
  inject({.kind = BackendEvent::Kind::TrayMouse, .trayId = trayId, .trayMessage = mouseMessage});
}

NativeId MemoryBackend::addForeignWindow(const Rect& rect, bool visible) {
  const NativeId id = nextId_++;
  foreign_.push_back({id, DesktopWindow{id, rect, visible}});
  return id;
}

const MemoryWindow* MemoryBackend::window(NativeId id) const {
  auto it = windows_.find(id);
  return it == windows_.end() ? nullptr : &it->second;
}

// ---- Backend

NativeId MemoryBackend::createWindow(const NativeWindowParams& params) {
  const NativeId id = nextId_++;
  MemoryWindow w;
  w.params = params;
  w.rect = params.rect;
  w.title = params.title;
  windows_.emplace(id, std::move(w));
  if (!params.parent) stacking_.insert(stacking_.begin(), id);
  return id;
}

void MemoryBackend::destroyWindow(NativeId id) {
  windows_.erase(id);
  std::erase(stacking_, id);
  if (grab_ == id) grab_ = 0;
  if (focus_ == id) focus_ = 0;
}

void MemoryBackend::setWindowRect(NativeId id, const Rect& rect) {
  if (auto it = windows_.find(id); it != windows_.end()) it->second.rect = rect;
}

void MemoryBackend::setWindowVisible(NativeId id, bool visible) {
  if (auto it = windows_.find(id); it != windows_.end()) it->second.visible = visible;
}

void MemoryBackend::setWindowTitle(NativeId id, const std::u16string& title) {
  if (auto it = windows_.find(id); it != windows_.end()) it->second.title = title;
}

void MemoryBackend::restack(const std::vector<NativeId>& topFirst) {
  std::vector<NativeId> rest;
  for (NativeId id : stacking_)
    if (std::find(topFirst.begin(), topFirst.end(), id) == topFirst.end()) rest.push_back(id);
  stacking_ = topFirst;
  stacking_.insert(stacking_.end(), rest.begin(), rest.end());
}

void MemoryBackend::present(NativeId id, const gfx::Bitmap& pixels, const Rect& dirty) {
  auto it = windows_.find(id);
  if (it == windows_.end()) return;
  MemoryWindow& w = it->second;
  if (w.pixels.width() != pixels.width() || w.pixels.height() != pixels.height()) w.pixels = gfx::Bitmap(pixels.width(), pixels.height());
  for (int y = dirty.top; y < dirty.bottom; ++y)
    std::copy(pixels.row(y) + dirty.left, pixels.row(y) + dirty.right, w.pixels.row(y) + dirty.left);
  ++w.presents;
}

void MemoryBackend::setShape(NativeId id, const std::optional<std::vector<Rect>>& bounding,
                             const std::optional<std::vector<Rect>>& input) {
  if (auto it = windows_.find(id); it != windows_.end()) {
    it->second.bounding = bounding;
    it->second.input = input;
  }
}

void MemoryBackend::setCursor(NativeId id, const PointerShape& shape) {
  if (auto it = windows_.find(id); it != windows_.end()) it->second.cursor = shape;
}

void MemoryBackend::pollEvents(std::vector<BackendEvent>& out, std::optional<std::chrono::milliseconds> timeout) {
  auto take = [&] {
    std::lock_guard lock(mutex_);
    out.insert(out.end(), pending_.begin(), pending_.end());
    const bool any = !pending_.empty() || woken_;
    pending_.clear();
    woken_ = false;
    return any;
  };
  if (take() || (timeout && timeout->count() == 0)) return;
  if (idleHook_) {
    idleHook_();
    if (take()) return;
  }
  if (timeout) {
    now_ += static_cast<std::uint32_t>(timeout->count());  // sleeping is a jump of the clock
    return;
  }
  std::unique_lock lock(mutex_);
  if (!wakeup_.wait_for(lock, kForeverGuard, [&] { return !pending_.empty() || woken_; }))
    throw std::runtime_error("the message loop would wait forever: nothing is scripted and no timer runs");
  out.insert(out.end(), pending_.begin(), pending_.end());
  pending_.clear();
  woken_ = false;
}

void MemoryBackend::wake() {
  {
    std::lock_guard lock(mutex_);
    woken_ = true;
  }
  wakeup_.notify_all();
}

bool MemoryBackend::grabHotKey(unsigned modifiers, unsigned vk) {
  if (refused_.contains({modifiers, vk})) return false;
  grabbed_.insert({modifiers, vk});
  return true;
}

gfx::Bitmap MemoryBackend::grabScreen(const Rect& rect) { return screen_.crop(rect.left, rect.top, rect.width(), rect.height()); }

std::vector<DesktopWindow> MemoryBackend::desktopWindows() const {
  std::vector<DesktopWindow> out;
  for (NativeId id : stacking_) {
    const MemoryWindow& w = windows_.at(id);
    out.push_back({id, w.rect, w.visible});
  }
  for (const auto& [id, d] : foreign_) out.push_back(d);
  return out;
}

bool MemoryBackend::trayAdd(std::uint32_t trayId, const gfx::Bitmap& icon, const std::u16string& tip) {
  if (!trayAvailable_) return false;
  tray_[trayId] = {icon, tip};
  return true;
}

bool MemoryBackend::trayModify(std::uint32_t trayId, const gfx::Bitmap& icon, const std::u16string& tip) {
  auto it = tray_.find(trayId);
  if (it == tray_.end()) return false;
  it->second = {icon, tip};
  return true;
}

bool MemoryBackend::openExternal(const std::string& target) {
  opened_.push_back(target);
  return true;
}

}  // namespace platform
