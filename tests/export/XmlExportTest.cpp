// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/XmlExport.h"
#include "ExportTestSupport.h"
#include "export/ExportFile.h"
#include "export/FileInfo.h"
#include "rows/GridRows.h"
#include "scan/RowText.h"
#include "scan/Scan.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace nullsweep;
using namespace nullsweep::test;

namespace {

// Parses an export with Python's expat-based parser and prints one line per "file" element in
// document order: its depth, then each attribute as name=hex(UTF-8 value).
const char* const ReadElements = R"(
import sys
import xml.etree.ElementTree as ET
root = ET.parse(sys.argv[1]).getroot()
assert root.tag == 'fileinfo', root.tag
print('root', *sorted(k + '=' + v for k, v in root.attrib.items()))
def walk(element, depth):
    for child in element:
        assert child.tag == 'file' and not (child.text or '').strip(), child.tag
        print(depth, *(k + '=' + v.encode('utf-8').hex() for k, v in child.attrib.items()))
        walk(child, depth + 1)
walk(root, 1)
)";

std::string hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes)
        out += {digits[c >> 4], digits[c & 15]};
    return out;
}

// What ReadElements prints for an element at `depth` with only a file name.
// The line of a row from AddTestRow with this name and no extension.
std::string fileLine(int depth, const std::string& name) {
    const std::string epoch = hex(std::string(RowText().TimeText(0)));
    return std::to_string(depth) + " FileName=" + hex(name) + " FullPath=" + hex(name) +
           " FileSize=" + hex("0") + " FileType=" + hex("file") + " CreateTime=" + epoch +
           " AccessTime=" + epoch + " WriteTime=" + epoch;
}

struct XmlFixture : ::testing::Test {
    // Runs the window's XML export into out.xml and returns what Python read from it.
    std::vector<std::string> exportAndRead() {
        shell.savePath = t.Path("out.xml");
        info.InitDocument();
        info.GatherInfo(ExportRowsOf(grid));
        EXPECT_TRUE(info.ExportToXML(""));
        std::vector<std::string> lines;
        std::istringstream text(RunPython(ReadElements, {t.Path("out.xml")}));
        for (std::string line; std::getline(text, line);)
            lines.push_back(line);
        return lines;
    }
    TempTree t;
    TVirtualStringTree grid;
    FakeExportShell shell;
    XMLDocument doc;
    TFileInfo info{&doc};
};

} // namespace

TEST_F(XmlFixture, ScannedRowsCarryTheirNonEmptyFieldsInFieldOrder) {
    TempTree scanned;
    scanned.File("one.txt");
    scanned.File("plain");
    ScanFolder(grid, scanned.Root());
    info.Columns = {"File Name"}; // hidden columns are exported all the same
    const auto lines = exportAndRead();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "root generated=" + std::string(MakerAddress));
    for (const std::string& line : {lines[1], lines[2]}) {
        std::string names;
        for (std::size_t at = line.find(' '); at != std::string::npos; at = line.find(' ', at + 1))
            names += line.substr(at + 1, line.find('=', at) - at - 1) + " ";
        const bool hasExt = line.find(hex(scanned.Path("one.txt"))) != std::string::npos;
        EXPECT_EQ(names, hasExt ? "FileName FullPath FileSize FileExt FileType CreateTime "
                                  "AccessTime WriteTime "
                                : "FileName FullPath FileSize FileType CreateTime AccessTime "
                                  "WriteTime ")
            << line;
    }
}

// Each field's attribute is its name without blanks; a row writes the fields it has a text for.
TEST_F(XmlFixture, EveryFieldHasItsNameWithoutBlanks) {
    const std::array<std::string, FieldCount> names = {
        "FileName",       "FullPath",       "FileSize",       "FileExt",        "FileType",
        "Description",    "FileNameLength", "PathNameLength", "SizePercentage", "CatalogName",
        "CreateTime",     "AccessTime",     "WriteTime",      "DOSName",        "FileCount",
        "CreateAgeRange", "AccessAgeRange", "WriteAgeRange",  "SizeRange"};
    EXPECT_EQ(XmlAttributeNames(), names);
    AddTestRow(
        grid, nullptr,
        {{FieldId::FullPath, "/d/v.e"}, {FieldId::FileName, "v.e"}, {FieldId::FileSize, "7"}});
    const std::string epoch = hex(std::string(RowText().TimeText(0)));
    EXPECT_EQ(exportAndRead().at(1), "1 FileName=" + hex("v.e") + " FullPath=" + hex("/d/v.e") +
                                         " FileSize=" + hex("7") + " FileExt=" + hex("e") +
                                         " FileType=" + hex("file") + " CreateTime=" + epoch +
                                         " AccessTime=" + epoch + " WriteTime=" + epoch);
}

