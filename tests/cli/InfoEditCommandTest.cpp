// morogif info and morogif edit, run as a user runs them, checked against other programs: GIFs made by
// ImageMagick, gifsicle, ffmpeg and giflib are reported as giflib's giftext reports them, and exported
// frames hold the pixels giflib decodes (the BMP itself read back by ImageMagick).
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "cli/CliRunner.h"
#include "cli/JsonValue.h"
#include "encoder/GiflibDecode.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using cli_test::haveTool;
using cli_test::JsonParser;
using cli_test::JsonValue;
using cli_test::runMorogif;
using cli_test::runShell;
using cli_test::shellQuote;

Bytes readBytes(const fs::path& p) {
  const std::string s = cli_test::slurp(p);
  return Bytes(s.begin(), s.end());
}

// What giftext says about a file.
struct GiftextImage {
  int left = -1, top = -1, width = -1, height = -1;
  bool interlaced = false;
  int localColours = 0;
  bool control = false;
  int disposal = 0, delay = 0, transparentIndex = -1;
  bool transparent = false;
};
struct Giftext {
  int width = -1, height = -1, background = -1, globalColours = 0;
  std::vector<GiftextImage> images;
};

Giftext parseGiftext(const std::string& text) {
  Giftext g;
  GiftextImage pending;
  int bits = 0;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    const char* s = line.c_str() + line.find_first_not_of(" \t") * (line.find_first_not_of(" \t") != std::string::npos);
    int a = 0, b = 0, c = 0, d = 0;
    if (std::sscanf(s, "Screen Size - Width = %d, Height = %d", &a, &b) == 2) {
      g.width = a;
      g.height = b;
    } else if (std::sscanf(s, "ColorResolution = %d, BitsPerPixel = %d, BackGround = %d", &a, &b, &c) == 3) {
      bits = b;
      g.background = c;
    } else if (line.find("Has Global Color Map") != std::string::npos) {
      g.globalColours = 1 << bits;
    } else if (line.find("graphics control") != std::string::npos) {
      pending = {};
      pending.control = true;
    } else if (std::sscanf(s, "Disposal Mode: %d", &a) == 1) {
      pending.disposal = a;
    } else if (line.find("Transparency on: yes") != std::string::npos) {
      pending.transparent = true;
    } else if (std::sscanf(s, "DelayTime: %d", &a) == 1) {
      pending.delay = a;
    } else if (std::sscanf(s, "Transparent Index: %d", &a) == 1) {
      pending.transparentIndex = a;
    } else if (std::sscanf(s, "Image Size - Left = %d, Top = %d, Width = %d, Height = %d", &a, &b, &c, &d) == 4) {
      GiftextImage img = pending;
      pending = {};
      img.left = a;
      img.top = b;
      img.width = c;
      img.height = d;
      g.images.push_back(img);
    } else if (line.find("Image is ") != std::string::npos) {
      g.images.back().interlaced = line.find("Non Interlaced") == std::string::npos;
      if (const auto at = line.find("BitsPerPixel = "); at != std::string::npos)
        g.images.back().localColours = 1 << std::stoi(line.substr(at + 15));
    }
  }
  return g;
}

