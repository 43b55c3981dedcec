#include "engine/theme/ThemePack.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "engine/theme/KeyedScrambler.h"
#include "engine/theme/PackContainer.h"
#include "engine/theme/ThemeTestSupport.h"

namespace engine {
namespace {

using testing::Bytes;
using testing::MakeContainer;
using testing::PutU32;
using testing::ReportCapture;
using testing::Skin;

constexpr std::string_view kXml = "<?xml version=\"1.0\" encoding=\"gb2312\"?><Quilt_ThemesPack/>";

std::vector<std::uint8_t> Payload(std::size_t size) {
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 13);
  return bytes;
}

TEST(UnpackContainer, ReadsWhatThePackerWroteForEitherKindAndAnyFiller) {
  const std::vector<std::uint8_t> payload = Payload(5000);
  const std::vector<std::uint8_t> filler(255, 0xEE);
  for (ContainerKind kind : {ContainerKind::ThemePack, ContainerKind::DecompressionModule}) {
    for (std::size_t fillerSize : {0u, 1u, 18u, 255u}) {
      const auto container = packer::PackContainer(payload, kind, std::span(filler).first(fillerSize));
      ASSERT_EQ(container[1], fillerSize);
      EXPECT_EQ(UnpackContainer(container, kind), payload) << "filler " << fillerSize;
    }
  }
  // With filler 0 the magic sits at offset 2, the stream at offset 10.
  const auto bare = packer::PackContainer(payload, ContainerKind::ThemePack);
  EXPECT_EQ(std::vector<std::uint8_t>(bare.begin() + 2, bare.begin() + 6),
            (std::vector<std::uint8_t>{0x43, 0xB3, 0x1E, 0x30}));
  EXPECT_EQ(bare[10], 0x78);  // zlib header
}

TEST(UnpackContainer, RefusesBrokenContainers) {
  const std::vector<std::uint8_t> payload = Payload(3000);
  const auto good = packer::PackContainer(payload, ContainerKind::ThemePack, packer::DefaultFiller());
  const std::size_t stream = 10 + good[1];

  struct Case {
    std::string_view what;
    std::vector<std::uint8_t> bytes;
  };
  std::vector<Case> cases;
  for (std::size_t size = 0; size <= 8; ++size) {
    cases.push_back({"short", std::vector<std::uint8_t>(good.begin(), good.begin() + static_cast<long>(size))});
  }
  cases.push_back({"module magic asked as theme",
                   packer::PackContainer(payload, ContainerKind::DecompressionModule, packer::DefaultFiller())});
  auto mutate = [&](std::string_view what, auto change) {
    std::vector<std::uint8_t> bytes = good;
    change(bytes);
    cases.push_back({what, std::move(bytes)});
  };
  mutate("magic byte", [](auto& b) { b[2 + b[1]] ^= 1; });
  mutate("filler longer than the container", [](auto& b) { b.resize(60); b[1] = 255; });
  mutate("stream corrupted", [&](auto& b) { std::fill(b.begin() + static_cast<long>(stream) + 2, b.begin() + static_cast<long>(stream) + 40, 0xFF); });
  mutate("stream truncated", [](auto& b) { b.resize(b.size() - 10); });
  mutate("length too small", [&](auto& b) { b[stream - 4] ^= 0xFF; b[stream - 3] = 0xFF; });  // NOT of a smaller length
  mutate("length absurd", [&](auto& b) { std::fill(b.begin() + static_cast<long>(stream) - 4, b.begin() + static_cast<long>(stream), 0); });
  mutate("length zero", [&](auto& b) { std::fill(b.begin() + static_cast<long>(stream) - 4, b.begin() + static_cast<long>(stream), 0xFF); });
  mutate("no stream", [&](auto& b) { b.resize(stream); });

  for (const Case& c : cases) {
    EXPECT_TRUE(UnpackContainer(c.bytes, ContainerKind::ThemePack).empty()) << c.what << " (" << c.bytes.size() << " bytes)";
  }
}

// Unpacked pack bytes put together field by field, for the result codes.
std::vector<std::uint8_t> RawPack(std::uint32_t xmlLength, std::string_view xml, std::uint32_t imageLength,
                                  std::span<const std::uint8_t> image) {
  std::vector<std::uint8_t> raw;
  PutU32(raw, xmlLength);
  raw.insert(raw.end(), xml.begin(), xml.end());
  PutU32(raw, imageLength);
  raw.insert(raw.end(), image.begin(), image.end());
  return raw;
}

TEST(ReadPack, GivesEachResultCodeAndReportsFailures) {
  const std::vector<std::uint8_t> png = gfx::encodePng(Skin(3, 2, 0xFF102030));
  const std::span<const std::uint8_t> image = std::span(png).subspan(8);
  const auto n = [](std::size_t v) { return static_cast<std::uint32_t>(v); };
  auto wrap = [](const std::vector<std::uint8_t>& raw) { return packer::PackContainer(raw, ContainerKind::ThemePack); };

  struct Case {
    std::string_view what;
    std::vector<std::uint8_t> packed;
    int code;
  };
  const std::vector<std::uint8_t> garbage(40, 0x5A);
  const Case cases[] = {
      {"valid", wrap(RawPack(n(kXml.size()), kXml, n(image.size()), image)), kThemeLoaded},
      {"trailing bytes ignored", [&] { auto raw = RawPack(n(kXml.size()), kXml, n(image.size()), image); raw.resize(raw.size() + 9, 1); return wrap(raw); }(), kThemeLoaded},
      {"garbage", garbage, kThemeNothingUnpacked},
      {"fewer than four bytes", wrap({1, 0}), kThemeBadXmlLength},
      {"xml length zero", wrap(RawPack(0, "", n(image.size()), image)), kThemeBadXmlLength},
      {"xml length past the end", wrap(RawPack(1000000, kXml, n(image.size()), image)), kThemeBadXmlLength},
      {"no image length field", wrap(RawPack(n(kXml.size()), kXml, 0, {})), kThemeBadImageLength},
      {"image length zero", wrap(RawPack(n(kXml.size()), kXml, 0, image)), kThemeBadImageLength},
      {"image length past the end", wrap(RawPack(n(kXml.size()), kXml, n(image.size() + 1), image)), kThemeBadImageLength},
      {"image length huge", wrap(RawPack(n(kXml.size()), kXml, 0xFFFFFFF0u, image)), kThemeBadImageLength},
      {"image not a PNG", wrap(RawPack(n(kXml.size()), kXml, 20, std::span(garbage).first(20))), kThemeImageUndecodable},
      {"image truncated", wrap(RawPack(n(kXml.size()), kXml, n(image.size() / 2), image.first(image.size() / 2))), kThemeImageUndecodable},
  };
  for (const Case& c : cases) {
    ReportCapture capture;
    const PackContents contents = ReadPack(c.packed, "");
    EXPECT_EQ(contents.code, c.code) << c.what;
    if (c.code == kThemeLoaded) {
      EXPECT_EQ(contents.xml, kXml) << c.what;
      ASSERT_TRUE(contents.image) << c.what;
      EXPECT_EQ(contents.image->width(), 3);
      EXPECT_EQ(contents.image->pixel(2, 1), 0xFF102030u);
      EXPECT_TRUE(capture.reports.empty()) << c.what;
    } else {
      EXPECT_TRUE(contents.xml.empty()) << c.what;
      EXPECT_FALSE(contents.image) << c.what;
      ASSERT_EQ(capture.reports.size(), 1u) << c.what;
      EXPECT_EQ(capture.reports[0], ComposeErrorReport("主题包加载失败,将使用默认主题包", c.code)) << c.what;
    }
  }
}

TEST(ReadPack, EmptyInputIsCodeOneWithoutReport) {
  ReportCapture capture;
  EXPECT_EQ(ReadPack({}, "").code, kThemeNothingUnpacked);
  EXPECT_EQ(ReadPack({}, "secret").code, kThemeNothingUnpacked);
  EXPECT_TRUE(capture.reports.empty());
}

TEST(ReadPack, PasswordPacksRoundTripAndNeedTheirPassword) {
  const gfx::Bitmap skin = Skin(4, 4, 0xFF336699);
  for (std::string_view password : {"secret", "x", "宋体口令", "a much longer password than thirty-two bytes of key"}) {
    const auto packed = MakeContainer(kXml, skin, password);
    const PackContents contents = ReadPack(packed, password);
    ASSERT_EQ(contents.code, kThemeLoaded) << password;
    EXPECT_EQ(contents.xml, kXml);
    EXPECT_EQ(*contents.image, skin);

    ReportCapture capture;
    EXPECT_NE(ReadPack(packed, "").code, kThemeLoaded) << password;
    EXPECT_NE(ReadPack(packed, "Secret").code, kThemeLoaded) << password;
    EXPECT_EQ(capture.reports.size(), 2u);
  }
  // Without a password the bytes are read unchanged.
  EXPECT_EQ(ReadPack(MakeContainer(kXml, skin), "").code, kThemeLoaded);
}

TEST(KeyedScrambler, InvertsExactlyAndHidesRepeats) {
  std::vector<std::uint8_t> plain(4096, 0);  // long runs of one byte value
  for (std::size_t i = 0; i < plain.size(); i += 97) plain[i] = static_cast<std::uint8_t>(i);
  std::vector<std::uint8_t> scrambled = plain;
  KeyedScrambler("key").Scramble(scrambled);
  EXPECT_NE(scrambled, plain);
  // Equal input bytes do not give equal output bytes.
  const std::set<std::uint8_t> distinct(scrambled.begin(), scrambled.begin() + 512);
  EXPECT_GT(distinct.size(), 100u);

  // Fed in pieces, the stream gives the same bytes as fed whole.
  std::vector<std::uint8_t> pieces = scrambled;
  KeyedScrambler reader("key");
  reader.Unscramble(std::span(pieces).first(1));
  reader.Unscramble(std::span(pieces).subspan(1, 1000));
  reader.Unscramble(std::span(pieces).subspan(1001));
  EXPECT_EQ(pieces, plain);

  std::vector<std::uint8_t> otherKey = scrambled;
  KeyedScrambler("kez").Unscramble(otherKey);
  EXPECT_NE(otherKey, plain);
}

TEST(ThemeIdentity, IsTheIeeeCrc32OfTheContainer) {
  EXPECT_EQ(ThemeIdentity(Bytes("123456789")), 0xCBF43926u);  // the standard check value
  EXPECT_EQ(ThemeIdentity({}), 0u);
  const auto a = MakeContainer(kXml, Skin(2, 2, 0xFF000000));
  auto b = a;
  b.back() ^= 1;
  EXPECT_EQ(ThemeIdentity(a), ThemeIdentity(std::vector<std::uint8_t>(a)));
  EXPECT_NE(ThemeIdentity(a), ThemeIdentity(b));
}

}  // namespace
}  // namespace engine
