#pragma once
// The engine's XML document: every XML text the engine reads (theme descriptions, window descriptions)
// goes through this class. Texts are UTF-8 inside; byte input that declares a GBK-family encoding is
// decoded first, and saving writes the encoding the declaration names.
//
// Node paths:
//  - A path containing '@' is a list of '/'-separated segments. The first segment stands for the
//    document element (by convention "@1"); every further segment selects from the current node:
//    "@n" is its n-th child node (1-based, comments and text nodes included), any other text is an
//    XPath expression evaluated on the current node (first match).
//  - A path without '@' is an XPath expression evaluated on the document element; a trailing '/' is
//    dropped and "//" is put in front unless the path already starts with it.
// Missing nodes and attributes give empty texts, zero counts and null nodes; nothing throws.
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

namespace engine {

struct XmlAttribute {
  std::string name;
  std::string value;
  friend bool operator==(const XmlAttribute&, const XmlAttribute&) = default;
};

class XmlDocument {
 public:
  // Shown (through the application's message box) when SaveFile is called without a file name.
  static constexpr std::string_view kSaveNeedsFileName = "导出到文件() 命令需要提供在保存的文件位置";

  XmlDocument();
  XmlDocument(const XmlDocument& other);
  XmlDocument& operator=(const XmlDocument& other);
  // A moved-from document stays usable (empty, or holding what the target held).
  XmlDocument(XmlDocument&& other);
  XmlDocument& operator=(XmlDocument&& other) noexcept;
  void swap(XmlDocument& other) noexcept;
  ~XmlDocument();

  // Drops the whole document.
  void Release();
  // A fresh document from the template `<?xml version="1.0" encoding="gbk" ?>` + `<root></root>`.
  bool New(std::string_view rootName);
  // The underlying parser document.
  pugi::xml_document& ComObject() { return *doc_; }
  const pugi::xml_document& ComObject() const { return *doc_; }

  // Loading replaces the document only on success; a failed load leaves it empty, as a parser does.
  bool LoadFile(const std::string& fileName);
  // Raw bytes as stored in a file or pack: the declared encoding (GBK family, UTF-8/16 by BOM) counts.
  bool LoadXml(std::span<const std::uint8_t> bytes);
  // Text that is already UTF-8; its declaration is not looked at.
  bool LoadXml(std::string_view text);
  // Writes the document in the encoding its declaration names. Fails on an empty name (LastError()
  // is then kSaveNeedsFileName) or when the file cannot be written.
  bool SaveFile(const std::string& fileName);
  // Why the last SaveFile or LoadFile failed (empty after a success).
  const std::string& LastError() const { return lastError_; }

  // Text content of the whole document.
  std::string Text() const;
  // The document as XML text (UTF-8), each top-level node followed by "\r\n".
  std::string Xml() const;
  // The file the document was loaded from; empty otherwise.
  const std::string& Url() const { return url_; }

  std::string NodeAttribute(std::string_view path, std::string_view name) const;
  // Value of the index-th (1-based) child node: the text of a text, CDATA, comment or processing
  // instruction node; empty for elements (as a DOM's nodeValue).
  std::string ChildValue(std::string_view path, int index) const;
  // Text content of the index-th (1-based) child node, elements included.
  std::string NodeValue(std::string_view path, int index) const;
  // Replaces everything inside the node by one text node.
  bool SetNodeText(std::string_view path, std::string_view text);
  // Appends a new element `name` (with `text` as a text or CDATA node when not empty); the new node.
  pugi::xml_node AddNode(std::string_view path, std::string_view name, std::string_view text = {},
                         bool asCdata = false);
  bool RemoveNode(std::string_view path);
  bool SetAttribute(std::string_view path, std::string_view name, std::string_view value);
  bool RemoveAttribute(std::string_view path, std::string_view name);
  // The attribute's value; `name` may be "@n" for the n-th (1-based) attribute. Nothing when missing,
  // which tells a missing attribute from an empty one.
  std::optional<std::string> GetAttribute(std::string_view path, std::string_view name) const;
  std::vector<XmlAttribute> Attributes(std::string_view path) const;
  int AttributeCount(std::string_view path) const;
  // DOM-style names of the child nodes ("#text", "#comment", "#cdata-section" for non-elements).
  std::vector<std::string> ChildNames(std::string_view path) const;
  int ChildCount(std::string_view path) const;
  std::string RootName() const;
  std::string ParentName(std::string_view path) const;

  pugi::xml_node DocumentElement() const;
  pugi::xml_node ParentNode(std::string_view path) const;
  pugi::xml_node FindNode(std::string_view path) const;
  // A detached copy of the node (with its subtree when `deep`); it lives as long as this object, until
  // Release.
  pugi::xml_node CloneNode(std::string_view path, bool deep);
  // Puts a copy of `replacement` where the node at `path` was.
  bool ReplaceNode(std::string_view path, pugi::xml_node replacement);

 private:
  bool Parse(std::string_view utf8);
  bool Accept(const pugi::xml_parse_result& result);

  std::unique_ptr<pugi::xml_document> doc_;
  std::unique_ptr<pugi::xml_document> clones_;  // home of detached copies
  std::string url_;
  std::string lastError_;
};

}  // namespace engine
