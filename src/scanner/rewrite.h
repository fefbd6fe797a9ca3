// Every rewrite of the scan file goes through here: the new contents are
// written to a temporary file beside KS.DAT, flushed to the disk, and only
// then put in place of KS.DAT in one step.  Until then the old file is
// untouched.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "store/text_file.h"
#include "system/system.h"

struct ScanFileRewrite {
  std::string tempPath;
  std::unique_ptr<File> file;
  std::unique_ptr<LineWriter> writer;
};

// Creates the temporary file; false when it cannot be created.
bool BeginScanFileRewrite(ScanFileRewrite* rewrite);
void WriteScanLine(ScanFileRewrite* rewrite, std::string_view line);  // strict
// Flushes, syncs and puts the new file in place of KS.DAT; false when the
// replacement failed (KS.DAT is then as it was and the temporary removed).
bool CommitScanFileRewrite(ScanFileRewrite* rewrite);
