// SPDX-License-Identifier: GPL-3.0-or-later
#include "scan/KeptFiles.h"

#include "fs/OwnedFd.h"
#include "fs/PathParts.h"
#include "scan/ExactDelete.h"
#include "scan/Trash.h"

#include <git2.h>

#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>

#include <cstdlib>
#include <map>
#include <vector>

namespace nullsweep {

namespace {

constexpr std::string_view BareRepository = "Kept: inside a bare git repository";
constexpr std::string_view UnreadableIndex = "Kept: in a git repository whose index cannot be read";
constexpr std::string_view VersionControl = "Kept: inside a version control folder";
constexpr std::string_view PackageState = "Kept: package manager state";
constexpr std::string_view TrashFolder = "Kept: inside a trash folder";

std::string_view reasonForName(std::string_view name) {
    if (name == "__init__.py") return "Kept: marks a Python package";
    if (name == "py.typed") return "Kept: marks a typed Python package";
    if (name == ".gitkeep" || name == ".keep") return "Kept: keeps its folder";
    if (name == ".nomedia") return "Kept: hides its folder from media players";
    if (name == ".donotdelete") return "Kept: marked not to be deleted";
    return {};
}

bool insideVersionControl(std::string_view path) {
    for (const std::string_view folder : {"/.git/", "/.hg/", "/.svn/", "/.bzr/"})
        if (path.find(folder) != std::string_view::npos) return true;
    return false;
}

bool versionControlName(std::string_view name) {
    return name == ".git" || name == ".hg" || name == ".svn" || name == ".bzr";
}

bool packageManagerState(std::string_view path) {
    return path.starts_with("/var/lib/dpkg/") || path.starts_with("/var/lib/apt/");
}

bool allDigits(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// The trash folders of other file systems: ".Trash-UID/" and ".Trash/UID/" anywhere.
bool insideTopTrash(std::string_view folder) {
    for (std::size_t at = folder.find("/.Trash"); at != std::string_view::npos;
         at = folder.find("/.Trash", at + 1)) {
        const std::string_view rest = folder.substr(at + 7);
        const auto end = rest.find('/', 1);
        if (end == std::string_view::npos) continue;
        if (rest[0] == '-' && allDigits(rest.substr(1, end - 1))) return true;
        if (rest[0] == '/' && allDigits(rest.substr(1, end - 1))) return true;
    }
    return false;
}

// insideTopTrash for `folder` whose parent is not inside one: only its last name can make it.
bool topTrashByName(std::string_view folder, std::string_view name) {
    if (name.starts_with(".Trash-") && allDigits(name.substr(7))) return true;
    return allDigits(name) && folder.size() > name.size() + 1 &&
           folder.substr(0, folder.size() - name.size() - 1).ends_with("/.Trash/");
}

std::string homeTrashFolder() {
    const std::string home = UserTrash::HomeTrashPath();
    if (home.empty()) return {};
    char* real = ::realpath(home.c_str(), nullptr);
    std::string path = real ? real : home;
    std::free(real);
    if (path.back() != '/') path.push_back('/');
    return path;
}

bool isFolderAt(int fd, const char* name) {
    struct stat st {};
    return ::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
}

bool existsAt(int fd, const char* name) {
    struct stat st {};
    return ::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) == 0;
}

} // namespace

// The folders met so far as a tree of names, each knowing the repository it is in: a folder
// is looked at once, relative to its parent's descriptor, so the cost grows with the number of
// folders, not with their depth times their number.
struct KeptFiles::Repositories {
    // A folder's state: a repository's index, or one of these.
    static constexpr int None = -1, Bare = -2, Unreadable = -3;
    struct Node {
        std::map<std::string, std::unique_ptr<Node>, std::less<>> children;
        int state = None;
    };
    struct Repository {
        std::string workdir; // ends in "/"
        git_repository* repo = nullptr;
        git_index* index = nullptr;
    };
    std::vector<Repository> repositories;
    std::map<std::string, int, std::less<>> byWorkdir;
    std::unique_ptr<Node> root;
    std::function<void(const std::string&)>& warn;
    OwnedFd last; // the folder opened last, at `lastPath`
    std::string lastPath;

    explicit Repositories(std::function<void(const std::string&)>& warnings) : warn(warnings) {
        git_libgit2_init();
        // Only the index is read, never run: a repository of another user (root cleaning
        // /home) must count as much as one's own.
        git_libgit2_opts(GIT_OPT_SET_OWNER_VALIDATION, 0);
    }
    ~Repositories() {
        for (Repository& r : repositories) {
            git_index_free(r.index);
            git_repository_free(r.repo);
        }
        git_libgit2_shutdown();
    }

