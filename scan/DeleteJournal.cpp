// SPDX-License-Identifier: GPL-3.0-or-later
#include "scan/DeleteJournal.h"

#include "fs/WriteFully.h"
#include "scan/FolderReader.h"
#include "scan/JsonText.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace nullsweep {

namespace {

constexpr std::string_view JournalEnding = ".jsonl";
constexpr unsigned JournalStatusMask =
    STATX_TYPE | STATX_MODE | STATX_UID | STATX_GID | STATX_ATIME | STATX_MTIME;

QByteArray bytesOf(std::string_view text) {
    return QByteArray(text.data(), qsizetype(text.size()));
}

std::string stringOf(const QByteArray& bytes) {
    return std::string(bytes.constData(), std::size_t(bytes.size()));
}

// `text` as a JSON string, invalid UTF-8 as U+FFFD; false when some was invalid.
bool appendString(std::string& out, std::string_view text) {
    bool valid = true;
    AppendJsonString(out, text, valid);
    return valid;
}

void appendTime(std::string& out, const char* key, const timespec& t) {
    out += ",\"";
    out += key;
    out += "\":[" + std::to_string(t.tv_sec) + "," + std::to_string(t.tv_nsec) + "]";
}

// The extended attributes of `path`, read without following a link; `fd` (-1: none) is used
// where the path cannot be (no /proc).
bool readAttributes(const std::string& path, int fd,
                    std::vector<std::pair<std::string, std::string>>& out) {
    std::string names(256, '\0');
    for (;;) {
        const ssize_t n = fd >= 0 ? ::flistxattr(fd, names.data(), names.size())
                                  : ::llistxattr(path.c_str(), names.data(), names.size());
        if (n >= 0) {
            names.resize(std::size_t(n));
            break;
        }
        if (errno == ENOTSUP) return true; // a file system without them
        if (errno != ERANGE) return false;
        names.resize(names.size() * 4);
    }
    for (std::size_t at = 0; at < names.size();) {
        const std::string name = names.c_str() + at;
        at += name.size() + 1;
        std::string value(64, '\0');
        for (;;) {
            const ssize_t n =
                fd >= 0 ? ::fgetxattr(fd, name.c_str(), value.data(), value.size())
                        : ::lgetxattr(path.c_str(), name.c_str(), value.data(), value.size());
            if (n >= 0) {
                value.resize(std::size_t(n));
                break;
            }
            if (errno == ENODATA) break; // removed meanwhile
            if (errno != ERANGE) return false;
            value.resize(value.size() * 4);
        }
        out.emplace_back(name, value);
    }
    return true;
}

// The extended attributes of `name` in `folder` through listxattrat(2) (Linux 6.13): no /proc
// detour. False where the call is missing or refused (the caller then takes the detour); a
// file with attributes also goes the detour, which reads their values.
bool readAttributesAt(int folder, const std::string& name,
                      std::vector<std::pair<std::string, std::string>>& out) {
#ifdef SYS_listxattrat
    constexpr long ListXattrAt = SYS_listxattrat;
#else
    constexpr long ListXattrAt = 465; // the same number on every architecture
#endif
    static std::atomic<bool> missing{false};
    if (missing.load(std::memory_order_relaxed)) return false;
    char names[1];
    const long n =
        ::syscall(ListXattrAt, folder, name.c_str(), AT_SYMLINK_NOFOLLOW, names, std::size_t(0));
    if (n == 0) return true; // none: the common case, in one call
    if (n < 0 && errno == ENOTSUP) return true;
    if (n < 0 && (errno == ENOSYS || errno == EPERM)) missing = true;
    (void)out;
    return false;
}

timespec timeOf(const QJsonValue& value) {
    const QJsonArray pair = value.toArray();
    return timespec{std::time_t(pair.at(0).toInteger()), long(pair.at(1).toInteger())};
}

} // namespace

std::optional<JournalRecord> ReadJournalRecord(int folder, const std::string& name,
                                               const std::string& path) {
    struct statx status {};
    if (::statx(folder, name.c_str(), AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, JournalStatusMask,
                &status) != 0)
        return std::nullopt;
    return JournalRecordOf(folder, name, path, status);
}

