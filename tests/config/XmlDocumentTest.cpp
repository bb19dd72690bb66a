// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/XmlDocument.h"
#include "config/XmlText.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace nullsweep;
using nullsweep::test::RunInChild;
using nullsweep::test::RunWithoutRoot;
using nullsweep::test::TempTree;

namespace {

XMLNode rootOf(XMLDocument& doc, const std::string& text) {
    doc.LoadFromXML(text);
    return doc.DocumentElement();
}

std::vector<std::string> childNames(const XMLNode& node) {
    std::vector<std::string> names;
    for (XMLNode n = node.ChildNodes().First(); n; n = n.NextSibling())
        names.push_back(n.NodeName());
    return names;
}

XmlParseError parseError(const std::string& text) {
    XMLDocument doc;
    try {
        doc.LoadFromXML(text);
    } catch (const XmlParseError& e) {
        EXPECT_FALSE(doc.Active());
        return e;
    }
    ADD_FAILURE() << "parsed: " << text;
    return XmlParseError("", "", 0, "");
}

} // namespace

TEST(XmlDocument, ChildNodesInDocumentOrderWithIndexedAccess) {
    XMLDocument doc;
    const XMLNode root = rootOf(doc, "<r><a/>text<b/><![CDATA[x<y]]><c/></r>");
    EXPECT_EQ(root.NodeName(), "r");
    EXPECT_EQ(childNames(root),
              (std::vector<std::string>{"a", "#text", "b", "#cdata-section", "c"}));
    const XMLNodeList children = root.ChildNodes();
    ASSERT_EQ(children.Count(), 5);
    EXPECT_EQ(children.Item(2).NodeName(), "b");
    EXPECT_EQ(children.Item(1).Text(), "text");
    EXPECT_EQ(children.Item(3).Text(), "x<y");
    EXPECT_FALSE(children.Item(1).IsElement());
    EXPECT_EQ(children.Item(4).ParentNode(), root);
    EXPECT_TRUE(root.ParentNode().IsNull());
    for (int bad : {5, -1}) {
        try {
            children.Item(bad);
            ADD_FAILURE() << bad;
        } catch (const ListIndexError& e) {
            EXPECT_EQ(std::string(e.what()),
                      "List index out of bounds (" + std::to_string(bad) + ")");
        }
    }
    children.Clear();
    EXPECT_EQ(children.Count(), 0);
    EXPECT_FALSE(root.HasChildNodes());
    EXPECT_TRUE(children.First().IsNull());
}

TEST(XmlDocument, ChildElementFindsTheFirstOrCreatesAnEmptyOne) {
    XMLDocument doc;
    const XMLNode root = rootOf(doc, "<r><x n='1'/><x n='2'/></r>");
    EXPECT_EQ(root.ChildElement("x").Attribute("n"), "1");
    const XMLNode y = root.ChildElement("y");
    EXPECT_EQ(childNames(root), (std::vector<std::string>{"x", "x", "y"}));
    EXPECT_FALSE(y.HasChildNodes());
    EXPECT_EQ(root.ChildElement("y"), y); // found now, not created twice
    EXPECT_EQ(root.ChildNodes().Count(), 3);
}

TEST(XmlDocument, ChildrenAreAddedInsertedAndRemoved) {
    XMLDocument doc;
    const XMLNode root = rootOf(doc, "<r><m/></r>");
    const XMLNode m = root.ChildNodes().First();
    const XMLNode last = root.AddChild("z");
    root.InsertChildBefore("a", m);
    root.InsertChildBefore("end", XMLNode());
    EXPECT_EQ(childNames(root), (std::vector<std::string>{"a", "m", "z", "end"}));
    root.RemoveChild(last);
    EXPECT_EQ(childNames(root), (std::vector<std::string>{"a", "m", "end"}));
    EXPECT_THROW(m.RemoveChild(root.ChildNodes().First()), XmlError); // not m's child
    EXPECT_THROW(m.InsertChildBefore("q", root.ChildNodes().First()), XmlError);
    EXPECT_THROW(root.AddChild("two words"), XmlError);
    EXPECT_THROW(root.AddChild(""), XmlError);
    EXPECT_THROW(root.SetAttribute("1st", "x"), XmlError);
    EXPECT_THROW(XMLNode().ChildNodes(), XmlError);
}

TEST(XmlDocument, AttributesReadAbsentAsEmptyAndSetCreates) {
    XMLDocument doc;
    const XMLNode root = rootOf(doc, "<r a='1' empty=''/>");
    EXPECT_TRUE(root.HasAttribute("a"));
    EXPECT_TRUE(root.HasAttribute("empty"));
    EXPECT_EQ(root.Attribute("A"), ""); // names are case-sensitive
    EXPECT_FALSE(root.HasAttribute("A"));
    EXPECT_FALSE(root.HasAttribute("A")); // reading did not create it
    root.SetAttribute("a", "2");
    root.SetAttribute("b", "  spaced  ");
    EXPECT_EQ(root.Attribute("a"), "2");
    EXPECT_EQ(root.Attribute("b"), "  spaced  ");
    EXPECT_EQ(doc.SaveToText(), "<r a=\"2\" empty=\"\" b=\"  spaced  \"/>");
}

