#pragma once
// One loaded theme pack: the parsed description, the skin image and the pack's identity. The engine's
// global theme is one; a host window that applies a pack of its own holds another.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "engine/theme/ThemePack.h"
#include "engine/xml/XmlDocument.h"

namespace engine {

// The attribute of the first child of the document's root whose `name` matches `element`, ignoring
// ASCII case; later elements of the same name are never seen. Empty when the element or attribute is
// missing. (Also used by tools that read a description before it is packed.)
std::string ThemeDocumentAttribute(const XmlDocument& document, std::string_view element, std::string_view attribute);

class Theme {
 public:
  // Reads and parses a packed theme and, only when everything succeeded, replaces this theme with it.
  // Returns the result code (kThemeLoaded on success). On failure an error report is raised (for an
  // empty container no report) and the theme stays exactly as it was.
  int Load(std::span<const std::uint8_t> packed, std::string_view password);
  // Drops everything: no document, no image, identity 0.
  void Clear();

  bool empty() const { return !image_; }
  const XmlDocument& document() const { return document_; }
  const ThemeImage& image() const { return image_; }
  std::uint32_t identity() const { return identity_; }

  // True when the root has a child whose `name` matches `element` (ASCII case ignored).
  bool HasElement(std::string_view element) const;
  // ThemeDocumentAttribute of this theme's description.
  std::string Attribute(std::string_view element, std::string_view attribute) const;

 private:
  XmlDocument document_;
  ThemeImage image_;
  std::uint32_t identity_ = 0;
};

}  // namespace engine
