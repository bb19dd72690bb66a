// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/WorkbookFile.h"

#include "config/XmlText.h"
#include "export/ExportOutput.h"
#include "export/QuietStandardError.h"
#include "export/WorkbookText.h"
#include "fs/PathParts.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <optional>
#include <stdexcept>
#include <tuple>
#include <utility>

namespace nullsweep {
namespace {

// The widest column a spreadsheet allows, in characters.
constexpr double MaxColumnWidth = 255;

struct CellStyle {
    std::uint8_t horizontal = LXW_ALIGN_NONE; // as HorizontalAlignOf gives it
    std::uint8_t vertical = LXW_ALIGN_NONE;
    bool bold = false;
    bool border = false;

    bool IsDefault() const { return *this == CellStyle{}; }
    bool operator==(const CellStyle&) const = default;
    auto Key() const { return std::tuple(int(horizontal), int(vertical), bold, border); }
};

class WorkbookWriter {
  public:
    WorkbookWriter(const SheetModel& sheet, const std::string& path, const std::string& shown)
        : sheet_(sheet), path_(path), shown_(shown.empty() ? path : shown) {}
    ~WorkbookWriter() {
        if (book_) lxw_workbook_free(book_);
    }

    void Write() {
        // Constant-memory mode keeps one row in memory; its row data goes to a temporary file
        // beside the target rather than to /tmp, which may be memory. A workbook written in
        // memory for a device (a path in /proc) leaves it to the library's unnamed file.
        const std::string_view cut = CutPath(path_).folder;
        std::string folder(cut.empty() ? std::string_view(".") : cut);
        lxw_workbook_options options{};
        options.constant_memory = 1;
        options.tmpdir = folder.starts_with("/proc/") ? nullptr : folder.data();
        options.use_zip64 = NeedsZip64();
        book_ = workbook_new_opt(path_.c_str(), &options);
        if (!book_) Fail("the workbook could not be set up");
        sheetOut_ = workbook_add_worksheet(book_, nullptr);
        if (!sheetOut_) Fail("the sheet could not be added");

        FindExtent();
        SetColumnWidths();
        for (std::uint32_t row = 0; used_ && row <= lastRow_; ++row)
            WriteRow(row);

        lxw_workbook* book = std::exchange(book_, nullptr);
        errno = 0;
        Check(workbook_close(book)); // frees the workbook whatever the outcome
    }

  private:
    [[noreturn]] void Fail(const std::string& reason) const {
        throw ExportError("cannot write " + shown_ + ": " + reason);
    }
    void Check(lxw_error error) const {
        // A failed write of the file itself leaves its reason (a full disk) in errno.
        if (error == LXW_ERROR_ZIP_FILE_OPERATION && errno != 0) Fail(std::strerror(errno));
        if (error != LXW_NO_ERROR) Fail(lxw_strerror(error));
    }

    void FindExtent() {
        auto take = [this](const CellRange& range) {
            used_ = true;
            lastRow_ = std::max(lastRow_, range.bottom);
            lastColumn_ = std::max(lastColumn_, range.right);
        };
        for (const auto& block : sheet_.values)
            take(block.range);
        for (const auto& span : sheet_.styles)
            take(span.range);
        for (const auto& merge : sheet_.merges)
            take(merge);
    }

    // A zip member beyond 4 GB needs the ZIP64 extension; plain zip files are read by more
    // programs, so it is used only where the sheet may grow that large.
    bool NeedsZip64() const {
        double bytes = 0;
        for (const auto& block : sheet_.values) {
            double cells = double(block.range.Height()) * block.range.Width();
            if (block.values.Rows() * block.values.Columns() == 1) {
                bytes += cells * (48 + block.values.At(0, 0).size());
            } else {
                for (std::size_t r = 0; r < block.values.Rows(); ++r)
                    for (std::size_t c = 0; c < block.values.Columns(); ++c)
                        bytes += 48 + 1.2 * block.values.At(r, c).size();
            }
        }
        return bytes > 3.5e9;
    }

    // The text at a cell, NUL-terminated (SheetArray keeps it so), or nothing where no value
    // was set: the last assignment that covers the cell wins.
    std::optional<std::string_view> ValueAt(std::uint32_t row, std::uint32_t column) const {
        for (auto it = sheet_.values.rbegin(); it != sheet_.values.rend(); ++it) {
            if (!it->range.Contains(row, column)) continue;
            const SheetArray& values = it->values;
            if (values.Rows() * values.Columns() == 1) return values.At(0, 0);
            return values.At(row - it->range.top, column - it->range.left);
        }
        return std::nullopt;
    }

