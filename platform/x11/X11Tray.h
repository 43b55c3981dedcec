#pragma once
// Icons in the desktop's system tray (the XEmbed system tray protocol): each icon is a small window
// docked into the tray that paints its picture and reports the mouse.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/Backend.h"

struct _XDisplay;
union _XEvent;

namespace platform {

class X11Tray {
 public:
  X11Tray(_XDisplay* dpy, int screen);
  ~X11Tray();
  X11Tray(const X11Tray&) = delete;
  X11Tray& operator=(const X11Tray&) = delete;

  // False when no tray runs on the screen.
  bool add(std::uint32_t id, const gfx::Bitmap& icon, const std::u16string& tip);
  bool modify(std::uint32_t id, const gfx::Bitmap& icon, const std::u16string& tip);
  void remove(std::uint32_t id);
  // Takes the events of tray icon windows (true when `ev` was one of them).
  bool handle(const _XEvent& ev, std::vector<BackendEvent>& out);

 private:
  struct Icon {
    unsigned long window = 0;
    gfx::Bitmap picture;
  };
  void paint(const Icon& icon);
  void setTip(unsigned long w, const std::u16string& tip);

  _XDisplay* dpy_;
  int screen_;
  std::map<std::uint32_t, Icon> icons_;
};

}  // namespace platform
