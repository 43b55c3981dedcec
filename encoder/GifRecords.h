#pragma once
// The encoder component's public records, constants and numbered command set.
// Texts are UTF-8 on this platform.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace encoder {

// Whole animation. Shorts are 16-bit, bytes 8-bit; "Depth" means height throughout the component.
struct AnimationInfo {
  std::uint16_t Width = 0;         // logical screen width; 0 = width of the first frame added
  std::uint16_t Depth = 0;         // logical screen height; 0 = height of the first frame added
  bool LOOP = true;                // write the looping application extension
  std::uint16_t LoopCount = 0;     // repeat count, 0 = endless (only with LOOP)
  std::uint8_t BgColorIndex = 0;   // reported by the reader; not read when composing
  std::string exposition;          // animation comment, at most 255 bytes are stored
  std::int32_t FrameCount = 0;     // filled by the reader
  std::uint16_t ColorNum = 0;      // global colour table size, filled by the reader (0 = none)
  bool Interlace = false;          // store every frame interlaced

  friend bool operator==(const AnimationInfo&, const AnimationInfo&) = default;
};

// One frame.
struct FrameInfo {
  std::uint16_t DelayTime = 60;        // 1/100 s
  std::uint16_t Left = 0;
  std::uint16_t Top = 0;
  std::uint8_t DisposalMethod = 0;     // one of the Disposal* constants; low 3 bits reach the file
  bool Transparency = false;           // palette index 0 is transparent
  std::uint8_t TransparencyIndex = 0;  // reported by the reader; the maker always uses index 0
  std::uint16_t Width = 0;             // reported by the reader; the picture decides when composing
  std::uint16_t Depth = 0;
  std::string exposition;              // frame comment, at most 255 bytes are stored
  std::uint16_t ColorNum = 0;          // local colour table size, filled by the reader (0 = none)
  bool Dither = false;                 // ordered dithering to the fixed cube instead of popularity

  friend bool operator==(const FrameInfo&, const FrameInfo&) = default;
};

// Disposal methods.
inline constexpr std::uint8_t DisposalUndefined = 0;
inline constexpr std::uint8_t DisposalLeave = 1;
inline constexpr std::uint8_t DisposalRestoreBackground = 2;
inline constexpr std::uint8_t DisposalRestorePrevious = 3;

// The names under which members and constants are shown to users of the component.
struct MemberCaption {
  std::string_view member;
  std::string_view caption;
};
inline constexpr std::array<MemberCaption, 9> kAnimationInfoCaptions{{
    {"Width", "图像宽度"}, {"Depth", "图像高度"}, {"LOOP", "允许循环"}, {"LoopCount", "循环次数"},
    {"BgColorIndex", "背景色索引"}, {"exposition", "动画注释"}, {"FrameCount", "帧总数"},
    {"ColorNum", "调色板颜色数"}, {"Interlace", "Interlace交错方式"},
}};
inline constexpr std::array<MemberCaption, 11> kFrameInfoCaptions{{
    {"DelayTime", "延迟时间"}, {"Left", "横向偏移"}, {"Top", "纵向偏移"}, {"DisposalMethod", "重画方式"},
    {"Transparency", "是否透明"}, {"TransparencyIndex", "透明色索引"}, {"Width", "图像宽度"},
    {"Depth", "图像高度"}, {"exposition", "帧注释"}, {"ColorNum", "调色板颜色数"}, {"Dither", "抖动算法"},
}};
inline constexpr std::array<MemberCaption, 4> kDisposalCaptions{{
    {"DisposalUndefined", "没有定义"}, {"DisposalLeave", "离开"},
    {"DisposalRestoreBackground", "恢复背景"}, {"DisposalRestorePrevious", "恢复前景"},
}};

// The numbered command set; callers that refer to commands by number use these values.
enum class Command : int {
  MakerCreate = 0, MakerClear, MakerReset, MakerAddFrame, MakerSaveGif, MakerGetError,
  ReaderCreate, ReaderClear, ReaderLoadGif, ReaderGetError, ReaderGetGifInfo, ReaderSetGifInfo,
  ReaderGetFrameInfo, ReaderSetFrameInfo, ReaderGetPalette, ReaderSetPalette, ReaderGetGifData,
  ReaderSaveGif,
};
inline constexpr std::array<std::string_view, 18> kCommandCaptions{
    "创建", "清空", "重置", "加入帧图片", "保存GIF图片", "取最后错误", "创建", "清空", "载入动画",
    "取最后错误", "取动画信息", "置动画信息", "取帧信息", "置帧信息", "取调色板颜色", "置调色板颜色",
    "取帧图片数据", "保存GIF图片",
};

// Error texts shared by the component's objects.
namespace errors {
inline constexpr std::string_view kNotCreated = "对象还未创建";
inline constexpr std::string_view kNoFrames = "还没有加入任何图片";
inline constexpr std::string_view kNoSource = "没有指定载入文件路径和图片数据";
inline constexpr std::string_view kInvalidPicture = "不是有效的图片数据";
inline constexpr std::string_view kFileMemory = "为读取文件分配内存失败";
inline constexpr std::string_view kDecodeFailed = "读入图片文件失败";
inline constexpr std::string_view kBitmapMemory = "为位图分配内存失败";
inline constexpr std::string_view kRecordMemory = "为帧图片信息分配内存时出错";
inline constexpr std::string_view kUnknown = "未知错误";
}  // namespace errors

}  // namespace encoder
