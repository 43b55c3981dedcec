#pragma once
// GifMaker: composes an animated GIF89a file from still pictures.
//
// The object models a handle: it is empty until Create and again after Clear. On an empty handle
// AddFrame and SaveGif return false without storing a message, and GetError answers "对象还未创建".
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "encoder/GifRecords.h"

namespace encoder {

struct MakerState;

class GifMaker {
 public:
  GifMaker();
  ~GifMaker();
  GifMaker(const GifMaker&) = delete;
  GifMaker& operator=(const GifMaker&) = delete;
  GifMaker(GifMaker&&) noexcept;
  GifMaker& operator=(GifMaker&&) noexcept;

  // Makes the object (or resets the existing one) and takes the animation settings. Always true.
  bool Create(const AnimationInfo& info);
  // Destroys the object with all its frames; the handle becomes empty.
  void Clear();
  // Discards all frames and returns the settings to their initial values; keeps interlace and error.
  void Reset();
  // Decodes a picture (the file when a path is given, else the bytes), reduces it to 256 colours and
  // appends it as one frame.
  bool AddFrame(const FrameInfo& frame, std::optional<std::string_view> path,
                std::optional<std::span<const std::uint8_t>> bytes);
  // Writes every frame as one GIF89a file. An existing file of that name is replaced only when the
  // whole file could be written: the bytes go to a temporary file beside it that is renamed at the end.
  bool SaveGif(std::string_view path);
  // The message of the last failure; "对象还未创建" on an empty handle.
  std::string GetError() const;

  bool created() const { return state_ != nullptr; }
  std::uint32_t frameCount() const;
  // Logical screen size as it stands (after the first frame fixed any zero).
  std::uint16_t width() const;
  std::uint16_t height() const;
  // The complete file in memory, exactly the bytes SaveGif writes; empty when SaveGif would fail.
  std::vector<std::uint8_t> encodeToMemory();

 private:
  std::unique_ptr<MakerState> state_;
};

}  // namespace encoder
