#include "platform/x11/X11Backend.h"

#include <X11/Xlib.h>
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xcursor/Xcursor.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/Xrandr.h>
#include <X11/extensions/shape.h>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>

#include "platform/Messages.h"
#include "platform/Utf.h"
#include "platform/x11/X11Keymap.h"
#include "platform/x11/X11Tray.h"

extern char** environ;

namespace platform {
namespace {

// Xlib reports protocol errors through a process-wide handler; we only remember the last one.
int g_lastError = 0;
int recordError(Display*, XErrorEvent* e) {
  g_lastError = e->error_code;
  return 0;
}

constexpr long kEventMask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                            LeaveWindowMask | KeyPressMask | KeyReleaseMask | FocusChangeMask | StructureNotifyMask;
constexpr unsigned kPointerGrabMask = ButtonPressMask | ButtonReleaseMask | PointerMotionMask | LeaveWindowMask;
constexpr int kWheelUp = 4;
constexpr int kWheelDown = 5;
constexpr int kClipboardWaitMs = 1000;
constexpr unsigned long kMotifDecorations = 1 << 1;

// The lock keys a hot key must ignore: none, Caps Lock, Num Lock and both.
constexpr std::array<unsigned, 4> kLockCombos{0, LockMask, Mod2Mask, LockMask | Mod2Mask};

unsigned xModifiers(unsigned mods) {
  unsigned x = 0;
  if (mods & MOD_SHIFT) x |= ShiftMask;
  if (mods & MOD_CONTROL) x |= ControlMask;
  if (mods & MOD_ALT) x |= Mod1Mask;
  if (mods & MOD_WIN) x |= Mod4Mask;
  return x;
}

// The X names of the system cursors.
const char* cursorName(unsigned id) {
  switch (id) {
    case IDC_IBEAM: return "xterm";
    case IDC_WAIT: return "watch";
    case IDC_CROSS: return "crosshair";
    case IDC_UPARROW: return "center_ptr";
    case IDC_SIZENWSE: return "bottom_right_corner";
    case IDC_SIZENESW: return "bottom_left_corner";
    case IDC_SIZEWE: return "sb_h_double_arrow";
    case IDC_SIZENS: return "sb_v_double_arrow";
    case IDC_SIZEALL: return "fleur";
    case IDC_NO: return "crossed_circle";
    case IDC_HAND: return "hand2";
    default: return "left_ptr";
  }
}

}  // namespace

// A shared-memory segment reused by screen grabs; it grows to the largest grab asked for.
struct X11Backend::ShmGrab {
  XShmSegmentInfo info{};
  std::size_t size = 0;
  bool attached = false;

