// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/ExportOutput.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>

namespace nullsweep {

namespace {

std::string failure(const std::string& path, int error) {
    return "cannot write " + path + ": " + std::strerror(error);
}

// The temporary file that becomes the export: created next to the target so that the final
// rename stays inside one file system, and removed unless it was renamed.
class TTemporaryFile final : public TByteSink {
  public:
    explicit TTemporaryFile(const std::string& target) : target_(target) {
        const auto slash = target.rfind('/');
        const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
        const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
        std::random_device seed;
        std::mt19937_64 random(seed());
        for (int attempt = 0; attempt < 100; ++attempt) {
            // The name is cut so that a target whose name has the longest length allowed still
            // gets a temporary file.
            path_ = folder + "." + base.substr(0, 200) + "." +
                    std::to_string(random() % 1000000000) + ".part";
            fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd_ >= 0 || errno != EEXIST) break;
        }
        if (fd_ < 0) throw TExportError(failure(target_, errno));
    }

    ~TTemporaryFile() override {
        if (fd_ >= 0) ::close(fd_);
        if (!renamed_) ::unlink(path_.c_str());
    }

    void Write(std::string_view bytes) override {
        while (!bytes.empty()) {
            const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) throw TExportError(failure(target_, n < 0 ? errno : EIO));
            bytes.remove_prefix(std::size_t(n));
        }
    }

    const std::string& Path() const { return path_; }

    // Also makes durable what another writer wrote at Path(): fsync acts on the file.
    void Commit() {
        if (::fsync(fd_) != 0) throw TExportError(failure(target_, errno));
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0) throw TExportError(failure(target_, errno));
        if (::rename(path_.c_str(), target_.c_str()) != 0)
            throw TExportError(failure(target_, errno));
        renamed_ = true;
    }

  private:
    std::string target_;
    std::string path_;
    int fd_ = -1;
    bool renamed_ = false;
};

} // namespace

void TStreamSink::Write(std::string_view bytes) {
    errno = 0;
    if (std::fwrite(bytes.data(), 1, bytes.size(), stream_) != bytes.size())
        throw TExportError(failure(name_, errno ? errno : EIO));
}

void TStreamSink::Finish() {
    errno = 0;
    if (std::fflush(stream_) != 0 || std::ferror(stream_))
        throw TExportError(failure(name_, errno ? errno : EIO));
}

TOutBuffer::TOutBuffer(TByteSink& sink, std::size_t blockSize)
    : sink_(sink), blockSize_(blockSize) {
    buffer_.reserve(blockSize + blockSize / 4);
}

void TOutBuffer::Flush() {
    if (buffer_.empty()) return;
    sink_.Write(buffer_);
    buffer_.clear();
}

void ReplaceFile(const std::string& path, const std::function<void(TByteSink&)>& write) {
    TTemporaryFile file(path);
    write(file);
    file.Commit();
}

void ReplaceFileAt(const std::string& path,
                   const std::function<void(const std::string& temporaryPath)>& write) {
    TTemporaryFile file(path);
    write(file.Path());
    file.Commit();
}

} // namespace nullsweep
