// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <unordered_map>

namespace nullsweep {

// Which files are in use now: locked (/proc/locks, by device and inode) or open in a process
// this user may inspect (/proc/PID/fd). Removing a held lock file lets a second instance take a
// new lock while the first still runs. Reading /proc costs about a millisecond per hundred
// processes, so it is read once and read again only when due (see Refresh).
class FilesInUse {
  public:
    // Reads /proc now. Without /proc nothing is known to be in use.
    void Read();
    // Reads /proc again when the last reading is older than `costShare` times what it took:
    // the readings then cost at most about 1/costShare of the work between them.
    void Refresh(unsigned costShare = 25);

    // "in use by PID (NAME)", or empty when the file is not known to be in use.
    std::string HolderOf(std::uint64_t device, std::uint64_t inode) const;

    // Devices as /proc/locks and statx give them.
    static std::uint64_t DeviceOf(unsigned major, unsigned minor);

  private:
    struct Key {
        std::uint64_t device, inode;
        bool operator==(const Key&) const = default;
    };
    struct KeyHash {
        std::size_t operator()(const Key& k) const {
            return std::hash<std::uint64_t>()(k.inode * 0x9E3779B97F4A7C15ull ^ k.device);
        }
    };
    void readLocks();
    void readOpenFiles();

    std::unordered_map<Key, long, KeyHash> holders_; // pid; 0: a lock of no one process
    bool read_ = false;
    std::chrono::steady_clock::time_point readAt_{};
    std::chrono::steady_clock::duration took_{};
};

} // namespace nullsweep
