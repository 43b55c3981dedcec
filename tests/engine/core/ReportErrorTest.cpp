#include "engine/core/ReportError.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace engine {
namespace {

TEST(ReportError, ComposesOnlyTheGivenParts) {
  struct Case {
    int code;
    std::string_view function;
    std::string_view expectedStart;
  };
  const Case cases[] = {
      {0, "", "Quilt Error：默认主题包加载失败。系统版本："},
      {12, "", "Quilt Error：默认主题包加载失败，错误代码：12。系统版本："},
      {-3, "LoadTheme", "Quilt Error：默认主题包加载失败，错误代码：-3。相关函数：LoadTheme。系统版本："},
      {0, "ReadPack", "Quilt Error：默认主题包加载失败。相关函数：ReadPack。系统版本："},
  };
  for (const Case& c : cases) {
    const std::string report = ComposeErrorReport("默认主题包加载失败", c.code, c.function);
    EXPECT_EQ(report.substr(0, c.expectedStart.size()), c.expectedStart) << report;
    // The system part: unknown kind and level, then the bitness.
    const std::string tail = report.substr(c.expectedStart.size());
    EXPECT_TRUE(tail == "0/0(64位)" || tail == "0/0(32位)") << tail;
  }
}

TEST(ReportError, UnderlineIsAsWideAsTheText) {
  EXPECT_EQ(ReportUnderline("abc"), "---");
  EXPECT_EQ(ReportUnderline("Quilt Error：x"), std::string(14, '-'));  // the full-width colon takes two
  EXPECT_EQ(ReportUnderline("默认"), "----");
  EXPECT_EQ(ReportUnderline(""), "");
}

TEST(ReportError, GoesToTheInstalledSinkUntilRemoved) {
  std::vector<std::string> seen;
  const ErrorReportSink previous = SetErrorReportSink([&](const std::string& r) { seen.push_back(r); });
  ReportError("主题解压模块加载失败", 5);
  ReportError("BadReadPtr:0", 0, "SafeCopy");
  SetErrorReportSink(previous);
  ReportError("not captured");
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0], ComposeErrorReport("主题解压模块加载失败", 5));
  EXPECT_EQ(seen[1], ComposeErrorReport("BadReadPtr:0", 0, "SafeCopy"));
}

}  // namespace
}  // namespace engine
