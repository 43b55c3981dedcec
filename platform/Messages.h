#pragma once
// The numbers of the window protocol: Windows message numbers, styles, virtual keys and the other
// constants the program's parts exchange. The values are those of Windows, so the rest of the program
// can keep speaking that protocol; the engine's own messages (20101..20608) pass through untouched.
#include <cstdint>

#include "platform/Types.h"

namespace platform {

// Window messages.
inline constexpr Message WM_NULL = 0x0000;
inline constexpr Message WM_CREATE = 0x0001;
inline constexpr Message WM_DESTROY = 0x0002;
inline constexpr Message WM_MOVE = 0x0003;
inline constexpr Message WM_SIZE = 0x0005;
inline constexpr Message WM_ACTIVATE = 0x0006;
inline constexpr Message WM_SETFOCUS = 0x0007;
inline constexpr Message WM_KILLFOCUS = 0x0008;
inline constexpr Message WM_ENABLE = 0x000A;
inline constexpr Message WM_SETTEXT = 0x000C;
inline constexpr Message WM_GETTEXT = 0x000D;
inline constexpr Message WM_PAINT = 0x000F;
inline constexpr Message WM_CLOSE = 0x0010;
inline constexpr Message WM_QUIT = 0x0012;
inline constexpr Message WM_SHOWWINDOW = 0x0018;
inline constexpr Message WM_SETCURSOR = 0x0020;
inline constexpr Message WM_GETMINMAXINFO = 0x0024;
inline constexpr Message WM_STYLECHANGING = 0x007C;
inline constexpr Message WM_STYLECHANGED = 0x007D;
inline constexpr Message WM_GETICON = 0x007F;
inline constexpr Message WM_SETICON = 0x0080;
inline constexpr Message WM_NCCALCSIZE = 0x0083;
inline constexpr Message WM_NCHITTEST = 0x0084;
inline constexpr Message WM_NCACTIVATE = 0x0086;
inline constexpr Message WM_NCLBUTTONDOWN = 0x00A1;
inline constexpr Message WM_KEYDOWN = 0x0100;
inline constexpr Message WM_KEYUP = 0x0101;
inline constexpr Message WM_CHAR = 0x0102;
inline constexpr Message WM_SYSKEYDOWN = 0x0104;
inline constexpr Message WM_SYSKEYUP = 0x0105;
inline constexpr Message WM_SYSCHAR = 0x0106;
inline constexpr Message WM_SYSCOMMAND = 0x0112;
inline constexpr Message WM_TIMER = 0x0113;
inline constexpr Message WM_MOUSEMOVE = 0x0200;
inline constexpr Message WM_LBUTTONDOWN = 0x0201;
inline constexpr Message WM_LBUTTONUP = 0x0202;
inline constexpr Message WM_LBUTTONDBLCLK = 0x0203;
inline constexpr Message WM_RBUTTONDOWN = 0x0204;
inline constexpr Message WM_RBUTTONUP = 0x0205;
inline constexpr Message WM_RBUTTONDBLCLK = 0x0206;
inline constexpr Message WM_MBUTTONDOWN = 0x0207;
inline constexpr Message WM_MBUTTONUP = 0x0208;
inline constexpr Message WM_MBUTTONDBLCLK = 0x0209;
inline constexpr Message WM_MOUSEWHEEL = 0x020A;
inline constexpr Message WM_CAPTURECHANGED = 0x0215;
inline constexpr Message WM_DROPFILES = 0x0233;
inline constexpr Message WM_MOUSELEAVE = 0x02A3;
inline constexpr Message WM_HOTKEY = 0x0312;
inline constexpr Message WM_USER = 0x0400;

// Tooltip control messages (the "tooltips_class32" role); the 8-bit ones carry UTF-8 here.
inline constexpr Message TTM_ACTIVATE = WM_USER + 1;
inline constexpr Message TTM_SETDELAYTIME = WM_USER + 3;
inline constexpr Message TTM_ADDTOOLA = WM_USER + 4;
inline constexpr Message TTM_DELTOOLA = WM_USER + 5;
inline constexpr Message TTM_NEWTOOLRECTA = WM_USER + 6;
inline constexpr Message TTM_UPDATETIPTEXTA = WM_USER + 12;
inline constexpr Message TTM_SETMAXTIPWIDTH = WM_USER + 24;
inline constexpr Message TTM_POP = WM_USER + 28;
inline constexpr Message TTM_SETTITLEA = WM_USER + 32;
inline constexpr WParam TTDT_AUTOMATIC = 0;
inline constexpr WParam TTDT_RESHOW = 1;
inline constexpr WParam TTDT_AUTOPOP = 2;
inline constexpr WParam TTDT_INITIAL = 3;

// Window styles.
inline constexpr std::uint32_t WS_POPUP = 0x80000000u;
inline constexpr std::uint32_t WS_CHILD = 0x40000000u;
inline constexpr std::uint32_t WS_MINIMIZE = 0x20000000u;
inline constexpr std::uint32_t WS_VISIBLE = 0x10000000u;
inline constexpr std::uint32_t WS_DISABLED = 0x08000000u;
inline constexpr std::uint32_t WS_CLIPCHILDREN = 0x02000000u;
inline constexpr std::uint32_t WS_MAXIMIZE = 0x01000000u;
inline constexpr std::uint32_t WS_BORDER = 0x00800000u;
inline constexpr std::uint32_t WS_DLGFRAME = 0x00400000u;
inline constexpr std::uint32_t WS_CAPTION = 0x00C00000u;
inline constexpr std::uint32_t WS_SYSMENU = 0x00080000u;
inline constexpr std::uint32_t WS_THICKFRAME = 0x00040000u;
inline constexpr std::uint32_t WS_MINIMIZEBOX = 0x00020000u;
inline constexpr std::uint32_t WS_MAXIMIZEBOX = 0x00010000u;
inline constexpr std::uint32_t WS_EX_TOPMOST = 0x00000008u;
inline constexpr std::uint32_t WS_EX_TOOLWINDOW = 0x00000080u;
inline constexpr std::uint32_t WS_EX_APPWINDOW = 0x00040000u;
inline constexpr std::uint32_t WS_EX_LAYERED = 0x00080000u;
inline constexpr std::uint32_t WS_EX_NOACTIVATE = 0x08000000u;
inline constexpr std::uint32_t CS_DBLCLKS = 0x0008u;

// GetWindowLong / SetWindowLong indices.
inline constexpr int GWL_STYLE = -16;
inline constexpr int GWL_EXSTYLE = -20;

struct StyleStruct {
  std::uint32_t oldStyle = 0;
  std::uint32_t newStyle = 0;
};

// WM_GETMINMAXINFO's record (lparam points to it).
struct MinMaxInfo {
  Point reserved;
  Point maxSize;
  Point maxPosition;
  Point minTrackSize;
  Point maxTrackSize;
};

// ShowWindow commands.
inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOWNORMAL = 1;
inline constexpr int SW_SHOWMINIMIZED = 2;
inline constexpr int SW_SHOWMAXIMIZED = 3;
inline constexpr int SW_SHOWNOACTIVATE = 4;
inline constexpr int SW_SHOW = 5;
inline constexpr int SW_MINIMIZE = 6;
inline constexpr int SW_SHOWNA = 8;
inline constexpr int SW_RESTORE = 9;

// WM_SIZE types.
inline constexpr WParam SIZE_RESTORED = 0;
inline constexpr WParam SIZE_MINIMIZED = 1;
inline constexpr WParam SIZE_MAXIMIZED = 2;

// WM_ACTIVATE states.
inline constexpr WParam WA_INACTIVE = 0;
inline constexpr WParam WA_ACTIVE = 1;
inline constexpr WParam WA_CLICKACTIVE = 2;

// SetWindowPos: special insert-after handles and flags.
inline constexpr Hwnd HWND_TOP{0};
inline constexpr Hwnd HWND_BOTTOM{1};
inline constexpr Hwnd HWND_TOPMOST{static_cast<std::uint64_t>(-1) & ~Hwnd::kForeignBit};
inline constexpr Hwnd HWND_NOTOPMOST{static_cast<std::uint64_t>(-2) & ~Hwnd::kForeignBit};
inline constexpr std::uint32_t SWP_NOSIZE = 0x0001;
inline constexpr std::uint32_t SWP_NOMOVE = 0x0002;
inline constexpr std::uint32_t SWP_NOZORDER = 0x0004;
inline constexpr std::uint32_t SWP_NOACTIVATE = 0x0010;
inline constexpr std::uint32_t SWP_SHOWWINDOW = 0x0040;
inline constexpr std::uint32_t SWP_HIDEWINDOW = 0x0080;
inline constexpr std::uint32_t SWP_NOOWNERZORDER = 0x0200;

// GetWindow relations.
inline constexpr unsigned GW_HWNDFIRST = 0;
inline constexpr unsigned GW_HWNDLAST = 1;
inline constexpr unsigned GW_HWNDNEXT = 2;
inline constexpr unsigned GW_HWNDPREV = 3;
inline constexpr unsigned GW_OWNER = 4;
inline constexpr unsigned GW_CHILD = 5;

// PeekMessage flags.
inline constexpr unsigned PM_NOREMOVE = 0;
inline constexpr unsigned PM_REMOVE = 1;

// Mouse key state in wparam of mouse messages.
inline constexpr WParam MK_LBUTTON = 0x0001;
inline constexpr WParam MK_RBUTTON = 0x0002;
inline constexpr WParam MK_SHIFT = 0x0004;
inline constexpr WParam MK_CONTROL = 0x0008;
inline constexpr WParam MK_MBUTTON = 0x0010;
inline constexpr int WHEEL_DELTA = 120;

// TrackMouseEvent.
inline constexpr std::uint32_t TME_LEAVE = 0x00000002;
inline constexpr std::uint32_t TME_CANCEL = 0x80000000u;

// Hit-test codes and system commands used by the default window procedure.
inline constexpr LResult HTCLIENT = 1;
inline constexpr WParam HTCAPTION = 2;
inline constexpr WParam SC_SIZE = 0xF000;
inline constexpr WParam SC_MOVE = 0xF010;
inline constexpr WParam SC_MINIMIZE = 0xF020;
inline constexpr WParam SC_MAXIMIZE = 0xF030;
inline constexpr WParam SC_CLOSE = 0xF060;
inline constexpr WParam SC_RESTORE = 0xF120;

// WM_SETICON kinds.
inline constexpr WParam ICON_SMALL = 0;
inline constexpr WParam ICON_BIG = 1;

// Hot-key modifiers.
inline constexpr unsigned MOD_ALT = 0x0001;
inline constexpr unsigned MOD_CONTROL = 0x0002;
inline constexpr unsigned MOD_SHIFT = 0x0004;
inline constexpr unsigned MOD_WIN = 0x0008;

// Virtual keys (the ones the program and its tests name; letters and digits are their ASCII codes).
inline constexpr unsigned VK_LBUTTON = 0x01;
inline constexpr unsigned VK_RBUTTON = 0x02;
inline constexpr unsigned VK_MBUTTON = 0x04;
inline constexpr unsigned VK_BACK = 0x08;
inline constexpr unsigned VK_TAB = 0x09;
inline constexpr unsigned VK_RETURN = 0x0D;
inline constexpr unsigned VK_SHIFT = 0x10;
inline constexpr unsigned VK_CONTROL = 0x11;
inline constexpr unsigned VK_MENU = 0x12;
inline constexpr unsigned VK_PAUSE = 0x13;
inline constexpr unsigned VK_CAPITAL = 0x14;
inline constexpr unsigned VK_ESCAPE = 0x1B;
inline constexpr unsigned VK_SPACE = 0x20;
inline constexpr unsigned VK_PRIOR = 0x21;
inline constexpr unsigned VK_NEXT = 0x22;
inline constexpr unsigned VK_END = 0x23;
inline constexpr unsigned VK_HOME = 0x24;
inline constexpr unsigned VK_LEFT = 0x25;
inline constexpr unsigned VK_UP = 0x26;
inline constexpr unsigned VK_RIGHT = 0x27;
inline constexpr unsigned VK_DOWN = 0x28;
inline constexpr unsigned VK_INSERT = 0x2D;
inline constexpr unsigned VK_DELETE = 0x2E;
inline constexpr unsigned VK_LWIN = 0x5B;
inline constexpr unsigned VK_NUMPAD0 = 0x60;
inline constexpr unsigned VK_F1 = 0x70;
inline constexpr unsigned VK_F12 = 0x7B;
inline constexpr unsigned VK_NUMLOCK = 0x90;

// Notification-area icon operations and flags.
inline constexpr unsigned NIM_ADD = 0;
inline constexpr unsigned NIM_MODIFY = 1;
inline constexpr unsigned NIM_DELETE = 2;
inline constexpr unsigned NIF_MESSAGE = 0x1;
inline constexpr unsigned NIF_ICON = 0x2;
inline constexpr unsigned NIF_TIP = 0x4;

// GetSystemMetrics indices.
inline constexpr int SM_CXSCREEN = 0;
inline constexpr int SM_CYSCREEN = 1;
inline constexpr int SM_CXDOUBLECLK = 36;
inline constexpr int SM_CYDOUBLECLK = 37;
inline constexpr int SM_CXVIRTUALSCREEN = 78;
inline constexpr int SM_CYVIRTUALSCREEN = 79;

// System cursor identifiers (LoadCursor with no module).
inline constexpr unsigned IDC_ARROW = 32512;
inline constexpr unsigned IDC_IBEAM = 32513;
inline constexpr unsigned IDC_WAIT = 32514;
inline constexpr unsigned IDC_CROSS = 32515;
inline constexpr unsigned IDC_UPARROW = 32516;
inline constexpr unsigned IDC_SIZENWSE = 32642;
inline constexpr unsigned IDC_SIZENESW = 32643;
inline constexpr unsigned IDC_SIZEWE = 32644;
inline constexpr unsigned IDC_SIZENS = 32645;
inline constexpr unsigned IDC_SIZEALL = 32646;
inline constexpr unsigned IDC_NO = 32648;
inline constexpr unsigned IDC_HAND = 32649;

// Message-beep kinds.
inline constexpr unsigned MB_OK = 0x0;
inline constexpr unsigned MB_ICONERROR = 0x10;

// Lowest and highest of the engine's own message numbers (they travel through the queue as they are).
inline constexpr Message kEngineMessageFirst = 20101;
inline constexpr Message kEngineMessageLast = 20608;

}  // namespace platform
