// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "scan/ResultRow.h"

#include <cstdint>
#include <string_view>

namespace nullsweep::test {

// The facts of a file of `size` bytes with these times (seconds; the creation time as a birth
// time), without a scan root.
inline RowFacts FileFacts(std::uint64_t size = 0, std::int64_t created = 0,
                          std::int64_t accessed = 0, std::int64_t written = 0) {
    RowFacts facts;
    facts.size = size;
    facts.accessed.seconds = accessed;
    facts.written.seconds = written;
    facts.identity.birth = created;
    facts.identity.hasBirth = 1;
    return facts;
}

// A row of the file `path`, its name being what follows the last "/".
inline TResultRow FileRow(std::string_view path, const RowFacts& facts = FileFacts(),
                          std::string_view kept = {}) {
    const std::size_t slash = path.rfind('/');
    return TResultRow(path, slash == std::string_view::npos ? path.size() : path.size() - slash - 1,
                      facts, kept);
}

} // namespace nullsweep::test
