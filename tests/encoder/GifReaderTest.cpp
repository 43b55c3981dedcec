#include "encoder/GifReader.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>

#include "encoder/GifTestBytes.h"
#include "encoder/GiflibDecode.h"

namespace encoder {
namespace {

using testing_gif::builtColour;
using testing_gif::Bytes;
using testing_gif::GifBytes;
namespace fs = std::filesystem;

Bytes pixelsOf(int w, int h, int colours) {
  Bytes p(std::size_t(w) * h);
  for (std::size_t i = 0; i < p.size(); ++i) p[i] = std::uint8_t((i * 7 + i / std::size_t(w)) % colours);
  return p;
}

// Two frames with a loop extension, an animation comment and a frame comment; the second frame is an
// image without a graphic control extension.
Bytes twoFrameGif() {
  const Bytes a = pixelsOf(4, 3, 2), b = pixelsOf(2, 2, 4);
  return GifBytes{}
      .header(10, 8, 2, 3)
      .loop(7)
      .comment({"anim"})
      .control(0x09, 30, 5)
      .comment({"frame ", "one"})
      .image(1, 2, 4, 3, 1, false, a)
      .image(0, 0, 2, 2, 0, false, b)
      .trailer()
      .bytes;
}

bool load(GifReader& r, const Bytes& b) { return r.LoadGif(std::nullopt, std::span<const std::uint8_t>(b)); }

class TempDir {
 public:
  TempDir() : path_(fs::temp_directory_path() / ("gifreader-" + std::to_string(::getpid()))) {
    fs::create_directories(path_);
  }
  ~TempDir() { fs::remove_all(path_); }
  std::string file(const std::string& name) const { return (path_ / name).string(); }
  static void write(const std::string& path, const Bytes& b) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
  }

