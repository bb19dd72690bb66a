// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/TempTree.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace nullsweep::test {

namespace fs = std::filesystem;

namespace {
void check(bool ok, const std::string& what) {
    if (!ok) throw std::runtime_error(what + ": " + std::strerror(errno));
}
} // namespace

TempTree::TempTree() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/nullsweep-test-XXXXXX";
    check(::mkdtemp(pattern.data()) != nullptr, "mkdtemp");
    root_ = pattern;
    // Readable by everyone, so that a child that gave up root can walk it.
    ::chmod(root_.c_str(), 0755);
}

TempTree::~TempTree() {
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(
             root_, fs::directory_options::skip_permission_denied, ec);
         it != fs::recursive_directory_iterator(); it.increment(ec))
        if (!it->is_symlink(ec)) ::chmod(it->path().c_str(), 0755);
    fs::remove_all(root_, ec);
}

void TempTree::Folder(const std::string& relative) {
    fs::create_directories(Path(relative));
}

void TempTree::File(const std::string& relative, const std::string& content) {
    const auto parent = fs::path(Path(relative)).parent_path();
    fs::create_directories(parent);
    const int fd = ::open(Path(relative).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    check(fd >= 0, "create " + relative);
    const bool ok = ::write(fd, content.data(), content.size()) == ssize_t(content.size());
    ::close(fd);
    check(ok, "write " + relative);
}

void TempTree::SparseFile(const std::string& relative, long long size) {
    File(relative);
    check(::truncate(Path(relative).c_str(), size) == 0, "truncate " + relative);
}

void TempTree::Link(const std::string& relative, const std::string& target) {
    check(::symlink(target.c_str(), Path(relative).c_str()) == 0, "symlink " + relative);
}

void TempTree::Fifo(const std::string& relative) {
    check(::mkfifo(Path(relative).c_str(), 0644) == 0, "mkfifo " + relative);
}

void TempTree::Socket(const std::string& relative) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    check(fd >= 0, "socket");
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string path = Path(relative);
    if (path.size() >= sizeof address.sun_path) throw std::runtime_error("socket path too long");
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const bool ok = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    check(ok, "bind " + relative);
}

void TempTree::SetTimes(const std::string& relative, long long seconds) {
    const timespec times[2] = {{seconds, 0}, {seconds, 0}};
    check(::utimensat(AT_FDCWD, Path(relative).c_str(), times, AT_SYMLINK_NOFOLLOW) == 0,
          "utimensat " + relative);
}

void TempTree::Chmod(const std::string& relative, unsigned mode) {
    check(::chmod(Path(relative).c_str(), mode) == 0, "chmod " + relative);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string RunWithoutRoot(const std::function<std::string()>& work) {
    if (::geteuid() != 0) return work();
    return RunInChild([&]() -> std::string {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) return "cannot give up root";
        return work();
    });
}

std::string RunInChild(const std::function<std::string()>& work) {
    int pipeFds[2];
    check(::pipe(pipeFds) == 0, "pipe");
    // Anything buffered would otherwise be written twice, once by the child.
    std::fflush(nullptr);
    const pid_t child = ::fork();
    check(child >= 0, "fork");
    if (child == 0) {
        ::close(pipeFds[0]);
        std::string result;
        try {
            result = work();
        } catch (const std::exception& e) {
            result = e.what();
        }
        const char* p = result.data();
        std::size_t left = result.size();
        while (left > 0) {
            const ssize_t n = ::write(pipeFds[1], p, left);
            if (n <= 0) break;
            p += n;
            left -= std::size_t(n);
        }
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    std::string result;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0)
        result.append(buffer, std::size_t(n));
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return result;
}

} // namespace nullsweep::test
