// SPDX-License-Identifier: GPL-3.0-or-later
#include "ScanRun.h"
#include "cli/ScanCommand.h"
#include "config/DefaultConfig.h"
#include "desktop/DesktopShell.h"
#include "export/FileInfo.h"
#include "rows/GridRows.h"
#include "rows/RowSort.h"
#include "scan/Scan.h"
#include "support/TempTree.h"
#include "support/WorkbookReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using namespace nullsweep;
using nullsweep::test::TempTree;
using namespace nullsweep::test;

namespace {

// Saves through the window's writer: the dialog answers `path`.
class SaveAs final : public DesktopShell {
  public:
    explicit SaveAs(std::string path) : path_(std::move(path)) { previous_ = SetShell(this); }
    ~SaveAs() override { SetShell(previous_); }
    std::string SelectFolder() override { return {}; }
    void OpenFolder(const std::string&) override {}
    void OpenUrl(const std::string&) override {}
    bool AskYesNo(const std::string&, const std::string&) override { return true; }
    void ShowMessage(const std::string&, const std::string&, MessageIcon) override {}
    std::string SaveFileName(const SaveFileRequest&) override { return path_; }

  private:
    std::string path_;
    DesktopShell* previous_;
};

const std::vector<std::string> DefaultColumns = {"         File Name", "Full Path",   "File Size",
                                                 "File Ext",           "Create Time", "Access Time",
                                                 "Write Time"};

} // namespace

TEST(ScanExport, FileHoldsExactlyWhatTheWindowWouldExport) {
    TempTree t;
    t.File("a/x.txt");
    t.File("a/b/y, with comma");
    t.File("z.tar.gz");
    TempTree out;
    for (const std::string format : {"text", "csv", "html", "xml"}) {
        const std::string cliFile = out.Path("cli." + format);
        const ScanRun r = RunScan({"-q", "-f", format, "-o", cliFile, t.Root()});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, "");

        TVirtualStringTree grid;
        ScanFolder(grid, t.Root());
        // Open Folder ends with the sort by "File Name" before any header click.
        SortRows(grid, -1, int(FieldId::FileName), sdAscending);
        const std::string windowFile = out.Path("cli.window." + format);
        SaveAs shell(windowFile);
        XMLDocument document;
        TFileInfo info(&document);
        info.Columns = DefaultColumns;
        if (format == "xml") {
            info.InitDocument();
            info.GatherInfo(ExportRowsOf(grid));
            info.ExportToXML("");
        } else if (format == "text")
            info.ExportToText("", std::string(TextSeparator), ExportRowsOf(grid));
        else if (format == "csv")
            info.ExportToCSV("", ",", ExportRowsOf(grid));
        else
            info.ExportToHTML("", ExportRowsOf(grid));
        EXPECT_EQ(ReadFile(cliFile), ReadFile(windowFile)) << format;
        EXPECT_NE(ReadFile(cliFile).find(t.Path("a/b/y, with comma")), std::string::npos);
    }
}

TEST(ScanExport, StandardOutputGetsTheSameBytesWithAnEmptyTitle) {
    TempTree t;
    t.File("e");
    const ScanRun csv = RunScan({"-q", "--format=csv", t.Root()});
    EXPECT_EQ(csv.status, 0);
    EXPECT_TRUE(csv.out.starts_with("         File Name,Full Path,File Size,"));
    EXPECT_NE(csv.out.find("\r\ne," + t.Path("e") + ",0,,"), std::string::npos) << csv.out;

    const ScanRun html = RunScan({"-q", "-f", "html", t.Root()});
    EXPECT_NE(html.out.find("<H5 Align=center></H5>"), std::string::npos);
    const ScanRun named = RunScan({"-q", "-f", "html", "-o", t.Path("my.list.htm"), t.Root()});
    EXPECT_NE(ReadFile(t.Path("my.list.htm")).find("<H5 Align=center>my</H5>"), std::string::npos);
}

TEST(ScanExport, PathsCanGoToAFileToo) {
    TempTree t;
    t.File("e");
    const ScanRun r = RunScan({"-q", "-0", "--output", t.Path("list"), t.Root()});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(ReadFile(t.Path("list")), t.Path("e") + std::string(1, '\0'));
}