TEST(XmlDocument, SaveKeepsTheDeclarationEscapesAndReadsBackTheSameValues) {
    XMLDocument doc;
    doc.SetXML("<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\" ?> "
               "<fileinfo generated=\"https://example.org\"></fileinfo>");
    EXPECT_FALSE(doc.Active()); // parsed on Open
    doc.Open();
    const std::string tricky = "a\"b<c>&d'e\tf\ng\xC3\xA9";
    const XMLNode file = doc.DocumentElement().AddChild("file");
    file.SetAttribute("FileName", tricky);
    file.AddChild("file");
    const std::string saved = doc.SaveToText();
    EXPECT_EQ(saved.rfind("<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>", 0), 0u)
        << saved;
    EXPECT_EQ(saved.find('\n'), std::string::npos) << "no indentation: " << saved;

    XMLDocument again;
    again.LoadFromXML(saved);
    EXPECT_EQ(again.DocumentElement().ChildElement("file").Attribute("FileName"), tricky);
    EXPECT_EQ(again.DocumentElement().Attribute("generated"), "https://example.org");
    EXPECT_EQ(again.SaveToText(), saved);
}

TEST(XmlDocument, SavedTextIsAlwaysWellFormedUtf8) {
    XMLDocument doc;
    doc.LoadFromXML("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r v='caf\xE9'/>");
    const XMLNode root = doc.DocumentElement();
    EXPECT_EQ(root.Attribute("v"), "caf\xC3\xA9"); // held as UTF-8
    root.SetAttribute("bad", std::string("a\x01"
                                         "b\xFF"
                                         "c\0d",
                                         7));
    const std::string saved = doc.SaveToText();
    EXPECT_NE(saved.find("encoding=\"utf-8\""), std::string::npos) << saved;
    XMLDocument again;
    again.LoadFromXML(saved);
    EXPECT_EQ(again.DocumentElement().Attribute("v"), "caf\xC3\xA9");
    EXPECT_EQ(again.DocumentElement().Attribute("bad"), "a\xEF\xBF\xBD"
                                                        "b\xEF\xBF\xBD"
                                                        "c\xEF\xBF\xBD"
                                                        "d");
}

TEST(XmlText, ReplacesWhatXmlCannotHoldAndKeepsTheRest) {
    const std::string r = "\xEF\xBF\xBD";
    const std::string valid = "plain \t\r\n \xC3\xA9 \xE4\xB8\xAD \xF0\x9D\x84\x9E \xEF\xBF\xBD";
    EXPECT_EQ(ValidXmlText(valid), valid);
    EXPECT_EQ(ValidXmlText("\xC0\xAF"), r + r);                 // overlong "/"
    EXPECT_EQ(ValidXmlText("\xED\xA0\x80"), r + r + r);         // a surrogate
    EXPECT_EQ(ValidXmlText("x\xE4\xB8"), "x" + r + r);          // cut short
    EXPECT_EQ(ValidXmlText("\xF4\x90\x80\x80"), r + r + r + r); // beyond U+10FFFF
    EXPECT_EQ(ValidXmlText("\xEF\xBF\xBE\x1F\x7F"), r + r + "\x7F");
    EXPECT_TRUE(IsXmlName("FileName"));
    EXPECT_TRUE(IsXmlName("_a-b.c:d9"));
    EXPECT_FALSE(IsXmlName("File Name"));
    EXPECT_FALSE(IsXmlName("-a"));
    EXPECT_FALSE(IsXmlName("a\"b"));
}

TEST(XmlDocument, ParseErrorsGiveReasonLineAndTheOffendingText) {
    struct Case {
        std::string text;
        int line;
        std::string reason, near;
    };
    for (const Case& c : std::vector<Case>{
             {"", 1, "No document element found", ""},
             {"<a>\n<b>\n</a>", 3, "Start-end tags mismatch", "a>"},
             {"<a>\n  <b x=1/>\n</a>", 2, "Error parsing element attribute", "1/>"},
             {"<a/>\n<b/>", 2, "More than one root element", "b/>"},
             {"<a>\n<b x='1' x='2'/></a>", 2, "Attribute \"x\" given twice", "b x='1' x='2'/></a>"},
             {"<a/><?xml version='1.0'?>", 1, "XML declaration not at the start", ""},
             {"<a/>\n  junk", 2, "Text outside the root element", "junk"},
             {"junk<a/>", 1, "Text outside the root element", "junk<a/>"},
             {"<a/><![CDATA[x]]>", 1, "Text outside the root element", "x]]>"},
             {" \n<!-- only a comment -->", 2, "No document element found", ""},
         }) {
        const XmlParseError e = parseError(c.text);
        EXPECT_EQ(e.Line(), c.line) << c.text;
        EXPECT_EQ(e.Reason(), c.reason) << c.text;
        if (!c.near.empty()) {
            EXPECT_EQ(e.Near(), c.near) << c.text;
        }
        EXPECT_EQ(e.FileName(), "XML text");
        EXPECT_EQ(std::string(e.what()).find('\n'), std::string::npos) << e.what();
    }
    const XmlParseError e = parseError("<a>\n<b>\n</a>");
    EXPECT_EQ(std::string(e.what()), "XML text: line 3: Start-end tags mismatch near \"a>\"");
}

