// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

#include "config/XmlDocument.h"

#include <stdexcept>
#include <string>

namespace nullsweep {

// The typed binding of CorvaneConfig.xml. Each class is a view of one element of a loaded
// document: it holds a XMLNode, so the document lives as long as any view of it, and copies
// refer to the same element. Getters are named after their attribute or child element; setters
// share the getter's name and take the value.
//
// Integer and boolean getters throw ConversionError (config/ConfigValues.h) for an attribute
// that is absent, empty or not convertible. Text getters return the text as stored (absent:
// empty). Setters write decimal integers, "True"/"False" and text unchanged, creating the
// attribute. A child element getter returns the first child of that name, creating an empty one
// in memory when there is none. Elements and attributes the binding does not name are left alone.

// A configuration that cannot be used: the message names the file and the reason.
class ConfigError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The common part of every view.
class XMLElementView {
  public:
    XMLElementView() = default;
    explicit XMLElementView(XMLNode element) : element_(std::move(element)) {}
    const XMLNode& Element() const { return element_; }
    bool operator==(const XMLElementView& other) const { return element_ == other.element_; }

  protected:
    std::string text(const char* name) const { return element_.Attribute(name); }
    int integer(const char* name) const;
    bool boolean(const char* name) const;
    void setText(const char* name, const std::string& value) const;
    void setInteger(const char* name, int value) const;
    void setBoolean(const char* name, bool value) const;

  private:
    XMLNode element_;
};

// The items of a collection are the child elements called `itemName`, in document order; other
// children are skipped and kept.
class XMLCollectionBase : public XMLElementView {
  public:
    int Count() const;
    void Clear() const;
    // Throw ListIndexError outside 0 to Count()-1.
    void Delete(int index) const;

  protected:
    XMLCollectionBase() = default;
    XMLCollectionBase(XMLNode element, const char* itemName)
        : XMLElementView(std::move(element)), itemName_(itemName) {}
    XMLNode itemAt(int index) const;
    XMLNode add() const;
    // index == Count() appends.
    XMLNode insert(int index) const;
    int remove(const XMLNode& item) const;

  private:
    // Where the last Item or Count left off, while the tree has not changed since: loops over
    // all items by index then take one step an item instead of a walk from the first.
    struct Position {
        std::uint64_t version = 0;
        int index = -1; // -1: nothing remembered
        XMLNode node;   // item `index`
        int count = -1; // -1: not counted
    };
    bool remembered(const Position& position) const;

