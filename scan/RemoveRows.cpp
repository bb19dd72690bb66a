// SPDX-License-Identifier: GPL-3.0-or-later
#include "scan/RemoveRows.h"

#include "fs/OwnedFd.h"
#include "scan/ExactDelete.h"
#include "scan/FilesInUse.h"
#include "scan/FirstFailure.h"
#include "scan/KeptFiles.h"
#include "scan/ListingOrder.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <new>
#include <span>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <vector>

namespace nullsweep {

namespace {

struct Result {
    DeleteOutcome outcome;
    std::string reason;
    int error = 0;
};

Result removed() {
    return {DeleteOutcome::Deleted, {}};
}

Result failedWith(int error, const std::string& what = {}) {
    return {DeleteOutcome::Failed, (what.empty() ? "" : what + ": ") + std::strerror(error), error};
}

// What errno says about reaching a file or its folder.
Result unreachable(int error) {
    switch (error) {
    case ENOENT:
        return {DeleteOutcome::Vanished, "gone since the scan"};
    case ELOOP:   // a link where a folder was
    case ENOTDIR: // something else where a folder was
    case EXDEV:   // a path that would leave its root
        return {DeleteOutcome::Changed, "a folder on its path was replaced since the scan"};
    case ESTALE:
        return {DeleteOutcome::Changed, "its scanned folder was replaced since the scan"};
    default:
        return failedWith(error);
    }
}

// A secret of the run and a count: names in the file's own folder that no one can guess, so no
// one can put a file there first.
class PrivateNames {
  public:
    PrivateNames() {
        unsigned char random[12];
        std::size_t got = 0;
        while (got < sizeof random) {
            const ssize_t n = ::getrandom(random + got, sizeof random - got, 0);
            if (n < 0 && errno != EINTR)
                throw std::system_error(errno, std::generic_category(),
                                        "cannot read random bytes for private names");
            if (n > 0) got += std::size_t(n);
        }
        static const char hex[] = "0123456789abcdef";
        prefix_ = ".nullsweep-";
        for (const unsigned char c : random) {
            prefix_ += hex[c >> 4];
            prefix_ += hex[c & 15];
        }
        prefix_ += '-';
    }
    std::string next() { return prefix_ + std::to_string(count_++); }