TEST(XmlDocument, DeclaredEntitiesAreNeverExpanded) {
    TempTree t;
    t.File("secret", "TOPSECRET");
    std::string laughs =
        "<!DOCTYPE r [<!ENTITY e SYSTEM \"file://" + t.Path("secret") + "\"><!ENTITY l0 \"lol\">";
    for (int i = 1; i < 10; ++i) {
        laughs += "<!ENTITY l" + std::to_string(i) + " \"";
        for (int k = 0; k < 10; ++k)
            laughs += "&l" + std::to_string(i - 1) + ";";
        laughs += "\">";
    }
    laughs += "]><r ext='&e;' bomb='&l9;'>&e;&l9;</r>";
    XMLDocument doc;
    doc.LoadFromXML(laughs);
    const std::string saved = doc.SaveToText();
    EXPECT_EQ(saved.find("TOPSECRET"), std::string::npos);
    EXPECT_EQ(saved.find("lol"), std::string::npos);
    EXPECT_LT(saved.size(), 200u);
}

TEST(XmlDocument, FilesLoadWithErrorsThatNameThem) {
    TempTree t;
    t.File("ok.xml", "<r a='1'/>");
    t.File("bad.xml", "<r>\n<unclosed>\n</r>");
    XMLDocument doc;
    doc.LoadFromFile(t.Path("ok.xml"));
    EXPECT_EQ(doc.FileName(), t.Path("ok.xml"));
    doc.DocumentElement().SetAttribute("b", "2");
    EXPECT_EQ(doc.SaveToText(), "<r a=\"1\" b=\"2\"/>");

    const auto failure = [&](const std::string& path) -> std::string {
        try {
            XMLDocument d;
            d.LoadFromFile(path);
        } catch (const XmlError& e) {
            return e.what();
        }
        return "loaded";
    };
    EXPECT_EQ(failure(t.Path("missing.xml")),
              t.Path("missing.xml") + ": cannot read: No such file or directory");
    EXPECT_EQ(failure(t.Root()), t.Root() + ": cannot read: is a folder");
    // A FIFO without a writer must be refused, not waited on: the child ends itself if it hangs.
    ASSERT_EQ(::mkfifo(t.Path("fifo.xml").c_str(), 0600), 0);
    EXPECT_EQ(RunInChild([&] {
                  ::alarm(5);
                  return failure(t.Path("fifo.xml"));
              }),
              t.Path("fifo.xml") + ": cannot read: not a regular file");
    EXPECT_EQ(failure(t.Path("bad.xml")),
              t.Path("bad.xml") + ": line 3: Start-end tags mismatch near \"r>\"");
    t.Chmod("ok.xml", 0);
    EXPECT_EQ(RunWithoutRoot([&] { return failure(t.Path("ok.xml")); }),
              t.Path("ok.xml") + ": cannot read: Permission denied");
}

TEST(XmlDocument, CloseAndNewSourcesLeaveHeldNodesUsable) {
    XMLDocument doc;
    const XMLNode first = rootOf(doc, "<one v='1'/>");
    doc.SetXML("<two/>"); // closes
    EXPECT_FALSE(doc.Active());
    EXPECT_THROW(doc.DocumentElement(), XmlError);
    EXPECT_THROW(doc.SaveToText(), XmlError);
    EXPECT_EQ(first.Attribute("v"), "1"); // the old tree lives on in the handle
    doc.Open();
    EXPECT_EQ(doc.DocumentElement().NodeName(), "two");
    doc.Open(); // open already: not parsed again, so changes stay
    doc.DocumentElement().AddChild("kept");
    doc.Open();
    EXPECT_EQ(doc.DocumentElement().ChildNodes().Count(), 1);
    doc.Close();
    doc.Open(); // the source is parsed afresh
    EXPECT_EQ(doc.DocumentElement().ChildNodes().Count(), 0);

    EXPECT_THROW(doc.LoadFromXML("<broken"), XmlParseError);
    EXPECT_FALSE(doc.Active());
}
