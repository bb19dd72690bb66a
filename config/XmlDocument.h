// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace pugi {
class xml_document;
struct xml_node_struct;
} // namespace pugi

namespace nullsweep {

// The XML document object model that the configuration and the XML and spreadsheet exports
// share. Texts are UTF-8 bytes in std::string. A document is parsed from a file or from a source
// text; its nodes are handles (XMLNode) that keep the parsed tree alive while they are held, so
// closing or reloading a document never leaves a handle dangling: the handle keeps the old tree.
//
// Parsing never expands entities declared in a DOCTYPE, internal or external, and never reads
// anything but the named file: a reference to a declared entity stays as literal text.

// A file that cannot be read or written, or a document used while closed. The message names
// the file and the reason.
class XmlError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A source that is not well-formed. The message reads
//   FILE: line N: REASON near "TEXT"
// with FILE "XML text" for a source text and TEXT the start of the offending text (to the end of
// its line, at most 40 bytes; left out when there is none).
class XmlParseError : public XmlError {
  public:
    XmlParseError(std::string fileName, std::string reason, int line, std::string near);
    const std::string& FileName() const { return fileName_; }
    const std::string& Reason() const { return reason_; }
    int Line() const { return line_; }
    const std::string& Near() const { return near_; }

  private:
    std::string fileName_, reason_, near_;
    int line_;
};

// An index outside 0 to count-1 of a list; the message is "List index out of bounds (N)".
class ListIndexError : public std::out_of_range {
  public:
    explicit ListIndexError(int index);
};

class XMLNodeList;

// One node of a parsed document: an element, or a text or CDATA node. A default-constructed
// handle is null (false in a test); asking a null handle for anything but IsNull throws XmlError.
// Copies are cheap and refer to the same node; == compares the node, not its content.
class XMLNode {
  public:
    XMLNode() = default;

    bool IsNull() const { return node_ == nullptr; }
    explicit operator bool() const { return node_ != nullptr; }
    bool operator==(const XMLNode& other) const { return node_ == other.node_; }

    bool IsElement() const;
    // An element's name; "#text" or "#cdata-section" for text.
    std::string NodeName() const;
    // The text of a text or CDATA node; empty for an element.
    std::string Text() const;

    // The child nodes in document order (elements and text; comments are not kept).
    XMLNodeList ChildNodes() const;
    bool HasChildNodes() const;
    // The next node with the same parent; null after the last.
    XMLNode NextSibling() const;
    XMLNode ParentNode() const;

    // The first child element called `name`; when there is none, a new empty one is appended
    // to this element in memory and returned.
    XMLNode ChildElement(const std::string& name) const;
    // A new empty child element called `name`, appended after the last child.
    XMLNode AddChild(const std::string& name) const;
    // A new empty child element called `name`, inserted before `sibling` (a child of this
    // element; null appends).
    XMLNode InsertChildBefore(const std::string& name, const XMLNode& sibling) const;
    // Removes `child` with everything below it. Handles to the removed nodes must not be used.
    void RemoveChild(const XMLNode& child) const;
    // Changes whenever a node is added to or removed from this node's tree, so that a walk
    // over children can remember where it was.
    std::uint64_t TreeVersion() const;

    bool HasAttribute(const std::string& name) const;
    // The attribute's text; an absent attribute reads as the empty text.
    std::string Attribute(const std::string& name) const;
    // Sets the attribute, creating it when absent. Bytes that are not UTF-8 and characters that
    // XML 1.0 does not allow become U+FFFD, so the saved document is always well-formed.
    void SetAttribute(const std::string& name, const std::string& value) const;
    // Appends an attribute without looking for one of that name first, for filling a new
    // element whose attribute names differ; the value is mended as SetAttribute mends it.
    void AddAttribute(const std::string& name, std::string_view value) const;

    // This node and everything below it, written as the document's SaveTo writes them there.
    void SaveTo(const std::function<void(std::string_view)>& write) const;

  private:
    friend class XMLDocument;
    friend class XMLNodeList;
    struct Tree;
    XMLNode(std::shared_ptr<Tree> tree, pugi::xml_node_struct* node)
        : tree_(std::move(tree)), node_(node) {}

    std::shared_ptr<Tree> tree_;
    pugi::xml_node_struct* node_ = nullptr;
};

// The child nodes of one node, read live: Count and Item walk the list, so loops over many
// children should use First and NextSibling.
class XMLNodeList {
  public:
    int Count() const;
    // Throws ListIndexError outside 0 to Count()-1.
    XMLNode Item(int index) const;
    XMLNode First() const;
    // Removes every child node.
    void Clear() const;

  private:
    friend class XMLNode;
    explicit XMLNodeList(XMLNode parent) : parent_(std::move(parent)) {}
    XMLNode parent_;
};

// A document: its source (a file or a source text), and while open, its parsed tree.
class XMLDocument {
  public:
    XMLDocument();
    ~XMLDocument();
    XMLDocument(XMLDocument&&) noexcept;
    XMLDocument& operator=(XMLDocument&&) noexcept;

    // Sets the source; an open document is closed first. The source is parsed by Open.
    void SetXML(std::string text);
    void SetFileName(std::string path);
    const std::string& FileName() const { return fileName_; }

    // Parses the source unless the document is open. Throws XmlParseError for a source that is
    // not well-formed, XmlError for a file that cannot be read; the document then stays closed.
    void Open();
    void LoadFromFile(std::string path);
    void LoadFromXML(std::string text);

    // Discards the tree (handles still held keep their copy alive); the source stays.
    void Close();
    bool Active() const { return tree_ != nullptr; }

    // The root element. Throws XmlError when the document is not open.
    XMLNode DocumentElement() const;

    // The tree as UTF-8, without indentation, starting with the source's declaration (its
    // encoding given as utf-8) or with none when the source had none.
    std::string SaveToText() const;
    // The same bytes handed to `write` piece by piece, for documents too large to hold twice.
    void SaveTo(const std::function<void(std::string_view)>& write) const;

  private:
    std::shared_ptr<XMLNode::Tree> tree_;
    std::string source_;
    std::string fileName_; // non-empty: the source is this file
};

} // namespace nullsweep