  private:
    std::string prefix_;
    std::uint64_t count_ = 0;
};

// Whether what stands as `name` in `folder` is the listed file; with `sameChange`, unchanged
// since the scan too (a move of our own changes the status-change time). `sx` gets what was
// read, the journal's fields among it.
Result compare(int folder, const std::string& name, const FileIdentity& id, bool sameChange,
               struct statx& sx) {
    if (::statx(folder, name.c_str(), AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT,
                STATX_BASIC_STATS | STATX_BTIME, &sx) != 0)
        return errno == ENOENT ? unreachable(ENOENT) : failedWith(errno);
    const unsigned needed = STATX_TYPE | STATX_SIZE | STATX_INO;
    if ((sx.stx_mask & needed) != needed || !S_ISREG(sx.stx_mode))
        return {DeleteOutcome::Changed, "no longer a regular file"};
    if (sx.stx_size != 0) return {DeleteOutcome::Changed, "holds data now"};
    const bool hasBirth = (sx.stx_mask & STATX_BTIME) != 0;
    if (makedev(sx.stx_dev_major, sx.stx_dev_minor) != id.device || sx.stx_ino != id.inode ||
        hasBirth != bool(id.hasBirth) ||
        (hasBirth &&
         (sx.stx_btime.tv_sec != id.birth || sx.stx_btime.tv_nsec != id.birthNanoseconds)))
        return {DeleteOutcome::Changed, "another file stands there now"};
    if (sameChange &&
        (sx.stx_ctime.tv_sec != id.changed || sx.stx_ctime.tv_nsec != id.changedNanoseconds))
        return {DeleteOutcome::Changed, "changed since the scan"};
    return removed();
}

std::function<void(int, const std::string&)> beforeMove;

// Files checked together, then moved together (see Remover::batch): on helper threads, and on
// the calling thread, which looks for a cancel between batches. A batch's records are synced
// to the journal once, before any of its files is unlinked. Each sync makes the file system
// commit its own journal, and every thread's renames and unlinks wait for that: with 4,096 files
// a sync, a journalled delete of a million files took 7% longer than with 16,384.
constexpr std::size_t HelperBatch = 16384;
constexpr std::size_t CallerBatch = 1024;
// Files of one folder a helper thread takes at a time: a batch, but at least as many shares as
// threads down to this many files a share, so that one folder is still done side by side.
constexpr std::size_t SmallestShare = 4096;
// Files moved between two looks at what is in use (and for a cancel) within a batch.
constexpr std::size_t MovesBetweenLooks = 1024;
// Files of one folder from which they are taken in the order the folder lists them.
constexpr std::size_t OrderAsListedFrom = 256;

// The files in use as seen lately, shared by every run of the process.
FilesInUse& filesInUse() {
    static FilesInUse inUse;
    return inUse;
}
std::mutex inUseMutex;

// A folder of the rows to remove: its scan root and its path below it.
struct FolderKey {
    std::uint32_t root;
    std::string_view folder;
    bool operator==(const FolderKey&) const = default;
};

struct FolderKeyHash {
    std::size_t operator()(const FolderKey& key) const noexcept {
        return std::hash<std::string_view>{}(key.folder) ^
               (std::size_t(key.root) * 0x9E3779B97F4A7C15ull);
    }
};

struct Item {
    std::size_t index;
    FileIdentity id;
    std::string_view folder; // relative to the root, no final "/"
    std::string_view relative;

    // The file's name in its folder.
    std::string_view Name() const {
        return folder.empty() ? relative : relative.substr(folder.size() + 1);
    }
};

// The items of one folder put in the order the folder lists them. Where names are kept in a
// hashed tree (ext4), each rename and unlink then finds its block of entries where the one
// before left it: a folder of 100,000 files goes in three quarters of the time name order
// takes. Skipped where the listing is many times longer than the files to take.
void orderAsListed(std::span<Item> items) {
    const OwnedFd root(OpenScanRoot(items.front().id.root));
    if (!root.valid()) return;
    const OwnedFd folder(OpenFolderBeneath(root.get(), items.front().folder));
    struct stat st {};
    if (!folder.valid() || ::fstat(folder.get(), &st) != 0 ||
        std::size_t(st.st_size) / 512 > items.size())
        return;
    std::vector<std::string_view> names;
    names.reserve(items.size());
    for (const Item& item : items)
        names.push_back(item.Name());
    std::vector<std::size_t> order = ListingOrder(folder.get(), names);
    if (order.size() != items.size()) return;
    // In place, a cycle of the order at a time: a copy of a folder's items would raise the
    // peak of a delete of millions of files.
    for (std::size_t start = 0; start < order.size(); ++start) {
        if (order[start] == start) continue;
        Item held = items[start];
        std::size_t to = start;
        while (order[to] != start) {
            const std::size_t from = order[to];
            items[to] = items[from];
            order[to] = to;
            to = from;
        }
        items[to] = held;
        order[to] = to;
    }
}

// Each big folder of `items` (ranges `folders`) in the order it lists its files, a folder a
// thread on up to `threads` threads: read one after another, the listings of ten big folders
// held a delete up by a second. A folder whose order cannot be had (no memory) keeps its own.
void orderBigFolders(std::span<Item> items,
                     std::span<const std::pair<std::size_t, std::size_t>> folders,
                     unsigned threads) {
    std::vector<std::span<Item>> big;
    for (const auto& [begin, end] : folders)
        if (end - begin >= OrderAsListedFrom) big.push_back(items.subspan(begin, end - begin));
    std::atomic<std::size_t> next{0};
    auto work = [&] {
        for (std::size_t i; (i = next++) < big.size();) {
            try {
                orderAsListed(big[i]);
            } catch (const std::exception&) {
                // the order is a gain, not a need; it is set only once wholly known
            }
        }
    };
    std::vector<std::jthread> helpers;
    for (unsigned t = 1; t < std::min<std::size_t>(threads, big.size()); ++t) {
        try {
            helpers.emplace_back(work);
        } catch (const std::system_error&) {
            break; // the rest on this thread
        }
    }
    work();
}

class Remover {
  public:
    Remover(RemoveMode mode, bool includeKept, UserTrash* trash, const RemoveCallbacks& callbacks)
        : mode_(mode), includeKept_(includeKept), trash_(trash), callbacks_(callbacks) {}

