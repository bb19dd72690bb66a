// SPDX-License-Identifier: GPL-3.0-or-later
// The least a delete or a move to the trash of this program's kind can cost: only the system
// calls each file needs, with no checks kept, no journal and no rows, on THREADS threads. What
// `nullsweep scan --delete` or `--trash` costs beyond this is the program's own; what this costs
// beyond `find -delete` is the price of deleting exactly.
//
//   remove_floor delete TREE THREADS   the folders of TREE (one level) shared among the threads;
//                                      each file's status read when its folder is listed, then
//                                      read again, renamed to a private name, read under it and
//                                      unlinked
//   remove_floor trash FOLDER TRASH THREADS   FOLDER's files shared among the threads; each
//                                      file's status read when listed, then read again, its info
//                                      file made exclusively and written in TRASH/PID/info, the
//                                      file renamed into TRASH/PID/files and read there (a trash
//                                      of its own each run, as the names repeat)
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr unsigned StatusMask = STATX_BASIC_STATS | STATX_BTIME;

[[noreturn]] void fail(const std::string& what) {
    std::perror(what.c_str());
    std::exit(1);
}

void status(int folder, const char* name) {
    struct statx sx {};
    if (::statx(folder, name, AT_SYMLINK_NOFOLLOW, StatusMask, &sx) != 0) fail(name);
}

// The names of `folder`'s entries, each file's status read as a listing would.
std::vector<std::string> listed(int folder, bool filesOnly) {
    std::vector<std::string> names;
    DIR* dir = ::fdopendir(::dup(folder));
    if (!dir) fail("fdopendir");
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] == '.') continue; // dot files: the bench's marker, . and ..
        if (filesOnly && entry->d_type != DT_REG) continue;
        if (filesOnly) status(folder, entry->d_name);
        names.emplace_back(entry->d_name);
    }
    ::closedir(dir);
    return names;
}

int openFolder(int at, const std::string& path) {
    const int fd = ::openat(at, path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) fail(path);
    return fd;
}

void deleteTree(const std::string& tree, unsigned threads) {
    const int root = openFolder(AT_FDCWD, tree);
    const std::vector<std::string> folders = listed(root, false);
    std::atomic<std::size_t> next{0};
    auto work = [&](unsigned thread) {
        for (std::size_t f; (f = next++) < folders.size();) {
            const int folder = openFolder(root, folders[f]);
            std::size_t n = 0;
            for (const std::string& name : listed(folder, true)) {
                const std::string hidden = ".gone-" + std::to_string(thread) + "-" +
                                           std::to_string(f) + "-" + std::to_string(n++);
                status(folder, name.c_str());
                if (::renameat2(folder, name.c_str(), folder, hidden.c_str(), RENAME_NOREPLACE))
                    fail(name);
                status(folder, hidden.c_str());
                if (::unlinkat(folder, hidden.c_str(), 0) != 0) fail(hidden);
            }
            ::close(folder);
        }
    };
    std::vector<std::thread> pool;
    for (unsigned t = 0; t < threads; ++t)
        pool.emplace_back(work, t);
    for (std::thread& t : pool)
        t.join();
}

void trashFolder(const std::string& path, const std::string& trashes, unsigned threads) {
    const int folder = openFolder(AT_FDCWD, path);
    ::mkdir(trashes.c_str(), 0700);
    const std::string trash = trashes + "/" + std::to_string(::getpid());
    ::mkdir(trash.c_str(), 0700);
    ::mkdir((trash + "/info").c_str(), 0700);
    ::mkdir((trash + "/files").c_str(), 0700);
    const int info = openFolder(AT_FDCWD, trash + "/info");
    const int files = openFolder(AT_FDCWD, trash + "/files");
    const std::vector<std::string> names = listed(folder, true);
    auto work = [&](unsigned thread) {
        for (std::size_t i = thread; i < names.size(); i += threads) {
            const char* name = names[i].c_str();
            status(folder, name);
            const std::string infoName = names[i] + ".trashinfo";
            const int fd = ::openat(info, infoName.c_str(),
                                    O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
            if (fd < 0) fail(infoName);
            const std::string text = "[Trash Info]\nPath=" + path + "/" + names[i] +
                                     "\nDeletionDate=2026-01-01T00:00:00\n";
            if (::write(fd, text.data(), text.size()) != ssize_t(text.size())) fail(infoName);
            if (::close(fd) != 0) fail(infoName);
            if (::renameat2(folder, name, files, name, RENAME_NOREPLACE) != 0) fail(name);
            status(files, name);
        }
    };
    std::vector<std::thread> pool;
    for (unsigned t = 0; t < threads; ++t)
        pool.emplace_back(work, t);
    for (std::thread& t : pool)
        t.join();
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "delete" && argc == 4) {
        deleteTree(argv[2], unsigned(std::max(1, std::atoi(argv[3]))));
    } else if (mode == "trash" && argc == 5) {
        trashFolder(argv[2], argv[3], unsigned(std::max(1, std::atoi(argv[4]))));
    } else {
        std::fprintf(stderr, "usage: remove_floor delete TREE THREADS | trash FOLDER TRASH "
                             "THREADS\n");
        return 2;
    }
    return 0;
}
