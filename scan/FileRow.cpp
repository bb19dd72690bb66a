// SPDX-License-Identifier: GPL-3.0-or-later
#include "scan/FileRow.h"

#include "scan/Scan.h"

#include <algorithm>
#include <sys/stat.h>

#include <charconv>
#include <ctime>
#include <stdexcept>

namespace nullsweep {

namespace {

// Room for the date texts of about eleven years, each day in a slot of its own.
constexpr std::size_t DaySlots = 4096;

constexpr int Slot(TField field) {
    return TResultRow::FirstFieldSlot + int(field);
}

constexpr std::tm FirstShownTime = [] {
    std::tm t{};
    t.tm_year = 1 - 1900;
    t.tm_mday = 1;
    return t;
}();
constexpr std::tm LastShownTime = [] {
    std::tm t{};
    t.tm_year = 9999 - 1900;
    t.tm_mon = 11;
    t.tm_mday = 31;
    t.tm_hour = 23;
    t.tm_min = 59;
    t.tm_sec = 59;
    return t;
}();

} // namespace

std::optional<std::int64_t> RealTimeOf(const TResultRow& row, TField field) {
    const int index = field == TField::CreateTime   ? 0
                      : field == TField::AccessTime ? 1
                      : field == TField::WriteTime  ? 2
                                                    : -1;
    std::string_view text = row.Slot(RealTimesSlot);
    if (index < 0 || text.empty()) return std::nullopt;
    for (int i = 0; i < index; ++i)
        text.remove_prefix(std::min(text.size(), text.find(' ') + 1));
    text = text.substr(0, text.find(' '));
    std::int64_t seconds = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return seconds;
}

void SetIdentityTimes(TFileStatus& status, const struct statx& sx) {
    status.hasBirth = (sx.stx_mask & STATX_BTIME) != 0;
    if (status.hasBirth) {
        status.birth = sx.stx_btime.tv_sec;
        status.birthNanoseconds = sx.stx_btime.tv_nsec;
    }
    status.changed = sx.stx_ctime.tv_sec;
    status.changedNanoseconds = sx.stx_ctime.tv_nsec;
}

TFileRowMaker::TFileRowMaker(TKeptFiles& kept, const DateTimeText& times)
    : kept_(kept), times_(times), days_(DaySlots) {}

bool TFileRowMaker::appendTime(std::int64_t seconds, LastTime& last) {
    if (last.known && last.seconds == seconds) {
        buffer_ += last.text;
        return !last.nearest;
    }
    const std::size_t begin = buffer_.size();
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm local{};
    // The texts have four-digit years; a time beyond them (mtime 2^62 is beyond even the
    // calendar) shows the first or last moment they can.
    const bool shown =
        localtime_r(&t, &local) && local.tm_year >= 1 - 1900 && local.tm_year <= 9999 - 1900;
    if (!shown) local = seconds < 0 ? FirstShownTime : LastShownTime;
    const std::int64_t key =
        std::int64_t(local.tm_year) * 372 + local.tm_mon * 31 + local.tm_mday - 1;
    Day& day = days_[std::size_t(key) % DaySlots];
    if (day.key != key) {
        day.text = times_.DateText(local);
        day.key = key;
    }
    buffer_ += day.text;
    if (local.tm_hour != 0 || local.tm_min != 0 || local.tm_sec != 0) {
        buffer_ += ' ';
        times_.AppendTimeText(local, buffer_);
    }
    last.text.assign(buffer_, begin);
    last.seconds = seconds;
    last.known = true;
    last.nearest = !shown;
    return shown;
}

bool TFileRowMaker::Fill(TResultRow& row, std::string_view folder, std::string_view name,
                         const TFileStatus& status, const TFileIdentity* root,
                         std::string_view below) {
    if (!knowsFolder_ || folder != folder_) {
        folder_ = folder;
        resolvedFolder_ = folder;
        belowFrom_ = 0;
        if (root && root->prefixLength <= folder.size()) {
            belowFrom_ = root->prefixLength;
            if (std::string rootPath = ScanRootPath(root->root); !rootPath.empty()) {
                if (rootPath.back() != '/') rootPath.push_back('/');
                resolvedFolder_ = rootPath.append(folder.substr(belowFrom_));
            }
        }
        keptFolder_ = kept_.ForFolder(resolvedFolder_);
        knowsFolder_ = true;
    }
    return Fill(row, {folder, resolvedFolder_, belowFrom_, keptFolder_}, name, status, root, below);
}

bool TFileRowMaker::Fill(TResultRow& row, const TWalkedFolder& folder, std::string_view name,
                         const TFileStatus& status, const TFileIdentity* root,
                         std::string_view below) {
    // The texts go one after another into the buffer; `ends` marks where each ends.
    enum { Path, Size, Born, Accessed, Written, Identity, Count };
    std::size_t ends[Count] = {};
    int made = 0;
    buffer_.clear();
    auto mark = [&] { ends[made++] = buffer_.size(); };

    bool shown[3] = {true, true, true};
    TResultRow::Texts slots{};
    TResultRow::Sources sources;
    sources.fill(-1);
    auto text = [&](int which) {
        const std::size_t begin = which == 0 ? 0 : ends[which - 1];
        return std::string_view(buffer_).substr(begin, ends[which] - begin);
    };
    // Called once the buffer no longer grows.
    auto commit = [&] {
        if (made > Path) {
            const std::string_view path = text(Path);
            slots[Slot(TField::FullPath)] = path;
            slots[Slot(TField::FileName)] = path.substr(path.size() - name.size());
            sources[Slot(TField::FileName)] = Slot(TField::FullPath);
            slots[Slot(TField::FileExt)] = FileExtOf(path);
            sources[Slot(TField::FileExt)] = Slot(TField::FullPath);
            slots[Slot(TField::FileType)] = "file";
        }
        constexpr TField timeFields[] = {TField::CreateTime, TField::AccessTime, TField::WriteTime};
        if (made > Size) slots[Slot(TField::FileSize)] = text(Size);
        for (int i = Born; i <= Written && i < made; ++i)
            slots[Slot(timeFields[i - Born])] = text(i);
        if (made > Identity) slots[IdentitySlot] = text(Identity);
        row.Assign(slots, sources);
    };
    try {
        buffer_.append(folder.path).append(name);
        mark();
        char digits[24];
        const auto size = std::to_chars(digits, digits + sizeof digits, status.size);
        buffer_.append(digits, size.ptr);
        mark();
        shown[0] = appendTime(status.born, born_);
        mark();
        shown[1] = appendTime(status.accessed, accessed_);
        mark();
        shown[2] = appendTime(status.written, written_);
        mark();
    } catch (...) {
        commit();
        throw;
    }
    // The whole path is made only for what asks for it: a deep folder's would cost its depth.
    keptPath_.clear();
    if (folder.kept.repository >= 0) keptPath_.append(folder.resolved).append(name);
    std::string belowText;
    if (below.empty() && kept_.HasKeepPatterns()) {
        belowText.assign(folder.path.substr(folder.belowFrom)).append(name);
        below = belowText;
    }
    std::string_view keptReason = kept_.ReasonFor(folder.kept, keptPath_, name, below);
    std::string inUse;
    if (keptReason.empty()) {
        inUse = kept_.InUseReason(status.device, status.inode);
        keptReason = inUse;
    }
    slots[KeptSlot] = keptReason;
    if (root) {
        TFileIdentity identity = *root;
        identity.device = status.device;
        identity.inode = status.inode;
        identity.birth = status.birth;
        identity.birthNanoseconds = status.birthNanoseconds;
        identity.hasBirth = status.hasBirth;
        identity.changed = status.changed;
        identity.changedNanoseconds = status.changedNanoseconds;
        buffer_.append(reinterpret_cast<const char*>(&identity), sizeof identity);
        mark();
    }
    commit();
    if (!shown[0] || !shown[1] || !shown[2]) {
        std::string real;
        const std::int64_t seconds[3] = {status.born, status.accessed, status.written};
        for (int i = 0; i < 3; ++i)
            real += (i ? " " : "") + (shown[i] ? "-" : std::to_string(seconds[i]));
        row.SetSlot(RealTimesSlot, real);
    }
    return !keptReason.empty();
}

} // namespace nullsweep
