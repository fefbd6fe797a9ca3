#include "shell/cd_batch.h"

#include <optional>
#include <string>
#include <vector>

#include "crt32/console.h"
#include "platform/process.h"
#include "store/drive_table.h"
#include "platform/system.h"

namespace {

template <typename T>
void Release(std::vector<T>* list) {
  std::vector<T>().swap(*list);
}

}  // namespace

void WriteCdBatch() {
  std::string directory = theSystem->CurrentDirectory();
  std::string path = theSystem->CdFilePath(prog.programDirectory);
  Opened<File> opened = theSystem->CreateCdFile(path);
  std::unique_ptr<File> file = std::move(opened.handle);
  if (!file && opened.error == kIoOk) opened.error = kIoPathNotFound;
  Strict(opened.error);
  // A shell launcher changes directory only when there is somewhere new to
  // go, so that its `cd -` still leads back where the user came from.
  std::string text;
  if (!theSystem->ShellStatuses() || directory != prog.startupDirectory) {
    std::optional<std::string> named;
    if (!directory.empty()) named = theSystem->CdFileDirectory(directory);
    if (named) text = CdFileText(theSystem->CdFormat(), *named);
    if (text.empty()) {
      // The file stays empty, so the launcher moves the shell nowhere; no
      // directory was handed over, whatever the run picked.
      WriteLine("Cannot hand this directory over to the shell: its name does "
                "not fit the cd batch.");
      prog.ExitCode = 0;
    }
  }
  if (!text.empty())
    Strict(file->Write(text.data(), static_cast<int>(text.size())));
  Strict(file->Close());

  Release(&scanner.scanList);
  for (int d = 1; d <= 26; ++d) {
    Drive(d).paths.Release();
    Release(&Drive(d).depths);
    Drive(d).prefixes.Release();
  }
}
