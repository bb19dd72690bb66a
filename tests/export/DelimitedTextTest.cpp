// SPDX-License-Identifier: GPL-3.0-or-later
#include "ExportTestSupport.h"
#include "export/ExportOutput.h"
#include "export/FileInfo.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

using namespace nullsweep;
using namespace nullsweep::test;

namespace {

const std::string PaddedFileName = "         File Name"; // as the default configuration has it

// Reads a CSV file with Python's csv module and prints each record as hex fields.
const char* const ReadCsv = R"(
import csv, sys
with open(sys.argv[1], newline='', encoding='latin-1') as f:
    for record in csv.reader(f):
        print(' '.join(field.encode('latin-1').hex() or '-' for field in record))
)";

// The text and CSV body as the exports write it.
std::string delimited(const TFileInfo& info, const std::string& separator,
                      const TVirtualStringTree& grid, bool csvQuoting = false) {
    StringSink body;
    WriteDelimited(body, ExportRowsOf(grid), info.Columns, {separator, csvQuoting, false});
    return std::move(body.text);
}

} // namespace

TEST(DelimitedText, HeaderKeepsNamesAsStoredWhileDataLinesFindTheirFields) {
    TVirtualStringTree grid;
    AddTestRow(
        grid, nullptr,
        {{FieldId::FileName, "a.txt"}, {FieldId::FullPath, "/d/a.txt"}, {FieldId::FileSize, "0"}});
    TFileInfo info;
    info.Columns = {PaddedFileName, " Write Time ", "File Size", "no such field"};
    EXPECT_EQ(delimited(info, ",", grid),
              "         File Name, Write Time ,File Size,no such field,\n"
              "a.txt,1 Jan 1970,0,a.txt\n");
    EXPECT_EQ(delimited(info, std::string(TextSeparator), grid),
              "         File Name           Write Time           File Size          "
              "no such field          \n"
              "a.txt          1 Jan 1970          0          a.txt\n");
}

TEST(DelimitedText, EveryRowInPreOrderWhateverItsCheckState) {
    TVirtualStringTree grid;
    PVirtualNode first = AddTestRow(grid, nullptr, {{FieldId::FileName, "1"}});
    AddTestRow(grid, nullptr, {{FieldId::FileName, "2"}});
    AddTestRow(grid, first, {{FieldId::FileName, "1.1"}});
    grid.SetCheckState(first, csUncheckedNormal);
    TFileInfo info;
    info.Columns = {"File Name"};
    EXPECT_EQ(delimited(info, ",", grid), "File Name,\n1\n1.1\n2\n");
}

TEST(DelimitedText, NoColumnsGiveAnEmptyHeaderAndOneEmptyLinePerRow) {
    TVirtualStringTree grid;
    AddTestRow(grid, nullptr, {{FieldId::FileName, "a"}});
    AddTestRow(grid, nullptr, {{FieldId::FileName, "b"}});
    TFileInfo info;
    EXPECT_EQ(delimited(info, ",", grid), "\n\n\n");
}

TEST(DelimitedText, CsvValuesWithSpecialCharactersReadBackUnchanged) {
    const std::vector<std::string> names = {"plain.txt",
                                            "comma,name",
                                            "quote\"d",
                                            "\"\"",
                                            "line\nbreak",
                                            "cr\rname",
                                            "crlf\r\n",
                                            " lead and trail ",
                                            "caf\xc3\xa9",
                                            "bad\xff"
                                            "byte",
                                            ""};
    TVirtualStringTree grid;
    for (const std::string& name : names)
        AddTestRow(grid, nullptr, {{FieldId::FileName, name + ".x,y"}});
    TempTree t;
    FakeExportShell shell;
    shell.savePath = t.Path("list.csv");
    TFileInfo info;
    info.Columns = {PaddedFileName, "File Ext", "Full Path"};
    ASSERT_TRUE(info.ExportToCSV("", ",", ExportRowsOf(grid)));

    const auto records = DecodeHexTable(RunPython(ReadCsv, {t.Path("list.csv")}));
    ASSERT_EQ(records.size(), names.size() + 1);
    // The header keeps its trailing separator, so it has one field more.
    EXPECT_EQ(records[0], (std::vector<std::string>{PaddedFileName, "File Ext", "Full Path", ""}));
    for (std::size_t i = 0; i < names.size(); ++i)
        EXPECT_EQ(records[i + 1],
                  (std::vector<std::string>{names[i] + ".x,y", "x,y", names[i] + ".x,y"}))
            << i;
}

TEST(DelimitedText, CsvQuotesOnlyWhatNeedsIt) {
    TVirtualStringTree grid;
    AddTestRow(grid, nullptr,
               {{FieldId::FileName, "say \"hi\""}, {FieldId::FullPath, "/p q/say \"hi\""}});
    TFileInfo info;
    info.Columns = {"Full Path", "File Name", "Name, with comma"};
    EXPECT_EQ(delimited(info, ",", grid, true), "Full Path,File Name,\"Name, with comma\",\n"
                                                "\"/p q/say \"\"hi\"\"\",\"say \"\"hi\"\"\",\"say "
                                                "\"\"hi\"\"\"\n");
    // The text format never quotes.
    EXPECT_EQ(
        delimited(info, "  ", grid, false),
        "Full Path  File Name  Name, with comma  \n/p q/say \"hi\"  say \"hi\"  say \"hi\"\n");
}