  void release(Display* dpy) {
    if (!attached) return;
    XShmDetach(dpy, &info);
    XSync(dpy, False);
    shmdt(info.shmaddr);
    attached = false;
    size = 0;
  }
  bool ensure(Display* dpy, std::size_t bytes) {
    if (attached && size >= bytes) return true;
    release(dpy);
    info.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (info.shmid < 0) return false;
    info.shmaddr = static_cast<char*>(shmat(info.shmid, nullptr, 0));
    shmctl(info.shmid, IPC_RMID, nullptr);  // freed once both sides detach
    if (info.shmaddr == reinterpret_cast<char*>(-1)) return false;
    info.readOnly = False;
    g_lastError = 0;
    XShmAttach(dpy, &info);
    XSync(dpy, False);
    if (g_lastError != 0) {
      shmdt(info.shmaddr);
      return false;
    }
    attached = true;
    size = bytes;
    return true;
  }
};

std::unique_ptr<X11Backend> X11Backend::open(const char* display, std::string* error) {
  XInitThreads();
  Display* dpy = XOpenDisplay(display);
  if (!dpy) {
    if (error) *error = "cannot connect to the X server";
    return nullptr;
  }
  XVisualInfo vi;
  if (!XMatchVisualInfo(dpy, DefaultScreen(dpy), 32, TrueColor, &vi)) {
    XCloseDisplay(dpy);
    if (error) *error = "the X server offers no 32-bit visual";
    return nullptr;
  }
  return std::unique_ptr<X11Backend>(new X11Backend(dpy));
}

X11Backend::X11Backend(Display* dpy) : dpy_(dpy), shm_(std::make_unique<ShmGrab>()) {
  XSetErrorHandler(recordError);
  screen_ = DefaultScreen(dpy_);
  root_ = RootWindow(dpy_, screen_);
  XVisualInfo vi;
  XMatchVisualInfo(dpy_, screen_, 32, TrueColor, &vi);
  visual_ = vi.visual;
  colormap_ = XCreateColormap(dpy_, root_, static_cast<Visual*>(visual_), AllocNone);
  int eventBase = 0;
  int errorBase = 0;
  if (XRRQueryExtension(dpy_, &eventBase, &errorBase)) {
    randrEvent_ = eventBase + RRScreenChangeNotify;
    XRRSelectInput(dpy_, root_, RRScreenChangeNotifyMask);
  }
  // Only key presses repeat (no release between), so a repeat is a press of a key that is down.
  XkbSetDetectableAutoRepeat(dpy_, True, nullptr);
  XSelectInput(dpy_, root_, PropertyChangeMask);
  if (pipe(wakePipe_) == 0) {
    fcntl(wakePipe_[0], F_SETFL, O_NONBLOCK);
    fcntl(wakePipe_[1], F_SETFL, O_NONBLOCK);
  }
  tray_ = std::make_unique<X11Tray>(dpy_, screen_);
  XSetWindowAttributes attrs{};
  attrs.override_redirect = True;
  clipboardOwner_ = XCreateWindow(dpy_, root_, -10, -10, 1, 1, 0, CopyFromParent, InputOnly, CopyFromParent,
                                  CWOverrideRedirect, &attrs);
}

X11Backend::~X11Backend() {
  tray_.reset();
  shm_->release(dpy_);
  for (auto& [id, w] : windows_) {
    if (w.backing) XFreePixmap(dpy_, w.backing);
    XDestroyWindow(dpy_, w.window);
  }
  for (auto& [id, c] : systemCursors_) XFreeCursor(dpy_, c);
  for (auto& [id, c] : imageCursors_) XFreeCursor(dpy_, c);
  if (gc_) XFreeGC(dpy_, gc_);
  XDestroyWindow(dpy_, clipboardOwner_);
  XFreeColormap(dpy_, colormap_);
  XCloseDisplay(dpy_);
  for (int fd : wakePipe_)
    if (fd >= 0) close(fd);
  reapChildren();
}

XId X11Backend::atom(const char* name) const { return XInternAtom(dpy_, name, False); }

bool X11Backend::sync() {
  XSync(dpy_, False);
  const bool ok = g_lastError == 0;
  g_lastError = 0;
  return ok;
}

// ---- windows

NativeId X11Backend::createWindow(const NativeWindowParams& p) {
  NativeWindow nw;
  nw.topLevel = p.parent == 0;
  // Tool windows (frames, overlays, menus, tooltips) are placed by us alone; the others are managed.
  nw.managed = nw.topLevel && !(p.toolWindow && p.popup);
  XSetWindowAttributes attrs{};
  attrs.colormap = colormap_;
  attrs.border_pixel = 0;
  attrs.background_pixmap = None;
  attrs.override_redirect = nw.managed || !nw.topLevel ? False : True;
  attrs.event_mask = kEventMask;
  const Window parent = p.parent ? static_cast<Window>(p.parent) : root_;
  nw.size = {std::max(p.rect.width(), 1), std::max(p.rect.height(), 1)};
  nw.window = XCreateWindow(dpy_, parent, p.rect.left, p.rect.top, static_cast<unsigned>(nw.size.width),
                            static_cast<unsigned>(nw.size.height), 0, depth_, InputOutput, static_cast<Visual*>(visual_),
                            CWColormap | CWBorderPixel | CWBackPixmap | CWOverrideRedirect | CWEventMask, &attrs);
  if (!gc_) gc_ = XCreateGC(dpy_, nw.window, 0, nullptr);
  if (nw.managed) {
    Atom protocols[] = {atom("WM_DELETE_WINDOW")};
    XSetWMProtocols(dpy_, nw.window, protocols, 1);
    XSizeHints hints{};
    hints.flags = USPosition | PPosition;
    hints.x = p.rect.left;
    hints.y = p.rect.top;
    XSetWMNormalHints(dpy_, nw.window, &hints);
    if (p.popup) {
      const unsigned long motif[5] = {kMotifDecorations, 0, 0, 0, 0};
      XChangeProperty(dpy_, nw.window, atom("_MOTIF_WM_HINTS"), atom("_MOTIF_WM_HINTS"), 32, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(motif), 5);
    }
    std::vector<Atom> state;
    if (p.toolWindow) state.push_back(atom("_NET_WM_STATE_SKIP_TASKBAR"));
    if (p.topmost) state.push_back(atom("_NET_WM_STATE_ABOVE"));
    if (!state.empty())
      XChangeProperty(dpy_, nw.window, atom("_NET_WM_STATE"), XA_ATOM, 32, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(state.data()), static_cast<int>(state.size()));
    if (p.owner) XSetTransientForHint(dpy_, nw.window, static_cast<Window>(p.owner));
  }
  nw.rect = p.rect;
  const NativeId id = nw.window;
  windows_.emplace(id, nw);
  resizeBacking(windows_.at(id), nw.size);
  setWindowTitle(id, p.title);
  XFlush(dpy_);
  return id;
}

void X11Backend::resizeBacking(NativeWindow& w, Size size) {
  if (w.backing && w.size == size) return;
  if (w.backing) XFreePixmap(dpy_, w.backing);
  w.size = size;
  w.backing = XCreatePixmap(dpy_, w.window, static_cast<unsigned>(size.width), static_cast<unsigned>(size.height),
                            static_cast<unsigned>(depth_));
  XSetForeground(dpy_, gc_, 0);
  XFillRectangle(dpy_, w.backing, gc_, 0, 0, static_cast<unsigned>(size.width), static_cast<unsigned>(size.height));
  XSetWindowBackgroundPixmap(dpy_, w.window, w.backing);
  XClearWindow(dpy_, w.window);
}

void X11Backend::destroyWindow(NativeId id) {
  auto it = windows_.find(id);
  if (it == windows_.end()) return;
  if (grabbed_ == it->second.window) grabPointer(0);
  setInputProxy(it->second, false);
  if (it->second.backing) XFreePixmap(dpy_, it->second.backing);
  XDestroyWindow(dpy_, it->second.window);
  windows_.erase(it);
  XFlush(dpy_);
}

void X11Backend::setWindowRect(NativeId id, const Rect& r) {
  auto it = windows_.find(id);
  if (it == windows_.end()) return;
  const Size size{std::max(r.width(), 1), std::max(r.height(), 1)};
  XMoveResizeWindow(dpy_, it->second.window, r.left, r.top, static_cast<unsigned>(size.width),
                    static_cast<unsigned>(size.height));
  if (it->second.inputProxy)
    XMoveResizeWindow(dpy_, it->second.inputProxy, r.left, r.top, static_cast<unsigned>(size.width),
                      static_cast<unsigned>(size.height));
  it->second.rect = r;
  resizeBacking(it->second, size);
  XFlush(dpy_);
}

void X11Backend::setWindowVisible(NativeId id, bool visible) {
  auto it = windows_.find(id);
  if (it == windows_.end() || it->second.mapped == visible) return;
  it->second.mapped = visible;
  if (visible) XMapRaised(dpy_, it->second.window);
  else XUnmapWindow(dpy_, it->second.window);
  if (it->second.inputProxy) {
    if (visible) XMapRaised(dpy_, it->second.inputProxy);
    else XUnmapWindow(dpy_, it->second.inputProxy);
  }
  XFlush(dpy_);
}

void X11Backend::setWindowTitle(NativeId id, const std::u16string& title) {
  auto it = windows_.find(id);
  if (it == windows_.end()) return;
  const std::string utf8 = toUtf8(title);
  XChangeProperty(dpy_, it->second.window, atom("_NET_WM_NAME"), atom("UTF8_STRING"), 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(utf8.data()), static_cast<int>(utf8.size()));
  XStoreName(dpy_, it->second.window, utf8.c_str());
}

void X11Backend::restack(const std::vector<NativeId>& topFirst) {
  std::vector<Window> list;
  for (NativeId id : topFirst)
    if (auto it = windows_.find(id); it != windows_.end() && it->second.mapped) {
      if (it->second.inputProxy) list.push_back(it->second.inputProxy);
      list.push_back(it->second.window);
    }
  if (list.empty()) return;
  XRaiseWindow(dpy_, list.front());
  XRestackWindows(dpy_, list.data(), static_cast<int>(list.size()));
  XFlush(dpy_);
}

void X11Backend::present(NativeId id, const gfx::Bitmap& pixels, const Rect& dirty) {
  auto it = windows_.find(id);
  if (it == windows_.end() || pixels.empty()) return;
  NativeWindow& w = it->second;
  if (w.size.width != pixels.width() || w.size.height != pixels.height()) resizeBacking(w, {pixels.width(), pixels.height()});
  // The premultiplied 0xAARRGGBB words are exactly what a 32-bit ARGB visual stores.
  XImage* img = XCreateImage(dpy_, static_cast<Visual*>(visual_), static_cast<unsigned>(depth_), ZPixmap, 0,
                             const_cast<char*>(reinterpret_cast<const char*>(pixels.data())),
                             static_cast<unsigned>(pixels.width()), static_cast<unsigned>(pixels.height()), 32,
                             pixels.stride());
  if (!img) return;
  XPutImage(dpy_, w.backing, gc_, img, dirty.left, dirty.top, dirty.left, dirty.top,
            static_cast<unsigned>(dirty.width()), static_cast<unsigned>(dirty.height()));
  img->data = nullptr;  // the pixels belong to the bitmap
  XDestroyImage(img);
  XClearArea(dpy_, w.window, dirty.left, dirty.top, static_cast<unsigned>(dirty.width()),
             static_cast<unsigned>(dirty.height()), False);
  XFlush(dpy_);
}

void X11Backend::setShape(NativeId id, const std::optional<std::vector<Rect>>& bounding,
                          const std::optional<std::vector<Rect>>& input) {
  auto it = windows_.find(id);
  if (it == windows_.end()) return;
  auto apply = [&](XId window, int kind, const std::optional<std::vector<Rect>>& rects) {
    if (!rects) {
      XShapeCombineMask(dpy_, window, kind, 0, 0, None, ShapeSet);
      return;
    }
    std::vector<XRectangle> xr;
    xr.reserve(rects->size());
    for (const auto& r : *rects)
      xr.push_back({static_cast<short>(r.left), static_cast<short>(r.top), static_cast<unsigned short>(r.width()),
                    static_cast<unsigned short>(r.height())});
    XShapeCombineRectangles(dpy_, window, kind, 0, 0, xr.data(), static_cast<int>(xr.size()), ShapeSet, YXBanded);
  };
  NativeWindow& w = it->second;
  const bool proxied = bounding.has_value() && w.topLevel;
  setInputProxy(w, proxied);
  apply(w.window, ShapeBounding, bounding);
  if (proxied) {
    apply(w.window, ShapeInput, std::vector<Rect>{});
    apply(w.inputProxy, ShapeBounding, input);
    apply(w.inputProxy, ShapeInput, input);
  } else {
    apply(w.window, ShapeInput, input);
  }
  XFlush(dpy_);
}

void X11Backend::setInputProxy(NativeWindow& w, bool wanted) {
  if (!wanted) {
    if (w.inputProxy) {
      proxies_.erase(w.inputProxy);
      XDestroyWindow(dpy_, w.inputProxy);
      w.inputProxy = 0;
    }
    return;
  }
  if (w.inputProxy) return;
  XSetWindowAttributes attrs{};
  attrs.override_redirect = True;
  attrs.event_mask = ButtonPressMask | ButtonReleaseMask | PointerMotionMask | LeaveWindowMask;
  attrs.cursor = w.cursor;
  w.inputProxy = XCreateWindow(dpy_, root_, w.rect.left, w.rect.top, static_cast<unsigned>(w.size.width),
                               static_cast<unsigned>(w.size.height), 0, 0, InputOnly, CopyFromParent,
                               CWOverrideRedirect | CWEventMask | CWCursor, &attrs);
  proxies_[w.inputProxy] = w.window;
  if (w.mapped) {
    XMapWindow(dpy_, w.inputProxy);
    Window order[2] = {w.inputProxy, w.window};
    XRestackWindows(dpy_, order, 2);
  }
}

void X11Backend::setIcon(NativeId id, const gfx::Bitmap& icon) {
  auto it = windows_.find(id);
  if (it == windows_.end() || icon.empty()) return;
  std::vector<unsigned long> data{static_cast<unsigned long>(icon.width()), static_cast<unsigned long>(icon.height())};
  for (int y = 0; y < icon.height(); ++y)
    for (int x = 0; x < icon.width(); ++x) data.push_back(icon.pixel(x, y));
  XChangeProperty(dpy_, it->second.window, atom("_NET_WM_ICON"), XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(data.data()), static_cast<int>(data.size()));
}

XId X11Backend::cursorFor(const PointerShape& shape) {
  if (shape.systemId != 0 || shape.image.empty()) {
    auto& c = systemCursors_[shape.systemId];
    if (!c) c = XcursorLibraryLoadCursor(dpy_, cursorName(shape.systemId));
    return c;
  }
  std::size_t key = std::hash<int>{}(shape.hotSpot.x * 4099 + shape.hotSpot.y);
  for (int y = 0; y < shape.image.height(); ++y)
    for (int x = 0; x < shape.image.width(); ++x) key = key * 1099511628211ULL ^ shape.image.row(y)[x];
  auto& c = imageCursors_[key];
  if (!c) {
    XcursorImage* img = XcursorImageCreate(shape.image.width(), shape.image.height());
    if (!img) return 0;
    img->xhot = static_cast<XcursorDim>(shape.hotSpot.x);
    img->yhot = static_cast<XcursorDim>(shape.hotSpot.y);
    std::copy(shape.image.data(), shape.image.data() + shape.image.width() * shape.image.height(), img->pixels);
    c = XcursorImageLoadCursor(dpy_, img);
    XcursorImageDestroy(img);
  }
  return c;
}

void X11Backend::setCursor(NativeId id, const PointerShape& shape) {
  auto it = windows_.find(id);
  if (it == windows_.end()) return;
  const Cursor c = cursorFor(shape);
  if (c == it->second.cursor) return;
  it->second.cursor = c;
  XDefineCursor(dpy_, it->second.window, c);
  if (it->second.inputProxy) XDefineCursor(dpy_, it->second.inputProxy, c);
  if (grabbed_ == it->second.window) XChangeActivePointerGrab(dpy_, kPointerGrabMask, c, CurrentTime);
  XFlush(dpy_);
}

bool X11Backend::compositing() const {
  const std::string name = "_NET_WM_CM_S" + std::to_string(screen_);
  return XGetSelectionOwner(dpy_, atom(name.c_str())) != None;
}

// ---- input

unsigned X11Backend::modifiersFromState(unsigned state) const {
  unsigned m = 0;
  if (state & ShiftMask) m |= MOD_SHIFT;
  if (state & ControlMask) m |= MOD_CONTROL;
  if (state & Mod1Mask) m |= MOD_ALT;
  if (state & Mod4Mask) m |= MOD_WIN;
  return m;
}

void X11Backend::translate(XEvent& ev, std::vector<BackendEvent>& out) {
  using K = BackendEvent::Kind;
  if (tray_->handle(ev, out)) return;
  if (ev.type == randrEvent_ && randrEvent_ >= 0) {
    XRRUpdateConfiguration(&ev);
    return;
  }
  BackendEvent e;
  e.window = ev.xany.window;
  if (auto proxy = proxies_.find(ev.xany.window); proxy != proxies_.end()) e.window = proxy->second;
  switch (ev.type) {
    case MotionNotify:
      e.kind = K::MouseMove;
      e.pos = {ev.xmotion.x_root, ev.xmotion.y_root};
      out.push_back(e);
      break;
    case ButtonPress:
    case ButtonRelease: {
      e.pos = {ev.xbutton.x_root, ev.xbutton.y_root};
      const unsigned b = ev.xbutton.button;
      if (b == kWheelUp || b == kWheelDown) {
        if (ev.type == ButtonRelease) break;
        e.kind = K::Wheel;
        e.delta = b == kWheelUp ? WHEEL_DELTA : -WHEEL_DELTA;
      } else if (b >= 1 && b <= 3) {
        e.kind = ev.type == ButtonPress ? K::ButtonDown : K::ButtonUp;
        e.button = static_cast<int>(b);
      } else {
        break;
      }
      out.push_back(e);
      break;
    }
    case LeaveNotify:
      if (ev.xcrossing.mode == NotifyNormal && ev.xcrossing.detail != NotifyInferior) {
        e.kind = K::PointerLeft;
        e.pos = {ev.xcrossing.x_root, ev.xcrossing.y_root};
        out.push_back(e);
      }
      break;
    case KeyPress:
    case KeyRelease: {
      const unsigned long base = XLookupKeysym(&ev.xkey, 0);
      e.vk = X11Keymap::vkFromKeysym(base);
      if (ev.xkey.window == root_) {
        // A passive grab on the root: one of our hot keys.
        if (ev.type == KeyPress) {
          e.kind = K::HotKey;
          e.modifiers = modifiersFromState(ev.xkey.state);
          out.push_back(e);
        }
        break;
      }
      e.kind = ev.type == KeyPress ? K::KeyDown : K::KeyUp;
      if (ev.type == KeyPress) {
        char buf[8] = {};
        KeySym sym = 0;
        const int n = XLookupString(&ev.xkey, buf, sizeof buf, &sym, nullptr);
        e.character = (ev.xkey.state & ControlMask) && n == 1 ? static_cast<unsigned char>(buf[0])
                                                               : X11Keymap::characterFromKeysym(sym);
      }
      if (e.vk != 0) out.push_back(e);
      break;
    }
    case FocusIn:
    case FocusOut:
      if (ev.xfocus.mode == NotifyGrab || ev.xfocus.mode == NotifyUngrab) break;
      if (ev.xfocus.detail == NotifyPointer || ev.xfocus.detail == NotifyInferior) break;
      e.kind = ev.type == FocusIn ? K::FocusGained : K::FocusLost;
      out.push_back(e);
      break;
    case Expose:
      if (ev.xexpose.count == 0) {
        e.kind = K::Exposed;
        out.push_back(e);
      }
      break;
    case ConfigureNotify: {
      auto it = windows_.find(ev.xconfigure.window);
      // Nobody else moves override-redirect windows; a late notice would undo a newer move.
      if (it == windows_.end() || !it->second.managed) break;
      int x = 0;
      int y = 0;
      Window child = 0;
      XTranslateCoordinates(dpy_, it->second.window, root_, 0, 0, &x, &y, &child);
      e.kind = K::Configure;
      e.rect = Rect::fromXywh(x, y, ev.xconfigure.width, ev.xconfigure.height);
      out.push_back(e);
      break;
    }
    case ClientMessage:
      if (static_cast<Atom>(ev.xclient.data.l[0]) == atom("WM_DELETE_WINDOW")) {
        e.kind = K::CloseRequest;
        out.push_back(e);
      }
      break;
    case SelectionRequest:
      answerSelectionRequest(ev);
      break;
    case SelectionClear:
      if (ev.xselectionclear.window == clipboardOwner_) clipboardUtf8_.reset();
      break;
    default:
      break;
  }
}

void X11Backend::pollEvents(std::vector<BackendEvent>& out, std::optional<std::chrono::milliseconds> timeout) {
  reapChildren();
  auto drain = [&] {
    while (XPending(dpy_) > 0) {
      XEvent ev;
      XNextEvent(dpy_, &ev);
      translate(ev, out);
    }
  };
  drain();
  if (!out.empty() || (timeout && timeout->count() == 0)) return;
  pollfd fds[2] = {{ConnectionNumber(dpy_), POLLIN, 0}, {wakePipe_[0], POLLIN, 0}};
  const int ms = timeout ? static_cast<int>(std::min<long long>(timeout->count(), 1 << 30)) : -1;
  if (poll(fds, 2, ms) > 0 && (fds[1].revents & POLLIN)) {
    char buf[64];
    while (read(wakePipe_[0], buf, sizeof buf) > 0) {
    }
  }
  drain();
}

void X11Backend::wake() {
  const char byte = 1;
  [[maybe_unused]] const auto written = write(wakePipe_[1], &byte, 1);
}

std::uint32_t X11Backend::nowMs() const {
  return static_cast<std::uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch()).count());
}

