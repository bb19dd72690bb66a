// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/SpreadsheetApp.h"

#include "export/ExportOutput.h"
#include "export/SheetModel.h"
#include "export/WorkbookFile.h"

#include <utility>

namespace nullsweep {
namespace {

struct WorkbookState {
    SheetModel sheet;
    bool closed = false;
};
using PWorkbook = std::shared_ptr<WorkbookState>;

[[noreturn]] void NoMember(std::string_view object, std::string_view member) {
    throw AutomationError(std::string(object) + " has no member \"" + std::string(member) +
                          "\" taking these arguments");
}

void ExpectArgs(const std::vector<Variant>& args, std::size_t count, std::string_view object,
                std::string_view member) {
    if (args.size() != count) NoMember(object, member);
}

long long NumberArg(const Variant& arg, std::string_view member) {
    if (const auto* number = std::get_if<long long>(&arg)) return *number;
    throw AutomationError("\"" + std::string(member) + "\" needs a number");
}

std::string TextArg(const Variant& arg, std::string_view member) {
    if (const auto* text = std::get_if<std::string>(&arg)) return *text;
    throw AutomationError("\"" + std::string(member) + "\" needs a text");
}

WorkbookState& Open(const PWorkbook& book) {
    if (book->closed) throw AutomationError("The workbook has been closed");
    return *book;
}

// A range's Font (Bold) or Borders (LineStyle): each puts one style on the range.
class StyleObject : public Dispatch {
  public:
    StyleObject(PWorkbook book, CellRange range, StyleKind kind)
        : book_(std::move(book)), range_(range), kind_(kind) {}
    AutoObject Invoke(std::string_view member, std::vector<Variant>) override {
        NoMember(name(), member);
    }
    void Put(std::string_view member, Variant value) override {
        const int setting = kind_ == StyleKind::Bold ? bold(member, value) : border(member, value);
        Open(book_).sheet.styles.push_back({range_, kind_, setting});
    }

  private:
    const char* name() const { return kind_ == StyleKind::Bold ? "Font" : "Borders"; }
    int bold(std::string_view member, const Variant& value) const {
        const auto* bold = std::get_if<bool>(&value);
        if (!IsMember(member, "Bold") || !bold) NoMember(name(), member);
        return *bold ? 1 : 0;
    }
    int border(std::string_view member, const Variant& value) const {
        if (!IsMember(member, "LineStyle")) NoMember(name(), member);
        const long long style = NumberArg(value, member);
        constexpr long long continuous = 1, none = -4142;
        if (style != continuous && style != none)
            throw AutomationError("Borders: line style " + std::to_string(style) +
                                  " is not offered");
        return style == continuous ? 1 : 0;
    }

    PWorkbook book_;
    CellRange range_;
    StyleKind kind_;
};

class RangeObject : public Dispatch {
  public:
    enum class Part { Cells, Columns, Rows };

    RangeObject(PWorkbook book, CellRange range, Part part = Part::Cells)
        : book_(std::move(book)), range_(range), part_(part) {}

    AutoObject Invoke(std::string_view member, std::vector<Variant> args) override {
        ExpectArgs(args, 0, "Range", member);
        SheetModel& sheet = Open(book_).sheet;
        if (IsMember(member, "Font"))
            return AutoObject(std::make_shared<StyleObject>(book_, range_, StyleKind::Bold));
        if (IsMember(member, "Borders"))
            return AutoObject(std::make_shared<StyleObject>(book_, range_, StyleKind::Border));
        if (IsMember(member, "Columns"))
            return AutoObject(std::make_shared<RangeObject>(book_, range_, Part::Columns));
        if (IsMember(member, "Rows"))
            return AutoObject(std::make_shared<RangeObject>(book_, range_, Part::Rows));
        if (IsMember(member, "Merge")) {
            // Rows are written one after the other, never revisited, so a merge stays in one
            // row. Merging one cell leaves it as it is.
            if (range_.Height() > 1)
                throw AutomationError("Merge: ranges over several rows are not offered");
            if (range_.Width() > 1) sheet.merges.push_back(range_);
            return {};
        }
        if (IsMember(member, "AutoFit") && part_ != Part::Cells) {
            if (part_ == Part::Columns) sheet.fittedColumns.push_back(range_);
            return {};
        }
        NoMember("Range", member);
    }

    void Put(std::string_view member, Variant value) override {
        SheetModel& sheet = Open(book_).sheet;
        if (IsMember(member, "Value")) {
            sheet.values.push_back({range_, ValueArray(std::move(value))});
        } else if (IsMember(member, "HorizontalAlignment")) {
            const long long constant = NumberArg(value, member);
            sheet.styles.push_back(
                {range_, StyleKind::HorizontalAlign,
                 Alignment(HorizontalAlignOf(constant), constant, "HorizontalAlignment")});
        } else if (IsMember(member, "VerticalAlignment")) {
            const long long constant = NumberArg(value, member);
            sheet.styles.push_back(
                {range_, StyleKind::VerticalAlign,
                 Alignment(VerticalAlignOf(constant), constant, "VerticalAlignment")});
        } else {
            NoMember("Range", member);
        }
    }