    // Opens the folder of the rows that follow, from their held scan root.
    void openFolder(const FileIdentity& id, std::string_view relativeFolder) {
        folder_.reset();
        folderError_ = 0;
        const OwnedFd root(OpenScanRoot(id.root));
        if (root.get() < 0) {
            folderError_ = errno;
            return;
        }
        folder_.reset(OpenFolderBeneath(root.get(), relativeFolder));
        if (folder_.get() < 0) folderError_ = errno;
        folderPath_ = realPath(id, relativeFolder);
        if (folder_.get() >= 0 && mode_ == RemoveMode::Delete && callbacks_.onFolder)
            callbacks_.onFolder(folder_.get(), folderPath_);
    }

    // Checks the items of the open folder, then moves those that passed, and gives each item's
    // result to `emit(index, result)`. Checks and moves of a batch are apart so that the journal
    // takes the batch's records in one write before any of its files leaves its name.
    // Items not answered when `stop` turns true are left as they are, not counted.
    template <typename Emit>
    void batch(std::span<const Item> items, std::span<const TResultRow* const> rows, Emit emit,
               const std::atomic<bool>* stop = nullptr) {
        auto stopped = [stop] { return stop && stop->load(std::memory_order_relaxed); };
        pending_.clear();
        for (const Item& item : items) {
            if (stopped()) return;
            Result result;
            try {
                std::string name;
                struct statx status {};
                result = check(*rows[item.index], item, name, status);
                if (result.outcome == DeleteOutcome::Deleted) {
                    pending_.push_back({&item, std::move(name), status});
                    continue;
                }
            } catch (const std::bad_alloc&) {
                result = failedWith(ENOMEM);
            } catch (const std::system_error& e) {
                result = failedWith(e.code().value());
            }
            emit(item.index, std::move(result));
        }
        // In use: the batch against one fresh enough look at /proc, under one lock; again
        // while moving, as the moves of a big batch take a while.
        auto leaveInUse = [&](std::span<Pending> some) {
            const std::lock_guard lock(inUseMutex);
            filesInUse().Refresh();
            for (Pending& p : some) {
                std::string holder = filesInUse().HolderOf(p.item->id.device, p.item->id.inode);
                if (holder.empty()) continue;
                emit(p.item->index, Result{DeleteOutcome::Kept, std::move(holder)});
                p.item = nullptr;
            }
        };
        leaveInUse(pending_);
        std::erase_if(pending_, [](const Pending& p) { return !p.item; });
        if (mode_ == RemoveMode::Delete && callbacks_.beforeUnlink)
            std::erase_if(pending_, [&](Pending& p) {
                int error = 0;
                try {
                    error = callbacks_.beforeUnlink(folder_.get(), p.name,
                                                    pathOf(*rows[p.item->index], p.name), p.status);
                } catch (const std::bad_alloc&) {
                    error = ENOMEM;
                } catch (const std::system_error& e) {
                    error = e.code().value();
                }
                if (!error) return false;
                emit(p.item->index, failedWith(error, "cannot record it in the journal"));
                return true;
            });
        if (pending_.empty()) return;
        if (mode_ == RemoveMode::Delete && callbacks_.recordsDue) {
            int error = 0;
            try {
                error = callbacks_.recordsDue();
            } catch (const std::bad_alloc&) {
                error = ENOMEM;
            } catch (const std::system_error& e) {
                error = e.code().value();
            }
            if (error) {
                for (const Pending& p : pending_)
                    emit(p.item->index, failedWith(error, "cannot record it in the journal"));
                return;
            }
        }
        for (std::size_t i = 0; i < pending_.size(); ++i) {
            if (i > 0 && i % MovesBetweenLooks == 0) {
                if (stopped()) return;
                leaveInUse(std::span(pending_).subspan(
                    i, std::min(MovesBetweenLooks, pending_.size() - i)));
            }
            const Pending& p = pending_[i];
            if (!p.item) continue;
            Result result;
            try {
                if (beforeMove) beforeMove(folder_.get(), p.name);
                result = mode_ == RemoveMode::Trash
                             ? moveToTrash(*rows[p.item->index], p.item->id, p.name)
                             : unlinkPrivately(p.item->id, p.name);
            } catch (const std::bad_alloc&) {
                result = failedWith(ENOMEM);
            } catch (const std::system_error& e) {
                result = failedWith(e.code().value());
            }
            emit(p.item->index, std::move(result));
        }
    }