void X11Backend::grabPointer(NativeId id) {
  if (id == 0) {
    if (grabbed_) XUngrabPointer(dpy_, CurrentTime);
    grabbed_ = 0;
    XFlush(dpy_);
    return;
  }
  auto it = windows_.find(id);
  if (it == windows_.end()) return;
  if (XGrabPointer(dpy_, it->second.window, False, kPointerGrabMask, GrabModeAsync, GrabModeAsync, None,
                   it->second.cursor, CurrentTime) == GrabSuccess)
    grabbed_ = it->second.window;
  XFlush(dpy_);
}

void X11Backend::setInputFocus(NativeId id) {
  auto it = windows_.find(id);
  if (it == windows_.end() || !it->second.mapped) return;
  // Focusing a window that is not viewable yet is an error the server reports; it is harmless.
  XSetInputFocus(dpy_, it->second.window, RevertToParent, CurrentTime);
  sync();
}

X11Backend::PointerState X11Backend::queryPointer() const {
  Window r = 0;
  Window c = 0;
  PointerState state;
  int wx = 0;
  int wy = 0;
  XQueryPointer(dpy_, root_, &r, &c, &state.pos.x, &state.pos.y, &wx, &wy, &state.mask);
  return state;
}

Point X11Backend::cursorPos() const { return queryPointer().pos; }

