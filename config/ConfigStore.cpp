// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/ConfigStore.h"

#include "config/DefaultConfig.h"
#include "fs/PathParts.h"
#include "fs/TemporaryFile.h"
#include "fs/WriteFully.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

namespace nullsweep {

namespace {

constexpr const char* ConfigName = "CorvaneConfig.xml";

struct Location {
    std::string file;   // non-empty: UseConfigFile
    std::string folder; // non-empty: UseConfigFolder
};

Location& location() {
    static Location where;
    return where;
}

std::unique_ptr<TConfig>& store() {
    static std::unique_ptr<TConfig> theStore;
    return theStore;
}

std::string joinPath(const std::string& folder, const std::string& name) {
    return folder.ends_with('/') ? folder + name : folder + "/" + name;
}

[[noreturn]] void writeFailed(const std::string& path, int error) {
    throw ConfigError(path + ": cannot write the default configuration: " + std::strerror(error));
}

bool exists(const std::string& path) {
    struct stat st {};
    // Only a definite "not there" counts as missing; any other failure is left to the parse,
    // which reports it, so an unreadable folder never makes us write over a file.
    return ::lstat(path.c_str(), &st) == 0 || errno != ENOENT;
}

} // namespace

std::string ExecutableFolder() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) throw ConfigError("cannot find the program's folder: " + ec.message());
    return exe.parent_path().string();
}

std::string TConfig::ConfigFileName() {
    const Location& where = location();
    if (!where.file.empty()) return where.file;
    return joinPath(where.folder.empty() ? ExecutableFolder() : where.folder, ConfigName);
}

void TConfig::WriteDefaultConfig() {
    const std::string path = ConfigFileName();
    const PathParts parts = CutPath(path);
    TemporaryFile file{std::string(parts.folder), std::string(parts.name)};
    int error = file.Create(false);
    if (error == 0) error = WriteFully(file.Fd(), DefaultConfigText);
    // No replacing: a file that someone put there since the existence test wins.
    if (error == 0) error = file.Place(path, nullptr, false);
    if (error != 0 && error != EEXIST) writeFailed(path, error);
}

TConfig::TConfig()
    : root_([this] {
          const std::string path = ConfigFileName();
          if (location().file.empty() && !exists(path)) {
              try {
                  WriteDefaultConfig();
              } catch (const ConfigError& e) {
                  // A program installed read-only still works, with the columns it ships with.
                  notice_ = std::string(e.what()) + "; using the built-in one";
                  return ConfigDocumentFromText(std::string(DefaultConfigText));
              }
          }
          return OpenConfigDocument(path);
      }()) {}

TConfig* ConfigStore(bool release) {
    std::unique_ptr<TConfig>& theStore = store();
    if (release) {
        theStore.reset();
        return nullptr;
    }
    if (!theStore) theStore = std::make_unique<TConfig>();
    return theStore.get();
}

void UseConfigFile(const std::string& path) {
    const std::string absolute =
        path.empty() ? std::string() : std::filesystem::absolute(path).lexically_normal().string();
    if (absolute == location().file) return;
    location().file = absolute;
    ConfigStore(true);
}

void UseConfigFolder(const std::string& folder) {
    if (folder == location().folder) return;
    location().folder = folder;
    ConfigStore(true);
}

} // namespace nullsweep
