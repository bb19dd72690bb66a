// SPDX-License-Identifier: GPL-3.0-or-later
#include "scan/Scan.h"

#include "scan/FolderReader.h"
#include "scan/ResultRow.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>

#include <cstring>

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

constexpr unsigned StatxMask = STATX_TYPE | STATX_SIZE | STATX_ATIME | STATX_MTIME |
                               STATX_CTIME | STATX_BTIME;
constexpr int StatxFlags = AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT;

class Scanner {
  public:
    Scanner(TVirtualStringTree& grid, const ScanOptions& options)
        : grid_(grid), times_(options.times ? *options.times : DateTimeText::System()),
          onProgress_(options.onProgress) {}

    void scanRoot(std::string path) {
        FolderReader folder(AT_FDCWD, path.c_str(), /*followLink=*/true);
        struct stat st {};
        if (!folder.IsOpen() || ::fstat(folder.Fd(), &st) != 0) return;
        if (isPseudo(folder.Fd())) return;
        ScanLevel(folder, path, st.st_dev, nullptr);
        report();
    }

  private:
    static bool isPseudo(int fd) {
        struct statfs fs {};
        return ::fstatfs(fd, &fs) == 0 && IsPseudoFileSystem(fs.f_type);
    }

    // One folder level: `folder` is open, `path` is its path ending in "/".
    void ScanLevel(FolderReader& folder, std::string& path, dev_t device, PVirtualNode parent) {
        ++progress_.folders;
        FolderReader::Entry entry;
        while (folder.Next(entry)) {
            if (entry.name == "." || entry.name == "..") continue;
            if ((++progress_.files & 0xFFF) == 0) report();
            try {
                scanEntry(folder, path, device, entry, parent);
            } catch (...) {
                // an entry that fails is passed over
            }
        }
    }

    void scanEntry(FolderReader& folder, std::string& path, dev_t device,
                   const FolderReader::Entry& entry, PVirtualNode parent) {
        const char* name = entry.name.data();
        unsigned char type = entry.type;
        struct statx sx {};
        bool haveStat = false;
        switch (type) {
        case DT_DIR:
        case DT_REG:
            break;
        case DT_UNKNOWN:
            if (::statx(folder.Fd(), name, StatxFlags, StatxMask, &sx) != 0) return;
            haveStat = true;
            type = S_ISDIR(sx.stx_mode) ? DT_DIR : S_ISREG(sx.stx_mode) ? DT_REG : DT_UNKNOWN;
            break;
        default:
            return; // links, FIFOs, sockets and devices are never listed nor entered
        }
        if (type == DT_DIR) {
            descend(folder, path, device, entry.name, parent);
            return;
        }
        if (type != DT_REG) return;
        if (!haveStat && ::statx(folder.Fd(), name, StatxFlags, StatxMask, &sx) != 0) return;
        if (!(sx.stx_mask & STATX_TYPE) || !S_ISREG(sx.stx_mode)) return;
        if (!(sx.stx_mask & STATX_SIZE) || sx.stx_size != 0) return;
        addRow(path, entry.name, sx, parent);
    }

    void descend(FolderReader& folder, std::string& path, dev_t device, std::string_view name,
                 PVirtualNode parent) {
        FolderReader child(folder.Fd(), name.data(), /*followLink=*/false);
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

    void addRow(const std::string& path, std::string_view name, const struct statx& sx,
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
            texts[1] = std::to_string(sx.stx_size);
            slots[TResultRow::FirstFieldSlot + int(TField::FileSize)] = texts[1];
            slots[TResultRow::FirstFieldSlot + int(TField::FileExt)] = FileExtOf(texts[0]);
            slots[TResultRow::FirstFieldSlot + int(TField::FileType)] = "file";
            const auto& born = (sx.stx_mask & STATX_BTIME) ? sx.stx_btime : sx.stx_ctime;
            texts[2] = FileTimeText(born.tv_sec, times_);
            slots[TResultRow::FirstFieldSlot + int(TField::CreateTime)] = texts[2];
            texts[3] = FileTimeText(sx.stx_atime.tv_sec, times_);
            slots[TResultRow::FirstFieldSlot + int(TField::AccessTime)] = texts[3];
            texts[4] = FileTimeText(sx.stx_mtime.tv_sec, times_);
            slots[TResultRow::FirstFieldSlot + int(TField::WriteTime)] = texts[4];
        } catch (...) {
            commit();
            throw;
        }
        commit();
        node->CheckState = csCheckedNormal;
    }

    void report() {
        if (onProgress_) onProgress_(progress_);
    }

    TVirtualStringTree& grid_;
    const DateTimeText& times_;
    const std::function<void(const ScanProgress&)>& onProgress_;
    ScanProgress progress_;
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
