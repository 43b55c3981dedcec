#include "engine/xml/XmlDocument.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "engine/xml/GbkCodec.h"

namespace engine {
namespace {

std::span<const std::uint8_t> Bytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Root with a comment first, so "@n" indices and counts show whether comments are counted.
constexpr std::string_view kWindow =
    "<window title='main'>"
    "<!-- layout -->"
    "<button id='ok' text='OK'><icon file='a.png'/></button>"
    "<label id='status' text=''/>"
    "<group id='options'><check id='dither'/><check id='hide'/></group>"
    "</window>";

class XmlDocumentPaths : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(doc.LoadXml(kWindow)); }
  // Identifies the node a path reaches: its name plus its id attribute.
  std::string Reach(std::string_view path) {
    const pugi::xml_node node = doc.FindNode(path);
    if (!node) return "(none)";
    return std::string(node.name()) + "#" + node.attribute("id").value();
  }
  XmlDocument doc;
};

TEST_F(XmlDocumentPaths, ResolvesIndexAndXPathSegments) {
  struct Case {
    std::string_view path;
    std::string_view reached;
  };
  const Case cases[] = {
      {"@1", "window#"},                    // the first segment is the document element
      {"anything/@2", "button#ok"},         // whatever the first segment says
      {"@1/@1", "#"},                       // the comment is child 1 (a node without a name)
      {"@1/@2", "button#ok"},
      {"@1/@4/@2", "check#hide"},
      {"@1/@2/@1", "icon#"},
      {"@1/label", "label#status"},         // a non-index segment is XPath on the current node
      {"@1/group/check[@id='hide']", "check#hide"},
      {"@1/@4/check[2]", "check#hide"},
      {"@1/@9", "(none)"},
      {"@1/@0", "(none)"},
      {"@1/@2/@1/@1", "(none)"},
      {"@1/@id", "(none)"},                 // selects an attribute, which is no node
      {"@1//@2", "(none)"},                 // empty segment
      {"check", "check#dither"},            // without '@': "//" is put in front
      {"check/", "check#dither"},           // and a trailing '/' dropped
      {"//check[2]", "check#hide"},
      {"//check[@id='hide']", "(none)"},    // with '@' inside, a path is a segment list
      {"group/check[2]", "check#hide"},
      {"check[[", "(none)"},                // malformed XPath answers nothing
      {"", "(none)"},
  };
  for (const Case& c : cases) EXPECT_EQ(Reach(c.path), c.reached) << "path " << c.path;
}

TEST_F(XmlDocumentPaths, ChildrenCountCommentsAndTextNodes) {
  ASSERT_TRUE(doc.AddNode("@1/@3", "hint", "look", false));  // label gets an element child with text
  EXPECT_EQ(doc.ChildCount("@1"), 4);
  EXPECT_EQ(doc.ChildNames("@1"), (std::vector<std::string>{"#comment", "button", "label", "group"}));
  EXPECT_EQ(doc.ChildNames("@1/@3/@1"), (std::vector<std::string>{"#text"}));
  EXPECT_EQ(doc.ChildValue("@1", 1), " layout ");
  EXPECT_EQ(doc.ChildValue("@1", 2), "");        // elements have no node value
  EXPECT_EQ(doc.NodeValue("@1/@3", 1), "look");  // but a text content
  EXPECT_EQ(doc.ChildValue("@1", 0), "");
  EXPECT_EQ(doc.ChildCount("@1/@7"), 0);
  EXPECT_EQ(doc.RootName(), "window");
  EXPECT_EQ(doc.ParentName("@1/@4/@1"), "group");
  EXPECT_EQ(doc.ParentName("@1"), "#document");
  EXPECT_EQ(doc.ParentNode("@1/@2/@1"), doc.FindNode("button"));
  EXPECT_EQ(doc.DocumentElement(), doc.FindNode("@1"));
}

TEST_F(XmlDocumentPaths, AttributesByNameAndIndexTellMissingFromEmpty) {
  EXPECT_EQ(doc.GetAttribute("@1/@2", "text"), "OK");
  EXPECT_EQ(doc.GetAttribute("@1/@2", "@1"), "ok");
  EXPECT_EQ(doc.GetAttribute("@1/@2", "@2"), "OK");
  EXPECT_EQ(doc.GetAttribute("@1/@2", "@3"), std::nullopt);
  EXPECT_EQ(doc.GetAttribute("@1/@2", "@0"), std::nullopt);
  EXPECT_EQ(doc.GetAttribute("@1/@3", "text"), std::optional<std::string>(""));
  EXPECT_EQ(doc.GetAttribute("@1/@3", "font"), std::nullopt);
  EXPECT_EQ(doc.GetAttribute("@1/@9", "id"), std::nullopt);
  EXPECT_EQ(doc.NodeAttribute("label", "id"), "status");
  EXPECT_EQ(doc.NodeAttribute("label", "font"), "");
  EXPECT_EQ(doc.AttributeCount("@1/@2"), 2);
  EXPECT_EQ(doc.Attributes("@1/@2"), (std::vector<XmlAttribute>{{"id", "ok"}, {"text", "OK"}}));
  EXPECT_TRUE(doc.Attributes("@1/@1").empty());  // a comment has none
}

