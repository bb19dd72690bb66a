// SPDX-License-Identifier: GPL-3.0-or-later
#include "scan/FilesInUse.h"

#include "fs/OwnedFd.h"
#include "scan/FolderReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <new>
#include <sstream>

namespace nullsweep {

namespace {

// The numeric entries of an open folder, each given to `each`.
template <typename Each> void numericEntries(int folderFd, Each each) {
    FolderReader folder(folderFd, ".", /*followLink=*/true);
    FolderReader::Entry entry;
    while (folder.Next(entry)) {
        const char* name = entry.name.data(); // NUL-ended: a listing's name
        char* end = nullptr;
        const long n = std::strtol(name, &end, 10);
        if (end != name && *end == '\0') each(name, n);
    }
}

std::string processName(long pid) {
    std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    std::getline(comm, name);
    return name.empty() ? "?" : name;
}

} // namespace

std::uint64_t FilesInUse::DeviceOf(unsigned major, unsigned minor) {
    return makedev(major, minor);
}

void FilesInUse::Read() {
    const auto start = std::chrono::steady_clock::now();
    holders_.clear();
    try {
        readLocks();
        readOpenFiles();
    } catch (const std::bad_alloc&) {
        // what was read stays; no memory for more
    }
    read_ = true;
    readAt_ = std::chrono::steady_clock::now();
    took_ = readAt_ - start;
}

void FilesInUse::Refresh(unsigned costShare) {
    if (!read_ || std::chrono::steady_clock::now() - readAt_ >= took_ * costShare) Read();
}

// Lines such as "1: POSIX  ADVISORY  WRITE 1234 08:01:5678 0 EOF"; a lock that waits ("->")
// names a file another lock already holds.
void FilesInUse::readLocks() {
    std::ifstream locks("/proc/locks");
    std::string line;
    while (std::getline(locks, line)) {
        std::istringstream fields(line);
        std::string number, kind, mode, access, pid, where;
        fields >> number >> kind;
        if (kind == "->") continue;
        fields >> mode >> access >> pid >> where;
        unsigned major = 0, minor = 0;
        unsigned long long inode = 0;
        if (std::sscanf(where.c_str(), "%x:%x:%llu", &major, &minor, &inode) != 3) continue;
        const long holder = std::strtol(pid.c_str(), nullptr, 10);
        holders_.try_emplace({DeviceOf(major, minor), inode}, holder > 0 ? holder : 0);
    }
}

void FilesInUse::readOpenFiles() {
    const OwnedFd proc(::open("/proc", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (proc.get() < 0) return;
    const long self = ::getpid();
    numericEntries(proc.get(), [&](const char* name, long pid) {
        if (pid == self) return; // its own descriptors are folders and the output
        const std::string fdFolder = std::string(name) + "/fd";
        const OwnedFd fds(
            ::openat(proc.get(), fdFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (fds.get() < 0) return; // not this user's to inspect, or gone
        numericEntries(fds.get(), [&](const char* fdName, long) {
            struct stat st {};
            if (::fstatat(fds.get(), fdName, &st, 0) != 0 || !S_ISREG(st.st_mode)) return;
            holders_.try_emplace({std::uint64_t(st.st_dev), std::uint64_t(st.st_ino)}, pid);
        });
    });
}

std::string FilesInUse::HolderOf(std::uint64_t device, std::uint64_t inode) const {
    const auto found = holders_.find({device, inode});
    if (found == holders_.end()) return {};
    if (found->second == 0) return "in use (locked)";
    return "in use by " + std::to_string(found->second) + " (" + processName(found->second) + ")";
}

} // namespace nullsweep
