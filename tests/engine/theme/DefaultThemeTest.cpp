// The default theme stored in the program: it loads, it carries every attribute the engine reads with
// the values the engine expects, and every cell it names is really drawn inside the skin image.
#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "engine/theme/ThemeStore.h"
#include "engine/theme/ThemeValues.h"
#include "engine/theme/ThemeTestSupport.h"
#include "resources/Resources.h"

namespace engine {
namespace {

constexpr int kSkinWidth = 400;
constexpr int kSkinHeight = 170;
constexpr int kStripStates = 3;  // normal, hot, pressed

class DefaultTheme : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    store_ = std::make_unique<ThemeStore>();  // shared by the tests of this suite
    testing::ReportCapture capture;
    loadCode_ = store_->LoadDefaultTheme(resources::defaultThemePack());
    reports_ = capture.reports;
  }
  static void TearDownTestSuite() { store_.reset(); }
  static std::string Attr(std::string_view element, std::string_view attribute) {
    return store_->GetThemeAttribute(nullptr, element, attribute).text;
  }
  static gfx::RectF Rect(std::string_view element, std::string_view attribute) {
    gfx::RectF rect{-1, -1, -1, -1};
    EXPECT_TRUE(ParseRect(Attr(element, attribute), rect)) << element << "." << attribute;
    return rect;
  }
  static const gfx::Bitmap& Image() { return *store_->global().image(); }

  static inline std::unique_ptr<ThemeStore> store_;
  static inline int loadCode_ = -1;
  static inline std::vector<std::string> reports_;
};

TEST_F(DefaultTheme, LoadsAtStartWithoutReports) {
  EXPECT_EQ(loadCode_, kThemeLoaded);
  EXPECT_TRUE(reports_.empty());
  ASSERT_FALSE(store_->global().empty());
  EXPECT_EQ(Image().width(), kSkinWidth);
  EXPECT_EQ(Image().height(), kSkinHeight);
  EXPECT_EQ(store_->global().document().RootName(), "Quilt_ThemesPack");
  EXPECT_EQ(store_->global().identity(), ThemeIdentity(resources::defaultThemePack()));
  // Stored as the design of the container says: an 8-bit description declared GB2312.
  const std::string xml = store_->global().document().Xml();
  EXPECT_NE(xml.find("encoding=\"gb2312\""), std::string::npos);
}

TEST_F(DefaultTheme, KeepsTheValuesTheEngineIsBuiltAround) {
  struct Case {
    std::string_view element, attribute, value;
  };
  const Case cases[] = {
      {"Config", "margin", "4,3,-4,-5"},
      {"Config", "rectround", "5"},
      {"Config", "drawborder", "1"},
      {"Config", "crborder", "1358954496,872415231"},
      {"Config", "cycaption", "26"},
      {"Menu", "rect", "205,90,13,13"},
      {"Menu", "gird", "6,6,1,1"},
      {"Menu", "margin", "3,3,-3,-3"},
      {"Menu", "left_cutline", "2"},
      {"Menu", "right_cutline", "-2"},
      {"Menu", "left_icon", "5"},
      {"Menu", "left_text", "30"},
      {"Menu", "checkrect", "205,105,15,10"},
      {"SysShadow", "rect", "75,95,30,19"},
      {"SysShadow", "gird", "7,7,16,4"},
      {"SysButton", "top", "1"},
      {"SysButton", "offsetright", "-1"},
      {"SysButton.Close", "rect", "0,2,39,19"},
      {"SysButton.Close", "blocksize", "39"},
      {"Button", "normal", "0,42,69,24"},
      {"Button", "gird", "4,3,61,16"},
      {"Button", "margin", "2,2,-4,-6"},
      {"ComboBox", "margin", "3,3,-3,-3"},
      {"ComboBox", "margin_btn", "0,1,-1,-2"},
  };
  for (const Case& c : cases) EXPECT_EQ(Attr(c.element, c.attribute), c.value) << c.element << "." << c.attribute;

  for (std::string_view strip : {"SysButton.Close", "SysButton.Max", "SysButton.Restore", "SysButton.Min",
                                 "SysButton.Menu", "SysButton.Skn", "SysButton.Report", "SysButton.Setting"}) {
    EXPECT_EQ(ParseThemeInt(Attr(strip, "blocksize")), strip == "SysButton.Close" ? 39 : 28) << strip;
    EXPECT_EQ(Attr(strip, "splitter"), "1") << strip;
  }
  for (std::string_view box : {"CheckButton", "RadioButton"}) {
    const gfx::RectF size = Rect(box, "size");
    EXPECT_EQ(size.width, 17) << box;
    EXPECT_EQ(size.height, 17) << box;
  }
  for (std::string_view button : {"normal_btn", "highlight_btn", "down_btn", "down_btn_editmodel"}) {
    const gfx::RectF cell = Rect("ComboBox", button);
    EXPECT_EQ(cell.width, 23) << button;
    EXPECT_EQ(cell.height, 24) << button;
  }
}

// Every picture the engine cuts from the image, with its nine-grid centre attribute when it has one.
struct Cell {
  std::string_view element, attribute, gird;
};