TEST_F(XmlFixture, ChildRowsNestInsideTheirParentsElement) {
    PVirtualNode p = AddTestRow(grid, nullptr, {{FieldId::FileName, "p"}});
    AddTestRow(grid, nullptr, {{FieldId::FileName, "q"}});
    PVirtualNode c = AddTestRow(grid, p, {{FieldId::FileName, "c"}});
    AddTestRow(grid, c, {{FieldId::FileName, "g"}});
    AddTestRow(grid, p, {{FieldId::FileName, "d"}});
    const auto lines = exportAndRead();
    EXPECT_EQ(lines,
              (std::vector<std::string>{lines.at(0), fileLine(1, "p"), fileLine(2, "c"),
                                        fileLine(3, "g"), fileLine(2, "d"), fileLine(1, "q")}));
}

TEST_F(XmlFixture, EachExportHoldsOnlyItsOwnRows) {
    AddTestRow(grid, nullptr, {{FieldId::FileName, "first"}});
    const auto first = exportAndRead();
    grid.Clear();
    AddTestRow(grid, nullptr, {{FieldId::FileName, "second"}});
    info.GatherInfo(
        ExportRowsOf(grid)); // gathering again without a reset still starts from no rows
    const auto second = exportAndRead();
    ASSERT_EQ(first.size(), 2u);
    EXPECT_EQ(first[1], fileLine(1, "first"));
    EXPECT_EQ(second, (std::vector<std::string>{first[0], fileLine(1, "second")}));
}

TEST_F(XmlFixture, NamesThatAreNotUtf8OrNotXmlCharactersStillGiveWellFormedXml) {
    AddTestRow(grid, nullptr, {{FieldId::FileName, "bad\xff\xfe"}});
    // Control characters and the noncharacters U+FFFE and U+FFFF: no XML may hold them.
    AddTestRow(grid, nullptr, {{FieldId::FileName, "ctl\x01\x1f\xef\xbf\xbe\xef\xbf\xbf"}});
    AddTestRow(grid, nullptr, {{FieldId::FileName, "<&\"'> caf\xc3\xa9 \xf0\x9f\x98\x80"}});
    AddTestRow(grid, nullptr, {{FieldId::FileName, "tab\tline\nreturn\r"}});
    const auto lines = exportAndRead();
    ASSERT_EQ(lines.size(), 5u);
    const std::string replacement = "\xef\xbf\xbd";
    EXPECT_EQ(lines[1], fileLine(1, "bad" + replacement + replacement));
    EXPECT_EQ(lines[2], fileLine(1, "ctl" + replacement + replacement + replacement + replacement));
    EXPECT_EQ(lines[3], fileLine(1, "<&\"'> caf\xc3\xa9 \xf0\x9f\x98\x80"));
    EXPECT_EQ(lines[4], fileLine(1, "tab\tline\nreturn\r"));
}

TEST_F(XmlFixture, FileIsUtf8WithTheTemplatesDeclaration) {
    AddTestRow(grid, nullptr, {{FieldId::FileName, "x"}});
    exportAndRead();
    const std::string file = ReadFile(t.Path("out.xml"));
    EXPECT_TRUE(file.starts_with("<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>"))
        << file;
    EXPECT_EQ(file.find("\n<file"), std::string::npos) << "no indentation between elements";
    EXPECT_EQ(shell.saveRequests.at(0).filter, "XML File (*.xml *.XML)");
    EXPECT_EQ(shell.saveRequests.at(0).defaultSuffix, "xml");
}

TEST_F(XmlFixture, WaitWindowTextsAndDeclinedOverwrite) {
    AddTestRow(grid, nullptr, {{FieldId::FileName, "x"}});
    WriteFile(t.Path("out.xml"), "old");
    RecordingWaitWindow wait;
    shell.savePath = t.Path("out.xml");
    shell.answerYes = false;
    info.InitDocument();
    info.GatherInfo(ExportRowsOf(grid));
    EXPECT_FALSE(info.ExportToXML(""));
    EXPECT_EQ(ReadFile(t.Path("out.xml")), "old");
    shell.answerYes = true;
    EXPECT_TRUE(info.ExportToXML(""));
    EXPECT_EQ(wait.calls, (std::vector<std::string>{"show", "text:Gathering info..", "hide", "show",
                                                    "text:Export to file..", "hide"}));
    EXPECT_NE(ReadFile(t.Path("out.xml")).find("FileName=\"x\""), std::string::npos);
}

TEST_F(XmlFixture, FailedSaveKeepsTheOldFile) {
    AddTestRow(grid, nullptr, {{FieldId::FileName, "x"}});
    t.Folder("locked");
    WriteFile(t.Path("locked/out.xml"), "old");
    t.Chmod("locked", 0555);
    info.InitDocument();
    info.GatherInfo(ExportRowsOf(grid));
    const std::string outcome = RunWithoutRoot([&] {
        try {
            info.SaveDocument(t.Path("locked/out.xml"));
            return std::string("saved");
        } catch (const ExportError& e) {
            return std::string(e.what());
        }
    });
    t.Chmod("locked", 0755);
    EXPECT_EQ(outcome, "cannot write " + t.Path("locked/out.xml") + ": Permission denied");
    EXPECT_EQ(ReadFile(t.Path("locked/out.xml")), "old");
    EXPECT_EQ(FolderEntries(t.Path("locked")), std::vector<std::string>{"out.xml"});
}