void X11Backend::setCursorPos(Point p) {
  XWarpPointer(dpy_, None, root_, 0, 0, 0, 0, p.x, p.y);
  XFlush(dpy_);
}

bool X11Backend::keyDown(unsigned vk) const {
  if (vk == VK_LBUTTON || vk == VK_RBUTTON || vk == VK_MBUTTON) {
    const unsigned mask = queryPointer().mask;
    return (mask & (vk == VK_LBUTTON ? Button1Mask : vk == VK_RBUTTON ? Button3Mask : Button2Mask)) != 0;
  }
  char keys[32];
  XQueryKeymap(dpy_, keys);
  auto isDown = [&](unsigned long sym) {
    const KeyCode code = XKeysymToKeycode(dpy_, sym);
    return code != 0 && (keys[code / 8] & (1 << (code % 8))) != 0;
  };
  if (vk == VK_SHIFT) return isDown(XK_Shift_L) || isDown(XK_Shift_R);
  if (vk == VK_CONTROL) return isDown(XK_Control_L) || isDown(XK_Control_R);
  if (vk == VK_MENU) return isDown(XK_Alt_L) || isDown(XK_Alt_R);
  const unsigned long sym = X11Keymap::keysymFromVk(vk);
  return sym != 0 && isDown(sym);
}

