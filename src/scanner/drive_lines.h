// A drive's lines of the scan file, written from memory: its root line with
// the scan stamp, then its directories in the order held.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

#include "scanner/rewrite.h"
#include "store/drive_table.h"

// Entries 1..count of `paths`, without `skipEntry` (0 skips nothing).  An
// entry that is a bare root ("D:\") becomes the root line with `stamp`.
template <class Paths>
void WriteDriveLines(ScanFileRewrite* out, const Paths& paths, int count,
                     std::string_view stamp, int skipEntry = 0) {
  std::string root;
  for (int i = 1; i <= count; ++i) {
    if (i == skipEntry) continue;
    std::string_view path = paths[static_cast<size_t>(i)];
    if (path.size() == 3 && path[1] == ':' && path[2] == '\\') {
      root.assign(path.data(), path.size());
      root += '*';
      root.append(stamp.data(), stamp.size());
      WriteScanLine(out, root);
    } else {
      WriteScanLine(out, path);
    }
  }
}

// A drive as it was loaded, for the writers that keep it unchanged or drop
// one entry of it.
inline void WriteDriveLines(ScanFileRewrite* out, const DriveTree& drive,
                            int skipEntry = 0) {
  WriteDriveLines(out, drive.paths, drive.StoredCount(), drive.scanStamp, skipEntry);
}
