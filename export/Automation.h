// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "export/SheetArray.h"

#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace nullsweep {

// An argument or property value of an automation call. A SheetArray is moved, never copied:
// it may hold millions of texts.
using Variant = std::variant<std::monostate, bool, long long, std::string, SheetArray>;

// A call the object does not offer, or arguments it cannot take.
class AutomationError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class AutoObject;

// One object of an automation object model, reached through member names at run time.
class Dispatch {
  public:
    virtual ~Dispatch() = default;
    // Reads a property (with or without index arguments) or calls a method; the result is the
    // object it gives, or an empty object.
    virtual AutoObject Invoke(std::string_view member, std::vector<Variant> args) = 0;
    // Sets a property.
    virtual void Put(std::string_view member, Variant value) = 0;
};

// A reference to an automation object; copies refer to the same object. Member names match
// without regard to letter case, as late-bound automation matches them.
class AutoObject {
  public:
    AutoObject() = default;
    explicit AutoObject(std::shared_ptr<Dispatch> object) : object_(std::move(object)) {}

    template <class... Args> AutoObject Get(std::string_view member, Args&&... args) const {
        std::vector<Variant> list;
        (list.emplace_back(Arg(std::forward<Args>(args))), ...);
        return Target(member).Invoke(member, std::move(list));
    }
    // A method call whose result is not wanted.
    template <class... Args> void Call(std::string_view member, Args&&... args) const {
        Get(member, std::forward<Args>(args)...);
    }
    void Set(std::string_view member, Variant value) const {
        Target(member).Put(member, std::move(value));
    }

  private:
    static Variant Arg(int value) { return static_cast<long long>(value); }
    static Variant Arg(long long value) { return value; }
    static Variant Arg(bool value) { return value; }
    static Variant Arg(const char* value) { return std::string(value); }
    static Variant Arg(std::string value) { return value; }

    Dispatch& Target(std::string_view member) const;

    std::shared_ptr<Dispatch> object_;
};

// Creates the object registered under `programId`; throws AutomationError when no such
// object is known. "Excel.Application" gives the spreadsheet application of SpreadsheetApp.h.
AutoObject CreateOleObject(std::string_view programId);

// True when `member` names `name`, letter case aside (ASCII).
bool IsMember(std::string_view member, std::string_view name);

} // namespace nullsweep