bool X11Backend::grabHotKey(unsigned modifiers, unsigned vk) {
  const unsigned long sym = X11Keymap::keysymFromVk(vk);
  const KeyCode code = sym ? XKeysymToKeycode(dpy_, sym) : 0;
  if (code == 0) return false;
  sync();
  for (unsigned lock : kLockCombos)
    XGrabKey(dpy_, code, xModifiers(modifiers) | lock, root_, False, GrabModeAsync, GrabModeAsync);
  if (!sync()) {
    // Another client holds the key (BadAccess): take back whatever we got.
    for (unsigned lock : kLockCombos) XUngrabKey(dpy_, code, xModifiers(modifiers) | lock, root_);
    sync();
    return false;
  }
  hotKeys_.insert({modifiers, vk});
  return true;
}

void X11Backend::ungrabHotKey(unsigned modifiers, unsigned vk) {
  if (!hotKeys_.erase({modifiers, vk})) return;
  const KeyCode code = XKeysymToKeycode(dpy_, X11Keymap::keysymFromVk(vk));
  for (unsigned lock : kLockCombos) XUngrabKey(dpy_, code, xModifiers(modifiers) | lock, root_);
  XFlush(dpy_);
}

// ---- screen and desktop

Size X11Backend::screenSize() const { return {DisplayWidth(dpy_, screen_), DisplayHeight(dpy_, screen_)}; }