  private:
    // Whether the file may be moved now; `name` gets its name in the folder, `status` what the
    // check read.
    Result check(const TResultRow& row, const Item& item, std::string& name, struct statx& status) {
        if (!includeKept_)
            if (const std::string_view kept = KeptReasonOf(row); !kept.empty())
                return {DeleteOutcome::Kept, std::string(kept)};
        if (folder_.get() < 0) return unreachable(folderError_);
        name = item.Name();
        if (name.empty() || name == "." || name == "..")
            return {DeleteOutcome::Changed, "not a file name"};
        return compare(folder_.get(), name, item.id, true, status);
    }

  private:
    // Renamed first to a name no one knows, then checked again: a file swapped in at the last
    // moment (an exchange of names, an editor's save) is what would stand there now. Its
    // journal record, if any, was written before this.
    Result unlinkPrivately(const FileIdentity& id, const std::string& name) {
        const int dir = folder_.get();
        const std::string hidden = names_.next();
        if (RenameNoReplace(dir, name, dir, hidden) != 0)
            return errno == ENOENT ? unreachable(ENOENT) : failedWith(errno);
        struct statx status {};
        const Result there = compare(dir, hidden, id, false, status);
        if (there.outcome == DeleteOutcome::Deleted) {
            if (::unlinkat(dir, hidden.c_str(), 0) == 0) return removed();
            const int error = errno;
            RenameNoReplace(dir, hidden, dir, name);
            return failedWith(error);
        }
        if (RenameNoReplace(dir, hidden, dir, name) != 0)
            return failedWith(errno, "replaced while being deleted, left as " + hidden);
        return {DeleteOutcome::Changed, "replaced while being deleted, put back"};
    }

    Result moveToTrash(const TResultRow& row, const FileIdentity& id, const std::string& name) {
        if (!trash_) return failedWith(EINVAL, "no trash");
        UserTrash::Entry placed;
        if (trash_->Move(folder_.get(), name, pathOf(row, name), id.device, placed) != 0)
            return errno == ENOENT ? unreachable(ENOENT)
                                   : failedWith(errno, "cannot move it to the trash");
        struct statx status {};
        const Result there = compare(placed.files, placed.name, id, false, status);
        if (there.outcome == DeleteOutcome::Deleted) return removed();
        if (UserTrash::MoveBack(placed, folder_.get(), name) != 0)
            return failedWith(errno,
                              "replaced while being moved, left in the trash as " + placed.name);
        return {DeleteOutcome::Changed, "replaced while being moved to the trash, moved back"};
    }

