// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "scan/Scan.h"

#include <cstdio>

namespace nullsweep {

// Takes the files from a list made elsewhere (a cluster file system's own parallel find, `find
// -print0`, an earlier export) instead of a walk: reads `list` to its end, one path a line or,
// with `nulEnded`, each ended by NUL, and hands `sink` one row per path that is now a regular
// file of length 0 (links not followed, pseudo file systems left out), in the list's order. A
// relative path is taken from the current folder; "." and ".." and "//" lexically. Each row's
// exact-delete identity starts from the file's own folder. A path that cannot be checked goes to
// `options.onError` (also one that is missing); other paths that are no empty files are skipped
// silently; an empty line is nothing, a line holding a NUL byte is refused (EINVAL). Returns 0,
// or the errno of what ended the list early: a failure to read it, or no memory (the rows read
// so far stay, but they are not the whole list). An exception of the sink other than no memory
// is passed on. The lines are held, folder by folder, until they are checked (a list of
// millions of lines a few million at a time): each folder is opened once whatever their order,
// and its names are checked on up to `options.threads` threads. Progress counts the folders
// opened.
int ScanFileList(std::FILE* list, bool nulEnded, const ScanOptions& options, const RowSink& sink);

} // namespace nullsweep
