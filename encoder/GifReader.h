#pragma once
// GifReader: loads a GIF, reports its animation and frames, edits a few fields in place, exports
// single frames as BMP pictures and writes the edited bytes back.
//
// The reader keeps one copy of the file and never rebuilds it: every edit overwrites bytes of that copy,
// so whatever the reader does not understand survives a save unchanged.
//
// The object models a handle: it is empty until Create and again after Clear. On an empty handle every
// command does nothing and answers false, an empty record, -1 or no bytes without storing a message, and
// GetError answers "对象还未创建". Frame numbers count from 1; 0 stands for the whole animation (or its
// global colour table) where a command allows it.
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "encoder/GifRecords.h"

namespace encoder {

// The reader's own failure texts (the shared ones live in GifRecords.h).
namespace errors {
inline constexpr std::string_view kNotGifData = "不是有效的GIF图片数据";
inline constexpr std::string_view kNotGif = "不是GIF图片数据";
inline constexpr std::string_view kBadVersion = "GIF图片版本号不正确";
inline constexpr std::string_view kCorruptGif = "GIF图片文件已经损坏";
inline constexpr std::string_view kNotLoaded = "还未载入GIF动画";
inline constexpr std::string_view kFrameOutOfRange = "帧序号超出范围";
inline constexpr std::string_view kFrameCorrupt = "当前帧已经损坏";
inline constexpr std::string_view kNoGlobalPalette = "没有全局调色板";
inline constexpr std::string_view kNoLocalPalette = "没有局部调色板";
inline constexpr std::string_view kPaletteEntryOutOfRange = "调色板序号超出范围";
}  // namespace errors

struct ReaderState;

class GifReader {
 public:
  GifReader();
  ~GifReader();
  GifReader(const GifReader&) = delete;
  GifReader& operator=(const GifReader&) = delete;
  GifReader(GifReader&&) noexcept;
  GifReader& operator=(GifReader&&) noexcept;

  // Makes a new, empty reader, dropping one this handle already holds. True when memory was available.
  bool Create();
  // Destroys the reader; the handle becomes empty.
  void Clear();
  // Loads and scans a GIF: the file when a path is given (even if bytes are given too), else the bytes.
  // A scan that meets a damaged block keeps the bytes but no frames and answers false.
  bool LoadGif(std::optional<std::string_view> path, std::optional<std::span<const std::uint8_t>> bytes);
  // The message of the last failure; "对象还未创建" on an empty handle.
  std::string GetError() const;

  // The logical screen, loop extension, animation comment, frame count and global table size.
  AnimationInfo GetGifInfo();
  // Overwrites logical width, height and background index, and the loop count when the file has a loop
  // extension and `LOOP` is true.
  bool SetGifInfo(const AnimationInfo& info);
  // Frame n's control data, comment and image descriptor.
  FrameInfo GetFrameInfo(int n);
  // Overwrites frame n's delay, disposal method and transparent-colour flag (when it has a graphic
  // control extension) and its position. Changes nothing when the frame is damaged.
  bool SetFrameInfo(const FrameInfo& info, int n);
  // Entry of the global table (n = 0) or of frame n's local table as red + green*256 + blue*65536;
  // -1 on any failure.
  int GetPalette(int n, std::uint8_t entry);
  // Writes a colour given in the same form into that entry.
  bool SetPalette(int n, std::uint8_t entry, int colour);
  // n = 0: the whole (edited) GIF; n >= 1: frame n decoded into a BMP file image. Empty on failure.
  std::vector<std::uint8_t> GetGifData(int n);
  // Writes the whole (edited) GIF. An existing file of that name is replaced only when the whole file
  // could be written.
  bool SaveGif(std::string_view path);

  bool created() const { return state_ != nullptr; }

 private:
  std::unique_ptr<ReaderState> state_;
};

}  // namespace encoder
