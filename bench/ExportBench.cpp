// SPDX-License-Identifier: GPL-3.0-or-later
// Fills a grid with synthetic rows shaped like a scan's (or with the rows of a scan of a
// folder) and exports it once in one format.
// Prints the export's seconds and the output's size; bench/export runs it under GNU time.
#include "export/DelimitedText.h"
#include "export/FileInfo.h"
#include "export/HtmlPage.h"
#include "rows/GridRows.h"
#include "scan/ResultRow.h"
#include "scan/Scan.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>

using namespace nullsweep;

namespace {

const char* const Extensions[] = {"txt", "log", "gz", "", "JPEG", "cfg", "lock", "py"};

void fill(TVirtualStringTree& grid, long rows) {
    PrepareRowData(grid);
    grid.BeginUpdate();
    for (long i = 0; i < rows; ++i) {
        const std::string ext = Extensions[i % 8];
        std::string name = (i % 50 == 0   ? "r\xc3\xa9sum\xc3\xa9 "
                            : i % 97 == 0 ? "a, b "
                                          : "file_") +
                           std::to_string(i) + (ext.empty() ? "" : "." + ext);
        const std::string folder = "/home/user/projects/dir_" + std::to_string(i / 1000 % 100) +
                                   "/sub_" + std::to_string(i / 100 % 10) + "/";
        // Times spread over a month, as files made together share their days.
        const std::int64_t seconds = 1709251200 + std::int64_t(i % 28) * 86400 +
                                     std::int64_t(i % 10 + 10) * 3600 + (i % 6 + 20) * 60 + i % 10;
        RowFacts facts;
        facts.accessed.seconds = seconds;
        facts.written.seconds = seconds;
        facts.identity.birth = seconds;
        facts.identity.hasBirth = 1;
        const std::string path = folder + name;
        PVirtualNode node = AddRow(grid, nullptr);
        RowOf(node) = TResultRow(path, name.size(), facts);
        grid.SetCheckState(node, csCheckedNormal);
    }
    grid.EndUpdate();
}

const ExportColumns Columns = {"         File Name", "Full Path",   "File Size", "File Ext",
                               "Create Time",        "Access Time", "Write Time"};

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: export_bench none|text|csv|html|xml|xlsx ROWS|FOLDER FILE\n");
        return 2;
    }
    const std::string format = argv[1];
    const std::string path = argv[3];
    TVirtualStringTree grid;
    struct stat folder {};
    if (::stat(argv[2], &folder) == 0 && S_ISDIR(folder.st_mode)) {
        grid.BeginUpdate();
        PrepareRowData(grid);
        ScanFolder(grid, argv[2]);
        grid.EndUpdate();
    } else {
        fill(grid, std::atol(argv[2]));
    }

    const auto start = std::chrono::steady_clock::now();
    try {
        if (format == "text")
            ReplaceFile(path, [&](ByteSink& s) {
                WriteDelimited(s, ExportRowsOf(grid), Columns, {TextSeparator, false, true});
            });
        else if (format == "csv")
            ReplaceFile(path, [&](ByteSink& s) {
                WriteDelimited(s, ExportRowsOf(grid), Columns, {CsvSeparator, true, true});
            });
        else if (format == "html")
            ReplaceFile(path,
                        [&](ByteSink& s) { WriteHTML(s, ExportRowsOf(grid), Columns, "bench"); });
        else if (format == "xml") {
            XMLDocument document;
            TFileInfo info(&document);
            info.InitDocument();
            info.GatherInfo(ExportRowsOf(grid));
            info.SaveDocument(path);
        } else if (format == "xlsx") {
            XMLDocument document;
            TFileInfo info(&document);
            info.Columns = Columns;
            info.InitDocument();
            info.GatherInfo(ExportRowsOf(grid));
            info.SaveSpreadsheet(path);
        } else if (format != "none") {
            std::fprintf(stderr, "unknown format %s\n", format.c_str());
            return 2;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    struct stat st {};
    const long long size = format == "none" || ::stat(path.c_str(), &st) != 0 ? 0 : st.st_size;
    std::printf("%.3f %lld\n", seconds, size);
    return 0;
}
