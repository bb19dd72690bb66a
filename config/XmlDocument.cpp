// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/XmlDocument.h"

#include "config/XmlText.h"
#include "fs/OwnedFd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <pugixml.hpp>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <unordered_set>

namespace nullsweep {

struct XMLNode::Tree {
    pugi::xml_document doc;
    std::uint64_t version = 0; // counts the changes of structure
};

namespace {

// Declarations are kept so that a save can repeat them; comments and processing instructions
// are dropped, and DOCTYPEs are skipped without expanding anything they declare.
// Parsed as a fragment so that text outside the root element is kept and can be refused: pugixml
// otherwise drops it silently. checkWellFormed then asks for exactly one root element.
constexpr unsigned ParseOptions =
    pugi::parse_default | pugi::parse_declaration | pugi::parse_fragment;

std::string errnoText() {
    return std::strerror(errno);
}

// The files read are configurations, a few kilobytes each: a larger one is no configuration,
// and reading it whole (a sparse file of gigabytes) would take minutes and the memory with it.
constexpr std::size_t MaxFileSize = std::size_t(4) << 20;

std::string readFile(const std::string& path) {
    // Non-blocking so that a FIFO without a writer is refused below instead of waited on.
    const OwnedFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd.valid()) throw XmlError(path + ": cannot read: " + errnoText());
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        const std::string reason = S_ISDIR(st.st_mode) ? "is a folder" : "not a regular file";
        throw XmlError(path + ": cannot read: " + reason);
    }
    const XmlError tooLarge(path + ": cannot read: larger than a configuration may be (4 MiB)");
    if (std::uintmax_t(st.st_size) > MaxFileSize) throw tooLarge;
    std::string text;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n > 0 && text.size() + std::size_t(n) > MaxFileSize) throw tooLarge; // grown since
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            throw XmlError(path + ": cannot read: " + errnoText());
        }
        text.append(buffer, std::size_t(n));
    }
    return text;
}

struct SourcePosition {
    int line;
    std::string near;
};

SourcePosition positionIn(const std::string& source, std::ptrdiff_t offset) {
    const std::size_t at =
        std::min<std::size_t>(offset < 0 ? 0 : std::size_t(offset), source.size());
    SourcePosition p;
    p.line = 1 + int(std::count(source.begin(), source.begin() + std::ptrdiff_t(at), '\n'));
    std::size_t end = source.find_first_of("\r\n", at);
    end = std::min({end, source.size(), at + 40});
    p.near = source.substr(at, end - at);
    for (char& c : p.near)
        if (static_cast<unsigned char>(c) < 0x20) c = ' '; // the message stays on one line
    p.near = ValidXmlText(p.near);                         // and is text a terminal can show
    return p;
}

[[noreturn]] void failAt(const std::string& source, std::ptrdiff_t offset,
                         const std::string& displayName, const std::string& reason) {
    const SourcePosition p = positionIn(source, offset);
    throw XmlParseError(displayName, reason, p.line, p.near);
}

// pugixml accepts some documents that are not well-formed; refuse those that matter to readers
// of the tree: no root element or several, text beside the root, a misplaced declaration, an
// attribute given twice.
void checkWellFormed(const pugi::xml_document& doc, const std::string& source,
                     const std::string& displayName) {
    int elements = 0;
    bool first = true;
    for (pugi::xml_node top : doc.children()) {
        if (top.type() == pugi::node_element && ++elements > 1)
            failAt(source, top.offset_debug(), displayName, "More than one root element");
        if (top.type() == pugi::node_declaration && !first)
            failAt(source, top.offset_debug(), displayName, "XML declaration not at the start");
        if (top.type() == pugi::node_pcdata || top.type() == pugi::node_cdata) {
            // Point at the text itself, past the blanks and line breaks before it.
            const std::size_t at = source.find_first_not_of(" \t\r\n", top.offset_debug());
            failAt(source, std::ptrdiff_t(at == std::string::npos ? source.size() : at),
                   displayName, "Text outside the root element");
        }
        first = false;
    }
    if (elements == 0)
        failAt(source, std::ptrdiff_t(source.size()), displayName, "No document element found");
    std::unordered_set<std::string_view> names;
    std::string reason;
    // Character references can name what XML forbids, such as &#1;.
    const auto checkText = [&](const char* text, const pugi::xml_node& node) {
        if (FindInvalidXmlText(text, reason) != std::string_view::npos)
            failAt(source, node.offset_debug(), displayName, reason);
    };
    for (pugi::xml_node node = doc.first_child(); node;) {
        if (node.first_attribute()) {
            names.clear();
            for (pugi::xml_attribute a : node.attributes()) {
                if (!names.insert(a.name()).second)
                    failAt(source, node.offset_debug(), displayName,
                           "Attribute \"" + std::string(a.name()) + "\" given twice");
                checkText(a.value(), node);
            }
        }
        if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata)
            checkText(node.value(), node);
        // Pre-order walk without recursion, so deep documents cannot exhaust the stack.
        if (node.first_child()) {
            node = node.first_child();
        } else {
            while (node && !node.next_sibling())
                node = node.parent();
            if (node) node = node.next_sibling();
        }
    }
}

