// libFuzzer harness for theme packs and XML documents. Each input is tried three ways: as a packed
// container, as the unpacked pack inside a container (so the length checks, the image decoder and the
// description parser are reached), and as an XML text whose paths and attributes are then walked.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "engine/core/ReportError.h"
#include "engine/theme/Theme.h"
#include "engine/theme/ThemeStore.h"
#include "engine/theme/ThemeValues.h"
#include "engine/xml/XmlDocument.h"
#include "tools/packer/PackWriter.h"

namespace {

void WalkDocument(engine::XmlDocument& doc) {
  const int count = doc.ChildCount("@1");
  for (int i = 1; i <= count && i <= 16; ++i) {
    const std::string path = "@1/@" + std::to_string(i);
    doc.Attributes(path);
    doc.GetAttribute(path, "@1");
    doc.ChildValue("@1", i);
    doc.NodeValue("@1", i);
    doc.ChildNames(path);
  }
  doc.FindNode("common");
  doc.Text();
  doc.Xml();
}

void LookUp(const engine::ThemeStore& store, const engine::Theme* window) {
  for (const char* attribute : {"rect", "normal", "gird", "margin", "crborder"}) {
    const engine::ThemeAttribute answer = store.GetThemeAttribute(window, "Button", attribute);
    gfx::RectF rect;
    engine::ParseRect(answer.text, rect);
    engine::ParseIntList(answer.text);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool quiet = [] {
    engine::SetErrorReportSink([](const std::string&) {});
    return true;
  }();
  (void)quiet;
  const std::span<const std::uint8_t> bytes(data, size);
  const bool withPassword = size > 0 && (data[0] & 1) != 0;

  engine::ThemeStore store;
  store.LoadTheme(bytes, withPassword ? "fuzz" : "");

  const std::vector<std::uint8_t> wrapped =
      packer::PackContainer(bytes, engine::ContainerKind::ThemePack, packer::DefaultFiller());
  engine::Theme window;
  if (window.Load(wrapped, "") == engine::kThemeLoaded) LookUp(store, &window);

  engine::XmlDocument doc;
  if (doc.LoadXml(bytes)) WalkDocument(doc);
  return 0;
}