class InfoEdit : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("info-edit-cli-" + std::to_string(::getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string path(const std::string& name) const { return (dir_ / name).string(); }

  // `morogif info --json FILE`, parsed; fails the test when the output is not one JSON object.
  JsonValue infoJson(const std::string& file) {
    const auto r = runMorogif({"info", "--json", file});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const auto v = JsonParser::parse(r.out);
    EXPECT_TRUE(v.has_value()) << "not JSON: " << r.out;
    return v.value_or(JsonValue{});
  }

  // A GIF made by `morogif encode` from two small pictures made by ImageMagick.
  std::string encoded(const std::string& name, const std::vector<std::string>& options) {
    const std::string a = path("a.png"), b = path("b.png");
    if (!fs::exists(a)) {
      EXPECT_TRUE(runShell("convert -size 9x7 gradient:red-blue " + shellQuote(a) + " && convert -size 9x7 " +
                           "pattern:checkerboard " + shellQuote(b)));
    }
    std::vector<std::string> args{"encode"};
    args.insert(args.end(), options.begin(), options.end());
    args.insert(args.end(), {"-o", path(name), a, b});
    const auto r = runMorogif(args);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return path(name);
  }

  fs::path dir_;
};

// Every member of both records, in order, and nothing else.
void expectMemberNames(const JsonValue& v) {
  const std::vector<std::string> animation{"Width", "Depth", "LOOP", "LoopCount", "BgColorIndex", "exposition",
                                           "FrameCount", "ColorNum", "Interlace"};
  const std::vector<std::string> frame{"DelayTime", "Left",  "Top",        "DisposalMethod", "Transparency", "TransparencyIndex",
                                       "Width",     "Depth", "exposition", "ColorNum",       "Dither"};
  EXPECT_EQ(v.order, (std::vector<std::string>{"animation", "frames"}));
  EXPECT_EQ(v["animation"].order, animation);
  for (const JsonValue& f : v["frames"].items) EXPECT_EQ(f.order, frame);
}

// The checks shared by every file made by another program.
void expectConsistentWithGiftext(const std::string& gif, const JsonValue& info) {
  std::string text;
  ASSERT_TRUE(runShell("giftext " + shellQuote(gif), &text)) << text;
  const Giftext g = parseGiftext(text);
  const JsonValue& a = info["animation"];
  EXPECT_EQ(a["Width"].integer(), g.width);
  EXPECT_EQ(a["Depth"].integer(), g.height);
  EXPECT_EQ(a["BgColorIndex"].integer(), g.background);
  EXPECT_EQ(a["ColorNum"].integer(), g.globalColours);
  EXPECT_EQ(a["FrameCount"].integer(), std::int64_t(g.images.size()));
  ASSERT_EQ(info["frames"].items.size(), g.images.size());
  for (std::size_t i = 0; i < g.images.size(); ++i) {
    SCOPED_TRACE(testing::Message() << "frame " << i + 1);
    const JsonValue& f = info["frames"].items[i];
    const GiftextImage& img = g.images[i];
    EXPECT_EQ(f["Left"].integer(), img.left);
    EXPECT_EQ(f["Top"].integer(), img.top);
    EXPECT_EQ(f["Width"].integer(), img.width);
    EXPECT_EQ(f["Depth"].integer(), img.height);
    EXPECT_EQ(f["ColorNum"].integer(), img.localColours);
    EXPECT_EQ(f["DelayTime"].integer(), img.control ? img.delay : 0);
    EXPECT_EQ(f["DisposalMethod"].integer(), img.disposal);
    EXPECT_EQ(f["Transparency"].boolean, img.transparent);
    if (img.transparent) {
      EXPECT_EQ(f["TransparencyIndex"].integer(), img.transparentIndex);
    }
  }
}

// Each frame exported with --bmp, read back by ImageMagick, has the colours giflib decodes.
void expectExportedFramesMatchGiflib(const std::string& gif, const std::string& workDir) {
  const auto ref = testing_gif::decodeWithGiflib(readBytes(gif));
  ASSERT_TRUE(ref.ok) << ref.error;
  for (std::size_t i = 0; i < ref.frames.size(); ++i) {
    SCOPED_TRACE(testing::Message() << "frame " << i + 1);
    const auto& f = ref.frames[i];
    const std::string bmp = workDir + "/frame.bmp", rgb = workDir + "/frame.rgb";
    const auto r = runMorogif({"info", "--frame", std::to_string(i + 1), "--bmp", bmp, gif});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::string out;
    ASSERT_TRUE(runShell("convert " + shellQuote(bmp) + " -depth 8 rgb:" + shellQuote(rgb), &out)) << out;
    const Bytes pixels = readBytes(rgb);
    ASSERT_EQ(pixels.size(), std::size_t(f.width) * f.height * 3);
    const Bytes& palette = f.palette.empty() ? ref.globalPalette : f.palette;
    for (std::size_t p = 0; p < f.indices.size(); ++p) {
      const std::size_t c = 3 * std::size_t(f.indices[p]);
      ASSERT_LT(c + 2, palette.size());
      ASSERT_TRUE(std::equal(palette.begin() + std::ptrdiff_t(c), palette.begin() + std::ptrdiff_t(c + 3),
                             pixels.begin() + std::ptrdiff_t(3 * p)))
          << "pixel " << p;
    }
  }
}

struct Maker {
  const char* name;
  const char* tool;
  std::string command;  // makes $OUT (and may use $TMP)
};

TEST_F(InfoEdit, FilesFromOtherProgramsAreReportedAsGiftextReportsThem) {
  if (!haveTool("giftext") || !haveTool("convert")) GTEST_SKIP() << "giftext or convert missing";
  const std::vector<Maker> makers{
      {"ImageMagick, offsets and background disposal", "convert",
       "convert -loop 3 -delay 12 -dispose Background -size 20x14 gradient:red-blue -page +4+3 -size 8x6 "
       "pattern:checkerboard -comment hello $OUT"},
      {"ImageMagick, interlaced with transparency", "convert",
       "convert -delay 5 -dispose Previous -size 16x12 xc:none -fill red -draw 'circle 8,6 8,2' "
       "-size 16x12 xc:none -fill blue -draw 'rectangle 2,2 9,9' -interlace GIF $OUT"},
      {"gifsicle, optimised and interlaced", "gifsicle",
       "convert -delay 7 -size 24x16 gradient:yellow-green -size 24x16 gradient:green-yellow $TMP.gif && "
       "gifsicle --delay 25 --loopcount=4 --disposal previous --interlace --comment gs -O2 $TMP.gif > $OUT"},
      {"gifsicle, merged with a position", "gifsicle",
       "convert -size 10x10 xc:red $TMP1.gif && convert -size 6x4 gradient:white-black $TMP2.gif && "
       "gifsicle --no-loopcount --delay 3 $TMP1.gif --position 2,3 $TMP2.gif > $OUT"},
      {"ffmpeg test pattern", "ffmpeg",
       "ffmpeg -v error -f lavfi -i testsrc=size=32x24:rate=5 -frames:v 3 -y $OUT"},
      {"giflib gifbuild", "gifbuild",
       "printf '%s\\n' 'screen width 6' 'screen height 5' 'screen colors 4' 'screen background 2' 'screen map' "
       "'rgb 0 0 0 is 0' 'rgb 255 0 0 is 1' 'rgb 0 255 0 is 2' 'rgb 0 0 255 is 3' 'end' 'graphics control' "
       "'disposal mode 2' 'delay 40' 'transparent index 3' 'end' 'image # 1' 'image left 1' 'image top 1' "
       "'image interlaced' 'image bits 4 by 3' '0123' '1230' '2301' | gifbuild > $OUT"},
  };
  for (const Maker& m : makers) {
    SCOPED_TRACE(m.name);
    if (!haveTool(m.tool)) continue;
    const std::string out = path("made.gif"), tmp = path("tmp");
    std::string cmd = m.command, log;
    for (const auto& [var, value] : {std::pair{"$OUT", out}, std::pair{"$TMP", tmp}})
      for (std::size_t at; (at = cmd.find(var)) != std::string::npos;) cmd.replace(at, 4, shellQuote(value));
    ASSERT_TRUE(runShell(cmd, &log)) << cmd << "\n" << log;
    const JsonValue info = infoJson(out);
    expectMemberNames(info);
    expectConsistentWithGiftext(out, info);
    if (haveTool("gifsicle")) {
      std::string summary;
      ASSERT_TRUE(runShell("gifsicle -I " + shellQuote(out), &summary));
      const JsonValue& a = info["animation"];
      const bool loops = summary.find("loop ") != std::string::npos;
      EXPECT_EQ(a["LOOP"].boolean, loops) << summary;
      if (summary.find("loop forever") != std::string::npos) {
        EXPECT_EQ(a["LoopCount"].integer(), 0);
      } else if (const auto at = summary.find("loop count "); at != std::string::npos) {
        EXPECT_EQ(a["LoopCount"].integer(), std::stoi(summary.substr(at + 11)));
      }
    }
    expectExportedFramesMatchGiflib(out, dir_.string());
  }
}

TEST_F(InfoEdit, EncodedFilesReadBackWithTheirOptions) {
  if (!haveTool("convert")) GTEST_SKIP() << "convert missing";
  const std::string gif = encoded("e.gif", {"--delay", "33", "--left", "2", "--top", "1", "--disposal", "2",
                                            "--transparent", "--loop-count", "5", "--comment", "整体",
                                            "--frame-comment", "每帧", "--interlace"});
  const JsonValue v = infoJson(gif);
  const JsonValue& a = v["animation"];
  EXPECT_EQ(a["Width"].integer(), 9);
  EXPECT_EQ(a["Depth"].integer(), 7);
  EXPECT_TRUE(a["LOOP"].boolean);
  EXPECT_EQ(a["LoopCount"].integer(), 5);
  EXPECT_EQ(a["exposition"].text, "整体");
  EXPECT_EQ(a["FrameCount"].integer(), 2);
  EXPECT_EQ(a["ColorNum"].integer(), 256);
  ASSERT_EQ(v["frames"].items.size(), 2u);
  for (const JsonValue& f : v["frames"].items) {
    EXPECT_EQ(f["DelayTime"].integer(), 33);
    EXPECT_EQ(f["Left"].integer(), 2);
    EXPECT_EQ(f["Top"].integer(), 1);
    EXPECT_EQ(f["DisposalMethod"].integer(), 2);
    EXPECT_TRUE(f["Transparency"].boolean);
    EXPECT_EQ(f["exposition"].text, "每帧");
    EXPECT_EQ(f["ColorNum"].integer(), 256);
  }
  expectExportedFramesMatchGiflib(gif, dir_.string());

  const JsonValue once = infoJson(encoded("once.gif", {"--no-loop"}));
  EXPECT_FALSE(once["animation"]["LOOP"].boolean);
  EXPECT_EQ(once["frames"].items.at(0)["DelayTime"].integer(), 60);
}

TEST_F(InfoEdit, TextsAreQuotedSafely) {
  if (!haveTool("convert")) GTEST_SKIP() << "convert missing";
  const std::string comment = "say \"hi\"\\\n\tend\x01 \xff\xfe 中";
  const std::string gif = encoded("q.gif", {"--comment", comment});
  EXPECT_EQ(infoJson(gif)["animation"]["exposition"].text, "say \"hi\"\\\n\tend\x01 \xEF\xBF\xBD\xEF\xBF\xBD 中");

  // For people: every member by name, one a line, the comment on one line.
  const auto r = runMorogif({"info", gif});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  for (const char* member : {"Width", "Depth", "LOOP", "LoopCount", "BgColorIndex", "exposition", "FrameCount",
                             "ColorNum", "Interlace", "DelayTime", "Left", "Top", "DisposalMethod", "Transparency",
                             "TransparencyIndex", "Dither"})
    EXPECT_NE(r.out.find(std::string("\n  ") + member + " "), std::string::npos) << member;
  EXPECT_NE(r.out.find("\"say \\\"hi\\\"\\\\\\n\\tend\\u0001 \\ufffd\\ufffd 中\""), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("frame 2\n"), std::string::npos);
}

TEST_F(InfoEdit, InfoErrors) {
  const std::string notGif = path("not.gif"), damaged = path("damaged.gif");
  std::ofstream(notGif) << std::string(40, 'x');
  Bytes bad{'G', 'I', 'F', '8', '9', 'a', 2, 0, 2, 0, 0, 0, 0};
  bad.resize(40, 0x99);  // a byte that starts no block
  std::ofstream(damaged, std::ios::binary).write(reinterpret_cast<const char*>(bad.data()), std::streamsize(bad.size()));
  struct Case {
    std::vector<std::string> args;
    int exitCode;
    std::string message;
  };
  const std::vector<Case> cases{
      {{"info", path("missing.gif")}, 1, "missing.gif"},
      {{"info", notGif}, 1, "不是GIF图片数据"},
      {{"info", "--json", damaged}, 1, "GIF图片文件已经损坏"},
      {{"info", "--bmp", path("x.bmp"), notGif}, 2, "--bmp needs --frame"},
      {{"info"}, 2, "no GIF file"},
      {{"info", "--frame", "0", notGif}, 2, "--frame"},
  };
  for (const Case& c : cases) {
    const auto r = runMorogif(c.args);
    EXPECT_EQ(r.exitCode, c.exitCode) << c.args.back();
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty()) << r.out;
  }
  EXPECT_FALSE(fs::exists(path("x.bmp")));
}