    const char* itemName_ = "";
    mutable Position position_;
};

template <class ItemType> class XMLCollection : public XMLCollectionBase {
  public:
    // Throws ListIndexError outside 0 to Count()-1.
    ItemType Item(int index) const { return ItemType(itemAt(index)); }
    // A new empty item after the last item.
    ItemType Add() const { return ItemType(add()); }
    // A new empty item that becomes item `index` (0 to Count()).
    ItemType Insert(int index) const { return ItemType(insert(index)); }
    // Removes `item`; returns the index it had, or -1 when it is no item of this collection.
    int Remove(const ItemType& item) const { return remove(item.Element()); }

  protected:
    using XMLCollectionBase::XMLCollectionBase;
};

class TXMLPlLeftType : public XMLElementView {
  public:
    using XMLElementView::XMLElementView;
    int width() const { return integer("width"); }
    int col1() const { return integer("col1"); }
    int col2() const { return integer("col2"); }
    int col3() const { return integer("col3"); }
    void width(int value) const { setInteger("width", value); }
    void col1(int value) const { setInteger("col1", value); }
    void col2(int value) const { setInteger("col2", value); }
    void col3(int value) const { setInteger("col3", value); }
};

class TXMLPlHintType : public XMLElementView {
  public:
    using XMLElementView::XMLElementView;
    int height() const { return integer("height"); }
    int col1() const { return integer("col1"); }
    int col2() const { return integer("col2"); }
    void height(int value) const { setInteger("height", value); }
    void col1(int value) const { setInteger("col1", value); }
    void col2(int value) const { setInteger("col2", value); }
};

class TXMLFrameType : public XMLElementView {
  public:
    using XMLElementView::XMLElementView;
    std::string left() const { return text("left"); }
    std::string top() const { return text("top"); }
    int height() const { return integer("height"); }
    int width() const { return integer("width"); }
    bool max() const { return boolean("max"); }
    TXMLPlLeftType plLeft() const { return TXMLPlLeftType(Element().ChildElement("plLeft")); }
    TXMLPlHintType plHint() const { return TXMLPlHintType(Element().ChildElement("plHint")); }
    void left(const std::string& value) const { setText("left", value); }
    void top(const std::string& value) const { setText("top", value); }
    void height(int value) const { setInteger("height", value); }
    void width(int value) const { setInteger("width", value); }
    void max(bool value) const { setBoolean("max", value); }
};

// One grid column.
class TXMLNodeType : public XMLElementView {
  public:
    using XMLElementView::XMLElementView;
    std::string Name() const { return text("Name"); }
    bool DefaultExport() const { return boolean("DefaultExport"); }
    bool ReadOnly() const { return boolean("ReadOnly"); }
    std::string Align() const { return text("Align"); }
    int Width() const { return integer("Width"); }
    bool Visible() const { return boolean("Visible"); }
    int Index() const { return integer("Index"); }
    void Name(const std::string& value) const { setText("Name", value); }
    void DefaultExport(bool value) const { setBoolean("DefaultExport", value); }
    void ReadOnly(bool value) const { setBoolean("ReadOnly", value); }
    void Align(const std::string& value) const { setText("Align", value); }
    void Width(int value) const { setInteger("Width", value); }
    void Visible(bool value) const { setBoolean("Visible", value); }
    void Index(int value) const { setInteger("Index", value); }
};

class TXMLNodesType : public XMLCollection<TXMLNodeType> {
  public:
    TXMLNodesType() = default;
    explicit TXMLNodesType(XMLNode element) : XMLCollection(std::move(element), "node") {}
};

class TXMLItemType : public XMLElementView {
  public:
    using XMLElementView::XMLElementView;
    std::string label() const { return text("label"); }
    int value() const { return integer("value"); }
    void label(const std::string& text) const { setText("label", text); }
    void value(int number) const { setInteger("value", number); }
};

class TXMLAgerangeType : public XMLCollection<TXMLItemType> {
  public:
    TXMLAgerangeType() = default;
    explicit TXMLAgerangeType(XMLNode element) : XMLCollection(std::move(element), "item") {}
};

class TXMLSizerangeType : public XMLCollection<TXMLItemType> {
  public:
    TXMLSizerangeType() = default;
    explicit TXMLSizerangeType(XMLNode element) : XMLCollection(std::move(element), "item") {}
};

// The root element `config`.
class TXMLConfigType : public XMLElementView {
  public:
    using XMLElementView::XMLElementView;
    int versionNo() const { return integer("versionNo"); }
    TXMLFrameType frame() const { return TXMLFrameType(Element().ChildElement("frame")); }
    TXMLNodesType nodes() const { return TXMLNodesType(Element().ChildElement("nodes")); }
    TXMLAgerangeType agerange() const {
        return TXMLAgerangeType(Element().ChildElement("agerange"));
    }
    TXMLSizerangeType sizerange() const {
        return TXMLSizerangeType(Element().ChildElement("sizerange"));
    }
    void versionNo(int value) const { setInteger("versionNo", value); }
};

// Parses `fileName` and binds its root element. Throws XmlError/XmlParseError when the file
// cannot be read or is not well-formed, ConfigError when the root element is not `config`.
TXMLConfigType OpenConfigDocument(const std::string& fileName);

// The same for a source text (messages name it "XML text").
TXMLConfigType ConfigDocumentFromText(const std::string& text);

} // namespace nullsweep
