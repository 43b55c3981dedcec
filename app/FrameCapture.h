#pragma once
// Grabbing a rectangle of the screen as a complete picture file in memory (one recording frame).
#include <cstdint>
#include <vector>

namespace platform {
class Platform;
}

namespace app {

// The picture formats of CaptureScreen, numbered as callers pass them; any other number means BMP.
enum class CaptureFormat : int { Bmp = 1, Jpeg = 2, Gif = 3, Tiff = 4, Png = 5 };

// The screen pixels of (x, y, width, height) as file bytes: 1 BMP, 2 JPEG, 3 GIF (one frame through
// the GIF encoder), 4 TIFF (written as BMP: no TIFF encoder is built in), 5 PNG, anything else BMP. A
// quality of 1 or more is used by JPEG (clamped to 100); 0 or less takes the encoder's default. The
// mouse pointer is never in the picture. Empty when the width or height is zero or less, or the
// rectangle lies wholly off the screen (decided before the screen is touched); a rectangle partly
// off the screen is clipped to it. Only the bytes the encoder wrote are returned.
std::vector<std::uint8_t> CaptureScreen(platform::Platform& ui, int x, int y, int width, int height, int imageFormat,
                                        int quality);
// The same on the process's platform (platform::Platform::current()).
std::vector<std::uint8_t> CaptureScreen(int x, int y, int width, int height, int imageFormat, int quality);

}  // namespace app