TEST_F(InfoEdit, InfoFrameOutOfRangeOrDamaged) {
  if (!haveTool("convert")) GTEST_SKIP() << "convert missing";
  const std::string gif = encoded("r.gif", {});
  auto r = runMorogif({"info", "--frame", "3", "--bmp", path("x.bmp"), gif});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("帧序号超出范围"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(path("x.bmp")));
  r = runMorogif({"info", "--json", "--frame", "3", gif});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(r.out.empty());
}

TEST_F(InfoEdit, EditChangesOnlyTheNamedFields) {
  if (!haveTool("convert")) GTEST_SKIP() << "convert missing";
  const std::string in = encoded("in.gif", {"--delay", "10", "--loop-count", "2"});
  const Bytes before = readBytes(in);
  const std::string out = path("out.gif");
  const auto r = runMorogif({"edit", in, "-o", out, "--width", "50", "--height", "40", "--bg-index", "3",
                             "--loop-count", "7", "--frame", "2", "--delay", "99", "--left", "5", "--top", "6",
                             "--disposal", "3", "--transparent", "1", "--frame", "1", "--top", "4",
                             "--palette", "0:1=0x123456", "--palette", "2:255=#ABCDEF"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(readBytes(in), before);
  EXPECT_EQ(readBytes(out).size(), before.size());

  const JsonValue was = infoJson(in), now = infoJson(out);
  JsonValue expected = was;
  auto set = [](JsonValue& v, const std::string& key, double n) { v.members[key].number = n; };
  set(expected.members["animation"], "Width", 50);
  set(expected.members["animation"], "Depth", 40);
  set(expected.members["animation"], "BgColorIndex", 3);
  set(expected.members["animation"], "LoopCount", 7);
  JsonValue& f1 = expected.members["frames"].items[0];
  JsonValue& f2 = expected.members["frames"].items[1];
  set(f1, "Top", 4);
  set(f2, "DelayTime", 99);
  set(f2, "Left", 5);
  set(f2, "Top", 6);
  set(f2, "DisposalMethod", 3);
  f2.members["Transparency"].boolean = true;
  for (const char* part : {"animation"}) {
    for (const auto& [k, v] : expected[part].members) {
      EXPECT_EQ(now[part][k].number, v.number) << k;
      EXPECT_EQ(now[part][k].boolean, v.boolean) << k;
    }
  }
  for (std::size_t i = 0; i < 2; ++i)
    for (const auto& [k, v] : expected["frames"].items[i].members) {
      EXPECT_EQ(now["frames"].items[i][k].number, v.number) << "frame " << i + 1 << " " << k;
      EXPECT_EQ(now["frames"].items[i][k].boolean, v.boolean) << "frame " << i + 1 << " " << k;
      EXPECT_EQ(now["frames"].items[i][k].text, v.text) << "frame " << i + 1 << " " << k;
    }

  const auto decoded = testing_gif::decodeWithGiflib(readBytes(out));
  ASSERT_TRUE(decoded.ok) << decoded.error;
  EXPECT_EQ(Bytes(decoded.globalPalette.begin() + 3, decoded.globalPalette.begin() + 6), (Bytes{0x12, 0x34, 0x56}));
  EXPECT_EQ(Bytes(decoded.frames[1].palette.end() - 3, decoded.frames[1].palette.end()), (Bytes{0xAB, 0xCD, 0xEF}));
}

TEST_F(InfoEdit, EditInPlaceAndWithoutLoopExtension) {
  if (!haveTool("convert")) GTEST_SKIP() << "convert missing";
  const std::string gif = encoded("once.gif", {"--no-loop"});
  const Bytes before = readBytes(gif);
  const auto r = runMorogif({"edit", gif, "-o", gif, "--loop-count", "4", "--width", "12"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.err.find("no loop extension"), std::string::npos) << r.err;
  const JsonValue v = infoJson(gif);
  EXPECT_FALSE(v["animation"]["LOOP"].boolean);
  EXPECT_EQ(v["animation"]["Width"].integer(), 12);
  EXPECT_EQ(readBytes(gif).size(), before.size());
}

TEST_F(InfoEdit, EditErrorsWriteNothing) {
  if (!haveTool("convert")) GTEST_SKIP() << "convert missing";
  const std::string in = encoded("in.gif", {});
  const std::string out = path("out.gif");
  struct Case {
    std::vector<std::string> options;
    int exitCode;
    std::string message;
  };
  const std::vector<Case> cases{
      {{"--frame", "3", "--delay", "1"}, 1, "帧序号超出范围"},
      {{"--frame", "0", "--left", "1"}, 1, "帧序号超出范围"},
      {{"--palette", "3:0=0x010203"}, 1, "帧序号超出范围"},
      {{"--delay", "5"}, 2, "needs a --frame"},
      {{"--frame", "1", "--disposal", "8"}, 2, "--disposal"},
      {{"--frame", "1", "--transparent", "2"}, 2, "--transparent"},
      {{"--palette", "0:256=0x000000"}, 2, "--palette"},
      {{"--palette", "0:1=123456"}, 2, "--palette"},
      {{"--palette", "0:1=0x1234567"}, 2, "--palette"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args{"edit", in, "-o", out};
    args.insert(args.end(), c.options.begin(), c.options.end());
    const auto r = runMorogif(args);
    EXPECT_EQ(r.exitCode, c.exitCode) << c.options.front();
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(out));
  }
  auto r = runMorogif({"edit", in});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("-o OUT.gif"), std::string::npos) << r.err;

  // A still picture has only the global table.
  const std::string still = path("still.gif");
  ASSERT_EQ(runMorogif({"encode", "-o", still, path("a.png")}).exitCode, 0);
  r = runMorogif({"edit", still, "-o", out, "--palette", "0:0=0x010203", "--palette", "1:0=0x010203"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("没有局部调色板"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(out));
}

}  // namespace
