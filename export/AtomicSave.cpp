// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/AtomicSave.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace nullsweep {
namespace {

[[noreturn]] void Fail(const std::string& path, int error) {
    throw std::runtime_error("Cannot write " + path + ": " + std::strerror(error));
}

} // namespace

void SaveAtomically(const std::string& path,
                    const std::function<void(const std::string& temporaryPath)>& write) {
    std::size_t slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string temporary = folder + "." + name + ".XXXXXX";
    int fd = mkstemp(temporary.data());
    if (fd < 0) Fail(path, errno);
    // mkstemp makes the file private; the result gets the mode any new file would get.
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    close(fd);
    try {
        write(temporary);
        if (std::rename(temporary.c_str(), path.c_str()) != 0) Fail(path, errno);
    } catch (...) {
        std::remove(temporary.c_str());
        throw;
    }
}

} // namespace nullsweep
