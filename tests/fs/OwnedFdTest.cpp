// SPDX-License-Identifier: GPL-3.0-or-later
#include "fs/OwnedFd.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

using nullsweep::OwnedFd;

namespace {

bool isOpen(int fd) {
    return ::fcntl(fd, F_GETFD) != -1;
}

} // namespace

// Closing reports what a written file's close reports, and a close at the end of a scope
// leaves errno as the failure before it set it.
TEST(OwnedFd, OneOwnerClosesOnceAndSaysWhatFailed) {
    const int raw = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(raw, 0);
    OwnedFd first(raw);
    OwnedFd second(std::move(first));
    EXPECT_FALSE(first.valid());
    EXPECT_TRUE(isOpen(raw));
    EXPECT_EQ(second.close(), 0);
    EXPECT_FALSE(second.valid());
    EXPECT_FALSE(isOpen(raw));
    EXPECT_EQ(second.close(), 0); // nothing left to close

    EXPECT_EQ(OwnedFd(1 << 20).close(), EBADF); // no such descriptor
    {
        const OwnedFd held(::open("/dev/null", O_RDONLY | O_CLOEXEC));
        errno = ENOSPC;
    }
    EXPECT_EQ(errno, ENOSPC);
}