  private:
    SheetArray ValueArray(Variant value) const {
        if (auto* text = std::get_if<std::string>(&value)) {
            SheetArray one(1, 1);
            one.Set(0, 0, *text);
            return one;
        }
        if (auto* array = std::get_if<SheetArray>(&value)) {
            if (array->Rows() != range_.Height() || array->Columns() != range_.Width())
                throw AutomationError("Value: an array of " + std::to_string(array->Rows()) +
                                      " x " + std::to_string(array->Columns()) +
                                      " texts for a range of " + std::to_string(range_.Height()) +
                                      " x " + std::to_string(range_.Width()) + " cells");
            return std::move(*array);
        }
        throw AutomationError("Value takes a text or an array of texts");
    }

    static int Alignment(const std::optional<std::uint8_t>& align, long long constant,
                         std::string_view member) {
        if (!align)
            throw AutomationError(std::string(member) + " " + std::to_string(constant) +
                                  " is not offered");
        return *align;
    }

    PWorkbook book_;
    CellRange range_;
    Part part_;
};

class SheetObject : public Dispatch {
  public:
    explicit SheetObject(PWorkbook book) : book_(std::move(book)) {}

    AutoObject Invoke(std::string_view member, std::vector<Variant> args) override {
        Open(book_);
        if (IsMember(member, "Cells")) {
            ExpectArgs(args, 2, "Worksheet", member);
            long long row = NumberArg(args[0], member), column = NumberArg(args[1], member);
            if (row < 1 || row > SheetRows || column < 1 || column > SheetColumns)
                throw AutomationError("Cells(" + std::to_string(row) + ", " +
                                      std::to_string(column) + ") lies outside the sheet");
            auto r = std::uint32_t(row - 1), c = std::uint32_t(column - 1);
            return AutoObject(std::make_shared<RangeObject>(book_, CellRange{r, c, r, c}));
        }
        if (IsMember(member, "Range")) {
            ExpectArgs(args, 1, "Worksheet", member);
            return AutoObject(
                std::make_shared<RangeObject>(book_, ParseRange(TextArg(args[0], member))));
        }
        NoMember("Worksheet", member);
    }
    void Put(std::string_view member, Variant) override { NoMember("Worksheet", member); }

  private:
    PWorkbook book_;
};

class WorkbookObject : public Dispatch {
  public:
    explicit WorkbookObject(PWorkbook book) : book_(std::move(book)) {}

    AutoObject Invoke(std::string_view member, std::vector<Variant> args) override {
        WorkbookState& book = Open(book_);
        if (IsMember(member, "WorkSheets")) {
            ExpectArgs(args, 1, "Workbook", member);
            if (NumberArg(args[0], member) != 1)
                throw AutomationError("The workbook has one sheet only");
            return AutoObject(std::make_shared<SheetObject>(book_));
        }
        if (IsMember(member, "SaveAs")) {
            ExpectArgs(args, 1, "Workbook", member);
            const SheetModel& sheet = book.sheet;
            const std::string path = TextArg(args[0], member);
            ReplaceFileAt(
                path, [&](const std::string& temporary) { SaveWorkbook(sheet, temporary, path); });
            return {};
        }
        if (IsMember(member, "close")) {
            ExpectArgs(args, 0, "Workbook", member);
            book.sheet = {};
            book.closed = true;
            return {};
        }
        NoMember("Workbook", member);
    }
    void Put(std::string_view member, Variant) override { NoMember("Workbook", member); }

  private:
    PWorkbook book_;
};

class WorkbooksObject : public Dispatch {
  public:
    explicit WorkbooksObject(std::shared_ptr<std::vector<PWorkbook>> books)
        : books_(std::move(books)) {}

    AutoObject Invoke(std::string_view member, std::vector<Variant> args) override {
        if (!IsMember(member, "Add") || !args.empty()) NoMember("Workbooks", member);
        books_->push_back(std::make_shared<WorkbookState>());
        return AutoObject(std::make_shared<WorkbookObject>(books_->back()));
    }
    void Put(std::string_view member, Variant) override { NoMember("Workbooks", member); }

  private:
    std::shared_ptr<std::vector<PWorkbook>> books_;
};

class ApplicationObject : public Dispatch {
  public:
    AutoObject Invoke(std::string_view member, std::vector<Variant> args) override {
        if (!IsMember(member, "WorkBooks") || args.size() > 1) NoMember("Application", member);
        if (args.empty()) return AutoObject(std::make_shared<WorkbooksObject>(books_));
        // A closed workbook leaves the collection, as it does in a spreadsheet application.
        std::erase_if(*books_, [](const PWorkbook& book) { return book->closed; });
        long long index = NumberArg(args[0], member);
        if (index < 1 || std::size_t(index) > books_->size())
            throw AutomationError("There is no workbook " + std::to_string(index));
        return AutoObject(std::make_shared<WorkbookObject>((*books_)[index - 1]));
    }
    void Put(std::string_view member, Variant value) override {
        if (!std::holds_alternative<bool>(value) ||
            !(IsMember(member, "ScreenUpdating") || IsMember(member, "Visible")))
            NoMember("Application", member);
    }

  private:
    std::shared_ptr<std::vector<PWorkbook>> books_ = std::make_shared<std::vector<PWorkbook>>();
};

} // namespace

AutoObject CreateSpreadsheetApp() {
    return AutoObject(std::make_shared<ApplicationObject>());
}

} // namespace nullsweep