TEST_F(XmlDocumentPaths, EditsShowInTheXmlText) {
  EXPECT_TRUE(doc.SetAttribute("button", "text", "Start"));
  EXPECT_TRUE(doc.SetAttribute("button", "tip", "a<b & \"c\""));
  EXPECT_TRUE(doc.RemoveAttribute("button", "id"));
  EXPECT_FALSE(doc.RemoveAttribute("button", "id"));
  EXPECT_FALSE(doc.SetAttribute("button", "bad name", "x"));
  EXPECT_FALSE(doc.SetAttribute("@1/@1", "on", "comment"));
  EXPECT_TRUE(doc.SetNodeText("label", "ready"));
  EXPECT_TRUE(doc.AddNode("@1/@4", "script", "if (a < b && c) {}", true));
  EXPECT_FALSE(doc.AddNode("@1/@4", "", "x"));
  EXPECT_FALSE(doc.AddNode("@1/@9", "x"));
  EXPECT_TRUE(doc.RemoveNode("@1/@1"));
  EXPECT_FALSE(doc.RemoveNode("@1/@9"));

  XmlDocument reread;
  ASSERT_TRUE(reread.LoadXml(doc.Xml()));
  EXPECT_EQ(reread.NodeAttribute("button", "text"), "Start");
  EXPECT_EQ(reread.NodeAttribute("button", "tip"), "a<b & \"c\"");
  EXPECT_EQ(reread.GetAttribute("button", "id"), std::nullopt);
  EXPECT_EQ(reread.NodeValue("@1", 2), "ready");
  EXPECT_EQ(reread.ChildNames("@1/@3/@3"), (std::vector<std::string>{"#cdata-section"}));
  EXPECT_EQ(reread.ChildValue("@1/@3/@3", 1), "if (a < b && c) {}");
  EXPECT_EQ(reread.ChildCount("@1"), 3);
  EXPECT_EQ(reread.Text(), "readyif (a < b && c) {}");
}

TEST_F(XmlDocumentPaths, CloneAndReplaceCopySubtrees) {
  const pugi::xml_node deep = doc.CloneNode("button", true);
  const pugi::xml_node shallow = doc.CloneNode("button", false);
  ASSERT_TRUE(deep && shallow);
  EXPECT_TRUE(deep.child("icon"));
  EXPECT_FALSE(shallow.first_child());
  EXPECT_STREQ(shallow.attribute("text").value(), "OK");

  EXPECT_TRUE(doc.ReplaceNode("label", deep));
  EXPECT_EQ(doc.ChildNames("@1"), (std::vector<std::string>{"#comment", "button", "button", "group"}));
  EXPECT_EQ(doc.NodeAttribute("@1/@3/@1", "file"), "a.png");
  // The clone is a copy: changing the document leaves it alone, and it can be used again.
  EXPECT_TRUE(doc.SetAttribute("@1/@3", "text", "changed"));
  EXPECT_STREQ(deep.attribute("text").value(), "OK");
  EXPECT_TRUE(doc.ReplaceNode("@1/@4/@1", deep));
  EXPECT_EQ(doc.ChildNames("@1/@4"), (std::vector<std::string>{"button", "check"}));
  EXPECT_FALSE(doc.ReplaceNode("@1/@9", deep));
  EXPECT_FALSE(doc.ReplaceNode("label", pugi::xml_node()));
}

TEST(XmlDocument, NewUsesTheTemplate) {
  XmlDocument doc;
  ASSERT_TRUE(doc.New("Settings"));
  EXPECT_EQ(doc.Xml(), "<?xml version=\"1.0\" encoding=\"gbk\"?>\r\n<Settings/>\r\n");
  EXPECT_EQ(doc.RootName(), "Settings");
  EXPECT_EQ(doc.ChildCount("@1"), 0);
  EXPECT_FALSE(doc.New("two words"));
  EXPECT_FALSE(doc.New(""));
  EXPECT_EQ(doc.RootName(), "");
}

TEST(XmlDocument, MalformedTextFailsAndLeavesNothing) {
  for (std::string_view text : {"", "   ", "<a>", "<a></b>", "<a/><b/>", "just text", "<?xml version='1.0'?>",
                                "<1a/>", "<a b=c/>"}) {
    XmlDocument doc;
    ASSERT_TRUE(doc.LoadXml("<old/>"));
    EXPECT_FALSE(doc.LoadXml(text)) << text;
    EXPECT_FALSE(doc.LoadXml(Bytes(text))) << text;
    EXPECT_EQ(doc.RootName(), "") << text;
    EXPECT_EQ(doc.ChildCount("@1"), 0) << text;
    EXPECT_EQ(doc.Xml(), "") << text;
  }
}

