// SPDX-License-Identifier: GPL-3.0-or-later
#include "scan/KeptFiles.h"

#include "config/PathParts.h"

#include <git2.h>

#include <fnmatch.h>
#include <sys/stat.h>

#include <map>

namespace nullsweep {

namespace {

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

bool packageManagerState(std::string_view path) {
    return path.starts_with("/var/lib/dpkg/") || path.starts_with("/var/lib/apt/");
}

std::string folderOf(std::string_view path) {
    return std::string(SplitPath(path).folder);
}

} // namespace

// The git repositories met so far, each index read once, and which one each folder is in.
struct TKeptFiles::Repositories {
    struct Repository {
        std::string workdir; // ends in "/"
        git_repository* repo = nullptr;
        git_index* index = nullptr;
    };
    std::vector<Repository> repositories;
    std::map<std::string, int, std::less<>> folders; // -1: in none

    Repositories() { git_libgit2_init(); }
    ~Repositories() {
        for (Repository& r : repositories) {
            git_index_free(r.index);
            git_repository_free(r.repo);
        }
        git_libgit2_shutdown();
    }

    // The repository a folder is in: found once by libgit2's search upwards, then, below a
    // folder already known, by one look for a ".git" of its own (a scan meets many folders).
    int repositoryOf(const std::string& folder) {
        std::vector<std::string> unknown;
        std::string at = folder;
        auto known = folders.find(at);
        while (known == folders.end()) {
            unknown.push_back(at);
            if (at == "/" || at.find('/') == std::string::npos) break;
            at = folderOf(at);
            known = folders.find(at);
        }
        int which = known == folders.end() ? -2 : known->second;
        for (auto it = unknown.rbegin(); it != unknown.rend(); ++it) {
            struct stat st {};
            if (which == -2 || ::lstat((*it + "/.git").c_str(), &st) == 0) which = discover(*it);
            folders.emplace(*it, which);
        }
        return which;
    }

    int discover(const std::string& folder) {
        git_repository* repo = nullptr;
        if (git_repository_open_ext(&repo, folder.c_str(), 0, nullptr) != 0) return -1;
        const char* workdir = git_repository_workdir(repo);
        for (std::size_t i = 0; workdir && i < repositories.size(); ++i)
            if (repositories[i].workdir == workdir) {
                git_repository_free(repo);
                return int(i);
            }
        git_index* index = nullptr;
        if (!workdir || git_repository_index(&index, repo) != 0) {
            git_repository_free(repo);
            return -1;
        }
        repositories.push_back({workdir, repo, index});
        return int(repositories.size() - 1);
    }

    bool tracks(int which, std::string_view path) {
        if (which < 0) return false;
        const Repository& r = repositories[std::size_t(which)];
        if (!path.starts_with(r.workdir)) return false;
        const std::string relative(path.substr(r.workdir.size()));
        return git_index_get_bypath(r.index, relative.c_str(), 0) != nullptr;
    }
};

TKeptFiles::TKeptFiles(std::vector<std::string> keepPatterns)
    : keepPatterns_(std::move(keepPatterns)) {}

TKeptFiles::~TKeptFiles() = default;

std::string_view TKeptFiles::ReasonFor(std::string_view path, std::string_view name) {
    return ReasonFor(ForFolder(CutPath(path).folder), path, name);
}

TKeptFiles::Folder TKeptFiles::ForFolder(std::string_view folder) {
    // Both tests look for a text ending in "/", which a file's name cannot hold.
    if (insideVersionControl(folder)) return {"Kept: inside a version control folder"};
    if (packageManagerState(folder)) return {"Kept: package manager state"};
    const std::lock_guard lock(mutex_);
    if (!repositories_) repositories_ = std::make_unique<Repositories>();
    return {{}, repositories_->repositoryOf(folderOf(folder))};
}

std::string_view TKeptFiles::ReasonFor(const Folder& folder, std::string_view path,
                                       std::string_view name) {
    if (const std::string_view reason = reasonForName(name); !reason.empty()) return reason;
    if (!keepPatterns_.empty()) {
        const std::string text(name);
        for (const std::string& pattern : keepPatterns_)
            if (::fnmatch(pattern.c_str(), text.c_str(), 0) == 0)
                return "Kept: matches a --keep pattern";
    }
    if (!folder.reason.empty()) return folder.reason;
    if (folder.repository < 0) return {};
    const std::lock_guard lock(mutex_);
    if (repositories_->tracks(folder.repository, path)) return "Kept: tracked by git";
    return {};
}

std::string_view KeptReasonOf(const TResultRow& row) {
    return row.Slot(KeptSlot);
}

void SetKeptReason(TResultRow& row, std::string_view reason) {
    row.SetSlot(KeptSlot, reason);
}

} // namespace nullsweep