Rect X11Backend::workArea() const {
  const Size s = screenSize();
  Rect area{0, 0, s.width, s.height};
  Atom type = 0;
  int format = 0;
  unsigned long count = 0;
  unsigned long after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(dpy_, root_, atom("_NET_WORKAREA"), 0, 4, False, XA_CARDINAL, &type, &format, &count,
                         &after, &data) == Success &&
      data && format == 32 && count >= 4) {
    const auto* v = reinterpret_cast<const long*>(data);
    const Rect r = Rect::fromXywh(static_cast<int>(v[0]), static_cast<int>(v[1]), static_cast<int>(v[2]),
                                  static_cast<int>(v[3]));
    if (!r.empty()) area = r;
  }
  if (data) XFree(data);
  return area;
}

gfx::Bitmap X11Backend::grabScreen(const Rect& rect) {
  if (rect.empty()) return {};
  const auto w = static_cast<unsigned>(rect.width());
  const auto h = static_cast<unsigned>(rect.height());
  XWindowAttributes ra;
  XGetWindowAttributes(dpy_, root_, &ra);
  XImage* img = nullptr;
  bool viaShm = false;
  if (XShmQueryExtension(dpy_)) {
    img = XShmCreateImage(dpy_, ra.visual, static_cast<unsigned>(ra.depth), ZPixmap, nullptr, &shm_->info, w, h);
    if (img && shm_->ensure(dpy_, static_cast<std::size_t>(img->bytes_per_line) * h)) {
      img->data = shm_->info.shmaddr;
      g_lastError = 0;
      viaShm = XShmGetImage(dpy_, root_, img, rect.left, rect.top, AllPlanes) && sync();
    }
    if (!viaShm && img) {
      img->data = nullptr;
      XDestroyImage(img);
      img = nullptr;
    }
  }
  if (!img) img = XGetImage(dpy_, root_, rect.left, rect.top, w, h, AllPlanes, ZPixmap);
  if (!img) return {};
  gfx::Bitmap out(static_cast<int>(w), static_cast<int>(h));
  if (img->bits_per_pixel == 32 && img->red_mask == 0xFF0000 && img->green_mask == 0xFF00 && img->blue_mask == 0xFF) {
    for (unsigned y = 0; y < h; ++y) {
      const auto* src = reinterpret_cast<const std::uint32_t*>(img->data + static_cast<std::size_t>(y) * img->bytes_per_line);
      std::uint32_t* dst = out.row(static_cast<int>(y));
      for (unsigned x = 0; x < w; ++x) dst[x] = src[x] | 0xFF000000u;
    }
  } else {
    for (unsigned y = 0; y < h; ++y)
      for (unsigned x = 0; x < w; ++x) {
        const unsigned long p = XGetPixel(img, static_cast<int>(x), static_cast<int>(y));
        auto channel = [&](unsigned long mask) {
          if (!mask) return 0u;
          const int shift = __builtin_ctzl(mask);
          const unsigned long max = mask >> shift;
          return static_cast<unsigned>(((p & mask) >> shift) * 255 / max);
        };
        out.row(static_cast<int>(y))[x] = gfx::makeArgb(255, channel(img->red_mask), channel(img->green_mask), channel(img->blue_mask));
      }
  }
  if (viaShm) img->data = nullptr;  // the segment stays for the next grab
  XDestroyImage(img);
  return out;
}

