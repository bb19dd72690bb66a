// SPDX-License-Identifier: GPL-3.0-or-later
#include "scan/Scan.h"

#include "scan/ExactDelete.h"
#include "scan/FolderReader.h"
#include "scan/ResultRow.h"
#include "scan/StatWorker.h"

#include <fcntl.h>
#include <fnmatch.h>
#include <linux/magic.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <memory>
#include <optional>
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

constexpr unsigned StatxMask =
    STATX_TYPE | STATX_SIZE | STATX_INO | STATX_ATIME | STATX_MTIME | STATX_CTIME | STATX_BTIME;
constexpr int StatxFlags = AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT;

// One listing entry of a batch, with its status where it was needed.
struct Item {
    std::size_t nameOffset;
    unsigned char type;
    bool statted;
    // What the scan needs of the file's status (a whole statx is four times the size).
    std::uint32_t mask;
    std::uint16_t mode;
    std::uint64_t size;
    std::int64_t born, accessed, written;
    dev_t device;
    ino_t inode; // with the device, what a delete checks it still finds
};

// Entries are handled in batches: read, status calls spread over two threads, then handled in
// listing order, folders descended into as they come.
constexpr std::size_t BatchSize = 1024;

// At most this many folders are open at once (fewer under a low descriptor limit); deeper
// folders close their shallowest open ancestors, which keep their remaining entries in memory.
std::size_t openFolderLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return 64;
    const auto cur = static_cast<std::size_t>(limit.rlim_cur);
    return std::clamp<std::size_t>(cur > 16 ? (cur - 16) / 4 : 1, 2, 64);
}

// One folder of the walk's path from the root to where it is.
struct Frame {
    std::unique_ptr<FolderReader> reader; // null once closed to bound the open descriptors
    std::string name;                     // its name in the folder above, to open it again
    std::size_t pathLength;               // length of the walk's path ending in this folder's "/"
    dev_t device;
    ino_t inode;
    std::vector<Item> items; // entries read and not yet handled from `next` on
    std::string names;
    std::size_t next = 0;
    bool listed = false; // the listing has been read to its end
};

class Scanner {
  public:
    Scanner(const RowSink& sink, const ScanOptions& options)
        : sink_(sink), times_(options.times ? *options.times : DateTimeText::System()),
          onProgress_(options.onProgress), onError_(options.onError),
          oneFileSystem_(options.oneFileSystem), excludes_(options.excludes),
          openLimit_(openFolderLimit()), kept_(options.kept ? *options.kept : ownKept_.emplace()) {}

    void scanRoot(std::string path) {
        auto root = std::make_unique<FolderReader>(AT_FDCWD, path.c_str(), /*followLink=*/true);
        struct stat st {};
        if (!root->IsOpen() || ::fstat(root->Fd(), &st) != 0) return;
        if (isPseudo(root->Fd())) return;
        rootFor(root->Fd(), path);
        path_ = std::move(path);
        rootDevice_ = st.st_dev;
        push(std::move(root), {}, st);
        walk();
        report();
    }

  private:
    // Deletes start from the folder as it was resolved now (a root given as a link is followed
    // this once).
    void rootFor(int fd, const std::string& path) {
        char resolved[PATH_MAX + 1];
        const std::string self = "/proc/self/fd/" + std::to_string(fd);
        const ssize_t n = ::readlink(self.c_str(), resolved, PATH_MAX);
        if (n <= 0 || resolved[0] != '/') return;
        identity_.root = InternScanRoot(std::string(resolved, std::size_t(n)));
        identity_.prefixLength = static_cast<std::uint32_t>(path.size());
        hasRoot_ = true;
    }

    static bool isPseudo(int fd) {
        struct statfs fs {};
        return ::fstatfs(fd, &fs) == 0 && IsPseudoFileSystem(fs.f_type);
    }

    bool isPseudoFile(Frame& frame, const char* name) {
        if (!frame.reader && !reopen(stack_.size() - 1)) return true;
        const int fd = ::openat(frame.reader->Fd(), name, O_PATH | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) return true;
        const bool pseudo = isPseudo(fd);
        ::close(fd);
        return pseudo;
    }

