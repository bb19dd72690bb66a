// SPDX-License-Identifier: GPL-3.0-or-later
#include "scan/Scan.h"

#include "scan/ExactDelete.h"
#include "scan/FileRow.h"
#include "scan/FolderReader.h"
#include "scan/ListedFolder.h"
#include "scan/MemoryHints.h"
#include "scan/ResultRow.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

namespace nullsweep {

std::string_view FileExtOf(std::string_view path) {
    const auto last = path.find_last_of("./");
    if (last == std::string_view::npos || path[last] != '.') return {};
    return path.substr(last + 1);
}

bool IsPseudoFileSystem(long fsType) {
    switch (static_cast<unsigned long>(fsType) & 0xFFFFFFFFul) {
    case PROC_SUPER_MAGIC:
    case SYSFS_MAGIC:
    case DEBUGFS_MAGIC:
    case TRACEFS_MAGIC:
    case SECURITYFS_MAGIC:
    case CGROUP_SUPER_MAGIC:
    case CGROUP2_SUPER_MAGIC:
    case PSTOREFS_MAGIC:
    case BPF_FS_MAGIC:
    case 0x62656570: // configfs
    case EFIVARFS_MAGIC:
    case DEVPTS_SUPER_MAGIC:
    case 0x65735543: // fusectl
    case 0x19800202: // mqueue
    case BINFMTFS_MAGIC:
    case NSFS_MAGIC:
        return true;
    default:
        return false;
    }
}

namespace {

struct DescriptorBudget {
    std::size_t held;    // folders held open for their sub-folders
    std::size_t threads; // the most listing threads the rest allows
};

// Each listing thread has at most four folders open at once (the one it lists, its parent's
// and two while opening a folder again); the held ones come on top. A low descriptor limit
// lowers both.
DescriptorBudget descriptorBudget() {
    rlimit limit{};
    std::size_t cur = 1024;
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        cur = static_cast<std::size_t>(limit.rlim_cur);
    const std::size_t spare = cur > 16 ? cur - 16 : 1; // standard streams, output, git index
    const std::size_t held = std::clamp<std::size_t>(spare / 4, 2, 64);
    return {held, std::max<std::size_t>(1, spare > held ? (spare - held) / 4 : 1)};
}

// One walk: the calling thread hands out the rows in walk order while up to `threads - 1`
// helpers list folders ahead of it. Every folder is listed whole by one thread; the rows come
// out only in the order of the listings, never in the order listings finish.
class Walk {
  public:
    Walk(const RowSink& sink, const ScanOptions& options)
        : sink_(sink), onProgress_(options.onProgress), onError_(options.onError),
          kept_(options.kept ? *options.kept : ownKept_.emplace()), rows_(kept_),
          budget_(descriptorBudget()), handles_(budget_.held) {
        rules_.oneFileSystem = options.oneFileSystem;
        rules_.excludes = &options.excludes;
        rules_.share = [this](std::size_t chunks, const std::function<void(std::size_t)>& job) {
            share(chunks, job);
        };
        threads_ = std::min<std::size_t>(options.threads ? options.threads : DefaultScanThreads(),
                                         budget_.threads);
    }

    ~Walk() {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
            waiting_.clear();
        }
        work_.notify_all();
        for (std::thread& helper : helpers_)
            helper.join();
        // Folders listed ahead of an ended walk may hold deep trees: taken apart without
        // recursion.
        std::vector<std::shared_ptr<ListedFolder>> doomed;
        for (Place& place : stack_)
            doomed.push_back(std::move(place.folder));
        stack_.clear();
        while (!doomed.empty()) {
            const std::shared_ptr<ListedFolder> folder = std::move(doomed.back());
            doomed.pop_back();
            if (!folder) continue;
            for (auto& child : folder->children)
                doomed.push_back(std::move(child));
            folder->children.clear();
        }
    }

    bool SinkFailed() const { return sinkFailed_; }

