#include <gtest/gtest.h>

#include "engine/theme/Theme.h"
#include "engine/theme/ThemeStore.h"
#include "engine/theme/ThemeValues.h"
#include "engine/theme/ThemeTestSupport.h"

namespace engine {
namespace {

using testing::MakeContainer;
using testing::ReportCapture;
using testing::Skin;

TEST(ParseRect, NeedsExactlyFourParts) {
  struct Case {
    std::string_view text;
    bool ok;
    gfx::RectF expected;
  };
  const gfx::RectF before{9, 9, 9, 9};
  const Case cases[] = {
      {"0,42,69,24", true, {0, 42, 69, 24}},
      {" 1.5 , -2 ,+3,4 ", true, {1.5f, -2, 3, 4}},
      {"1,2,,4", true, {1, 2, 0, 4}},       // an empty part reads 0
      {"1,2,x,4", true, {1, 2, 0, 4}},      // so does text that is no number
      {"1,2,1e999,4", true, {1, 2, 0, 4}},  // and a number out of range
      {"1e39,-1e300,2,4", true, {0, 0, 2, 4}},  // including out of the float range
      {"1,2,3", false, before},
      {"1,2,3,4,5", false, before},
      {"1,2,3,4,", false, before},
      {"", false, before},
      {"1 2 3 4", false, before},
  };
  for (const Case& c : cases) {
    gfx::RectF rect = before;
    EXPECT_EQ(ParseRect(c.text, rect), c.ok) << c.text;
    EXPECT_EQ(rect, c.expected) << c.text;
  }
}

TEST(ParseIntList, ReadsMarginsAndColours) {
  using List = std::vector<std::int32_t>;
  EXPECT_EQ(ParseIntList("4,3,-4,-5"), (List{4, 3, -4, -5}));
  EXPECT_EQ(ParseIntList("1358954496,872415231"), (List{0x51000000, 0x33FFFFFF}));
  EXPECT_EQ(ParseIntList("4278190080,-16777216"), (List{-16777216, -16777216}));  // same colour, both spellings
  EXPECT_EQ(ParseIntList(" 7 "), (List{7}));
  EXPECT_EQ(ParseIntList("1,,x"), (List{1, 0, 0}));
  EXPECT_EQ(ParseIntList(""), List{});
  EXPECT_EQ(ParseIntList("99999999999999999999"), (List{0}));

  EXPECT_EQ(ParseThemeInt("26"), 26);
  EXPECT_EQ(ParseThemeInt(""), 0);
  EXPECT_EQ(ParseThemeInt("abc"), 0);
  EXPECT_EQ(ParseThemeInt("3.9"), 3);
  EXPECT_EQ(ParseThemeInt("-3.9"), -3);
}

constexpr std::string_view kGlobalXml = R"(<?xml version="1.0" encoding="gb2312"?>
<Quilt_ThemesPack ThemesName="global">
  <!-- a comment among the elements -->
  <common name="Button" normal="0,42,69,24" gird="4,3,61,16"/>
  <common name="button" normal="1,1,1,1" focus="2,2,2,2"/>
  <common name="Config" cycaption="26" rectround=""/>
  <common name="Edit" normal="5,5,5,5"/>
</Quilt_ThemesPack>)";

constexpr std::string_view kWindowXml = R"(<?xml version="1.0" encoding="gb2312"?>
<Other>
  <common name="BUTTON" normal="7,7,7,7"/>
  <common name="Config" cycaption="" rectround="9"/>
</Other>)";