TEST(ScanExport, OutputThatCannotBeWrittenLeavesNothingBehind) {
    TempTree t;
    t.File("e");
    t.Folder("locked");
    std::ofstream(t.Path("locked/old.csv")) << "old";
    t.Chmod("locked", 0555);
    t.File("config.xml", std::string(DefaultConfigText));
    const std::string outcome = test::RunWithoutRoot([&] {
        const ScanRun r = RunScan({"-q", "-f", "csv", "-o", t.Path("locked/old.csv"), "--config",
                                   t.Path("config.xml"), t.Root()});
        return std::to_string(r.status) + "|" + r.err;
    });
    t.Chmod("locked", 0755);
    EXPECT_EQ(outcome, "1|nullsweep scan: cannot write " + t.Path("locked/old.csv") +
                           ": Permission denied\n");
    EXPECT_EQ(ReadFile(t.Path("locked/old.csv")), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(t.Path("locked")), {}), 1);

    const ScanRun missing = RunScan({"-q", "-f", "text", "-o", t.Path("none/list.txt"), t.Root()});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "nullsweep scan: cannot write " + t.Path("none/list.txt") +
                               ": No such file or directory\n");
}

TEST(ScanExport, HiddenColumnsAreLeftOutOfAllButTheXml) {
    TempTree t;
    t.File("e.txt");
    t.File("config.xml", "<config><nodes>"
                         "<node Name='Full Path' Visible='True' Width='1' ReadOnly='True' "
                         "Align='left' Index='0'/>"
                         "<node Name=' File Ext' Visible='False' Width='1' ReadOnly='True' "
                         "Align='left' Index='1'/>"
                         "<node Name='Bogus' Visible='True' Width='1' ReadOnly='True' "
                         "Align='left' Index='2'/></nodes></config>");
    const ScanRun csv = RunScan({"-q", "-f", "csv", "--config", t.Path("config.xml"), t.Root()});
    EXPECT_EQ(csv.out, "Full Path,Bogus,\r\n" + t.Path("e.txt") + ",e.txt\r\n") << csv.err;
    const ScanRun xml = RunScan({"-q", "-f", "xml", "--config", t.Path("config.xml"), t.Root()});
    EXPECT_NE(xml.out.find(" FileExt=\"txt\""), std::string::npos) << xml.out;
}

TEST(ScanExport, SpreadsheetNeedsAFileAndHoldsTheRows) {
    TempTree t;
    t.File("data/b.txt");
    t.File("data/sub/a");
    t.Folder("out");
    t.File("config.xml", std::string(DefaultConfigText));
    const ScanRun bare =
        RunScan({"-q", "-f", "xlsx", "--config", t.Path("config.xml"), t.Path("data")});
    EXPECT_EQ(bare.status, 2);
    EXPECT_EQ(bare.err,
              "nullsweep scan: the xlsx format needs -o FILE (try 'nullsweep scan --help')\n");
    EXPECT_EQ(bare.out, "");

    const std::string path = t.Path("out/empty files.v2.xlsx");
    const ScanRun r =
        RunScan({"-q", "-f", "xlsx", "-o", path, "--config", t.Path("config.xml"), t.Path("data")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    test::WorkbookReader book(path);
    EXPECT_EQ(book.Value("A1"), "empty files");
    EXPECT_EQ(book.Merged(), std::vector<std::string>{"A1:H1"});
    EXPECT_EQ(book.Value("A2"), "SerialNO");
    EXPECT_EQ(book.Value("B2"), "         File Name");
    EXPECT_EQ(book.MaxRow(), 4);
    std::vector<std::string> names = {book.Value("B3"), book.Value("B4")};
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"a", "b.txt"}));
    EXPECT_EQ(book.Value("C3"),
              t.Path("data/" + std::string(book.Value("B3") == "a" ? "sub/a" : "b.txt")));
    EXPECT_EQ(book.Value("A4"), "2");
}

TEST(ScanExport, HelpNamesTheExportOptions) {
    const ScanRun r = RunScan({"--help"});
    for (const char* word : {"--output", "text", "csv", "html", "xml", "xlsx"})
        EXPECT_NE(r.out.find(word), std::string::npos) << word;
}