// Hands pugixml's output on to a function.
struct FunctionWriter : pugi::xml_writer {
    explicit FunctionWriter(const std::function<void(std::string_view)>& w) : write_(w) {}
    void write(const void* data, size_t size) override {
        write_(std::string_view(static_cast<const char*>(data), size));
    }
    const std::function<void(std::string_view)>& write_;
};

// The source's own bytes, before the parser turns them into something else: what is not UTF-8
// (unless the declaration names another encoding) or not allowed in XML is refused where it
// stands.
void checkSourceText(const std::string& source, const std::string& displayName) {
    const std::string_view start = std::string_view(source).substr(0, 2);
    if (start == "\xFE\xFF" || start == "\xFF\xFE" || (start.size() == 2 && start[1] == '\0') ||
        (!start.empty() && start[0] == '\0'))
        return; // UTF-16 or UTF-32: the parser reads and checks it
    if (source.starts_with("<?xml")) {
        const std::string_view declaration = std::string_view(source).substr(0, source.find("?>"));
        const auto at = declaration.find("encoding");
        if (at != std::string_view::npos) {
            const auto quote = declaration.find_first_of("\"'", at);
            const auto end = quote == std::string_view::npos
                                 ? quote
                                 : declaration.find(declaration[quote], quote + 1);
            if (end != std::string_view::npos) {
                std::string name(declaration.substr(quote + 1, end - quote - 1));
                for (char& c : name)
                    c = char(std::tolower(static_cast<unsigned char>(c)));
                if (name != "utf-8" && name != "utf8") return;
            }
        }
    }
    std::string reason;
    const std::size_t bad = FindInvalidXmlText(source, reason);
    if (bad != std::string_view::npos) failAt(source, std::ptrdiff_t(bad), displayName, reason);
}

void checkName(const std::string& name) {
    if (!IsXmlName(name)) throw XmlError("\"" + name + "\" is not a valid XML name");
}

} // namespace

XmlParseError::XmlParseError(std::string fileName, std::string reason, int line, std::string near)
    : XmlError(fileName + ": line " + std::to_string(line) + ": " + reason +
               (near.empty() ? std::string() : " near \"" + near + "\"")),
      fileName_(std::move(fileName)), reason_(std::move(reason)), near_(std::move(near)),
      line_(line) {}

ListIndexError::ListIndexError(int index)
    : std::out_of_range("List index out of bounds (" + std::to_string(index) + ")") {}

// --- XMLNode ---------------------------------------------------------------------------------

namespace {
pugi::xml_node pugiNode(pugi::xml_node_struct* node) {
    if (!node) throw XmlError("null XML node used");
    return pugi::xml_node(node);
}
} // namespace

bool XMLNode::IsElement() const {
    return pugiNode(node_).type() == pugi::node_element;
}

std::string XMLNode::NodeName() const {
    const pugi::xml_node n = pugiNode(node_);
    switch (n.type()) {
    case pugi::node_pcdata:
        return "#text";
    case pugi::node_cdata:
        return "#cdata-section";
    default:
        return n.name();
    }
}

std::string XMLNode::Text() const {
    const pugi::xml_node n = pugiNode(node_);
    return n.type() == pugi::node_element ? std::string() : std::string(n.value());
}

XMLNodeList XMLNode::ChildNodes() const {
    pugiNode(node_);
    return XMLNodeList(*this);
}

bool XMLNode::HasChildNodes() const {
    return bool(pugiNode(node_).first_child());
}

XMLNode XMLNode::NextSibling() const {
    return XMLNode(tree_, pugiNode(node_).next_sibling().internal_object());
}

XMLNode XMLNode::ParentNode() const {
    const pugi::xml_node parent = pugiNode(node_).parent();
    // The document itself is no node of the interface.
    if (parent.type() == pugi::node_document) return {};
    return XMLNode(tree_, parent.internal_object());
}

XMLNode XMLNode::ChildElement(const std::string& name) const {
    pugi::xml_node child = pugiNode(node_).child(name.c_str());
    if (!child) return AddChild(name);
    return XMLNode(tree_, child.internal_object());
}

XMLNode XMLNode::AddChild(const std::string& name) const {
    checkName(name);
    XMLNode added(tree_, pugiNode(node_).append_child(name.c_str()).internal_object());
    ++tree_->version;
    return added;
}

XMLNode XMLNode::InsertChildBefore(const std::string& name, const XMLNode& sibling) const {
    if (sibling.IsNull()) return AddChild(name);
    checkName(name);
    pugi::xml_node added =
        pugiNode(node_).insert_child_before(name.c_str(), pugi::xml_node(sibling.node_));
    if (!added) throw XmlError("cannot insert \"" + name + "\": the sibling is no child here");
    ++tree_->version;
    return XMLNode(tree_, added.internal_object());
}

void XMLNode::RemoveChild(const XMLNode& child) const {
    if (child.IsNull() || !pugiNode(node_).remove_child(pugi::xml_node(child.node_)))
        throw XmlError("cannot remove a node that is no child of \"" + NodeName() + "\"");
    ++tree_->version;
}

