#pragma once
// Building packs and capturing error reports for the theme tests.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/core/ReportError.h"
#include "gfx/Bitmap.h"
#include "gfx/ImageCodec.h"
#include "tools/packer/PackWriter.h"

namespace engine::testing {

inline std::span<const std::uint8_t> Bytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

inline void PutU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

// A small opaque skin image whose pixels tell packs apart.
inline gfx::Bitmap Skin(int width, int height, gfx::Argb color) { return gfx::Bitmap(width, height, color); }

// A packed theme container made the way the packer makes one.
inline std::vector<std::uint8_t> MakeContainer(std::string_view xml, const gfx::Bitmap& skin,
                                               std::string_view password = {}) {
  auto pack = packer::BuildPack(Bytes(xml), gfx::encodePng(skin));
  if (!pack) return {};
  packer::ScramblePack(*pack, password);
  return packer::PackContainer(*pack, ContainerKind::ThemePack, packer::DefaultFiller());
}

// Collects every error report raised while it lives.
class ReportCapture {
 public:
  ReportCapture() : previous_(SetErrorReportSink([this](const std::string& r) { reports.push_back(r); })) {}
  ~ReportCapture() { SetErrorReportSink(previous_); }
  ReportCapture(const ReportCapture&) = delete;
  ReportCapture& operator=(const ReportCapture&) = delete;
  std::vector<std::string> reports;

 private:
  ErrorReportSink previous_;
};

}  // namespace engine::testing