std::optional<JournalRecord> JournalRecordOf(int folder, const std::string& name,
                                             const std::string& path, const struct statx& status) {
    if ((status.stx_mask & JournalStatusMask) != JournalStatusMask ||
        (!S_ISREG(status.stx_mode) && !S_ISDIR(status.stx_mode))) {
        errno = EINVAL;
        return std::nullopt;
    }
    JournalRecord record;
    record.path = path;
    record.folder = S_ISDIR(status.stx_mode);
    record.mode = status.stx_mode & 07777;
    record.owner = status.stx_uid;
    record.group = status.stx_gid;
    record.accessed = {status.stx_atime.tv_sec, long(status.stx_atime.tv_nsec)};
    record.written = {status.stx_mtime.tv_sec, long(status.stx_mtime.tv_nsec)};
    if (readAttributesAt(folder, name, record.attributes)) return record;
    // The file's own name under the folder's descriptor: one call, no link on the way.
    record.attributes.clear();
    const std::string viaFolder = "/proc/self/fd/" + std::to_string(folder) + "/" + name;
    if (readAttributes(viaFolder, -1, record.attributes)) return record;
    record.attributes.clear();
    const OwnedFd fd(
        ::openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd.valid() || !readAttributes({}, fd.get(), record.attributes)) return std::nullopt;
    return record;
}

std::string JournalLine(const JournalRecord& record) {
    std::string out = "{\"path\":";
    if (!appendString(out, record.path)) {
        out += ",\"path_b64\":";
        appendString(out, stringOf(bytesOf(record.path).toBase64()));
    }
    out += record.folder ? ",\"type\":\"folder\"" : ",\"type\":\"file\"";
    out += ",\"mode\":" + std::to_string(record.mode);
    out += ",\"owner\":" + std::to_string(record.owner);
    out += ",\"group\":" + std::to_string(record.group);
    appendTime(out, "accessed", record.accessed);
    appendTime(out, "written", record.written);
    out += ",\"xattrs\":{";
    bool first = true;
    for (const auto& [name, value] : record.attributes) {
        if (!first) out += ',';
        first = false;
        appendString(out, name);
        out += ':';
        appendString(out, stringOf(bytesOf(value).toBase64()));
    }
    out += "}}\n";
    return out;
}

std::optional<JournalRecord> ReadJournalLine(std::string_view line) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytesOf(line), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) return std::nullopt;
    const QJsonObject object = document.object();
    for (const char* key : {"path", "type", "mode", "owner", "group", "accessed", "written"})
        if (!object.contains(QLatin1String(key))) return std::nullopt;
    JournalRecord record;
    const QJsonValue b64 = object.value(QLatin1String("path_b64"));
    record.path = b64.isString()
                      ? stringOf(QByteArray::fromBase64(b64.toString().toLatin1()))
                      : stringOf(object.value(QLatin1String("path")).toString().toUtf8());
    if (!record.path.starts_with('/')) return std::nullopt;
    record.folder = object.value(QLatin1String("type")).toString() == QLatin1String("folder");
    record.mode = mode_t(object.value(QLatin1String("mode")).toInteger() & 07777);
    record.owner = uid_t(object.value(QLatin1String("owner")).toInteger());
    record.group = gid_t(object.value(QLatin1String("group")).toInteger());
    record.accessed = timeOf(object.value(QLatin1String("accessed")));
    record.written = timeOf(object.value(QLatin1String("written")));
    const QJsonObject attributes = object.value(QLatin1String("xattrs")).toObject();
    for (auto it = attributes.begin(); it != attributes.end(); ++it)
        record.attributes.emplace_back(
            stringOf(it.key().toUtf8()),
            stringOf(QByteArray::fromBase64(it.value().toString().toLatin1())));
    return record;
}

std::string JournalFolder() {
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state && state[0] == '/') return std::string(state) + "/nullsweep/deleted";
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return std::string(home) + "/.local/state/nullsweep/deleted";
    return {};
}

