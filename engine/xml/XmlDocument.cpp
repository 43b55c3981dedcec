#include "engine/xml/XmlDocument.h"

#include <charconv>
#include <exception>
#include <fstream>
#include <iterator>
#include <limits>
#include <sstream>

#include "engine/xml/GbkCodec.h"

namespace engine {
namespace {

constexpr unsigned kParseFlags =
    pugi::parse_default | pugi::parse_comments | pugi::parse_pi | pugi::parse_declaration;
constexpr std::string_view kNewTemplateHead = "<?xml version=\"1.0\" encoding=\"gbk\" ?>\r\n";
constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
// The encoding declaration sits in the first line; no need to look further than this.
constexpr std::size_t kDeclarationScanLimit = 1024;

std::string_view AsChars(std::span<const std::uint8_t> bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// The n of an "@n" segment or attribute name; nothing when the text is not '@' followed by digits.
std::optional<std::size_t> AtIndex(std::string_view text) {
  if (text.size() < 2 || text.front() != '@') return std::nullopt;
  std::size_t n = 0;
  const char* first = text.data() + 1;
  const char* last = text.data() + text.size();
  const auto [end, ec] = std::from_chars(first, last, n);
  if (end != last || (ec != std::errc() && ec != std::errc::result_out_of_range)) return std::nullopt;
  if (ec == std::errc::result_out_of_range) return std::numeric_limits<std::size_t>::max();
  return n;
}

pugi::xml_node NthChild(pugi::xml_node parent, std::size_t n) {
  if (n == 0) return {};
  for (pugi::xml_node child : parent.children()) {
    if (--n == 0) return child;
  }
  return {};
}

pugi::xml_attribute NthAttribute(pugi::xml_node node, std::size_t n) {
  if (n == 0) return {};
  for (pugi::xml_attribute attribute : node.attributes()) {
    if (--n == 0) return attribute;
  }
  return {};
}

// First node an XPath expression selects from `context`; a malformed expression or a result that
// is not an element-like node (an attribute, a number) selects nothing.
pugi::xml_node SelectSingleNode(pugi::xml_node context, std::string_view xpath) {
  if (!context || xpath.empty()) return {};
  try {
    const pugi::xpath_query query(std::string(xpath).c_str());
    return query.evaluate_node(context).node();
  } catch (const std::exception&) {
    return {};
  }
}

std::string StringValue(pugi::xml_node node) {
  if (!node) return {};
  try {
    static const pugi::xpath_query kStringValue("string(.)");
    return kStringValue.evaluate_string(node);
  } catch (const std::exception&) {
    return {};
  }
}

// XML names: what the DOM's createElement/createAttribute accept (bytes >= 0x80 pass as name
// characters, so non-ASCII names in UTF-8 work).
bool IsXmlName(std::string_view name) {
  if (name.empty()) return false;
  auto isStart = [](unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':' || c >= 0x80;
  };
  auto isPart = [&](unsigned char c) {
    return isStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
  };
  if (!isStart(static_cast<unsigned char>(name.front()))) return false;
  for (unsigned char c : name.substr(1)) {
    if (!isPart(c)) return false;
  }
  return true;
}

std::string DomNodeName(pugi::xml_node node) {
  switch (node.type()) {
    case pugi::node_pcdata: return "#text";
    case pugi::node_cdata: return "#cdata-section";
    case pugi::node_comment: return "#comment";
    case pugi::node_document: return "#document";
    case pugi::node_declaration: return "xml";
    default: return node.name();
  }
}

// The value of encoding="..." in a leading XML declaration; empty when there is none.
std::string_view DeclaredEncoding(std::string_view text) {
  if (text.substr(0, 5) != "<?xml") return {};
  const std::string_view head = text.substr(0, kDeclarationScanLimit);
  const std::size_t close = head.find("?>");
  const std::string_view decl = head.substr(0, close);
  std::size_t pos = decl.find("encoding");
  if (pos == std::string_view::npos) return {};
  pos += std::string_view("encoding").size();
  auto skipSpace = [&] {
    while (pos < decl.size() && (decl[pos] == ' ' || decl[pos] == '\t' || decl[pos] == '\r' || decl[pos] == '\n')) ++pos;
  };
  skipSpace();
  if (pos >= decl.size() || decl[pos] != '=') return {};
  ++pos;
  skipSpace();
  if (pos >= decl.size() || (decl[pos] != '"' && decl[pos] != '\'')) return {};
  const char quote = decl[pos++];
  const std::size_t end = decl.find(quote, pos);
  if (end == std::string_view::npos) return {};
  return decl.substr(pos, end - pos);
}

class StringWriter : public pugi::xml_writer {
 public:
  void write(const void* data, std::size_t size) override {
    text.append(static_cast<const char*>(data), size);
  }
  std::string text;
};

}  // namespace

XmlDocument::XmlDocument() : doc_(std::make_unique<pugi::xml_document>()) {}

XmlDocument::XmlDocument(const XmlDocument& other)
    : doc_(std::make_unique<pugi::xml_document>()), url_(other.url_) {
  doc_->reset(*other.doc_);
}

XmlDocument& XmlDocument::operator=(const XmlDocument& other) {
  if (this != &other) {
    doc_->reset(*other.doc_);
    clones_.reset();
    url_ = other.url_;
    lastError_.clear();
  }
  return *this;
}

XmlDocument::XmlDocument(XmlDocument&& other) : XmlDocument() { swap(other); }

XmlDocument& XmlDocument::operator=(XmlDocument&& other) noexcept {
  swap(other);
  return *this;
}

void XmlDocument::swap(XmlDocument& other) noexcept {
  doc_.swap(other.doc_);
  clones_.swap(other.clones_);
  url_.swap(other.url_);
  lastError_.swap(other.lastError_);
}
XmlDocument::~XmlDocument() = default;

void XmlDocument::Release() {
  doc_->reset();
  clones_.reset();
  url_.clear();
}

bool XmlDocument::New(std::string_view rootName) {
  if (!IsXmlName(rootName)) {
    Release();
    return false;
  }
  std::string text(kNewTemplateHead);
  text += '<';
  text += rootName;
  text += "></";
  text += rootName;
  text += '>';
  return LoadXml(std::string_view(text));
}

bool XmlDocument::Parse(std::string_view utf8) {
  Release();
  return Accept(doc_->load_buffer(utf8.data(), utf8.size(), kParseFlags, pugi::encoding_utf8));
}

bool XmlDocument::Accept(const pugi::xml_parse_result& result) {
  // A document has exactly one element at the top; a parser would refuse "<a/><b/>".
  std::size_t elements = 0;
  for (pugi::xml_node child : doc_->children()) {
    if (child.type() == pugi::node_element) ++elements;
  }
  if (!result || elements != 1) {
    doc_->reset();
    return false;
  }
  return true;
}

bool XmlDocument::LoadXml(std::string_view text) { return Parse(text); }

bool XmlDocument::LoadXml(std::span<const std::uint8_t> bytes) {
  std::string_view text = AsChars(bytes);
  if (text.substr(0, kUtf8Bom.size()) == kUtf8Bom) text.remove_prefix(kUtf8Bom.size());
  if (IsGbkFamilyEncoding(DeclaredEncoding(text))) {
    const std::optional<std::string> utf8 =
        GbkToUtf8(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    if (!utf8) {
      Release();
      return false;
    }
    return Parse(*utf8);
  }
  // Anything else: the parser recognises UTF-8 and UTF-16/32 by their byte order marks or shape.
  Release();
  return Accept(doc_->load_buffer(bytes.data(), bytes.size(), kParseFlags, pugi::encoding_auto));
}

bool XmlDocument::LoadFile(const std::string& fileName) {
  lastError_.clear();
  std::ifstream in(fileName, std::ios::binary);
  if (!in) {
    Release();
    lastError_ = "cannot open " + fileName;
    return false;
  }
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) {
    Release();
    lastError_ = "cannot read " + fileName;
    return false;
  }
  const bool ok = LoadXml(std::span<const std::uint8_t>(bytes));
  url_ = fileName;
  if (!ok) lastError_ = "not well-formed XML: " + fileName;
  return ok;
}

bool XmlDocument::SaveFile(const std::string& fileName) {
  lastError_.clear();
  if (fileName.empty()) {
    lastError_ = kSaveNeedsFileName;
    return false;
  }
  std::string bytes = Xml();
  const pugi::xml_node declaration = doc_->first_child();
  if (declaration.type() == pugi::node_declaration &&
      IsGbkFamilyEncoding(declaration.attribute("encoding").value())) {
    std::optional<std::string> gbk = Utf8ToGbk(bytes);
    if (!gbk) {
      lastError_ = "the document has characters its declared encoding cannot hold";
      return false;
    }
    bytes = std::move(*gbk);
  }
  std::ofstream out(fileName, std::ios::binary | std::ios::trunc);
  if (!out) {
    lastError_ = "cannot create " + fileName;
    return false;
  }
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) {
    lastError_ = "cannot write " + fileName;
    return false;
  }
  return true;
}

std::string XmlDocument::Text() const { return StringValue(*doc_); }

std::string XmlDocument::Xml() const {
  StringWriter writer;
  for (pugi::xml_node node : doc_->children()) {
    node.print(writer, "", pugi::format_raw, pugi::encoding_utf8);
    writer.text += kLineEnd;
  }
  return std::move(writer.text);
}

std::string XmlDocument::NodeAttribute(std::string_view path, std::string_view name) const {
  const pugi::xml_node node = FindNode(path);
  return node.attribute(std::string(name).c_str()).value();
}

std::string XmlDocument::ChildValue(std::string_view path, int index) const {
  if (index < 1) return {};
  const pugi::xml_node child = NthChild(FindNode(path), static_cast<std::size_t>(index));
  return child.type() == pugi::node_element ? std::string() : std::string(child.value());
}

std::string XmlDocument::NodeValue(std::string_view path, int index) const {
  if (index < 1) return {};
  return StringValue(NthChild(FindNode(path), static_cast<std::size_t>(index)));
}

bool XmlDocument::SetNodeText(std::string_view path, std::string_view text) {
  pugi::xml_node node = FindNode(path);
  if (!node) return false;
  const std::string value(text);
  if (node.type() != pugi::node_element) return node.set_value(value.c_str());
  while (node.first_child()) node.remove_child(node.first_child());
  return node.append_child(pugi::node_pcdata).set_value(value.c_str());
}

pugi::xml_node XmlDocument::AddNode(std::string_view path, std::string_view name, std::string_view text,
                                    bool asCdata) {
  pugi::xml_node parent = FindNode(path);
  if (!parent || parent.type() != pugi::node_element || !IsXmlName(name)) return {};
  pugi::xml_node child = parent.append_child(std::string(name).c_str());
  if (child && !text.empty()) {
    child.append_child(asCdata ? pugi::node_cdata : pugi::node_pcdata).set_value(std::string(text).c_str());
  }
  return child;
}

bool XmlDocument::RemoveNode(std::string_view path) {
  const pugi::xml_node node = FindNode(path);
  return node && node.parent().remove_child(node);
}

bool XmlDocument::SetAttribute(std::string_view path, std::string_view name, std::string_view value) {
  pugi::xml_node node = FindNode(path);
  if (node.type() != pugi::node_element || !IsXmlName(name)) return false;
  const std::string key(name);
  pugi::xml_attribute attribute = node.attribute(key.c_str());
  if (!attribute) attribute = node.append_attribute(key.c_str());
  return attribute.set_value(std::string(value).c_str());
}

bool XmlDocument::RemoveAttribute(std::string_view path, std::string_view name) {
  pugi::xml_node node = FindNode(path);
  return node.type() == pugi::node_element && node.remove_attribute(std::string(name).c_str());
}

std::optional<std::string> XmlDocument::GetAttribute(std::string_view path, std::string_view name) const {
  const pugi::xml_node node = FindNode(path);
  if (!node) return std::nullopt;
  const std::optional<std::size_t> index = AtIndex(name);
  const pugi::xml_attribute attribute =
      index ? NthAttribute(node, *index) : node.attribute(std::string(name).c_str());
  if (!attribute) return std::nullopt;
  return std::string(attribute.value());
}

std::vector<XmlAttribute> XmlDocument::Attributes(std::string_view path) const {
  std::vector<XmlAttribute> out;
  for (pugi::xml_attribute attribute : FindNode(path).attributes()) {
    out.push_back({attribute.name(), attribute.value()});
  }
  return out;
}

int XmlDocument::AttributeCount(std::string_view path) const {
  const pugi::xml_node node = FindNode(path);
  return static_cast<int>(std::distance(node.attributes_begin(), node.attributes_end()));
}

std::vector<std::string> XmlDocument::ChildNames(std::string_view path) const {
  std::vector<std::string> names;
  for (pugi::xml_node child : FindNode(path).children()) names.push_back(DomNodeName(child));
  return names;
}

int XmlDocument::ChildCount(std::string_view path) const {
  const pugi::xml_node node = FindNode(path);
  return static_cast<int>(std::distance(node.begin(), node.end()));
}

std::string XmlDocument::RootName() const { return doc_->document_element().name(); }

std::string XmlDocument::ParentName(std::string_view path) const {
  const pugi::xml_node parent = FindNode(path).parent();
  return parent ? DomNodeName(parent) : std::string();
}

pugi::xml_node XmlDocument::DocumentElement() const { return doc_->document_element(); }

pugi::xml_node XmlDocument::ParentNode(std::string_view path) const { return FindNode(path).parent(); }

pugi::xml_node XmlDocument::FindNode(std::string_view path) const {
  const pugi::xml_node root = doc_->document_element();
  if (!root) return {};
  if (path.find('@') == std::string_view::npos) {
    std::string xpath(path);
    if (!xpath.empty() && xpath.back() == '/') xpath.pop_back();
    if (xpath.substr(0, 2) != "//") xpath.insert(0, "//");
    return SelectSingleNode(root, xpath);
  }
  // The first segment names the document element itself, whatever it says.
  pugi::xml_node current = root;
  std::size_t start = path.find('/');
  while (start != std::string_view::npos && current) {
    const std::size_t end = path.find('/', start + 1);
    const std::string_view segment =
        path.substr(start + 1, end == std::string_view::npos ? std::string_view::npos : end - start - 1);
    const std::optional<std::size_t> index = AtIndex(segment);
    current = index ? NthChild(current, *index) : SelectSingleNode(current, segment);
    start = end;
  }
  return current;
}

pugi::xml_node XmlDocument::CloneNode(std::string_view path, bool deep) {
  const pugi::xml_node node = FindNode(path);
  if (!node) return {};
  if (!clones_) clones_ = std::make_unique<pugi::xml_document>();
  if (deep) return clones_->append_copy(node);
  pugi::xml_node copy = clones_->append_child(node.type());
  copy.set_name(node.name());
  copy.set_value(node.value());
  for (pugi::xml_attribute attribute : node.attributes()) copy.append_copy(attribute);
  return copy;
}

bool XmlDocument::ReplaceNode(std::string_view path, pugi::xml_node replacement) {
  const pugi::xml_node old = FindNode(path);
  if (!old || !replacement) return false;
  pugi::xml_node parent = old.parent();
  if (!parent.insert_copy_before(replacement, old)) return false;
  return parent.remove_child(old);
}

}  // namespace engine
