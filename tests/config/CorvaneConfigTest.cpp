// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/CorvaneConfig.h"
#include "config/ColumnCheck.h"
#include "config/ConfigValues.h"
#include "config/DefaultConfig.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace nullsweep;
using nullsweep::test::TempTree;

namespace {

// The built-in document assembled from its description, piece by piece.
std::string expectedDefault() {
    struct Node {
        const char *name, *index, *width, *align;
    };
    const Node nodes[] = {
        {"         File Name", "0", "120", "left"}, {"Full Path", "1", "220", "left"},
        {"File Size", "2", "55", "right"},          {"File Ext", "3", "50", "right"},
        {"Create Time", "4", "110", "right"},       {"Access Time", "5", "110", "right"},
        {"Write Time", "6", "110", "right"}};
    std::vector<std::pair<int, std::string>> pieces = {
        {0, R"(<?xml version="1.0" encoding="utf-8"?>)"},
        {0, R"(<config versionNo="2">)"},
        {1, R"(<frame max="True" left="0" top="0" height="600" width="800">)"},
        {2, R"(<plLeft width="308" col1="127" col2="106" col3="76"/>)"},
        {2, R"(<plHint height="262" col1="139" col2="139"/>)"},
        {1, "</frame>"},
        {1, "<nodes>"}};
    for (const Node& n : nodes) {
        std::string element = "<node";
        for (const auto& [attribute, value] :
             std::vector<std::pair<std::string, std::string>>{{"Name", n.name},
                                                              {"Visible", "True"},
                                                              {"Index", n.index},
                                                              {"DefaultExport", "True"},
                                                              {"Width", n.width},
                                                              {"ReadOnly", "True"},
                                                              {"Align", n.align}})
            element += " " + attribute + "=\"" + value + "\"";
        pieces.emplace_back(2, element + "/>");
    }
    pieces.emplace_back(1, "</nodes>");
    pieces.emplace_back(0, "</config>");
    std::string text;
    for (const auto& [tabs, piece] : pieces)
        text += std::string(tabs, '\t') + piece;
    return text;
}

std::string errorOf(const std::function<void()>& work) {
    try {
        work();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "no error";
}

const std::string NullToInteger = "Could not convert variant of type (Null) into type (Integer)";
const std::string StringToInteger =
    "Could not convert variant of type (String) into type (Integer)";
const std::string NullToBoolean = "Could not convert variant of type (Null) into type (Boolean)";
const std::string StringToBoolean =
    "Could not convert variant of type (String) into type (Boolean)";

} // namespace

TEST(DefaultConfig, IsTheDescribedDocumentByteForByte) {
    EXPECT_EQ(DefaultConfigText.size(), 1064u);
    EXPECT_EQ(std::string(DefaultConfigText), expectedDefault());
    EXPECT_EQ(std::count(DefaultConfigText.begin(), DefaultConfigText.end(), '\t'), 22);
}

TEST(DefaultConfig, BindsToSevenVisibleColumnsAndTheFrame) {
    const TXMLConfigType root = ConfigDocumentFromText(std::string(DefaultConfigText));
    EXPECT_EQ(root.versionNo(), 2);
    const TXMLNodesType nodes = root.nodes();
    ASSERT_EQ(nodes.Count(), 7);
    const std::vector<std::string> names = {"         File Name", "Full Path",   "File Size",
                                            "File Ext",           "Create Time", "Access Time",
                                            "Write Time"};
    const int widths[] = {120, 220, 55, 50, 110, 110, 110};
    for (int i = 0; i < 7; ++i) {
        const TXMLNodeType node = nodes.Item(i);
        EXPECT_EQ(node.Name(), names[std::size_t(i)]);
        EXPECT_EQ(node.Width(), widths[i]);
        EXPECT_EQ(node.Index(), i);
        EXPECT_EQ(node.Align(), i < 2 ? "left" : "right");
        EXPECT_TRUE(node.Visible());
        EXPECT_TRUE(node.ReadOnly());
        EXPECT_TRUE(node.DefaultExport());
    }
    const TXMLFrameType frame = root.frame();
    EXPECT_TRUE(frame.max());
    EXPECT_EQ(frame.left(), "0");
    EXPECT_EQ(frame.top(), "0");
    EXPECT_EQ(frame.height(), 600);
    EXPECT_EQ(frame.width(), 800);
    EXPECT_EQ(frame.plLeft().width(), 308);
    EXPECT_EQ(frame.plLeft().col3(), 76);
    EXPECT_EQ(frame.plHint().height(), 262);
    EXPECT_EQ(frame.plHint().col2(), 139);
    EXPECT_EQ(root.agerange().Count(), 0); // absent: created empty in memory
    EXPECT_EQ(root.sizerange().Count(), 0);
}

TEST(ConfigValues, BooleansAndIntegersConvertOrFailWithTheConversionError) {
    for (const auto& [text, value] : std::vector<std::pair<std::string, bool>>{{"True", true},
                                                                               {"false", false},
                                                                               {"tRuE", true},
                                                                               {"FALSE", false},
                                                                               {"1", true},
                                                                               {"-1", true},
                                                                               {"0", false},
                                                                               {"2.5", true},
                                                                               {"0.0", false}})
        EXPECT_EQ(BooleanFromText(text), value) << text;
    EXPECT_EQ(errorOf([] { BooleanFromText(""); }), NullToBoolean);
    for (const char* text : {"maybe", "yes", "Tru", " True", "nan", "inf", "1e999", "."})
        EXPECT_EQ(errorOf([&] { BooleanFromText(text); }), StringToBoolean) << text;

    for (const auto& [text, value] :
         std::vector<std::pair<std::string, int>>{{"120", 120},
                                                  {"-5", -5},
                                                  {"+7", 7},
                                                  {"007", 7},
                                                  {"2147483647", 2147483647},
                                                  {"-2147483648", -2147483647 - 1}})
        EXPECT_EQ(IntegerFromText(text), value) << text;
    EXPECT_EQ(errorOf([] { IntegerFromText(""); }), NullToInteger);
    for (const char* text :
         {"2147483648", "-2147483649", "12px", " 1", "1 ", "1.0", "0x10", "+-1", "+", "-"})
        EXPECT_EQ(errorOf([&] { IntegerFromText(text); }), StringToInteger) << text;
    EXPECT_EQ(BooleanText(true), "True");
    EXPECT_EQ(BooleanText(false), "False");
    EXPECT_EQ(IntegerText(-42), "-42");
}

TEST(CorvaneConfig, GettersConvertAndSettersWriteTextForms) {
    const TXMLConfigType root = ConfigDocumentFromText(
        "<config><nodes><node Name=' x ' Width='' Visible='maybe' Extra='kept'/></nodes></config>");
    const TXMLNodeType node = root.nodes().Item(0);
    EXPECT_EQ(node.Name(), " x "); // text is not trimmed
    EXPECT_EQ(node.Align(), "");   // absent text reads empty
    EXPECT_EQ(errorOf([&] { node.Width(); }), NullToInteger);
    EXPECT_EQ(errorOf([&] { node.Index(); }), NullToInteger);
    EXPECT_EQ(errorOf([&] { node.Visible(); }), StringToBoolean);
    EXPECT_EQ(errorOf([&] { root.versionNo(); }), NullToInteger);

    node.Width(-3);
    node.Visible(false);
    node.ReadOnly(true);
    node.Index(4);
    node.Align("center");
    root.versionNo(9);
    root.frame().max(false);
    root.frame().left("12");
    root.frame().plHint().col1(5);
    EXPECT_EQ(node.Width(), -3);
    EXPECT_FALSE(node.Visible());
    EXPECT_EQ(node.Element().Attribute("Visible"), "False");
    EXPECT_EQ(node.Element().Attribute("ReadOnly"), "True");
    EXPECT_EQ(node.Element().Attribute("Extra"), "kept");
    EXPECT_EQ(root.versionNo(), 9);
    EXPECT_EQ(root.frame().Element().Attribute("max"), "False");
    EXPECT_EQ(root.frame().plHint().col1(), 5);
    EXPECT_EQ(root.frame().left(), "12");
    EXPECT_EQ(root.Element().ChildNodes().Count(), 2); // nodes, and frame created once
}

TEST(CorvaneConfig, CollectionsCountOnlyTheirItemsAndEditInPlace) {
    const TXMLConfigType root = ConfigDocumentFromText(
        "<config><agerange><other/><item label='a' value='1'/>note<item label='b' value='2'/>"
        "</agerange></config>");
    const TXMLAgerangeType ages = root.agerange();
    ASSERT_EQ(ages.Count(), 2);
    EXPECT_EQ(ages.Item(1).label(), "b");
    EXPECT_EQ(errorOf([&] { ages.Item(2); }), "List index out of bounds (2)");
    EXPECT_EQ(errorOf([&] { ages.Item(-1); }), "List index out of bounds (-1)");

    const auto labels = [&] {
        std::string s;
        for (int i = 0; i < ages.Count(); ++i)
            s += ages.Item(i).label() + ",";
        return s;
    };
    ages.Add().label("c");
    ages.Insert(0).label("first");
    ages.Insert(2).label("mid");
    ages.Insert(ages.Count()).label("last");
    EXPECT_EQ(labels(), "first,a,mid,b,c,last,");
    EXPECT_EQ(errorOf([&] { ages.Insert(7); }), "List index out of bounds (7)");
    EXPECT_EQ(ages.Item(2).Element().NodeName(), "item");
    EXPECT_EQ(errorOf([&] { ages.Item(2).value(); }), NullToInteger);

    ages.Delete(0);
    EXPECT_EQ(ages.Remove(ages.Item(2)), 2);
    EXPECT_EQ(labels(), "a,mid,c,last,");
    // Reading by index remembers its place; a change through another view must not mislead it.
    EXPECT_EQ(ages.Item(3).label(), "last");
    root.agerange().Delete(1);
    EXPECT_EQ(ages.Count(), 3);
    EXPECT_EQ(ages.Item(2).label(), "last");
    root.agerange().Insert(1).label("back");
    EXPECT_EQ(labels(), "a,back,c,last,");
    const TXMLItemType foreign = root.sizerange().Add();
    EXPECT_EQ(ages.Remove(foreign), -1);
    EXPECT_EQ(root.sizerange().Count(), 1);
    EXPECT_EQ(errorOf([&] { ages.Delete(4); }), "List index out of bounds (4)");

    ages.Clear();
    EXPECT_EQ(ages.Count(), 0);
    EXPECT_EQ(ages.Element().ChildNodes().Count(), 2); // <other/> and the text stay
}

TEST(CorvaneConfig, ViewsKeepTheDocumentAlive) {
    TXMLNodeType node;
    {
        TempTree t;
        t.File("c.xml", "<config><nodes><node Name='kept' Width='5'/></nodes></config>");
        node = OpenConfigDocument(t.Path("c.xml")).nodes().Item(0);
    }
    EXPECT_EQ(node.Name(), "kept");
    EXPECT_EQ(node.Width(), 5);
}

TEST(CorvaneConfig, RootMustBeConfigAndMissingSectionsAreEmpty) {
    TempTree t;
    t.File("other.xml", "<settings><nodes/></settings>");
    EXPECT_EQ(errorOf([&] { OpenConfigDocument(t.Path("other.xml")); }),
              t.Path("other.xml") + ": the root element is \"settings\", not \"config\"");
    EXPECT_EQ(ConfigDocumentFromText("<config/>").nodes().Count(), 0);
    EXPECT_EQ(ConfigDocumentFromText("<config><nodes/></config>").nodes().Count(), 0);
}

TEST(ColumnCheck, NamesTheFileTheColumnAndTheAttribute) {
    const auto check = [](const std::string& nodes) {
        return errorOf([&] {
            CheckColumnEntries(
                ConfigDocumentFromText("<config><nodes>" + nodes + "</nodes></config>"),
                "/etc/c.xml");
        });
    };
    const std::string good = "<node Name='A' Width='1' ReadOnly='0' Index='0' Visible='1'/>";
    EXPECT_EQ(check(good), "no error");
    // An Index beyond the columns is no error: that column just goes last.
    EXPECT_EQ(check("<node Name='A' Width='1' ReadOnly='0' Index='99' Visible='1'/>"), "no error");
    EXPECT_EQ(check(good + "<node Name='B' ReadOnly='0' Index='0' Visible='1'/>"),
              "/etc/c.xml: column 2 (\"B\"): Width: " + NullToInteger);
    EXPECT_EQ(
        check(good + "<node Name='C&#10;' Width='1' ReadOnly='0' Index='0' Visible='maybe'/>"),
        "/etc/c.xml: column 2 (\"C \"): Visible: " + StringToBoolean);
    EXPECT_EQ(check("<node Width='1' Index='0' Visible='1'/>"),
              "/etc/c.xml: column 1 (\"\"): ReadOnly: " + NullToBoolean);
    EXPECT_EQ(check("<node Width='1' ReadOnly='0' Index='x' Visible='1'/>"),
              "/etc/c.xml: column 1 (\"\"): Index: " + StringToInteger);
}

TEST(CorvaneConfig, BytesThatAreNotUtf8OrNotAllowedInXmlMakeTheFileMalformed) {
    TempTree t;
    t.File("bad-byte.xml", "<config>\n<nodes>\n<node Name='a\x81'/></nodes></config>");
    t.File("control.xml", "<config>\n<nodes><node Name='a\x1f'/></nodes></config>");
    t.File("reference.xml", "<config>\n<nodes><node Name='a&#1;'/></nodes></config>");
    EXPECT_EQ(errorOf([&] { OpenConfigDocument(t.Path("bad-byte.xml")); }),
              t.Path("bad-byte.xml") +
                  ": line 3: Byte 0x81 is not UTF-8 near \"\xEF\xBF\xBD'/></nodes></config>\"");
    EXPECT_EQ(errorOf([&] { OpenConfigDocument(t.Path("control.xml")); }),
              t.Path("control.xml") + ": line 2: Character U+001F is not allowed in XML near "
                                      "\" '/></nodes></config>\"");
    EXPECT_NE(errorOf([&] { OpenConfigDocument(t.Path("reference.xml")); }).find("line 2"),
              std::string::npos);
    // A file that says it is in another encoding is read in it.
    t.File("latin1.xml", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>"
                         "<config><nodes><node Name='caf\xe9'/></nodes></config>");
    EXPECT_EQ(OpenConfigDocument(t.Path("latin1.xml")).nodes().Item(0).Name(), "caf\xc3\xa9");
}
