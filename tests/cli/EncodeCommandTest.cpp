#include <gtest/gtest.h>

#include <algorithm>

#include "cli/CliRunner.h"
#include "gfx/ImageCodec.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using cli_test::runMorogif;

Bytes bytesOf(const std::string& s) { return Bytes(s.begin(), s.end()); }
bool contains(const Bytes& hay, const Bytes& needle) {
  return std::search(hay.begin(), hay.end(), needle.begin(), needle.end()) != hay.end();
}

// Packs LZW codes of one width least significant bit first, as GIF image data does.
Bytes packCodes(std::initializer_list<unsigned> codes, int width) {
  Bytes out;
  unsigned acc = 0;
  int bits = 0;
  for (const unsigned c : codes) {
    acc |= c << bits;
    bits += width;
    while (bits >= 8) {
      out.push_back(std::uint8_t(acc));
      acc >>= 8;
      bits -= 8;
    }
  }
  if (bits > 0) out.push_back(std::uint8_t(acc));
  return out;
}

class EncodeCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("encode-cli-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string picture(const std::string& name, const Bytes& bytes) {
    const auto p = dir_ / name;
    std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return p.string();
  }
  std::string path(const std::string& name) const { return (dir_ / name).string(); }
  Bytes gif(const std::string& name) const { return bytesOf(cli_test::slurp(dir_ / name)); }

  fs::path dir_;
};

TEST_F(EncodeCommand, StillPictureIsByteExact) {
  const std::string bmp = picture("p.bmp", gfx::encodeBmp(gfx::Bitmap(2, 2, gfx::makeArgb(255, 200, 100, 50))));
  const auto r = runMorogif({"encode", "--delay", "30", "--left", "10", "-o", path("one.gif"), bmp});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("one.gif"), std::string::npos);

  Bytes expected = {'G', 'I', 'F', '8', '9', 'a', 2, 0, 2, 0, 0xF7, 0, 0, 192, 96, 48};
  expected.resize(13 + 768, 0);
  expected.insert(expected.end(), {0x2C, 0, 0, 0, 0, 2, 0, 2, 0, 0x07, 0x08});
  // Four pixels of index 0: clear, 0, the string "0 0" as 258, 0, end - all 9 bits wide.
  const Bytes data = packCodes({256, 0, 258, 0, 257}, 9);
  expected.push_back(std::uint8_t(data.size()));
  expected.insert(expected.end(), data.begin(), data.end());
  expected.insert(expected.end(), {0x00, 0x3B});
  EXPECT_EQ(gif("one.gif"), expected);
}

TEST_F(EncodeCommand, OptionsMapOntoTheRecords) {
  const std::string a = picture("a.png", gfx::encodePng(gfx::Bitmap(8, 6, 0xFF20A040)));
  const std::string b = picture("b.jpg", gfx::encodeJpeg(gfx::Bitmap(8, 6, 0xFF4080C0), 100));
  auto r = runMorogif({"encode", "--delay", "30", "--disposal", "2", "--transparent", "--frame-comment", "ab",
                       "--left", "10", "--top", "20", "--loop-count", "5", "--comment", "hi", "--width",
                       "300", "-o", path("anim.gif"), a, b});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const Bytes anim = gif("anim.gif");
  EXPECT_EQ(anim[6] | anim[7] << 8, 300);
  EXPECT_EQ(anim[8] | anim[9] << 8, 6);
  EXPECT_TRUE(contains(anim, {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3, 1, 5, 0, 0}));
  EXPECT_TRUE(contains(anim, {0x21, 0xF9, 4, 0x09, 30, 0, 0, 0, 0x21, 0xFE, 2, 'a', 'b', 0, 0x2C, 10, 0, 20, 0}));
  const Bytes tail = {0x21, 0xFE, 2, 'h', 'i', 0, 0x3B};
  EXPECT_TRUE(std::equal(tail.begin(), tail.end(), anim.end() - 7));

  r = runMorogif({"encode", "--no-loop", "--interlace", "--dither", "-o", path("plain.gif"), a, b});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const Bytes plain = gif("plain.gif");
  EXPECT_FALSE(contains(plain, bytesOf("NETSCAPE2.0")));
  EXPECT_TRUE(contains(plain, {0x21, 0xF9, 4, 0x00, 60, 0, 0, 0, 0x2C, 0, 0, 0, 0, 8, 0, 6, 0, 0xC7}));
  // Dithered palettes are the fixed cube: entry 1 is (64, 64, 96).
  EXPECT_TRUE(contains(plain, {64, 64, 64, 64, 64, 96, 64, 64, 128}));
}