namespace {

// Each journal of `folder` (a regular file, links not followed) with its status.
template <typename Each> void forEachJournal(const std::string& folder, Each each) {
    FolderReader reader(AT_FDCWD, folder.c_str(), /*followLink=*/false);
    FolderReader::Entry entry;
    while (reader.Next(entry)) {
        struct stat st {};
        if (entry.name.ends_with(JournalEnding) &&
            ::fstatat(reader.Fd(), entry.name.data(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(st.st_mode))
            each(reader.Fd(), entry.name, st);
    }
}

} // namespace

std::string LatestJournal(const std::string& folder) {
    std::string latest;
    // An empty journal is a run killed before it deleted anything.
    forEachJournal(folder, [&](int, std::string_view name, const struct stat& st) {
        if (st.st_size > 0 && name > latest) latest = name;
    });
    return latest.empty() ? latest : folder + "/" + latest;
}

void PruneJournals(const std::string& folder, std::time_t cutoff) {
    forEachJournal(folder, [&](int fd, std::string_view name, const struct stat& st) {
        if (st.st_mtime < cutoff) ::unlinkat(fd, std::string(name).c_str(), 0);
    });
}

DeleteJournal::DeleteJournal(const std::string& folder) {
    if (folder.empty() || folder[0] != '/')
        throw std::runtime_error("no folder for the delete journal: neither XDG_STATE_HOME nor "
                                 "HOME is an absolute path");
    // mkdir -p, new folders private to the user.
    for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            throw std::runtime_error("cannot make " + part + ": " + std::strerror(errno));
        if (slash == std::string::npos) break;
    }
    const std::time_t now = std::time(nullptr);
    PruneJournals(folder, now - 30 * 24 * 3600);
    timespec started{};
    ::clock_gettime(CLOCK_REALTIME, &started);
    std::tm utc{};
    ::gmtime_r(&started.tv_sec, &utc);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%dT%H%M%S", &utc);
    char fraction[16];
    std::snprintf(fraction, sizeof fraction, ".%09ld", started.tv_nsec);
    path_ = folder + "/" + stamp + fraction + "-" + std::to_string(::getpid()) +
            std::string(JournalEnding);
    fd_.reset(::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_NOFOLLOW | O_CLOEXEC,
                     0600));
    if (!fd_.valid())
        throw std::runtime_error("cannot write " + path_ + ": " + std::strerror(errno));
}

DeleteJournal::~DeleteJournal() {
    if (!fd_.valid()) return;
    Flush();
    ::fdatasync(fd_.get());
    fd_.reset();
    // A run that deleted nothing leaves no journal to restore.
    if (count_ == 0) ::unlink(path_.c_str());
}

int DeleteJournal::Add(const JournalRecord& record) {
    const std::string line = JournalLine(record);
    const std::lock_guard lock(mutex_);
    buffer_ += line;
    ++buffered_;
    return writeLocked();
}

void DeleteJournal::Buffer(const JournalRecord& record) {
    const std::string line = JournalLine(record);
    const std::lock_guard lock(mutex_);
    buffer_ += line;
    ++buffered_;
}

int DeleteJournal::Flush() {
    const std::lock_guard lock(mutex_);
    return writeLocked();
}

int DeleteJournal::writeLocked() {
    // One write for the batch: a signal or a crash of the program keeps every line written
    // before. A failure is final: what a failed write left half done is not written after it.
    if (error_ == 0 && !buffer_.empty()) error_ = WriteFully(fd_.get(), buffer_);
    if (error_ == 0) count_ += buffered_;
    buffer_.clear();
    buffered_ = 0;
    return error_;
}

std::size_t DeleteJournal::Count() const {
    const std::lock_guard lock(mutex_);
    return count_;
}

std::size_t DeleteJournal::SyncedCount() const {
    const std::lock_guard lock(mutex_);
    return synced_;
}

int DeleteJournal::Sync() {
    std::size_t written = 0;
    {
        const std::lock_guard lock(mutex_);
        if (const int error = writeLocked()) return error;
        written = count_;
    }
    // Outside the lock: other threads buffer and write meanwhile; what they wrote before this
    // call began is synced with the rest.
    if (::fdatasync(fd_.get()) != 0) return errno;
    const std::lock_guard lock(mutex_);
    synced_ = std::max(synced_, written);
    return 0;
}

} // namespace nullsweep
