// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace nullsweep {

// An export that could not be written; the message names the file and the reason.
class ExportError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Where an export's bytes go. Write throws ExportError when the bytes cannot be stored.
class ByteSink {
  public:
    virtual ~ByteSink() = default;
    virtual void Write(std::string_view bytes) = 0;
};

// Collects everything in memory.
class StringSink final : public ByteSink {
  public:
    void Write(std::string_view bytes) override { text.append(bytes); }
    std::string text;
};

// Writes to an open stream (standard output for the command line); `name` is used in messages.
class StreamSink final : public ByteSink {
  public:
    StreamSink(std::FILE* stream, std::string name) : stream_(stream), name_(std::move(name)) {}
    void Write(std::string_view bytes) override;
    // Flushes the stream; throws when anything written so far was lost.
    void Finish();

  private:
    std::FILE* stream_;
    std::string name_;
};

// Gathers small pieces and hands them to a sink in large blocks, so that building an export
// row by row costs neither a call per piece nor the whole text in memory.
class OutBuffer {
  public:
    explicit OutBuffer(ByteSink& sink, std::size_t blockSize = 1 << 16);
    ~OutBuffer() = default;
    OutBuffer(const OutBuffer&) = delete;
    OutBuffer& operator=(const OutBuffer&) = delete;

    // Append to this, then call Commit.
    std::string& Text() { return buffer_; }
    OutBuffer& operator<<(std::string_view piece) {
        buffer_.append(piece);
        return *this;
    }
    // Passes the gathered text on once it has grown to a block.
    void Commit() {
        if (buffer_.size() >= blockSize_) Flush();
    }
    // Passes on everything gathered. Nothing is passed on by the destructor: an export that
    // failed half-way must not write its tail.
    void Flush();

  private:
    ByteSink& sink_;
    std::size_t blockSize_;
    std::string buffer_;
};

// Writes an export to `path` through `write` without ever harming what stood there:
//  - a device, FIFO or socket (also through a link, as /dev/stdout) is written directly;
//  - otherwise links are followed, and the final target is replaced only when the new file is
//    complete: the bytes go to a temporary file in the same folder (unnamed where the file
//    system allows), which takes the old file's mode, and owner and group where permitted, is
//    synced and renamed over the target, and the folder is synced;
//  - an existing file the user could not open for writing is refused before anything is
//    written.
// If anything fails (including an exception from `write`) or a signal ends the program, the
// temporary file is removed and an old file at `path` is left as it was; the error passes on
// (ExportError "cannot write PATH: REASON" for failures of the file itself).
void ReplaceFile(const std::string& path, const std::function<void(ByteSink&)>& write);

// The same for a writer that opens the file itself (a library that takes a file name): `write`
// writes the whole file at the temporary path it is given, which then replaces `path` (or, in
// memory and never in a folder, is copied into a device, FIFO or socket at `path`).
void ReplaceFileAt(const std::string& path,
                   const std::function<void(const std::string& temporaryPath)>& write);

} // namespace nullsweep