TEST(ThemeElements, MatchIgnoringCaseAndFirstOneWins) {
  Theme theme;
  ASSERT_EQ(theme.Load(MakeContainer(kGlobalXml, Skin(4, 4, 0xFF0000FF)), ""), kThemeLoaded);
  struct Case {
    std::string_view element, attribute, text;
  };
  const Case cases[] = {
      {"Button", "normal", "0,42,69,24"},
      {"BUTTON", "normal", "0,42,69,24"},
      {"button", "gird", "4,3,61,16"},
      {"button", "focus", ""},  // the second "button" is never seen
      {"config", "cycaption", "26"},
      {"Config", "missing", ""},
      {"Missing", "normal", ""},
      {"Butto", "normal", ""},
      {"", "normal", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(theme.Attribute(c.element, c.attribute), c.text) << c.element << "." << c.attribute;
  }
  EXPECT_TRUE(theme.HasElement("eDiT"));
  EXPECT_FALSE(theme.HasElement("ScrollBar"));
}

TEST(ThemeStore, WindowThemeAnswersFirstAndEmptyAnswersFallBack) {
  ThemeStore store;
  ASSERT_EQ(store.LoadTheme(MakeContainer(kGlobalXml, Skin(4, 4, 0xFF0000FF)), ""), kThemeLoaded);
  Theme window;
  ASSERT_EQ(window.Load(MakeContainer(kWindowXml, Skin(2, 2, 0xFFFF0000)), ""), kThemeLoaded);
  const Theme noOwnTheme;

  struct Case {
    const Theme* window;
    std::string_view element, attribute, text;
    const ThemeImage* image;
  };
  const Case cases[] = {
      {&window, "Button", "normal", "7,7,7,7", &window.image()},
      {&window, "Button", "gird", "4,3,61,16", &store.global().image()},  // missing attribute
      {&window, "Edit", "normal", "5,5,5,5", &store.global().image()},    // missing element
      {&window, "Config", "cycaption", "26", &store.global().image()},    // empty value
      {&window, "Config", "rectround", "9", &window.image()},
      {&window, "Nothing", "normal", "", &store.global().image()},
      {&noOwnTheme, "Button", "normal", "0,42,69,24", &store.global().image()},
      {nullptr, "Button", "normal", "0,42,69,24", &store.global().image()},
      {nullptr, "Config", "rectround", "", &store.global().image()},
  };
  for (const Case& c : cases) {
    const ThemeAttribute answer = store.GetThemeAttribute(c.window, c.element, c.attribute);
    EXPECT_EQ(answer.text, c.text) << c.element << "." << c.attribute;
    EXPECT_EQ(answer.image, *c.image) << c.element << "." << c.attribute;
  }
}

TEST(ThemeStore, FailedLoadsKeepThePreviousTheme) {
  ThemeStore store;
  const auto good = MakeContainer(kGlobalXml, Skin(4, 4, 0xFF0000FF));
  ASSERT_EQ(store.LoadTheme(good, ""), kThemeLoaded);
  const ThemeImage image = store.global().image();
  const std::uint32_t identity = store.global().identity();
  EXPECT_EQ(identity, ThemeIdentity(good));

  auto corrupt = good;
  corrupt.resize(corrupt.size() / 2);
  constexpr int kAnyFailure = -1;  // which code garbage gives depends on the garbage
  struct Case {
    std::string_view what;
    std::vector<std::uint8_t> packed;
    std::string_view password;
    int code;
  };
  const Case cases[] = {
      {"empty", {}, "", kThemeNothingUnpacked},
      {"truncated", corrupt, "", kThemeNothingUnpacked},
      {"malformed xml", MakeContainer("<Quilt_ThemesPack><common name='Button'>", Skin(2, 2, 0xFF00FF00)), "", kThemeXmlUnparsable},
      {"bad gbk", MakeContainer("<?xml version='1.0' encoding='gbk'?><a t='\x81'/>", Skin(2, 2, 0xFF00FF00)), "", kThemeXmlUnparsable},
      {"wrong password", MakeContainer(kWindowXml, Skin(2, 2, 0xFF00FF00), "pw"), "wp", kAnyFailure},
  };
  for (const Case& c : cases) {
    ReportCapture capture;
    const int code = store.LoadTheme(c.packed, c.password);
    if (c.code == kAnyFailure) {
      EXPECT_NE(code, kThemeLoaded) << c.what;
    } else {
      EXPECT_EQ(code, c.code) << c.what;
    }
    EXPECT_EQ(store.global().image(), image) << c.what;
    EXPECT_EQ(store.global().identity(), identity) << c.what;
    EXPECT_EQ(store.GetThemeAttribute(nullptr, "Button", "normal").text, "0,42,69,24") << c.what;
    if (c.packed.empty()) {
      EXPECT_TRUE(capture.reports.empty());
    } else {
      ASSERT_EQ(capture.reports.size(), 1u) << c.what;
      EXPECT_NE(capture.reports[0].find("主题包加载失败,将使用默认主题包"), std::string::npos) << c.what;
    }
  }
}

TEST(ThemeStore, DefaultLoadFailureIsReportedAndLeavesAnEmptyTheme) {
  ThemeStore store;
  ReportCapture capture;
  const std::vector<std::uint8_t> junk(100, 0x11);
  EXPECT_EQ(store.LoadDefaultTheme(junk), kThemeNothingUnpacked);
  ASSERT_EQ(capture.reports.size(), 2u);
  EXPECT_EQ(capture.reports[1], ComposeErrorReport("默认主题包加载失败", kThemeNothingUnpacked));
  EXPECT_TRUE(store.global().empty());
  const ThemeAttribute answer = store.GetThemeAttribute(nullptr, "Button", "normal");
  EXPECT_EQ(answer.text, "");
  EXPECT_FALSE(answer.image);
}

}  // namespace
}  // namespace engine
