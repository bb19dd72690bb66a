// SPDX-License-Identifier: GPL-3.0-or-later
#include "ExportTestSupport.h"

#include "rows/GridRows.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace nullsweep::test {

PVirtualNode AddTestRow(TVirtualStringTree& grid, PVirtualNode parent, FieldTexts fields) {
    PrepareRowData(grid);
    PVirtualNode node = AddRow(grid, parent);
    if (fields.size() == 0) return node;
    std::string name, path;
    std::uint64_t size = 0;
    bool hasPath = false;
    for (const auto& [field, text] : fields) {
        if (field == FieldId::FileName) name = text;
        if (field == FieldId::FullPath) path = text, hasPath = true;
        if (field == FieldId::FileSize) size = std::stoull(text);
        if (field != FieldId::FileName && field != FieldId::FullPath && field != FieldId::FileSize)
            throw std::invalid_argument("a row holds no text of its own for that field");
    }
    if (!hasPath) path = name;
    if (!path.ends_with(name)) throw std::invalid_argument("a name is the end of its path");
    RowFacts facts;
    facts.size = size;
    RowOf(node) = TResultRow(path, name.size(), facts);
    return node;
}

void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

namespace {

std::string quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    out += '\'';
    return out;
}

int hexDigit(char c) {
    return c <= '9' ? c - '0' : c - 'a' + 10;
}

} // namespace

std::string RunPython(const std::string& script, const std::vector<std::string>& args) {
    std::string command = "python3 -c " + quoted(script);
    for (const std::string& arg : args) {
        command += ' ';
        command += quoted(arg);
    }
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) {
        ADD_FAILURE() << "cannot start python3";
        return {};
    }
    std::string out;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, n);
    const int status = ::pclose(pipe);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "python3 failed: " << out;
    return out;
}

std::vector<std::vector<std::string>> DecodeHexTable(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::vector<std::string> row;
        std::istringstream fields(line);
        std::string hex;
        while (fields >> hex) {
            if (hex == "-") hex.clear(); // an empty field
            std::string bytes;
            for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
                bytes += char(hexDigit(hex[i]) * 16 + hexDigit(hex[i + 1]));
            row.push_back(bytes);
        }
        rows.push_back(row);
    }
    return rows;
}

} // namespace nullsweep::test
