#include "scanner/rewrite.h"

#include "shell/process.h"
#include "store/drive_table.h"

namespace {

std::string ScanFileName() {
  return prog.scanFilePath.empty() ? prog.programDirectory + "KS.DAT"
                                   : prog.scanFilePath;
}

}  // namespace

bool BeginScanFileRewrite(ScanFileRewrite* rewrite) {
  // One fixed name, created or truncated: a file left over by a run that was
  // killed mid-write is simply overwritten.
  rewrite->tempPath = ScanFileName() + ".new";
  int error = 0;
  rewrite->file = theSystem->OpenFile(rewrite->tempPath, OpenMode::kCreate, &error);
  if (!rewrite->file || error != 0) {
    rewrite->file.reset();
    rewrite->writer.reset();
    return false;
  }
  rewrite->writer = std::make_unique<LineWriter>(rewrite->file.get());
  return true;
}

void WriteScanLine(ScanFileRewrite* rewrite, std::string_view line) {
  rewrite->writer->Line(line);
}

bool CommitScanFileRewrite(ScanFileRewrite* rewrite) {
  rewrite->writer->Flush();
  // Only a file that has reached the disk may take the old one's place.
  Strict(rewrite->file->Sync());
  Strict(rewrite->file->Close());
  rewrite->writer.reset();
  rewrite->file.reset();
  if (theSystem->ReplaceFile(rewrite->tempPath, ScanFileName()) != 0) {
    theSystem->DeleteFile(rewrite->tempPath);
    return false;
  }
  return true;
}