    void fail(std::string_view path, int error) {
        if (!onError_) return;
        if (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
        onError_(std::string(path), error);
    }

    void push(std::unique_ptr<FolderReader> reader, std::string name, const struct stat& st) {
        ++progress_.folders;
        Frame& frame = stack_.emplace_back();
        frame.reader = std::move(reader);
        frame.name = std::move(name);
        frame.pathLength = path_.size();
        frame.device = st.st_dev;
        frame.inode = st.st_ino;
        ++open_;
        if (open_ > openLimit_) closeShallowest();
    }

    // Depth first without recursion: the stack holds the folders from the root down.
    void walk() {
        while (!stack_.empty()) {
            Frame& frame = stack_.back();
            if (frame.next == frame.items.size()) {
                if (frame.listed) {
                    if (frame.reader) --open_;
                    stack_.pop_back();
                    if (!stack_.empty()) path_.resize(stack_.back().pathLength);
                    continue;
                }
                frame.items.clear();
                frame.names.clear();
                frame.next = 0;
                readBatch(frame, BatchSize);
                continue;
            }
            const Item item = frame.items[frame.next++];
            if ((++progress_.files & 0xFFF) == 0) report();
            try {
                scanEntry(frame, item, frame.names.c_str() + item.nameOffset);
            } catch (...) {
                if (sinkFailed_) throw; // the consumer gave up
                // an entry that fails is passed over
            }
        }
    }

    // Reads up to `count` more entries of the open listing and stats those that need it.
    void readBatch(Frame& frame, std::size_t count) {
        const std::size_t first = frame.items.size();
        FolderReader::Entry entry;
        bool more = true;
        while (frame.items.size() - first < count && (more = frame.reader->Next(entry))) {
            if (entry.name == "." || entry.name == "..") continue;
            frame.items.push_back({frame.names.size(), entry.type, false, 0, 0, 0, 0, 0, 0, 0, 0});
            frame.names.append(entry.name).push_back('\0');
        }
        if (!more) {
            frame.listed = true;
            if (frame.reader->Error())
                fail(path_.substr(0, frame.pathLength), frame.reader->Error());
        }
        statBatch(frame, first);
    }

    // The shallowest open folder below the root reads the rest of its listing and closes.
    void closeShallowest() {
        for (std::size_t i = 1; i + 1 < stack_.size(); ++i) {
            Frame& frame = stack_[i];
            if (!frame.reader) continue;
            frame.items.erase(frame.items.begin(), frame.items.begin() + long(frame.next));
            frame.next = 0;
            if (!frame.listed) readBatch(frame, SIZE_MAX);
            frame.reader.reset();
            --open_;
            return;
        }
    }

    // Opens a closed folder again from its nearest open ancestor, one name at a time, links
    // not followed; false (and said) when it is no longer the folder it was.
    bool reopen(std::size_t index) {
        std::size_t open = index;
        while (!stack_[open].reader)
            --open;
        int fd = stack_[open].reader->Fd();
        std::unique_ptr<FolderReader> reader, above;
        for (std::size_t i = open + 1; i <= index; ++i) {
            above = std::move(reader);
            reader = std::make_unique<FolderReader>(fd, stack_[i].name.c_str(), false);
            if (!reader->IsOpen()) {
                fail(path_.substr(0, stack_[index].pathLength), errno);
                return false;
            }
            fd = reader->Fd();
        }
        above.reset();
        struct stat st {};
        if (::fstat(fd, &st) != 0 || st.st_dev != stack_[index].device ||
            st.st_ino != stack_[index].inode) {
            fail(path_.substr(0, stack_[index].pathLength), ESTALE);
            return false;
        }
        stack_[index].reader = std::move(reader);
        ++open_;
        if (open_ > openLimit_) closeShallowest();
        return true;
    }
    // Regular files need their length, and entries of unknown type their type.
    void statBatch(Frame& frame, std::size_t first) {
        const int fd = frame.reader->Fd();
        const std::string& names = frame.names;
        Item* const items = frame.items.data() + first;
        const std::size_t count = frame.items.size() - first;
        std::size_t wanted = 0;
        for (std::size_t i = 0; i < count; ++i)
            if (items[i].type == DT_REG || items[i].type == DT_UNKNOWN) ++wanted;
        if (wanted == 0) return;
        auto work = [&](std::size_t begin, std::size_t end) {
            for (std::size_t i = begin; i < end; ++i) {
                Item& item = items[i];
                if (item.type != DT_REG && item.type != DT_UNKNOWN) continue;
                struct statx sx {};
                item.statted =
                    ::statx(fd, names.c_str() + item.nameOffset, StatxFlags, StatxMask, &sx) == 0;
                if (!item.statted) {
                    item.mask = static_cast<std::uint32_t>(errno); // said in listing order
                    continue;
                }
                item.mask = sx.stx_mask;
                item.mode = sx.stx_mode;
                item.size = sx.stx_size;
                // Where the file system keeps no birth time, the status-change time stands in.
                item.born = (sx.stx_mask & STATX_BTIME) ? sx.stx_btime.tv_sec : sx.stx_ctime.tv_sec;
                item.accessed = sx.stx_atime.tv_sec;
                item.written = sx.stx_mtime.tv_sec;
                item.device = makedev(sx.stx_dev_major, sx.stx_dev_minor);
                item.inode = sx.stx_ino;
            }
        };
        if (wanted < 64) {
            work(0, count);
            return;
        }
        if (!worker_) worker_.emplace();
        worker_->Split(count, work);
    }

    void scanEntry(Frame& frame, const Item& item, const char* name) {
        for (const std::string& pattern : excludes_)
            if (::fnmatch(pattern.c_str(), name, 0) == 0) return;
        switch (item.type) {
        case DT_DIR:
            descend(frame, name);
            return;
        case DT_REG:
        case DT_UNKNOWN:
            break;
        default:
            return; // links, FIFOs, sockets and devices are never listed nor entered
        }
        if (!item.statted) {
            if (item.mask != ENOENT) fail(path_ + name, int(item.mask)); // gone: nothing missed
            return;
        }
        if (!(item.mask & STATX_TYPE)) return;
        if (S_ISDIR(item.mode)) {
            if (item.type == DT_UNKNOWN) descend(frame, name);
            return;
        }
        if (!S_ISREG(item.mode)) return;
        if (!(item.mask & STATX_SIZE) || item.size != 0) return;
        // A file mounted over one of this folder's (a bind mount) may come from a pseudo file
        // system.
        if (item.device != frame.device && isPseudoFile(frame, name)) return;
        addRow(path_, name, item);
    }

    // Enters the folder `name` of the top frame; `frame` is not used after the push.
    void descend(Frame& frame, const char* name) {
        if (!frame.reader && !reopen(stack_.size() - 1)) {
            frame.items.clear(); // the rest of this folder cannot be reached
            frame.next = 0;
            return;
        }
        auto child = std::make_unique<FolderReader>(frame.reader->Fd(), name, false);
        if (!child->IsOpen()) {
            if (errno != ENOENT) fail(path_ + name, errno);
            return;
        }
        struct stat st {};
        if (::fstat(child->Fd(), &st) != 0) {
            fail(path_ + name, errno);
            return;
        }
        // Only a mount point can lead into a pseudo file system.
        if (st.st_dev != frame.device &&
            (isPseudo(child->Fd()) || (oneFileSystem_ && st.st_dev != rootDevice_)))
            return;
        path_.append(name).push_back('/');
        push(std::move(child), name, st);
    }

    void addRow(const std::string& path, std::string_view name, const Item& item) {
        TResultRow row;
        ++progress_.rows;
        // A failure part-way passes the file over.
        std::string texts[8];
        TResultRow::Texts slots{};
        {
            texts[0] = path;
            texts[0].append(name);
            slots[TResultRow::FirstFieldSlot + int(TField::FullPath)] = texts[0];
            slots[TResultRow::FirstFieldSlot + int(TField::FileName)] = name;
            texts[1] = std::to_string(item.size);
            slots[TResultRow::FirstFieldSlot + int(TField::FileSize)] = texts[1];
            slots[TResultRow::FirstFieldSlot + int(TField::FileExt)] = FileExtOf(texts[0]);
            slots[TResultRow::FirstFieldSlot + int(TField::FileType)] = "file";
            texts[2] = FileTimeText(item.born, times_);
            slots[TResultRow::FirstFieldSlot + int(TField::CreateTime)] = texts[2];
            texts[3] = FileTimeText(item.accessed, times_);
            slots[TResultRow::FirstFieldSlot + int(TField::AccessTime)] = texts[3];
            texts[4] = FileTimeText(item.written, times_);
            slots[TResultRow::FirstFieldSlot + int(TField::WriteTime)] = texts[4];
        }
        const std::string_view keptReason = kept_.ReasonFor(texts[0], name);
        slots[KeptSlot] = keptReason;
        if (hasRoot_) {
            TFileIdentity identity = identity_;
            identity.device = item.device;
            identity.inode = item.inode;
            texts[5] = IdentityText(identity);
            slots[IdentitySlot] = texts[5];
        }
        row.Assign(slots);
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

    const RowSink& sink_;
    const DateTimeText& times_;
    const std::function<void(const ScanProgress&)>& onProgress_;
    const std::function<void(const std::string&, int)>& onError_;
    const bool oneFileSystem_;
    const std::vector<std::string>& excludes_;
    dev_t rootDevice_ = 0;
    const std::size_t openLimit_;
    std::size_t open_ = 0;
    std::vector<Frame> stack_;
    std::string path_; // the path of the top frame's folder, ending in "/"
    std::optional<TKeptFiles> ownKept_;
    TKeptFiles& kept_;
    ScanProgress progress_;
    TFileIdentity identity_;
    bool hasRoot_ = false;
    bool sinkFailed_ = false;
    std::optional<StatWorker> worker_;
};

} // namespace

void WalkFolder(std::string folder, const ScanOptions& options, const RowSink& sink) {
    if (folder.empty()) return;
    if (folder.back() != '/') folder.push_back('/');
    Scanner(sink, options).scanRoot(std::move(folder));
}

} // namespace nullsweep