    // The real path of `name` in the open folder; the row's own path when the root's is not
    // known.
    std::string pathOf(const TResultRow& row, const std::string& name) const {
        if (folderPath_.empty()) return std::string(row.Path());
        std::string path = folderPath_;
        return path.append(path == "/" ? "" : "/").append(name);
    }

    // Where the scan root really is, and `relative` below it; the row's own path (or nothing,
    // without a row) when the root's is not known.
    static std::string realPath(const FileIdentity& id, std::string_view relative,
                                const TResultRow* row = nullptr) {
        std::string path = ScanRootPath(id.root);
        if (path.empty()) return row ? std::string(row->Path()) : path;
        if (!relative.empty()) path.append(path == "/" ? "" : "/").append(relative);
        return path;
    }

    RemoveMode mode_;
    bool includeKept_;
    UserTrash* trash_;
    const RemoveCallbacks& callbacks_;
    PrivateNames names_;
    struct Pending {
        const Item* item;
        std::string name;
        struct statx status;
    };
    std::vector<Pending> pending_;
    OwnedFd folder_;
    int folderError_ = 0;
    std::string folderPath_;
};

} // namespace

// RemoveRows; with `oneAtATime`, /proc is read again only when due (see FilesInUse::Refresh).
static RemoveCount removeRows(std::span<const TResultRow* const> rows, RemoveMode mode,
                              bool includeKept, UserTrash* trash, const RemoveCallbacks& callbacks,
                              unsigned threads, bool oneAtATime) {
    RemoveCount count;
    std::size_t done = 0;
    auto report = [&](std::size_t index, const Result& result) {
        switch (result.outcome) {
        case DeleteOutcome::Deleted:
            ++count.removed;
            break;
        case DeleteOutcome::Kept:
            ++count.kept;
            break;
        case DeleteOutcome::Changed:
        case DeleteOutcome::Vanished:
            ++count.changed;
            break;
        case DeleteOutcome::Failed:
            ++count.failed;
            break;
        }
        ++done;
        if (callbacks.onRow) {
            errno = result.error;
            callbacks.onRow(index, result.outcome, result.reason);
        }
    };
    // The first report comes at once, so that a wait window shows "0 of N" from the start.
    std::chrono::steady_clock::time_point lastProgress{};
    auto progress = [&] {
        if (!callbacks.onProgress) return;
        const auto now = std::chrono::steady_clock::now();
        if (now - lastProgress < std::chrono::milliseconds(250)) return;
        lastProgress = now;
        callbacks.onProgress(done, rows.size());
    };
    // Rows of one folder together, in their own order within it (a big folder's in the order
    // it lists them, below), the folders in the order of their first rows. Grouped through a
    // table, each row's folder hashed while its path is at hand: a sort would compare paths
    // spread over the rows' memory many times a row.
    std::vector<Item> items;
    items.reserve(rows.size());
    std::vector<std::uint32_t> groupOfItem;
    groupOfItem.reserve(rows.size());
    std::unordered_map<FolderKey, std::uint32_t, FolderKeyHash> groups;
    std::vector<std::size_t> groupSizes;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        Item item{i, {}, {}, {}};
        const std::string_view path = rows[i]->Path();
        if (!GetFileIdentity(*rows[i], item.id) || item.id.prefixLength > path.size()) {
            report(i, {DeleteOutcome::Failed, "no identity recorded by a scan", EINVAL});
            continue;
        }
        item.relative = path.substr(item.id.prefixLength);
        const auto slash = item.relative.rfind('/');
        item.folder =
            slash == std::string_view::npos ? std::string_view() : item.relative.substr(0, slash);
        const auto [group, added] = groups.try_emplace(FolderKey{item.id.root, item.folder},
                                                       std::uint32_t(groupSizes.size()));
        if (added) groupSizes.push_back(0);
        ++groupSizes[group->second];
        groupOfItem.push_back(group->second);
        items.push_back(item);
    }
    // The folders, each a range of `items`.
    std::vector<std::pair<std::size_t, std::size_t>> folders;
    folders.reserve(groupSizes.size());
    for (std::size_t begin = 0; const std::size_t size : groupSizes) {
        folders.emplace_back(begin, begin);
        begin += size;
    }
    {
        std::vector<Item> grouped(items.size());
        for (std::size_t i = 0; i < items.size(); ++i)
            grouped[folders[groupOfItem[i]].second++] = items[i];
        items.swap(grouped);
    }
    if (threads == 0) threads = std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
    orderBigFolders(items, folders, threads);
    {
        // What is in use now, not at an earlier run; a caller that removes one row at a time
        // (the window, row by row) reads /proc at most at a bounded share of its work.
        const std::lock_guard lock(inUseMutex);
        if (oneAtATime)
            filesInUse().Refresh();
        else
            filesInUse().Read();
    }

