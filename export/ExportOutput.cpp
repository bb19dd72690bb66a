// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/ExportOutput.h"

#include "export/OutputTarget.h"
#include "fs/OwnedFd.h"
#include "fs/TemporaryFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace nullsweep {

namespace {

void check(int error, const std::string& path) {
    if (error != 0) throw ExportError(WriteFailure(path, error));
}

// Writes to a device, FIFO or socket as it comes, or to a temporary file.
class DirectSink final : public ByteSink {
  public:
    DirectSink(int fd, const std::string& name) : fd_(fd), name_(name) {}
    void Write(std::string_view bytes) override { WriteAll(fd_, bytes, name_); }

  private:
    int fd_;
    const std::string& name_;
};

// Where a writer that needs a path writes what goes to a device, FIFO or socket: a file in
// memory with no name in any folder, so that no one else can read it and nothing is left
// behind whatever ends the program; the writer opens it through /proc.
class MemoryFile {
  public:
    explicit MemoryFile(const std::string& name)
        : fd_(::memfd_create("nullsweep-export", MFD_CLOEXEC)) {
        if (!fd_.valid()) throw ExportError(WriteFailure(name, errno));
        ::fchmod(fd_.get(), 0600); // made 0777; only a path through this process could reach it
        path_ = "/proc/self/fd/" + std::to_string(fd_.get());
        if (::access(path_.c_str(), W_OK) != 0) throw ExportError(WriteFailure(name, errno));
    }

    int Fd() const { return fd_.get(); }
    const std::string& Path() const { return path_; }

  private:
    OwnedFd fd_;
    std::string path_;
};

void copyInto(int from, int to, const std::string& name) {
    if (::lseek(from, 0, SEEK_SET) != 0) throw ExportError(WriteFailure(name, errno));
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(from, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw ExportError(WriteFailure(name, errno));
        if (n == 0) return;
        WriteAll(to, std::string_view(buffer, std::size_t(n)), name);
    }
}

} // namespace

void StreamSink::Write(std::string_view bytes) {
    errno = 0;
    if (std::fwrite(bytes.data(), 1, bytes.size(), stream_) != bytes.size())
        throw ExportError(WriteFailure(name_, errno ? errno : EIO));
}

void StreamSink::Finish() {
    errno = 0;
    if (std::fflush(stream_) != 0 || std::ferror(stream_))
        throw ExportError(WriteFailure(name_, errno ? errno : EIO));
}

OutBuffer::OutBuffer(ByteSink& sink, std::size_t blockSize) : sink_(sink), blockSize_(blockSize) {
    buffer_.reserve(blockSize + blockSize / 4);
}

void OutBuffer::Flush() {
    if (buffer_.empty()) return;
    sink_.Write(buffer_);
    buffer_.clear();
}

void ReplaceFile(const std::string& path, const std::function<void(ByteSink&)>& write) {
    OutputTarget target(path);
    if (target.DirectFd() >= 0) {
        DirectSink sink(target.DirectFd(), path);
        write(sink);
        target.CloseDirect();
        return;
    }
    TemporaryFile file(target.Folder(), target.BaseName());
    check(file.Create(false), path);
    DirectSink sink(file.Fd(), path);
    write(sink);
    check(file.Place(target.Path(), target.Existing(), true), path);
}

void ReplaceFileAt(const std::string& path,
                   const std::function<void(const std::string& temporaryPath)>& write) {
    OutputTarget target(path);
    if (target.DirectFd() >= 0) {
        const MemoryFile file(path);
        write(file.Path());
        copyInto(file.Fd(), target.DirectFd(), path);
        target.CloseDirect();
        return;
    }
    TemporaryFile file(target.Folder(), target.BaseName());
    check(file.Create(true), path);
    write(file.Path());
    check(file.Place(target.Path(), target.Existing(), true), path);
}

} // namespace nullsweep