std::vector<Cell> EngineCells() {
  std::vector<Cell> cells = {
      {"Menu", "rect", "gird"}, {"Menu", "checkrect", ""}, {"SysShadow", "rect", "gird"},
      {"ComboBox", "normal_btn", ""}, {"ComboBox", "highlight_btn", ""}, {"ComboBox", "down_btn", ""},
      {"ComboBox", "down_btn_editmodel", ""}, {"ScrollBar", "v_bg", "v_bg_gird"}, {"ScrollBar", "h_bg", "h_bg_gird"},
  };
  for (std::string_view state : {"normal", "highlight", "down", "focus"}) cells.push_back({"Button", state, "gird"});
  for (std::string_view state : {"normal", "highlight", "focus"}) {
    cells.push_back({"Edit", state, "gird"});
    cells.push_back({"ComboBox", state, "gird"});
  }
  for (std::string_view state : {"normal", "highlight", "down", "normal_ck", "highlight_ck", "down_ck"}) {
    cells.push_back({"CheckButton", state, ""});
    cells.push_back({"RadioButton", state, ""});
  }
  static const std::vector<std::string> scrollParts = [] {
    std::vector<std::string> parts;
    for (std::string_view state : {"normal", "highlight", "down"}) {
      for (std::string_view prefix : {"v_", "h_", "v_up_", "v_down_", "h_left_", "h_right_"}) {
        parts.push_back(std::string(prefix) + std::string(state));
      }
    }
    return parts;
  }();
  for (const std::string& part : scrollParts) {
    const bool thumb = part.find('_', 2) == std::string::npos;  // "v_normal", not "v_up_normal"
    cells.push_back({"ScrollBar", part, thumb ? (part[0] == 'v' ? "v_gird" : "h_gird") : ""});
  }
  return cells;
}

bool HasVisiblePixel(const gfx::Bitmap& image, const gfx::RectF& r) {
  for (int y = static_cast<int>(r.y); y < static_cast<int>(r.bottom()); ++y) {
    for (int x = static_cast<int>(r.x); x < static_cast<int>(r.right()); ++x) {
      if (gfx::alphaOf(image.pixel(x, y)) != 0) return true;
    }
  }
  return false;
}

bool InsideImage(const gfx::RectF& r) {
  return r.x >= 0 && r.y >= 0 && r.width > 0 && r.height > 0 && r.right() <= kSkinWidth && r.bottom() <= kSkinHeight;
}

TEST_F(DefaultTheme, EveryCellLiesInsideTheImageIsDrawnAndOverlapsNoOther) {
  std::map<std::string, gfx::RectF> placed;  // name -> rectangle in the image
  for (const Cell& c : EngineCells()) {
    const std::string name = std::string(c.element) + "." + std::string(c.attribute);
    const gfx::RectF rect = Rect(c.element, c.attribute);
    placed[name] = rect;
    if (!c.gird.empty()) {
      const gfx::RectF centre = Rect(c.element, c.gird);
      EXPECT_TRUE(centre.x >= 0 && centre.y >= 0 && centre.right() <= rect.width && centre.bottom() <= rect.height)
          << name << " has its nine-grid centre outside the cell";
    }
  }
  for (std::string_view strip : {"SysButton.Close", "SysButton.Max", "SysButton.Restore", "SysButton.Min",
                                 "SysButton.Menu", "SysButton.Skn", "SysButton.Report", "SysButton.Setting"}) {
    const gfx::RectF rect = Rect(strip, "rect");
    const float block = static_cast<float>(ParseThemeInt(Attr(strip, "blocksize")));
    const float step = block + static_cast<float>(ParseThemeInt(Attr(strip, "splitter")));
    for (int i = 0; i < kStripStates; ++i) {
      placed[std::string(strip) + "[" + std::to_string(i) + "]"] = {rect.x + static_cast<float>(i) * step, rect.y, block, rect.height};
    }
  }
  for (const auto& [name, rect] : placed) {
    EXPECT_TRUE(InsideImage(rect)) << name;
    EXPECT_TRUE(HasVisiblePixel(Image(), rect)) << name << " is blank";
    for (const auto& [other, otherRect] : placed) {
      if (other <= name) continue;
      EXPECT_TRUE(rect.intersect(otherRect).isEmpty()) << name << " overlaps " << other;
    }
  }
}

TEST_F(DefaultTheme, EveryNumberTheEngineReadsParses) {
  struct Case {
    std::string_view element, attribute;
    std::size_t parts;
  };
  const Case lists[] = {
      {"Config", "margin", 4}, {"Config", "crborder", 2}, {"Menu", "margin", 4}, {"Button", "margin", 4},
      {"Edit", "margin", 4},   {"ComboBox", "margin", 4}, {"ComboBox", "margin_btn", 4},
  };
  for (const Case& c : lists) {
    EXPECT_EQ(ParseIntList(Attr(c.element, c.attribute)).size(), c.parts) << c.element << "." << c.attribute;
  }
  // Integers the engine reads must be written as numbers (an empty or wrong text would silently read 0).
  const std::pair<std::string_view, std::string_view> integers[] = {
      {"Config", "rectround"}, {"Config", "drawborder"}, {"Config", "cycaption"}, {"Menu", "left_cutline"},
      {"Menu", "right_cutline"}, {"Menu", "left_icon"}, {"Menu", "left_text"}, {"SysButton", "top"},
      {"SysButton", "offsetright"},
  };
  for (const auto& [element, attribute] : integers) {
    const std::string text = Attr(element, attribute);
    EXPECT_EQ(std::to_string(ParseThemeInt(text)), text) << element << "." << attribute;
  }
}

}  // namespace
}  // namespace engine