TEST(XmlDocument, GbkDeclaredBytesAreDecoded) {
  const std::string utf8 = "<?xml version=\"1.0\" encoding=\"gb2312\"?><theme name=\"宋体\">默认</theme>";
  const std::optional<std::string> gbk = Utf8ToGbk(utf8);
  ASSERT_TRUE(gbk);
  EXPECT_NE(*gbk, utf8);

  XmlDocument doc;
  ASSERT_TRUE(doc.LoadXml(Bytes(*gbk)));
  EXPECT_EQ(doc.NodeAttribute("@1", "name"), "宋体");
  EXPECT_EQ(doc.Text(), "默认");

  // The same declaration in other spellings; UTF-8 and a UTF-8 BOM pass through.
  for (std::string_view encoding : {"GBK", "gb18030", "CP936"}) {
    std::string text = *gbk;
    text.replace(text.find("gb2312"), 6, encoding);
    ASSERT_TRUE(doc.LoadXml(Bytes(text))) << encoding;
    EXPECT_EQ(doc.NodeAttribute("@1", "name"), "宋体") << encoding;
  }
  const std::string bom = "\xEF\xBB\xBF<a t=\"宋\"/>";
  ASSERT_TRUE(doc.LoadXml(Bytes(bom)));
  EXPECT_EQ(doc.NodeAttribute("@1", "t"), "宋");

  // A lead byte with no trail byte is no GBK text.
  const std::string broken = "<?xml version='1.0' encoding='gbk'?><a t='\x81'/>";
  EXPECT_FALSE(doc.LoadXml(Bytes(broken)));
}

class XmlDocumentFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = std::filesystem::temp_directory_path() /
          ("morogif_xml_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::create_directories(dir);
  }
  void TearDown() override { std::filesystem::remove_all(dir); }
  std::filesystem::path dir;
};

TEST_F(XmlDocumentFiles, SavesInTheDeclaredEncodingAndLoadsBack) {
  XmlDocument doc;
  ASSERT_TRUE(doc.New("font"));
  ASSERT_TRUE(doc.SetAttribute("@1", "face", "宋体"));
  const std::string file = (dir / "font.xml").string();
  ASSERT_TRUE(doc.SaveFile(file)) << doc.LastError();
  // GBK bytes of 宋体 on disk, not UTF-8.
  const std::string saved = ReadAll(file);
  EXPECT_NE(saved.find("face=\"\xCB\xCE\xCC\xE5\""), std::string::npos) << saved;

  XmlDocument loaded;
  ASSERT_TRUE(loaded.LoadFile(file));
  EXPECT_EQ(loaded.NodeAttribute("@1", "face"), "宋体");
  EXPECT_EQ(loaded.Url(), file);

  // Without a GBK declaration the file is UTF-8.
  ASSERT_TRUE(doc.LoadXml("<font face=\"宋体\"/>"));
  ASSERT_TRUE(doc.SaveFile(file));
  EXPECT_NE(ReadAll(file).find("face=\"宋体\""), std::string::npos);
}

TEST_F(XmlDocumentFiles, SaveAndLoadFailuresAreReported) {
  XmlDocument doc;
  ASSERT_TRUE(doc.New("a"));
  EXPECT_FALSE(doc.SaveFile(""));
  EXPECT_EQ(doc.LastError(), XmlDocument::kSaveNeedsFileName);
  EXPECT_EQ(doc.LastError(), "导出到文件() 命令需要提供在保存的文件位置");

  EXPECT_FALSE(doc.SaveFile((dir / "missing" / "a.xml").string()));
  EXPECT_FALSE(doc.LastError().empty());

  // A character GBK cannot hold is refused rather than written wrongly.
  ASSERT_TRUE(doc.SetAttribute("@1", "smile", "\xF0\x9F\x98\x80"));
  EXPECT_FALSE(doc.SaveFile((dir / "smile.xml").string()));
  EXPECT_FALSE(std::filesystem::exists(dir / "smile.xml"));

  EXPECT_FALSE(doc.LoadFile((dir / "none.xml").string()));
  EXPECT_FALSE(doc.LastError().empty());
  std::ofstream(dir / "bad.xml") << "<a><b></a>";
  EXPECT_FALSE(doc.LoadFile((dir / "bad.xml").string()));
  EXPECT_EQ(doc.RootName(), "");
}

TEST(XmlDocument, CopiesAreIndependent) {
  XmlDocument original;
  ASSERT_TRUE(original.LoadXml("<a x='1'><b/></a>"));
  XmlDocument copy = original;
  ASSERT_TRUE(copy.SetAttribute("@1", "x", "2"));
  ASSERT_TRUE(copy.RemoveNode("@1/@1"));
  EXPECT_EQ(original.NodeAttribute("@1", "x"), "1");
  EXPECT_EQ(original.ChildCount("@1"), 1);

  XmlDocument moved = std::move(copy);
  EXPECT_EQ(moved.NodeAttribute("@1", "x"), "2");
  original.Release();
  EXPECT_EQ(original.RootName(), "");
  EXPECT_EQ(original.ChildCount("@1"), 0);
}

}  // namespace
}  // namespace engine
