// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/CorvaneConfig.h"

#include "config/ConfigValues.h"

namespace nullsweep {

int XMLElementView::integer(const char* name) const {
    return IntegerFromText(element_.Attribute(name));
}

bool XMLElementView::boolean(const char* name) const {
    return BooleanFromText(element_.Attribute(name));
}

void XMLElementView::setText(const char* name, const std::string& value) const {
    element_.SetAttribute(name, value);
}

void XMLElementView::setInteger(const char* name, int value) const {
    element_.SetAttribute(name, IntegerText(value));
}

void XMLElementView::setBoolean(const char* name, bool value) const {
    element_.SetAttribute(name, BooleanText(value));
}

namespace {
bool isItem(const XMLNode& node, const char* itemName) {
    return node.IsElement() && node.NodeName() == itemName;
}
} // namespace

bool XMLCollectionBase::remembered(const Position& position) const {
    return position.version == Element().TreeVersion();
}

int XMLCollectionBase::Count() const {
    if (remembered(position_) && position_.count >= 0) return position_.count;
    int count = 0;
    for (XMLNode n = Element().ChildNodes().First(); n; n = n.NextSibling())
        if (isItem(n, itemName_)) ++count;
    if (!remembered(position_)) position_ = {Element().TreeVersion(), -1, {}, -1};
    position_.count = count;
    return count;
}

XMLNode XMLCollectionBase::itemAt(int index) const {
    if (index >= 0) {
        if (!remembered(position_)) position_ = {Element().TreeVersion(), -1, {}, -1};
        // From the remembered item when it comes before, else from the first.
        const bool onward = position_.index >= 0 && position_.index <= index;
        int i = onward ? position_.index : 0;
        for (XMLNode n = onward ? position_.node : Element().ChildNodes().First(); n;
             n = n.NextSibling()) {
            if (!isItem(n, itemName_)) continue;
            if (i++ == index) {
                position_.index = index;
                position_.node = n;
                return n;
            }
        }
    }
    throw ListIndexError(index);
}

XMLNode XMLCollectionBase::add() const {
    return Element().AddChild(itemName_);
}

XMLNode XMLCollectionBase::insert(int index) const {
    if (index == Count()) return add();
    return Element().InsertChildBefore(itemName_, itemAt(index));
}

void XMLCollectionBase::Clear() const {
    for (XMLNode n = Element().ChildNodes().First(); n;) {
        const XMLNode next = n.NextSibling();
        if (isItem(n, itemName_)) Element().RemoveChild(n);
        n = next;
    }
}

void XMLCollectionBase::Delete(int index) const {
    Element().RemoveChild(itemAt(index));
}

int XMLCollectionBase::remove(const XMLNode& item) const {
    int i = 0;
    for (XMLNode n = Element().ChildNodes().First(); n; n = n.NextSibling()) {
        if (!isItem(n, itemName_)) continue;
        if (n == item) {
            Element().RemoveChild(n);
            return i;
        }
        ++i;
    }
    return -1;
}

namespace {
TXMLConfigType bindRoot(const XMLDocument& document, const std::string& displayName) {
    const XMLNode root = document.DocumentElement();
    if (root.NodeName() != "config")
        throw ConfigError(displayName + ": the root element is \"" + root.NodeName() +
                          "\", not \"config\"");
    return TXMLConfigType(root);
}
} // namespace

TXMLConfigType OpenConfigDocument(const std::string& fileName) {
    XMLDocument document;
    document.LoadFromFile(fileName);
    return bindRoot(document, fileName);
}

TXMLConfigType ConfigDocumentFromText(const std::string& text) {
    XMLDocument document;
    document.LoadFromXML(text);
    return bindRoot(document, "XML text");
}

} // namespace nullsweep
