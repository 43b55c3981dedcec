#include "engine/theme/Theme.h"

#include "engine/core/ReportError.h"

namespace engine {
namespace {

constexpr const char* kElementNameAttribute = "name";

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool AsciiIEquals(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

// The first child of the root element whose `name` matches; the root's own name is never checked.
pugi::xml_node FindElement(const XmlDocument& document, std::string_view element) {
  for (pugi::xml_node child : document.DocumentElement().children()) {
    if (child.type() == pugi::node_element && AsciiIEquals(child.attribute(kElementNameAttribute).value(), element)) {
      return child;
    }
  }
  return {};
}

}  // namespace

int Theme::Load(std::span<const std::uint8_t> packed, std::string_view password) {
  PackContents contents = ReadPack(packed, password);
  if (contents.code != kThemeLoaded) return contents.code;

  // Parse into a fresh document so a bad description cannot damage the theme in force.
  XmlDocument document;
  if (!document.LoadXml(std::span(reinterpret_cast<const std::uint8_t*>(contents.xml.data()), contents.xml.size()))) {
    ReportError(kPackLoadFailedMessage, kThemeXmlUnparsable);
    return kThemeXmlUnparsable;
  }
  if (!contents.image) {
    ReportError(kPackLoadFailedMessage, kThemeNoImage);
    return kThemeNoImage;
  }
  document_ = std::move(document);
  image_ = std::move(contents.image);
  identity_ = ThemeIdentity(packed);
  return kThemeLoaded;
}

void Theme::Clear() {
  document_.Release();
  image_.reset();
  identity_ = 0;
}

bool Theme::HasElement(std::string_view element) const { return static_cast<bool>(FindElement(document_, element)); }

std::string ThemeDocumentAttribute(const XmlDocument& document, std::string_view element, std::string_view attribute) {
  return FindElement(document, element).attribute(std::string(attribute).c_str()).value();
}

std::string Theme::Attribute(std::string_view element, std::string_view attribute) const {
  return ThemeDocumentAttribute(document_, element, attribute);
}

}  // namespace engine
