// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <string>

namespace nullsweep::test {

// A folder tree made for one test under $TMPDIR (or /tmp) and removed with the object, even
// where the test took permissions away. Paths given to the helpers are relative to the root.
class TempTree {
  public:
    TempTree();
    ~TempTree();
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    // The root, without a trailing "/".
    const std::string& Root() const { return root_; }
    std::string Path(const std::string& relative) const { return root_ + "/" + relative; }

    void Folder(const std::string& relative);
    // A file with `content`; folders on the way are made.
    void File(const std::string& relative, const std::string& content = {});
    void SparseFile(const std::string& relative, long long size);
    void Link(const std::string& relative, const std::string& target);
    void Fifo(const std::string& relative);
    void Socket(const std::string& relative);
    void SetTimes(const std::string& relative, long long seconds);
    void Chmod(const std::string& relative, unsigned mode);

  private:
    std::string root_;
};

// The whole content of a file; empty when it cannot be read.
std::string ReadFile(const std::string& path);

// Runs `work` where file permissions apply: in a child process that gave up root when the
// tests run as root (root reads any folder), else in place. `work` writes its findings to the
// returned text. Returns what it wrote.
std::string RunWithoutRoot(const std::function<std::string()>& work);

// Runs `work` in a child process (for limits set with setrlimit) and returns what it wrote.
std::string RunInChild(const std::function<std::string()>& work);

} // namespace nullsweep::test