TEST_F(EncodeCommand, IndependentDecodersAcceptTheOutput) {
  std::vector<std::string> args = {"encode", "--delay", "10", "-o", path("check.gif")};
  for (int i = 0; i < 3; ++i) {
    gfx::Bitmap bmp(64, 48, 0xFFFFFFFF);
    for (int y = 0; y < 48; ++y)
      for (int x = 0; x < 64; ++x) bmp.setPixel(x, y, gfx::makeArgb(255, x * 4, y * 5, (x + y + i * 20) & 255));
    args.push_back(picture("f" + std::to_string(i) + ".bmp", gfx::encodeBmp(bmp)));
  }
  const auto r = runMorogif(args);
  ASSERT_EQ(r.exitCode, 0) << r.err;

  std::string out;
  if (cli_test::haveTool("giftext")) {
    ASSERT_TRUE(cli_test::runShell("giftext " + cli_test::shellQuote(path("check.gif")), &out)) << out;
    EXPECT_NE(out.find("Image #3"), std::string::npos) << out;
  }
  if (cli_test::haveTool("identify")) {
    ASSERT_TRUE(cli_test::runShell("identify " + cli_test::shellQuote(path("check.gif")), &out)) << out;
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 3) << out;
    EXPECT_NE(out.find("GIF 64x48"), std::string::npos) << out;
  }
  if (!cli_test::haveTool("giftext") && !cli_test::haveTool("identify")) GTEST_SKIP() << "no giftext or identify";
}

TEST_F(EncodeCommand, BadPictureNamesTheFileAndLeavesNoOutput) {
  const std::string good = picture("good.bmp", gfx::encodeBmp(gfx::Bitmap(4, 4, 0xFF000000)));
  const std::string bad = picture("bad.jpg", Bytes(500, 0x42));
  const auto r = runMorogif({"encode", "-o", path("out.gif"), good, bad});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("bad.jpg"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("读入图片文件失败"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(path("out.gif")));

  // An existing output stays as it was when the run fails.
  picture("old.gif", bytesOf("old"));
  EXPECT_EQ(runMorogif({"encode", "-o", path("old.gif"), bad}).exitCode, 1);
  EXPECT_EQ(cli_test::slurp(path("old.gif")), "old");

  const auto missing = runMorogif({"encode", "-o", path("out.gif"), path("nothere.png")});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_NE(missing.err.find("nothere.png"), std::string::npos) << missing.err;
}

TEST_F(EncodeCommand, UsageErrorsAndHelp) {
  const std::string good = picture("good.bmp", gfx::encodeBmp(gfx::Bitmap(4, 4, 0xFF000000)));
  const std::vector<std::vector<std::string>> bad = {
      {"encode", good},
      {"encode", "-o", path("x.gif")},
      {"encode", "--delay", "soon", "-o", path("x.gif"), good},
      {"encode", "--disposal", "9", "-o", path("x.gif"), good},
      {"encode", "--width", "70000", "-o", path("x.gif"), good},
      {"encode", "--bogus", "-o", path("x.gif"), good},
      {"encode", "--interlace=yes", "-o", path("x.gif"), good},
      {"frobnicate"},
  };
  for (const auto& args : bad) {
    const auto r = runMorogif(args);
    EXPECT_EQ(r.exitCode, 2) << args.back();
    EXPECT_FALSE(r.err.empty());
  }
  EXPECT_FALSE(fs::exists(path("x.gif")));

  const auto help = runMorogif({"encode", "--help"});
  EXPECT_EQ(help.exitCode, 0);
  for (const char* opt : {"--width", "--height", "--no-loop", "--loop-count", "--comment", "--interlace", "--delay",
                          "--left", "--top", "--disposal", "--transparent", "--dither", "--frame-comment", "-o"})
    EXPECT_NE(help.out.find(opt), std::string::npos) << opt;
  EXPECT_EQ(runMorogif({"--help"}).exitCode, 0);
}

}  // namespace