    void run(std::string path) {
        auto reader = std::make_unique<FolderReader>(AT_FDCWD, path.c_str(), /*followLink=*/true);
        struct stat st {};
        if (!reader->IsOpen() || ::fstat(reader->Fd(), &st) != 0) return;
        if (OnPseudoFileSystem(reader->Fd())) return;
        rootFor(reader->Fd(), path);
        resolved_ = hasRoot_ ? ScanRootPath(identity_.root) : std::string();
        if (resolved_.empty()) resolved_ = path;
        if (resolved_.back() != '/') resolved_.push_back('/');
        path_ = std::move(path);
        rules_.rootDevice = st.st_dev;
        const auto root = std::make_shared<ListedFolder>();
        root->device = st.st_dev;
        root->inode = st.st_ino;
        root->state = ListedFolder::State::Listed;
        startHelpers(threads_); // before the root's listing: a big one is shared out
        ReadListing(*root, *reader, rules_, scratch_, std::uint64_t(st.st_size));
        handles_.Keep(root, std::move(reader), /*pinned=*/true);
        if (!helpers_.empty()) {
            std::lock_guard lock(mutex_);
            offerChildren(*root);
        }
        enter(root, kept_.ForFolder(resolved_));
        walk();
        report();
    }

  private:
    // A thread that cannot start (no memory for its stack, too many processes) leaves its
    // share to the others, down to the calling thread alone.
    void startHelpers(std::size_t threads) {
        try {
            helpers_.reserve(threads - 1);
            while (helpers_.size() + 1 < threads)
                helpers_.emplace_back([this] { help(); });
        } catch (const std::system_error&) {
        } catch (const std::bad_alloc&) {
        }
        progress_.threads = static_cast<unsigned>(helpers_.size() + 1);
    }

    // Deletes start from the folder held open now (a root given as a link is followed this
    // once).
    void rootFor(int fd, const std::string& path) {
        const std::optional<FileIdentity> root = ScanRootIdentity(fd, path, /*hold=*/true);
        if (!root) return;
        identity_ = *root;
        hasRoot_ = true;
    }

