// SPDX-License-Identifier: GPL-3.0-or-later
#include "scan/FilesFrom.h"

#include "config/PathParts.h"
#include "scan/ExactDelete.h"
#include "scan/FileRow.h"
#include "scan/FolderArgument.h"
#include "scan/ResultRow.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <optional>
#include <string>

namespace nullsweep {

namespace {

bool onPseudoFileSystem(int fd) {
    struct statfs fs {};
    return ::fstatfs(fd, &fs) == 0 && IsPseudoFileSystem(fs.f_type);
}

class FileListScanner {
  public:
    FileListScanner(const RowSink& sink, const ScanOptions& options)
        : sink_(sink), options_(options),
          times_(options.times ? *options.times : DateTimeText::System()),
          kept_(options.kept ? *options.kept : ownKept_.emplace()), rows_(kept_, times_) {}
    ~FileListScanner() { closeFolder(); }
    FileListScanner(const FileListScanner&) = delete;
    FileListScanner& operator=(const FileListScanner&) = delete;

    void add(const std::string& given) {
        if (given.empty()) return;
        if (++progress_.files % 4096 == 0) report();
        std::string problem;
        const std::string path = AbsolutePath(given, problem);
        if (!problem.empty()) return fail(given, ENOENT);
        const auto [folder, name] = CutPath(path);
        if (name.empty() || name == "." || name == "..") return; // a folder
        if (folder != folderPath_) openFolder(std::string(folder));
        if (folderFd_ < 0) return fail(path, folderError_);
        struct statx sx {};
        const std::string nameText(name);
        if (::statx(folderFd_, nameText.c_str(), AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT,
                    STATX_TYPE | STATX_SIZE | STATX_INO | STATX_ATIME | STATX_MTIME | STATX_CTIME |
                        STATX_BTIME,
                    &sx) != 0)
            return fail(path, errno);
        if (!S_ISREG(sx.stx_mode) || sx.stx_size != 0 || folderPseudo_) return;
        const std::uint64_t device = makedev(sx.stx_dev_major, sx.stx_dev_minor);
        // A file mounted over one of the folder's may come from a pseudo file system.
        if (device != folderDevice_ && isPseudoFile(nameText)) return;
        TFileStatus status{sx.stx_size,
                           (sx.stx_mask & STATX_BTIME) ? sx.stx_btime.tv_sec : sx.stx_ctime.tv_sec,
                           sx.stx_atime.tv_sec,
                           sx.stx_mtime.tv_sec,
                           device,
                           sx.stx_ino};
        SetIdentityTimes(status, sx);
        TResultRow row;
        rows_.Fill(row, folder, name, status, hasRoot_ ? &root_ : nullptr, given);
        ++progress_.rows;
        sink_(std::move(row));
    }

    void report() {
        if (options_.onProgress) options_.onProgress(progress_);
    }

  private:
    void fail(const std::string& path, int error) {
        if (options_.onError) options_.onError(path, error);
    }

    // Lists usually hold the files of one folder together: the folder stays open for them. Its
    // path is followed as a scan root's is, and it is the root of its files' exact deletes.
    void openFolder(std::string folder) {
        closeFolder();
        folderPath_ = std::move(folder);
        folderFd_ = ::open(folderPath_.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        folderError_ = errno;
        if (folderFd_ < 0) return;
        struct stat st {};
        folderPseudo_ = onPseudoFileSystem(folderFd_);
        folderDevice_ = ::fstat(folderFd_, &st) == 0 ? st.st_dev : 0;
        const std::uint32_t root =
            InternScanRoot(folderFd_, ResolvedFolderPath(folderFd_, folderPath_), false);
        hasRoot_ = root != NoScanRoot;
        root_.root = root;
        root_.prefixLength = static_cast<std::uint32_t>(folderPath_.size());
    }

    void closeFolder() {
        if (folderFd_ >= 0) ::close(folderFd_);
        folderFd_ = -1;
        hasRoot_ = false;
    }

    bool isPseudoFile(const std::string& name) const {
        const int fd = ::openat(folderFd_, name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) return true;
        const bool pseudo = onPseudoFileSystem(fd);
        ::close(fd);
        return pseudo;
    }

    const RowSink& sink_;
    const ScanOptions& options_;
    const DateTimeText& times_;
    std::optional<TKeptFiles> ownKept_;
    TKeptFiles& kept_;
    TFileRowMaker rows_;
    ScanProgress progress_;
    std::string folderPath_;
    int folderFd_ = -1;
    int folderError_ = 0;
    bool folderPseudo_ = false;
    std::uint64_t folderDevice_ = 0;
    TFileIdentity root_;
    bool hasRoot_ = false;
};

} // namespace

int ScanFileList(std::FILE* list, bool nulEnded, const ScanOptions& options, const RowSink& sink) {
    int error = 0;
    char* line = nullptr;
    std::size_t capacity = 0;
    try {
        FileListScanner scanner(sink, options);
        const int end = nulEnded ? '\0' : '\n';
        ssize_t n;
        errno = 0;
        while ((n = ::getdelim(&line, &capacity, end, list)) > 0) {
            std::string path(line, std::size_t(n));
            if (path.back() == char(end)) path.pop_back();
            scanner.add(path);
            errno = 0;
        }
        if (std::ferror(list)) error = errno ? errno : EIO;
        scanner.report();
    } catch (...) {
        // nothing of a scan reaches the user; the rows added so far stay
    }
    std::free(line);
    return error;
}

} // namespace nullsweep