    // Each helper thread takes a folder of its own while there are folders left, so that their
    // changes to folder entries do not wait for one folder's lock in the kernel; then it helps
    // with the folders still being done, a share at a time (the checks of one folder run side
    // by side, and a move to the trash overlaps the making of another's info file). The results
    // come back to this thread for the callbacks.
    struct FolderWork {
        std::size_t begin, end, share;
        std::atomic<std::size_t> next;
    };
    std::vector<FolderWork> work(folders.size());
    std::size_t shares = 0;
    for (std::size_t f = 0; f < folders.size(); ++f) {
        work[f].begin = folders[f].first;
        work[f].end = folders[f].second;
        work[f].next = folders[f].first;
        const std::size_t files = work[f].end - work[f].begin;
        work[f].share = std::clamp((files + threads - 1) / threads, SmallestShare, HelperBatch);
        shares += (files + work[f].share - 1) / work[f].share;
    }
    std::mutex mutex;
    std::condition_variable ready;
    std::vector<std::pair<std::size_t, Result>> results;
    std::atomic<std::size_t> nextFolder{0};
    std::atomic<bool> stop{false};
    std::size_t running = 0;
    FirstFailure failure;
    auto helperWork = [&] {
        Remover remover(mode, includeKept, trash, callbacks);
        std::vector<std::pair<std::size_t, Result>> batch;
        auto hand = [&](bool last) {
            const std::lock_guard lock(mutex);
            for (auto& r : batch)
                results.push_back(std::move(r));
            batch.clear();
            if (last) --running;
            ready.notify_one();
        };
        std::size_t open = work.size(); // the folder `remover` holds open
        std::size_t f = nextFolder++;
        while (!stop) {
            if (f >= work.size()) {
                // No folder left to itself: the one with most files left, to share.
                std::size_t most = 0;
                for (std::size_t g = 0; g < work.size(); ++g)
                    if (const std::size_t next = work[g].next;
                        next < work[g].end && work[g].end - next > most) {
                        most = work[g].end - next;
                        f = g;
                    }
                if (most == 0) break;
            }
            const std::size_t begin = work[f].next.fetch_add(work[f].share);
            if (begin >= work[f].end) {
                f = nextFolder++;
                continue;
            }
            const std::size_t end = std::min(work[f].end, begin + work[f].share);
            if (open != f) remover.openFolder(items[begin].id, items[begin].folder);
            open = f;
            // A share is at most one batch.
            remover.batch(
                std::span(items).subspan(begin, end - begin), rows,
                [&](std::size_t index, Result&& result) {
                    batch.emplace_back(index, std::move(result));
                },
                &stop);
            hand(false);
        }
        hand(true);
    };
    // An error no file's check turns into a value ends this helper's part; the waiting thread
    // throws it once every helper is back.
    auto helper = [&] {
        try {
            helperWork();
        } catch (...) {
            failure.Keep();
            stop = true;
            const std::lock_guard lock(mutex);
            --running;
            ready.notify_one();
        }
    };
    threads = unsigned(std::min<std::size_t>(shares, threads));
    std::vector<std::thread> helpers;
    auto finish = [&] {
        stop = true;
        for (std::thread& helper : helpers)
            helper.join();
        helpers.clear();
    };
    try {
        if (threads > 1) {
            running = threads;
            helpers.reserve(threads);
            // A thread that cannot start (no memory for its stack, too many processes) leaves
            // its share to the others, down to this thread alone.
            for (unsigned t = 0; t < threads; ++t) {
                try {
                    helpers.emplace_back(helper);
                } catch (const std::system_error&) {
                    break;
                }
            }
            const std::lock_guard lock(mutex);
            running -= threads - helpers.size();
        }
        if (helpers.empty()) {
            // One share of a folder, or one thread asked for: here, with the callbacks between
            // batches of files.
            Remover remover(mode, includeKept, trash, callbacks);
            for (const auto& [begin, end] : folders) {
                if (callbacks.cancelled && callbacks.cancelled()) break;
                remover.openFolder(items[begin].id, items[begin].folder);
                std::size_t i = begin;
                for (; i < end; i += CallerBatch) {
                    if (i > begin && callbacks.cancelled && callbacks.cancelled()) break;
                    progress();
                    remover.batch(
                        std::span(items).subspan(i, std::min(end - i, CallerBatch)), rows,
                        [&](std::size_t index, const Result& result) { report(index, result); });
                }
                if (i < end) break;
            }
        } else {
            std::vector<std::pair<std::size_t, Result>> taken;
            for (;;) {
                {
                    std::unique_lock lock(mutex);
                    ready.wait_for(lock, std::chrono::milliseconds(50),
                                   [&] { return !results.empty() || running == 0; });
                    taken.swap(results);
                    if (taken.empty() && running == 0) break;
                }
                for (auto& [index, result] : taken)
                    report(index, result);
                taken.clear();
                progress();
                if (!stop && callbacks.cancelled && callbacks.cancelled()) stop = true;
            }
            finish();
            failure.Rethrow();
        }
    } catch (...) {
        finish();
        throw;
    }
    if (callbacks.onProgress) callbacks.onProgress(done, rows.size());
    return count;
}

