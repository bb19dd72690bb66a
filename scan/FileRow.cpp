// SPDX-License-Identifier: GPL-3.0-or-later
#include "scan/FileRow.h"

#include <sys/stat.h>

namespace nullsweep {

namespace {

FileTime timeOf(const struct statx_timestamp& t) {
    return {t.tv_sec, t.tv_nsec};
}

} // namespace

void SetStatusTimes(FileStatus& status, const struct statx& sx) {
    status.accessed = timeOf(sx.stx_atime);
    status.written = timeOf(sx.stx_mtime);
    status.hasBirth = (sx.stx_mask & STATX_BTIME) != 0;
    if (status.hasBirth) status.birth = timeOf(sx.stx_btime);
    status.changed = timeOf(sx.stx_ctime);
}

FileRowMaker::FileRowMaker(KeptFiles& kept) : kept_(kept) {}

bool FileRowMaker::Fill(TResultRow& row, std::string_view folder, std::string_view name,
                        const FileStatus& status, const FileIdentity* root,
                        std::string_view below) {
    if (!knowsFolder_ || folder != folder_) {
        folder_ = folder;
        resolvedFolder_ = folder;
        belowFrom_ = 0;
        if (root && root->prefixLength <= folder.size()) {
            belowFrom_ = root->prefixLength;
            if (std::string rootPath = ScanRootPath(root->root); !rootPath.empty()) {
                if (rootPath.back() != '/') rootPath.push_back('/');
                resolvedFolder_ = rootPath.append(folder.substr(belowFrom_));
            }
        }
        keptFolder_ = kept_.ForFolder(resolvedFolder_);
        knowsFolder_ = true;
    }
    return Fill(row, {folder, resolvedFolder_, belowFrom_, keptFolder_}, name, status, root, below);
}

bool FileRowMaker::Fill(TResultRow& row, const WalkedFolder& folder, std::string_view name,
                        const FileStatus& status, const FileIdentity* root,
                        std::string_view below) {
    // The whole path where the file is, is made only for what asks for it: a deep folder's
    // would cost its depth.
    keptPath_.clear();
    if (folder.kept.repository >= 0) keptPath_.append(folder.resolved).append(name);
    std::string belowText;
    if (below.empty() && kept_.HasKeepPatterns()) {
        belowText.assign(folder.path.substr(folder.belowFrom)).append(name);
        below = belowText;
    }
    std::string_view keptReason = kept_.ReasonFor(folder.kept, keptPath_, name, below);
    std::string inUse;
    if (keptReason.empty()) {
        inUse = kept_.InUseReason(status.device, status.inode);
        keptReason = inUse;
    }
    RowFacts facts;
    facts.size = status.size;
    facts.accessed = status.accessed;
    facts.written = status.written;
    FileIdentity& identity = facts.identity;
    if (root) {
        identity.root = root->root;
        identity.prefixLength = root->prefixLength;
    }
    identity.device = status.device;
    identity.inode = status.inode;
    identity.birth = status.birth.seconds;
    identity.birthNanoseconds = status.birth.nanoseconds;
    identity.hasBirth = status.hasBirth;
    identity.changed = status.changed.seconds;
    identity.changedNanoseconds = status.changed.nanoseconds;
    path_.assign(folder.path).append(name);
    row = TResultRow(path_, name.size(), facts, keptReason);
    return !keptReason.empty();
}

} // namespace nullsweep