std::vector<DesktopWindow> X11Backend::desktopWindows() const {
  std::vector<DesktopWindow> out;
  // Which root child holds each of our top-level windows (the window manager may have framed it).
  std::map<Window, NativeId> ours;
  for (const auto& [id, w] : windows_) {
    if (!w.topLevel) continue;
    Window cur = w.window;
    for (int depth = 0; depth < 8; ++depth) {
      Window rootRet = 0;
      Window parent = 0;
      Window* kids = nullptr;
      unsigned n = 0;
      if (!XQueryTree(dpy_, cur, &rootRet, &parent, &kids, &n)) break;
      if (kids) XFree(kids);
      if (parent == root_ || parent == 0) break;
      cur = parent;
    }
    ours[cur] = id;
  }
  Window rootRet = 0;
  Window parent = 0;
  Window* kids = nullptr;
  unsigned n = 0;
  if (!XQueryTree(dpy_, root_, &rootRet, &parent, &kids, &n)) return out;
  for (unsigned i = n; i-- > 0;) {  // the server lists bottom first
    XWindowAttributes wa;
    if (!XGetWindowAttributes(dpy_, kids[i], &wa) || wa.c_class != InputOutput) continue;
    if (kids[i] == clipboardOwner_) continue;
    DesktopWindow d;
    auto it = ours.find(kids[i]);
    d.id = it != ours.end() ? it->second : kids[i];
    d.rect = Rect::fromXywh(wa.x, wa.y, wa.width + 2 * wa.border_width, wa.height + 2 * wa.border_width);
    d.visible = wa.map_state == IsViewable;
    out.push_back(d);
  }
  if (kids) XFree(kids);
  return out;
}

