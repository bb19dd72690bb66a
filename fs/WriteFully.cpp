// SPDX-License-Identifier: GPL-3.0-or-later
#include "fs/WriteFully.h"

#include <unistd.h>

#include <cerrno>

namespace nullsweep {

int WriteFully(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        if (n == 0) return EIO;
        bytes.remove_prefix(std::size_t(n));
    }
    return 0;
}

} // namespace nullsweep