    CellStyle StyleAt(std::uint32_t row, std::uint32_t column) const {
        CellStyle style;
        for (const auto& span : sheet_.styles) {
            if (!span.range.Contains(row, column)) continue;
            switch (span.kind) {
            case StyleKind::HorizontalAlign:
                style.horizontal = std::uint8_t(span.value);
                break;
            case StyleKind::VerticalAlign:
                style.vertical = std::uint8_t(span.value);
                break;
            case StyleKind::Bold:
                style.bold = span.value != 0;
                break;
            case StyleKind::Border:
                style.border = span.value != 0;
                break;
            }
        }
        return style;
    }

    lxw_format* Format(const CellStyle& style) {
        if (style.IsDefault()) return nullptr;
        auto [it, added] = formats_.try_emplace(style.Key(), nullptr);
        if (!added) return it->second;
        lxw_format* format = workbook_add_format(book_);
        if (!format) Fail("a cell format could not be added");
        if (style.horizontal != LXW_ALIGN_NONE) format_set_align(format, style.horizontal);
        if (style.vertical != LXW_ALIGN_NONE) format_set_align(format, style.vertical);
        if (style.bold) format_set_bold(format);
        if (style.border) format_set_border(format, LXW_BORDER_THIN);
        return it->second = format;
    }

    void SetColumnWidths() {
        std::map<std::uint32_t, double> widths;
        for (const auto& range : sheet_.fittedColumns) {
            for (std::uint32_t column = range.left; column <= range.right; ++column) {
                double& width = widths[column];
                for (std::uint32_t row = range.top; row <= range.bottom; ++row)
                    if (const auto text = ValueAt(row, column))
                        width = std::max(width, FittedWidth(*text));
            }
        }
        for (auto [column, width] : widths)
            if (width > 0)
                Check(worksheet_set_column(sheetOut_, lxw_col_t(column), lxw_col_t(column),
                                           std::min(width, MaxColumnWidth), nullptr));
    }

    // The text as the workbook may hold it. Most texts are printable ASCII, which needs no
    // mending and so is not copied.
    const char* Valid(std::string_view text) {
        const bool plain =
            std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c < 0x7F; });
        if (plain && !NeedsWorkbookEscape(text)) return text.data();
        mended_ = EscapeWorkbookText(plain ? text : ValidXmlText(text));
        return mended_.c_str();
    }

    void WriteRow(std::uint32_t row) {
        for (std::uint32_t column = 0; column <= lastColumn_; ++column) {
            const std::optional<std::string_view> text = ValueAt(row, column);
            lxw_format* format = Format(StyleAt(row, column));
            // A merged range shows its first cell's text and format over all its cells.
            auto merge = std::find_if(sheet_.merges.rbegin(), sheet_.merges.rend(),
                                      [&](const CellRange& m) { return m.Contains(row, column); });
            if (merge != sheet_.merges.rend()) {
                if (merge->top == row && merge->left == column) {
                    Check(worksheet_merge_range(sheetOut_, row, lxw_col_t(column), merge->bottom,
                                                lxw_col_t(merge->right), text ? Valid(*text) : "",
                                                format));
                }
                continue;
            }
            if (text && !text->empty()) {
                Check(worksheet_write_string(sheetOut_, row, lxw_col_t(column), Valid(*text),
                                             format));
            } else if (format) {
                Check(worksheet_write_blank(sheetOut_, row, lxw_col_t(column), format));
            }
        }
    }

    const SheetModel& sheet_;
    const std::string& path_;
    const std::string& shown_;
    lxw_workbook* book_ = nullptr;
    lxw_worksheet* sheetOut_ = nullptr;
    bool used_ = false;
    std::uint32_t lastRow_ = 0;
    std::uint32_t lastColumn_ = 0;
    std::map<std::tuple<int, int, bool, bool>, lxw_format*> formats_;
    std::string mended_;
};

} // namespace

double FittedWidth(std::string_view text) {
    // Characters of the longest line, counted as UTF-8 lead bytes, plus room for the cell's
    // inner margins.
    double longest = 0, current = 0;
    for (unsigned char byte : text) {
        if (byte == '\n') {
            current = 0;
        } else if ((byte & 0xC0) != 0x80) {
            longest = std::max(longest, ++current);
        }
    }
    return longest == 0 ? 0 : longest + 1;
}

void SaveWorkbook(const SheetModel& sheet, const std::string& path, const std::string& shownName) {
    const QuietStandardError quiet; // the library's own lines say what our error says
    WorkbookWriter(sheet, path, shownName).Write();
}

} // namespace nullsweep
