#include "shell/cd_batch.h"

#include <vector>

#include "shell/process.h"
#include "store/drive_table.h"
#include "system/system.h"

namespace {

template <typename T>
void Release(std::vector<T>* list) {
  std::vector<T>().swap(*list);
}

}  // namespace

std::string CdBatchText(const std::string& directory) {
  std::string text;
  if (!directory.empty()) text += directory[0];
  text += ":\r\n";
  text += "cd \"";
  // cmd.exe expands "%" even inside quotes; "%%" stands for one.
  for (char c : directory) {
    if (c == '%') text += '%';
    text += c;
  }
  text += "\"\r\n";
  return text;
}

std::string CdScriptText(const std::string& hostPath) {
  // Single quotes keep every byte literal; a quote inside is closed, escaped
  // and reopened.  "--" keeps a leading "-" from reading as an option.
  std::string text = "cd -- '";
  for (char c : hostPath) {
    if (c == '\'') {
      text += "'\\''";
    } else {
      text += c;
    }
  }
  text += "'\n";
  return text;
}

void WriteCdBatch() {
  std::string directory = theSystem->CurrentDirectory();
  std::string path = theSystem->CdFilePath(prog.programDirectory);
  int error = kIoOk;
  std::unique_ptr<File> file =
      theSystem->CreateCdFile(path, &error);
  if (!file && error == kIoOk) error = kIoPathNotFound;
  Strict(error);
  // A shell launcher changes directory only when there is somewhere new to
  // go, so that its `cd -` still leads back where the user came from.
  std::string text;
  if (!theSystem->ShellStatuses() || directory != prog.startupDirectory)
    text = theSystem->CdFileContents(directory);
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