// ---- shell services

bool X11Backend::trayAdd(std::uint32_t trayId, const gfx::Bitmap& icon, const std::u16string& tip) {
  return tray_->add(trayId, icon, tip);
}

bool X11Backend::trayModify(std::uint32_t trayId, const gfx::Bitmap& icon, const std::u16string& tip) {
  return tray_->modify(trayId, icon, tip);
}

void X11Backend::trayRemove(std::uint32_t trayId) { tray_->remove(trayId); }

void X11Backend::setClipboardText(const std::u16string& text) {
  clipboardUtf8_ = toUtf8(text);
  XSetSelectionOwner(dpy_, atom("CLIPBOARD"), clipboardOwner_, CurrentTime);
  XFlush(dpy_);
}

void X11Backend::answerSelectionRequest(const XEvent& request) {
  const XSelectionRequestEvent& req = request.xselectionrequest;
  XEvent reply{};
  reply.xselection.type = SelectionNotify;
  reply.xselection.requestor = req.requestor;
  reply.xselection.selection = req.selection;
  reply.xselection.target = req.target;
  reply.xselection.time = req.time;
  reply.xselection.property = None;
  const Atom utf8 = atom("UTF8_STRING");
  if (clipboardUtf8_ && req.property != None) {
    if (req.target == atom("TARGETS")) {
      const Atom targets[] = {atom("TARGETS"), utf8, XA_STRING};
      XChangeProperty(dpy_, req.requestor, req.property, XA_ATOM, 32, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(targets), 3);
      reply.xselection.property = req.property;
    } else if (req.target == utf8 || req.target == XA_STRING) {
      XChangeProperty(dpy_, req.requestor, req.property, req.target, 8, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(clipboardUtf8_->data()),
                      static_cast<int>(clipboardUtf8_->size()));
      reply.xselection.property = req.property;
    }
  }
  XSendEvent(dpy_, req.requestor, False, NoEventMask, &reply);
  XFlush(dpy_);
}

std::optional<std::u16string> X11Backend::clipboardText() {
  const Atom clipboard = atom("CLIPBOARD");
  const Window owner = XGetSelectionOwner(dpy_, clipboard);
  if (owner == None) return std::nullopt;
  if (owner == clipboardOwner_) return clipboardUtf8_ ? std::optional(toUtf16(*clipboardUtf8_)) : std::nullopt;
  const Atom prop = atom("MOROGIF_CLIPBOARD");
  XConvertSelection(dpy_, clipboard, atom("UTF8_STRING"), prop, clipboardOwner_, CurrentTime);
  XFlush(dpy_);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kClipboardWaitMs);
  XEvent ev;
  while (!XCheckTypedWindowEvent(dpy_, clipboardOwner_, SelectionNotify, &ev)) {
    if (std::chrono::steady_clock::now() > deadline) return std::nullopt;
    pollfd fd{ConnectionNumber(dpy_), POLLIN, 0};
    poll(&fd, 1, 20);
  }
  if (ev.xselection.property == None) return std::nullopt;
  Atom type = 0;
  int format = 0;
  unsigned long count = 0;
  unsigned long after = 0;
  unsigned char* data = nullptr;
  std::optional<std::u16string> text;
  if (XGetWindowProperty(dpy_, clipboardOwner_, prop, 0, 1 << 24, True, AnyPropertyType, &type, &format, &count,
                         &after, &data) == Success &&
      data && format == 8)
    text = toUtf16(std::string_view(reinterpret_cast<const char*>(data), count));
  if (data) XFree(data);
  return text;
}

void X11Backend::beep() {
  XBell(dpy_, 0);
  XFlush(dpy_);
}

bool X11Backend::openExternal(const std::string& target) {
  std::string program = "xdg-open";
  std::vector<char*> argv{program.data(), const_cast<char*>(target.c_str()), nullptr};
  pid_t pid = 0;
  if (posix_spawnp(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return false;
  children_.push_back(pid);
  return true;
}

void X11Backend::reapChildren() {
  std::erase_if(children_, [](int pid) { return waitpid(pid, nullptr, WNOHANG) != 0; });
}

}  // namespace platform
