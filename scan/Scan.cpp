// SPDX-License-Identifier: GPL-3.0-or-later
#include "scan/Scan.h"

#include "scan/ExactDelete.h"
#include "scan/FolderReader.h"
#include "scan/ResultRow.h"
#include "scan/StatWorker.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <climits>
#include <cstring>
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
    std::uint64_t device, inode; // what a delete checks it still finds
};

// Entries are handled in batches: read, status calls spread over two threads, then handled in
// listing order, folders descended into as they come. The listing stays open meanwhile.
constexpr std::size_t BatchSize = 1024;

class Scanner {
  public:
    Scanner(TVirtualStringTree& grid, const ScanOptions& options)
        : grid_(grid), times_(options.times ? *options.times : DateTimeText::System()),
          onProgress_(options.onProgress),
          kept_(options.kept ? *options.kept : ownKept_.emplace()) {}

    void scanRoot(std::string path) {
        FolderReader folder(AT_FDCWD, path.c_str(), /*followLink=*/true);
        struct stat st {};
        if (!folder.IsOpen() || ::fstat(folder.Fd(), &st) != 0) return;
        if (isPseudo(folder.Fd())) return;
        rootFor(folder.Fd(), path);
        ScanLevel(folder, path, st.st_dev, nullptr);
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

    // One folder level: `folder` is open, `path` is its path ending in "/".
    void ScanLevel(FolderReader& folder, std::string& path, dev_t device, PVirtualNode parent) {
        ++progress_.folders;
        std::vector<Item> items;
        items.reserve(BatchSize);
        std::string names;
        FolderReader::Entry entry;
        bool more = true;
        while (more) {
            items.clear();
            names.clear();
            while (items.size() < BatchSize && (more = folder.Next(entry))) {
                if (entry.name == "." || entry.name == "..") continue;
                items.push_back({names.size(), entry.type, false, 0, 0, 0, 0, 0, 0, 0, 0});
                names.append(entry.name).push_back('\0');
            }
            statBatch(folder.Fd(), items, names);
            for (const Item& item : items) {
                if ((++progress_.files & 0xFFF) == 0) report();
                try {
                    scanEntry(folder, path, device, item, names.c_str() + item.nameOffset, parent);
                } catch (...) {
                    // an entry that fails is passed over
                }
            }
        }
    }

    // Regular files need their length, and entries of unknown type their type.
    void statBatch(int fd, std::vector<Item>& items, const std::string& names) {
        std::size_t wanted = 0;
        for (const Item& item : items)
            if (item.type == DT_REG || item.type == DT_UNKNOWN) ++wanted;
        if (wanted == 0) return;
        auto work = [&](std::size_t begin, std::size_t end) {
            for (std::size_t i = begin; i < end; ++i) {
                Item& item = items[i];
                if (item.type != DT_REG && item.type != DT_UNKNOWN) continue;
                struct statx sx {};
                item.statted =
                    ::statx(fd, names.c_str() + item.nameOffset, StatxFlags, StatxMask, &sx) == 0;
                if (!item.statted) continue;
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
            work(0, items.size());
            return;
        }
        if (!worker_) worker_.emplace();
        worker_->Split(items.size(), work);
    }

    void scanEntry(FolderReader& folder, std::string& path, dev_t device, const Item& item,
                   const char* name, PVirtualNode parent) {
        switch (item.type) {
        case DT_DIR:
            descend(folder, path, device, name, parent);
            return;
        case DT_REG:
        case DT_UNKNOWN:
            break;
        default:
            return; // links, FIFOs, sockets and devices are never listed nor entered
        }
        if (!item.statted || !(item.mask & STATX_TYPE)) return;
        if (S_ISDIR(item.mode)) {
            if (item.type == DT_UNKNOWN) descend(folder, path, device, name, parent);
            return;
        }
        if (!S_ISREG(item.mode)) return;
        if (!(item.mask & STATX_SIZE) || item.size != 0) return;
        addRow(path, name, item, parent);
    }

    void descend(FolderReader& folder, std::string& path, dev_t device, const char* name,
                 PVirtualNode parent) {
        FolderReader child(folder.Fd(), name, /*followLink=*/false);
        if (!child.IsOpen()) return;
        struct stat st {};
        if (::fstat(child.Fd(), &st) != 0) return;
        // Only a mount point can lead into a pseudo file system.
        if (st.st_dev != device && isPseudo(child.Fd())) return;
        const auto length = path.size();
        path.append(name).push_back('/');
        ScanLevel(child, path, st.st_dev, parent);
        path.resize(length);
    }

    void addRow(const std::string& path, std::string_view name, const Item& item,
                PVirtualNode parent) {
        PVirtualNode node = AddRow(grid_, parent);
        ++progress_.rows;
        // The texts are gathered in this order; a failure part-way keeps what was gathered in
        // the row and leaves it unchecked.
        std::string texts[8];
        TResultRow::Texts slots{};
        auto commit = [&] { RowOf(node).Assign(slots); };
        try {
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
        } catch (...) {
            commit();
            throw;
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
        commit();
        node->CheckState = keptReason.empty() ? csCheckedNormal : csUncheckedNormal;
    }

    void report() {
        if (onProgress_) onProgress_(progress_);
    }

    TVirtualStringTree& grid_;
    const DateTimeText& times_;
    const std::function<void(const ScanProgress&)>& onProgress_;
    std::optional<TKeptFiles> ownKept_;
    TKeptFiles& kept_;
    ScanProgress progress_;
    TFileIdentity identity_;
    bool hasRoot_ = false;
    std::optional<StatWorker> worker_;
};

} // namespace

void ScanFolder(TVirtualStringTree& grid, std::string folder, const ScanOptions& options) {
    grid.BeginUpdate();
    try {
        PrepareRowData(grid);
        if (!folder.empty()) {
            if (folder.back() != '/') folder.push_back('/');
            Scanner(grid, options).scanRoot(std::move(folder));
        }
    } catch (...) {
        // nothing of a scan reaches the user; the rows added so far stay
    }
    grid.EndUpdate();
}

} // namespace nullsweep
