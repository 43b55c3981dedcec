#include "tools/skin_generator/SkinPainter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "gfx/ImageCodec.h"

namespace skin {
namespace {

const std::string kSourceDir = MOROGIF_SOURCE_DIR;
const std::string kThemeXml = kSourceDir + "/resources/theme/default_theme.xml";
const std::string kSkinPng = kSourceDir + "/resources/theme/default_skin.png";

// Anti-aliased edges may round differently between builds of the rasteriser; layout or colour changes
// are far larger than this.
constexpr int kChannelTolerance = 3;

std::vector<std::uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int ChannelDifference(gfx::Argb a, gfx::Argb b) {
  int worst = 0;
  for (int shift = 0; shift < 32; shift += 8) worst = std::max(worst, std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)));
  return worst;
}

// The committed PNG must be what the generator paints from the committed description; otherwise
// someone changed one and forgot to run the generator (target default_skin).
TEST(SkinPainter, CommittedImageMatchesTheDescription) {
  engine::XmlDocument description;
  ASSERT_TRUE(description.LoadFile(kThemeXml)) << description.LastError();
  std::string error;
  const gfx::Bitmap painted = SkinPainter(description).Paint(&error);
  ASSERT_FALSE(painted.empty()) << error;

  const gfx::DecodeResult committed = gfx::decodeImage(ReadAll(kSkinPng));
  ASSERT_TRUE(committed.ok()) << committed.error;
  ASSERT_EQ(committed.bitmap.width(), kSkinWidth);
  ASSERT_EQ(committed.bitmap.height(), kSkinHeight);
  int mismatches = 0;
  for (int y = 0; y < kSkinHeight; ++y) {
    for (int x = 0; x < kSkinWidth; ++x) {
      if (ChannelDifference(painted.pixel(x, y), committed.bitmap.pixel(x, y)) > kChannelTolerance && ++mismatches <= 5) {
        ADD_FAILURE() << "pixel " << x << "," << y << " differs: run the default_skin target";
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
}

TEST(SkinPainter, PaintsNothingForADescriptionThatMissesOrMisplacesACell) {
  engine::XmlDocument description;
  ASSERT_TRUE(description.LoadFile(kThemeXml));
  struct Case {
    std::string_view what, path, attribute, value;
  };
  const Case cases[] = {
      {"missing", "@1/common[@name='Button']", "focus", ""},
      {"not a rectangle", "@1/common[@name='Edit']", "normal", "1,2,3"},
      {"outside", "@1/common[@name='Menu']", "checkrect", "395,165,15,10"},
      {"strip runs out", "@1/common[@name='SysButton.Restore']", "rect", "340,2,28,19"},
  };
  for (const Case& c : cases) {
    engine::XmlDocument broken = description;
    if (c.value.empty()) {
      ASSERT_TRUE(broken.RemoveAttribute(c.path, c.attribute)) << c.what;
    } else {
      ASSERT_TRUE(broken.SetAttribute(c.path, c.attribute, c.value)) << c.what;
    }
    std::string error;
    EXPECT_TRUE(SkinPainter(broken).Paint(&error).empty()) << c.what;
    EXPECT_NE(error.find(c.attribute), std::string::npos) << c.what << ": " << error;
  }
}

}  // namespace
}  // namespace skin
