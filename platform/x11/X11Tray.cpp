#include "platform/x11/X11Tray.h"

#include <X11/Xlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <string>

#include "platform/Messages.h"
#include "platform/Utf.h"

namespace platform {
namespace {

constexpr long kRequestDock = 0;
constexpr int kDefaultSide = 22;
constexpr unsigned long kXembedMapped = 1;
constexpr gfx::Argb kBackground = gfx::makeArgb(255, 0xD8, 0xD8, 0xD8);

}  // namespace

X11Tray::X11Tray(Display* dpy, int screen) : dpy_(dpy), screen_(screen) {}

X11Tray::~X11Tray() {
  for (const auto& [id, icon] : icons_) XDestroyWindow(dpy_, icon.window);
}

void X11Tray::setTip(Window w, const std::u16string& tip) {
  const std::string utf8 = toUtf8(tip);
  XChangeProperty(dpy_, w, XInternAtom(dpy_, "_NET_WM_NAME", False), XInternAtom(dpy_, "UTF8_STRING", False), 8,
                  PropModeReplace, reinterpret_cast<const unsigned char*>(utf8.data()), static_cast<int>(utf8.size()));
  XStoreName(dpy_, w, utf8.c_str());
}

bool X11Tray::add(std::uint32_t id, const gfx::Bitmap& icon, const std::u16string& tip) {
  const std::string selection = "_NET_SYSTEM_TRAY_S" + std::to_string(screen_);
  const Window owner = XGetSelectionOwner(dpy_, XInternAtom(dpy_, selection.c_str(), False));
  if (owner == None || icons_.contains(id)) return false;

  XSetWindowAttributes attrs{};
  attrs.background_pixel = kBackground & 0xFFFFFF;
  attrs.event_mask = ButtonPressMask | ButtonReleaseMask | ExposureMask | StructureNotifyMask;
  const Window w = XCreateWindow(dpy_, RootWindow(dpy_, screen_), 0, 0, kDefaultSide, kDefaultSide, 0, CopyFromParent,
                                 InputOutput, CopyFromParent, CWBackPixel | CWEventMask, &attrs);
  const unsigned long info[2] = {0, kXembedMapped};
  const Atom xembedInfo = XInternAtom(dpy_, "_XEMBED_INFO", False);
  XChangeProperty(dpy_, w, xembedInfo, xembedInfo, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(info), 2);
  setTip(w, tip);

  XEvent ev{};
  ev.xclient.type = ClientMessage;
  ev.xclient.window = owner;
  ev.xclient.message_type = XInternAtom(dpy_, "_NET_SYSTEM_TRAY_OPCODE", False);
  ev.xclient.format = 32;
  ev.xclient.data.l[0] = CurrentTime;
  ev.xclient.data.l[1] = kRequestDock;
  ev.xclient.data.l[2] = static_cast<long>(w);
  XSendEvent(dpy_, owner, False, NoEventMask, &ev);
  XFlush(dpy_);
  icons_[id] = Icon{w, icon};
  return true;
}

bool X11Tray::modify(std::uint32_t id, const gfx::Bitmap& icon, const std::u16string& tip) {
  auto it = icons_.find(id);
  if (it == icons_.end()) return false;
  it->second.picture = icon;
  setTip(it->second.window, tip);
  paint(it->second);
  return true;
}

void X11Tray::remove(std::uint32_t id) {
  auto it = icons_.find(id);
  if (it == icons_.end()) return;
  XDestroyWindow(dpy_, it->second.window);
  XFlush(dpy_);
  icons_.erase(it);
}

void X11Tray::paint(const Icon& icon) {
  XWindowAttributes wa;
  if (!XGetWindowAttributes(dpy_, icon.window, &wa) || wa.width <= 0 || wa.height <= 0) return;
  // The picture scaled to the slot the tray gave us, over a plain background.
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(wa.width) * wa.height);
  for (int y = 0; y < wa.height; ++y)
    for (int x = 0; x < wa.width; ++x) {
      gfx::Argb c = kBackground;
      if (!icon.picture.empty()) {
        const gfx::Argb p = icon.picture.pixel(x * icon.picture.width() / wa.width, y * icon.picture.height() / wa.height);
        const unsigned a = gfx::alphaOf(p);
        auto mix = [&](unsigned fg, unsigned bg) { return (fg * a + bg * (255 - a) + 127) / 255; };
        c = gfx::makeArgb(255, mix(gfx::redOf(p), gfx::redOf(kBackground)), mix(gfx::greenOf(p), gfx::greenOf(kBackground)),
                          mix(gfx::blueOf(p), gfx::blueOf(kBackground)));
      }
      pixels[static_cast<std::size_t>(y) * wa.width + x] = c;
    }
  XImage* img = XCreateImage(dpy_, wa.visual, static_cast<unsigned>(wa.depth), ZPixmap, 0,
                             reinterpret_cast<char*>(pixels.data()), static_cast<unsigned>(wa.width),
                             static_cast<unsigned>(wa.height), 32, wa.width * 4);
  if (!img) return;
  GC gc = XCreateGC(dpy_, icon.window, 0, nullptr);
  XPutImage(dpy_, icon.window, gc, img, 0, 0, 0, 0, static_cast<unsigned>(wa.width), static_cast<unsigned>(wa.height));
  XFreeGC(dpy_, gc);
  img->data = nullptr;  // the pixels belong to the vector
  XDestroyImage(img);
  XFlush(dpy_);
}

bool X11Tray::handle(const XEvent& ev, std::vector<BackendEvent>& out) {
  for (const auto& [id, icon] : icons_) {
    if (ev.xany.window != icon.window) continue;
    if (ev.type == Expose && ev.xexpose.count == 0) paint(icon);
    if ((ev.type == ButtonPress || ev.type == ButtonRelease) && ev.xbutton.button >= 1 && ev.xbutton.button <= 3) {
      const bool down = ev.type == ButtonPress;
      static constexpr Message kDown[] = {WM_LBUTTONDOWN, WM_MBUTTONDOWN, WM_RBUTTONDOWN};
      static constexpr Message kUp[] = {WM_LBUTTONUP, WM_MBUTTONUP, WM_RBUTTONUP};
      BackendEvent e;
      e.kind = BackendEvent::Kind::TrayMouse;
      e.trayId = id;
      e.pos = {ev.xbutton.x_root, ev.xbutton.y_root};
      e.trayMessage = (down ? kDown : kUp)[ev.xbutton.button - 1];
      out.push_back(e);
    }
    return true;
  }
  return false;
}

}  // namespace platform
