#include "encoder/GifMaker.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "encoder/GiflibDecode.h"
#include "gfx/ImageCodec.h"

namespace encoder {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

Bytes bmpOf(int w, int h, gfx::Argb colour) { return gfx::encodeBmp(gfx::Bitmap(w, h, colour)); }

Bytes readFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}
void writeFile(const fs::path& p, const Bytes& b) {
  std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
}

class GifMakerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("gifmaker-" + std::to_string(::getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
};

TEST_F(GifMakerTest, EmptyHandleRefusesQuietly) {
  GifMaker maker;
  const Bytes bmp = bmpOf(2, 2, 0xFF102030);
  EXPECT_FALSE(maker.AddFrame({}, std::nullopt, bmp));
  EXPECT_FALSE(maker.SaveGif((dir_ / "x.gif").string()));
  EXPECT_EQ(maker.GetError(), "对象还未创建");
  maker.Reset();
  maker.Clear();
  EXPECT_FALSE(maker.created());
  EXPECT_FALSE(fs::exists(dir_ / "x.gif"));
}

TEST_F(GifMakerTest, ArgumentAndDecodeErrors) {
  GifMaker maker;
  maker.Create({});
  const Bytes good = bmpOf(4, 4, 0xFF00FF00);
  const Bytes garbage(100, 0x5A);
  writeFile(dir_ / "good.bmp", good);
  writeFile(dir_ / "bad.bmp", garbage);
  struct Case {
    const char* name;
    std::optional<std::string> path;
    std::optional<Bytes> bytes;
    std::string error;  // empty: succeeds
  } cases[] = {
      {"nothing", std::nullopt, std::nullopt, "没有指定载入文件路径和图片数据"},
      {"53 bytes", std::nullopt, Bytes(good.begin(), good.begin() + 53), "不是有效的图片数据"},
      {"empty capture", std::nullopt, Bytes{}, "不是有效的图片数据"},
      {"garbage bytes", std::nullopt, garbage, "读入图片文件失败"},
      {"garbage file", (dir_ / "bad.bmp").string(), std::nullopt, "读入图片文件失败"},
      {"path wins over bad bytes", (dir_ / "good.bmp").string(), Bytes(10, 0), ""},
      {"path wins over good bytes", (dir_ / "bad.bmp").string(), good, "读入图片文件失败"},
      {"good bytes", std::nullopt, good, ""},
  };
  std::uint32_t frames = 0;
  for (const auto& c : cases) {
    std::optional<std::span<const std::uint8_t>> bytes;
    if (c.bytes) bytes = *c.bytes;
    const bool ok = maker.AddFrame({}, c.path, bytes);
    EXPECT_EQ(ok, c.error.empty()) << c.name;
    EXPECT_EQ(maker.GetError(), c.error) << c.name;
    frames += ok ? 1 : 0;
    EXPECT_EQ(maker.frameCount(), frames) << c.name << ": a failed AddFrame must add nothing";
  }

  EXPECT_FALSE(maker.AddFrame({}, (dir_ / "missing.bmp").string(), std::nullopt));
  EXPECT_NE(maker.GetError().find("missing.bmp"), std::string::npos) << maker.GetError();
  EXPECT_EQ(maker.frameCount(), frames);

  // A directory opens like a file but has no size to read: the system's message, not "out of memory".
  EXPECT_FALSE(maker.AddFrame({}, dir_.string(), std::nullopt));
  EXPECT_NE(maker.GetError().find(std::strerror(EISDIR)), std::string::npos) << maker.GetError();
  EXPECT_EQ(maker.frameCount(), frames);
}

TEST_F(GifMakerTest, SaveWithoutFramesCreatesNoFile) {
  GifMaker maker;
  maker.Create({});
  EXPECT_FALSE(maker.SaveGif((dir_ / "none.gif").string()));
  EXPECT_EQ(maker.GetError(), "还没有加入任何图片");
  EXPECT_FALSE(fs::exists(dir_ / "none.gif"));
  maker.Clear();
  EXPECT_EQ(maker.GetError(), "对象还未创建");
}

TEST_F(GifMakerTest, LogicalScreenFromTheFirstFrame) {
  struct Case {
    std::uint16_t w, h, expectW, expectH;
  } cases[] = {{0, 0, 320, 200}, {400, 0, 400, 200}, {0, 50, 320, 50}, {10, 10, 10, 10}};
  const Bytes first = bmpOf(320, 200, 0xFF808080), second = bmpOf(640, 480, 0xFF808080);
  for (const auto& c : cases) {
    GifMaker maker;
    AnimationInfo info;
    info.Width = c.w;
    info.Depth = c.h;
    maker.Create(info);
    ASSERT_TRUE(maker.AddFrame({}, std::nullopt, first)) << maker.GetError();
    ASSERT_TRUE(maker.AddFrame({}, std::nullopt, second)) << maker.GetError();
    EXPECT_EQ(maker.width(), c.expectW);
    EXPECT_EQ(maker.height(), c.expectH);
    const Bytes gif = maker.encodeToMemory();
    EXPECT_EQ(gif[6] | gif[7] << 8, c.expectW);
    EXPECT_EQ(gif[8] | gif[9] << 8, c.expectH);
  }
}

TEST_F(GifMakerTest, CreateAgainAndResetDiscardFramesButResetKeepsInterlace) {
  GifMaker maker;
  AnimationInfo info;
  info.Interlace = true;
  info.Width = 99;
  maker.Create(info);
  const Bytes bmp = bmpOf(3, 3, 0xFFFFFFFF);
  ASSERT_TRUE(maker.AddFrame({}, std::nullopt, bmp));
  maker.Reset();
  EXPECT_EQ(maker.frameCount(), 0u);
  EXPECT_EQ(maker.width(), 0);
  ASSERT_TRUE(maker.AddFrame({}, std::nullopt, bmp));
  Bytes gif = maker.encodeToMemory();
  EXPECT_EQ(gif[6], 3) << "the width returned to 0 and was taken from the frame";
  EXPECT_EQ(gif[13 + 768 + 9], 0x47) << "still interlaced after Reset";

  maker.Create({});  // a new recording on the same handle
  EXPECT_EQ(maker.frameCount(), 0u);
  ASSERT_TRUE(maker.AddFrame({}, std::nullopt, bmp));
  gif = maker.encodeToMemory();
  EXPECT_EQ(gif[13 + 768 + 9], 0x07);
}

TEST_F(GifMakerTest, RecordsReachTheFileAndGiflibReadsIt) {
  GifMaker maker;
  AnimationInfo info;
  info.exposition = "made by a test";
  info.LoopCount = 3;
  maker.Create(info);
  FrameInfo f;
  f.DelayTime = 30;
  f.DisposalMethod = DisposalRestoreBackground;
  f.Transparency = true;
  f.TransparencyIndex = 252;  // ignored: index 0 is always the transparent one
  f.exposition = std::string(300, 'x');
  f.Left = 1;
  f.Top = 2;
  // The recorder's road: each frame arrives as JPEG bytes.
  const Bytes jpeg1 = gfx::encodeJpeg(gfx::Bitmap(16, 8, 0xFFFF0000), 100);
  const Bytes jpeg2 = gfx::encodeJpeg(gfx::Bitmap(16, 8, 0xFF0000FF), 100);
  ASSERT_TRUE(maker.AddFrame(f, std::nullopt, jpeg1)) << maker.GetError();
  f.Dither = true;
  ASSERT_TRUE(maker.AddFrame(f, std::nullopt, jpeg2)) << maker.GetError();
  EXPECT_EQ(maker.GetError(), "");
  const fs::path out = dir_ / "two.gif";
  ASSERT_TRUE(maker.SaveGif(out.string())) << maker.GetError();
  ASSERT_TRUE(maker.SaveGif((dir_ / "again.gif").string())) << "frames stay after saving";
  const Bytes gif = readFile(out);
  EXPECT_EQ(gif, readFile(dir_ / "again.gif"));

  Bytes gce = {0x21, 0xF9, 0x04, 0x09, 30, 0, 0, 0, 0x21, 0xFE, 0xFF};
  EXPECT_NE(std::search(gif.begin(), gif.end(), gce.begin(), gce.end()), gif.end());

  const auto decoded = testing_gif::decodeWithGiflib(gif);
  ASSERT_TRUE(decoded.ok) << decoded.error;
  ASSERT_EQ(decoded.frames.size(), 2u);
  EXPECT_EQ(decoded.frames[0].left, 1);
  EXPECT_EQ(decoded.frames[0].top, 2);
  // Frame 1 (popularity): its only colour, red at 12-bit precision, is entry 0.
  EXPECT_EQ(decoded.frames[0].palette[0], 240);
  EXPECT_EQ(decoded.frames[0].palette[2], 0);
  // Frame 2 (dithered blue): cube colours only, blue at the top level.
  for (const auto idx : decoded.frames[1].indices) {
    const std::uint8_t* c = &decoded.frames[1].palette[idx * 3u];
    EXPECT_EQ(c[0], 64);
    EXPECT_EQ(c[2], 224);
  }
}

TEST_F(GifMakerTest, TransparentSourcePixelsBecomeBlack) {
  // A PNG with a transparent half and an opaque white half: the transparent pixels are composited onto
  // black, so the palette holds black and white in equal numbers (black has the smaller key: first).
  gfx::Bitmap bmp(4, 2, gfx::makeArgb(0, 255, 0, 0));
  for (int x = 0; x < 4; ++x) bmp.setPixel(x, 1, 0xFFFFFFFF);
  GifMaker maker;
  maker.Create({});
  ASSERT_TRUE(maker.AddFrame({}, std::nullopt, gfx::encodePng(bmp))) << maker.GetError();
  const auto decoded = testing_gif::decodeWithGiflib(maker.encodeToMemory());
  ASSERT_TRUE(decoded.ok) << decoded.error;
  const auto& f = decoded.frames[0];
  EXPECT_EQ((std::vector<std::uint8_t>(f.indices.begin(), f.indices.end())),
            (std::vector<std::uint8_t>{0, 0, 0, 0, 1, 1, 1, 1}));
}

TEST_F(GifMakerTest, SavingOverAFileKeepsItsPermissionsAndLinks) {
  GifMaker maker;
  maker.Create({});
  ASSERT_TRUE(maker.AddFrame({}, std::nullopt, bmpOf(2, 2, 0xFF000000)));

  const fs::path file = dir_ / "shared.gif";
  writeFile(file, {'o', 'l', 'd'});
  fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  const fs::path link = dir_ / "link.gif";
  fs::create_symlink(file, link);

  ASSERT_TRUE(maker.SaveGif(link.string())) << maker.GetError();
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_TRUE(testing_gif::decodeWithGiflib(readFile(file)).ok) << "the link's target holds the new GIF";
  EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(GifMakerTest, FailedSaveLeavesTheExistingFileAlone) {
  const fs::path out = dir_ / "keep.gif";
  const Bytes old = {'o', 'l', 'd'};
  writeFile(out, old);

  GifMaker maker;
  maker.Create({});
  ASSERT_TRUE(maker.AddFrame({}, std::nullopt, bmpOf(300, 300, 0xFF336699)));

  // Saving into a directory that does not exist, or onto a directory, fails with the system's text.
  EXPECT_FALSE(maker.SaveGif((dir_ / "no" / "such.gif").string()));
  EXPECT_NE(maker.GetError().find("No such file"), std::string::npos) << maker.GetError();
  EXPECT_FALSE(maker.SaveGif(dir_.string()));
  EXPECT_FALSE(maker.GetError().empty());

  // A write that fails half way (the file size limit stands in for a full disk) keeps the old file.
  struct rlimit saved {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto previous = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = saved;
  small.rlim_cur = 100;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool saved_ok = maker.SaveGif(out.string());
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);
  EXPECT_FALSE(saved_ok);
  EXPECT_FALSE(maker.GetError().empty());
  EXPECT_EQ(readFile(out), old);
  for (const auto& entry : fs::directory_iterator(dir_))
    EXPECT_EQ(entry.path().filename(), "keep.gif") << "a temporary file was left behind";

  ASSERT_TRUE(maker.SaveGif(out.string())) << maker.GetError();
  EXPECT_EQ(maker.GetError(), "");
  EXPECT_TRUE(testing_gif::decodeWithGiflib(readFile(out)).ok);
}

}  // namespace
}  // namespace encoder