RemoveCount RemoveRows(std::span<const TResultRow* const> rows, RemoveMode mode, bool includeKept,
                       UserTrash* trash, const RemoveCallbacks& callbacks, unsigned threads) {
    return removeRows(rows, mode, includeKept, trash, callbacks, threads, false);
}

namespace {

DeleteOutcome removeOne(const TResultRow& row, RemoveMode mode, UserTrash* trash) {
    try {
        const TResultRow* const one[] = {&row};
        DeleteOutcome outcome = DeleteOutcome::Failed;
        int error = 0;
        RemoveCallbacks callbacks;
        callbacks.onRow = [&](std::size_t, DeleteOutcome o, const std::string&) {
            outcome = o;
            error = errno;
        };
        removeRows(one, mode, true, trash, callbacks, 1, true);
        errno = error;
        return outcome;
    } catch (const std::bad_alloc&) {
        errno = ENOMEM;
    } catch (const std::system_error& e) {
        errno = e.code().value();
    }
    return DeleteOutcome::Failed;
}
} // namespace

void detail::SetBeforeMoveHook(std::function<void(int, const std::string&)> hook) {
    beforeMove = std::move(hook);
}

DeleteOutcome DeleteListedFile(const TResultRow& row) {
    return removeOne(row, RemoveMode::Delete, nullptr);
}

DeleteOutcome TrashListedFile(const TResultRow& row, UserTrash& trash) {
    return removeOne(row, RemoveMode::Trash, &trash);
}

} // namespace nullsweep