    void fail(std::string_view path, int error) {
        if (!onError_) return;
        if (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
        onError_(std::string(path), error);
    }

    // Lists `folder` on this thread, then offers its sub-folders to the helpers, the first on
    // top, so that they work ahead of the walk in its own order.
    void list(const std::shared_ptr<ListedFolder>& folder, std::unique_lock<std::mutex>& lock,
              ListingScratch& scratch) {
        folder->state = ListedFolder::State::Listing;
        lock.unlock();
        ListFolder(folder, handles_, rules_, scratch);
        lock.lock();
        folder->state = ListedFolder::State::Listed;
        try {
            if (!helpers_.empty()) offerChildren(*folder);
        } catch (const std::bad_alloc&) {
            // children not offered are listed by the walk itself when it reaches them
        }
        listed_.notify_all();
    }

    void offerChildren(const ListedFolder& folder) {
        if (folder.children.empty()) return;
        for (auto it = folder.children.rbegin(); it != folder.children.rend(); ++it)
            waiting_.push_back(*it);
        work_.notify_all();
    }

    // One big folder's status calls, shared out in chunks.
    struct SharedWork {
        const std::function<void(std::size_t)>* job;
        std::size_t chunks;
        std::atomic<std::size_t> next{0};
        unsigned workers = 0; // other threads at it, under the lock
    };

    static void runChunks(SharedWork& work) {
        for (std::size_t chunk; (chunk = work.next.fetch_add(1)) < work.chunks;)
            (*work.job)(chunk);
    }

    void share(std::size_t chunks, const std::function<void(std::size_t)>& job) {
        SharedWork work{&job, chunks};
        if (helpers_.empty()) return runChunks(work);
        {
            std::lock_guard lock(mutex_);
            try {
                shared_.push_back(&work);
            } catch (const std::bad_alloc&) {
                // done on this thread alone
            }
        }
        work_.notify_all();
        listed_.notify_all();
        runChunks(work);
        std::unique_lock lock(mutex_);
        std::erase(shared_, &work);
        sharedDone_.wait(lock, [&] { return work.workers == 0; });
    }

    // Joins the shared work there is, if any.
    bool helpShared(std::unique_lock<std::mutex>& lock) {
        if (shared_.empty()) return false;
        SharedWork& work = *shared_.back();
        ++work.workers;
        lock.unlock();
        runChunks(work);
        lock.lock();
        std::erase(shared_, &work); // every chunk is taken
        --work.workers;
        sharedDone_.notify_all();
        return true;
    }

    void help() {
        ListingScratch scratch;
        std::unique_lock lock(mutex_);
        for (;;) {
            work_.wait(lock, [&] { return stop_ || !waiting_.empty() || !shared_.empty(); });
            if (stop_) return;
            if (helpShared(lock)) continue;
            const std::shared_ptr<ListedFolder> folder = std::move(waiting_.back());
            waiting_.pop_back();
            if (folder->state == ListedFolder::State::Waiting) list(folder, lock, scratch);
        }
    }

    // Waits until `folder` is listed; lists it (or other waiting folders) meanwhile rather
    // than sit idle.
    void await(const std::shared_ptr<ListedFolder>& folder) {
        std::unique_lock lock(mutex_);
        while (folder->state != ListedFolder::State::Listed) {
            if (folder->state == ListedFolder::State::Waiting) {
                list(folder, lock, scratch_);
            } else if (helpShared(lock)) {
                continue;
            } else if (!waiting_.empty()) {
                const std::shared_ptr<ListedFolder> other = std::move(waiting_.back());
                waiting_.pop_back();
                if (other->state == ListedFolder::State::Waiting) list(other, lock, scratch_);
            } else {
                listed_.wait(lock);
            }
        }
    }

    void enter(const std::shared_ptr<ListedFolder>& folder, const KeptFiles::Folder& kept) {
        ++progress_.folders;
        progress_.files += folder->entryCount;
        stack_.push_back({folder, 0, path_.size(), resolved_.size(), kept});
        if ((progress_.files >> 12) != reported_) {
            reported_ = progress_.files >> 12;
            report();
        }
    }

    // Depth first without recursion: the stack holds the folders from the root down.
    void walk() {
        while (!stack_.empty()) {
            Place& place = stack_.back();
            ListedFolder& folder = *place.folder;
            if (place.next == folder.entries.size()) {
                if (folder.readError) fail(path_, folder.readError);
                if (!folder.children.empty()) handles_.Forget(folder);
                // Listed folders keep nothing once walked.
                std::vector<ListedEntry>().swap(folder.entries);
                std::string().swap(folder.names);
                std::vector<std::shared_ptr<ListedFolder>>().swap(folder.children);
                std::vector<FileStatus>().swap(folder.statuses);
                folder.shared.reset();
                stack_.pop_back();
                if (!stack_.empty()) {
                    path_.resize(stack_.back().pathLength);
                    resolved_.resize(stack_.back().resolvedLength);
                }
                continue;
            }
            prefetchStatus(folder, place.next + StatusesAhead);
            const ListedEntry& entry = folder.entries[place.next++];
            const char* name = folder.names.c_str() + entry.name;
            switch (entry.kind) {
            case ListedEntry::File:
                addRow(name, folder.StatusOf(entry.child));
                break;
            case ListedEntry::Failed:
                fail(path_ + name, entry.error);
                break;
            case ListedEntry::Folder: {
                const std::shared_ptr<ListedFolder> child = folder.children[entry.child];
                await(child);
                if (child->failure) std::rethrow_exception(child->failure);
                if (child->openError) {
                    if (child->openError != ENOENT) fail(path_ + name, child->openError);
                    break;
                }
                path_.append(name).push_back('/');
                resolved_.append(name).push_back('/');
                // `place` and `folder` are not used after this
                enter(child, kept_.ForSubFolder(place.kept, resolved_, name, child->marks));
                break;
            }
            }
        }
    }

    // A huge folder's statuses lie in the order of its status calls, not its listing: each row
    // would wait for its status to come from memory.
    static constexpr std::size_t StatusesAhead = 16;
    static void prefetchStatus(const ListedFolder& folder, std::size_t index) {
        if (index >= folder.entries.size()) return;
        const ListedEntry& entry = folder.entries[index];
        if (entry.kind != ListedEntry::File) return;
        const auto* status = reinterpret_cast<const char*>(&folder.StatusOf(entry.child));
        Prefetch(status);
        Prefetch(status + sizeof(FileStatus) - 1);
    }

    void addRow(std::string_view name, const FileStatus& status) {
        TResultRow row;
        try {
            const WalkedFolder folder{path_, resolved_, hasRoot_ ? identity_.prefixLength : 0u,
                                      stack_.back().kept};
            rows_.Fill(row, folder, name, status, hasRoot_ ? &identity_ : nullptr);
        } catch (const std::length_error&) {
            // a path or name longer than a row can hold: said, not listed
            fail(path_ + std::string(name), ENAMETOOLONG);
            return;
        }
        ++progress_.rows;
        try {
            sink_(std::move(row));
        } catch (...) {
            sinkFailed_ = true;
            throw;
        }
    }

    void report() {
        if (onProgress_) onProgress_(progress_);
    }

    struct Place {
        std::shared_ptr<ListedFolder> folder;
        std::size_t next;       // its next entry to walk
        std::size_t pathLength; // of path_ while in this folder
        std::size_t resolvedLength;
        KeptFiles::Folder kept;
    };

    const RowSink& sink_;
    const std::function<void(const ScanProgress&)>& onProgress_;
    const std::function<void(const std::string&, int)>& onError_;
    std::optional<KeptFiles> ownKept_;
    KeptFiles& kept_;
    FileRowMaker rows_;
    const DescriptorBudget budget_;
    FolderHandles handles_;
    ListingRules rules_;
    ListingScratch scratch_; // the calling thread's
    std::size_t threads_ = 1;
    std::vector<Place> stack_;
    std::string path_;     // the path of the top folder, ending in "/"
    std::string resolved_; // the same with no link in it, for the kept-file check
    ScanProgress progress_;
    std::uint64_t reported_ = 0;
    FileIdentity identity_;
    bool hasRoot_ = false;
    bool sinkFailed_ = false;

    std::mutex mutex_;
    std::condition_variable work_;   // folders wait for helpers, or the walk ends
    std::condition_variable listed_; // a folder has been listed
    std::vector<std::shared_ptr<ListedFolder>> waiting_; // taken from the back
    std::vector<SharedWork*> shared_;
    std::condition_variable sharedDone_;
    bool stop_ = false;
    std::vector<std::thread> helpers_;
};

} // namespace

unsigned DefaultScanThreads() {
    // A warm walk is bound by the cores, a cold one (or a network file system) by the requests
    // in flight. Threads waiting on the disk cost no core, and extra threads cost a warm walk
    // nothing measurable, so even two cores get sixteen: cold, that halves the time of four.
    return std::clamp(2 * std::thread::hardware_concurrency(), 16u, 64u);
}

void WalkFolder(std::string folder, const ScanOptions& options, const RowSink& sink) {
    if (folder.empty()) return;
    if (folder.back() != '/') folder.push_back('/');
    int reason = 0;
    {
        Walk walk(sink, options);
        try {
            walk.run(folder);
        } catch (const std::system_error& e) {
            if (walk.SinkFailed()) throw;
            reason = e.code().value();
        } catch (const std::bad_alloc&) {
            if (walk.SinkFailed()) throw; // the consumer gave up
            reason = ENOMEM;
        }
    } // the listings ahead are let go before the message is made
    if (reason != 0) {
        if (folder.size() > 1) folder.pop_back();
        throw WalkStopped("the walk of " + folder + " stopped early: " + std::strerror(reason));
    }
}

} // namespace nullsweep