std::uint64_t XMLNode::TreeVersion() const {
    pugiNode(node_); // a null handle throws
    return tree_->version;
}

bool XMLNode::HasAttribute(const std::string& name) const {
    return bool(pugiNode(node_).attribute(name.c_str()));
}

std::string XMLNode::Attribute(const std::string& name) const {
    return pugiNode(node_).attribute(name.c_str()).value();
}

void XMLNode::SetAttribute(const std::string& name, const std::string& value) const {
    pugi::xml_node n = pugiNode(node_);
    pugi::xml_attribute a = n.attribute(name.c_str());
    if (!a) {
        checkName(name);
        a = n.append_attribute(name.c_str());
    }
    a.set_value(ValidXmlText(value).c_str());
}

void XMLNode::AddAttribute(const std::string& name, std::string_view value) const {
    pugi::xml_node n = pugiNode(node_);
    checkName(name);
    pugi::xml_attribute a = n.append_attribute(name.c_str());
    // Printable ASCII, by far the most common text, needs no mending and no copy of its own.
    if (std::all_of(value.begin(), value.end(), [](char c) { return c >= 0x20 && c < 0x7F; })) {
        a.set_value(value.data(), value.size());
        return;
    }
    const std::string valid = ValidXmlText(value);
    a.set_value(valid.data(), valid.size());
}

void XMLNode::SaveTo(const std::function<void(std::string_view)>& write) const {
    FunctionWriter writer(write);
    pugiNode(node_).print(writer, "", pugi::format_raw, pugi::encoding_utf8);
}

// --- XMLNodeList -----------------------------------------------------------------------------

int XMLNodeList::Count() const {
    int count = 0;
    for (pugi::xml_node c = pugiNode(parent_.node_).first_child(); c; c = c.next_sibling())
        ++count;
    return count;
}

XMLNode XMLNodeList::Item(int index) const {
    if (index >= 0) {
        int i = 0;
        for (pugi::xml_node c = pugiNode(parent_.node_).first_child(); c; c = c.next_sibling())
            if (i++ == index) return XMLNode(parent_.tree_, c.internal_object());
    }
    throw ListIndexError(index);
}

XMLNode XMLNodeList::First() const {
    return XMLNode(parent_.tree_, pugiNode(parent_.node_).first_child().internal_object());
}

void XMLNodeList::Clear() const {
    pugiNode(parent_.node_).remove_children();
    ++parent_.tree_->version;
}

// --- XMLDocument -----------------------------------------------------------------------------

XMLDocument::XMLDocument() = default;
XMLDocument::~XMLDocument() = default;
XMLDocument::XMLDocument(XMLDocument&&) noexcept = default;
XMLDocument& XMLDocument::operator=(XMLDocument&&) noexcept = default;

void XMLDocument::SetXML(std::string text) {
    Close();
    source_ = std::move(text);
    fileName_.clear();
}

void XMLDocument::SetFileName(std::string path) {
    Close();
    source_.clear();
    fileName_ = std::move(path);
}

void XMLDocument::Open() {
    if (Active()) return;
    const std::string displayName = fileName_.empty() ? "XML text" : fileName_;
    const std::string fileText = fileName_.empty() ? std::string() : readFile(fileName_);
    const std::string& source = fileName_.empty() ? source_ : fileText;

    checkSourceText(source, displayName);
    auto tree = std::make_shared<XMLNode::Tree>();
    const pugi::xml_parse_result result =
        tree->doc.load_buffer(source.data(), source.size(), ParseOptions);
    if (!result) failAt(source, result.offset, displayName, result.description());
    checkWellFormed(tree->doc, source, displayName);
    tree_ = std::move(tree);
}

void XMLDocument::LoadFromFile(std::string path) {
    SetFileName(std::move(path));
    Open();
}

void XMLDocument::LoadFromXML(std::string text) {
    SetXML(std::move(text));
    Open();
}

void XMLDocument::Close() {
    tree_.reset();
}

XMLNode XMLDocument::DocumentElement() const {
    if (!tree_) throw XmlError("the XML document is not open");
    return XMLNode(tree_, tree_->doc.document_element().internal_object());
}

void XMLDocument::SaveTo(const std::function<void(std::string_view)>& write) const {
    if (!tree_) throw XmlError("the XML document is not open");
    // The bytes written are UTF-8 whatever the source was, so its declaration must say so.
    for (pugi::xml_node n : tree_->doc.children())
        if (n.type() == pugi::node_declaration)
            if (pugi::xml_attribute encoding = n.attribute("encoding")) encoding.set_value("utf-8");

    FunctionWriter writer(write);
    tree_->doc.save(writer, "", pugi::format_raw | pugi::format_no_declaration,
                    pugi::encoding_utf8);
}

std::string XMLDocument::SaveToText() const {
    std::string text;
    SaveTo([&text](std::string_view bytes) { text.append(bytes); });
    return text;
}

} // namespace nullsweep