    // The state of `folder` ("/a/b/"), each folder on the way looked at once.
    int stateOf(std::string_view folder) {
        std::size_t known = 1; // bytes of `folder` whose folders have a state
        OwnedFd fd;            // of folder.substr(0, known), opened when first needed
        if (!root) {
            root = std::make_unique<Node>();
            fd.reset(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
            root->state = look(fd.get(), "/", None);
        }
        Node* node = root.get();
        while (known < folder.size()) {
            const auto slash = folder.find('/', known);
            if (slash == std::string_view::npos) break;
            const std::string_view name = folder.substr(known, slash - known);
            auto child = node->children.find(name);
            if (child == node->children.end()) {
                if (fd.get() < 0) fd.reset(reopen(folder.substr(0, known)));
                auto made = std::make_unique<Node>();
                const std::string nameText(name);
                OwnedFd next(fd.get() < 0
                                 ? -1
                                 : ::openat(fd.get(), nameText.c_str(),
                                            O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
                // A folder that cannot be opened is as its parent.
                made->state = next.get() < 0
                                  ? node->state
                                  : look(next.get(), folder.substr(0, slash + 1), node->state);
                fd = std::move(next);
                child = node->children.emplace(nameText, std::move(made)).first;
            } else {
                fd.reset();
            }
            node = child->second.get();
            known = slash + 1;
        }
        if (fd.get() >= 0) {
            lastPath = std::string(folder.substr(0, known));
            last = std::move(fd);
        }
        return node->state;
    }

    // The folder `path` ("/a/b/"), reached from the last folder opened when it lies a few
    // levels above it (a walk comes back up to the folders beside those it went down into),
    // each step up checked to lead to the folder just left; else from "/". Without this a
    // deep chain would cost its depth for every folder beside it.
    int reopen(std::string_view path) {
        if (last.get() >= 0 && lastPath.starts_with(path)) {
            std::vector<std::string_view> names; // from the last folder up to `path`
            for (std::string_view rest = std::string_view(lastPath).substr(path.size());
                 !rest.empty();) {
                rest.remove_suffix(1); // its "/"
                const auto slash = rest.rfind('/');
                names.push_back(rest.substr(slash + 1));
                rest = slash == std::string_view::npos ? std::string_view()
                                                       : rest.substr(0, slash + 1);
            }
            OwnedFd at(::fcntl(last.get(), F_DUPFD_CLOEXEC, 0));
            bool ok = names.size() <= 16 && at.get() >= 0;
            for (std::size_t i = 0; ok && i < names.size(); ++i) {
                OwnedFd up(::openat(at.get(), "..", O_PATH | O_DIRECTORY | O_CLOEXEC));
                struct stat here {
                }, named{};
                const std::string name(names[i]);
                ok = up.get() >= 0 && ::fstat(at.get(), &here) == 0 &&
                     ::fstatat(up.get(), name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
                     here.st_dev == named.st_dev && here.st_ino == named.st_ino;
                at = std::move(up);
            }
            if (ok) return at.release();
        }
        const OwnedFd top(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
        return OpenFolderBeneath(top.get(), path.substr(1, path.size() > 1 ? path.size() - 2 : 0));
    }

    // A folder of its own: a repository of its own, a bare one, or as its parent.
    int look(int fd, std::string_view path, int parentState) {
        if (parentState == Bare || parentState == Unreadable) return parentState;
        RepositoryMarks marks;
        marks.git = existsAt(fd, ".git");
        marks.head = !marks.git && existsAt(fd, "HEAD");
        marks.objects = marks.head && isFolderAt(fd, "objects");
        marks.refs = marks.objects && isFolderAt(fd, "refs");
        return fromMarks(path, parentState, marks);
    }

    int fromMarks(std::string_view path, int parentState, const RepositoryMarks& marks) {
        if (parentState == Bare || parentState == Unreadable) return parentState;
        if (marks.git) return open(std::string(path));
        if (marks.head && marks.objects && marks.refs) return Bare;
        return parentState;
    }

    // Each repository is opened (and an unreadable one named) once, however often it is met.
    int open(const std::string& workdir) {
        const auto known = byWorkdir.find(workdir);
        if (known != byWorkdir.end()) return known->second;
        const int state = openNew(workdir);
        byWorkdir.emplace(workdir, state);
        return state;
    }

    int openNew(const std::string& workdir) {
        git_repository* repo = nullptr;
        git_index* index = nullptr;
        if (git_repository_open_ext(&repo, workdir.c_str(), GIT_REPOSITORY_OPEN_NO_SEARCH,
                                    nullptr) == 0 &&
            git_repository_index(&index, repo) == 0) {
            repositories.push_back({workdir, repo, index});
            return int(repositories.size() - 1);
        }
        const git_error* error = git_error_last();
        git_repository_free(repo);
        if (warn)
            warn("cannot read the git repository " + workdir.substr(0, workdir.size() - 1) + ": " +
                 (error && error->message ? error->message : "unknown error") +
                 "; every file below it is kept");
        return Unreadable;
    }

    bool tracks(int which, std::string_view path) {
        if (which < 0) return false;
        const Repository& r = repositories[std::size_t(which)];
        if (!path.starts_with(r.workdir)) return false;
        const std::string relative(path.substr(r.workdir.size()));
        return git_index_get_bypath(r.index, relative.c_str(), 0) != nullptr;
    }
};

KeptFiles::KeptFiles(std::vector<std::string> keepPatterns)
    : keepPatterns_(std::move(keepPatterns)), homeTrash_(homeTrashFolder()) {}

KeptFiles::~KeptFiles() = default;

void KeptFiles::SetWarning(std::function<void(const std::string&)> warn) {
    const std::lock_guard lock(mutex_);
    warn_ = std::move(warn);
}

std::string_view KeptFiles::ReasonFor(std::string_view path, std::string_view name) {
    return ReasonFor(ForFolder(CutPath(path).folder), path, name, name);
}

KeptFiles::Folder KeptFiles::ForFolder(std::string_view folder) {
    // Each test looks for a text ending in "/", which a file's name cannot hold.
    if (insideVersionControl(folder)) return {VersionControl};
    if (packageManagerState(folder)) return {PackageState};
    if ((!homeTrash_.empty() && folder.starts_with(homeTrash_)) || insideTopTrash(folder))
        return {TrashFolder};
    if (folder.empty() || folder.front() != '/') return {};
    const std::lock_guard lock(mutex_);
    if (!repositories_) repositories_ = std::make_unique<Repositories>(warn_);
    return fromState(repositories_->stateOf(folder));
}

KeptFiles::Folder KeptFiles::fromState(int state) {
    if (state == Repositories::Bare) return {BareRepository};
    if (state == Repositories::Unreadable) return {UnreadableIndex};
    return {{}, state};
}

// The tests of ForFolder, each on what the sub-folder adds to its parent's path: a path that
// holds one of those places holds it for every folder below, so no test reads the whole path.
KeptFiles::Folder KeptFiles::ForSubFolder(const Folder& parent, std::string_view folder,
                                          std::string_view name, const RepositoryMarks& marks) {
    if (parent.reason == VersionControl || versionControlName(name)) return {VersionControl};
    if (parent.reason == PackageState || packageManagerState(folder)) return {PackageState};
    if (parent.reason == TrashFolder || (!homeTrash_.empty() && folder.starts_with(homeTrash_)) ||
        topTrashByName(folder, name))
        return {TrashFolder};
    if (folder.empty() || folder.front() != '/') return {};
    const int parentState = parent.reason == BareRepository    ? Repositories::Bare
                            : parent.reason == UnreadableIndex ? Repositories::Unreadable
                                                               : parent.repository;
    if (parentState == Repositories::Bare || parentState == Repositories::Unreadable ||
        (!marks.git && !(marks.head && marks.objects && marks.refs)))
        return parent;
    const std::lock_guard lock(mutex_);
    if (!repositories_) repositories_ = std::make_unique<Repositories>(warn_);
    return fromState(repositories_->fromMarks(folder, parentState, marks));
}

std::string_view KeptFiles::ReasonFor(const Folder& folder, std::string_view path,
                                      std::string_view name, std::string_view below) {
    if (const std::string_view reason = reasonForName(name); !reason.empty()) return reason;
    if (!keepPatterns_.empty()) {
        const std::string nameText(name), belowText(below);
        for (const std::string& pattern : keepPatterns_) {
            const bool anchored = pattern.find('/') != std::string::npos;
            if (::fnmatch(pattern.c_str(), anchored ? belowText.c_str() : nameText.c_str(),
                          anchored ? FNM_PATHNAME : 0) == 0)
                return "Kept: matches a --keep pattern";
        }
    }
    if (!folder.reason.empty()) return folder.reason;
    if (folder.repository < 0) return {};
    const std::lock_guard lock(mutex_);
    if (repositories_->tracks(folder.repository, path)) return "Kept: tracked by git";
    return {};
}

std::string KeptFiles::InUseReason(std::uint64_t device, std::uint64_t inode) {
    const std::lock_guard lock(mutex_);
    if (!inUse_) {
        inUse_ = std::make_unique<FilesInUse>();
        inUse_->Read();
    }
    const std::string holder = inUse_->HolderOf(device, inode);
    return holder.empty() ? holder : "Kept: " + holder;
}

} // namespace nullsweep