 private:
  fs::path path_;
};

TEST(GifReaderHandle, EmptyHandleAnswersNothingAndStoresNoMessage) {
  GifReader r;
  const Bytes gif = twoFrameGif();
  for (int round = 0; round < 2; ++round) {
    EXPECT_FALSE(r.created());
    EXPECT_FALSE(load(r, gif));
    EXPECT_EQ(r.GetGifInfo(), AnimationInfo{});
    EXPECT_FALSE(r.SetGifInfo({}));
    EXPECT_EQ(r.GetFrameInfo(1), FrameInfo{});
    EXPECT_FALSE(r.SetFrameInfo({}, 1));
    EXPECT_EQ(r.GetPalette(0, 0), -1);
    EXPECT_FALSE(r.SetPalette(0, 0, 0));
    EXPECT_TRUE(r.GetGifData(0).empty());
    EXPECT_FALSE(r.SaveGif("/nonexistent/x.gif"));
    EXPECT_EQ(r.GetError(), errors::kNotCreated);
    // After Create and Clear the handle is as empty as before.
    ASSERT_TRUE(r.Create());
    ASSERT_TRUE(load(r, gif));
    r.Clear();
  }
}

TEST(GifReaderHandle, EveryCommandBeforeALoadReportsNothingLoaded) {
  TempDir dir;
  const std::string out = dir.file("never.gif");
  GifReader r;
  ASSERT_TRUE(r.Create());
  const std::vector<std::pair<const char*, std::function<bool()>>> commands{
      {"GetGifInfo", [&] { return r.GetGifInfo() == AnimationInfo{}; }},
      {"SetGifInfo", [&] { return !r.SetGifInfo({}); }},
      {"GetFrameInfo", [&] { return r.GetFrameInfo(1) == FrameInfo{}; }},
      {"SetFrameInfo", [&] { return !r.SetFrameInfo({}, 1); }},
      {"GetPalette", [&] { return r.GetPalette(0, 0) == -1; }},
      {"SetPalette", [&] { return !r.SetPalette(0, 0, 0); }},
      {"GetGifData 0", [&] { return r.GetGifData(0).empty(); }},
      {"GetGifData 1", [&] { return r.GetGifData(1).empty(); }},
      {"SaveGif", [&] { return !r.SaveGif(out); }},
  };
  for (const auto& [name, call] : commands) {
    SCOPED_TRACE(name);
    EXPECT_TRUE(call());
    EXPECT_EQ(r.GetError(), errors::kNotLoaded);
  }
  EXPECT_FALSE(fs::exists(out));
}

struct BadBytes {
  const char* name;
  Bytes bytes;
  std::string_view error;
};

Bytes withSignature(std::string_view six) {
  Bytes b = twoFrameGif();
  std::copy(six.begin(), six.end(), b.begin());
  return b;
}

TEST(GifReaderLoad, RejectedBytesKeepThePreviousLoad) {
  Bytes shortGif = twoFrameGif();
  shortGif.resize(33);
  const std::vector<BadBytes> cases{
      {"33 bytes", shortGif, errors::kNotGifData},
      {"empty", {}, errors::kNotGifData},
      {"not GIF", withSignature("GIX89a"), errors::kNotGif},
      {"PNG", withSignature("\x89PNG\r\n"), errors::kNotGif},
      {"version 88a", withSignature("GIF88a"), errors::kBadVersion},
      {"version with a NUL", withSignature(std::string_view("GIF8\0a", 6)), errors::kBadVersion},
  };
  GifReader r;
  ASSERT_TRUE(r.Create());
  ASSERT_TRUE(load(r, twoFrameGif()));
  for (const BadBytes& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(load(r, c.bytes));
    EXPECT_EQ(r.GetError(), c.error);
    EXPECT_EQ(r.GetGifInfo().FrameCount, 2);
    EXPECT_EQ(r.GetGifData(0), twoFrameGif());
  }
  EXPECT_FALSE(r.LoadGif(std::nullopt, std::nullopt));
  EXPECT_EQ(r.GetError(), errors::kNoSource);
  EXPECT_EQ(r.GetGifInfo().FrameCount, 2);
}

TEST(GifReaderLoad, SignatureAndVersionIgnoreCase) {
  for (std::string_view sig : {"GIF87a", "gif89a", "GiF87A", "gIf89A"}) {
    SCOPED_TRACE(sig);
    GifReader r;
    ASSERT_TRUE(r.Create());
    EXPECT_TRUE(load(r, withSignature(sig)));
    EXPECT_EQ(r.GetError(), "");
    EXPECT_EQ(r.GetGifInfo().FrameCount, 2);
  }
}

TEST(GifReaderLoad, FromFile) {
  TempDir dir;
  const std::string good = dir.file("good.gif"), tiny = dir.file("tiny.gif"), png = dir.file("png.gif");
  TempDir::write(good, twoFrameGif());
  TempDir::write(tiny, Bytes(33, 'G'));
  TempDir::write(png, withSignature("\x89PNG\r\n"));
  const Bytes other = GifBytes{}.header(5, 5, 1).image(0, 0, 5, 5, 0, false, pixelsOf(5, 5, 2)).trailer().bytes;

  GifReader r;
  ASSERT_TRUE(r.Create());
  // The path wins over bytes given with it.
  ASSERT_TRUE(r.LoadGif(good, std::span<const std::uint8_t>(other)));
  EXPECT_EQ(r.GetGifInfo().Width, 10);

  // A file that cannot be read or is too short keeps the previous load.
  for (const std::string& path : {dir.file("missing.gif"), dir.file(""), tiny}) {
    SCOPED_TRACE(path);
    EXPECT_FALSE(r.LoadGif(path, std::nullopt));
    EXPECT_EQ(r.GetGifInfo().Width, 10);
  }
  EXPECT_FALSE(r.LoadGif(tiny, std::nullopt));
  EXPECT_EQ(r.GetError(), errors::kNotGifData);
  EXPECT_FALSE(r.LoadGif(dir.file("missing.gif"), std::nullopt));
  EXPECT_NE(r.GetError().find("missing.gif"), std::string::npos) << r.GetError();

  // A file of the right length has replaced the previous load before its signature is checked.
  EXPECT_FALSE(r.LoadGif(png, std::nullopt));
  EXPECT_EQ(r.GetError(), errors::kNotGif);
  EXPECT_EQ(r.GetGifInfo(), AnimationInfo{});
  EXPECT_EQ(r.GetError(), errors::kNotLoaded);

  ASSERT_TRUE(r.LoadGif(good, std::nullopt));
  EXPECT_EQ(r.GetError(), "");
}

TEST(GifReaderScan, ReportsAnimationAndFrames) {
  GifReader r;
  ASSERT_TRUE(r.Create());
  ASSERT_TRUE(load(r, twoFrameGif()));
  AnimationInfo anim;
  anim.Width = 10;
  anim.Depth = 8;
  anim.LOOP = true;
  anim.LoopCount = 7;
  anim.BgColorIndex = 3;
  anim.exposition = "anim";
  anim.FrameCount = 2;
  anim.ColorNum = 4;
  EXPECT_EQ(r.GetGifInfo(), anim);

  FrameInfo first;
  first.DelayTime = 30;
  first.Left = 1;
  first.Top = 2;
  first.DisposalMethod = DisposalRestoreBackground;
  first.Transparency = true;
  first.TransparencyIndex = 5;
  first.Width = 4;
  first.Depth = 3;
  first.exposition = "frame one";
  first.ColorNum = 2;
  EXPECT_EQ(r.GetFrameInfo(1), first);

  // No graphic control extension: no delay, nothing else but the descriptor.
  FrameInfo bare;
  bare.DelayTime = 0;
  bare.Width = 2;
  bare.Depth = 2;
  EXPECT_EQ(r.GetFrameInfo(2), bare);

  for (int n : {0, 3, -1}) {
    EXPECT_EQ(r.GetFrameInfo(n), FrameInfo{});
    EXPECT_EQ(r.GetError(), errors::kFrameOutOfRange);
  }
}

TEST(GifReaderScan, AnimationCommentIsOneSubBlockThatNoFrameOwns) {
  const Bytes px = pixelsOf(2, 2, 2);
  struct Case {
    const char* name;
    std::function<void(GifBytes&)> build;
    std::string expected;
  };
  const std::vector<Case> cases{
      {"before the frames", [&](GifBytes& g) { g.comment({"A"}).control(0, 1, 0).image(0, 0, 2, 2, 0, false, px); }, "A"},
      {"between control and image is the frame's",
       [&](GifBytes& g) { g.control(0, 1, 0).comment({"F"}).image(0, 0, 2, 2, 0, false, px); }, ""},
      {"after the frames, last wins",
       [&](GifBytes& g) {
         g.comment({"A"}).control(0, 1, 0).image(0, 0, 2, 2, 0, false, px).comment({"B"});
       },
       "B"},
      {"two sub-blocks do not count",
       [&](GifBytes& g) { g.comment({"A", "B"}).control(0, 1, 0).image(0, 0, 2, 2, 0, false, px); }, ""},
      {"after the image of a one-frame file",
       [&](GifBytes& g) { g.image(0, 0, 2, 2, 0, false, px).comment({"C"}); }, "C"},
      {"ends at a NUL", [&](GifBytes& g) { g.comment({std::string_view("ab\0cd", 5)}).image(0, 0, 2, 2, 0, false, px); },
       "ab"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GifBytes g;
    g.header(2, 2, 1);
    c.build(g);
    g.trailer();
    GifReader r;
    ASSERT_TRUE(r.Create());
    ASSERT_TRUE(load(r, g.bytes));
    EXPECT_EQ(r.GetGifInfo().exposition, c.expected);
  }
}

TEST(GifReaderScan, FramesComeFromControlSubBlocksAndBareImages) {
  const Bytes px = pixelsOf(2, 2, 2);
  // One graphic control extension with two 4-byte sub-blocks, then one image.
  const Bytes twoControls = GifBytes{}
                                .header(2, 2, 1)
                                .raw({0x21, 0xF9, 0x04, 0x04, 10, 0, 0, 0x04, 0x08, 20, 0, 0, 0x00})
                                .image(0, 0, 2, 2, 0, false, px)
                                .image(1, 1, 1, 1, 0, false, px)
                                .trailer()
                                .bytes;
  GifReader r;
  ASSERT_TRUE(r.Create());
  ASSERT_TRUE(load(r, twoControls));
  ASSERT_EQ(r.GetGifInfo().FrameCount, 3);
  EXPECT_EQ(r.GetFrameInfo(1).DelayTime, 10);
  EXPECT_EQ(r.GetFrameInfo(1).DisposalMethod, DisposalLeave);
  EXPECT_EQ(r.GetFrameInfo(2).DelayTime, 20);
  EXPECT_EQ(r.GetFrameInfo(2).DisposalMethod, DisposalRestoreBackground);
  EXPECT_EQ(r.GetFrameInfo(2).Width, 2);
  EXPECT_EQ(r.GetFrameInfo(3).Left, 1);
  EXPECT_EQ(r.GetFrameInfo(3).DelayTime, 0);
}

TEST(GifReaderScan, LoopExtensionNeedsItsLoopSubBlock) {
  const Bytes px = pixelsOf(2, 2, 2);
  // An application extension with an 11-byte identifier but other data is not a loop extension:
  // SetGifInfo would otherwise write a loop count into that data.
  GifBytes other;
  other.header(2, 2, 1).raw({0x21, 0xFF, 0x0B}).raw("XMP DataXMP").raw({0x03, '<', '?', 'x', 0x00});
  other.control(0, 1, 0).image(0, 0, 2, 2, 0, false, px).trailer();
  GifBytes loop;
  loop.header(2, 2, 1).loop(513).control(0, 1, 0).image(0, 0, 2, 2, 0, false, px).trailer();

  GifReader r;
  ASSERT_TRUE(r.Create());
  ASSERT_TRUE(load(r, other.bytes));
  EXPECT_FALSE(r.GetGifInfo().LOOP);
  AnimationInfo edit = r.GetGifInfo();
  edit.LOOP = true;
  edit.LoopCount = 0x4141;
  ASSERT_TRUE(r.SetGifInfo(edit));
  EXPECT_EQ(r.GetGifData(0), other.bytes);

  ASSERT_TRUE(load(r, loop.bytes));
  EXPECT_TRUE(r.GetGifInfo().LOOP);
  EXPECT_EQ(r.GetGifInfo().LoopCount, 513);
}

TEST(GifReaderScan, DamagedBlocksFailTheScanButKeepTheBytes) {
  const Bytes px = pixelsOf(2, 2, 2);
  Bytes stray = GifBytes{}.header(2, 2, 1).control(0, 1, 0).image(0, 0, 2, 2, 0, false, px).raw({0x00}).trailer().bytes;
  Bytes cutDescriptor = GifBytes{}.header(2, 2, 1).control(0, 1, 0).image(0, 0, 2, 2, 0, false, px).bytes;
  cutDescriptor.insert(cutDescriptor.end(), {0x2C, 0, 0, 0, 0, 2});
  Bytes cutGlobalTable = GifBytes{}.header(2, 2, 0).raw(Bytes(40, 0)).bytes;
  cutGlobalTable[10] = 0x87;  // claims 768 bytes of table
  for (const Bytes* b : {&stray, &cutDescriptor, &cutGlobalTable}) {
    GifReader r;
    ASSERT_TRUE(r.Create());
    EXPECT_FALSE(load(r, *b));
    EXPECT_EQ(r.GetError(), errors::kCorruptGif);
    EXPECT_EQ(r.GetGifInfo().FrameCount, 0);
    EXPECT_EQ(r.GetGifData(0), *b);
    EXPECT_EQ(r.GetFrameInfo(1), FrameInfo{});
    EXPECT_EQ(r.GetError(), errors::kFrameOutOfRange);
    EXPECT_FALSE(r.SetPalette(0, 255, 0));
    EXPECT_EQ(r.GetGifData(0), *b);
  }
}

TEST(GifReaderScan, ControlWithoutImageIsADamagedFrame) {
  const Bytes b = GifBytes{}
                      .header(2, 2, 1)
                      .control(0, 1, 0)
                      .image(0, 0, 2, 2, 0, false, pixelsOf(2, 2, 2))
                      .control(0, 9, 0)
                      .trailer()
                      .raw(Bytes(20, 0))
                      .bytes;
  GifReader r;
  ASSERT_TRUE(r.Create());
  ASSERT_TRUE(load(r, b));
  ASSERT_EQ(r.GetGifInfo().FrameCount, 2);
  EXPECT_EQ(r.GetFrameInfo(2), FrameInfo{});
  EXPECT_EQ(r.GetError(), errors::kFrameCorrupt);
  EXPECT_TRUE(r.GetGifData(2).empty());
  EXPECT_EQ(r.GetError(), errors::kFrameCorrupt);
  EXPECT_FALSE(r.SetFrameInfo(FrameInfo{}, 2));
  EXPECT_EQ(r.GetGifData(0), b);
}

TEST(GifReaderEdit, SetGifInfoOverwritesScreenAndLoopCount) {
  GifReader r;
  ASSERT_TRUE(r.Create());
  ASSERT_TRUE(load(r, twoFrameGif()));
  AnimationInfo edit;
  edit.Width = 300;
  edit.Depth = 0x1234;
  edit.BgColorIndex = 2;
  edit.LOOP = true;
  edit.LoopCount = 9;
  edit.exposition = "not written";
  edit.FrameCount = 9;
  ASSERT_TRUE(r.SetGifInfo(edit));
  const Bytes edited = r.GetGifData(0);
  ASSERT_EQ(edited.size(), twoFrameGif().size());

  GifReader again;
  ASSERT_TRUE(again.Create());
  ASSERT_TRUE(load(again, edited));
  const AnimationInfo got = again.GetGifInfo();
  EXPECT_EQ(got.Width, 300);
  EXPECT_EQ(got.Depth, 0x1234);
  EXPECT_EQ(got.BgColorIndex, 2);
  EXPECT_EQ(got.LoopCount, 9);
  EXPECT_EQ(got.exposition, "anim");
  EXPECT_EQ(got.FrameCount, 2);

  // LOOP false leaves the loop count alone.
  edit.LOOP = false;
  edit.LoopCount = 1;
  ASSERT_TRUE(again.SetGifInfo(edit));
  EXPECT_EQ(again.GetGifInfo().LoopCount, 9);
  EXPECT_TRUE(again.GetGifInfo().LOOP);
}

TEST(GifReaderEdit, SetGifInfoAddsNoLoopExtension) {
  const Bytes b = GifBytes{}.header(4, 4, 1).control(0, 1, 0).image(0, 0, 2, 2, 0, false, pixelsOf(2, 2, 2)).trailer().bytes;
  GifReader r;
  ASSERT_TRUE(r.Create());
  ASSERT_TRUE(load(r, b));
  AnimationInfo edit;
  edit.Width = 7;
  edit.Depth = 6;
  edit.BgColorIndex = 1;
  edit.LOOP = true;
  edit.LoopCount = 5;
  ASSERT_TRUE(r.SetGifInfo(edit));
  const AnimationInfo got = r.GetGifInfo();
  EXPECT_EQ(got.Width, 7);
  EXPECT_EQ(got.Depth, 6);
  EXPECT_EQ(got.BgColorIndex, 1);
  EXPECT_FALSE(got.LOOP);
  EXPECT_EQ(got.LoopCount, 0);
  EXPECT_EQ(r.GetGifData(0).size(), b.size());
}

TEST(GifReaderEdit, SetFrameInfoOverwritesControlDataAndPositionOnly) {
  GifReader r;
  ASSERT_TRUE(r.Create());
  Bytes b = twoFrameGif();
  // Set the user-input bit of frame 1's control byte: an edit must keep it.
  const Bytes gce{0x21, 0xF9, 0x04};
  const std::size_t control = std::size_t(std::search(b.begin(), b.end(), gce.begin(), gce.end()) - b.begin()) + 3;
  ASSERT_LT(control, b.size());
  b[control] |= 0x02;
  ASSERT_TRUE(load(r, b));

  FrameInfo edit = r.GetFrameInfo(1);
  edit.DelayTime = 0x0201;
  edit.Left = 300;
  edit.Top = 400;
  edit.DisposalMethod = 0x0B;  // only the low 3 bits reach the file
  edit.Transparency = false;
  edit.TransparencyIndex = 9;
  edit.Width = 99;
  edit.exposition = "ignored";
  ASSERT_TRUE(r.SetFrameInfo(edit, 1));
  FrameInfo expected = r.GetFrameInfo(1);
  EXPECT_EQ(expected.DelayTime, 0x0201);
  EXPECT_EQ(expected.Left, 300);
  EXPECT_EQ(expected.Top, 400);
  EXPECT_EQ(expected.DisposalMethod, 3);
  EXPECT_FALSE(expected.Transparency);
  EXPECT_EQ(expected.TransparencyIndex, 5);
  EXPECT_EQ(expected.Width, 4);
  EXPECT_EQ(expected.exposition, "frame one");
  EXPECT_EQ(r.GetGifData(0)[control], 0x0C | 0x02);

  // A frame without control extension takes the position and nothing else.
  FrameInfo bare = r.GetFrameInfo(2);
  bare.Left = 5;
  bare.Top = 6;
  bare.DelayTime = 77;
  ASSERT_TRUE(r.SetFrameInfo(bare, 2));
  EXPECT_EQ(r.GetFrameInfo(2).Left, 5);
  EXPECT_EQ(r.GetFrameInfo(2).Top, 6);
  EXPECT_EQ(r.GetFrameInfo(2).DelayTime, 0);
  EXPECT_EQ(r.GetGifData(0).size(), b.size());

  EXPECT_FALSE(r.SetFrameInfo(bare, 3));
  EXPECT_EQ(r.GetError(), errors::kFrameOutOfRange);

  // giflib reads the edited file and sees the new position.
  const auto decoded = testing_gif::decodeWithGiflib(r.GetGifData(0));
  ASSERT_TRUE(decoded.ok) << decoded.error;
  EXPECT_EQ(decoded.frames.at(0).left, 300);
  EXPECT_EQ(decoded.frames.at(1).top, 6);
}

TEST(GifReaderPalette, ReadsAndChecksEntries) {
  GifReader r;
  ASSERT_TRUE(r.Create());
  ASSERT_TRUE(load(r, twoFrameGif()));  // global table of 4, frame 1 has a local table of 2
  struct Case {
    int frame;
    std::uint8_t entry;
    int colour;
    std::string_view error;
  };
  const std::vector<Case> cases{
      {0, 3, builtColour(3), ""},
      {0, 4, -1, errors::kPaletteEntryOutOfRange},
      {0, 255, -1, errors::kPaletteEntryOutOfRange},
      {1, 1, builtColour(1), ""},
      {1, 2, -1, errors::kPaletteEntryOutOfRange},
      {2, 0, -1, errors::kNoLocalPalette},
      {3, 0, -1, errors::kFrameOutOfRange},
      {-1, 0, -1, errors::kFrameOutOfRange},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "frame " << c.frame << " entry " << int(c.entry));
    EXPECT_EQ(r.GetPalette(c.frame, c.entry), c.colour);
    if (!c.error.empty()) {
      EXPECT_EQ(r.GetError(), c.error);
      EXPECT_FALSE(r.SetPalette(c.frame, c.entry, 0));
      EXPECT_EQ(r.GetError(), c.error);
    }
  }
  EXPECT_EQ(r.GetGifData(0), twoFrameGif());

  const Bytes noGlobal = GifBytes{}.header(2, 2, 0).image(0, 0, 2, 2, 0, false, pixelsOf(2, 2, 2)).trailer().bytes;
  ASSERT_TRUE(load(r, noGlobal));
  EXPECT_EQ(r.GetPalette(0, 0), -1);
  EXPECT_EQ(r.GetError(), errors::kNoGlobalPalette);
}

TEST(GifReaderPalette, SetPaletteWritesRedGreenBlue) {
  GifReader r;
  ASSERT_TRUE(r.Create());
  ASSERT_TRUE(load(r, twoFrameGif()));
  ASSERT_TRUE(r.SetPalette(0, 2, 0x00563412));
  ASSERT_TRUE(r.SetPalette(1, 1, 0x7F0000FF));  // the byte above blue is not part of a colour
  EXPECT_EQ(r.GetPalette(0, 2), 0x563412);
  EXPECT_EQ(r.GetPalette(1, 1), 0x0000FF);
  EXPECT_EQ(r.GetPalette(1, 0), builtColour(0));
  const auto decoded = testing_gif::decodeWithGiflib(r.GetGifData(0));
  ASSERT_TRUE(decoded.ok) << decoded.error;
  EXPECT_EQ(decoded.frames.at(0).palette, (Bytes{0, 0, 0, 0xFF, 0, 0}));
}

TEST(GifReaderSave, WritesTheEditedBytesAndKeepsTargetsOnFailure) {
  TempDir dir;
  GifReader r;
  ASSERT_TRUE(r.Create());
  ASSERT_TRUE(load(r, twoFrameGif()));
  ASSERT_TRUE(r.SetPalette(0, 0, 0xABCDEF));
  const std::string out = dir.file("out.gif");
  TempDir::write(out, Bytes(5, 1));
  ASSERT_TRUE(r.SaveGif(out)) << r.GetError();
  EXPECT_EQ(r.GetError(), "");
  std::ifstream in(out, std::ios::binary);
  const Bytes saved{std::istreambuf_iterator<char>(in), {}};
  EXPECT_EQ(saved, r.GetGifData(0));

  // A directory cannot be replaced; a missing directory cannot be written into.
  for (const std::string& bad : {dir.file(""), dir.file("no/such/dir.gif")}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(r.SaveGif(bad));
    EXPECT_FALSE(r.GetError().empty());
  }
  std::size_t entries = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(fs::path(dir.file("")))) ++entries;
  EXPECT_EQ(entries, 1u) << "a failed save left a temporary file behind";
}

}  // namespace
}  // namespace encoder
